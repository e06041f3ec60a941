// Serial port transport on QSerialPort, used synchronously with blocking waits so that an
// operation can run on any QThread (the port lives and dies inside the operation).

#include "DeviceProtocol.h"
#include "DeviceTransport.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>

#include <algorithm>

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
        if (!m_port.open(QIODevice::ReadWrite))
            return false;
        // Drop what a relay sent after an earlier operation stopped reading.
        m_port.clear(QSerialPort::Input);
        m_port.clearError();
        return true;
    }

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
    QSerialPort m_port;
};

} // namespace

std::unique_ptr<IDeviceTransport> CreateSerialTransport()
{
    return std::make_unique<CSerialTransport>();
}
