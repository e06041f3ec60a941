#pragma once
// The PC's program beside the relay's: the steps that differ, each with the description's
// lines of both, and the choice to send the PC's program to the relay or to load the
// relay's program in its place. The dialog changes neither program: the caller acts on the
// choice.

#include "LanguageSupport.h"
#include "ProgramDiff.h"

#include <QDialog>

class CAlignedLinesDelegate;
class CQuorvexDoc;
class QLabel;
class QPushButton;
class QTableWidget;

// One line of a side of the comparison: the mark of a differing line, the description's label
// and its value ("Relay operation", "Switch on the relay"). A line without a label (a note) has
// its text as the value.
struct ComparedLine {
    bool differs = false;
    QString label;
    QString value;
};
ComparedLine SplitComparedLine(const QString& line);

class CCompareProgramsDlg : public QDialog, public Language::CLanguageSupport {
    Q_OBJECT

public:
    enum Choice { CHOICE_NONE = 0, CHOICE_SEND_PC = 1, CHOICE_LOAD_RELAY = 2 };

    // Compares the two programs at once (in the current language).
    CCompareProgramsDlg(CQuorvexDoc& pc, CQuorvexDoc& relay, QWidget* parent = nullptr);
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    const ProgramDifference& Difference() const { return m_difference; }
    // What the user chose (after the dialog ended).
    Choice GetChoice() const { return m_choice; }
    QTableWidget* Table() const { return m_pTable; }
    QPushButton* SendButton() const { return m_pSend; }
    QPushButton* LoadButton() const { return m_pLoad; }

private:
    void Fill();

    CQuorvexDoc& m_pc;
    CQuorvexDoc& m_relay;
    ProgramDifference m_difference;
    Choice m_choice = CHOICE_NONE;
    QLabel* m_pSummary = nullptr;
    QTableWidget* m_pTable = nullptr;
    QPushButton* m_pSend = nullptr;
    QPushButton* m_pLoad = nullptr;
    QPushButton* m_pClose = nullptr;
    CAlignedLinesDelegate* m_pLines = nullptr;
};
