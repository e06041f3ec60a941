#include "ChangePasswordDlg.h"

#include "DeviceDialogHelpers.h"
#include "DeviceDialogIds.h"
#include "LanguageManager.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace DeviceDialogIds;
using namespace DeviceDialogHelpers;

CChangePasswordDlg::CChangePasswordDlg(QWidget* parent)
    : QDialog(parent),
      m_pCurrentLabel(WithId(new QLabel(this), IDC_CURRENT_PASSWORD_LABEL)),
      m_pCurrent(CreatePasswordField(this, IDC_CURRENT_PASSWORD)),
      m_pNewLabel(WithId(new QLabel(this), IDC_NEW_PASSWORD_LABEL)),
      m_pNew(CreatePasswordField(this, IDC_NEW_PASSWORD)),
      m_pRepeatedLabel(WithId(new QLabel(this), IDC_REPEAT_PASSWORD_LABEL)),
      m_pRepeated(CreatePasswordField(this, IDC_REPEAT_PASSWORD)),
      m_pMessage(CreatePasswordMessage(this)),
      m_pOk(WithId(new QPushButton(this), IDOK)),
      m_pCancel(WithId(new QPushButton(this), IDCANCEL))
{
    setObjectName(QStringLiteral("CChangePasswordDlg"));
    setProperty("templateId", IDD_CHANGE_PASSWORD);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* fields = new QGridLayout;
    const std::pair<QLabel*, QLineEdit*> rows[] = {
        {m_pCurrentLabel, m_pCurrent}, {m_pNewLabel, m_pNew}, {m_pRepeatedLabel, m_pRepeated}};
    int row = 0;
    for (const auto& [label, field] : rows) {
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    }
    fields->setColumnStretch(1, 1);

    QHBoxLayout* buttons = CreateOkCancelRow(this, m_pOk, m_pCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_pMessage);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QLineEdit* field : {m_pCurrent, m_pNew, m_pRepeated})
        connect(field, &QLineEdit::textEdited, m_pMessage, &QWidget::hide);
    OnLanguageChanged(Language::TheLanguageManager());
}

int CChangePasswordDlg::exec()
{
    m_pCurrent->setText(m_szCurrent.left(PASSWORD_FIELD_LENGTH));
    m_pNew->setText(m_szNew.left(PASSWORD_FIELD_LENGTH));
    m_pRepeated->setText(m_szRepeated.left(PASSWORD_FIELD_LENGTH));
    m_pMessage->hide();
    m_pCurrent->setFocus();
    return QDialog::exec();
}

void CChangePasswordDlg::OnLanguageChanged(Language::CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_CHANGE_PASSWORD_CAPTION));
    m_pCurrentLabel->setText(manager.Text(Language::TEXT_CHANGE_PASSWORD_CURRENT));
    m_pNewLabel->setText(manager.Text(Language::TEXT_CHANGE_PASSWORD_NEW));
    m_pRepeatedLabel->setText(manager.Text(Language::TEXT_CHANGE_PASSWORD_REPEAT));
    m_pOk->setText(manager.Text(Language::TEXT_CHANGE_PASSWORD_OK));
    m_pCancel->setText(manager.Text(Language::TEXT_CHANGE_PASSWORD_CANCEL));
}

void CChangePasswordDlg::accept()
{
    for (QLineEdit* field : {m_pCurrent, m_pNew, m_pRepeated})
        if (!CheckPasswordFits(field, m_pMessage))
            return;
    m_szCurrent = m_pCurrent->text();
    m_szNew = m_pNew->text();
    m_szRepeated = m_pRepeated->text();
    QDialog::accept();
}
