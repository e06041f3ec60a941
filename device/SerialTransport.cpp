// Serial port transport on QSerialPort, used synchronously with blocking waits so that an
// operation can run on any QThread (the port lives and dies inside the operation).

#include "DeviceProtocol.h"
#include "DeviceTransport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

class CSerialTransport final : public IDeviceTransport {
public:
    bool Open(const QString& portName) override
    {
        // The lock file is named after the path text, so open by the real path, not through
        // a symbolic link.
        QString path = portName;
        const QFileInfo info(portName);
        if (info.isSymLink())
            path = info.canonicalFilePath();
        m_port.setPortName(path);
        m_failure = PortOpenFailure::None;
        if (!m_port.open(QIODevice::ReadWrite)) {
            m_failure = FailureOf(m_port.error(), path);
            return false;
        }
        // Drop what a relay sent after an earlier operation stopped reading.
        m_port.clear(QSerialPort::Input);
        m_port.clearError();
        return true;
    }

    PortOpenFailure OpenFailure() const override { return m_failure; }

    void Configure() override
    {
        m_port.setBaudRate(DeviceProtocol::BAUD_RATE);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::HardwareControl);
        // Fails harmlessly on a pseudo-terminal.
        m_port.setDataTerminalReady(true);
        m_port.clearError();
    }

    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
    {
        if (!m_port.isOpen())
            return ReadStatus::Failed;
        // waitForReadyRead reports only new data: use what is buffered first.
        if (m_port.bytesAvailable() == 0) {
            const QDeadlineTimer deadline(timeoutMs);
            while (m_port.bytesAvailable() == 0) {
                if (m_port.waitForReadyRead(int(deadline.remainingTime())))
                    continue;
                const QSerialPort::SerialPortError error = m_port.error();
                if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
                    return ReadStatus::Failed;
                m_port.clearError();
                if (deadline.hasExpired())
                    return ReadStatus::TimedOut;
            }
        }
        char c = 0;
        if (m_port.read(&c, 1) != 1)
            return ReadStatus::Failed;
        *byte = std::uint8_t(c);
        return ReadStatus::Ok;
    }

    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        if (!m_port.isOpen())
            return -1;
        const qint64 queued = m_port.write(reinterpret_cast<const char*>(data), size);
        if (queued < 0)
            return -1;
        const QDeadlineTimer deadline(timeoutMs);
        while (m_port.bytesToWrite() > 0) {
            if (m_port.waitForBytesWritten(int(deadline.remainingTime())))
                continue;
            const QSerialPort::SerialPortError error = m_port.error();
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
                return -1;
            m_port.clearError();
            if (deadline.hasExpired())
                break;
        }
        // Bytes left over from an earlier call that timed out are still queued ahead of
        // these; only this call's own bytes count, so the count never goes below zero.
        return queued - std::min(queued, m_port.bytesToWrite());
    }

    void Close() override
    {
        if (!m_port.isOpen())
            return;
        // Every transaction ends by reading the relay's reply, so output is still pending only
        // after a failed write. Dropping it keeps the close from waiting on a relay that holds
        // its line (serial drivers may wait many seconds to drain output on close).
        m_port.clear(QSerialPort::Output);
        m_port.close();
    }

private:
    // The port's error after a failed open. The system reports a port that another program
    // holds and one that this user may not open alike (both "permission"), so the two are
    // told apart by asking whether this user may read and write the device at all.
    static PortOpenFailure FailureOf(QSerialPort::SerialPortError error, const QString& path)
    {
        switch (error) {
        case QSerialPort::DeviceNotFoundError: return PortOpenFailure::NotFound;
        case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
            if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0)
                return errno == ENOENT ? PortOpenFailure::NotFound : PortOpenFailure::AccessDenied;
#else
            Q_UNUSED(path);
#endif
            return PortOpenFailure::Busy;
        case QSerialPort::OpenError: return PortOpenFailure::Busy;
        default: break;
        }
        if (!QFileInfo::exists(path))
            return PortOpenFailure::NotFound;
        return PortOpenFailure::Other;
    }

    QSerialPort m_port;
    PortOpenFailure m_failure = PortOpenFailure::None;
};

} // namespace

std::unique_ptr<IDeviceTransport> CreateSerialTransport()
{
    return std::make_unique<CSerialTransport>();
}
