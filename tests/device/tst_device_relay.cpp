// Relay commands, device operations and discovery against the virtual relay on a
// pseudo-terminal.

#include "RelayList.h"
#include "RelaySession.h"
#include "Discovery.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "VirtualRelayProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace DeviceProtocol;

namespace {

const QString RELAY = QStringLiteral(QUORVEX_BIN_DIR "/quorvex-virtual-relay");

// A document of the model with every byte of its image changed, 0x64 and 0xAA included.
std::unique_ptr<CQuorvexDoc> PatternDocument(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    for (int i = 0; i < doc->GetDataSize(); ++i)
        doc->GetData()[i] = std::uint8_t(i * 37 + 0x64);
    doc->GetData()[0] = 0xAA;
    doc->GetData()[1] = 0x64;
    return doc;
}

std::unique_ptr<CQuorvexDoc> DefaultDocument(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    return doc;
}

QByteArray Image(const CQuorvexDoc& doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
}

// The operations on a document's program image.
int Send(CRelaySession& session, const CQuorvexDoc& doc)
{
    return session.SendProgram(doc.GetModelCode(), doc.GetData(), doc.GetDataSize());
}

int View(CRelaySession& session, const CQuorvexDoc& doc)
{
    return session.StartView(doc.GetModelCode(), doc.GetData(), doc.GetDataSize());
}

// Reads the relay's program into the document; on failure it stays as it was.
int Read(CRelaySession& session, CQuorvexDoc& doc)
{
    std::vector<std::uint8_t> image;
    const int result = session.ReadProgramImage(doc.GetModelCode(), &image);
    if (result == RESULT_OK)
        std::copy(image.begin(), image.end(), doc.GetData());
    return result;
}

QByteArray Bytes(const PasswordBytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), PASSWORD_SIZE);
}

// The production transport, counting what passes: opens, and identification requests.
struct Counts {
    int opens = 0;
    int identifications = 0;
};

class CCountingTransport final : public IDeviceTransport {
public:
    explicit CCountingTransport(Counts* counts) : m_port(CreateSerialTransport()), m_counts(counts) {}
    bool Open(const QString& portName) override
    {
        ++m_counts->opens;
        return m_port->Open(portName);
    }
    PortOpenFailure OpenFailure() const override { return m_port->OpenFailure(); }
    void Configure() override { m_port->Configure(); }
    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override { return m_port->ReadByte(byte, timeoutMs); }
    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        // Every request starts a write: start byte, length, command.
        if (size >= 3 && data[0] == FRAME_START && data[2] == CMD_IDENTIFY)
            ++m_counts->identifications;
        return m_port->Write(data, size, timeoutMs);
    }
    void Close() override { m_port->Close(); }

private:
    std::unique_ptr<IDeviceTransport> m_port;
    Counts* m_counts;
};

// Counts how often the prompt is shown and answers with `answer` (or cancels when null).
struct Prompt {
    int shown = 0;
    QString answer;
    bool cancel = false;
    CRelaySession::PasswordPrompt Callback()
    {
        return [this](QString* password) {
            ++shown;
            *password = answer;
            return !cancel;
        };
    }
};

} // namespace

class TestDeviceRelay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void identify_data();
    void identify();
    void programRoundTrip_data();
    void programRoundTrip();
    void wrongModel_data();
    void wrongModel();
    void refusedWrite_data();
    void refusedWrite();
    void unlockWithPrompt();
    void refusedPasswordKeepsCache();
    void changeAndResetPassword();
    void resetRefused();
    void view();
    void silentRelayTimesOut();
    void portBusy();
    void operationOnWorkerThread();
    void discovery();
    void unpluggedWhileViewing();
    void verifyAfterSend_data();
    void verifyAfterSend();
    void progressOfTransfers();
    void identifiesOnceWhenTrusted();
    void passwordLimits();
    void openFailureDetail();
    void faultyLine_data();
    void faultyLine();
    void memoryFile();

private:
    // Starts a relay and makes `device` identify it and use it.
    QString Attach(CVirtualRelayProcess& relay, CRelaySession& device, const QStringList& arguments);
    // Makes `device` identify the relay on `path` and use it; the relay's identification.
    std::uint8_t Select(CRelaySession& device, const QString& path);
};

QString TestDeviceRelay::Attach(CVirtualRelayProcess& relay, CRelaySession& device, const QStringList& arguments)
{
    QString error;
    const QString path = relay.Start(RELAY, arguments, &error);
    if (path.isEmpty())
        qWarning("virtual relay: %s", qPrintable(error));
    Select(device, path);
    return path;
}

std::uint8_t TestDeviceRelay::Select(CRelaySession& device, const QString& path)
{
    std::uint8_t identification = 0;
    const int result = device.IdentifyPort(path, &identification);
    if (result != RESULT_OK)
        qWarning("identification failed: %d", result);
    device.SetPort(path);
    return identification;
}

void TestDeviceRelay::identify_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("revision");
    QTest::addColumn<int>("identification");
    QTest::newRow("QVR_K115_ZQX rev 0") << QStringLiteral("QVR_K115_ZQX") << 0 << 0x10;
    QTest::newRow("QVS_K115_318 rev 15") << QStringLiteral("QVS_K115_318") << 15 << 0x2F;
}

void TestDeviceRelay::identify()
{
    QFETCH(QString, model);
    QFETCH(int, revision);
    QFETCH(int, identification);
    CVirtualRelayProcess relay;
    CRelaySession device;
    const QString path = Attach(relay, device, {QStringLiteral("--model"), model, QStringLiteral("--revision"),
                                                QString::number(revision)});
    QCOMPARE(device.PortName(), path);
    std::uint8_t id = 0;
    QCOMPARE(device.Identify(&id), int(RESULT_OK));
    QCOMPARE(int(id), identification);
}

void TestDeviceRelay::programRoundTrip_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVR_K115_ZQX, 70 bytes") << int(MODEL_QVR_K115_ZQX);
    QTest::newRow("QVS_K115_318, 226 bytes") << int(MODEL_QVS_K115_318);
}

void TestDeviceRelay::programRoundTrip()
{
    QFETCH(int, model);
    const ModelCode code = ModelCode(model);
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), code == MODEL_QVR_K115_ZQX ? QStringLiteral("QVR_K115_ZQX")
                                                                                  : QStringLiteral("QVS_K115_318")});
    const std::unique_ptr<CQuorvexDoc> sent = PatternDocument(code);
    QCOMPARE(Send(device, *sent), int(RESULT_OK));

    std::unique_ptr<CQuorvexDoc> back = DefaultDocument(code);
    QCOMPARE(Read(device, *back), int(RESULT_OK));
    QCOMPARE(Image(*back).toHex(), Image(*sent).toHex());
}

void TestDeviceRelay::wrongModel_data()
{
    QTest::addColumn<QString>("relayModel");
    QTest::addColumn<int>("docModel");
    QTest::newRow("QVS_K115_318 program, QVR_K115_ZQX relay") << QStringLiteral("QVR_K115_ZQX") << int(MODEL_QVS_K115_318);
    QTest::newRow("QVR_K115_ZQX program, QVS_K115_318 relay") << QStringLiteral("QVS_K115_318") << int(MODEL_QVR_K115_ZQX);
}

void TestDeviceRelay::wrongModel()
{
    QFETCH(QString, relayModel);
    QFETCH(int, docModel);
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), relayModel});
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(ModelCode(docModel));
    const QByteArray before = Image(*doc);
    QCOMPARE(Send(device, *doc), int(RESULT_WRONG_MODEL));
    QCOMPARE(Read(device, *doc), int(RESULT_WRONG_MODEL));
    QCOMPARE(View(device, *doc), int(RESULT_WRONG_MODEL));
    // Model QVR_K115_ZQX has no password: refused before the relay is asked anything.
    QCOMPARE(device.ResetRelayPassword(ModelCode(docModel)),
             int(docModel == MODEL_QVR_K115_ZQX ? RESULT_NO_PASSWORD : RESULT_WRONG_MODEL));
    QCOMPARE(Image(*doc), before);
    QVERIFY(!doc->IsModified());

    // No program byte reached the relay: it still holds its default program.
    CRelaySession other;
    Select(other, relay.Path());
    const ModelCode relayCode = relayModel == u"QVR_K115_ZQX" ? MODEL_QVR_K115_ZQX : MODEL_QVS_K115_318;
    std::vector<std::uint8_t> image;
    QCOMPARE(other.ReadProgramImage(relayCode, &image), int(RESULT_OK));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())),
             Image(*DefaultDocument(relayCode)));
}

void TestDeviceRelay::refusedWrite_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("result");
    // A refused write is never success: model QVR_K115_ZQX reports that the relay did not
    // accept the program, model QVS_K115_318 reports the password refusal.
    QTest::newRow("QVR_K115_ZQX") << QStringLiteral("QVR_K115_ZQX") << int(RESULT_WRITE_NOT_ACCEPTED);
    QTest::newRow("QVS_K115_318") << QStringLiteral("QVS_K115_318") << int(RESULT_PASSWORD_REFUSED);
}

void TestDeviceRelay::refusedWrite()
{
    QFETCH(QString, model);
    QFETCH(int, result);
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), model, QStringLiteral("--refuse-writes")});
    const ModelCode code = model == u"QVR_K115_ZQX" ? MODEL_QVR_K115_ZQX : MODEL_QVS_K115_318;
    QCOMPARE(Send(device, *PatternDocument(code)), result);
}

void TestDeviceRelay::unlockWithPrompt()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Prompt prompt;
    prompt.answer = QStringLiteral("sésame");
    device.SetPasswordPrompt(prompt.Callback());
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--password"),
                           QStringLiteral("sésame")});
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVS_K115_318);
    QCOMPARE(Send(device, *doc), int(RESULT_OK));
    QCOMPARE(prompt.shown, 1);
    QCOMPARE(Bytes(device.PasswordCache()), Bytes(MakePasswordBytes(QStringLiteral("sésame"))));
    // Later operations send the cached bytes first and do not ask again.
    QCOMPARE(Read(device, *doc), int(RESULT_OK));
    QCOMPARE(View(device, *doc), int(RESULT_OK));
    QCOMPARE(prompt.shown, 1);

    // A relay without a password accepts the empty cache: no prompt.
    CVirtualRelayProcess open;
    CRelaySession fresh;
    Prompt never;
    fresh.SetPasswordPrompt(never.Callback());
    Attach(open, fresh, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QCOMPARE(Send(fresh, *doc), int(RESULT_OK));
    QCOMPARE(never.shown, 0);
}

void TestDeviceRelay::refusedPasswordKeepsCache()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Prompt prompt;
    device.SetPasswordPrompt(prompt.Callback());
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--password"),
                           QStringLiteral("right")});
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVS_K115_318);
    const QByteArray before = Image(*doc);

    prompt.answer = QStringLiteral("wrong");
    QCOMPARE(Read(device, *doc), int(RESULT_PASSWORD_REFUSED));
    QCOMPARE(prompt.shown, 1);  // asked once, never retried
    QCOMPARE(Bytes(device.PasswordCache()), QByteArray(8, '\0'));
    QCOMPARE(Image(*doc), before);
    QVERIFY(!doc->IsModified());

    prompt.cancel = true;
    QCOMPARE(Send(device, *doc), int(RESULT_PASSWORD_REFUSED));
    QCOMPARE(prompt.shown, 2);

    // Without any prompt a refused cache is a refusal as well.
    CRelaySession silent;
    Select(silent, relay.Path());
    QCOMPARE(Send(silent, *doc), int(RESULT_PASSWORD_REFUSED));
}

void TestDeviceRelay::changeAndResetPassword()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVS_K115_318);

    // A confirmation that differs is caught before anything is sent, so the relay keeps its
    // (empty) password.
    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, QString(), QStringLiteral("abc"), QStringLiteral("abd")),
             int(RESULT_PASSWORD_MISMATCH));
    // The wrong current password is refused and the cache stays.
    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, QStringLiteral("x"), QStringLiteral("abc"),
                                        QStringLiteral("abc")),
             int(RESULT_PASSWORD_REFUSED));
    QCOMPARE(Bytes(device.PasswordCache()), QByteArray(8, '\0'));
    QCOMPARE(Send(device, *doc), int(RESULT_OK));

    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, QString(), QStringLiteral("abc"), QStringLiteral("abc")),
             int(RESULT_OK));
    QCOMPARE(Bytes(device.PasswordCache()), QByteArray("abc") + QByteArray(5, '\0'));
    QCOMPARE(Send(device, *doc), int(RESULT_OK));  // cached bytes unlock

    // Another pane without the password is refused now.
    CRelaySession other;
    Select(other, relay.Path());
    QCOMPARE(Send(other, *doc), int(RESULT_PASSWORD_REFUSED));

    QCOMPARE(device.ResetRelayPassword(MODEL_QVS_K115_318), int(RESULT_OK));
    QCOMPARE(Bytes(device.PasswordCache()), QByteArray(8, '\0'));
    QCOMPARE(Send(other, *doc), int(RESULT_OK));
}

void TestDeviceRelay::resetRefused()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--refuse-reset")});
    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, QString(), QStringLiteral("k"), QStringLiteral("k")),
             int(RESULT_OK));
    QCOMPARE(device.ResetRelayPassword(MODEL_QVS_K115_318), int(RESULT_RESET_REFUSED));
    QCOMPARE(Bytes(device.PasswordCache()), QByteArray("k") + QByteArray(7, '\0'));
}

void TestDeviceRelay::view()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    // The relay starts with the default program: viewing it is allowed, another is not.
    QCOMPARE(View(device, *DefaultDocument(MODEL_QVS_K115_318)), int(RESULT_OK));
    QCOMPARE(View(device, *PatternDocument(MODEL_QVS_K115_318)), int(RESULT_VIEW_MISMATCH));

    ChannelState states[2];
    states[1].fieldIndex = 99;
    QCOMPARE(device.PollView(MODEL_QVS_K115_318, states), int(RESULT_OK));
    QVERIFY(states[0].fieldIndex < FIELD_COUNT);
    QVERIFY(states[1].fieldIndex < FIELD_COUNT);
    // Polling a relay of the other model fails on the reply length, never writes a second
    // record.
    ChannelState one[2];
    one[1].fieldIndex = 99;
    QCOMPARE(device.PollView(MODEL_QVR_K115_ZQX, one), int(RESULT_BAD_LENGTH));
    QCOMPARE(one[1].fieldIndex, 99);
}

void TestDeviceRelay::silentRelayTimesOut()
{
    // A locked relay does not answer a program read: the first reply byte is missing.
    CVirtualRelayProcess relay;
    CRelaySession device;
    const QString path = Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                                                QStringLiteral("--password"), QStringLiteral("p")});
    CRelaySession::Port port;
    QCOMPARE(device.OpenPort(&port), int(RESULT_OK));
    std::uint8_t buffer[Layout_QVS_K115_318::IMAGE_SIZE];
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(RelayFrames::ReadProgram(*port, buffer, int(sizeof buffer)), int(RESULT_TIMEOUT));
    const qint64 waited = timer.elapsed();
    CRelaySession::ClosePort(&port);
    QVERIFY2(waited >= READ_TIMEOUT_MS - 100 && waited < READ_TIMEOUT_MS + 3000, qPrintable(QString::number(waited)));
}

void TestDeviceRelay::portBusy()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    const QString path = Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    CRelaySession holder;
    CRelaySession::Port held;
    QCOMPARE(holder.OpenPort(path, &held), int(RESULT_OK));
    QCOMPARE(Send(device, *DefaultDocument(MODEL_QVR_K115_ZQX)), int(RESULT_NO_PORT));
    // A pass cannot identify it either, so the relay drops out of the list for this pass.
    CRelayList relays;
    std::uint8_t identification = 0;
    QCOMPARE(device.IdentifyPort(path, &identification), int(RESULT_NO_PORT));
    DeviceDiscovery::RunPass(relays, device, {path});
    QCOMPARE(relays.GetCount(), 0);
    CRelaySession::ClosePort(&held);
    QCOMPARE(holder.IdentifyPort(path, &identification), int(RESULT_OK));
}

void TestDeviceRelay::operationOnWorkerThread()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVS_K115_318);
    int result = -1;
    std::unique_ptr<QThread> worker(QThread::create([&]() { result = Send(device, *doc); }));
    worker->start();
    QVERIFY(worker->wait(10000));
    QCOMPARE(result, int(RESULT_OK));
    std::unique_ptr<CQuorvexDoc> back = DefaultDocument(MODEL_QVS_K115_318);
    QCOMPARE(Read(device, *back), int(RESULT_OK));
    QCOMPARE(Image(*back), Image(*doc));
}

void TestDeviceRelay::discovery()
{
    CVirtualRelayProcess qvr;
    CVirtualRelayProcess qvs;
    const QString qvrPath = qvr.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                                              QStringLiteral("--revision"), QStringLiteral("2")});
    const QString qvsPath = qvs.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                                              QStringLiteral("--revision"), QStringLiteral("5")});
    QVERIFY(!qvrPath.isEmpty() && !qvsPath.isEmpty());
    // A path with nothing behind it is skipped.
    qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE,
            QStringLiteral("/dev/pts/does-not-exist:%1:%2").arg(qvrPath, qvsPath).toLocal8Bit());

    CRelaySession device;
    CRelayList relays;
    DeviceDiscovery::RunPass(relays, device);
    QCOMPARE(relays.GetCount(), 2);
    QCOMPARE(relays.GetPortName(0), qvrPath);
    QCOMPARE(relays.GetDisplayName(0), QStringLiteral("QVR USB Time Relay"));
    QCOMPARE(relays.GetDisplayName(1), QStringLiteral("QVS USB Time Relay"));
    QCOMPARE(relays.GetSelected(), -1);

    relays.SelectDevice(1);
    DeviceDiscovery::RunPass(relays, device);
    QCOMPARE(relays.GetCount(), 2);
    QCOMPARE(relays.GetSelected(), 1);

    // Unplugging the first relay moves the selected one to index 0.
    qvr.Stop();
    DeviceDiscovery::RunPass(relays, device);
    QCOMPARE(relays.GetCount(), 1);
    QCOMPARE(relays.GetPortName(0), qvsPath);
    QCOMPARE(relays.GetSelected(), 0);

    // Unplugging the selected relay leaves no selection.
    qvs.Stop();
    DeviceDiscovery::RunPass(relays, device);
    QCOMPARE(relays.GetCount(), 0);
    QCOMPARE(relays.GetSelected(), -1);
    qunsetenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE);
}

void TestDeviceRelay::unpluggedWhileViewing()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    QCOMPARE(View(device, *DefaultDocument(MODEL_QVR_K115_ZQX)), int(RESULT_OK));
    ChannelState state;
    QCOMPARE(device.PollView(MODEL_QVR_K115_ZQX, &state), int(RESULT_OK));

    // The relay vanishes while a port is open on it: the read fails, it does not hang.
    CRelaySession::Port port;
    QCOMPARE(device.OpenPort(&port), int(RESULT_OK));
    relay.Stop();
    const int during = RelayFrames::ReadChannelState(*port, 1, &state);
    CRelaySession::ClosePort(&port);
    QVERIFY2(during == RESULT_READ_FAILED || during == RESULT_WRITE_FAILED || during == RESULT_TIMEOUT,
             qPrintable(QString::number(during)));
    // The next poll cannot open the port at all.
    QCOMPARE(device.PollView(MODEL_QVR_K115_ZQX, &state), int(RESULT_NO_PORT));
}

void TestDeviceRelay::verifyAfterSend_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("corrupted"); // the relay stores something else than it got
    QTest::addColumn<int>("result");
    QTest::newRow("QVR_K115_ZQX") << QStringLiteral("QVR_K115_ZQX") << false << int(RESULT_OK);
    QTest::newRow("QVS_K115_318") << QStringLiteral("QVS_K115_318") << false << int(RESULT_OK);
    QTest::newRow("QVR_K115_ZQX stores another program") << QStringLiteral("QVR_K115_ZQX") << true
                                                         << int(RESULT_VERIFY_MISMATCH);
    QTest::newRow("QVS_K115_318 stores another program") << QStringLiteral("QVS_K115_318") << true
                                                         << int(RESULT_VERIFY_MISMATCH);
}

void TestDeviceRelay::verifyAfterSend()
{
    QFETCH(QString, model);
    QFETCH(bool, corrupted);
    QFETCH(int, result);
    const ModelCode code = model == u"QVR_K115_ZQX" ? MODEL_QVR_K115_ZQX : MODEL_QVS_K115_318;
    CVirtualRelayProcess relay;
    CRelaySession device;
    QStringList arguments{QStringLiteral("--model"), model, QStringLiteral("--password"), QStringLiteral("pw")};
    if (code == MODEL_QVR_K115_ZQX)
        arguments = arguments.mid(0, 2);
    if (corrupted)
        arguments << QStringLiteral("--store-corrupted");
    Prompt prompt;
    prompt.answer = QStringLiteral("pw");
    device.SetPasswordPrompt(prompt.Callback());
    Attach(relay, device, arguments);
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(code);
    VerifyReport report;
    QCOMPARE(device.SendAndVerifyProgram(code, doc->GetData(), doc->GetDataSize(), &report), result);
    QVERIFY(report.compared);
    // The password is asked once, for the write; the read-back uses the accepted one.
    QCOMPARE(prompt.shown, code == MODEL_QVS_K115_318 ? 1 : 0);
    QCOMPARE(int(report.stored.size()), doc->GetDataSize());
    if (corrupted) {
        QCOMPARE(report.differing, 1);
        QCOMPARE(report.firstDifference, doc->GetDataSize() / 2);
        QCOMPARE(int(report.stored[std::size_t(report.firstDifference)]), doc->GetData()[report.firstDifference] ^ 1);
    } else {
        QCOMPARE(report.differing, 0);
        QCOMPARE(report.firstDifference, -1);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(report.stored.data()), doc->GetDataSize()), Image(*doc));
    }
}

void TestDeviceRelay::progressOfTransfers()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    struct Call {
        TransferDirection direction;
        int done;
        int total;
        QThread* thread;
    };
    std::vector<Call> calls;
    device.SetProgressCallback([&calls](TransferDirection direction, int done, int total) {
        calls.push_back({direction, done, total, QThread::currentThread()});
    });
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVS_K115_318);
    int result = -1;
    std::unique_ptr<QThread> worker(QThread::create(
        [&]() { result = device.SendAndVerifyProgram(MODEL_QVS_K115_318, doc->GetData(), doc->GetDataSize()); }));
    worker->start();
    QVERIFY(worker->wait(20000));
    QCOMPARE(result, int(RESULT_OK));

    // Sending the program frame, then receiving the 226 program bytes one by one; all on
    // the operation's thread.
    QVERIFY(!calls.empty());
    const auto firstReceiving = std::find_if(calls.begin(), calls.end(), [](const Call& c) {
        return c.direction == TransferDirection::Receiving;
    });
    QVERIFY(firstReceiving != calls.begin() && firstReceiving != calls.end());
    const Call& lastSending = *(firstReceiving - 1);
    QVERIFY(lastSending.total > doc->GetDataSize());
    QCOMPARE(lastSending.done, lastSending.total);
    QCOMPARE(int(calls.end() - firstReceiving), doc->GetDataSize() + 1);
    for (auto call = firstReceiving; call != calls.end(); ++call)
        QCOMPARE(call->done, int(call - firstReceiving));
    for (const Call& call : calls)
        QCOMPARE(call.thread, worker.get());

    // Reading alone reports only the received bytes.
    calls.clear();
    std::vector<std::uint8_t> image;
    QCOMPARE(device.ReadProgramImage(MODEL_QVS_K115_318, &image), int(RESULT_OK));
    QCOMPARE(int(calls.size()), doc->GetDataSize() + 1);
    QCOMPARE(calls.back().done, doc->GetDataSize());
}

void TestDeviceRelay::identifiesOnceWhenTrusted()
{
    CVirtualRelayProcess relay;
    const QString path = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QVERIFY(!path.isEmpty());
    Counts counts;
    CRelaySession device([&counts] { return std::make_unique<CCountingTransport>(&counts); });
    const std::uint8_t identification = Select(device, path);
    QCOMPARE(counts.identifications, 1);
    device.TrustIdentification(identification);

    // The operations take the identification of a moment ago, and a read needs one open.
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVS_K115_318);
    QCOMPARE(device.SendAndVerifyProgram(MODEL_QVS_K115_318, doc->GetData(), doc->GetDataSize()), int(RESULT_OK));
    counts = {};
    std::vector<std::uint8_t> image;
    QCOMPARE(device.ReadProgramImage(MODEL_QVS_K115_318, &image), int(RESULT_OK));
    std::uint8_t trusted = 0;
    QCOMPARE(device.Identify(&trusted), int(RESULT_OK));
    QCOMPARE(int(trusted), 0x21);
    QCOMPARE(counts.identifications, 0);
    QCOMPARE(counts.opens, 1);
    // The model check still holds.
    QCOMPARE(Send(device, *PatternDocument(MODEL_QVR_K115_ZQX)), int(RESULT_WRONG_MODEL));
    QCOMPARE(counts.identifications, 0);

    // Choosing the relay again ends the trust: it is asked again.
    Select(device, path);
    counts = {};
    QCOMPARE(device.ReadProgramImage(MODEL_QVS_K115_318, &image), int(RESULT_OK));
    QCOMPARE(counts.identifications, 1);
    QCOMPARE(counts.opens, 2);
}

void TestDeviceRelay::passwordLimits()
{
    CVirtualRelayProcess relay;
    CRelaySession device;
    Prompt prompt;
    device.SetPasswordPrompt(prompt.Callback());
    Attach(relay, device, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});

    // Eight characters, sixteen bytes: refused before anything is sent, so the relay keeps
    // its empty password and takes a fitting one afterwards.
    const QString tooLong = QStringLiteral("zażółćgę");
    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, QString(), tooLong, tooLong), int(RESULT_PASSWORD_TOO_LONG));
    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, tooLong, QStringLiteral("a"), QStringLiteral("a")),
             int(RESULT_PASSWORD_TOO_LONG));
    QCOMPARE(device.ChangeRelayPassword(MODEL_QVS_K115_318, QString(), QStringLiteral("ąęść"), QStringLiteral("ąęść")),
             int(RESULT_OK));

    // A prompted password that does not fit is not sent either.
    CRelaySession other;
    Prompt longPrompt;
    longPrompt.answer = QStringLiteral("ąęśćx");
    other.SetPasswordPrompt(longPrompt.Callback());
    Select(other, relay.Path());
    QCOMPARE(Send(other, *PatternDocument(MODEL_QVS_K115_318)), int(RESULT_PASSWORD_TOO_LONG));
    QCOMPARE(longPrompt.shown, 1);

    // Model QVR_K115_ZQX has no password: refused before any port is opened (this device
    // has no relay selected, which would otherwise give 34).
    CRelaySession none;
    QCOMPARE(none.ChangeRelayPassword(MODEL_QVR_K115_ZQX, QString(), QStringLiteral("a"), QStringLiteral("a")),
             int(RESULT_NO_PASSWORD));
    QCOMPARE(none.ChangeRelayPassword(MODEL_QVR_K115_ZQX, PasswordBytes{}, PasswordBytes{}), int(RESULT_NO_PASSWORD));
    QCOMPARE(none.ResetRelayPassword(MODEL_QVR_K115_ZQX), int(RESULT_NO_PASSWORD));
    QCOMPARE(none.LastOpenFailure(), PortOpenFailure::None);
}

void TestDeviceRelay::openFailureDetail()
{
    CRelaySession device;
    CRelaySession::Port port;
    QCOMPARE(device.OpenPort(QStringLiteral("/dev/does-not-exist"), &port), int(RESULT_NO_PORT));
    QCOMPARE(device.LastOpenFailure(), PortOpenFailure::NotFound);
    QCOMPARE(device.OpenPort(&port), int(RESULT_NO_PORT));
    QCOMPARE(device.LastOpenFailure(), PortOpenFailure::NoSelection);

    CVirtualRelayProcess relay;
    const QString path = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    CRelaySession holder;
    CRelaySession::Port held;
    QCOMPARE(holder.OpenPort(path, &held), int(RESULT_OK));
    QCOMPARE(holder.LastOpenFailure(), PortOpenFailure::None);
    QCOMPARE(device.OpenPort(path, &port), int(RESULT_NO_PORT));
    QCOMPARE(device.LastOpenFailure(), PortOpenFailure::Busy);
    CRelaySession::ClosePort(&held);
}

// The relay's faulty line, each fault on every byte: stalls inside the per-byte time-out are
// waited out, anything else ends the identification with the code of what went wrong; a
// relay that vanishes takes its port with it.
void TestDeviceRelay::faultyLine_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("result");
    QTest::newRow("stalls just inside the time-out") << QStringList{"--near-stall-rate", "1", "--near-stall-ms", "150"}
                                                     << int(RESULT_OK);
    QTest::newRow("stalls past the time-out") << QStringList{"--stall-rate", "1", "--stall-ms", "2100"}
                                              << int(RESULT_TIMEOUT);
    QTest::newRow("every byte lost") << QStringList{"--drop-rate", "1"} << int(RESULT_TIMEOUT);
    QTest::newRow("every byte changed") << QStringList{"--change-rate", "1"} << int(RESULT_TIMEOUT);
    QTest::newRow("vanishes in the middle") << QStringList{"--vanish-rate", "1"} << int(RESULT_READ_FAILED);
}

void TestDeviceRelay::faultyLine()
{
    QFETCH(QStringList, faults);
    QFETCH(int, result);
    CVirtualRelayProcess relay;
    const QString path = relay.Start(RELAY, QStringList{"--model", "QVR_K115_ZQX"} + faults);
    QVERIFY(!path.isEmpty());
    CRelaySession device;
    device.SetPort(path);
    std::uint8_t identification = 0;
    QCOMPARE(device.Identify(&identification), result);
    if (result == RESULT_OK)
        QCOMPARE(int(identification), int(IdentificationByte(1, 1)));
    if (faults.first() == u"--vanish-rate") {
        QCOMPARE(relay.WaitForExit(3000), 3);
        QCOMPARE(device.Identify(&identification), int(RESULT_NO_PORT));
        QCOMPARE(device.LastOpenFailure(), PortOpenFailure::NotFound);
    }
}

// The memory file holds what the relay stores, and a relay started again on it still holds it;
// a file that is no program of the model is refused.
void TestDeviceRelay::memoryFile()
{
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("relay.image"));
    const QStringList arguments{"--model", "QVR_K115_ZQX", "--memory", memory};
    const std::unique_ptr<CQuorvexDoc> doc = PatternDocument(MODEL_QVR_K115_ZQX);
    {
        CVirtualRelayProcess relay;
        CRelaySession device;
        Attach(relay, device, arguments);
        QFile file(memory);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), Image(*DefaultDocument(MODEL_QVR_K115_ZQX)));
        QCOMPARE(Send(device, *doc), int(RESULT_OK));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), Image(*doc));
    }
    CVirtualRelayProcess again;
    CRelaySession device;
    Attach(again, device, arguments);
    std::vector<std::uint8_t> image;
    QCOMPARE(device.ReadProgramImage(MODEL_QVR_K115_ZQX, &image), int(RESULT_OK));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())), Image(*doc));

    QProcess other;
    other.start(RELAY, {"--model", "QVS_K115_318", "--memory", memory});
    QVERIFY(other.waitForFinished(5000));
    QCOMPARE(other.exitCode(), 2);
    QVERIFY2(other.readAllStandardError().contains("holds 70 bytes; a program of this model has 226"),
             qPrintable(memory));
}

QTEST_GUILESS_MAIN(TestDeviceRelay)
#include "tst_device_relay.moc"
