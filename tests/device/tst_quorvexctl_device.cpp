// quorvexctl relay commands against virtual relays: output and exit status.

#include "RelaySession.h"
#include "ResultCodes.h"
#include "TerminalProcess.h"
#include "VirtualRelayProcess.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const QString BIN = QStringLiteral(QUORVEX_BIN_DIR);
const QString RELAY = BIN + QStringLiteral("/quorvex-virtual-relay");
const QString CTL = BIN + QStringLiteral("/quorvexctl");

struct CtlRun {
    int status = -1;
    QString out;
    QString err;
};

// The environment every run gets: English messages (no saved language, no locale
// language), and the relays attached through QUORVEX_EXTRA_PORTS.
QStringList Environment(const QString& extraPorts)
{
    static QTemporaryDir config;
    return {QStringLiteral("XDG_CONFIG_HOME=") + config.path(), QStringLiteral("LC_ALL=C"), QStringLiteral("LANG=C"),
            QStringLiteral("QUORVEX_EXTRA_PORTS=") + extraPorts};
}

void Prepare(QProcess& process, const QString& extraPorts, const QStringList& more)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QUORVEX_PASSWORD"));
    for (const QString& variable : Environment(extraPorts) + more)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    process.setProcessEnvironment(environment);
}

CtlRun Finish(QProcess& process)
{
    CtlRun run;
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// With stdoutFile, the tool's standard output goes to that file.
CtlRun Ctl(const QStringList& arguments, const QString& extraPorts = {}, const QStringList& environment = {},
           const QString& stdoutFile = {})
{
    QProcess process;
    Prepare(process, extraPorts, environment);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(CTL, arguments);
    return Finish(process);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The command lines of the running quorvexctl processes, as the process list shows them to
// every user (the virtual relay's own line, which holds its password, is left out).
QByteArray ProcessList()
{
    QProcess ps;
    ps.start(QStringLiteral("ps"), {QStringLiteral("-eo"), QStringLiteral("args")});
    ps.waitForFinished(5000);
    QByteArray lines;
    for (const QByteArray& line : ps.readAllStandardOutput().split('\n'))
        if (line.contains("quorvexctl"))
            lines += line + '\n';
    return lines;
}

} // namespace

class TestQuorvexctlDevice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listAndIdentify();
    void transferWithPassword();
    void passwordCommands();
    void watchPolls();
    void scriptWithoutTerminal();
    void progressBarOnTerminal();
    void verifyFindsAnotherProgram();
    void passwordNeverInProcessList_data();
    void passwordNeverInProcessList();
    void portMayBeLeftOut();
    void verboseShowsEachFrameAndOneIdentification();
    void portFailuresInTerminalWords();
    void portAccessDenied();
    void passwordOnRelayWithoutOne();
    void watchForScripts();
    void virtualRelayOptions_data();
    void virtualRelayOptions();
    void lostOutputIsReported_data();
    void lostOutputIsReported();
    void readOntoANodeLeavesItAlone_data();
    void readOntoANodeLeavesItAlone();

private:
    QTemporaryDir m_dir;
    QString Path(const QString& name) const { return m_dir.filePath(name); }
};

void TestQuorvexctlDevice::listAndIdentify()
{
    CVirtualRelayProcess qvr;
    CVirtualRelayProcess qvs;
    const QString qvrPath = qvr.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                      {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"), QStringLiteral("--revision"),
                                       QStringLiteral("4")});
    const QString qvsPath = qvs.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                      {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QVERIFY(!qvrPath.isEmpty() && !qvsPath.isEmpty());

    const CtlRun list = Ctl({QStringLiteral("list")}, qvrPath + u':' + qvsPath);
    QCOMPARE(list.status, 0);
    const QStringList lines = list.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.contains(qvrPath + QStringLiteral("\tQVR USB Time Relay\t1\t4\tQVR_K115_ZQX")));
    QVERIFY(lines.contains(qvsPath + QStringLiteral("\tQVS USB Time Relay\t2\t1\tQVS_K115_318")));

    const CtlRun identify = Ctl({QStringLiteral("identify"), QStringLiteral("--port"), qvrPath});
    QCOMPARE(identify.status, 0);
    QVERIFY(identify.out.contains(QStringLiteral("version 1.4")));

    qvr.Stop();
    const CtlRun gone = Ctl({QStringLiteral("identify"), QStringLiteral("--port"), qvrPath});
    QCOMPARE(gone.status, int(RESULT_NO_PORT));
    // Without --port and with no relay attached there is nobody to ask.
    const CtlRun none = Ctl({QStringLiteral("identify")});
    QCOMPARE(none.status, int(RESULT_NO_PORT));
    QVERIFY2(none.err.contains(QStringLiteral("no relays found")), qPrintable(none.err));
}

void TestQuorvexctlDevice::transferWithPassword()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("p.qvx"));
    const QString back = dir.filePath(QStringLiteral("back.qvx"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), program}).status, 0);

    CVirtualRelayProcess relay;
    const QString port = relay.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                     {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--password"),
                                      QStringLiteral("pw")});
    QVERIFY(!port.isEmpty());
    const QStringList send{QStringLiteral("send"), program, QStringLiteral("--port"), port};

    const CtlRun missing = Ctl(send);
    QCOMPARE(missing.status, int(RESULT_PASSWORD_REFUSED));
    QVERIFY(missing.err.contains(QStringLiteral("--password")));
    QCOMPARE(Ctl(send + QStringList{QStringLiteral("--password"), QStringLiteral("no")}).status, int(RESULT_PASSWORD_REFUSED));
    QCOMPARE(Ctl(send + QStringList{QStringLiteral("--password"), QStringLiteral("pw")}).status, 0);

    const CtlRun read = Ctl({QStringLiteral("read"), QStringLiteral("--port"), port, QStringLiteral("--password"),
                             QStringLiteral("pw"), QStringLiteral("-o"), back});
    QCOMPARE(read.status, 0);
    QFile a(program);
    QFile b(back);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(b.readAll(), a.readAll());

    // A failed read leaves no file behind.
    const QString none = dir.filePath(QStringLiteral("none.qvx"));
    QCOMPARE(Ctl({QStringLiteral("read"), QStringLiteral("--port"), port, QStringLiteral("-o"), none}).status,
             int(RESULT_PASSWORD_REFUSED));
    QVERIFY(!QFile::exists(none));
}

void TestQuorvexctlDevice::passwordCommands()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                     {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QVERIFY(!port.isEmpty());
    const QStringList change{QStringLiteral("password"), QStringLiteral("change"), QStringLiteral("--port"), port};
    QCOMPARE(Ctl(change + QStringList{QStringLiteral("--new"), QStringLiteral("a"), QStringLiteral("--confirm"),
                                      QStringLiteral("b")}).status,
             int(RESULT_PASSWORD_MISMATCH));
    QCOMPARE(Ctl(change + QStringList{QStringLiteral("--new"), QStringLiteral("abc")}).status, 0);
    QCOMPARE(Ctl(change + QStringList{QStringLiteral("--new"), QStringLiteral("x")}).status, int(RESULT_PASSWORD_REFUSED));
    QCOMPARE(Ctl({QStringLiteral("password"), QStringLiteral("reset"), QStringLiteral("--port"), port}).status, 0);
    QCOMPARE(Ctl(change + QStringList{QStringLiteral("--new"), QStringLiteral("y")}).status, 0);
    QCOMPARE(Ctl(change + QStringList{QStringLiteral("--new"), QStringLiteral("123456789")}).status, 2);
}

void TestQuorvexctlDevice::watchPolls()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                     {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QVERIFY(!port.isEmpty());
    const CtlRun watch = Ctl({QStringLiteral("watch"), QStringLiteral("--port"), port, QStringLiteral("--polls"),
                              QStringLiteral("3")});
    QCOMPARE(watch.status, 0);
    const QStringList lines = watch.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    // Each poll begins with its time stamp.
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} channel 1: field ")).match(lines.first()).hasMatch(),
             qPrintable(lines.first()));
    QVERIFY(lines.first().contains(QStringLiteral(" | channel 2: field ")));
}

// A program made from text, sent with verification to a relay at the real line speed, read
// back and compared as text: all without a terminal, so without a progress bar.
void TestQuorvexctlDevice::scriptWithoutTerminal()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                                             QStringLiteral("--baud-pacing")});
    QVERIFY(!port.isEmpty());
    QVERIFY(WriteAll(Path(QStringLiteral("script.json")),
                     "{\"model\": \"QVR_K115_ZQX\", \"steps\": [{\"step\": 1, \"relay operation\": \"on\"},"
                     " {\"step\": 4, \"time\": \"fixed 0.5 s\", \"jump\": \"start\"}]}"));
    const QString program = Path(QStringLiteral("script.qvp"));
    QCOMPARE(Ctl({QStringLiteral("import"), Path(QStringLiteral("script.json")), QStringLiteral("-o"), program}).status, 0);

    const CtlRun send = Ctl({QStringLiteral("send"), program, QStringLiteral("--port"), port});
    QCOMPARE(send.status, 0);
    QCOMPARE(send.out, QStringLiteral("sent 70 bytes to %1\nverified 70 bytes\n").arg(port));
    QCOMPARE(send.err, QString());

    const QString back = Path(QStringLiteral("script-back.qvp"));
    const CtlRun read = Ctl({QStringLiteral("read"), QStringLiteral("--port=") + port, QStringLiteral("-o"), back});
    QCOMPARE(read.status, 0);
    QCOMPARE(read.err, QString());
    const CtlRun sentText = Ctl({QStringLiteral("export"), program});
    const CtlRun readText = Ctl({QStringLiteral("export"), back});
    QCOMPARE(readText.status, 0);
    QCOMPARE(readText.out, sentText.out);
    QVERIFY(readText.out.contains(QStringLiteral("\"time\": \"fixed 0.5 s\"")));
}

void TestQuorvexctlDevice::progressBarOnTerminal()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                                             QStringLiteral("--baud-pacing")});
    const QString program = Path(QStringLiteral("bar.qvp"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--force"), QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                  program}).status,
             0);

    CTerminalProcess terminal;
    QVERIFY(terminal.Start(CTL, {QStringLiteral("send"), program, QStringLiteral("--port"), port}, Environment(QString())));
    QCOMPARE(terminal.Wait(20000), 0);
    const QByteArray shown = terminal.Output();
    // Redrawn in place while the bytes go, then complete: sending, then reading back.
    QVERIFY2(shown.contains("\rSending the program to the relay"), shown.constData());
    QVERIFY2(shown.count("\rSending the program to the relay") >= 3, shown.constData());
    QVERIFY2(shown.contains("] 100% 70/70\r\n") || shown.contains("] 100% 70/70\n"), shown.constData());
    QVERIFY2(shown.contains("\rReading the program from the relay"), shown.constData());
    QVERIFY(shown.contains("verified 70 bytes"));

    // -q: nothing but errors.
    CTerminalProcess quiet;
    QVERIFY(quiet.Start(CTL, {QStringLiteral("send"), program, QStringLiteral("--port"), port, QStringLiteral("-q")},
                        Environment(QString())));
    QCOMPARE(quiet.Wait(20000), 0);
    QCOMPARE(quiet.Output(), QByteArray());
}

void TestQuorvexctlDevice::verifyFindsAnotherProgram()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                                             QStringLiteral("--store-corrupted")});
    const QString program = Path(QStringLiteral("verify.qvp"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--force"), QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                  program}).status,
             0);
    const CtlRun send = Ctl({QStringLiteral("send"), program, QStringLiteral("--port"), port});
    QCOMPARE(send.status, 43);
    QCOMPARE(send.out, QString());
    QCOMPARE(send.err, QStringLiteral("quorvexctl: the relay on %1 holds a different program than was sent: 1 of 70 bytes "
                                      "differ, the first at byte 35 (error 43)\n").arg(port));
    // Without verification the write itself is reported as it went.
    QCOMPARE(Ctl({QStringLiteral("send"), program, QStringLiteral("--port"), port, QStringLiteral("--no-verify")}).status, 0);
}

void TestQuorvexctlDevice::passwordNeverInProcessList_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("file") << QStringLiteral("file");
    QTest::newRow("environment") << QStringLiteral("environment");
    QTest::newRow("prompt") << QStringLiteral("prompt");
}

void TestQuorvexctlDevice::passwordNeverInProcessList()
{
    QFETCH(QString, source);
    const QByteArray secret = "Pw7x" + QByteArray::number(QCoreApplication::applicationPid() % 1000);
    CVirtualRelayProcess relay;
    // At the real line speed the transfer takes seconds: time to look at the process list.
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--password"),
                                             QString::fromLatin1(secret), QStringLiteral("--baud-pacing")});
    QVERIFY(!port.isEmpty());
    const QString program = Path(QStringLiteral("secret.qvs"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--force"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                  program}).status,
             0);
    QStringList args{QStringLiteral("send"), program, QStringLiteral("--port"), port, QStringLiteral("--no-verify")};

    if (source == u"prompt") {
        CTerminalProcess terminal;
        QVERIFY(terminal.Start(CTL, args, Environment(QString())));
        QVERIFY2(terminal.ReadUntil("password", 10000), terminal.Output().constData());
        terminal.Write(secret + "\n");
        int looks = 0;
        bool seen = false;
        while (::kill(terminal.Pid(), 0) == 0 && looks++ < 10) {
            const QByteArray list = ProcessList();
            seen = seen || list.contains(program.toLocal8Bit());
            QVERIFY(!list.contains(secret));
            QTest::qWait(150);
        }
        QVERIFY(seen);
        QCOMPARE(terminal.Wait(20000), 0);
        // Typed without echo.
        QVERIFY2(!terminal.Output().contains(secret), terminal.Output().constData());
        QVERIFY(terminal.Output().contains("sent 226 bytes"));
        return;
    }
    QStringList environment;
    if (source == u"file") {
        QVERIFY(WriteAll(Path(QStringLiteral("secret.txt")), secret + "\n"));
        args << QStringLiteral("--password-file") << Path(QStringLiteral("secret.txt"));
    } else {
        environment << QStringLiteral("QUORVEX_PASSWORD=") + QString::fromLatin1(secret);
    }
    QProcess process;
    Prepare(process, QString(), environment);
    process.start(CTL, args);
    QVERIFY(process.waitForStarted());
    int looks = 0;
    bool seen = false;
    while (process.state() == QProcess::Running && !process.waitForFinished(150) && looks++ < 10) {
        const QByteArray list = ProcessList();
        seen = seen || list.contains(program.toLocal8Bit());
        QVERIFY(!list.contains(secret));
    }
    QVERIFY(seen);
    const CtlRun run = Finish(process);
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("sent 226 bytes")));
}

void TestQuorvexctlDevice::portMayBeLeftOut()
{
    CVirtualRelayProcess one;
    CVirtualRelayProcess two;
    const QString first = one.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--revision"),
                                            QStringLiteral("7")});
    const QString second = two.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    const CtlRun only = Ctl({QStringLiteral("identify"), QStringLiteral("--json")}, first);
    QCOMPARE(only.status, 0);
    QCOMPARE(only.out, QStringLiteral("{\"port\": \"%1\", \"name\": \"QVS USB Time Relay\", \"model\": \"QVS_K115_318\", "
                                      "\"type\": 2, \"revision\": 7, \"version\": \"2.7\"}\n").arg(first));
    // With two attached the tool does not guess.
    const CtlRun both = Ctl({QStringLiteral("identify")}, first + u':' + second);
    QCOMPARE(both.status, 2);
    QVERIFY2(both.err.contains(QStringLiteral("2 relays found (%1 QVS_K115_318, %2 QVR_K115_ZQX); choose one with --port")
                                   .arg(first, second)),
             qPrintable(both.err));
    QCOMPARE(Ctl({QStringLiteral("list"), QStringLiteral("--json")}, first + u':' + second).out.count(QStringLiteral("\"port\"")), 2);
    const CtlRun none = Ctl({QStringLiteral("list")});
    QCOMPARE(none.status, 0);
    QCOMPARE(none.out, QString());
    QCOMPARE(none.err, QStringLiteral("quorvexctl: no relays found\n"));
}

void TestQuorvexctlDevice::verboseShowsEachFrameAndOneIdentification()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--password"),
                                             QStringLiteral("hush")});
    const QString program = Path(QStringLiteral("verbose.qvs"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--force"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                  program}).status,
             0);
    const CtlRun send = Ctl({QStringLiteral("send"), program, QStringLiteral("-v")}, port,
                            {QStringLiteral("QUORVEX_PASSWORD=hush")});
    QCOMPARE(send.status, 0);
    const QStringList frames = send.err.split(u'\n').filter(QRegularExpression(QStringLiteral("^[<>] ")));
    // The relay is identified once: found and identified, then written and read back.
    QCOMPARE(frames.filter(QStringLiteral("> 1 (identify)")).size(), 1);
    QCOMPARE(frames.filter(QStringLiteral("> 3 (write program), 226 data bytes: 42 10 00 3F")).size(), 1);
    QCOMPARE(frames.filter(QStringLiteral("> 5 (read program), 0 data bytes")).size(), 1);
    QCOMPARE(frames.filter(QStringLiteral("< 6 (reply), 226 data bytes: 42 10 00 3F")).size(), 1);
    // Password bytes are never shown.
    QVERIFY(frames.filter(QStringLiteral("> 9 (password), 8 data bytes: (not shown)")).size() >= 1);
    QVERIFY(!send.err.contains(QStringLiteral("68 75 73 68")));
}

void TestQuorvexctlDevice::portFailuresInTerminalWords()
{
    const CtlRun missing = Ctl({QStringLiteral("identify"), QStringLiteral("--port"), QStringLiteral("/dev/ttyACM99")});
    QCOMPARE(missing.status, int(RESULT_NO_PORT));
    QCOMPARE(missing.err, QStringLiteral("quorvexctl: no such port /dev/ttyACM99 (error 34)\n"));

    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    CRelaySession holder;
    CRelaySession::Port held;
    QCOMPARE(holder.OpenPort(port, &held), int(RESULT_OK));
    const CtlRun busy = Ctl({QStringLiteral("identify"), QStringLiteral("--port"), port});
    CRelaySession::ClosePort(&held);
    QCOMPARE(busy.status, int(RESULT_NO_PORT));
    QCOMPARE(busy.err, QStringLiteral("quorvexctl: port %1 is in use by another program (error 34)\n").arg(port));
}

// A user who may not use serial ports (not in the group dialout) is told so; the result stays 34.
void TestQuorvexctlDevice::portAccessDenied()
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("needs root and setpriv to run the tool as a user without access to the port");
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    QProcess process;
    Prepare(process, QString(), {});
    process.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                              QStringLiteral("--clear-groups"), CTL, QStringLiteral("identify"),
                                              QStringLiteral("--port"), port});
    const CtlRun run = Finish(process);
    QCOMPARE(run.status, int(RESULT_NO_PORT));
    QVERIFY2(run.err.contains(QStringLiteral("you are not allowed to use it")) && run.err.contains(QStringLiteral("dialout")),
             qPrintable(run.err));
    QVERIFY(run.err.contains(port));
}

void TestQuorvexctlDevice::passwordOnRelayWithoutOne()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    const CtlRun change = Ctl({QStringLiteral("password"), QStringLiteral("change"), QStringLiteral("--port"), port,
                               QStringLiteral("--new"), QStringLiteral("a")});
    QCOMPARE(change.status, int(RESULT_WRONG_MODEL));
    QCOMPARE(change.err, QStringLiteral("quorvexctl: the QVR_K115_ZQX relay has no password (error 39)\n"));
    QCOMPARE(Ctl({QStringLiteral("password"), QStringLiteral("reset"), QStringLiteral("--port"), port}).status,
             int(RESULT_WRONG_MODEL));

    // A program of the other model is not sent to it.
    const QString program = Path(QStringLiteral("other-model.qvs"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--force"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                  program}).status,
             0);
    const CtlRun send = Ctl({QStringLiteral("send"), program, QStringLiteral("--port"), port});
    QCOMPARE(send.status, int(RESULT_WRONG_MODEL));
    QCOMPARE(send.err, QStringLiteral("quorvexctl: the relay on %1 is a QVR_K115_ZQX; the program is for a QVS_K115_318 "
                                      "(error 39)\n").arg(port));
}

void TestQuorvexctlDevice::watchForScripts()
{
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    const CtlRun watch = Ctl({QStringLiteral("watch"), QStringLiteral("--polls=3"), QStringLiteral("--interval"),
                              QStringLiteral("200"), QStringLiteral("--json")},
                             port);
    QCOMPARE(watch.status, 0);
    const QStringList lines = watch.out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);

    // Watching with a program file first checks that the relay runs it.
    const QString program = Path(QStringLiteral("watched.qvs"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--force"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                  program}).status,
             0);
    QCOMPARE(Ctl({QStringLiteral("watch"), QStringLiteral("--file"), program, QStringLiteral("--polls"), QStringLiteral("1")},
                 port).status,
             0);
    QCOMPARE(Ctl({QStringLiteral("set"), program, QStringLiteral("1"), QStringLiteral("relay 1 operation=on")}).status, 0);
    const CtlRun other = Ctl({QStringLiteral("watch"), QStringLiteral("--file"), program}, port);
    QCOMPARE(other.status, int(RESULT_VIEW_MISMATCH));
    QCOMPARE(other.err, QStringLiteral("quorvexctl: the relay on %1 runs a different program than %2 (error 36)\n")
                            .arg(port, program));

    qint64 previous = -200;
    for (const QString& line : lines) {
        const QJsonObject poll = QJsonDocument::fromJson(line.toUtf8()).object();
        QVERIFY2(QDateTime::fromString(poll.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs).isValid(),
                 qPrintable(line));
        const qint64 ms = poll.value(QStringLiteral("ms")).toInteger();
        QVERIFY2(ms - previous >= 190, qPrintable(line));
        previous = ms;
        const QJsonArray channels = poll.value(QStringLiteral("channels")).toArray();
        QCOMPARE(channels.size(), 2);
        QCOMPARE(channels.at(1).toObject().value(QStringLiteral("channel")).toInt(), 2);
        QVERIFY(channels.at(0).toObject().contains(QStringLiteral("elapsed")));
    }
}

void TestQuorvexctlDevice::virtualRelayOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // on standard error, or standard output for help

    QTest::newRow("help") << QStringList{"--help"} << 0 << "--store-corrupted";
    QTest::newRow("no model") << QStringList{} << 2 << "--model is required";
    QTest::newRow("unknown model") << QStringList{"--model", "FOO"} << 2
                                   << "unknown model FOO; expected QVR_K115_ZQX or QVS_K115_318";
    QTest::newRow("unknown option") << QStringList{"--model", "QVR_K115_ZQX", "--fast"} << 2 << "Unknown option 'fast'";
    QTest::newRow("revision 16") << QStringList{"--model=QVR_K115_ZQX", "--revision", "16"} << 2
                                 << "revision 16 is out of range; expected 0 to 15";
    QTest::newRow("password too long") << QStringList{"--model", "qvs_k115_318", "--password", "zażółćgęś"} << 2
                                       << "the password is 15 bytes long in UTF-8";
    QTest::newRow("help lists the line faults") << QStringList{"--help"} << 0 << "--near-stall-rate";
    QTest::newRow("fault rate above 1") << QStringList{"--model", "QVR_K115_ZQX", "--drop-rate", "1.5"} << 2
                                        << "--drop-rate 1.5: expected a chance from 0 to 1";
    QTest::newRow("fault rates above 1 together")
        << QStringList{"--model", "QVR_K115_ZQX", "--change-rate", "0.6", "--vanish-rate", "0.6"} << 2
        << "the fault rates add up to 1.2; together they may be at most 1";
}

void TestQuorvexctlDevice::virtualRelayOptions()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QProcess process;
    Prepare(process, QString(), {});
    process.start(RELAY, args);
    const CtlRun run = Finish(process);
    QCOMPARE(run.status, status);
    QVERIFY2((status == 0 ? run.out : run.err).contains(message), qPrintable(run.out + run.err));
}

// Each relay command whose output cannot be written (a full disk) ends with 22.
void TestQuorvexctlDevice::lostOutputIsReported_data()
{
    QTest::addColumn<QStringList>("arguments"); // PORT and FILE stand for the relay and a program file
    QTest::newRow("list") << QStringList{"list"};
    QTest::newRow("identify") << QStringList{"identify", "--port", "PORT"};
    QTest::newRow("send") << QStringList{"send", "FILE", "--port", "PORT"};
    QTest::newRow("read") << QStringList{"read", "--port", "PORT", "-o", "FILE"};
    QTest::newRow("watch") << QStringList{"watch", "--port", "PORT", "--polls", "3"};
    QTest::newRow("watch without end") << QStringList{"watch", "--port", "PORT"};
    QTest::newRow("password reset") << QStringList{"password", "reset", "--port", "PORT"};
}

void TestQuorvexctlDevice::lostOutputIsReported()
{
    QFETCH(QStringList, arguments);
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("p.qvp"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), program}).status, 0);
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QVERIFY(!port.isEmpty());
    arguments.replaceInStrings(QStringLiteral("PORT"), port).replaceInStrings(QStringLiteral("FILE"), program);

    // Without an end, watch runs until interrupted: it must stop by itself once its output is lost.
    const CtlRun run = Ctl(arguments, port, {}, QStringLiteral("/dev/full"));
    QCOMPARE(run.status, int(RESULT_CANNOT_WRITE));
    QVERIFY2(run.err.contains(QStringLiteral("standard output")), qPrintable(run.err));
}

// read -o onto something that exists but is no regular file: refused, the node untouched.
void TestQuorvexctlDevice::readOntoANodeLeavesItAlone_data()
{
    QTest::addColumn<QString>("node");
    QTest::newRow("named pipe") << "pipe";
    QTest::newRow("device") << "device";
}

void TestQuorvexctlDevice::readOntoANodeLeavesItAlone()
{
    QFETCH(QString, node);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("node"));
    const QByteArray name = QFile::encodeName(target);
    if (node == u"pipe")
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) // as /dev/null
        QSKIP("device nodes can only be made as root");
    struct stat before {};
    QCOMPARE(::lstat(name.constData(), &before), 0);
    CVirtualRelayProcess relay;
    const QString port = relay.Start(RELAY, {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
    QVERIFY(!port.isEmpty());

    const CtlRun run = Ctl({QStringLiteral("read"), QStringLiteral("--port"), port, QStringLiteral("-o"), target});
    QCOMPARE(run.status, int(RESULT_CANNOT_WRITE));
    QVERIFY2(run.err.contains(target + QStringLiteral(" is not a regular file")), qPrintable(run.err));
    struct stat after {};
    QCOMPARE(::lstat(name.constData(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_rdev, before.st_rdev);
}

QTEST_GUILESS_MAIN(TestQuorvexctlDevice)
#include "tst_quorvexctl_device.moc"
