#pragma once
// Bit layouts of every field of both relay models: the one place that says which bits of a
// field's bytes hold which parameter. Bits are numbered 7 (most significant) to 0.

#include <cstdint>

struct BitField {
    int byte; // offset of the byte within the field
    int hi;   // highest bit of the group
    int lo;   // lowest bit of the group

    constexpr std::uint8_t Mask() const { return std::uint8_t(((1u << (hi - lo + 1)) - 1u) << lo); }
    constexpr int Get(const std::uint8_t* field) const { return (field[byte] & Mask()) >> lo; }
    // Changes only this group's bits; the value is cut to the group's width.
    constexpr void Set(std::uint8_t* field, int value) const
    {
        field[byte] = std::uint8_t((field[byte] & ~Mask()) | ((unsigned(value) << lo) & Mask()));
    }
};

namespace Layout_QVR_K115_ZQX {
constexpr int START_SIZE = 1, STATE_CHANGE_SIZE = 1, CONDITION_SIZE = 3, TIME_SIZE = 3;
constexpr int IMAGE_SIZE = 70;

constexpr BitField StartPowerOn{0, 7, 7};   // 0 off, 1 on
constexpr BitField StartDelay{0, 1, 0};
constexpr BitField StateOperation{0, 7, 6};
constexpr BitField StateJump{0, 5, 0};
constexpr BitField ConditionCode{0, 3, 0};  // 0..9, see the Condition accessor
constexpr BitField ConditionJump{1, 5, 0};
constexpr BitField ConditionAltJump{2, 5, 0};
constexpr BitField TimeStopType{0, 7, 5};
constexpr BitField TimeFixed{0, 4, 4};
constexpr BitField TimeUnitBits{0, 2, 0};
constexpr BitField TimeJump{1, 5, 0};
constexpr BitField TimeMantissa{2, 7, 0};

constexpr std::uint8_t START_DEFAULT[START_SIZE] = {0x02};
constexpr std::uint8_t STATE_CHANGE_DEFAULT[STATE_CHANGE_SIZE] = {0x3F};
constexpr std::uint8_t CONDITION_DEFAULT[CONDITION_SIZE] = {0x00, 0x3F, 0x3F};
constexpr std::uint8_t TIME_DEFAULT[TIME_SIZE] = {0x10, 0x3F, 0x80};
} // namespace Layout_QVR_K115_ZQX

namespace Layout_QVS_K115_318 {
constexpr int START_SIZE = 2, STATE_CHANGE_SIZE = 2, CONDITION_SIZE = 4, TIME_SIZE = 5;
constexpr int IMAGE_SIZE = 226;
constexpr int CHANNEL_SIZE = 112;  // bytes of one channel after the shared Start field

// Start: byte c belongs to channel c.
constexpr BitField StartRelay1{0, 7, 6};    // in byte 0 + channel: 0 not set, 1 off, 2 on
constexpr BitField StartRelay2{0, 5, 4};
constexpr BitField StartDelay{0, 1, 0};     // byte 0 only: one for the whole program
constexpr BitField StateOperation1{0, 7, 6};
constexpr BitField StateOperation2{0, 5, 4};
constexpr BitField StateJump{1, 5, 0};
// Term expression, shared by Condition and Time.
constexpr BitField Term0{0, 7, 5};
constexpr BitField Operator1{0, 4, 3};
constexpr BitField Term1{0, 2, 0};
constexpr BitField Operator2{1, 7, 6};
constexpr BitField Term2{1, 5, 3};
constexpr BitField ConditionType{1, 2, 0};
constexpr BitField ConditionJump{2, 5, 0};
constexpr BitField ConditionAltJump{3, 5, 0};
constexpr BitField TimeStopType{1, 2, 0};
constexpr BitField TimeFixed{2, 4, 4};
constexpr BitField TimeUnitBits{2, 2, 0};
constexpr BitField TimeJump{3, 5, 0};
constexpr BitField TimeMantissa{4, 7, 0};

constexpr std::uint8_t START_DEFAULT[START_SIZE] = {0x42, 0x10}; // byte c set through channel c
constexpr std::uint8_t STATE_CHANGE_DEFAULT[STATE_CHANGE_SIZE] = {0x00, 0x3F};
constexpr std::uint8_t CONDITION_DEFAULT[CONDITION_SIZE] = {0x00, 0x00, 0x3F, 0x3F};
constexpr std::uint8_t TIME_DEFAULT[TIME_SIZE] = {0x00, 0x00, 0x10, 0x3F, 0x80};
} // namespace Layout_QVS_K115_318
