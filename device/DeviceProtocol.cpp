#include "DeviceProtocol.h"

#include "BitLayout.h"

#include <QStringView>

#include <algorithm>
#include <cmath>

namespace DeviceProtocol {

int ProgramImageSize(ModelCode model)
{
    switch (model & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return Layout_QVR_K115_ZQX::IMAGE_SIZE;
    case MODEL_QVS_K115_318: return Layout_QVS_K115_318::IMAGE_SIZE;
    default: return 0;
    }
}

int ChannelCount(ModelCode model)
{
    switch (model & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return 1;
    case MODEL_QVS_K115_318: return 2;
    default: return 0;
    }
}

std::uint16_t FrameChecksum(std::uint16_t start, const std::uint8_t* bytes, std::size_t count)
{
    std::uint32_t sum = start;
    for (std::size_t i = 0; i < count; ++i)
        sum = (sum + bytes[i]) % 0xFFFFu;
    return std::uint16_t(sum);
}

bool EncodeFrame(const std::uint8_t* data, int size, std::uint8_t command, std::vector<std::uint8_t>* wire)
{
    if (size < 0 || size > MAX_FRAME_DATA || (size > 0 && !data))
        return false;
    const std::uint8_t head[2] = {std::uint8_t(size + FRAME_OVERHEAD), command};
    std::uint16_t sum = FrameChecksum(0, head, 2);
    sum = FrameChecksum(sum, data, std::size_t(size));
    const std::uint8_t tail[2] = {std::uint8_t(sum >> 8), std::uint8_t(sum & 0xFF)};

    wire->clear();
    wire->reserve(std::size_t(2 * (size + FRAME_OVERHEAD) + 1));
    wire->push_back(FRAME_START);
    auto put = [wire](std::uint8_t byte) {
        if (byte == FRAME_ESCAPE) {
            wire->push_back(FRAME_ESCAPE);
            wire->push_back(ESCAPED_ESCAPE);
        } else if (byte == FRAME_START) {
            wire->push_back(FRAME_ESCAPE);
            wire->push_back(ESCAPED_START);
        } else {
            wire->push_back(byte);
        }
    };
    put(head[0]);
    put(head[1]);
    for (int i = 0; i < size; ++i)
        put(data[i]);
    put(tail[0]);
    put(tail[1]);
    return true;
}

ChannelState DecodeChannelState(const std::uint8_t* record)
{
    ChannelState state;
    state.inputState = (record[0] >> 7) & 1;
    state.outputState = (record[0] >> 6) & 1;
    state.fieldIndex = record[0] & 0x3F;
    state.unit = record[1] & 0x07;
    state.mantissa = record[2];
    state.r = record[3];
    state.p = std::uint32_t(record[4]) | (std::uint32_t(record[5]) << 8) | (std::uint32_t(record[6]) << 16);
    // Integer arithmetic first (it can go below zero), then one floating-point division.
    const std::int64_t scaled = std::int64_t(state.mantissa) * (std::int64_t(state.p) + 1) - state.r;
    state.elapsedSeconds = double(scaled) / TIME_MANTISSA_ONE;
    return state;
}

void EncodeChannelState(const ChannelState& state, std::uint8_t* record)
{
    record[0] = std::uint8_t(((state.inputState ? 1 : 0) << 7) | ((state.outputState ? 1 : 0) << 6)
                             | (state.fieldIndex & 0x3F));
    record[1] = std::uint8_t(state.unit & 0x07);
    record[2] = std::uint8_t(state.mantissa);
    record[3] = std::uint8_t(state.r);
    record[4] = std::uint8_t(state.p & 0xFF);
    record[5] = std::uint8_t((state.p >> 8) & 0xFF);
    record[6] = std::uint8_t((state.p >> 16) & 0xFF);
}

void SetElapsed(ChannelState* state, double seconds)
{
    const int m = state->mantissa & 0xFF;
    const std::int64_t ticks = seconds > 0 ? std::int64_t(std::llround(seconds * TIME_MANTISSA_ONE)) : 0;
    if (m == 0) {
        // The formula yields -R/128 without a mantissa; only zero can be expressed.
        state->p = 0;
        state->r = 0;
    } else {
        // ticks = m * (P + 1) - R with 1 <= R <= m, capped at the 24 bits of P.
        const std::int64_t maxP = 0xFFFFFF;
        const std::int64_t p = std::min<std::int64_t>(ticks / m, maxP);
        state->p = std::uint32_t(p);
        state->r = int(std::clamp<std::int64_t>(m * (p + 1) - ticks, 0, 255));
    }
    state->elapsedSeconds = double(std::int64_t(m) * (std::int64_t(state->p) + 1) - state->r) / TIME_MANTISSA_ONE;
}

int PasswordByteLength(const QString& password)
{
    return int(password.toUtf8().size());
}

PasswordBytes MakePasswordBytes(const QString& password)
{
    PasswordBytes bytes{};
    int used = 0;
    int characters = 0;
    for (qsizetype i = 0; i < password.size() && characters < PASSWORD_MAX_CHARACTERS;) {
        // One character: a surrogate pair counts as one.
        const qsizetype width = (password.at(i).isHighSurrogate() && i + 1 < password.size()
                                 && password.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QByteArray utf8 = QStringView(password).mid(i, width).toUtf8();
        if (used + utf8.size() > PASSWORD_SIZE)
            break;
        for (char c : utf8)
            bytes[std::size_t(used++)] = std::uint8_t(c);
        i += width;
        ++characters;
    }
    return bytes;
}

} // namespace DeviceProtocol
