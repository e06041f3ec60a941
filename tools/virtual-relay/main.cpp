// quorvex-virtual-relay: a relay of either model on a pseudo-terminal. It prints the path of
// the terminal on its first output line and answers the device protocol there until it is
// terminated. Attach it to discovery with QUORVEX_EXTRA_PORTS=<path>.

#include "VirtualRelay.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <deque>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stop{false};

void OnSignal(int)
{
    g_stop = true;
}

// Time one byte occupies the line at 1200 baud: start bit, 8 data bits, stop bit.
constexpr std::chrono::nanoseconds BYTE_TIME{10'000'000'000LL / 1200};

// A byte and the moment it has fully crossed the line.
struct TimedByte {
    std::uint8_t byte;
    Clock::time_point due;
};

// Models one direction of a serial line: bytes leave one after another, each taking
// BYTE_TIME once the line is free. Without pacing every byte is due at once.
class CLine {
public:
    explicit CLine(bool paced) : m_paced(paced) {}
    void Push(std::uint8_t byte, Clock::time_point now)
    {
        Clock::time_point due = now;
        if (m_paced) {
            due = std::max(now, m_lastDue) + BYTE_TIME;
            m_lastDue = due;
        }
        m_bytes.push_back({byte, due});
    }
    bool Empty() const { return m_bytes.empty(); }
    bool Ready(Clock::time_point now) const { return !m_bytes.empty() && m_bytes.front().due <= now; }
    Clock::time_point NextDue() const { return m_bytes.front().due; }
    std::uint8_t Pop()
    {
        const std::uint8_t byte = m_bytes.front().byte;
        m_bytes.pop_front();
        return byte;
    }

private:
    bool m_paced;
    Clock::time_point m_lastDue{};
    std::deque<TimedByte> m_bytes;
};

bool ParseModel(const QString& text, ModelCode* model)
{
    if (text == u"QVR_K115_ZQX")
        *model = MODEL_QVR_K115_ZQX;
    else if (text == u"QVS_K115_318")
        *model = MODEL_QVS_K115_318;
    else
        return false;
    return true;
}

int OpenPseudoTerminal(int* slave, QString* path)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return -1;
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        close(master);
        return -1;
    }
    const char* name = ptsname(master);
    if (!name) {
        close(master);
        return -1;
    }
    *path = QString::fromLocal8Bit(name);
    // The relay keeps the terminal side open itself, so that a client closing its port does
    // not hang up the line between operations.
    *slave = open(name, O_RDWR | O_NOCTTY);
    if (*slave < 0) {
        close(master);
        return -1;
    }
    // Raw from the first byte: no echo, no translation.
    termios settings{};
    if (tcgetattr(*slave, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(*slave, TCSANOW, &settings);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return master;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-virtual-relay"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A virtual time relay on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption modelOption(QStringLiteral("model"), QStringLiteral("Relay model: QVR_K115_ZQX or QVS_K115_318."),
                                         QStringLiteral("model"));
    const QCommandLineOption revisionOption(QStringLiteral("revision"), QStringLiteral("Revision 0..15 (default 1)."),
                                            QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
                                            QStringLiteral("Initial password (model QVS_K115_318; default none)."),
                                            QStringLiteral("pw"));
    const QCommandLineOption pacingOption(QStringLiteral("baud-pacing"),
                                          QStringLiteral("Move bytes no faster than 1200 baud."));
    const QCommandLineOption refuseWritesOption(QStringLiteral("refuse-writes"),
                                                QStringLiteral("Answer every program write with 'refused'."));
    const QCommandLineOption refuseResetOption(QStringLiteral("refuse-reset"),
                                               QStringLiteral("Answer every password reset with 'refused'."));
    parser.addOptions({modelOption, revisionOption, passwordOption, pacingOption, refuseWritesOption, refuseResetOption});
    parser.process(app);

    VirtualRelayOptions options;
    bool revisionOk = false;
    options.revision = parser.value(revisionOption).toInt(&revisionOk);
    if (!parser.isSet(modelOption) || !ParseModel(parser.value(modelOption), &options.model) || !revisionOk
        || options.revision < 0 || options.revision > 15) {
        std::fprintf(stderr, "usage: quorvex-virtual-relay --model QVR_K115_ZQX|QVS_K115_318 [--revision N] "
                             "[--password PW] [--baud-pacing]\n");
        return 2;
    }
    if (parser.isSet(passwordOption)) {
        const QString password = parser.value(passwordOption);
        if (password.size() > DeviceProtocol::PASSWORD_MAX_CHARACTERS) {
            std::fprintf(stderr, "quorvex-virtual-relay: a password has at most 8 characters\n");
            return 2;
        }
        options.password = DeviceProtocol::MakePasswordBytes(password);
    }
    options.refuseWrites = parser.isSet(refuseWritesOption);
    options.refuseReset = parser.isSet(refuseResetOption);
    const bool paced = parser.isSet(pacingOption);

    int slave = -1;
    QString path;
    const int master = OpenPseudoTerminal(&slave, &path);
    if (master < 0) {
        std::perror("quorvex-virtual-relay: cannot open a pseudo-terminal");
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGHUP, OnSignal);
    std::printf("%s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);

    CVirtualRelay relay(options);
    CLine incoming(paced);
    CLine outgoing(paced);
    Clock::time_point lastAdvance = Clock::now();
    std::vector<std::uint8_t> reply;

    while (!g_stop) {
        // Sleep until a byte is due, input arrives, or the live program needs a tick.
        Clock::time_point wake = Clock::now() + std::chrono::milliseconds(20);
        if (!incoming.Empty())
            wake = std::min(wake, incoming.NextDue());
        if (!outgoing.Empty())
            wake = std::min(wake, outgoing.NextDue());
        const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(wake - Clock::now()).count();
        pollfd fd{master, POLLIN, 0};
        const int ready = poll(&fd, 1, wait > 0 ? int((wait + 999) / 1000) : 0);
        if (ready < 0 && errno != EINTR)
            break;

        Clock::time_point now = Clock::now();
        if (ready > 0 && (fd.revents & POLLIN)) {
            std::uint8_t buffer[512];
            const ssize_t got = read(master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < got; ++i)
                incoming.Push(buffer[i], now);
        }

        now = Clock::now();
        relay.Advance(std::chrono::duration<double>(now - lastAdvance).count());
        lastAdvance = now;
        while (incoming.Ready(now)) {
            reply.clear();
            relay.Receive(incoming.Pop(), &reply);
            for (std::uint8_t byte : reply)
                outgoing.Push(byte, now);
        }
        while (outgoing.Ready(now)) {
            const std::uint8_t byte = outgoing.Pop();
            // The terminal's buffer is far larger than any reply; a failed write is a line
            // without a listener, and the byte is lost as it would be on a real line.
            (void)!write(master, &byte, 1);
        }
    }
    close(slave);
    close(master);
    return 0;
}
