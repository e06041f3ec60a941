#pragma once
// The question before a relay's password is reset.

#include "LanguageSupport.h"

#include <QDialog>

class QPushButton;
class QTextEdit;

class CResetPasswordQueryDlg : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CResetPasswordQueryDlg(QWidget* parent = nullptr);

    // Shows the dialog modally; QDialog::Accepted for OK (reset), QDialog::Rejected for Cancel,
    // Escape or the close box.
    int exec() override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

private:
    QTextEdit* m_pQuestion;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};
