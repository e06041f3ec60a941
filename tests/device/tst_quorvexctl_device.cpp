// quorvexctl relay commands against virtual relays: output and exit status.

#include "ResultCodes.h"
#include "VirtualRelayProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString BIN = QStringLiteral(QUORVEX_BIN_DIR);

struct CtlRun {
    int status = -1;
    QString out;
    QString err;
};

CtlRun Ctl(const QStringList& arguments, const QString& extraPorts = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUORVEX_EXTRA_PORTS"), extraPorts);
    process.setProcessEnvironment(environment);
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

QTEST_GUILESS_MAIN(TestQuorvexctlDevice)
#include "tst_quorvexctl_device.moc"
