#pragma once
// The narrow interface through which the device layer reaches a serial port. Production uses
// CSerialTransport; tests script the wire through their own implementation.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// Why a port could not be opened, as far as the system tells.
enum class PortOpenFailure {
    None,          // the port is open (or no open was tried)
    NoSelection,   // no relay is selected
    NotFound,      // there is no such port
    AccessDenied,  // the port exists but this user may not use it (e.g. not in group dialout)
    Busy,          // another program holds the port
    Other,         // anything else: not a serial port, a driver failure
};

class IDeviceTransport {
public:
    enum class ReadStatus { Ok, TimedOut, Failed };

    virtual ~IDeviceTransport() = default;
    // Opens the port for this process alone; false when it is missing, busy or not a port.
    virtual bool Open(const QString& portName) = 0;
    // After a failed Open: why it failed.
    virtual PortOpenFailure OpenFailure() const { return PortOpenFailure::Other; }
    // Applies the relay's line settings; failures are ignored.
    virtual void Configure() = 0;
    // Waits at most timeoutMs for one byte.
    virtual ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) = 0;
    // Writes and waits at most timeoutMs for the bytes to leave; returns how many bytes were
    // written, or -1 when the system reports a write failure.
    virtual std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) = 0;
    virtual void Close() = 0;
};

// Makes a fresh, unopened transport. The transport is created, used and destroyed on the
// thread that runs the operation.
using TransportFactory = std::function<std::unique_ptr<IDeviceTransport>()>;

// The production transport: a QSerialPort used synchronously.
std::unique_ptr<IDeviceTransport> CreateSerialTransport();
