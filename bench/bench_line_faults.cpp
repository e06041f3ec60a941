// Soak of the device worker on a faulty line. Two virtual relays (QVR_K115_ZQX, and
// QVS_K115_318 with a password) drop, change and hold back bytes at random and now and then
// vanish in the middle of a transfer; the worker runs relay commands against them one after
// another, as the window posts them: sends read back and compared, reads, live-view polls and
// version queries. After every command the benchmark checks:
// - a success only when it is true: after a send the relay holds the program sent (its memory
//   file says what it really holds), a read brings what the relay holds, a version the relay's
//   identification (a poll's state changes as the relay runs, so a poll is checked for its code
//   and its time only);
// - a failure only with a code that names a failure of the line (or, after a send, the
//   difference the read-back found), and a failed read hands the window no program to apply,
//   so the window's document stays as it was;
// - no job outlives its time limit (the worker ends it with 37 at the limit): a job whose
//   result comes later than that, with the time the cancelled transfer needs to let go of the
//   port, is a hang.
// The thread that posts the jobs and takes their results (the window's, in the program) is
// watched while each job runs: its event loop's longest stall is the "worst stall".
//
// Usage: bench_line_faults [--seed N] [--count N] [--drop-rate P] [--change-rate P]
//                          [--stall-rate P] [--near-stall-rate P] [--vanish-rate P]
//                          [--store-corrupted] [--no-verify] [--verbose]
// The rates are chances per byte on the line, either way (see quorvex-virtual-relay --help).
// --store-corrupted makes the relays store every program with one bit changed;
// --no-verify sends without reading back (then such a relay gives wrong successes, which shows
// that the check sees them). The last line is
//   line faults: N commands, W wrong successes, H hangs, worst stall X ms
// and the exit status is 0 only when W and H are 0 and every failure had a fitting code.

#include "DeviceWorker.h"
#include "LineFaults.h"
#include "ResultCodes.h"
#include "StallProbe.h"
#include "VirtualRelayProcess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

using namespace DeviceProtocol;

namespace {

constexpr int MODEL_COUNT = 2;
const char* const PASSWORD = "line-pw";
// Exit status of a relay that vanished on purpose.
constexpr int RELAY_VANISHED = 3;
// Beyond its time limit a cancelled job still closes its port: a read lets go within its next
// slice, a write within its own time-out.
constexpr int LIMIT_GRACE_MS = WRITE_TIMEOUT_MS + 1000;

using Bytes = std::vector<std::uint8_t>;

const char* KindName(DeviceJobKind kind)
{
    switch (kind) {
    case DeviceJobKind::Send: return "send";
    case DeviceJobKind::Read: return "read";
    case DeviceJobKind::Poll: return "poll";
    case DeviceJobKind::Version: return "version";
    default: return "other";
    }
}

// Codes by which a command may fail on a bad line: the frame and port failures, and for a send
// with read-back the difference it found. Anything else blames the relay for what the line did
// (another model, a refused password, an odd answer to the write).
bool FittingFailure(DeviceJobKind kind, int result)
{
    static const std::set<int> line{RESULT_BAD_ESCAPE, RESULT_BAD_START, RESULT_BAD_LENGTH,  RESULT_FRAME_CHECKSUM,
                                    RESULT_WRITE_FAILED, RESULT_READ_FAILED, RESULT_NO_PORT, RESULT_TIMEOUT};
    return line.count(result) > 0 || (kind == DeviceJobKind::Send && result == RESULT_VERIFY_MISMATCH);
}

// The soak's faults by default. About one command in fifteen meets one (a command moves some
// 115 bytes on average), which keeps the whole soak to a few minutes: most faults cost a
// time-out.
LineFaultOptions DefaultFaults()
{
    LineFaultOptions faults;
    faults.dropRate = 0.00015;
    faults.changeRate = 0.00015;
    faults.stallRate = 0.00004;
    faults.nearStallRate = 0.00006;
    faults.vanishRate = 0.00003;
    return faults;
}

// One virtual relay process with its memory file and fault log; started again after it vanished.
class CSoakRelay {
public:
    CSoakRelay(ModelCode model, const QString& dir, const LineFaultOptions& faults, bool storeCorrupted)
        : m_model(model), m_faults(faults), m_storeCorrupted(storeCorrupted)
    {
        const QString name = model == MODEL_QVR_K115_ZQX ? QStringLiteral("qvr") : QStringLiteral("qvs");
        m_memory = dir + u'/' + name + QStringLiteral(".image");
        m_log = dir + u'/' + name + QStringLiteral(".faults");
    }

    ModelCode Model() const { return m_model; }
    bool Locked() const { return m_model == MODEL_QVS_K115_318; }
    QString Port() const { return m_process.Path(); }
    std::uint8_t Identification() const { return IdentificationByte(ModelNumber(m_model), 1); }
    int Starts() const { return m_starts; }

    // Plugs the relay in, with the program it held before; each time with faults of its own.
    bool Start()
    {
        QStringList arguments{QStringLiteral("--model"),
                              m_model == MODEL_QVR_K115_ZQX ? QStringLiteral("QVR_K115_ZQX") : QStringLiteral("QVS_K115_318"),
                              QStringLiteral("--memory"),
                              m_memory,
                              QStringLiteral("--fault-log"),
                              m_log,
                              QStringLiteral("--fault-seed"),
                              QString::number(m_faults.seed * 1000 + quint64(m_starts)),
                              QStringLiteral("--drop-rate"),
                              QString::number(m_faults.dropRate),
                              QStringLiteral("--change-rate"),
                              QString::number(m_faults.changeRate),
                              QStringLiteral("--stall-rate"),
                              QString::number(m_faults.stallRate),
                              QStringLiteral("--near-stall-rate"),
                              QString::number(m_faults.nearStallRate),
                              QStringLiteral("--vanish-rate"),
                              QString::number(m_faults.vanishRate)};
        if (Locked())
            arguments << QStringLiteral("--password") << QString::fromLatin1(PASSWORD);
        if (m_storeCorrupted)
            arguments << QStringLiteral("--store-corrupted");
        ++m_starts;
        return !m_process.Start(QCoreApplication::applicationDirPath() + QStringLiteral("/quorvex-virtual-relay"), arguments)
                    .isEmpty();
    }

    // Whether the relay has ended, waiting for it at most timeoutMs (a relay that vanished
    // behind a held-back byte ends a little later); its exit status when it has.
    bool Gone(int* exitStatus, int timeoutMs)
    {
        *exitStatus = m_process.WaitForExit(timeoutMs);
        return m_process.Running() == false;
    }

    // What the relay really holds.
    Bytes Memory() const
    {
        QFile file(m_memory);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }

    // The faults logged since the last call.
    QList<QByteArray> NewFaults()
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        file.seek(m_logRead);
        const QByteArray text = file.readAll();
        const qsizetype complete = text.lastIndexOf('\n') + 1;
        m_logRead += complete;
        QList<QByteArray> lines = text.left(complete).split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

    // The window's side of this relay: the password it learnt.
    PasswordBytes passwordCache{};

private:
    ModelCode m_model;
    LineFaultOptions m_faults;
    bool m_storeCorrupted;
    QString m_memory;
    QString m_log;
    qint64 m_logRead = 0;
    CVirtualRelayProcess m_process;
    int m_starts = 0;
};

struct KindFigures {
    int commands = 0;
    int successes = 0;
    qint64 longestMs = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Relay commands through the device worker on a faulty line."));
    parser.addHelpOption();
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the commands and faults."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption countOption(QStringLiteral("count"), QStringLiteral("Number of commands (default 2000)."),
                                         QStringLiteral("N"), QStringLiteral("2000"));
    LineFaultOptions rates = DefaultFaults();
    const QCommandLineOption dropOption(QStringLiteral("drop-rate"), QStringLiteral("Chance per byte of a lost byte."),
                                        QStringLiteral("P"), QString::number(rates.dropRate));
    const QCommandLineOption changeOption(QStringLiteral("change-rate"),
                                          QStringLiteral("Chance per byte of a changed byte."), QStringLiteral("P"),
                                          QString::number(rates.changeRate));
    const QCommandLineOption stallOption(QStringLiteral("stall-rate"),
                                         QStringLiteral("Chance per byte of a stall past the time-out."),
                                         QStringLiteral("P"), QString::number(rates.stallRate));
    const QCommandLineOption nearStallOption(QStringLiteral("near-stall-rate"),
                                             QStringLiteral("Chance per byte of a stall just inside the time-out."),
                                             QStringLiteral("P"), QString::number(rates.nearStallRate));
    const QCommandLineOption vanishOption(QStringLiteral("vanish-rate"),
                                          QStringLiteral("Chance per byte that the relay vanishes."), QStringLiteral("P"),
                                          QString::number(rates.vanishRate));
    const QCommandLineOption corruptOption(QStringLiteral("store-corrupted"),
                                           QStringLiteral("Relays that store every program with one bit changed."));
    const QCommandLineOption noVerifyOption(QStringLiteral("no-verify"),
                                            QStringLiteral("Send without reading the program back."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("One line per command."));
    parser.addOptions({seedOption, countOption, dropOption, changeOption, stallOption, nearStallOption, vanishOption,
                       corruptOption, noVerifyOption, verboseOption});
    parser.process(app);
    bool seedOk = false;
    bool countOk = false;
    const quint64 seed = parser.value(seedOption).toULongLong(&seedOk);
    const int count = parser.value(countOption).toInt(&countOk);
    if (!seedOk || !countOk || count < 1) {
        std::fprintf(stderr, "bench_line_faults: --seed and --count take whole numbers (--count from 1)\n");
        return 2;
    }
    rates.dropRate = parser.value(dropOption).toDouble();
    rates.changeRate = parser.value(changeOption).toDouble();
    rates.stallRate = parser.value(stallOption).toDouble();
    rates.nearStallRate = parser.value(nearStallOption).toDouble();
    rates.vanishRate = parser.value(vanishOption).toDouble();
    const bool verify = !parser.isSet(noVerifyOption);
    const bool verbose = parser.isSet(verboseOption);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_line_faults: no temporary folder\n");
        return 1;
    }
    std::vector<std::unique_ptr<CSoakRelay>> relays;
    for (ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        LineFaultOptions faults = rates;
        faults.seed = seed * MODEL_COUNT + relays.size();
        relays.push_back(std::make_unique<CSoakRelay>(model, dir.path(), faults, parser.isSet(corruptOption)));
        if (!relays.back()->Start()) {
            std::fprintf(stderr, "bench_line_faults: the virtual relay did not start\n");
            return 1;
        }
    }

    std::printf("%d relay commands through the device worker, seed %llu; faults per byte either way: drop %g, "
                "change %g, stall past the time-out %g, stall inside it %g, vanish %g%s%s\n",
                count, static_cast<unsigned long long>(seed), rates.dropRate, rates.changeRate, rates.stallRate,
                rates.nearStallRate, rates.vanishRate, parser.isSet(corruptOption) ? "; relays store programs corrupted" : "",
                verify ? "" : "; sends not read back");

    CDeviceWorkerThread worker;
    CStallProbe probe;
    std::mt19937_64 random(seed);
    std::map<DeviceJobKind, KindFigures> figures;
    std::map<int, int> failureCodes;
    std::map<QByteArray, int> faults;
    int wrongSuccesses = 0;
    int hangs = 0;
    int wrongCodes = 0;
    int leakedImages = 0;
    int limitCuts = 0;
    int passwordQuestions = 0;
    int relayFailures = 0;
    // Results of the commands that met exactly one fault, by the fault: what each fault costs.
    std::map<QByteArray, std::map<int, int>> singleFault;
    double worstStallMs = 0;
    const auto problem = [&](int index, DeviceJobKind kind, const CSoakRelay& relay, const DeviceJobResult& result,
                             const char* what) {
        std::printf("  #%d %s on %s: %s (result %d)\n", index, KindName(kind),
                    relay.Model() == MODEL_QVR_K115_ZQX ? "QVR_K115_ZQX" : "QVS_K115_318", what, result.result);
    };

    int commands = 0;
    for (; commands < count; ++commands) {
        CSoakRelay& relay = *relays[std::size_t(random() % relays.size())];
        const unsigned pick = unsigned(random() % 100);
        const DeviceJobKind kind = pick < 30   ? DeviceJobKind::Send
                                   : pick < 55 ? DeviceJobKind::Read
                                   : pick < 85 ? DeviceJobKind::Poll
                                               : DeviceJobKind::Version;
        DeviceJob job;
        job.kind = kind;
        job.port = relay.Port();
        job.model = relay.Model();
        job.passwordCache = relay.passwordCache;
        if (kind == DeviceJobKind::Send) {
            // Many escape and start bytes, so that faults meet the escaping too.
            job.image.resize(std::size_t(ProgramImageSize(relay.Model())));
            for (std::uint8_t& byte : job.image) {
                const unsigned r = unsigned(random() % 8);
                byte = r == 0 ? FRAME_ESCAPE : r == 1 ? FRAME_START : std::uint8_t(random());
            }
            job.verify = verify;
        }
        const Bytes before = relay.Memory();

        // Run the job as the window does: post it, answer a password question, take the result.
        DeviceJobResult result;
        bool finished = false;
        QEventLoop loop;
        quint64 id = 0;
        const QMetaObject::Connection done =
            QObject::connect(&worker, &CDeviceWorkerThread::jobFinished, &loop, [&](const DeviceJobResult& r) {
                if (r.id != id)
                    return;
                result = r;
                finished = true;
                loop.quit();
            });
        const QMetaObject::Connection asked =
            QObject::connect(&worker, &CDeviceWorkerThread::passwordWanted, &loop, [&](quint64 asking) {
                ++passwordQuestions;
                worker.AnswerPassword(asking, true, QString::fromLatin1(PASSWORD));
            });
        const int limitMs = DeviceJobTimeLimitMs(kind);
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        probe.Start();
        clock.start();
        id = worker.Post(job);
        deadline.start(limitMs + LIMIT_GRACE_MS);
        loop.exec();
        if (!finished) {
            // Outlived its time limit: a hang. Give it once more as long before giving up.
            ++hangs;
            problem(commands, kind, relay, result, "outlived its time limit");
            deadline.start(limitMs + LIMIT_GRACE_MS);
            loop.exec();
        }
        const qint64 elapsedMs = clock.elapsed();
        worstStallMs = std::max(worstStallMs, probe.StopMs());
        QObject::disconnect(done);
        QObject::disconnect(asked);
        if (!finished) {
            problem(commands, kind, relay, result, "no result at all; the soak stops");
            ++commands;
            break;
        }
        if (result.timedOut)
            ++limitCuts;

        if (result.passwordCacheChanged)
            relay.passwordCache = result.passwordCache;
        const Bytes after = relay.Memory();
        KindFigures& figure = figures[kind];
        ++figure.commands;
        figure.longestMs = std::max(figure.longestMs, elapsedMs);
        if (result.result == RESULT_OK) {
            ++figure.successes;
            bool holds = true;
            switch (kind) {
            case DeviceJobKind::Send: holds = after == job.image; break;
            // A write held back on the line may land while the read runs: either program is true.
            case DeviceJobKind::Read: holds = result.image == before || result.image == after; break;
            case DeviceJobKind::Version: holds = result.identification == relay.Identification(); break;
            default: break;
            }
            if (!holds) {
                ++wrongSuccesses;
                problem(commands, kind, relay, result, "wrong success");
            }
        } else {
            ++failureCodes[result.result];
            if (!FittingFailure(kind, result.result)) {
                ++wrongCodes;
                problem(commands, kind, relay, result, "failure with a code that does not fit the line");
            }
            // A failed read hands the window nothing to apply: the document stays as it was.
            if (kind == DeviceJobKind::Read && !result.image.empty()) {
                ++leakedImages;
                problem(commands, kind, relay, result, "failed read with a program to apply");
            }
        }

        // The faults the relay met; a relay that vanished is plugged in again.
        bool vanished = false;
        const QList<QByteArray> met = relay.NewFaults();
        for (const QByteArray& line : met) {
            ++faults[line.split(' ').first()];
            vanished = vanished || line.startsWith("vanish");
        }
        if (met.size() == 1)
            ++singleFault[met.first().split(' ').first()][result.result];
        int status = 0;
        const bool gone = relay.Gone(&status, vanished ? 10000 : 0);
        if (verbose) {
            std::printf("#%d %s %s: %d in %lld ms%s%s\n", commands, KindName(kind),
                        relay.Model() == MODEL_QVR_K115_ZQX ? "QVR" : "QVS", result.result,
                        static_cast<long long>(elapsedMs), met.isEmpty() ? "" : "; faults: ",
                        met.join(", ").constData());
        }
        if (gone) {
            if (status != RELAY_VANISHED) {
                ++relayFailures;
                problem(commands, kind, relay, result, "the relay ended by itself");
            }
            if (!relay.Start()) {
                std::fprintf(stderr, "bench_line_faults: the virtual relay did not start again\n");
                ++commands;
                break;
            }
        }
    }

    std::printf("%-8s %9s %10s %9s %12s\n", "command", "commands", "successes", "failures", "longest_ms");
    for (const auto& [kind, figure] : figures)
        std::printf("%-8s %9d %10d %9d %12lld\n", KindName(kind), figure.commands, figure.successes,
                    figure.commands - figure.successes, static_cast<long long>(figure.longestMs));
    std::printf("faults met:");
    for (const char* name : {"drop", "change", "stall", "near-stall", "vanish"})
        std::printf(" %s %d", name, faults[QByteArray(name)]);
    std::printf("; relays plugged in again %d\n", relays[0]->Starts() + relays[1]->Starts() - 2);
    std::printf("failure codes:");
    for (const auto& [code, times] : failureCodes)
        std::printf(" %d x%d", code, times);
    // A stall inside the time-out should cost nothing but time (only a loaded machine's delays
    // can push it past the time-out).
    std::printf("\nresults of the commands that met one fault:");
    for (const auto& [fault, results] : singleFault) {
        std::printf(" %s:", fault.constData());
        for (const auto& [code, times] : results)
            std::printf(" %d x%d", code, times);
        std::printf(";");
    }
    std::printf("\n");
    std::printf("failures with a code that does not fit the line %d, failed reads with a program to apply %d, jobs "
                "ended by their time limit %d, password questions %d, relays that ended by themselves %d\n",
                wrongCodes, leakedImages, limitCuts, passwordQuestions, relayFailures);
    std::printf("line faults: %d commands, %d wrong successes, %d hangs, worst stall %.0f ms\n", commands,
                wrongSuccesses, hangs, worstStallMs);
    return wrongSuccesses == 0 && hangs == 0 && wrongCodes == 0 && leakedImages == 0 && relayFailures == 0
                   && commands == count
               ? 0
               : 1;
}
