#pragma once
// The frame layer on an open port and the relay's transactions (one request, one reply), as
// plain functions. They hold no state: the relay session (RelaySession.h) runs the device
// operations from them, the fuzz targets and the frame tests call them on a scripted wire.

#include "DeviceProtocol.h"
#include "DeviceTransport.h"

#include <cstdint>
#include <functional>
#include <vector>

// Which way the bytes of a program transfer go.
enum class TransferDirection { Sending, Receiving };

namespace RelayFrames {

// Progress of a program transfer, called on the operation's thread: sending, the wire bytes of
// the program frame handed to the port so far (including escapes); receiving, the program bytes
// received so far. Called with 0 before the first byte and once per piece written or byte
// received; the bytes on the wire are the same with or without it.
using ProgressCallback = std::function<void(TransferDirection direction, int done, int total)>;

// ---- frames
// Wire form of one frame; 21 when it cannot be formed.
int BuildFrame(const std::uint8_t* data, int size, std::uint8_t command, std::vector<std::uint8_t>* wire);
// Writes one frame in pieces of at most WRITE_PIECE bytes.
int WriteFrame(IDeviceTransport& port, const std::uint8_t* data, int size, std::uint8_t command,
               const ProgressCallback* progress = nullptr);
// Receives one reply carrying exactly `size` data bytes into `data`.
int ReadFrame(IDeviceTransport& port, std::uint8_t* data, int size, std::uint8_t* command,
              const ProgressCallback* progress = nullptr);
int ReadUnescapedByte(IDeviceTransport& port, std::uint8_t* byte);

// ---- transactions: the port is configured first, except before the password (command 9),
// which always follows another transaction on the same open port.
int Identify(IDeviceTransport& port, std::uint8_t* identification);
int WriteProgram(IDeviceTransport& port, const std::uint8_t* image, int size, std::uint8_t* reply,
                 const ProgressCallback* progress = nullptr);
// The buffer is zero-filled before the reply is read.
int ReadProgram(IDeviceTransport& port, std::uint8_t* buffer, int size, const ProgressCallback* progress = nullptr);
int ReadChannelState(IDeviceTransport& port, int records, DeviceProtocol::ChannelState* states);
// A size of 0 or less sends nothing and counts as accepted.
int SendPassword(IDeviceTransport& port, const std::uint8_t* bytes, int size, bool* accepted);
int ChangePassword(IDeviceTransport& port, const DeviceProtocol::PasswordBytes& current,
                   const DeviceProtocol::PasswordBytes& next, bool* accepted);
int PasswordReset(IDeviceTransport& port, bool* accepted);

} // namespace RelayFrames
