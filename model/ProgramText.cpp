#include "ProgramText.h"

#include "BitLayout.h"
#include "JsonText.h"
#include "LanguageManager.h"
#include "ModelDesignation.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TimeEntry.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

// A result code's message is the text with its number.
static_assert(int(RESULT_INVALID_PROGRAM_TEXT) == int(Language::TEXT_RESULT_INVALID_PROGRAM_TEXT));
static_assert(int(RESULT_VERIFY_MISMATCH) == int(Language::TEXT_RESULT_VERIFY_MISMATCH));
static_assert(int(RESULT_PASSWORD_TOO_LONG) == int(Language::TEXT_RESULT_PASSWORD_TOO_LONG));
static_assert(int(RESULT_NO_PASSWORD) == int(Language::TEXT_RESULT_NO_PASSWORD));

namespace ProgramText {

namespace {

// ================================================================ JSON with positions



// ================================================================ words of the text form

struct Word {
    int code;
    const char* text;
};
using Words = std::vector<Word>;

const Words POWER_ON_ONE_RELAY = {{0, "off"}, {1, "on"}};
const Words POWER_ON_TWO_RELAYS = {{0, "unchanged"}, {1, "off"}, {2, "on"}};
const Words START_DELAY = {{0, "option 0"}, {1, "option 1"}, {2, "option 2"}, {3, "option 3"}};
const Words OPERATION = {{0, "unchanged"}, {1, "off"}, {2, "on"}, {3, "toggle"}};
// Model QVR_K115_ZQX: one code names what and on which signal.
const Words CONDITION_ONE_CHANNEL = {
    {0, "unconditional"},        {1, "off input 1"},          {2, "on input 1"},
    {3, "rising input 1"},       {4, "falling input 1"},      {5, "change input 1"},
    {6, "branch if off input 1"}, {7, "branch if on input 1"}, {8, "branch if off relay 1"},
    {9, "branch if on relay 1"},
};
const Words INTERRUPT_ONE_CHANNEL = {{0, "none"},           {1, "off input 1"},     {2, "on input 1"},
                                     {3, "rising input 1"}, {4, "falling input 1"}, {5, "change input 1"}};
// Model QVS_K115_318: the condition type; the signal is a field of its own.
const Words CONDITION_TWO_CHANNELS = {{0, "unconditional"}, {1, "off"},     {2, "on"},
                                      {3, "rising"},        {4, "falling"}, {5, "change"},
                                      {6, "branch if off"}, {7, "branch if on"}};
const Words INTERRUPT_TWO_CHANNELS = {{0, "none"},   {1, "off"},     {2, "on"},
                                      {3, "rising"}, {4, "falling"}, {5, "change"}};
const Words RANGE = {{0, "1 s"}, {1, "10 s"}, {2, "1 min"}, {3, "10 min"}, {4, "1 h"}, {5, "10 h"}, {6, "100 h"}};
const Words TERM = {{0, "input 1"}, {1, "not input 1"}, {2, "input 2"}, {3, "not input 2"},
                    {4, "relay 1"}, {5, "not relay 1"}, {6, "relay 2"}, {7, "not relay 2"}};
const Words OPERATOR = {{0, "none"}, {1, "and"}, {2, "or"}, {3, "xor"}};
const Words KIND = {{FIELD_START, "start"}, {FIELD_STATE_CHANGE, "state change"}, {FIELD_CONDITION, "condition"},
                    {FIELD_TIME, "time"}, {FIELD_STOP, "stop"}};


QString WordOf(const Words& words, int code)
{
    for (const Word& word : words)
        if (word.code == code)
            return QString::fromLatin1(word.text);
    return QStringLiteral("code %1").arg(code);
}

QString WordList(const Words& words, int codeCount)
{
    QStringList list;
    for (const Word& word : words)
        list << QString::fromLatin1(word.text);
    QString text = list.join(QStringLiteral(", "));
    if (int(words.size()) < codeCount)
        text += QStringLiteral(" or code 0..%1").arg(codeCount - 1);
    return text;
}


// "code N" within 0..count-1.
enum class CodeMatch { No, Yes, OutOfRange };
CodeMatch ParseCode(const QString& normalized, int count, int* code)
{
    if (!normalized.startsWith(QLatin1String("code ")))
        return CodeMatch::No;
    qint64 value = 0;
    if (!ParseDigits(QStringView(normalized).mid(5), 6, &value))
        return CodeMatch::No;
    if (value >= count)
        return CodeMatch::OutOfRange;
    *code = int(value);
    return CodeMatch::Yes;
}

// Fills `error` with what went wrong with a value; the caller adds where.
void ValueError(Error* error, ErrorKind kind, const QString& value, const QString& expected)
{
    error->kind = kind;
    error->value = value;
    error->expected = expected;
}

bool ParseWord(const Words& words, int codeCount, const QString& value, int* code, Error* error)
{
    const QString normalized = Normalized(value);
    for (const Word& word : words) {
        if (normalized == QLatin1String(word.text)) {
            *code = word.code;
            return true;
        }
    }
    switch (ParseCode(normalized, codeCount, code)) {
    case CodeMatch::Yes: return true;
    case CodeMatch::OutOfRange:
        ValueError(error, ErrorKind::OutOfRange, value, QStringLiteral("code 0..%1").arg(codeCount - 1));
        return false;
    case CodeMatch::No: break;
    }
    ValueError(error, ErrorKind::UnknownValue, value, WordList(words, codeCount));
    return false;
}

// ---------------------------------------------------------------- jumps

QString JumpText(int target)
{
    if (target == NO_JUMP)
        return QStringLiteral("next step");
    if (target == 0)
        return QStringLiteral("start");
    if (target == STOP_FIELD)
        return QStringLiteral("stop");
    return QStringLiteral("step %1").arg(target);
}

// A jump target; `pastStop` accepts the targets 37..62 past the Stop step that a 6-bit jump
// field can hold (63 is "next step").
bool ParseJump(const QString& value, bool pastStop, int* target, Error* error)
{
    const QString normalized = Normalized(value);
    if (normalized == u"next step") {
        *target = NO_JUMP;
        return true;
    }
    if (normalized == u"start") {
        *target = 0;
        return true;
    }
    if (normalized == u"stop") {
        *target = STOP_FIELD;
        return true;
    }
    QStringView number(normalized);
    if (number.startsWith(u"step "))
        number = number.mid(5);
    qint64 index = 0;
    if (ParseDigits(number, 9, &index)) {
        if (index > STOP_FIELD && !pastStop) {
            ValueError(error, ErrorKind::JumpPastStop, value, QString());
            return false;
        }
        if (index >= NO_JUMP) {
            ValueError(error, ErrorKind::OutOfRange, value, QStringLiteral("step 0..%1").arg(NO_JUMP - 1));
            return false;
        }
        *target = int(index);
        return true;
    }
    ValueError(error, ErrorKind::UnknownValue, value, QStringLiteral("next step, start, stop or step 1..35"));
    return false;
}

// ---------------------------------------------------------------- times
//
// A time is a unit (range) code and an 8-bit mantissa: mantissa * factor / 128 seconds. Times
// are read and compared exactly, in units of 10^-7 s (TimeEntry.h, the reader the time dialog
// uses too).

constexpr int RANGE_CODES = 8;  // 3-bit unit field; code 7 has no unit

QString QuantityText(int unit, int mantissa)
{
    if (unit < 0 || unit >= TIME_UNIT_COUNT)
        return QStringLiteral("mantissa %1").arg(mantissa);
    const qint64 notation = TimeEntry::NotationSeconds(unit);
    const char* suffix = notation == 1 ? "s" : notation == 60 ? "min" : "h";
    return TimeEntry::DecimalText(TimeEntry::SettingTime(unit, mantissa), notation) + QLatin1Char(' ')
           + QLatin1String(suffix);
}

// A time as written: "<decimal> s|min|h" (or several such, added up), or "mantissa N". A
// decimal with non-zero digits beyond the seventh after the point is no time of any range;
// it is kept cut to seven digits with `inexact` set, for the message that names the nearest
// times.
struct Quantity {
    bool isMantissa = false;
    int mantissa = 0;
    TimeEntry::TypedTime time;
};

bool ParseQuantity(const QString& normalized, const QString& value, Quantity* quantity, Error* error)
{
    const QString expected = QStringLiteral("a time such as 1.5 s, 2 min or 0.5 h, or mantissa 0..255");
    if (normalized.startsWith(QLatin1String("mantissa "))) {
        qint64 mantissa = 0;
        const QStringView digits = QStringView(normalized).mid(9);
        if (!AllDigits(digits)) {
            ValueError(error, ErrorKind::UnknownValue, value, expected);
            return false;
        }
        if (!ParseDigits(digits, 3, &mantissa) || mantissa > 255) {
            ValueError(error, ErrorKind::OutOfRange, value, QStringLiteral("mantissa 0..255"));
            return false;
        }
        quantity->isMantissa = true;
        quantity->mantissa = int(mantissa);
        return true;
    }
    switch (TimeEntry::ReadTime(normalized, TimeEntry::PlainWords(), &quantity->time)) {
    case TimeEntry::ReadStatus::Ok:
        return true;
    case TimeEntry::ReadStatus::TooLong:
        // Far beyond the longest time (about 199 hours).
        ValueError(error, ErrorKind::OutOfRange, value, QStringLiteral("0..199.21875 h"));
        return false;
    case TimeEntry::ReadStatus::NotATime:
    case TimeEntry::ReadStatus::Ambiguous:
        break;
    }
    ValueError(error, ErrorKind::UnknownValue, value, expected);
    return false;
}

// The times nearest to a time that has no exact mantissa: in one range, or in any range.
QString NearestTimes(const TimeEntry::TimeChoice& choice, bool anyRange)
{
    QStringList list;
    for (const TimeEntry::TimeValue& c : {choice.below, choice.above}) {
        if (!c.IsValid())
            continue;
        QString text = QuantityText(c.unit, c.mantissa);
        if (anyRange)
            text += QStringLiteral(" (range %1)").arg(WordOf(RANGE, c.unit));
        list << text;
    }
    return list.join(QStringLiteral(", "));
}

// ================================================================ fields of each step kind

// A step as the text form sees it: model, channel, index, kind and its bytes.
struct StepRef {
    ModelCode model = 0;  // masked model code
    int channel = 0;      // 0-based
    int index = 0;
    FieldKind kind = FIELD_STOP;
    std::uint8_t* data = nullptr;
    int size = 0;
    bool rangeGiven = false;  // set while reading: "range" is given beside "time"
    // Reading a program text: a jump past the Stop step is kept (the image may hold one, and a
    // text must carry every image) and noted here. Null: such a jump is refused.
    std::vector<Error>* pastStopJumps = nullptr;
};

enum class FieldType { Words, Jump, Time, Range, Signal, StartDelay };

struct FieldDef {
    const char* key;
    FieldType type;
    BitField bits{};               // Words, Jump, Range, StartDelay; Time: the fixed-time bit
    const Words* words = nullptr;  // Words
    int codeCount = 0;             // Words: codes the bits hold
    BitField mantissa{};           // Time
    BitField unit{};               // Time: the range bits
};

namespace Zqx = Layout_QVR_K115_ZQX;
namespace Qvs = Layout_QVS_K115_318;

const std::vector<FieldDef> ZQX_START = {
    {"power-on state", FieldType::Words, Zqx::StartPowerOn, &POWER_ON_ONE_RELAY, 2},
    {"start delay", FieldType::Words, Zqx::StartDelay, &START_DELAY, 4},
};
const std::vector<FieldDef> ZQX_STATE_CHANGE = {
    {"relay operation", FieldType::Words, Zqx::StateOperation, &OPERATION, 4},
    {"jump", FieldType::Jump, Zqx::StateJump},
};
const std::vector<FieldDef> ZQX_CONDITION = {
    {"condition", FieldType::Words, Zqx::ConditionCode, &CONDITION_ONE_CHANNEL, 16},
    {"jump", FieldType::Jump, Zqx::ConditionJump},
    {"otherwise", FieldType::Jump, Zqx::ConditionAltJump},
};
const std::vector<FieldDef> ZQX_TIME = {
    {"time", FieldType::Time, Zqx::TimeFixed, nullptr, 0, Zqx::TimeMantissa, Zqx::TimeUnitBits},
    {"range", FieldType::Range, Zqx::TimeUnitBits},
    {"interrupt condition", FieldType::Words, Zqx::TimeStopType, &INTERRUPT_ONE_CHANNEL, 8},
    {"jump", FieldType::Jump, Zqx::TimeJump},
};
const std::vector<FieldDef> QVS_START = {
    {"relay 1 at power-on", FieldType::Words, Qvs::StartRelay1, &POWER_ON_TWO_RELAYS, 4},
    {"relay 2 at power-on", FieldType::Words, Qvs::StartRelay2, &POWER_ON_TWO_RELAYS, 4},
    {"start delay", FieldType::StartDelay, Qvs::StartDelay},
};
const std::vector<FieldDef> QVS_STATE_CHANGE = {
    {"relay 1 operation", FieldType::Words, Qvs::StateOperation1, &OPERATION, 4},
    {"relay 2 operation", FieldType::Words, Qvs::StateOperation2, &OPERATION, 4},
    {"jump", FieldType::Jump, Qvs::StateJump},
};
const std::vector<FieldDef> QVS_CONDITION = {
    {"condition", FieldType::Words, Qvs::ConditionType, &CONDITION_TWO_CHANNELS, 8},
    {"signal", FieldType::Signal},
    {"jump", FieldType::Jump, Qvs::ConditionJump},
    {"otherwise", FieldType::Jump, Qvs::ConditionAltJump},
};
const std::vector<FieldDef> QVS_TIME = {
    {"time", FieldType::Time, Qvs::TimeFixed, nullptr, 0, Qvs::TimeMantissa, Qvs::TimeUnitBits},
    {"range", FieldType::Range, Qvs::TimeUnitBits},
    {"interrupt condition", FieldType::Words, Qvs::TimeStopType, &INTERRUPT_TWO_CHANNELS, 8},
    {"signal", FieldType::Signal},
    {"jump", FieldType::Jump, Qvs::TimeJump},
};
const std::vector<FieldDef> NO_FIELDS;

const std::vector<FieldDef>& FieldsOf(const StepRef& step)
{
    const bool zqx = step.model == MODEL_QVR_K115_ZQX;
    switch (step.kind) {
    case FIELD_START: return zqx ? ZQX_START : QVS_START;
    case FIELD_STATE_CHANGE: return zqx ? ZQX_STATE_CHANGE : QVS_STATE_CHANGE;
    case FIELD_CONDITION: return zqx ? ZQX_CONDITION : QVS_CONDITION;
    case FIELD_TIME: return zqx ? ZQX_TIME : QVS_TIME;
    default: return NO_FIELDS;
    }
}

// The start delay is one for the whole program and lives in channel 1's Start byte.
bool HasField(const StepRef& step, const FieldDef& field)
{
    return field.type != FieldType::StartDelay || step.channel == 0;
}

// Reserved bits of a step: those that no field of the step uses.
std::vector<std::uint8_t> ReservedMask(const StepRef& step)
{
    std::vector<std::uint8_t> used(std::size_t(step.size), 0);
    auto use = [&used](const BitField& bits) { used[std::size_t(bits.byte)] |= bits.Mask(); };
    for (const FieldDef& field : FieldsOf(step)) {
        switch (field.type) {
        case FieldType::Words:
        case FieldType::Jump:
        case FieldType::Range:
            use(field.bits);
            break;
        case FieldType::StartDelay:
            // In channel 2's Start byte these bits are reserved.
            if (step.channel == 0)
                use(field.bits);
            break;
        case FieldType::Time:
            use(field.bits);
            use(field.mantissa);
            break;
        case FieldType::Signal:
            for (const BitField& bits : {Qvs::Term0, Qvs::Operator1, Qvs::Term1, Qvs::Operator2, Qvs::Term2})
                use(bits);
            break;
        }
    }
    for (std::uint8_t& byte : used)
        byte = std::uint8_t(~byte);
    return used;
}

QString HexBytes(const std::vector<std::uint8_t>& bytes)
{
    QStringList list;
    for (std::uint8_t byte : bytes)
        list << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    return list.join(QLatin1Char(' '));
}

// ---------------------------------------------------------------- signal (term expression)

QString SignalText(const std::uint8_t* data)
{
    const int term0 = Qvs::Term0.Get(data), op1 = Qvs::Operator1.Get(data), term1 = Qvs::Term1.Get(data);
    const int op2 = Qvs::Operator2.Get(data), term2 = Qvs::Term2.Get(data);
    QString text = WordOf(TERM, term0);
    // The expression ends at an operator "none"; what follows it is written only when it
    // holds something other than zeros, so that nothing stored is lost.
    const bool tail2 = op2 != 0 || term2 != 0;
    if (op1 != 0 || term1 != 0 || tail2)
        text += QLatin1Char(' ') + WordOf(OPERATOR, op1) + QLatin1Char(' ') + WordOf(TERM, term1);
    if (tail2)
        text += QLatin1Char(' ') + WordOf(OPERATOR, op2) + QLatin1Char(' ') + WordOf(TERM, term2);
    return text;
}

bool ParseSignal(const QString& value, std::uint8_t* data, Error* error)
{
    const QStringList tokens = Normalized(value).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int terms[3] = {0, 0, 0};
    int ops[2] = {0, 0};
    int count = 0;
    qsizetype at = 0;
    auto term = [&](int* code) {
        bool negated = false;
        if (at < tokens.size() && tokens[at] == u"not") {
            negated = true;
            ++at;
        }
        if (at + 1 >= tokens.size())
            return false;
        const QString& source = tokens[at];
        const QString& number = tokens[at + 1];
        if ((source != u"input" && source != u"relay") || (number != u"1" && number != u"2"))
            return false;
        at += 2;
        *code = TermCode(source == u"input" ? TERM_SOURCE_INPUT : TERM_SOURCE_OUTPUT, number == u"1" ? 1 : 2,
                         negated ? 1 : 0);
        return true;
    };
    bool ok = term(&terms[0]);
    count = 1;
    while (ok && at < tokens.size()) {
        if (count == 3) {
            ok = false;
            break;
        }
        int op = -1;
        for (const Word& word : OPERATOR)
            if (tokens[at] == QLatin1String(word.text))
                op = word.code;
        ++at;
        if (op < 0 || !term(&terms[count])) {
            ok = false;
            break;
        }
        ops[count - 1] = op;
        ++count;
    }
    if (!ok) {
        ValueError(error, ErrorKind::UnknownValue, value,
                   QStringLiteral("up to three terms (input 1, input 2, relay 1, relay 2, each may be preceded by "
                                  "not) joined by and, or, xor or none"));
        return false;
    }
    Qvs::Term0.Set(data, terms[0]);
    Qvs::Operator1.Set(data, ops[0]);
    Qvs::Term1.Set(data, terms[1]);
    Qvs::Operator2.Set(data, ops[1]);
    Qvs::Term2.Set(data, terms[2]);
    return true;
}

// ---------------------------------------------------------------- reading and writing one field

QString FieldText(const StepRef& step, const FieldDef& field)
{
    switch (field.type) {
    case FieldType::Words: return WordOf(*field.words, field.bits.Get(step.data));
    case FieldType::StartDelay: return WordOf(START_DELAY, field.bits.Get(step.data));
    case FieldType::Jump: return JumpText(field.bits.Get(step.data));
    case FieldType::Range: return WordOf(RANGE, field.bits.Get(step.data));
    case FieldType::Signal: return SignalText(step.data);
    case FieldType::Time: {
        const QString quantity = QuantityText(field.unit.Get(step.data), field.mantissa.Get(step.data));
        return field.bits.Get(step.data) ? QStringLiteral("fixed ") + quantity
                                         : QStringLiteral("potentiometer (") + quantity + QLatin1Char(')');
    }
    }
    return QString();
}

// The setting that gives a time exactly: in range `onlyUnit`, or (-1) in the smallest range
// that holds it exactly, the finest steps. Otherwise false with the error: beyond the longest
// time, or the nearest times.
bool ExactSetting(const Quantity& quantity, int onlyUnit, const QString& value, int* unit, int* mantissa,
                  Error* error)
{
    TimeEntry::TimeLimits limits;
    limits.onlyUnit = onlyUnit;
    const TimeEntry::TimeChoice choice = TimeEntry::ChooseSetting(quantity.time, limits);
    if (choice.IsExact()) {
        *unit = choice.exact.unit;
        *mantissa = choice.exact.mantissa;
        return true;
    }
    if (!choice.above.IsValid()) {
        ValueError(error, ErrorKind::OutOfRange, value,
                   onlyUnit >= 0 ? QStringLiteral("0..%1 in range %2").arg(QuantityText(onlyUnit, 255), WordOf(RANGE, onlyUnit))
                                 : QStringLiteral("0..199.21875 h"));
    } else {
        ValueError(error, ErrorKind::TimeNotExact, value, NearestTimes(choice, onlyUnit < 0));
        if (onlyUnit >= 0)
            error->range = WordOf(RANGE, onlyUnit);
    }
    return false;
}

bool ReadTime(StepRef& step, const FieldDef& field, const QString& value, Error* error)
{
    const QString normalized = Normalized(value);
    int fixed = 0;
    QString quantityText;
    if (normalized == u"potentiometer") {
        field.bits.Set(step.data, 0);  // the stored time stays for the time the source is fixed again
        return true;
    }
    if (normalized.startsWith(QLatin1String("fixed "))) {
        fixed = 1;
        quantityText = normalized.mid(6);
    } else if (normalized.startsWith(QLatin1String("potentiometer (")) && normalized.endsWith(QLatin1Char(')'))) {
        quantityText = normalized.mid(15, normalized.size() - 16).trimmed();
    } else {
        ValueError(error, ErrorKind::UnknownValue, value,
                   QStringLiteral("fixed TIME, potentiometer or potentiometer (TIME), with TIME such as 1.5 s"));
        return false;
    }
    Quantity quantity;
    if (!ParseQuantity(quantityText, value, &quantity, error))
        return false;
    int unit = field.unit.Get(step.data);
    int mantissa = quantity.mantissa;
    if (!quantity.isMantissa) {
        if (step.rangeGiven && unit >= TIME_UNIT_COUNT) {
            ValueError(error, ErrorKind::UnknownValue, value,
                       QStringLiteral("mantissa 0..255 (range code 7 has no time unit)"));
            return false;
        }
        if (!ExactSetting(quantity, step.rangeGiven ? unit : -1, value, &unit, &mantissa, error))
            return false;
    }
    field.bits.Set(step.data, fixed);
    field.unit.Set(step.data, unit);
    field.mantissa.Set(step.data, mantissa);
    return true;
}

bool ReadField(StepRef& step, const FieldDef& field, const QString& value, Error* error)
{
    int code = 0;
    switch (field.type) {
    case FieldType::Words:
        if (!ParseWord(*field.words, field.codeCount, value, &code, error))
            return false;
        field.bits.Set(step.data, code);
        return true;
    case FieldType::StartDelay:
        if (step.channel != 0) {
            ValueError(error, ErrorKind::StartDelayChannel, value, QString());
            return false;
        }
        if (!ParseWord(START_DELAY, 4, value, &code, error))
            return false;
        field.bits.Set(step.data, code);
        return true;
    case FieldType::Jump:
        if (!ParseJump(value, step.pastStopJumps != nullptr, &code, error))
            return false;
        field.bits.Set(step.data, code);
        return true;
    case FieldType::Range:
        if (!ParseWord(RANGE, RANGE_CODES, value, &code, error))
            return false;
        field.bits.Set(step.data, code);
        return true;
    case FieldType::Signal: return ParseSignal(value, step.data, error);
    case FieldType::Time: return ReadTime(step, field, value, error);
    }
    return false;
}

inline constexpr char RESERVED_KEY[] = "reserved bits";

bool ReadReserved(StepRef& step, const QString& value, Error* error)
{
    const std::vector<std::uint8_t> mask = ReservedMask(step);
    const QStringList tokens = Normalized(value).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<std::uint8_t> bytes;
    for (const QString& token : tokens) {
        bool ok = false;
        const uint byte = token.toUInt(&ok, 16);
        if (!ok || token.size() != 2 || byte > 0xFF)
            break;
        bytes.push_back(std::uint8_t(byte));
    }
    if (bytes.size() != mask.size() || qsizetype(bytes.size()) != tokens.size()) {
        ValueError(error, ErrorKind::UnknownValue, value,
                   QStringLiteral("%1 bytes in hexadecimal such as \"%2\"").arg(mask.size()).arg(HexBytes(mask)));
        return false;
    }
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (bytes[i] & ~mask[i]) {
            ValueError(error, ErrorKind::ReservedBits, value, HexBytes(mask));
            return false;
        }
    }
    for (std::size_t i = 0; i < mask.size(); ++i)
        step.data[i] = std::uint8_t((step.data[i] & ~mask[i]) | bytes[i]);
    return true;
}

std::vector<std::uint8_t> ReservedValue(const StepRef& step)
{
    std::vector<std::uint8_t> bytes = ReservedMask(step);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] &= step.data[i];
    return bytes;
}

// Names of the fields a step has, for "unknown field" messages.
QString FieldList(const StepRef& step)
{
    QStringList list;
    for (const FieldDef& field : FieldsOf(step))
        if (HasField(step, field))
            list << QString::fromLatin1(field.key);
    const std::vector<std::uint8_t> mask = ReservedMask(step);
    if (std::any_of(mask.begin(), mask.end(), [](std::uint8_t b) { return b != 0; }))
        list << QString::fromLatin1(RESERVED_KEY);
    return list.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------- steps of a document

bool BindStep(CQuorvexDoc& doc, int channel, int index, StepRef* step)
{
    int kind = FIELD_STOP;
    std::uint8_t* data = doc.GetFieldData(channel, index, &kind);
    if (!data || index < 0 || index > STOP_FIELD)
        return false;
    step->model = doc.GetModelCode() & MODEL_NUMBER_MASK;
    step->channel = channel;
    step->index = index;
    step->kind = FieldKind(kind);
    step->data = data;
    switch (step->kind) {
    case FIELD_START:
        // Model QVS_K115_318 shares one Start field: byte c belongs to channel c.
        if (step->model == MODEL_QVS_K115_318)
            step->data = data + channel;
        step->size = 1;
        break;
    case FIELD_STATE_CHANGE: step->size = doc.GetStateChangeSize(); break;
    case FIELD_CONDITION: step->size = doc.GetConditionSize(); break;
    case FIELD_TIME: step->size = doc.GetTimeSize(); break;
    default: step->size = 0; break;
    }
    return true;
}

// Whether a field is a jump whose target lies past the Stop step (37..62).
bool IsJumpPastStop(const StepRef& step, const FieldDef& field)
{
    if (field.type != FieldType::Jump)
        return false;
    const int target = field.bits.Get(step.data);
    return target > STOP_FIELD && target != NO_JUMP;
}

// The warning about such a jump, as export and import give it.
Error PastStopWarning(const StepRef& step, const FieldDef& field)
{
    Error warning;
    warning.kind = ErrorKind::JumpPastStop;
    warning.channel = step.channel + 1;
    warning.step = step.index;
    warning.field = QString::fromLatin1(field.key);
    warning.value = FieldText(step, field);
    return warning;
}

// Applies field values to a step: every field but the time first, so that a range given
// beside a time is known when the time is read. `at` gives each value's place for errors.
struct FieldValue {
    QString key;     // normalized
    QString written; // as written
    QString value;
    Position at;
};

Error ApplyFields(StepRef& step, const std::vector<FieldValue>& values, bool fromText)
{
    Error error;
    auto fail = [&](const FieldValue& value) {
        if (fromText) {
            error.line = value.at.line;
            error.column = value.at.column;
        }
        error.channel = step.channel + 1;
        error.step = step.index;
        error.field = value.written;
        return error;
    };
    if (step.kind == FIELD_STOP && !values.empty()) {
        error.kind = ErrorKind::NoFields;
        return fail(values.front());
    }
    step.rangeGiven = std::any_of(values.begin(), values.end(), [](const FieldValue& v) { return v.key == u"range"; });
    for (int pass = 0; pass < 2; ++pass) {
        for (const FieldValue& value : values) {
            const bool isTime = value.key == u"time";
            if ((pass == 1) != isTime)
                continue;
            if (value.key == QLatin1String(RESERVED_KEY)) {
                if (!ReadReserved(step, value.value, &error))
                    return fail(value);
                continue;
            }
            const FieldDef* def = nullptr;
            for (const FieldDef& field : FieldsOf(step))
                if (value.key == QLatin1String(field.key))
                    def = &field;
            if (!def) {
                error.kind = step.kind == FIELD_STOP ? ErrorKind::NoFields : ErrorKind::UnknownField;
                error.expected = FieldList(step);
                return fail(value);
            }
            if (!ReadField(step, *def, value.value, &error))
                return fail(value);
            if (step.pastStopJumps && IsJumpPastStop(step, *def)) {
                Error warning = PastStopWarning(step, *def);
                if (fromText) {
                    warning.line = value.at.line;
                    warning.column = value.at.column;
                }
                step.pastStopJumps->push_back(warning);
            }
        }
    }
    return Error();
}

// ================================================================ writing


} // namespace

ExportResult Export(ModelCode model, const std::uint8_t* image, int size)
{
    ExportResult result;
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    if (!doc || !image || size != doc->GetDataSize())
        return result;
    std::copy(image, image + size, doc->GetData());
    const int channels = doc->GetChannelCount();

    QByteArray& out = result.text;
    out.reserve(channels * 8192);
    out += "{\n  \"format\": \"";
    out += FORMAT_NAME;
    out += "\",\n  \"version\": " + QByteArray::number(FORMAT_VERSION) + ",\n  \"model\": ";
    AppendJsonString(&out, ModelDesignation(doc->GetModelCode()));
    out += ",\n  \"steps\": [\n";
    for (int channel = 0; channel < channels; ++channel) {
        for (int index = 0; index <= STOP_FIELD; ++index) {
            StepRef step;
            if (!BindStep(*doc, channel, index, &step))
                continue;
            out += "    {";
            if (channels > 1)
                out += "\"channel\": " + QByteArray::number(channel + 1) + ", ";
            out += "\"step\": " + QByteArray::number(index) + ", \"kind\": ";
            AppendJsonString(&out, WordOf(KIND, step.kind));
            for (const FieldDef& field : FieldsOf(step)) {
                if (!HasField(step, field))
                    continue;
                out += ", ";
                AppendJsonString(&out, QString::fromLatin1(field.key));
                out += ": ";
                AppendJsonString(&out, FieldText(step, field));
                if (IsJumpPastStop(step, field))
                    result.warnings.push_back(PastStopWarning(step, field));
            }
            const std::vector<std::uint8_t> reserved = ReservedValue(step);
            if (std::any_of(reserved.begin(), reserved.end(), [](std::uint8_t b) { return b != 0; })) {
                out += ", ";
                AppendJsonString(&out, QString::fromLatin1(RESERVED_KEY));
                out += ": ";
                AppendJsonString(&out, HexBytes(reserved));
            }
            out += '}';
            const bool last = channel == channels - 1 && index == STOP_FIELD;
            out += last ? "\n" : ",\n";
        }
    }
    out += "  ]\n}\n";
    return result;
}

// ================================================================ reading

namespace {

class CImporter {
public:
    ImportResult Run(QByteArrayView text)
    {
        ImportResult result;
        Node root;
        if (!ReadJson(text, &root, &result.error))
            return result;
        if (!ReadProgram(root, &result.error)) {
            if (m_doc)
                result.model = m_doc->GetModelCode();
            return result;
        }
        result.model = m_doc->GetModelCode();
        result.image.assign(m_doc->GetData(), m_doc->GetData() + m_doc->GetDataSize());
        result.warnings = std::move(m_warnings);
        return result;
    }

private:
    bool ReadProgram(const Node& root, Error* error)
    {
        if (root.type != Node::Type::Object) {
            *error = TypeError(root, ErrorKind::ExpectedObject, QString());
            return false;
        }
        NamedMembers members;
        if (!IndexMembers(root, &members, error))
            return false;
        for (const NamedMember& named : members) {
            const QString& key = named.key;
            if (key != u"format" && key != u"version" && key != u"model" && key != u"steps") {
                *error = ErrorAt(ErrorKind::UnknownField, named.member->at);
                error->field = named.member->key;
                error->expected = QStringLiteral("format, version, model, steps");
                return false;
            }
        }
        if (const Member* format = FindMember(members, "format")) {
            QString text;
            if (!TextValue(*format, &text, error))
                return false;
            if (text != QLatin1String(FORMAT_NAME)) {
                *error = TypeError(format->value, ErrorKind::UnsupportedFormat, format->key);
                error->value = text;
                return false;
            }
        }
        if (const Member* version = FindMember(members, "version")) {
            int number = 0;
            if (!WholeNumberValue(*version, FORMAT_VERSION, FORMAT_VERSION, &number, error)) {
                if (error->kind == ErrorKind::OutOfRange)
                    error->kind = ErrorKind::UnsupportedFormat;
                return false;
            }
        }
        const Member* model = FindMember(members, "model");
        if (!model) {
            *error = TypeError(root, ErrorKind::MissingField, QStringLiteral("model"));
            return false;
        }
        QString modelText;
        if (!TextValue(*model, &modelText, error))
            return false;
        const ModelCode code = ModelFromDesignation(modelText);
        if (code == 0) {
            *error = TypeError(model->value, ErrorKind::UnknownValue, model->key);
            error->value = modelText;
            error->expected = ModelDesignationList();
            return false;
        }
        m_doc = CreateDocument(code);
        m_doc->ResetProgram(0);

        const Member* steps = FindMember(members, "steps");
        if (!steps)
            return true;
        if (steps->value.type != Node::Type::Array) {
            *error = TypeError(steps->value, ErrorKind::ExpectedList, steps->key);
            return false;
        }
        for (const Node& item : steps->value.items)
            if (!ReadStep(item, error))
                return false;
        return true;
    }

    bool ReadStep(const Node& object, Error* error)
    {
        if (object.type != Node::Type::Object) {
            *error = TypeError(object, ErrorKind::ExpectedObject, QString());
            return false;
        }
        NamedMembers members;
        if (!IndexMembers(object, &members, error))
            return false;
        const int channels = m_doc->GetChannelCount();
        int channel = 1;
        if (const Member* member = FindMember(members, "channel")) {
            if (!WholeNumberValue(*member, 1, channels, &channel, error))
                return false;
        } else if (channels > 1) {
            *error = TypeError(object, ErrorKind::MissingField, QStringLiteral("channel"));
            return false;
        }
        const Member* stepMember = FindMember(members, "step");
        if (!stepMember) {
            *error = TypeError(object, ErrorKind::MissingField, QStringLiteral("step"));
            error->channel = channels > 1 ? channel : 0;
            return false;
        }
        int index = 0;
        if (!WholeNumberValue(*stepMember, 0, STOP_FIELD, &index, error)) {
            error->channel = channels > 1 ? channel : 0;
            return false;
        }
        StepRef step;
        BindStep(*m_doc, channel - 1, index, &step);
        auto located = [&](Error e) {
            e.channel = channel;
            e.step = index;
            return e;
        };

        int& first = m_firstLine[std::size_t(channel - 1)][std::size_t(index)];
        if (first != 0) {
            *error = located(ErrorAt(ErrorKind::DuplicateStep, stepMember->value.at));
            error->firstLine = first;
            return false;
        }
        first = stepMember->value.at.line;

        if (const Member* kind = FindMember(members, "kind")) {
            QString text;
            if (!TextValue(*kind, &text, error)) {
                *error = located(*error);
                return false;
            }
            if (Normalized(text) != WordOf(KIND, step.kind)) {
                *error = located(TypeError(kind->value, ErrorKind::WrongKind, kind->key));
                error->value = text;
                error->expected = WordOf(KIND, step.kind);
                return false;
            }
        }

        std::vector<FieldValue> values;
        for (const NamedMember& named : members) {
            const QString& key = named.key;
            const Member* member = named.member;
            if (key == u"channel" || key == u"step" || key == u"kind")
                continue;
            FieldValue value{key, member->key, QString(), member->value.at};
            if (!TextValue(*member, &value.value, error)) {
                *error = located(*error);
                return false;
            }
            // An unknown field is reported where its name stands.
            const bool known = key == QLatin1String(RESERVED_KEY)
                               || std::any_of(FieldsOf(step).begin(), FieldsOf(step).end(),
                                              [&key](const FieldDef& f) { return key == QLatin1String(f.key); });
            if (!known)
                value.at = member->at;
            values.push_back(value);
        }
        step.pastStopJumps = &m_warnings;
        const Error applied = ApplyFields(step, values, true);
        if (applied.IsError()) {
            *error = applied;
            return false;
        }
        return true;
    }

    std::unique_ptr<CQuorvexDoc> m_doc;
    std::vector<Error> m_warnings;
    // Line of each step already read, per channel (0 = not yet).
    std::array<std::array<int, FIELD_COUNT>, 2> m_firstLine{};
};

} // namespace

ImportResult Import(QByteArrayView text)
{
    return CImporter().Run(text);
}

Error SetFields(ModelCode model, std::vector<std::uint8_t>* image, int channel, int step,
                const std::vector<Assignment>& assignments)
{
    Error error;
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    if (!doc || !image || int(image->size()) != doc->GetDataSize()) {
        error.kind = ErrorKind::UnknownValue;
        error.field = QStringLiteral("model");
        error.expected = ModelDesignationList();
        return error;
    }
    const int channels = doc->GetChannelCount();
    if (channels == 1)
        channel = 1;
    if (channel < 1 || channel > channels) {
        error.kind = ErrorKind::OutOfRange;
        error.field = QStringLiteral("channel");
        error.value = QString::number(channel);
        error.expected = QStringLiteral("1..%1").arg(channels);
        return error;
    }
    if (step < 0 || step > STOP_FIELD) {
        error.kind = ErrorKind::OutOfRange;
        error.field = QStringLiteral("step");
        error.value = QString::number(step);
        error.expected = QStringLiteral("0..%1").arg(STOP_FIELD);
        return error;
    }
    std::copy(image->begin(), image->end(), doc->GetData());
    StepRef ref;
    BindStep(*doc, channel - 1, step, &ref);
    std::vector<FieldValue> values;
    for (const Assignment& assignment : assignments) {
        const QString key = Normalized(assignment.first);
        for (const FieldValue& earlier : values) {
            if (earlier.key == key) {
                error.kind = ErrorKind::DuplicateField;
                error.channel = channel;
                error.step = step;
                error.field = assignment.first;
                return error;
            }
        }
        values.push_back({key, assignment.first, assignment.second, Position{0, 0}});
    }
    error = ApplyFields(ref, values, false);
    if (error.IsError())
        return error;
    std::copy(doc->GetData(), doc->GetData() + doc->GetDataSize(), image->begin());
    return Error();
}

QString ErrorText(const Error& error, const Language::CLanguageManager& texts, int channelCount)
{
    using namespace Language;
    QStringList where;
    if (error.step >= 0)
        where << (channelCount > 1 && error.channel > 0 ? texts.Format(TEXT_PT_WHERE_CHANNEL_STEP, {error.channel, error.step})
                                                        : texts.Format(TEXT_PT_WHERE_STEP, {error.step}));
    if (!error.field.isEmpty())
        where << texts.Format(TEXT_PT_WHERE_FIELD, {error.field});

    QString what;
    switch (error.kind) {
    case ErrorKind::None: break;
    case ErrorKind::InvalidUtf8: what = texts.Text(TEXT_PT_INVALID_UTF8); break;
    case ErrorKind::TooLarge: what = texts.Text(TEXT_PT_TOO_LARGE); break;
    case ErrorKind::Syntax: what = texts.Format(TEXT_PT_SYNTAX, {error.expected, error.found}); break;
    case ErrorKind::ExpectedObject: what = texts.Text(TEXT_PT_EXPECTED_OBJECT); break;
    case ErrorKind::ExpectedList: what = texts.Text(TEXT_PT_EXPECTED_LIST); break;
    case ErrorKind::ExpectedString: what = texts.Text(TEXT_PT_EXPECTED_STRING); break;
    case ErrorKind::ExpectedWholeNumber: what = texts.Text(TEXT_PT_EXPECTED_WHOLE_NUMBER); break;
    case ErrorKind::MissingField: what = texts.Text(TEXT_PT_MISSING_FIELD); break;
    case ErrorKind::UnknownField: what = texts.Format(TEXT_PT_UNKNOWN_FIELD, {error.expected}); break;
    case ErrorKind::NoFields: what = texts.Text(TEXT_PT_NO_FIELDS); break;
    case ErrorKind::DuplicateField:
        what = error.firstLine > 0 ? texts.Format(TEXT_PT_DUPLICATE_FIELD, {error.firstLine})
                                   : texts.Text(TEXT_PT_DUPLICATE_ARGUMENT);
        break;
    case ErrorKind::UnknownValue: what = texts.Format(TEXT_PT_UNKNOWN_VALUE, {error.value, error.expected}); break;
    case ErrorKind::OutOfRange: what = texts.Format(TEXT_PT_OUT_OF_RANGE, {error.value, error.expected}); break;
    case ErrorKind::JumpPastStop: what = texts.Format(TEXT_PT_JUMP_PAST_STOP, {error.value}); break;
    case ErrorKind::TimeNotExact:
        what = error.range.isEmpty() ? texts.Format(TEXT_PT_TIME_NOT_EXACT_ANY, {error.value, error.expected})
                                     : texts.Format(TEXT_PT_TIME_NOT_EXACT, {error.value, error.range, error.expected});
        break;
    case ErrorKind::WrongKind: what = texts.Format(TEXT_PT_WRONG_KIND, {error.expected, error.value}); break;
    case ErrorKind::DuplicateStep: what = texts.Format(TEXT_PT_DUPLICATE_STEP, {error.firstLine}); break;
    case ErrorKind::StartDelayChannel: what = texts.Text(TEXT_PT_START_DELAY_CHANNEL); break;
    case ErrorKind::ReservedBits: what = texts.Format(TEXT_PT_RESERVED_BITS, {error.value, error.expected}); break;
    case ErrorKind::UnsupportedFormat:
        what = texts.Format(TEXT_PT_UNSUPPORTED_FORMAT, {QString::fromLatin1(FORMAT_NAME), FORMAT_VERSION});
        break;
    }
    return where.isEmpty() ? what : where.join(QStringLiteral(", ")) + QStringLiteral(": ") + what;
}

std::vector<std::uint8_t> ReservedBits(ModelCode model, int channel, int step)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    StepRef ref;
    if (!doc || channel < 0 || channel >= doc->GetChannelCount() || !BindStep(*doc, channel, step, &ref))
        return {};
    return ReservedMask(ref);
}

Error ParseTimeSetting(const QString& text, int* unit, int* mantissa)
{
    Error error;
    Quantity quantity;
    if (!ParseQuantity(Normalized(text), text, &quantity, &error))
        return error;
    if (quantity.isMantissa) {
        // A mantissa alone names no time: it needs a range.
        ValueError(&error, ErrorKind::UnknownValue, text, QStringLiteral("a time such as 1.5 s, 2 min or 0.5 h"));
        return error;
    }
    int u = 0, m = 0;
    if (!ExactSetting(quantity, -1, text, &u, &m, &error))
        return error;
    *unit = u;
    *mantissa = m;
    return Error();
}

} // namespace ProgramText
