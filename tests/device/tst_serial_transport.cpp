// The production serial transport on a pseudo-terminal whose other side the test controls:
// here nobody reads it, so the line stalls as it does when a relay holds back its CTS line.

#include "RelayFrames.h"
#include "ResultCodes.h"

#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace DeviceProtocol;

namespace {

// A raw pseudo-terminal pair; the test keeps the master side and never reads it.
struct PseudoTerminal {
    int master = -1;
    int slave = -1;
    QString path;

    PseudoTerminal()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        path = QString::fromLocal8Bit(ptsname(master));
        // Held open so that the line stays up while the transport opens and closes it.
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        termios settings{};
        if (slave >= 0 && tcgetattr(slave, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(slave, TCSANOW, &settings);
        }
    }
    ~PseudoTerminal()
    {
        if (slave >= 0)
            close(slave);
        if (master >= 0)
            close(master);
    }
};

} // namespace

class TestSerialTransport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stalledLineIsShortWrite();
};

void TestSerialTransport::stalledLineIsShortWrite()
{
    PseudoTerminal pty;
    QVERIFY(pty.slave >= 0);
    std::unique_ptr<IDeviceTransport> port = CreateSerialTransport();
    QVERIFY(port->Open(pty.path));
    port->Configure();

    // Far more than the terminal takes: the write times out with only part of it gone.
    const std::vector<std::uint8_t> flood(1 << 18, 0x55);
    const std::int64_t first = port->Write(flood.data(), std::int64_t(flood.size()), 200);
    QVERIFY2(first >= 0 && first < std::int64_t(flood.size()), qPrintable(QString::number(first)));

    // A later write on the stalled line counts only its own bytes: none of them left, which
    // is a short write, not a failure reported by the system.
    const std::uint8_t piece[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::int64_t second = port->Write(piece, 8, 100);
    QVERIFY2(second >= 0 && second <= 8, qPrintable(QString::number(second)));
    QCOMPARE(RelayFrames::WriteFrame(*port, nullptr, 0, CMD_IDENTIFY), int(RESULT_TIMEOUT));
    port->Close();
}

QTEST_GUILESS_MAIN(TestSerialTransport)
#include "tst_serial_transport.moc"
