// The device worker: jobs one at a time on its own thread, the user's commands ahead of
// background work, the password asked while the worker waits, time limits and cancellation
// that free the port at once; and the progress that the window shows for a transfer.

#include "DeviceWorker.h"
#include "InProcessRelays.h"
#include "QuorvexDoc.h"
#include "TransferProgress.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace DeviceProtocol;

namespace {

const QString QVR = QStringLiteral("relay-qvr");
const QString QVS = QStringLiteral("relay-qvs");

VirtualRelayOptions Options(ModelCode model, const QString& password = QString())
{
    VirtualRelayOptions options;
    options.model = model;
    if (!password.isEmpty())
        options.password = MakePasswordBytes(password);
    return options;
}

DeviceJob Job(DeviceJobKind kind, const QString& port, ModelCode model)
{
    DeviceJob job;
    job.kind = kind;
    job.port = port;
    job.model = model;
    return job;
}

std::vector<std::uint8_t> Pattern(ModelCode model)
{
    std::vector<std::uint8_t> image(std::size_t(ProgramImageSize(model)));
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t(i * 29 + 0x64);
    return image;
}

// Waits for the result of job `id`.
DeviceJobResult WaitFor(QSignalSpy& finished, quint64 id, int timeoutMs = 5000)
{
    DeviceJobResult found;
    (void)QTest::qWaitFor(
        [&] {
            for (const QList<QVariant>& call : finished)
                if (call.at(0).value<DeviceJobResult>().id == id) {
                    found = call.at(0).value<DeviceJobResult>();
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

} // namespace

class TestDeviceWorker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A send's bar moves with the line's pace, never ahead of the bytes handed over, and
    // covers the read-back too; a read counts received bytes.
    void progressOfATransfer_data()
    {
        QTest::addColumn<int>("readBack");
        QTest::addColumn<QList<int>>("reports"); // direction (0 send, 1 receive), done, total, at ms; repeated
        QTest::addColumn<int>("atMs");
        QTest::addColumn<int>("permille");
        const int byteMs = int(CTransferProgress::BYTE_TIME_MS * 100); // 100 bytes on the line
        QTest::newRow("nothing yet") << 0 << QList<int>{} << 0 << 0;
        QTest::newRow("send handed over at once, half on the line")
            << 0 << QList<int>{0, 0, 200, 0, 0, 200, 200, 0} << byteMs << 500;
        QTest::newRow("send: the line is faster than the port") << 0 << QList<int>{0, 0, 200, 0, 0, 64, 200, 0}
                                                                << byteMs * 2 << 320;
        QTest::newRow("send done on the line") << 0 << QList<int>{0, 0, 200, 0, 0, 200, 200, 0} << byteMs * 3 << 1000;
        QTest::newRow("send with read-back: send half")
            << 200 << QList<int>{0, 0, 200, 0, 0, 200, 200, 0} << byteMs << 250;
        QTest::newRow("send with read-back: read-back half")
            << 200 << QList<int>{0, 0, 200, 0, 0, 200, 200, 0, 1, 100, 200, 10} << byteMs << 750;
        QTest::newRow("read: received bytes") << 0 << QList<int>{1, 0, 226, 0, 1, 113, 226, 5} << 1000000 << 500;
    }
    void progressOfATransfer()
    {
        QFETCH(int, readBack);
        QFETCH(QList<int>, reports);
        QFETCH(int, atMs);
        QFETCH(int, permille);
        CTransferProgress progress;
        progress.Start(readBack);
        for (qsizetype i = 0; i + 3 < reports.size(); i += 4)
            progress.Report(reports[i] ? TransferDirection::Receiving : TransferDirection::Sending, reports[i + 1],
                            reports[i + 2], reports[i + 3]);
        QVERIFY2(std::abs(progress.Permille(atMs) - permille) <= 5, qPrintable(QString::number(progress.Permille(atMs))));
    }

    // Every kind of job reaches the relay and brings back its outcome; a relay is never open
    // twice at once, since jobs run one after the other.
    void jobsAgainstRelays()
    {
        CInProcessRelays relays;
        relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        relays.Add(QVS, Options(MODEL_QVS_K115_318));
        CDeviceWorkerThread worker(relays.Factory());
        QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);

        DeviceJob send = Job(DeviceJobKind::Send, QVS, MODEL_QVS_K115_318);
        send.image = Pattern(MODEL_QVS_K115_318);
        send.verify = true;
        const quint64 sendId = worker.Post(send);
        const quint64 readId = worker.Post(Job(DeviceJobKind::Read, QVS, MODEL_QVS_K115_318));
        const quint64 versionId = worker.Post(Job(DeviceJobKind::Version, QVR, MODEL_QVS_K115_318));
        const quint64 wrongId = worker.Post(Job(DeviceJobKind::Read, QVR, MODEL_QVS_K115_318));
        DeviceJob identify = Job(DeviceJobKind::IdentifyPort, QVS, 0);
        const quint64 identifyId = worker.Post(identify);
        const quint64 pollId = worker.Post(Job(DeviceJobKind::Poll, QVS, MODEL_QVS_K115_318));
        const quint64 missingId = worker.Post(Job(DeviceJobKind::Version, QStringLiteral("nothing-here"), 0));
        const quint64 noPortId = worker.Post(Job(DeviceJobKind::Version, QString(), 0));

        QCOMPARE(WaitFor(finished, sendId).result, int(RESULT_OK));
        QVERIFY(WaitFor(finished, sendId).verify.compared);
        QCOMPARE(relays.Program(QVS), send.image);
        const DeviceJobResult read = WaitFor(finished, readId);
        QCOMPARE(read.result, int(RESULT_OK));
        QCOMPARE(read.image, send.image);
        const DeviceJobResult version = WaitFor(finished, versionId);
        QCOMPARE(version.result, int(RESULT_OK));
        QCOMPARE(DeviceType(version.identification), 1);
        const DeviceJobResult wrong = WaitFor(finished, wrongId);
        QCOMPARE(wrong.result, int(RESULT_WRONG_MODEL));
        QVERIFY(wrong.image.empty());
        QCOMPARE(DeviceType(WaitFor(finished, identifyId).identification), 2);
        QCOMPARE(WaitFor(finished, pollId).result, int(RESULT_OK));
        const DeviceJobResult missing = WaitFor(finished, missingId);
        QCOMPARE(missing.result, int(RESULT_NO_PORT));
        QCOMPARE(missing.openFailure, PortOpenFailure::NotFound);
        const DeviceJobResult noPort = WaitFor(finished, noPortId);
        QCOMPARE(noPort.result, int(RESULT_NO_PORT));
        QCOMPARE(noPort.openFailure, PortOpenFailure::NoSelection);
        QCOMPARE(relays.MostOpenAtOnce(), 1);
        QVERIFY(worker.IsIdle());
    }

    // A command of the user waits only for the job that runs, not for queued background jobs.
    void commandsGoAheadOfBackgroundJobs()
    {
        CInProcessRelays relays;
        relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        CDeviceWorkerThread worker(relays.Factory());
        QSignalSpy started(&worker, &CDeviceWorkerThread::jobStarted);
        QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);
        relays.Hold(true);
        const quint64 poll = worker.Post(Job(DeviceJobKind::Poll, QVR, MODEL_QVR_K115_ZQX));
        const quint64 pass1 = worker.Post(Job(DeviceJobKind::IdentifyPort, QVR, 0));
        const quint64 pass2 = worker.Post(Job(DeviceJobKind::IdentifyPort, QVR, 0));
        const quint64 version = worker.Post(Job(DeviceJobKind::Version, QVR, MODEL_QVR_K115_ZQX));
        QVERIFY(worker.Has(DeviceJobKind::Poll));
        QCOMPARE(worker.RunningJob(), poll);
        relays.Hold(false);
        QVERIFY(WaitFor(finished, pass2).id == pass2);
        QList<quint64> order;
        for (const QList<QVariant>& call : started)
            order << call.at(0).toULongLong();
        QCOMPARE(order, (QList<quint64>{poll, version, pass1, pass2}));
        for (const QList<QVariant>& call : finished)
            QCOMPARE(call.at(0).value<DeviceJobResult>().result, int(RESULT_OK));
    }

    // The password is asked while the worker waits; the wait does not count against the time
    // limit; a cancelled question ends the job with 40. The cache comes back with the result.
    void passwordWhileTheWorkerWaits_data()
    {
        QTest::addColumn<bool>("given");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("expected");
        QTest::newRow("right password") << true << QStringLiteral("Ab1") << int(RESULT_OK);
        QTest::newRow("wrong password") << true << QStringLiteral("nope") << int(RESULT_PASSWORD_REFUSED);
        QTest::newRow("cancelled") << false << QString() << int(RESULT_PASSWORD_REFUSED);
        QTest::newRow("too long for the relay") << true << QStringLiteral("zażółćgę") << int(RESULT_PASSWORD_TOO_LONG);
    }
    void passwordWhileTheWorkerWaits()
    {
        QFETCH(bool, given);
        QFETCH(QString, answer);
        QFETCH(int, expected);
        CInProcessRelays relays;
        relays.Add(QVS, Options(MODEL_QVS_K115_318, QStringLiteral("Ab1")));
        CDeviceWorkerThread worker(relays.Factory());
        worker.SetTimeLimitMs(150);
        QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);
        QSignalSpy wanted(&worker, &CDeviceWorkerThread::passwordWanted);
        const quint64 id = worker.Post(Job(DeviceJobKind::Read, QVS, MODEL_QVS_K115_318));
        QVERIFY(wanted.wait(3000));
        QCOMPARE(wanted.at(0).at(0).toULongLong(), id);
        QVERIFY(worker.WaitsForPassword());
        QTest::qWait(400); // the user takes longer than the job's limit
        QVERIFY(finished.isEmpty());
        worker.AnswerPassword(id, given, answer);
        const DeviceJobResult result = WaitFor(finished, id);
        QCOMPARE(result.result, expected);
        QCOMPARE(result.passwordCacheChanged, expected == RESULT_OK);
        if (expected == RESULT_OK)
            QCOMPARE(result.passwordCache, MakePasswordBytes(answer));
        QCOMPARE(relays.OpenCount(), 0);
    }

    // A job that takes longer than its limit ends with 37 at once, and its port is free.
    void timeLimitEndsAStuckJob()
    {
        CInProcessRelays relays;
        relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        CDeviceWorkerThread worker(relays.Factory());
        worker.SetTimeLimitMs(300);
        QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);
        relays.Hold(true); // every byte of the reply keeps the relay waiting its full time-out
        QElapsedTimer clock;
        clock.start();
        const quint64 id = worker.Post(Job(DeviceJobKind::Read, QVR, MODEL_QVR_K115_ZQX));
        const DeviceJobResult result = WaitFor(finished, id);
        QCOMPARE(result.result, int(RESULT_TIMEOUT));
        QVERIFY(result.timedOut);
        // Without the limit the held byte alone would keep it for a whole per-byte time-out.
        QVERIFY2(clock.elapsed() < READ_TIMEOUT_MS, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(relays.OpenCount(), 0);
    }

    // A reply that comes after its job gave up on it is not taken for the answer to the next
    // job's request: the worker lets the line settle before it asks again.
    void lateReplyIsNotTheNextAnswer_data()
    {
        QTest::addColumn<int>("late");       // the command whose reply comes late
        QTest::addColumn<int>("firstKind");  // DeviceJobKind of the job that gives up
        QTest::addColumn<int>("nextKind");   // DeviceJobKind of the job right after it
        QTest::newRow("a write's 'accepted' is no identification")
            << int(CMD_WRITE_PROGRAM) << int(DeviceJobKind::Send) << int(DeviceJobKind::Version);
        QTest::newRow("an identification is no channel state")
            << int(CMD_IDENTIFY) << int(DeviceJobKind::Version) << int(DeviceJobKind::Poll);
        QTest::newRow("a program is no identification")
            << int(CMD_READ_PROGRAM) << int(DeviceJobKind::Read) << int(DeviceJobKind::IdentifyPort);
    }
    void lateReplyIsNotTheNextAnswer()
    {
        QFETCH(int, late);
        QFETCH(int, firstKind);
        QFETCH(int, nextKind);
        CInProcessRelays relays;
        relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        CInProcessRelays::Fault fault;
        fault.lateCommand = late;
        fault.lateMs = READ_TIMEOUT_MS + 500;
        relays.SetFault(QVR, fault);
        CDeviceWorkerThread worker(relays.Factory());
        QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);
        DeviceJob first = Job(DeviceJobKind(firstKind), QVR, MODEL_QVR_K115_ZQX);
        first.image = Pattern(MODEL_QVR_K115_ZQX);
        const quint64 firstId = worker.Post(first);
        const quint64 nextId = worker.Post(Job(DeviceJobKind(nextKind), QVR, MODEL_QVR_K115_ZQX));
        QCOMPARE(WaitFor(finished, firstId, 3 * READ_TIMEOUT_MS).result, int(RESULT_TIMEOUT));
        const DeviceJobResult next = WaitFor(finished, nextId, 3 * READ_TIMEOUT_MS);
        QCOMPARE(next.result, int(RESULT_OK));
        if (nextKind != int(DeviceJobKind::Poll))
            QCOMPARE(int(next.identification), int(IdentificationByte(1, 1)));
        else
            QCOMPARE(next.states[0].fieldIndex, 0);
    }

    // A reply that keeps the job waiting almost the whole per-byte time-out is still waited
    // for: the worker's short waits for cancellation add up to the full time-out.
    void replyJustInsideTheTimeOut()
    {
        CInProcessRelays relays;
        relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        CInProcessRelays::Fault fault;
        fault.lateCommand = CMD_IDENTIFY;
        fault.lateMs = READ_TIMEOUT_MS - 300;
        relays.SetFault(QVR, fault);
        CDeviceWorkerThread worker(relays.Factory());
        QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);
        const quint64 id = worker.Post(Job(DeviceJobKind::Version, QVR, MODEL_QVR_K115_ZQX));
        const DeviceJobResult result = WaitFor(finished, id, 2 * READ_TIMEOUT_MS);
        QCOMPARE(result.result, int(RESULT_OK));
        QCOMPARE(int(result.identification), int(IdentificationByte(1, 1)));
    }

    // CancelAll ends the running job at its next byte and drops the queued ones; destroying
    // the worker while the user is being asked for a password does not wait for the answer.
    void cancelAndDestroy()
    {
        CInProcessRelays relays;
        relays.Add(QVR, Options(MODEL_QVR_K115_ZQX));
        relays.Add(QVS, Options(MODEL_QVS_K115_318, QStringLiteral("pw")));
        {
            CDeviceWorkerThread worker(relays.Factory());
            QSignalSpy finished(&worker, &CDeviceWorkerThread::jobFinished);
            relays.Hold(true);
            const quint64 running = worker.Post(Job(DeviceJobKind::Read, QVR, MODEL_QVR_K115_ZQX));
            worker.Post(Job(DeviceJobKind::Version, QVR, MODEL_QVR_K115_ZQX));
            QTest::qWait(50);
            QElapsedTimer clock;
            clock.start();
            worker.CancelAll();
            const DeviceJobResult result = WaitFor(finished, running);
            QVERIFY(result.cancelled);
            // Sooner than the held byte's time-out: the job did not wait for it.
            QVERIFY(clock.elapsed() < READ_TIMEOUT_MS);
            QVERIFY(worker.IsIdle());
            QTest::qWait(50);
            QCOMPARE(finished.size(), 1); // the queued version never ran
            QCOMPARE(relays.OpenCount(), 0);
            relays.Hold(false);
        }
        QElapsedTimer clock;
        clock.start();
        {
            CDeviceWorkerThread worker(relays.Factory());
            QSignalSpy wanted(&worker, &CDeviceWorkerThread::passwordWanted);
            worker.Post(Job(DeviceJobKind::Read, QVS, MODEL_QVS_K115_318));
            QVERIFY(wanted.wait(3000));
            clock.start();
        }
        QVERIFY(clock.elapsed() < READ_TIMEOUT_MS);
        QCOMPARE(relays.OpenCount(), 0);
    }
};

QTEST_MAIN(TestDeviceWorker)
#include "tst_device_worker.moc"
