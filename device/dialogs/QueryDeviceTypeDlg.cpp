#include "QueryDeviceTypeDlg.h"

#include "DeviceDialogHelpers.h"
#include "DeviceDialogIds.h"
#include "LanguageManager.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace DeviceDialogIds;
using DeviceDialogHelpers::CreateOkCancelRow;
using DeviceDialogHelpers::WithId;

CQueryDeviceTypeDlg::CQueryDeviceTypeDlg(QWidget* parent)
    : QDialog(parent),
      m_pGroup(WithId(new QGroupBox(this), IDC_DEVICE_TYPE_GROUP)),
      m_pFirst(WithId(new QRadioButton(m_pGroup), IDC_DEVICE_TYPE_FIRST)),
      m_pSecond(WithId(new QRadioButton(m_pGroup), IDC_DEVICE_TYPE_SECOND)),
      m_pOk(WithId(new QPushButton(this), IDOK)),
      m_pCancel(WithId(new QPushButton(this), IDCANCEL))
{
    setObjectName(QStringLiteral("CQueryDeviceTypeDlg"));
    setProperty("templateId", IDD_QUERY_DEVICE_TYPE);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* choices = new QVBoxLayout(m_pGroup);
    choices->addWidget(m_pFirst);
    choices->addWidget(m_pSecond);

    QHBoxLayout* buttons = CreateOkCancelRow(this, m_pOk, m_pCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    OnLanguageChanged(Language::TheLanguageManager());
}

int CQueryDeviceTypeDlg::exec()
{
    (m_nSelected == 1 ? m_pSecond : m_pFirst)->setChecked(true);
    m_pCancel->setEnabled(!m_bCancelDisabled);
    // The chosen model has the focus, so the arrow keys move between the models at once.
    (m_nSelected == 1 ? m_pSecond : m_pFirst)->setFocus();
    return QDialog::exec();
}

void CQueryDeviceTypeDlg::OnLanguageChanged(Language::CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_QUERY_MODEL_CAPTION));
    m_pGroup->setTitle(manager.Text(Language::TEXT_QUERY_MODEL_GROUP));
    m_pFirst->setText(manager.Text(Language::TEXT_QUERY_MODEL_QVR_K115_ZQX));
    m_pSecond->setText(manager.Text(Language::TEXT_QUERY_MODEL_QVS_K115_318));
    m_pOk->setText(manager.Text(Language::TEXT_QUERY_MODEL_OK));
    m_pCancel->setText(manager.Text(Language::TEXT_QUERY_MODEL_CANCEL));
}

void CQueryDeviceTypeDlg::accept()
{
    m_nSelected = m_pSecond->isChecked() ? 1 : 0;
    QDialog::accept();
}

void CQueryDeviceTypeDlg::reject()
{
    // Escape and the close box reach here as well as the Cancel button (a close request that
    // leaves the dialog open is ignored).
    if (m_bCancelDisabled)
        return;
    m_nSelected = m_pSecond->isChecked() ? 1 : 0;
    QDialog::reject();
}
