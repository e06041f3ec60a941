#include "TimeEntry.h"

#include "LanguageManager.h"
#include "ModelTypes.h"
#include "TextIds.h"

#include <algorithm>

namespace TimeEntry {

namespace {

constexpr TimeE7 MANTISSA_STEP_E7 = E7_PER_SECOND / TIME_MANTISSA_ONE; // 78125
static_assert(MANTISSA_STEP_E7 * TIME_MANTISSA_ONE == E7_PER_SECOND);
// A term above this is refused before its arithmetic could overflow: far beyond the longest
// setting (about 199 hours), yet more than any user would type.
constexpr qint64 MAX_SECONDS = 10'000'000'000;
constexpr int MAX_WHOLE_DIGITS = 11;
constexpr int FRACTION_DIGITS = 7;

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The unit word that starts at `pos`: the longest of all words that matches there, as its size
// in seconds; 0 when none does.
qint64 MatchUnit(QStringView text, qsizetype pos, const TimeWords& words, qsizetype* length)
{
    qint64 scale = 0;
    *length = 0;
    const std::pair<const QStringList*, qint64> lists[] = {{&words.seconds, 1}, {&words.minutes, 60}, {&words.hours, 3600}};
    for (const auto& [list, seconds] : lists) {
        for (const QString& word : *list) {
            if (word.isEmpty() || word.size() <= *length || pos + word.size() > text.size())
                continue;
            if (text.mid(pos, word.size()).compare(word, Qt::CaseInsensitive) == 0) {
                *length = word.size();
                scale = seconds;
            }
        }
    }
    return scale;
}

// The unit a language writes after a number (its timing diagram formats 427..429 without the
// number): "s", "с", "min", "ч".
QString LanguageUnit(const Language::CLanguageManager& manager, int textId)
{
    QString format = manager.Text(textId);
    format.remove(QStringLiteral("%g"));
    return format.trimmed();
}

void AddWord(QStringList* list, const QString& word)
{
    if (!word.isEmpty() && !list->contains(word, Qt::CaseInsensitive))
        list->append(word);
}

} // namespace

TimeE7 SettingTime(int unit, int mantissa)
{
    return TimeE7(mantissa) * TimeUnitSeconds(unit) * MANTISSA_STEP_E7;
}

TimeWords PlainWords()
{
    TimeWords words;
    words.seconds = {QStringLiteral("s")};
    words.minutes = {QStringLiteral("min")};
    words.hours = {QStringLiteral("h")};
    words.decimalPoint = u'.';
    return words;
}

TimeWords LanguageWords(const Language::CLanguageManager& manager)
{
    TimeWords words = PlainWords();
    AddWord(&words.seconds, LanguageUnit(manager, Language::TEXT_TIMELINE_SECONDS));
    AddWord(&words.minutes, LanguageUnit(manager, Language::TEXT_TIMELINE_MINUTES));
    AddWord(&words.hours, LanguageUnit(manager, Language::TEXT_TIMELINE_HOURS));
    const QString point = manager.DecimalPoint();
    if (point.size() == 1 && point != QLatin1String(".")) {
        words.decimalPoint = point.front();
        words.otherPoint = u'.';
    }
    return words;
}

ReadStatus ReadTime(QStringView text, const TimeWords& words, TypedTime* time)
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return ReadStatus::NotATime;
    TypedTime total;
    qsizetype i = 0;
    while (i < trimmed.size()) {
        // The number: whole digits, then a fraction after a separator.
        const qsizetype wholeStart = i;
        while (i < trimmed.size() && IsAsciiDigit(trimmed[i]))
            ++i;
        const QStringView whole = trimmed.mid(wholeStart, i - wholeStart);
        if (whole.isEmpty())
            return ReadStatus::NotATime;
        QStringView fraction;
        if (i < trimmed.size() && (trimmed[i] == words.decimalPoint || (!words.otherPoint.isNull() && trimmed[i] == words.otherPoint))) {
            const bool other = trimmed[i] != words.decimalPoint;
            const qsizetype fractionStart = ++i;
            while (i < trimmed.size() && IsAsciiDigit(trimmed[i]))
                ++i;
            fraction = trimmed.mid(fractionStart, i - fractionStart);
            if (fraction.isEmpty())
                return ReadStatus::NotATime;
            if (other && fraction.size() == 3 && whole.size() <= 3 && whole.front() != u'0')
                return ReadStatus::Ambiguous;
        }
        while (i < trimmed.size() && trimmed[i].isSpace())
            ++i;
        qsizetype unitLength = 0;
        const qint64 scale = MatchUnit(trimmed, i, words, &unitLength);
        if (scale == 0)
            return ReadStatus::NotATime;
        i += unitLength;
        // A unit ends the term: what follows is the end, spaces or the next number.
        if (i < trimmed.size() && !trimmed[i].isSpace() && !IsAsciiDigit(trimmed[i]))
            return ReadStatus::NotATime;
        while (i < trimmed.size() && trimmed[i].isSpace())
            ++i;

        QStringView significant = whole;
        while (significant.size() > 1 && significant.front() == u'0')
            significant = significant.mid(1);
        if (significant.size() > MAX_WHOLE_DIGITS)
            return ReadStatus::TooLong;
        while (fraction.endsWith(u'0'))
            fraction.chop(1);
        if (fraction.size() > FRACTION_DIGITS) {
            total.inexact = true;
            fraction = fraction.left(FRACTION_DIGITS);
        }
        qint64 wholeValue = 0;
        for (QChar c : significant)
            wholeValue = wholeValue * 10 + (c.unicode() - u'0');
        if (wholeValue > MAX_SECONDS / scale)
            return ReadStatus::TooLong;
        qint64 fractionValue = 0;
        for (qsizetype d = 0; d < FRACTION_DIGITS; ++d)
            fractionValue = fractionValue * 10 + (d < fraction.size() ? fraction[d].unicode() - u'0' : 0);
        total.time += (wholeValue * E7_PER_SECOND + fractionValue) * scale;
        if (total.time > MAX_SECONDS * E7_PER_SECOND)
            return ReadStatus::TooLong;
    }
    *time = total;
    return ReadStatus::Ok;
}

TimeValue TimeChoice::Nearest() const
{
    if (exact.IsValid())
        return exact;
    if (!below.IsValid())
        return above;
    if (!above.IsValid())
        return below;
    // The typed time lies between the two; the shorter wins a tie.
    return 2 * above.time - twiceTarget < twiceTarget - 2 * below.time ? above : below;
}

TimeChoice ChooseSetting(const TypedTime& time, const TimeLimits& limits)
{
    // Compared in half units, so that a time cut to seven decimals lies strictly between
    // the settings around it.
    const TimeE7 target = 2 * time.time + (time.inexact ? 1 : 0);
    TimeChoice choice;
    choice.twiceTarget = target;
    const int minMantissa = std::clamp(limits.minMantissa, 0, 255);
    const int maxMantissa = std::clamp(limits.maxMantissa, 0, 255);
    for (int unit = 0; unit < TIME_UNIT_COUNT; ++unit) {
        if (limits.onlyUnit >= 0 && unit != limits.onlyUnit)
            continue;
        for (int m = minMantissa; m <= maxMantissa; ++m) {
            const TimeE7 value = SettingTime(unit, m);
            const TimeE7 twice = 2 * value;
            if (twice == target && !choice.exact.IsValid())
                choice.exact = {unit, m, value};
            if (twice < target && (!choice.below.IsValid() || value > choice.below.time))
                choice.below = {unit, m, value};
            if (twice > target && (!choice.above.IsValid() || value < choice.above.time))
                choice.above = {unit, m, value};
        }
    }
    if (choice.exact.IsValid())
        choice.below = choice.above = TimeValue{};
    return choice;
}

QString DecimalText(TimeE7 time, qint64 unitSeconds, QChar decimalPoint)
{
    // In units of 10^-7 of the unit; a time of a setting divides exactly for the units of
    // NotationSeconds.
    const TimeE7 value = unitSeconds > 0 ? time / unitSeconds : time;
    QString text = QString::number(value / E7_PER_SECOND);
    const TimeE7 fraction = value % E7_PER_SECOND;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(FRACTION_DIGITS, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += decimalPoint + digits;
    }
    return text;
}

qint64 NotationSeconds(int unit)
{
    return unit <= 1 ? 1 : unit <= 3 ? 60 : 3600;
}

// ---------------------------------------------------------------- CTimeEntryReader

void CTimeEntryReader::OnLanguageChanged(Language::CLanguageManager& manager)
{
    m_formats.OnLanguageChanged(manager);
    m_words = LanguageWords(manager);
    m_unitWords[0] = LanguageUnit(manager, Language::TEXT_TIMELINE_SECONDS);
    m_unitWords[1] = LanguageUnit(manager, Language::TEXT_TIMELINE_MINUTES);
    m_unitWords[2] = LanguageUnit(manager, Language::TEXT_TIMELINE_HOURS);
    m_manager = &manager;
}

QString CTimeEntryReader::PanelText(int unit, int mantissa) const
{
    return m_formats.FormatTime(CTimeControlHelper::PANEL_FORMATS, unit, mantissa);
}

QString CTimeEntryReader::ExactText(const TimeValue& value) const
{
    // In the largest unit the time reaches; every setting's time divides exactly.
    const int word = value.time < 60 * E7_PER_SECOND ? 0 : value.time < 3600 * E7_PER_SECOND ? 1 : 2;
    const qint64 seconds[] = {1, 60, 3600};
    return DecimalText(value.time, seconds[word], m_words.decimalPoint) + u' ' + m_unitWords[word];
}

CTimeEntryReader::Result CTimeEntryReader::Read(const QString& text, const TimeLimits& limits) const
{
    using namespace Language;
    Result result;
    const QString typed = text.trimmed();
    if (!m_manager)
        return result;
    TypedTime time;
    const ReadStatus status = ReadTime(typed, m_words, &time);
    if (status == ReadStatus::NotATime || status == ReadStatus::Ambiguous) {
        result.message = m_manager->Format(TEXT_TIME_ENTRY_UNREADABLE, {typed});
        return result;
    }
    TimeChoice choice;
    if (status == ReadStatus::TooLong) {
        // Longer than any setting: the longest one.
        TypedTime longest;
        longest.time = MAX_SECONDS * E7_PER_SECOND;
        choice = ChooseSetting(longest, limits);
    } else {
        choice = ChooseSetting(time, limits);
    }
    const TimeValue nearest = choice.Nearest();
    if (!nearest.IsValid()) {
        result.message = m_manager->Format(TEXT_TIME_ENTRY_UNREADABLE, {typed});
        return result;
    }
    result.unit = nearest.unit;
    result.mantissa = nearest.mantissa;
    if (choice.IsExact()) {
        result.outcome = Outcome::Exact;
        return result;
    }
    // What the panel shows for the nearest setting, typed back, is that setting.
    const QString shown = PanelText(nearest.unit, nearest.mantissa);
    TypedTime shownTime;
    if (status == ReadStatus::Ok && ReadTime(shown, m_words, &shownTime) == ReadStatus::Ok && !time.inexact
        && shownTime.time == time.time) {
        result.outcome = Outcome::Exact;
        return result;
    }

    result.outcome = Outcome::Nearest;
    if (choice.below.IsValid() && choice.above.IsValid()) {
        QString below = PanelText(choice.below.unit, choice.below.mantissa);
        QString above = PanelText(choice.above.unit, choice.above.mantissa);
        // Two settings that the panel shows alike are named precisely.
        const bool precise = below == above || below == typed || above == typed;
        if (precise) {
            below = ExactText(choice.below);
            above = ExactText(choice.above);
        }
        const QString set = precise ? ExactText(nearest) : shown;
        result.message = m_manager->Format(TEXT_TIME_ENTRY_NOT_EXACT, {typed, below, above, set});
    } else {
        result.message = m_manager->Format(choice.above.IsValid() ? TEXT_TIME_ENTRY_TOO_SHORT : TEXT_TIME_ENTRY_TOO_LONG,
                                           {typed, shown});
    }
    return result;
}

} // namespace TimeEntry
