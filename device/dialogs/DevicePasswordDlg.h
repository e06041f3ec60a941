#pragma once
// The relay password entry: asked when a relay of model QVS_K115_318 refuses the remembered
// password. Cancel and Escape cancel; the window's close box does nothing.

#include "LanguageSupport.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class CDevicePasswordDlg : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CDevicePasswordDlg(QWidget* parent = nullptr);

    // The password: shown in the field when the dialog opens (empty for a new dialog); after
    // OK it holds what the user typed, at most 8 characters that fit into the relay's 8 bytes.
    QString m_szPassword;

    // Shows the dialog modally; QDialog::Accepted for OK, QDialog::Rejected for Cancel or
    // Escape.
    int exec() override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

public Q_SLOTS:
    // Refuses (and says why) a password that would not reach the relay whole.
    void accept() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_pPrompt;
    QLineEdit* m_pPassword;
    QLabel* m_pMessage;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};
