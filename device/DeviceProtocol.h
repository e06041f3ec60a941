#pragma once
// The relay protocol as both sides see it: frame bytes, command codes, the identification
// byte, the channel state record and the password bytes. The device layer and the virtual
// relay both build on this one description.

#include "ModelTypes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace DeviceProtocol {

// Frame bytes on the wire.
constexpr std::uint8_t FRAME_START = 0xAA;
constexpr std::uint8_t FRAME_ESCAPE = 0x64;
constexpr std::uint8_t ESCAPED_ESCAPE = 0x01;  // 0x64 0x01 stands for 0x64
constexpr std::uint8_t ESCAPED_START = 0x02;   // 0x64 0x02 stands for 0xAA
constexpr int FRAME_OVERHEAD = 4;              // LEN, CMD, SUM_HI, SUM_LO
constexpr int MAX_FRAME_DATA = 255 - FRAME_OVERHEAD;

// Serial line settings and time-outs.
constexpr int BAUD_RATE = 1200;
constexpr int READ_TIMEOUT_MS = 2000;   // per byte
constexpr int WRITE_TIMEOUT_MS = 1000;  // per write call
constexpr int WRITE_PIECE = 64;         // a frame is written in pieces of at most this size

// Request command codes.
enum Command : std::uint8_t {
    CMD_IDENTIFY = 1,
    CMD_WRITE_PROGRAM = 3,
    CMD_READ_PROGRAM = 5,
    CMD_READ_STATE = 7,
    CMD_SEND_PASSWORD = 9,
    CMD_CHANGE_PASSWORD = 11,
    CMD_RESET_PASSWORD = 13,
};

// One-byte replies of the write, password and reset commands.
constexpr std::uint8_t REPLY_ACCEPTED = 1;
constexpr std::uint8_t REPLY_REFUSED = 2;

// Identification byte: device type in bits 7..4 (the model number), revision in bits 3..0.
constexpr int DeviceType(std::uint8_t id) { return id >> 4; }
constexpr int Revision(std::uint8_t id) { return id & 0x0F; }
constexpr std::uint8_t IdentificationByte(int type, int revision)
{
    return std::uint8_t(((type & 0x0F) << 4) | (revision & 0x0F));
}

// Size of the program image of a model (0 for an unknown model).
int ProgramImageSize(ModelCode model);
// Number of channel state records a model reports (0 for an unknown model).
int ChannelCount(ModelCode model);

// 16-bit sum of the unescaped LEN, CMD and data bytes, reduced modulo 0xFFFF after every
// addition, starting from `start`.
std::uint16_t FrameChecksum(std::uint16_t start, const std::uint8_t* bytes, std::size_t count);

// Wire form of a frame: start byte, then LEN, CMD, data and checksum, each escaped.
// False when the data do not fit into one frame (more than MAX_FRAME_DATA bytes).
bool EncodeFrame(const std::uint8_t* data, int size, std::uint8_t command, std::vector<std::uint8_t>* wire);

// Live state of one channel, as reported by command 7.
constexpr int CHANNEL_RECORD_SIZE = 7;
struct ChannelState {
    int inputState = 0;      // 1 = input active
    int outputState = 0;     // 1 = relay on
    int fieldIndex = 0;      // step being executed
    int unit = 0;            // time unit in effect (0..7)
    int mantissa = 0;        // time mantissa in effect
    int r = 0;               // sub-period counter
    std::uint32_t p = 0;     // completed periods, 24 bits
    double elapsedSeconds = 0;  // (mantissa * (P + 1) - R) / 128
};
ChannelState DecodeChannelState(const std::uint8_t* record);
void EncodeChannelState(const ChannelState& state, std::uint8_t* record);
// P and R that make the elapsed-time formula yield `seconds` (to 1/128 s) for a mantissa.
void SetElapsed(ChannelState* state, double seconds);

// Password bytes: the UTF-8 form of at most 8 characters, zero-padded to 8 bytes. A character
// whose UTF-8 form would not fit completely into the 8 bytes is left out with all that
// follow, so the bytes never end in a split character.
constexpr int PASSWORD_SIZE = 8;
constexpr int PASSWORD_MAX_CHARACTERS = 8;
using PasswordBytes = std::array<std::uint8_t, PASSWORD_SIZE>;
PasswordBytes MakePasswordBytes(const QString& password);
// Length of a password's UTF-8 form. Only a password of at most PASSWORD_SIZE bytes reaches
// the relay whole: the device operations refuse a longer one (an 8-character password with
// letters outside ASCII can take up to 32 bytes) instead of sending a shorter password than
// the user typed.
int PasswordByteLength(const QString& password);
inline bool PasswordFits(const QString& password) { return PasswordByteLength(password) <= PASSWORD_SIZE; }

} // namespace DeviceProtocol
