// quorvex-virtual-relay: a relay of either model on a pseudo-terminal. It prints the path of
// the terminal on its first output line and answers the device protocol there until it is
// terminated. Attach it to discovery with QUORVEX_EXTRA_PORTS=<path>.

#include "AtomicFile.h"
#include "LineFaults.h"
#include "ModelDesignation.h"
#include "VirtualRelay.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <deque>
#include <memory>

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

// A byte and the moment it has fully crossed the line; or, with `vanish`, the moment the
// line goes dead.
struct TimedByte {
    std::uint8_t byte;
    Clock::time_point due;
    bool vanish = false;
};

// Models one direction of a serial line: bytes leave one after another, each taking
// BYTE_TIME once the line is free. Without pacing every byte is due at once. A byte held back
// (a stall of a faulty line) holds back every byte behind it.
class CLine {
public:
    explicit CLine(bool paced) : m_paced(paced) {}
    void Push(std::uint8_t byte, Clock::time_point now, std::chrono::milliseconds held = {})
    {
        m_bytes.push_back({byte, Next(now, held)});
    }
    // The line goes dead once the bytes before this point have crossed it.
    void PushVanish(Clock::time_point now) { m_bytes.push_back({0, Next(now, {}), true}); }
    bool Empty() const { return m_bytes.empty(); }
    bool Ready(Clock::time_point now) const { return !m_bytes.empty() && m_bytes.front().due <= now; }
    Clock::time_point NextDue() const { return m_bytes.front().due; }
    TimedByte Pop()
    {
        const TimedByte byte = m_bytes.front();
        m_bytes.pop_front();
        return byte;
    }

private:
    Clock::time_point Next(Clock::time_point now, std::chrono::milliseconds held)
    {
        Clock::time_point due = std::max(now, m_lastDue) + held;
        if (m_paced)
            due += BYTE_TIME;
        m_lastDue = due;
        return due;
    }

    bool m_paced;
    Clock::time_point m_lastDue{};
    std::deque<TimedByte> m_bytes;
};

bool ParseModel(const QString& text, ModelCode* model)
{
    const ModelCode named = ModelFromDesignation(text);
    if (named != 0)
        *model = named;
    return named != 0;
}

// Exit status of a usage error, as for quorvexctl.
constexpr int USAGE_ERROR = 2;
// Exit status after the line vanished on purpose (--vanish-rate).
constexpr int VANISHED = 3;

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
        "For testing, the line can be made faulty: each byte that crosses it, either way, is dropped, changed,\n"
        "held back past or just inside the client's time-out, or makes the relay vanish, at random with the\n"
        "rates given (chances from 0 to 1 per byte, together at most 1) and a seed. --memory shows what the relay\n"
        "really stores.\n"
        "\n"
        "Exit status:\n"
        "  0                    after an interrupt (SIGINT, SIGTERM or SIGHUP)\n"
        "  1                    no pseudo-terminal can be opened, or the memory file cannot be written\n"
        "  2                    usage error: an unknown option, a missing or wrong value\n"
        "  3                    the relay vanished on purpose (--vanish-rate)"));
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
    const QCommandLineOption memoryOption(
        QStringLiteral("memory"),
        QStringLiteral("Keep the program memory in FILE (the program image as the relay stores it, 70 or 226 bytes): "
                       "read at power-up when the file exists, written at once otherwise, and replaced every time "
                       "the relay stores a program, before it answers. A test learns from it what the relay really "
                       "holds; a relay started again on the same file keeps its program, as a real one does when "
                       "it is plugged in again."),
        QStringLiteral("FILE"));
    const QCommandLineOption dropOption(
        QStringLiteral("drop-rate"), QStringLiteral("Faulty line: chance per byte, either way, that the byte is lost."),
        QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption changeOption(
        QStringLiteral("change-rate"),
        QStringLiteral("Faulty line: chance per byte that the byte arrives with another value."), QStringLiteral("P"),
        QStringLiteral("0"));
    const QCommandLineOption stallOption(
        QStringLiteral("stall-rate"),
        QStringLiteral("Faulty line: chance per byte that the line holds it (and all behind it) back for --stall-ms, "
                       "longer than the client's 2000 ms per-byte time-out."),
        QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption nearStallOption(
        QStringLiteral("near-stall-rate"),
        QStringLiteral("Faulty line: chance per byte that the line holds it back for --near-stall-ms, just inside "
                       "the time-out."),
        QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption vanishOption(
        QStringLiteral("vanish-rate"),
        QStringLiteral("Faulty line: chance per byte that the relay vanishes at that byte, in the middle of a "
                       "transfer: it closes its terminal and exits with status 3, as if unplugged."),
        QStringLiteral("P"), QStringLiteral("0"));
    const QCommandLineOption seedOption(
        QStringLiteral("fault-seed"),
        QStringLiteral("Seed of the faulty line's random choices (default 1): the same seed and the same traffic "
                       "meet the same faults."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption stallMsOption(QStringLiteral("stall-ms"),
                                           QStringLiteral("Length of a stall past the time-out (default 3000)."),
                                           QStringLiteral("MS"), QStringLiteral("3000"));
    const QCommandLineOption nearStallMsOption(
        QStringLiteral("near-stall-ms"), QStringLiteral("Length of a stall just inside the time-out (default 1700)."),
        QStringLiteral("MS"), QStringLiteral("1700"));
    const QCommandLineOption faultLogOption(
        QStringLiteral("fault-log"),
        QStringLiteral("Append one line per fault of the line to FILE: the fault (drop, change, stall, near-stall, "
                       "vanish) and its direction (in: towards the relay, out: from it)."),
        QStringLiteral("FILE"));
    parser.addOptions({modelOption, revisionOption, passwordOption, pacingOption, refuseWritesOption, refuseResetOption,
                       storeCorruptedOption, memoryOption, dropOption, changeOption, stallOption, nearStallOption,
                       vanishOption, seedOption, stallMsOption, nearStallMsOption, faultLogOption});
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

    LineFaultOptions faults;
    const struct {
        const QCommandLineOption* option;
        double* rate;
    } rates[] = {{&dropOption, &faults.dropRate},
                 {&changeOption, &faults.changeRate},
                 {&stallOption, &faults.stallRate},
                 {&nearStallOption, &faults.nearStallRate},
                 {&vanishOption, &faults.vanishRate}};
    double total = 0;
    for (const auto& rate : rates) {
        bool ok = false;
        *rate.rate = parser.value(*rate.option).toDouble(&ok);
        if (!ok || !(*rate.rate >= 0 && *rate.rate <= 1))
            return UsageError(QStringLiteral("--%1 %2: expected a chance from 0 to 1")
                                  .arg(rate.option->names().first(), parser.value(*rate.option)));
        total += *rate.rate;
    }
    if (total > 1)
        return UsageError(QStringLiteral("the fault rates add up to %1; together they may be at most 1").arg(total));
    bool seedOk = false;
    faults.seed = parser.value(seedOption).toULongLong(&seedOk);
    if (!seedOk)
        return UsageError(QStringLiteral("--fault-seed %1: expected a whole number from 0").arg(parser.value(seedOption)));
    for (const auto& [option, ms] :
         {std::pair{&stallMsOption, &faults.stallMs}, std::pair{&nearStallMsOption, &faults.nearStallMs}}) {
        bool ok = false;
        *ms = parser.value(*option).toInt(&ok);
        if (!ok || *ms < 1 || *ms > 600000)
            return UsageError(QStringLiteral("--%1 %2: expected milliseconds from 1 to 600000")
                                  .arg(option->names().first(), parser.value(*option)));
    }
    // The program memory in a file: what it held before, or the default program written now.
    const QString memoryPath = parser.value(memoryOption);
    const int imageSize = DeviceProtocol::ProgramImageSize(options.model);
    if (!memoryPath.isEmpty() && QFile::exists(memoryPath)) {
        QFile memory(memoryPath);
        if (!memory.open(QIODevice::ReadOnly))
            return UsageError(QStringLiteral("cannot read the memory file %1").arg(memoryPath));
        if (memory.size() != imageSize)
            return UsageError(QStringLiteral("the memory file %1 holds %2 bytes; a program of this model has %3")
                                  .arg(memoryPath)
                                  .arg(memory.size())
                                  .arg(imageSize));
        const QByteArray bytes = memory.readAll();
        options.program.assign(bytes.begin(), bytes.end());
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> faultLog(nullptr, &std::fclose);
    if (parser.isSet(faultLogOption)) {
        faultLog.reset(std::fopen(QFile::encodeName(parser.value(faultLogOption)).constData(), "a"));
        if (!faultLog)
            return UsageError(QStringLiteral("cannot open the fault log %1").arg(parser.value(faultLogOption)));
    }

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
    const auto writeMemory = [&relay, &memoryPath] {
        const std::vector<std::uint8_t>& program = relay.Program();
        return memoryPath.isEmpty()
               || WriteFileAtomically(memoryPath, QByteArray(reinterpret_cast<const char*>(program.data()),
                                                             qsizetype(program.size())));
    };
    if (!writeMemory()) {
        std::fprintf(stderr, "quorvex-virtual-relay: cannot write the memory file %s\n", qPrintable(memoryPath));
        return 1;
    }
    CLineFaults lineFaults(faults);
    // The fault of one byte crossing the line, logged; false when the byte is lost.
    const auto crossLine = [&lineFaults, &faultLog](std::uint8_t* byte, const char* direction, LineFault* fault) {
        *fault = lineFaults.Next(byte);
        if (*fault != LineFault::None && faultLog) {
            std::fprintf(faultLog.get(), "%s %s\n", LineFaultName(*fault), direction);
            std::fflush(faultLog.get());
        }
        return *fault != LineFault::Drop;
    };
    CLine incoming(paced);
    CLine outgoing(paced);
    Clock::time_point lastAdvance = Clock::now();
    std::vector<std::uint8_t> reply;
    int stores = relay.StoreCount();
    bool vanished = false;
    int status = 0;

    while (!g_stop && !vanished) {
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
            for (ssize_t i = 0; i < got; ++i) {
                LineFault fault = LineFault::None;
                if (!crossLine(&buffer[i], "in", &fault))
                    continue;
                if (fault == LineFault::Vanish) {
                    incoming.PushVanish(now);
                    break;
                }
                incoming.Push(buffer[i], now, std::chrono::milliseconds(lineFaults.StallMs(fault)));
            }
        }

        now = Clock::now();
        relay.Advance(std::chrono::duration<double>(now - lastAdvance).count());
        lastAdvance = now;
        while (incoming.Ready(now)) {
            const TimedByte received = incoming.Pop();
            if (received.vanish) {
                vanished = true;
                break;
            }
            reply.clear();
            relay.Receive(received.byte, &reply);
            // What the relay stores is in the memory file before it says so.
            if (relay.StoreCount() != stores) {
                stores = relay.StoreCount();
                if (!writeMemory()) {
                    std::fprintf(stderr, "quorvex-virtual-relay: cannot write the memory file %s\n",
                                 qPrintable(memoryPath));
                    status = 1;
                    g_stop = true;
                }
            }
            for (std::uint8_t byte : reply) {
                LineFault fault = LineFault::None;
                if (!crossLine(&byte, "out", &fault))
                    continue;
                if (fault == LineFault::Vanish) {
                    outgoing.PushVanish(now);
                    break;
                }
                outgoing.Push(byte, now, std::chrono::milliseconds(lineFaults.StallMs(fault)));
            }
        }
        while (!vanished && outgoing.Ready(now)) {
            const TimedByte sent = outgoing.Pop();
            if (sent.vanish) {
                vanished = true;
                break;
            }
            // The terminal's buffer is far larger than any reply; a failed write is a line
            // without a listener, and the byte is lost as it would be on a real line.
            (void)!write(master, &sent.byte, 1);
        }
    }
    // Vanishing closes the terminal at once, as the port of an unplugged relay disappears.
    close(slave);
    close(master);
    return vanished ? VANISHED : status;
}
