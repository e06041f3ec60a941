// quorvexctl relay commands against virtual relays: output and exit status.

#include "ResultCodes.h"
#include "VirtualRelayProcess.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const QString BIN = QStringLiteral(QUORVEX_BIN_DIR);

struct CtlRun {
    int status = -1;
    QString out;
    QString err;
};

// With stdoutFile, the tool's standard output goes to that file.
CtlRun Ctl(const QStringList& arguments, const QString& extraPorts = {}, const QString& stdoutFile = {})
{
    static QTemporaryDir config; // no saved language: messages in English, as below
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVEX_EXTRA_PORTS"), extraPorts);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(BIN + QStringLiteral("/quorvexctl"), arguments);
    CtlRun run;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestQuorvexctlDevice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listAndIdentify();
    void transferWithPassword();
    void passwordCommands();
    void watchPolls();
    void lostOutputIsReported_data();
    void lostOutputIsReported();
    void readOntoANodeLeavesItAlone_data();
    void readOntoANodeLeavesItAlone();
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
    QVERIFY(lines.contains(qvrPath + QStringLiteral("\tQVR USB Time Relay\t1\t4")));
    QVERIFY(lines.contains(qvsPath + QStringLiteral("\tQVS USB Time Relay\t2\t1")));

    const CtlRun identify = Ctl({QStringLiteral("identify"), QStringLiteral("--port"), qvrPath});
    QCOMPARE(identify.status, 0);
    QVERIFY(identify.out.contains(QStringLiteral("version 1.4")));

    qvr.Stop();
    const CtlRun gone = Ctl({QStringLiteral("identify"), QStringLiteral("--port"), qvrPath});
    QCOMPARE(gone.status, int(RESULT_NO_PORT));
    QCOMPARE(Ctl({QStringLiteral("identify")}).status, 2);
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
    QVERIFY(lines.first().startsWith(QStringLiteral("channel 1: field ")));
    QVERIFY(lines.first().contains(QStringLiteral(" | channel 2: field ")));
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
    QTest::newRow("password change") << QStringList{"password", "change", "--port", "PORT", "--new", "pw"};
    QTest::newRow("password reset") << QStringList{"password", "reset", "--port", "PORT"};
}

void TestQuorvexctlDevice::lostOutputIsReported()
{
    QFETCH(QStringList, arguments);
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("p.qvx"));
    QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), program}).status, 0);
    CVirtualRelayProcess relay;
    const QString port = relay.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                     {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")});
    QVERIFY(!port.isEmpty());
    arguments.replaceInStrings(QStringLiteral("PORT"), port).replaceInStrings(QStringLiteral("FILE"), program);

    // Without an end, watch runs until interrupted: it must stop by itself once its output is lost.
    const CtlRun run = Ctl(arguments, port, QStringLiteral("/dev/full"));
    QCOMPARE(run.status, int(RESULT_CANNOT_WRITE));
    QVERIFY2(run.err.contains(QStringLiteral("standard output: ")), qPrintable(run.err));
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
    const QString port = relay.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                     {QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX")});
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
