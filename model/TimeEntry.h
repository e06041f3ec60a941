#pragma once
// Times written by people, and the time settings (unit and mantissa) that give them. One
// reader for the program text ("time": "fixed 2.5 s", quorvexctl set), the time dialog and the
// potentiometer panel, so that a time means the same wherever it is typed.
//
// Every time a setting holds (mantissa × factor / 128 seconds) is a whole number of 10^-7 s,
// since 1/128 s = 78125 × 10^-7 s; times are read and compared exactly in those units.
//
//   TypedTime typed;
//   if (ReadTime(u"2 min 58 s", PlainWords(), &typed) == ReadStatus::Ok) {
//       TimeChoice choice = ChooseSetting(typed, {TIME_VALUE_MIN, TIME_VALUE_MAX});
//       choice.IsExact() ? choice.exact : choice.Nearest() ...
//   }

#include "LanguageSupport.h"
#include "TimeControlHelper.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace TimeEntry {

// A time in units of 10^-7 s.
using TimeE7 = qint64;
constexpr TimeE7 E7_PER_SECOND = 10'000'000;

// The exact time of a setting; 0 for a unit outside 0..6.
TimeE7 SettingTime(int unit, int mantissa);

// How times are written: the words of the three units (compared without regard to case) and
// the decimal separator. `otherPoint` is a second separator that is taken where it cannot be
// a thousands separator (a "." beside a language's ","): not between a group of one to three
// digits that does not start with 0 and exactly three digits ("1.500" is refused, "2.5" and
// "0.125" are read).
struct TimeWords {
    QStringList seconds;
    QStringList minutes;
    QStringList hours;
    QChar decimalPoint = u'.';
    QChar otherPoint;  // null: none
};
// "s", "min", "h" and the point: the words of the program text.
TimeWords PlainWords();
// The units and the decimal separator of the current language, with the plain words and, for a
// language that writes a comma, the point where it cannot be misread.
TimeWords LanguageWords(const Language::CLanguageManager& manager);

enum class ReadStatus {
    Ok,
    NotATime,   // not numbers with units
    Ambiguous,  // the other separator where it could separate thousands
    TooLong,    // far beyond any time a setting holds (more than 10^10 s)
};

struct TypedTime {
    TimeE7 time = 0;
    // Digits past the seventh decimal were cut off: the time written lies a little above `time`.
    bool inexact = false;
};

// Reads one or more numbers, each followed by a unit, and adds them up: "3 min", "180 s",
// "2,5 h", "2 min 58 s", "1h30min". A number is digits with an optional fraction after the
// separator; the space before a unit is optional. Leading and trailing spaces are ignored.
ReadStatus ReadTime(QStringView text, const TimeWords& words, TypedTime* time);

// The settings to choose from: units 0..6 (or one unit), mantissas within the bounds.
struct TimeLimits {
    int minMantissa = 0;
    int maxMantissa = 255;
    int onlyUnit = -1;  // -1: any unit
};

struct TimeValue {
    int unit = -1;
    int mantissa = 0;
    TimeE7 time = 0;
    bool IsValid() const { return unit >= 0; }
};

struct TimeChoice {
    // The setting that gives the time exactly, in the finest unit that can (the smallest steps
    // for a later change); invalid when no setting does.
    TimeValue exact;
    // Otherwise the nearest shorter and the nearest longer settings (invalid when there is
    // none on that side); of equal times the finer unit.
    TimeValue below;
    TimeValue above;
    TimeE7 twiceTarget = 0; // the time chosen for, in half units (a cut-off time lies between)

    bool IsExact() const { return exact.IsValid(); }
    // The exact setting, or the nearer of the two (the shorter when both are as near).
    TimeValue Nearest() const;
};
TimeChoice ChooseSetting(const TypedTime& time, const TimeLimits& limits);

// The shortest exact decimal of a time counted in a unit of `unitSeconds` seconds ("2.5" for
// 150 s in minutes), with the given separator.
QString DecimalText(TimeE7 time, qint64 unitSeconds, QChar decimalPoint = u'.');
// The unit a setting's unit code is written in: seconds (codes 0, 1), minutes (2, 3) or
// hours (4 and above), as its size in seconds.
qint64 NotationSeconds(int unit);

// A time typed into the time dialog or the potentiometer panel, in the current language:
// the setting to take and what to tell the user about it.
class CTimeEntryReader : public Language::CLanguageSupport {
public:
    enum class Outcome {
        Exact,      // the setting gives the time typed (or the time as the panel shows it)
        Nearest,    // no setting does: the nearest one, and a message that names it
        Unreadable, // not a time: nothing to set, and a message that says how to write one
    };
    struct Result {
        Outcome outcome = Outcome::Unreadable;
        int unit = -1;
        int mantissa = 0;
        QString message; // empty for Exact
    };

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // A typed time that is exactly what the panel shows for a setting ("2 min 58 s" for
    // 178.125 s) is taken as that setting without a message: what is shown can be typed back.
    Result Read(const QString& text, const TimeLimits& limits) const;
    // The panel's text of a setting (the time dialog's and the potentiometer's).
    QString PanelText(int unit, int mantissa) const;

private:
    // A setting's time exactly, to tell apart two settings that the panel shows alike
    // ("59,53125 min" and "1 h").
    QString ExactText(const TimeValue& value) const;

    CTimeControlHelper m_formats;
    TimeWords m_words;
    QString m_unitWords[3]; // the language's seconds, minutes and hours
    const Language::CLanguageManager* m_manager = nullptr;
};

} // namespace TimeEntry
