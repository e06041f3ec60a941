#include "DevicePasswordDlg.h"

#include "DeviceDialogHelpers.h"
#include "DeviceDialogIds.h"
#include "LanguageManager.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace DeviceDialogIds;
using namespace DeviceDialogHelpers;

namespace {

// The prompt's width in average characters: at least this, and on one line up to that.
constexpr int PROMPT_MIN_CHARACTERS = 24;
constexpr int PROMPT_ONE_LINE_CHARACTERS = 40;

} // namespace

CDevicePasswordDlg::CDevicePasswordDlg(QWidget* parent)
    : QDialog(parent),
      m_pPrompt(WithId(new QLabel(this), IDC_PASSWORD_PROMPT)),
      m_pPassword(CreatePasswordField(this, IDC_PASSWORD)),
      m_pMessage(CreatePasswordMessage(this)),
      m_pOk(WithId(new QPushButton(this), IDOK)),
      m_pCancel(WithId(new QPushButton(this), IDCANCEL))
{
    setObjectName(QStringLiteral("CDevicePasswordDlg"));
    setProperty("templateId", IDD_DEVICE_PASSWORD);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_pPrompt->setAlignment(Qt::AlignCenter);
    m_pPrompt->setWordWrap(true);
    m_pPrompt->setBuddy(m_pPassword);
    // Cancel does what Escape does: the command ends as for a refused password.
    QHBoxLayout* buttons = CreateOkCancelRow(this, m_pOk, m_pCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pPrompt);
    layout->addWidget(m_pPassword);
    layout->addWidget(m_pMessage);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_pPassword, &QLineEdit::textEdited, m_pMessage, &QWidget::hide);
    OnLanguageChanged(Language::TheLanguageManager());
}

int CDevicePasswordDlg::exec()
{
    m_pPassword->setText(m_szPassword.left(PASSWORD_FIELD_LENGTH));
    m_pMessage->hide();
    m_pPassword->setFocus();
    return QDialog::exec();
}

void CDevicePasswordDlg::OnLanguageChanged(Language::CLanguageManager& manager)
{
    setWindowTitle(manager.Text(Language::TEXT_PASSWORD_ENTRY_CAPTION));
    const QString prompt = manager.Text(Language::TEXT_PASSWORD_ENTRY_PROMPT);
    m_pPrompt->setText(prompt);
    // One line when it is short, else two even lines: the label's width decides where it
    // wraps (a wrapping label alone would make the dialog as narrow as its longest word, and
    // a fixed width left "(up / to 8 characters)" broken apart).
    const QFontMetrics metrics = m_pPrompt->fontMetrics();
    m_pPrompt->setFixedWidth(
        std::max(metrics.averageCharWidth() * PROMPT_MIN_CHARACTERS,
                 BalancedTextWidth(prompt, metrics, metrics.averageCharWidth() * PROMPT_ONE_LINE_CHARACTERS)));
    m_pOk->setText(manager.Text(Language::TEXT_PASSWORD_ENTRY_OK));
    m_pCancel->setText(manager.Text(Language::TEXT_PASSWORD_ENTRY_CANCEL));
}

void CDevicePasswordDlg::accept()
{
    if (!CheckPasswordFits(m_pPassword, m_pMessage))
        return;
    m_szPassword = m_pPassword->text();
    QDialog::accept();
}

void CDevicePasswordDlg::closeEvent(QCloseEvent* event)
{
    // The close box does nothing: the way out without a password is Escape.
    event->ignore();
}
