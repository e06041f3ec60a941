// quorvexctl timeline: the CSV of a run in relay time and the checking of its arguments.

#include "SimFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestTimelineCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void rows_data();
    void rows();
    void writesToFile();
    void reportsLoopsWithoutTime();
    void rejectsBadArguments_data();
    void rejectsBadArguments();
    void reportsUnreadableFiles();

private:
    struct Run {
        int exitCode;
        QString out;
        QString err;
    };
    Run Timeline(const QStringList& args) const;
    QString File(const QString& name) const;

    QTemporaryDir m_dir;
};

TestTimelineCli::Run TestTimelineCli::Timeline(const QStringList& args) const
{
    QProcess process;
    process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), QStringList{QStringLiteral("timeline")} + args);
    if (!process.waitForFinished(30000))
        return {-1, {}, QStringLiteral("did not finish")};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString TestTimelineCli::File(const QString& name) const
{
    return name.isEmpty() ? QString() : m_dir.filePath(name);
}

void TestTimelineCli::initTestCase()
{
    QVERIFY(m_dir.isValid());

    // Start with the relay on, off, wait for a rising input, toggle, 1 s; then the default
    // program's 1 s steps up to Stop.
    ZqxFixture zqx;
    zqx.Start().SetInitialState(0, RELAY_STATE_ON);
    zqx.Change(1).SetRelayOperation(0, RELAY_OP_OFF);
    zqx.SetCondition(2, CONDITION_RISING, TERM_SOURCE_INPUT, NO_JUMP);
    zqx.Change(3).SetRelayOperation(0, RELAY_OP_TOGGLE);
    zqx.SetTime(4, 1, 0, 128);
    QCOMPARE(zqx.doc.Save(File(QStringLiteral("pulse.qvr"))), 0);

    // Channel 1: 1 s fixed; channel 2: the potentiometer's time, then waits for input 2.
    QvsFixture qvs;
    qvs.SetTime(4, 1, 0, 128, 0);
    qvs.SetTime(4, 0, 0, 0, 1);
    qvs.SetCondition(6, CONDITION_RISING, TERM_SOURCE_INPUT, NO_JUMP, NO_JUMP, 1, 2);
    QCOMPARE(qvs.doc.Save(File(QStringLiteral("two.qvs"))), 0);

    // A loop without time: toggle the relay and jump back, for ever.
    ZqxFixture loop;
    loop.Change(1).SetRelayOperation(0, RELAY_OP_TOGGLE);
    loop.Change(1).SetJump(1);
    QCOMPARE(loop.doc.Save(File(QStringLiteral("loop.qvr"))), 0);
}

void TestTimelineCli::rows_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    QTest::newRow("rising input starts the time; the default 1 s steps follow")
        << "pulse.qvr" << QStringList{"--set", "1=1@2.5", "--until", "10"}
        << "time_s,input1,relay1,step1\n0,0,0,2\n2.5,1,1,4\n3.5,1,1,8\n4.5,1,1,12\n5.5,1,1,16\n6.5,1,1,20\n"
           "7.5,1,1,24\n8.5,1,1,28\n9.5,1,1,32\n";
    QTest::newRow("input on at power-on is no rising edge; changes in any order")
        << "pulse.qvr" << QStringList{"--set", "1=1@3", "--set", "1=1@0", "--set", "1=0@2", "--until", "4"}
        << "time_s,input1,relay1,step1\n0,1,0,2\n2,0,0,2\n3,1,1,4\n4,1,1,8\n";
    QTest::newRow("a change at the moment a time ends comes after it")
        << "pulse.qvr" << QStringList{"--set", "1=1@1", "--set", "1=0@2", "--until", "2"}
        << "time_s,input1,relay1,step1\n0,0,0,2\n1,1,1,4\n2,0,1,8\n";
    QTest::newRow("two channels, potentiometer 30 s, edge on input 2")
        << "two.qvs" << QStringList{"--pot", "2:64", "--set", "2=1@35.25", "--until", "36"}
        << "time_s,input1,input2,relay1,relay2,step1,step2\n0,0,0,0,0,4,4\n1,0,0,0,0,8,4\n2,0,0,0,0,12,4\n"
           "3,0,0,0,0,16,4\n4,0,0,0,0,20,4\n5,0,0,0,0,24,4\n6,0,0,0,0,28,4\n7,0,0,0,0,32,4\n8,0,0,0,0,36,4\n"
           "30,0,0,0,0,36,6\n35.25,0,1,0,0,36,8\n";
}

void TestTimelineCli::rows()
{
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const Run run = Timeline(QStringList{File(file)} + args);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
}

void TestTimelineCli::writesToFile()
{
    const QString csv = File(QStringLiteral("out.csv"));
    const Run run = Timeline({File(QStringLiteral("pulse.qvr")), "--until", "3", "-o", csv, "--set", "1=1@1"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.isEmpty());
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("time_s,input1,relay1,step1\n0,0,0,2\n1,1,1,4\n2,1,1,8\n3,1,1,12\n"));

    // A target that is no regular file is left as it is.
    const QString folder = File(QStringLiteral("folder"));
    QVERIFY(QDir().mkdir(folder));
    const Run refused = Timeline({File(QStringLiteral("pulse.qvr")), "--until", "3", "-o", folder});
    QCOMPARE(refused.exitCode, 22);
    QVERIFY(QFileInfo(folder).isDir());
}

void TestTimelineCli::reportsLoopsWithoutTime()
{
    const Run run = Timeline({File(QStringLiteral("loop.qvr")), "--until", "5"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.count(u'\n'), 2); // header and the row at 0
    QVERIFY2(run.err.contains(QStringLiteral("at 0 s")) && run.err.contains(QStringLiteral("chatter")),
             qPrintable(run.err));
}

void TestTimelineCli::rejectsBadArguments_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no file") << QString() << QStringList{"--until", "1"};
    QTest::newRow("two files") << "pulse.qvr" << QStringList{"other", "--until", "1"};
    QTest::newRow("no until") << "pulse.qvr" << QStringList{};
    QTest::newRow("negative until") << "pulse.qvr" << QStringList{"--until", "-1"};
    QTest::newRow("until with a unit") << "pulse.qvr" << QStringList{"--until", "5 min"};
    QTest::newRow("until past a billion seconds") << "pulse.qvr" << QStringList{"--until", "1000000001"};
    QTest::newRow("pot unit 8") << "pulse.qvr" << QStringList{"--until", "1", "--pot", "8:1"};
    QTest::newRow("input 2 of one input") << "pulse.qvr" << QStringList{"--until", "1", "--set", "2=1@0.5"};
    QTest::newRow("input 3") << "two.qvs" << QStringList{"--until", "1", "--set", "3=1@0.5"};
    QTest::newRow("input value 2") << "two.qvs" << QStringList{"--until", "1", "--set", "1=2@0.5"};
    QTest::newRow("negative time") << "two.qvs" << QStringList{"--until", "1", "--set", "1=1@-1"};
    QTest::newRow("set without time") << "two.qvs" << QStringList{"--until", "1", "--set", "1=1"};
}

void TestTimelineCli::rejectsBadArguments()
{
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    if (!file.isEmpty())
        args.prepend(File(file));
    const Run run = Timeline(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(QStringLiteral("usage:")), qPrintable(run.err));
}

void TestTimelineCli::reportsUnreadableFiles()
{
    QCOMPARE(Timeline({File(QStringLiteral("missing.qvr")), "--until", "1"}).exitCode, 23);
    QFile junk(File(QStringLiteral("junk.qvr")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a program");
    junk.close();
    const Run run = Timeline({junk.fileName(), "--until", "1"});
    QCOMPARE(run.exitCode, 24);
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestTimelineCli)
#include "tst_timeline_cli.moc"
