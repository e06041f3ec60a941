#include "RelayFrames.h"

#include "ResultCodes.h"

#include <algorithm>
#include <new>

using namespace DeviceProtocol;

namespace RelayFrames {

namespace {

int ReadStatusResult(IDeviceTransport::ReadStatus status)
{
    switch (status) {
    case IDeviceTransport::ReadStatus::Ok: return RESULT_OK;
    case IDeviceTransport::ReadStatus::TimedOut: return RESULT_TIMEOUT;
    case IDeviceTransport::ReadStatus::Failed: break;
    }
    return RESULT_READ_FAILED;
}

// One request with a one-byte reply; *reply receives the byte.
int ByteTransaction(IDeviceTransport& port, bool configure, std::uint8_t command, const std::uint8_t* data,
                    int size, std::uint8_t* reply, const ProgressCallback* progress = nullptr)
{
    if (configure)
        port.Configure();
    int result = WriteFrame(port, data, size, command, progress);
    if (result != RESULT_OK)
        return result;
    std::uint8_t replyCommand = 0;
    return ReadFrame(port, reply, 1, &replyCommand);
}

} // namespace

// ---------------------------------------------------------------- frames

int BuildFrame(const std::uint8_t* data, int size, std::uint8_t command, std::vector<std::uint8_t>* wire)
{
    try {
        return EncodeFrame(data, size, command, wire) ? RESULT_OK : RESULT_OUT_OF_MEMORY;
    } catch (const std::bad_alloc&) {
        return RESULT_OUT_OF_MEMORY;
    }
}

int WriteFrame(IDeviceTransport& port, const std::uint8_t* data, int size, std::uint8_t command,
               const ProgressCallback* progress)
{
    std::vector<std::uint8_t> wire;
    const int built = BuildFrame(data, size, command, &wire);
    if (built != RESULT_OK)
        return built;
    const std::int64_t length = std::int64_t(wire.size());
    std::int64_t total = 0;
    if (progress)
        (*progress)(TransferDirection::Sending, 0, int(length));
    for (std::int64_t at = 0; at < length;) {
        const std::int64_t piece = std::min<std::int64_t>(WRITE_PIECE, length - at);
        const std::int64_t written = port.Write(wire.data() + at, piece, WRITE_TIMEOUT_MS);
        if (written < 0)
            return RESULT_WRITE_FAILED;
        total += std::min(written, piece);
        at += piece;
        if (progress)
            (*progress)(TransferDirection::Sending, int(total), int(length));
    }
    return total < length ? RESULT_TIMEOUT : RESULT_OK;
}

int ReadUnescapedByte(IDeviceTransport& port, std::uint8_t* byte)
{
    std::uint8_t raw = 0;
    int result = ReadStatusResult(port.ReadByte(&raw, READ_TIMEOUT_MS));
    if (result != RESULT_OK)
        return result;
    if (raw != FRAME_ESCAPE) {
        *byte = raw;
        return RESULT_OK;
    }
    result = ReadStatusResult(port.ReadByte(&raw, READ_TIMEOUT_MS));
    if (result != RESULT_OK)
        return result;
    if (raw == ESCAPED_ESCAPE)
        *byte = FRAME_ESCAPE;
    else if (raw == ESCAPED_START)
        *byte = FRAME_START;
    else
        return RESULT_BAD_ESCAPE;
    return RESULT_OK;
}

int ReadFrame(IDeviceTransport& port, std::uint8_t* data, int size, std::uint8_t* command,
              const ProgressCallback* progress)
{
    std::uint8_t start = 0;
    int result = ReadStatusResult(port.ReadByte(&start, READ_TIMEOUT_MS));
    if (result != RESULT_OK)
        return result;
    if (start != FRAME_START)
        return RESULT_BAD_START;

    std::uint8_t head[2] = {};
    if ((result = ReadUnescapedByte(port, &head[0])) != RESULT_OK)
        return result;
    if (head[0] < FRAME_OVERHEAD || head[0] - FRAME_OVERHEAD != size)
        return RESULT_BAD_LENGTH;
    if ((result = ReadUnescapedByte(port, &head[1])) != RESULT_OK)
        return result;
    *command = head[1];
    if (progress)
        (*progress)(TransferDirection::Receiving, 0, size);
    for (int i = 0; i < size; ++i) {
        if ((result = ReadUnescapedByte(port, &data[i])) != RESULT_OK)
            return result;
        if (progress)
            (*progress)(TransferDirection::Receiving, i + 1, size);
    }
    std::uint8_t hi = 0;
    std::uint8_t lo = 0;
    if ((result = ReadUnescapedByte(port, &hi)) != RESULT_OK)
        return result;
    if ((result = ReadUnescapedByte(port, &lo)) != RESULT_OK)
        return result;
    const std::uint16_t sum = FrameChecksum(FrameChecksum(0, head, 2), data, std::size_t(size));
    return sum == ((hi << 8) | lo) ? RESULT_OK : RESULT_FRAME_CHECKSUM;
}

// ---------------------------------------------------------------- transactions

int Identify(IDeviceTransport& port, std::uint8_t* identification)
{
    return ByteTransaction(port, true, CMD_IDENTIFY, nullptr, 0, identification);
}

int WriteProgram(IDeviceTransport& port, const std::uint8_t* image, int size, std::uint8_t* reply,
                 const ProgressCallback* progress)
{
    return ByteTransaction(port, true, CMD_WRITE_PROGRAM, image, size, reply, progress);
}

int ReadProgram(IDeviceTransport& port, std::uint8_t* buffer, int size, const ProgressCallback* progress)
{
    std::fill(buffer, buffer + size, std::uint8_t(0));
    port.Configure();
    const int result = WriteFrame(port, nullptr, 0, CMD_READ_PROGRAM);
    if (result != RESULT_OK)
        return result;
    std::uint8_t replyCommand = 0;
    return ReadFrame(port, buffer, size, &replyCommand, progress);
}

int ReadChannelState(IDeviceTransport& port, int records, ChannelState* states)
{
    if (records < 1 || records > 2)
        return RESULT_BAD_LENGTH;
    port.Configure();
    int result = WriteFrame(port, nullptr, 0, CMD_READ_STATE);
    if (result != RESULT_OK)
        return result;
    std::uint8_t reply[2 * CHANNEL_RECORD_SIZE] = {};
    std::uint8_t replyCommand = 0;
    result = ReadFrame(port, reply, records * CHANNEL_RECORD_SIZE, &replyCommand);
    if (result != RESULT_OK)
        return result;
    for (int i = 0; i < records; ++i)
        states[i] = DecodeChannelState(reply + i * CHANNEL_RECORD_SIZE);
    return RESULT_OK;
}

int SendPassword(IDeviceTransport& port, const std::uint8_t* bytes, int size, bool* accepted)
{
    *accepted = false;
    if (size <= 0) {
        *accepted = true;
        return RESULT_OK;
    }
    std::uint8_t reply = 0;
    const int result = ByteTransaction(port, false, CMD_SEND_PASSWORD, bytes, size, &reply);
    *accepted = result == RESULT_OK && reply == REPLY_ACCEPTED;
    return result;
}

int ChangePassword(IDeviceTransport& port, const PasswordBytes& current, const PasswordBytes& next, bool* accepted)
{
    std::uint8_t data[2 * PASSWORD_SIZE];
    std::copy(current.begin(), current.end(), data);
    std::copy(next.begin(), next.end(), data + PASSWORD_SIZE);
    std::uint8_t reply = 0;
    const int result = ByteTransaction(port, true, CMD_CHANGE_PASSWORD, data, int(sizeof data), &reply);
    *accepted = result == RESULT_OK && reply == REPLY_ACCEPTED;
    return result;
}

int PasswordReset(IDeviceTransport& port, bool* accepted)
{
    std::uint8_t reply = 0;
    const int result = ByteTransaction(port, true, CMD_RESET_PASSWORD, nullptr, 0, &reply);
    *accepted = result == RESULT_OK && reply == REPLY_ACCEPTED;
    return result;
}

} // namespace RelayFrames
