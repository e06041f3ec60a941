#pragma once
// The About box: program name, two lines about the program, its version and its picture.

#include "LanguageSupport.h"

#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

private:
    QLabel* m_pName;
    QLabel* m_pLine2;
    QLabel* m_pLine3;
    QLabel* m_pVersion;
    QPushButton* m_pOk;
};

// The version line's three numbers (major, minor, patch of the project version).
struct ProgramVersion {
    int major;
    int minor;
    int patch;
};
ProgramVersion GetProgramVersion();
