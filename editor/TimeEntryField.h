#pragma once
// The time field of the time dialog and of the potentiometer panel: it shows the time that
// the range and the track bar give, and the user can type a time into it instead ("3 min",
// "180 s", "2,5 h"). What was typed is handed on when Enter is pressed or the field loses the
// focus; Escape puts the shown time back.

#include <QLineEdit>

namespace TimeEntry {
class CTimeEntryReader;
}

class CTimeEntryField : public QLineEdit {
    Q_OBJECT

public:
    explicit CTimeEntryField(QWidget* parent = nullptr);

    // Shows a time; a typed text not yet handed on is dropped.
    void ShowTime(const QString& text);
    const QString& ShownTime() const { return m_shown; }
    // Reads a typed time for a setting with a track bar of TIME_VALUE_MIN..TIME_VALUE_MAX
    // positions: true with the setting to take (exact, or the nearest), false for a text that is
    // no time (the text then stays while the field has the focus, selected to be corrected;
    // otherwise the shown time comes back). `notice` gets what to tell the user, or nothing.
    bool TakeTypedTime(const QString& text, const TimeEntry::CTimeEntryReader& reader, int* unit, int* mantissa,
                       QString* notice);
    // Keeps room for the longest time that the panel texts of the language show.
    void FitPanelTimes(const TimeEntry::CTimeEntryReader& reader);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user typed a time other than the one shown and confirmed it. Whoever receives it
    // shows the time that results (or the shown one again) with ShowTime.
    void timeTyped(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void HandOn();

    QString m_shown;
    int m_nTextWidth = 0;
};
