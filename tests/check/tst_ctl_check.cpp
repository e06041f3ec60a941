// quorvexctl lint and test: the lines a compiler would print, the JSON list, and the exit
// statuses of findings, failing expectations and files that cannot be read.

#include "CheckFixtures.h"

#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

const char LOOP[] = R"({"model": "QVR_K115_ZQX", "steps": [{"step": 1, "relay operation": "on"},
    {"step": 2, "jump": "step 1"}]})";
const char TOGGLE_LOOP[] = R"({"model": "QVS_K115_318", "steps": [
    {"channel": 2, "step": 3, "relay 2 operation": "toggle", "jump": "step 2"}]})";
const char ON_DELAY[] = R"({"model": "QVR_K115_ZQX", "steps": [{"step": 2, "condition": "on input 1"},
    {"step": 4, "time": "fixed 5 s", "interrupt condition": "off input 1", "jump": "step 2"},
    {"step": 5, "relay operation": "on"}, {"step": 6, "condition": "off input 1"},
    {"step": 7, "relay operation": "off", "jump": "step 2"}]})";

} // namespace

class TestCtlCheck : public QObject {
    Q_OBJECT

private:
    Run Ctl(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path()); // no saved language choice
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), args);
        process.closeWriteChannel();
        Run run;
        if (!process.waitForFinished(60000))
            return run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    // A program file made from a program text, in the test's folder.
    void WriteProgram(const QString& name, const char* text, int jumpPastStop = 0)
    {
        CheckProgramFixture program = ProgramFromText(text);
        QVERIFY2(program.error.isEmpty(), qPrintable(program.error));
        if (jumpPastStop)
            SetJumpBits(program, 0, 1, jumpPastStop);
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(program.model);
        std::copy(program.image.begin(), program.image.end(), doc->GetData());
        QCOMPARE(doc->Save(m_dir.filePath(name)), 0);
    }

    // The run printed `out` exactly, ended with `status`, and wrote `err` (a part of it) or
    // nothing on standard error.
    static void Expect(const Run& run, int status, const QByteArray& out, const QByteArray& err)
    {
        QCOMPARE(run.out, out);
        QCOMPARE(run.status, status);
        if (err.isEmpty())
            QVERIFY2(run.err.isEmpty(), run.err.constData());
        else
            QVERIFY2(run.err.contains(err), run.err.constData());
    }

    void WriteFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase();
    void lint_data();
    void lint();
    void lintAsJson();
    void test_data();
    void test();
};

void TestCtlCheck::initTestCase()
{
    QVERIFY(m_dir.isValid());
    WriteProgram(QStringLiteral("new.qvp"), R"({"model": "QVS_K115_318"})");
    WriteProgram(QStringLiteral("loop.qvp"), LOOP);
    WriteProgram(QStringLiteral("toggle.qvp"), TOGGLE_LOOP);
    WriteProgram(QStringLiteral("past.qvp"), R"({"model": "QVR_K115_ZQX"})", 40);
    WriteProgram(QStringLiteral("delay.qvp"), ON_DELAY);
    WriteFile(QStringLiteral("loop.json"), LOOP);
    WriteFile(QStringLiteral("broken.json"), "{\"model\": \"QVR_K115_ZQX\",\n \"steps\": [{\"step\": 99}]}");
    // A program file whose body no longer matches its checksum.
    QFile::copy(m_dir.filePath(QStringLiteral("new.qvp")), m_dir.filePath(QStringLiteral("damaged.qvp")));
    QFile damaged(m_dir.filePath(QStringLiteral("damaged.qvp")));
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    QVERIFY(damaged.seek(damaged.size() - 3));
    QVERIFY(damaged.write("\x5A", 1) == 1);
}

void TestCtlCheck::lint_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err"); // a part of standard error; empty: nothing there

    const QByteArray loop = "loop.qvp:1:1: warning: loop without time through steps 1, 2: the relay would run it at full "
                            "speed\n";
    const QByteArray toggle = "toggle.qvp:2:2: error: loop without time through steps 2, 3: a relay switches in it and "
                              "would chatter\n";
    QTest::newRow("new program") << QStringList{"lint", "new.qvp"} << 0 << QByteArray() << QByteArray();
    QTest::newRow("warnings only") << QStringList{"lint", "loop.qvp"} << 1 << loop << QByteArray();
    QTest::newRow("warnings as errors") << QStringList{"lint", "--warnings-as-errors", "loop.qvp"} << 3 << loop << QByteArray();
    QTest::newRow("an error") << QStringList{"lint", "toggle.qvp"} << 3 << toggle << QByteArray();
    QTest::newRow("jump past Stop") << QStringList{"lint", "past.qvp"} << 3
                                    << QByteArray("past.qvp:1:1: error: jump to step 40, past the Stop step (36): no step "
                                                  "runs there\n")
                                    << QByteArray();
    QTest::newRow("several files") << QStringList{"lint", "new.qvp", "toggle.qvp", "loop.qvp"} << 3 << toggle + loop
                                   << QByteArray();
    QTest::newRow("program text") << QStringList{"lint", "loop.json"} << 1 << QByteArray(loop).replace("loop.qvp", "loop.json")
                                  << QByteArray();
    QTest::newRow("damaged file keeps its status, the others are checked")
        << QStringList{"lint", "toggle.qvp", "damaged.qvp"} << 25 << toggle << QByteArray("damaged.qvp");
    QTest::newRow("missing file") << QStringList{"lint", "loop.qvp", "missing.qvp"} << 23 << loop << QByteArray("missing.qvp");
    QTest::newRow("program text that cannot be read")
        << QStringList{"lint", "broken.json"} << 44 << QByteArray()
        << QByteArray("broken.json:2:21: field \"step\": 99 is out of range; expected 0..36");
    QTest::newRow("in Polish") << QStringList{"lint", "--language", "pl", "toggle.qvp"} << 3
                               << QByteArray("toggle.qvp:2:2: error: pętla bez czasu przez kroki 2, 3: przełącza się w niej "
                                             "przekaźnik, który drgałby\n")
                               << QByteArray();
    QTest::newRow("no file") << QStringList{"lint"} << 2 << QByteArray() << QByteArray("no program file given");
}

void TestCtlCheck::lint()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    Expect(Ctl(args), status, out, err);
}

void TestCtlCheck::lintAsJson()
{
    const Run run = Ctl({QStringLiteral("lint"), QStringLiteral("--json"), QStringLiteral("new.qvp"), QStringLiteral("loop.qvp"),
                         QStringLiteral("toggle.qvp")});
    QCOMPARE(run.status, 3);
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(run.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, run.out.constData());
    const QJsonArray list = json.array();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].toObject()[QStringLiteral("file")].toString(), QStringLiteral("loop.qvp"));
    QCOMPARE(list[0].toObject()[QStringLiteral("severity")].toString(), QStringLiteral("warning"));
    const QJsonObject loop = list[1].toObject();
    QCOMPARE(loop[QStringLiteral("file")].toString(), QStringLiteral("toggle.qvp"));
    QCOMPARE(loop[QStringLiteral("model")].toString(), QStringLiteral("QVS_K115_318"));
    QCOMPARE(loop[QStringLiteral("channel")].toInt(), 2);
    QCOMPARE(loop[QStringLiteral("step")].toInt(), 2);
    QCOMPARE(loop[QStringLiteral("severity")].toString(), QStringLiteral("error"));
    QCOMPARE(loop[QStringLiteral("check")].toString(), QStringLiteral("loop-without-time"));
    QCOMPARE(loop[QStringLiteral("steps")].toArray(), (QJsonArray{2, 3}));
    QVERIFY(loop[QStringLiteral("text")].toString().startsWith(QStringLiteral("loop without time")));

    const Run none = Ctl({QStringLiteral("lint"), QStringLiteral("--json"), QStringLiteral("new.qvp")});
    QCOMPARE(none.status, 0);
    QCOMPARE(none.out, QByteArray("[]\n"));
}

void TestCtlCheck::test_data()
{
    QTest::addColumn<QByteArrayList>("scenarios"); // written as s1.json, s2.json, ...
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    const QByteArray passing = R"({"inputs": [{"at": "1 s", "input 1": "on"}],
  "expect": [{"at": "6 s", "relay 1": "switches on", "within": "10 ms"}]})";
    const QByteArray failing = R"({"inputs": [{"at": "1 s", "input 1": "on"}, {"at": "3 s", "input 1": "off"}],
  "expect": [{"at": "3 s", "step": 2}, {"at": "7 s", "relay 1": "on"}]})";
    QTest::newRow("all hold") << QByteArrayList{passing} << QStringList{"test", "delay.qvp", "s1.json"} << 0
                              << QByteArray("s1.json:2:14: pass: relay 1 switches on at 6 s (± 0.01 s): it switches on at 6 s\n"
                                            "s1.json: 1 of 1 expectations hold\n")
                              << QByteArray();
    QTest::newRow("one fails") << QByteArrayList{passing, failing} << QStringList{"test", "delay.qvp", "s1.json", "s2.json"} << 1
                               << QByteArray("s1.json:2:14: pass: relay 1 switches on at 6 s (± 0.01 s): it switches on at 6 s\n"
                                             "s1.json: 1 of 1 expectations hold\n"
                                             "s2.json:2:14: pass: the program is at step 2 at 3 s: it is at step 2, since 3 s\n"
                                             "s2.json:2:40: FAIL: relay 1 is on at 7 s: it is off, since 0 s\n"
                                             "s2.json: 1 of 2 expectations hold\n")
                               << QByteArray();
    QTest::newRow("scenario that cannot be read")
        << QByteArrayList{"{\"expect\": [{\"at\": 1, \"relay 1\": \"maybe\"}]}", failing}
        << QStringList{"test", "delay.qvp", "s1.json", "s2.json"} << 2
        << QByteArray("s2.json:2:14: pass: the program is at step 2 at 3 s: it is at step 2, since 3 s\n"
                      "s2.json:2:40: FAIL: relay 1 is on at 7 s: it is off, since 0 s\n"
                      "s2.json: 1 of 2 expectations hold\n")
        << QByteArray("s1.json:1:34: field \"relay 1\": unknown value \"maybe\"; expected on, off, switches on, switches off, "
                      "switches, does not switch\n");
    QTest::newRow("scenario of the other model")
        << QByteArrayList{R"({"model": "QVS_K115_318"})"} << QStringList{"test", "delay.qvp", "s1.json"} << 2 << QByteArray()
        << QByteArray("s1.json:1:11: the scenario is for model QVS_K115_318, the program for model QVR_K115_ZQX\n");
    QTest::newRow("missing scenario") << QByteArrayList{} << QStringList{"test", "delay.qvp", "s9.json"} << 2 << QByteArray()
                                      << QByteArray("s9.json");
    QTest::newRow("program that cannot be read") << QByteArrayList{passing} << QStringList{"test", "damaged.qvp", "s1.json"}
                                                 << 25 << QByteArray() << QByteArray("damaged.qvp");
    QTest::newRow("a loop is noted")
        << QByteArrayList{R"({"expect": [{"from": 0, "to": 1, "relay 2": "does not switch"}]})"}
        << QStringList{"test", "toggle.qvp", "s1.json"} << 1
        << QByteArray("s1.json: note: At 0 s the program runs a loop that takes no time and switches a relay in it: the relay "
                      "would chatter.\n"
                      "s1.json: note: At 1 s the program runs a loop that takes no time and switches a relay in it: the relay "
                      "would chatter.\n"
                      "s1.json:1:13: FAIL: relay 2 does not switch from 0 s to 1 s: it chatters in a loop without time from 0 s "
                      "on\n"
                      "s1.json: 0 of 1 expectations hold\n")
        << QByteArray();
}

void TestCtlCheck::test()
{
    QFETCH(QByteArrayList, scenarios);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    for (int i = 0; i < scenarios.size(); ++i)
        WriteFile(QStringLiteral("s%1.json").arg(i + 1), scenarios[i]);
    Expect(Ctl(args), status, out, err);
}

QTEST_GUILESS_MAIN(TestCtlCheck)
#include "tst_ctl_check.moc"
