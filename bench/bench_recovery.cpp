// What keeping a recovery copy after every change costs, and what the checks at start-up and
// at the window's focus cost.
//
//   write      one copy written atomically on the caller's thread (what a window would pay
//              per change without the writer's thread): median, 99th percentile, worst
//   update     CRecoveryWriter::Update on the caller's thread, one change every 2 ms for two
//              seconds (a dragged track bar): median, worst, and how many copies were written
//   burst      1000 changes at once, then waiting for the copy: copies written, total time
//   identity   ReadFileIdentity and CompareFileIdentity of a program file: median
//   listing    CRecoveryStore::List of a folder of 20 copies left by ended processes
//
// The copies go to a temporary folder in the home folder (the file system of the real
// recovery folder, usually), or to --folder DIR.
// Usage: bench_recovery [--folder DIR]

#include "AtomicFile.h"
#include "FileIdentity.h"
#include "QuorvexDoc.h"
#include "RecoveryStore.h"
#include "RecoveryWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median = 0, p99 = 0, worst = 0;
};

// Microseconds from nanoseconds.
Figures Summarise(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    auto at = [&](double q) { return ns[std::min(ns.size() - 1, std::size_t(q * double(ns.size())))] / 1000.0; };
    return {at(0.5), at(0.99), ns.back() / 1000.0};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString base = QDir::homePath();
    const QStringList arguments = app.arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--folder"));
    if (option > 0 && option + 1 < arguments.size())
        base = arguments.at(option + 1);
    QTemporaryDir dir(base + QStringLiteral("/.quorvex-bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_recovery: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    QDir().mkpath(folder);

    std::unique_ptr<CQuorvexDoc> program = CreateDocument(MODEL_QVS_K115_318);
    program->ResetProgram(1);
    QByteArray fileBytes;
    program->FileBytes(&fileBytes);

    // Synchronous writes.
    std::vector<qint64> writes;
    const QString path = folder + QStringLiteral("/synchronous.recovery");
    for (int i = 0; i < 300; ++i) {
        program->GetData()[40] = std::uint8_t(i);
        QElapsedTimer timer;
        timer.start();
        program->FileBytes(&fileBytes);
        WriteFileAtomically(path, EncodeRecoveryCopy(QStringLiteral("/plant/door.qvp"), fileBytes,
                                                     QDateTime::currentDateTimeUtc()));
        writes.push_back(timer.nsecsElapsed());
    }
    const Figures write = Summarise(writes);

    // Paced changes through the writer.
    std::vector<qint64> updates;
    int pacedWrites = 0;
    {
        CRecoveryWriter writer(folder);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < 2000; ++i) {
            program->GetData()[40] = std::uint8_t(i);
            QElapsedTimer timer;
            timer.start();
            writer.Update(*program, QStringLiteral("/plant/door.qvp"));
            updates.push_back(timer.nsecsElapsed());
            QThread::usleep(2000);
        }
        writer.Flush();
        pacedWrites = writer.WriteCount();
        writer.Discard();
    }
    const Figures update = Summarise(updates);

    // A burst.
    int burstWrites = 0;
    double burstMs = 0;
    {
        CRecoveryWriter writer(folder);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 1000; ++i) {
            program->GetData()[40] = std::uint8_t(i);
            writer.Update(*program, QStringLiteral("/plant/door.qvp"));
        }
        writer.Flush();
        burstMs = timer.nsecsElapsed() / 1e6;
        burstWrites = writer.WriteCount();
        writer.Discard();
    }

    // The identity of a program file.
    const QString programPath = dir.filePath(QStringLiteral("door.qvp"));
    program->Save(programPath);
    const FileIdentity remembered = ReadFileIdentity(programPath);
    std::vector<qint64> checks;
    int unchanged = 0;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer timer;
        timer.start();
        unchanged += CompareFileIdentity(remembered, ReadFileIdentity(programPath)) == FileChange::Unchanged;
        checks.push_back(timer.nsecsElapsed());
    }
    const Figures identity = Summarise(checks);

    // A folder of copies left by ended processes (IDs that run no process).
    for (int i = 0; i < 20; ++i)
        WriteFileAtomically(folder + QStringLiteral("/%1-t1-1.recovery").arg(0x7ffff000 + i),
                            EncodeRecoveryCopy(QString(), fileBytes, QDateTime::currentDateTimeUtc()));
    QFile::remove(path);
    QElapsedTimer timer;
    timer.start();
    const RecoveryListing listing = CRecoveryStore(folder).List();
    const double listMs = timer.nsecsElapsed() / 1e6;

    std::printf("folder: %s\n", qPrintable(base));
    std::printf("write: one copy on the caller's thread: median %.0f us, 99%% %.0f us, worst %.0f us\n", write.median,
                write.p99, write.worst);
    std::printf("update: %zu changes 2 ms apart: median %.1f us, worst %.0f us on the caller's thread; copies written: %d\n",
                updates.size(), update.median, update.worst, pacedWrites);
    std::printf("burst: 1000 changes at once: copies written: %d, %.1f ms until the last was on disk\n", burstWrites,
                burstMs);
    std::printf("identity: a program file read and compared: median %.1f us, worst %.0f us (%d of 2000 unchanged)\n",
                identity.median, identity.worst, unchanged);
    std::printf("listing: %zu copies of ended processes found in %.1f ms\n", listing.copies.size(), listMs);
    std::printf("recovery: update %.1f us median, %.0f us worst; write %.0f us median; identity %.1f us\n",
                update.median, update.worst, write.median, identity.median);
    return 0;
}
