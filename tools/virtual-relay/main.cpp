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
    if (text.compare(u"QVR_K115_ZQX", Qt::CaseInsensitive) == 0)
        *model = MODEL_QVR_K115_ZQX;
    else if (text.compare(u"QVS_K115_318", Qt::CaseInsensitive) == 0)
        *model = MODEL_QVS_K115_318;
    else
        return false;
    return true;
}

// Exit status of a usage error, as for quorvexctl.
constexpr int USAGE_ERROR = 2;

int UsageError(const QString& problem)
{
    std::fprintf(stderr, "quorvex-virtual-relay: %s\nTry 'quorvex-virtual-relay --help' for more information.\n",
                 problem.toLocal8Bit().constData());
    return USAGE_ERROR;
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
    parser.setApplicationDescription(QStringLiteral(
        "A virtual time relay on a pseudo-terminal. It prints the terminal's path on its first output line and\n"
        "answers there as a relay of the chosen model would, until it is interrupted. Attach it with\n"
        "QUORVEX_EXTRA_PORTS=PATH or name the path: quorvexctl identify --port PATH.\n"
        "\n"
        "Exit status:\n"
        "  0                    after an interrupt (SIGINT, SIGTERM or SIGHUP)\n"
        "  1                    no pseudo-terminal can be opened\n"
        "  2                    usage error: an unknown option, a missing or wrong value"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption modelOption(QStringLiteral("model"),
                                         QStringLiteral("Relay model: QVR_K115_ZQX (one channel) or QVS_K115_318 (two "
                                                        "channels, password lock), in any case. Required."),
                                         QStringLiteral("MODEL"));
    const QCommandLineOption revisionOption(QStringLiteral("revision"),
                                            QStringLiteral("Revision the relay reports, 0 to 15 (default 1)."),
                                            QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
                                            QStringLiteral("Initial password, model QVS_K115_318 only: at most 8 bytes "
                                                           "in UTF-8 (default: none)."),
                                            QStringLiteral("PW"));
    const QCommandLineOption pacingOption(QStringLiteral("baud-pacing"),
                                          QStringLiteral("Move bytes no faster than a 1200 baud line (8.3 ms per byte)."));
    const QCommandLineOption refuseWritesOption(QStringLiteral("refuse-writes"),
                                                QStringLiteral("Testing: answer every program write with 'refused'."));
    const QCommandLineOption refuseResetOption(QStringLiteral("refuse-reset"),
                                               QStringLiteral("Testing: answer every password reset with 'refused'."));
    const QCommandLineOption storeCorruptedOption(
        QStringLiteral("store-corrupted"),
        QStringLiteral("Testing: store every written program with one bit changed (in its middle byte), yet answer "
                       "'accepted'."));
    parser.addOptions({modelOption, revisionOption, passwordOption, pacingOption, refuseWritesOption, refuseResetOption,
                       storeCorruptedOption});
    if (!parser.parse(app.arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("quorvex-virtual-relay %s\n", QUORVEX_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return UsageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    VirtualRelayOptions options;
    if (!parser.isSet(modelOption))
        return UsageError(QStringLiteral("--model is required: QVR_K115_ZQX or QVS_K115_318"));
    if (!ParseModel(parser.value(modelOption), &options.model))
        return UsageError(QStringLiteral("unknown model %1; expected QVR_K115_ZQX or QVS_K115_318")
                              .arg(parser.value(modelOption)));
    bool revisionOk = false;
    options.revision = parser.value(revisionOption).toInt(&revisionOk);
    if (!revisionOk || options.revision < 0 || options.revision > 15)
        return UsageError(QStringLiteral("revision %1 is out of range; expected 0 to 15").arg(parser.value(revisionOption)));
    if (parser.isSet(passwordOption)) {
        const QString password = parser.value(passwordOption);
        if ((options.model & MODEL_NUMBER_MASK) != MODEL_QVS_K115_318)
            return UsageError(QStringLiteral("the QVR_K115_ZQX relay has no password"));
        if (!DeviceProtocol::PasswordFits(password))
            return UsageError(QStringLiteral("the password is %1 bytes long in UTF-8; a relay password holds at most %2")
                                  .arg(DeviceProtocol::PasswordByteLength(password))
                                  .arg(DeviceProtocol::PASSWORD_SIZE));
        options.password = DeviceProtocol::MakePasswordBytes(password);
    }
    options.refuseWrites = parser.isSet(refuseWritesOption);
    options.refuseReset = parser.isSet(refuseResetOption);
    options.storeCorrupted = parser.isSet(storeCorruptedOption);
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
