// quorvexctl simulate: the printed trace of a run and the checking of its arguments.

#include "SimFixtures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestSimulateCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void workedExampleTrace();
    void twoChannelTrace();
    void printsTiesRoundedToEven();
    void rejectsBadArguments_data();
    void rejectsBadArguments();
    void reportsUnreadableFiles();

private:
    struct Run {
        int exitCode;
        QStringList lines;
        QString err;
    };
    Run Simulate(const QStringList& args) const;

    QTemporaryDir m_dir;
    QString m_zqxFile;
    QString m_qvsFile;
};

TestSimulateCli::Run TestSimulateCli::Simulate(const QStringList& args) const
{
    QProcess process;
    process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), QStringList{QStringLiteral("simulate")} + args);
    if (!process.waitForFinished(30000))
        return {-1, {}, QStringLiteral("did not finish")};
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return {process.exitCode(), out.split(u'\n', Qt::SkipEmptyParts), QString::fromUtf8(process.readAllStandardError())};
}

void TestSimulateCli::initTestCase()
{
    QVERIFY(m_dir.isValid());

    ZqxFixture zqx; // Start on, off, wait for a rising input, toggle, 1 s
    zqx.Start().SetInitialState(0, RELAY_STATE_ON);
    zqx.Change(1).SetRelayOperation(0, RELAY_OP_OFF);
    zqx.SetCondition(2, CONDITION_RISING, TERM_SOURCE_INPUT, NO_JUMP);
    zqx.Change(3).SetRelayOperation(0, RELAY_OP_TOGGLE);
    zqx.SetTime(4, 1, 0, 128);
    m_zqxFile = m_dir.filePath(QStringLiteral("example.qvr"));
    QCOMPARE(zqx.doc.Save(m_zqxFile), 0);

    QvsFixture qvs; // channel 0: 1 s fixed; channel 1: potentiometer time
    qvs.SetTime(4, 1, 0, 128, 0);
    qvs.SetTime(4, 0, 0, 0, 1);
    m_qvsFile = m_dir.filePath(QStringLiteral("two.qvs"));
    QCOMPARE(qvs.doc.Save(m_qvsFile), 0);
}

void TestSimulateCli::workedExampleTrace()
{
    const Run run = Simulate({m_zqxFile, QStringLiteral("--ticks"), QStringLiteral("25"), QStringLiteral("--set"),
                              QStringLiteral("1=1@4")});
    QCOMPARE(run.exitCode, 0);
    QStringList expected{
        QStringLiteral("t=1 hold=0 step=1 out=1 elapsed=0.000000 fraction=0.000000"),
        QStringLiteral("t=2 hold=0 step=2 out=0 elapsed=0.000000 fraction=0.000000"),
        QStringLiteral("t=3 hold=0 step=2 out=0 elapsed=0.000000 fraction=0.000000"),
        QStringLiteral("t=4 hold=1 step=3 out=0 elapsed=0.000000 fraction=0.000000"),
        QStringLiteral("t=4 hold=0 step=4 out=1 elapsed=0.000000 fraction=0.000000"),
        QStringLiteral("t=5 hold=0 step=4 out=1 elapsed=0.050000 fraction=0.050000"),
        QStringLiteral("t=6 hold=0 step=4 out=1 elapsed=0.100000 fraction=0.100000"),
    };
    for (int tick = 7; tick <= 22; ++tick) {
        const QString seconds = QString::number((tick - 4) * 0.05, 'f', 6);
        expected << QStringLiteral("t=%1 hold=0 step=4 out=1 elapsed=%2 fraction=%2").arg(tick).arg(seconds);
    }
    expected << QStringLiteral("t=23 hold=0 step=4 out=1 elapsed=0.950000 fraction=0.950000")
             << QStringLiteral("t=24 hold=0 step=5 out=1 elapsed=0.000000 fraction=0.000000")
             << QStringLiteral("t=25 hold=0 step=6 out=1 elapsed=0.000000 fraction=0.000000");
    QCOMPARE(run.lines, expected);
}

// Per-channel values joined by commas; the potentiometer drives channel 1's time, a pressed
// input prints a hold line before its tick, and skip ends channel 0's second.
void TestSimulateCli::twoChannelTrace()
{
    const Run ok = Simulate({m_qvsFile, QStringLiteral("--ticks"), QStringLiteral("6"), QStringLiteral("--pot"),
                             QStringLiteral("1:64"), QStringLiteral("--skip"), QStringLiteral("6"), QStringLiteral("--set"),
                             QStringLiteral("2=1@3")});
    QCOMPARE(ok.exitCode, 0);
    const QStringList expected{
        QStringLiteral("t=1 hold=0 step=1,1 out=0,0 elapsed=0.000000,0.000000 fraction=0.000000,0.000000"),
        QStringLiteral("t=2 hold=0 step=2,2 out=0,0 elapsed=0.000000,0.000000 fraction=0.000000,0.000000"),
        QStringLiteral("t=3 hold=1 step=2,2 out=0,0 elapsed=0.000000,0.000000 fraction=0.000000,0.000000"),
        QStringLiteral("t=3 hold=0 step=3,3 out=0,0 elapsed=0.000000,0.000000 fraction=0.000000,0.000000"),
        QStringLiteral("t=4 hold=0 step=4,4 out=0,0 elapsed=0.000000,0.000000 fraction=0.000000,0.000000"),
        QStringLiteral("t=5 hold=0 step=4,4 out=0,0 elapsed=0.250000,0.250000 fraction=0.250000,0.050000"),
        QStringLiteral("t=6 hold=0 step=5,4 out=0,0 elapsed=0.000000,1.000000 fraction=0.000000,0.200000"),
    };
    QCOMPARE(ok.lines, expected);
}

// 20/128 s advances by 1/128 s (0.0078125) per tick: the tie prints as 0.007812, as printf
// prints it, so traces compare equal with other tools.
void TestSimulateCli::printsTiesRoundedToEven()
{
    ZqxFixture zqx;
    zqx.SetTime(4, 1, 0, 20);
    const QString file = m_dir.filePath(QStringLiteral("tie.qvr"));
    QCOMPARE(zqx.doc.Save(file), 0);
    const Run run = Simulate({file, QStringLiteral("--ticks"), QStringLiteral("6")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.size(), 6);
    QCOMPARE(run.lines[4], QStringLiteral("t=5 hold=0 step=4 out=0 elapsed=0.007812 fraction=0.050000"));
    QCOMPARE(run.lines[5], QStringLiteral("t=6 hold=0 step=4 out=0 elapsed=0.015625 fraction=0.100000"));
}

void TestSimulateCli::rejectsBadArguments_data()
{
    QTest::addColumn<QString>("file"); // "zqx" or "qvs"
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no file") << QString() << QStringList();
    QTest::newRow("two files") << "zqx" << QStringList{QStringLiteral("other")};
    QTest::newRow("unknown option") << "zqx" << QStringList{QStringLiteral("--fast")};
    QTest::newRow("ticks without value") << "zqx" << QStringList{QStringLiteral("--ticks")};
    QTest::newRow("negative ticks") << "zqx" << QStringList{QStringLiteral("--ticks"), QStringLiteral("-1")};
    QTest::newRow("pot unit 8") << "zqx" << QStringList{QStringLiteral("--pot"), QStringLiteral("8:1")};
    QTest::newRow("pot value 256") << "qvs" << QStringList{QStringLiteral("--pot"), QStringLiteral("0:256")};
    QTest::newRow("pot without value") << "zqx" << QStringList{QStringLiteral("--pot"), QStringLiteral("3")};
    QTest::newRow("input 2 of one input") << "zqx" << QStringList{QStringLiteral("--set"), QStringLiteral("2=1@3")};
    QTest::newRow("input 3") << "qvs" << QStringList{QStringLiteral("--set"), QStringLiteral("3=1@3")};
    QTest::newRow("input value 2") << "qvs" << QStringList{QStringLiteral("--set"), QStringLiteral("1=2@3")};
    QTest::newRow("set at tick 0") << "qvs" << QStringList{QStringLiteral("--set"), QStringLiteral("1=1@0")};
    QTest::newRow("set without tick") << "qvs" << QStringList{QStringLiteral("--set"), QStringLiteral("1=1")};
    QTest::newRow("skip at tick 0") << "qvs" << QStringList{QStringLiteral("--skip"), QStringLiteral("0")};
}

void TestSimulateCli::rejectsBadArguments()
{
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    if (file == u"zqx")
        args.prepend(m_zqxFile);
    else if (file == u"qvs")
        args.prepend(m_qvsFile);
    const Run run = Simulate(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.lines.isEmpty());
    QVERIFY(run.err.contains(QStringLiteral("usage:")));
}

void TestSimulateCli::reportsUnreadableFiles()
{
    QCOMPARE(Simulate({m_dir.filePath(QStringLiteral("missing.qvr"))}).exitCode, 23);
    QFile junk(m_dir.filePath(QStringLiteral("junk.qvr")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a program");
    junk.close();
    const Run run = Simulate({junk.fileName()});
    QCOMPARE(run.exitCode, 24);
    QVERIFY(run.lines.isEmpty());
}

QTEST_GUILESS_MAIN(TestSimulateCli)
#include "tst_simulate_cli.moc"
