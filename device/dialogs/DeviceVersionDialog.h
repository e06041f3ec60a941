#pragma once
// The identification of a relay: a heading, the relay's model and its version.

#include "LanguageSupport.h"

#include <QDialog>

class QLabel;
class QPushButton;

class CDeviceVersionDialog : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CDeviceVersionDialog(QWidget* parent = nullptr);

    // The three lines, filled by the caller before the dialog is shown.
    QString m_szFirstLine;
    QString m_szSecondLine;
    QString m_szThirdLine;

    // Shows the dialog modally. OK, Escape and the close box close it; the result is 0.
    int exec() override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

private:
    QLabel* m_pFirst;
    QLabel* m_pSecond;
    QLabel* m_pThird;
    QPushButton* m_pOk;
};
