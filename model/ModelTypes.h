#pragma once
// Shared vocabulary of the relay program model: model codes, field kinds, jump values and
// the time encoding.

#include <cstdint>

using ModelCode = std::uint8_t;

constexpr ModelCode MODEL_QVR_K115_ZQX = 0x10;  // one channel, one relay, one input
constexpr ModelCode MODEL_QVS_K115_318 = 0x20;  // two channels, two relays, two inputs
constexpr ModelCode MODEL_NUMBER_MASK = 0xF0;   // the high nibble names the model

// Model number (1 or 2) of a model code, as the relay reports it in its identification byte.
constexpr int ModelNumber(ModelCode code) { return code >> 4; }

enum FieldKind : int {
    FIELD_START = 0,
    FIELD_STATE_CHANGE = 1,
    FIELD_CONDITION = 2,
    FIELD_TIME = 3,
    FIELD_STOP = 4,
};

constexpr int FIELD_COUNT = 37;   // fields per channel, Start (0) to Stop (36)
constexpr int GROUP_COUNT = 8;    // repeated groups of state change, condition, state change, time
constexpr int STOP_FIELD = FIELD_COUNT - 1;
constexpr int NO_JUMP = 63;       // a 6-bit jump field holding this continues with the next field

// Kind of the field at a given index of a channel (index <= 0 is the Start field; above 36
// there is no field, reported as Stop).
constexpr FieldKind FieldKindAt(int index)
{
    if (index <= 0)
        return FIELD_START;
    if (index >= STOP_FIELD)
        return FIELD_STOP;
    if (index >= 33) {
        static_assert(33 == 1 + 4 * GROUP_COUNT);
        return index == 34 ? FIELD_CONDITION : FIELD_STATE_CHANGE;
    }
    switch ((index - 1) % 4) {
    case 0: return FIELD_STATE_CHANGE;
    case 1: return FIELD_CONDITION;
    case 2: return FIELD_STATE_CHANGE;
    default: return FIELD_TIME;
    }
}

// Time encoding: a unit code 0..6 and an 8-bit mantissa; seconds = mantissa * factor / 128.
constexpr int TIME_UNIT_COUNT = 7;
constexpr int TIME_MANTISSA_ONE = 128;
// Seconds of one unit of each code: the one table of the time units. 0 for a code that names
// no unit (7 fits the field's three bits), so such a time lasts nothing.
constexpr std::int64_t TimeUnitSeconds(int unit)
{
    constexpr std::int64_t seconds[TIME_UNIT_COUNT] = {1, 10, 60, 600, 3600, 36000, 360000};
    return unit >= 0 && unit < TIME_UNIT_COUNT ? seconds[unit] : 0;
}
constexpr double TimeSeconds(int unit, int mantissa)
{
    return mantissa * double(TimeUnitSeconds(unit)) / TIME_MANTISSA_ONE;
}
