#pragma once
// The Problems panel: the program check's findings of the open program as a list (severity
// with its icon, channel, step, text), computed again whenever the program changes. The list
// is an item model without widgets (CProblemsModel), which also gives each program view the
// marks of its boxes and the findings their tool tips name; the panel shows it in a keyboard
// reachable list, and activating a row (Enter or a double click) asks for its step.

#include "LanguageSupport.h"
#include "ProgramCheck.h"
#include "StepDrawer.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QWidget>

#include <array>
#include <vector>

class CQuorvexDoc;
class QLabel;
class QStackedLayout;
class QTreeView;

class CProblemsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { COLUMN_SEVERITY = 0, COLUMN_CHANNEL = 1, COLUMN_STEP = 2, COLUMN_TEXT = 3, COLUMN_COUNT = 4 };
    // The finding's channel (0-based) and first step, on every cell of its row.
    static constexpr int CHANNEL_ROLE = Qt::UserRole;
    static constexpr int STEP_ROLE = Qt::UserRole + 1;

    explicit CProblemsModel(QObject* parent = nullptr);

    // Checks the program again (null: no program, no findings) and words the findings in the
    // current language.
    void Refresh(const CQuorvexDoc* doc);
    // Words the findings again in the language chosen now.
    void LanguageChanged();

    const std::vector<ProgramCheck::Finding>& Findings() const { return m_findings; }
    // The finding in the current language (as the list shows it).
    QString Text(int row) const;
    ProgramCheck::FindingCounts Counts() const { return m_counts; }
    int Channels() const { return m_channels; }

    // The mark of every box of a channel: an error where a finding that is an error names the
    // step, else a warning where a warning names it.
    std::array<StepMark, FIELD_COUNT> Marks(int channel) const;
    // What the tool tip of every box of a channel adds: its findings, one per line, each
    // after its severity.
    std::array<QString, FIELD_COUNT> Notes(int channel) const;
    // The severity as a word of the language, and its icon (the mark of the boxes).
    static QString SeverityText(ProgramCheck::Severity severity);
    static QIcon SeverityIcon(ProgramCheck::Severity severity);
    // The model's own copy of that icon (made once).
    const QIcon& Icon(ProgramCheck::Severity severity) const
    {
        return severity == ProgramCheck::Severity::Error ? m_errorIcon : m_warningIcon;
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The findings were computed again (they may be the same).
    void findingsChanged();

private:
    std::vector<ProgramCheck::Finding> m_findings;
    QStringList m_texts;
    ProgramCheck::FindingCounts m_counts;
    int m_channels = 1;
    QIcon m_errorIcon;
    QIcon m_warningIcon;
};

class CProblemsPanel : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CProblemsPanel(QWidget* parent = nullptr);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    CProblemsModel& Model() { return m_model; }
    const CProblemsModel& Model() const { return m_model; }
    QTreeView* List() const { return m_pList; }
    // The height that shows a few findings without scrolling.
    int PreferredHeight() const;
    // Puts the keyboard into the list (or the note that stands for an empty one).
    void TakeFocus();

Q_SIGNALS:
    // A row was activated: show the step of its finding.
    void stepActivated(int channel, int step);

private:
    void UpdateTexts();
    void FindingsChanged();

    CProblemsModel m_model;
    QTreeView* m_pList = nullptr;
    QLabel* m_pNone = nullptr; // shown instead of an empty list
    QStackedLayout* m_pStack = nullptr;
    // The finding the list's current row showed before the findings were computed again: the
    // row that shows it then becomes current again.
    struct Kept {
        bool valid = false;
        int channel = 0;
        int step = 0;
        ProgramCheck::Check check = ProgramCheck::Check::LoopWithoutTime;
    } m_kept;
};
