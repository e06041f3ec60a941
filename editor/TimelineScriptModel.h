#pragma once
// The script of the timing diagram: the input changes the program runs under, the end of the
// run and, when the script sets one, the potentiometer's time. It holds what a timeline script
// holds (TimelineScript, as a scenario's Script() gives it), and every row the user has written,
// a time that cannot be read included, so that nothing typed is lost. The diagram's table is
// a view of it (a Qt item model, no widgets): it shows the rows and hands the user's edits
// back; the diagram computes from Script().

#include "Timeline.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

class CTimelineScriptModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { COLUMN_TIME = 0, COLUMN_INPUT = 1, COLUMN_VALUE = 2, COLUMN_COUNT = 3 };
    // The input and value columns are choices: the chosen index (the input 0-based; 0 off,
    // 1 on) and the texts of all choices (QStringList).
    static constexpr int CHOICE_ROLE = Qt::UserRole;
    static constexpr int CHOICES_ROLE = Qt::UserRole + 1;

    // The latest end of a run whose end follows the program: long enough for the longest time
    // a single step can hold (almost 200 h) to show.
    static constexpr RelayTime LATEST_UNTIL = 200 * 3600 * RELAY_TIME_PER_SECOND;

    explicit CTimelineScriptModel(QObject* parent = nullptr);

    // The inputs a row can name (1 or 2, the program's model); rows of other inputs go.
    void SetInputCount(int inputs);
    int InputCount() const { return m_inputs; }

    // The input changes of the rows whose time can be read, in table order.
    std::vector<TimelineInputChange> Changes() const;
    void SetChanges(const std::vector<TimelineInputChange>& changes);
    // Whether a row's time can be read (a row that cannot is left out of the run).
    bool IsRowValid(int row) const;
    // Adds a change a second after the latest one, of the input that one changed, to the other
    // value (the first: input 1 on at 1 s); returns its row.
    int AddChange();
    // Removes these rows (in any order).
    void RemoveChanges(QList<int> rows);

    // The end of the run: one chosen (SetUntil), or, while it follows the program, the end the
    // program gives once a run has found it (SetProgramEnd; LATEST_UNTIL before that).
    RelayTime Until() const { return m_until; }
    bool IsUntilFromProgram() const { return m_untilFromProgram; }
    void SetUntil(RelayTime until);
    void SetUntilFromProgram();
    void SetProgramEnd(RelayTime end);

    // The potentiometer's time for time steps that take theirs from it: the script's own when
    // it sets one (a scenario may), else the program's setting.
    void SetPotentiometer(int unit, int value);
    void ClearPotentiometer();
    bool HasPotentiometer() const { return m_pot.has_value(); }

    // The script to run: the changes, the program's potentiometer unless the script sets one,
    // and the end (with endFromProgram while it follows the program).
    TimelineScript Script(int programPotUnit, int programPotValue) const;
    // Takes a whole script: its changes, its end (endFromProgram: the program's) and, with
    // `potentiometer`, its potentiometer's time.
    void SetScript(const TimelineScript& script, bool potentiometer);

    // Times as the table and the end field read and write them, in the current language:
    // seconds, or a number with a unit ("500 ms", "2,5 min", "2 ч"), read as the language
    // writes units or as "ms", "s", "min", "h".
    static bool ReadTime(const QString& text, RelayTime* time);
    static QString TimeText(RelayTime time);
    // The end with the language's unit: whole hours ("200 h"), else seconds ("11 s").
    static QString UntilText(RelayTime time);

    // Shows the texts of the language chosen now (headers, values, decimal separator).
    void LanguageChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The time column takes text (EditRole); the others CHOICE_ROLE.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // What the run computes from changed: a change, the end, the potentiometer.
    void scriptChanged();
    // The end was set, or given back to the program (not when the program's end is found).
    void untilChanged();

private:
    struct Row {
        TimelineInputChange change;
        bool valid = true;
        QString text; // as the user wrote it, while it cannot be read
    };
    void AppendRows(const std::vector<TimelineInputChange>& changes);

    std::vector<Row> m_rows;
    int m_inputs = 1;
    RelayTime m_until = LATEST_UNTIL;
    bool m_untilFromProgram = true;
    std::optional<std::pair<int, int>> m_pot; // unit, value
};
