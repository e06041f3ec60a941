#include "ResetPasswordQueryDlg.h"

#include "DeviceDialogHelpers.h"
#include "DeviceDialogIds.h"
#include "LanguageManager.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace DeviceDialogIds;
using DeviceDialogHelpers::CreateOkCancelRow;
using DeviceDialogHelpers::WithId;

CResetPasswordQueryDlg::CResetPasswordQueryDlg(QWidget* parent)
    : QDialog(parent),
      m_pQuestion(WithId(new QTextEdit(this), IDC_RESET_QUESTION)),
      m_pOk(WithId(new QPushButton(this), IDOK)),
      m_pCancel(WithId(new QPushButton(this), IDCANCEL))
{
    setObjectName(QStringLiteral("CResetPasswordQueryDlg"));
    setProperty("templateId", IDD_RESET_PASSWORD_QUERY);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // A bordered, read-only box that only shows the question, centred and wrapped.
    m_pQuestion->setReadOnly(true);
    m_pQuestion->setAcceptRichText(false);
    m_pQuestion->setFocusPolicy(Qt::NoFocus);
    m_pQuestion->setFrameShape(QFrame::StyledPanel);
    m_pQuestion->setMinimumWidth(m_pQuestion->fontMetrics().averageCharWidth() * 40);
    m_pQuestion->setFixedHeight(m_pQuestion->fontMetrics().lineSpacing() * 5);

    QHBoxLayout* buttons = CreateOkCancelRow(this, m_pOk, m_pCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pQuestion);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    OnLanguageChanged(Language::TheLanguageManager());
}

int CResetPasswordQueryDlg::exec()
{
    m_pOk->setFocus();
    return QDialog::exec();
}

void CResetPasswordQueryDlg::OnLanguageChanged(Language::CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_RESET_PASSWORD_CAPTION));
    m_pQuestion->setPlainText(manager.Text(Language::TEXT_RESET_PASSWORD_QUESTION));
    // A screen reader names the question's box after the dialog, as it has no label.
    m_pQuestion->setAccessibleName(windowTitle());
    QTextCursor all(m_pQuestion->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    m_pOk->setText(manager.Text(Language::TEXT_RESET_PASSWORD_OK));
    m_pCancel->setText(manager.Text(Language::TEXT_RESET_PASSWORD_CANCEL));
}
