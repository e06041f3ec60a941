#pragma once
// Change of the relay password: the current password, the new one and the new one again.

#include "LanguageSupport.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class CChangePasswordDlg : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CChangePasswordDlg(QWidget* parent = nullptr);

    // The three passwords in this order: current, new, repeated new. Shown in the fields when
    // the dialog opens (empty for a new dialog); after OK they hold what the user typed. They
    // are not read back on Cancel.
    QString m_szCurrent;
    QString m_szNew;
    QString m_szRepeated;

    // Shows the dialog modally; QDialog::Accepted for OK.
    int exec() override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

public Q_SLOTS:
    // Refuses (and says why) a password that would not reach the relay whole.
    void accept() override;

private:
    QLabel* m_pCurrentLabel;
    QLineEdit* m_pCurrent;
    QLabel* m_pNewLabel;
    QLineEdit* m_pNew;
    QLabel* m_pRepeatedLabel;
    QLineEdit* m_pRepeated;
    QLabel* m_pMessage;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};
