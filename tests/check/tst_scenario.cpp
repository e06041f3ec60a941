// Scenarios: reading (with the place of every error), writing back, and runs on programs
// whose timing is worked out by hand, each expectation judged as holding or failing with what
// the run showed.

#include "CheckFixtures.h"
#include "ScenarioRun.h"
#include "TestLanguages.h"

#include <QtTest>

namespace {

const char ON_DELAY[] = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 2, "condition": "on input 1"},
    {"step": 4, "time": "fixed 5 s", "interrupt condition": "off input 1", "jump": "step 2"},
    {"step": 5, "relay operation": "on"}, {"step": 6, "condition": "off input 1"},
    {"step": 7, "relay operation": "off", "jump": "step 2"}]})";

// Toggles relay 1 without time while input 1 is on.
const char CHATTER[] = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 2, "condition": "on input 1"}, {"step": 3, "relay operation": "toggle", "jump": "step 2"}]})";

// Channel 1 switches relay 1 on after the potentiometer's time; channel 2 switches relay 2 on
// 1 s after relay 1 comes on.
const char TWO_CHANNELS[] = R"({"model": "QVS_K115_318", "steps": [
    {"channel": 1, "step": 4, "time": "potentiometer"}, {"channel": 1, "step": 5, "relay 1 operation": "on", "jump": "stop"},
    {"channel": 2, "step": 2, "condition": "rising", "signal": "relay 1"}, {"channel": 2, "step": 4, "time": "fixed 1 s"},
    {"channel": 2, "step": 5, "relay 2 operation": "on", "jump": "stop"}]})";

// Relay 1 on from power-on.
const char ON_AT_POWER_ON[] = R"({"model": "QVR_K115_ZQX", "steps": [{"step": 0, "power-on state": "on"}]})";

QByteArray Scenario(const char* body) { return QByteArray(R"({"format": "quorvex-scenario", "version": 1, )") + body + "}"; }

} // namespace

class TestScenario : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }
    void readAndWriteBack();
    void readErrors_data();
    void readErrors();
    void run_data();
    void run();
    void chatterOfAPollingLoopCountsOnLongRuns();
};

void TestScenario::readAndWriteBack()
{
    const QByteArray text = Scenario(R"("model": "qvs_k115_318", "description": "door \"A\"", "potentiometer": "30 s",
        "until": "1 min",
        "inputs": [{"at": 0, "input 2": "on"}, {"at": "2.5 s", "input 1": 1, "input 2": "OFF"}, {"at": "500 ms", "input 1": "off"}],
        "expect": [{"at": "1 s", "relay 2": "on"},
                   {"at": "2 s", "relay 1": "switches off", "within": "0.0078125 s"},
                   {"at": "0.5 min", "relay 2": "switches"},
                   {"from": "1 s", "to": "2 h", "relay 1": "does not switch"},
                   {"at": "3 s", "channel": 2, "step": 36}])");
    const Scenarios::ReadResult read = Scenarios::Read(text);
    QVERIFY2(!read.error.IsError(), qPrintable(Scenarios::ErrorText(read.error, Language::TheLanguageManager())));
    const Scenarios::Scenario& s = read.scenario;
    QCOMPARE(s.model, MODEL_QVS_K115_318);
    QCOMPARE(s.description, QStringLiteral("door \"A\""));
    QCOMPARE(TimeSettingDuration(s.potUnit, s.potValue), 30 * RELAY_TIME_PER_SECOND);
    QCOMPARE(s.until, 60 * RELAY_TIME_PER_SECOND);
    QCOMPARE(int(s.inputs.size()), 4);
    QCOMPARE(s.inputs[1].time, 2'500'000'000);
    QCOMPARE(s.inputs[1].input, 0);
    QCOMPARE(s.inputs[1].value, 1);
    QCOMPARE(s.inputs[2].input, 1);
    QCOMPARE(s.inputs[2].value, 0);
    QCOMPARE(int(s.expectations.size()), 5);
    QCOMPARE(int(s.expectations[1].kind), int(Scenarios::ExpectationKind::RelaySwitch));
    QCOMPARE(s.expectations[1].value, 0);
    QCOMPARE(s.expectations[1].tolerance, RELAY_TIME_PER_SECOND / 128);
    QCOMPARE(s.expectations[2].value, -1);
    QCOMPARE(s.expectations[3].to, 7200 * RELAY_TIME_PER_SECOND);
    QCOMPARE(s.expectations[4].channel, 1);
    QCOMPARE(s.expectations[4].value, 36);
    QCOMPARE(s.expectations[4].place.line, 8);
    QCOMPARE(s.LastTime(), 7200 * RELAY_TIME_PER_SECOND);

    // Written and read again: the same scenario, and the same text once more.
    const QByteArray written = Scenarios::Write(s);
    const Scenarios::ReadResult again = Scenarios::Read(written);
    QVERIFY2(!again.error.IsError(), written.constData());
    QCOMPARE(Scenarios::Write(again.scenario), written);
    const Scenarios::Scenario& t = again.scenario;
    QCOMPARE(t.description, s.description);
    QCOMPARE(TimeSettingDuration(t.potUnit, t.potValue), TimeSettingDuration(s.potUnit, s.potValue));
    QCOMPARE(t.inputs.size(), s.inputs.size());
    for (std::size_t i = 0; i < s.inputs.size(); ++i)
        QVERIFY(t.inputs[i].time == s.inputs[i].time && t.inputs[i].input == s.inputs[i].input
                && t.inputs[i].value == s.inputs[i].value);
    QCOMPARE(t.expectations.size(), s.expectations.size());
    for (std::size_t i = 0; i < s.expectations.size(); ++i) {
        const Scenarios::Expectation &a = s.expectations[i], &b = t.expectations[i];
        QVERIFY(a.kind == b.kind && a.relay == b.relay && a.channel == b.channel && a.value == b.value && a.at == b.at
                && a.tolerance == b.tolerance && a.from == b.from && a.to == b.to);
    }
    // A scenario that names no model takes the one it is written for.
    Scenarios::Scenario bare;
    QVERIFY(Scenarios::Write(bare, MODEL_QVR_K115_ZQX).contains("\"model\": \"QVR_K115_ZQX\""));
}

void TestScenario::readErrors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("programModel"); // 0: read only
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("message");

    QTest::newRow("not JSON") << QByteArray("{\"inputs\": [}") << 0 << 1 << 13
                              << QStringLiteral("not valid JSON: expected a value, found '}'");
    QTest::newRow("unknown field") << QByteArray("{\n  \"input\": []}") << 0 << 2 << 3
                                   << QStringLiteral("field \"input\": unknown field; the fields here are: format, version, "
                                                     "model, description, potentiometer, until, inputs, expect");
    QTest::newRow("not a time") << QByteArray(R"({"inputs": [{"at": "soon", "input 1": "on"}]})") << 0 << 1 << 20
                                << QStringLiteral("field \"at\": unknown value \"soon\"; expected a time such as 2.5 s, "
                                                  "500 ms, 5 min or 2 h");
    QTest::newRow("input value") << QByteArray(R"({"inputs": [{"at": 1, "input 1": "high"}]})") << 0 << 1 << 34
                                 << QStringLiteral("field \"input 1\": unknown value \"high\"; expected on, off");
    QTest::newRow("no time") << QByteArray(R"({"expect": [{"relay 1": "on"}]})") << 0 << 1 << 13
                             << QStringLiteral("field \"at\": this field is missing");
    QTest::newRow("two subjects") << QByteArray(R"({"expect": [{"at": 1, "relay 1": "on", "step": 3}]})") << 0 << 1 << 40
                                  << QStringLiteral("an expectation names exactly one of: relay 1, relay 2, step");
    QTest::newRow("no subject") << QByteArray(R"({"expect": [{"at": 1}]})") << 0 << 1 << 13
                                << QStringLiteral("an expectation names exactly one of: relay 1, relay 2, step");
    QTest::newRow("tolerance of a state") << QByteArray(R"({"expect": [{"at": 1, "relay 1": "on", "within": "1 s"}]})") << 0
                                          << 1 << 40
                                          << QStringLiteral("field \"within\": unknown field; the fields here are: at, relay 1");
    QTest::newRow("from after to")
        << QByteArray(R"({"expect": [{"from": "3 s", "to": "2 s", "relay 1": "does not switch"}]})") << 0 << 1 << 14
        << QStringLiteral("\"from\" lies after \"to\"");
    QTest::newRow("other model") << Scenario(R"("model": "QVS_K115_318")") << int(MODEL_QVR_K115_ZQX) << 1 << 55
                                 << QStringLiteral("the scenario is for model QVS_K115_318, the program for model QVR_K115_ZQX");
    QTest::newRow("input 2 of a one-input program")
        << QByteArray(R"({"inputs": [{"at": 0, "input 2": "on"}]})") << int(MODEL_QVR_K115_ZQX) << 1 << 23
        << QStringLiteral("field \"input 2\": unknown field; the fields here are: at, input 1");
    QTest::newRow("input 2 of a scenario for the one-input model")
        << QByteArray(R"({"model": "QVR_K115_ZQX", "inputs": [{"at": 0, "input 2": "on"}]})") << 0 << 1 << 48
        << QStringLiteral("field \"input 2\": unknown field; the fields here are: at, input 1");
    QTest::newRow("step without channel on two channels")
        << QByteArray(R"({"expect": [{"at": 1, "step": 3}]})") << int(MODEL_QVS_K115_318) << 1 << 13
        << QStringLiteral("field \"channel\": this field is missing");
    QTest::newRow("step past Stop") << QByteArray(R"({"expect": [{"at": 1, "step": 37}]})") << 0 << 1 << 31
                                    << QStringLiteral("field \"step\": 37 is out of range; expected 0..36");
    QTest::newRow("potentiometer no range holds")
        << QByteArray(R"({"potentiometer": "20 s"})") << 0 << 1 << 19
        << QStringLiteral("field \"potentiometer\": 20 s cannot be set exactly in any range; nearest: 19.921875 s "
                          "(range 10 s), 0.3359375 min (range 1 min)");
    QTest::newRow("a program text") << QByteArray(R"({"format": "quorvex-program", "model": "QVR_K115_ZQX"})") << 0 << 1 << 12
                                    << QStringLiteral("not a scenario this version can read (it reads format "
                                                      "\"quorvex-scenario\", version 1)");
}

void TestScenario::readErrors()
{
    QFETCH(QByteArray, text);
    QFETCH(int, programModel);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, message);
    Scenarios::ReadResult read = Scenarios::Read(text);
    if (programModel != 0 && !read.error.IsError())
        read.error = Scenarios::CheckFor(read.scenario, ModelCode(programModel));
    QVERIFY(read.error.IsError());
    QCOMPARE(Scenarios::ErrorText(read.error, Language::TheLanguageManager()), message);
    QCOMPARE(read.error.Line(), line);
    QCOMPARE(read.error.Column(), column);
}

void TestScenario::run_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QStringList>("lines"); // per expectation: pass|FAIL, the expectation, what happened

    QTest::newRow("on-delay of 5 s")
        << QByteArray(ON_DELAY)
        << Scenario(R"("inputs": [{"at": "1 s", "input 1": "on"}, {"at": "20 s", "input 1": "off"}],
                       "expect": [{"at": "5.9 s", "relay 1": "off"},
                                  {"at": "6 s", "relay 1": "switches on"},
                                  {"at": "6.5 s", "relay 1": "switches on", "within": "0.4 s"},
                                  {"from": "0 s", "to": "5.99 s", "relay 1": "does not switch"},
                                  {"from": "0 s", "to": "6 s", "relay 1": "does not switch"},
                                  {"from": "6 s", "to": "19 s", "relay 1": "does not switch"},
                                  {"at": "3 s", "step": 4},
                                  {"at": "20 s", "relay 1": "switches off"},
                                  {"at": "25 s", "relay 1": "on"},
                                  {"at": "25 s", "step": 2}])")
        << QStringList{"pass: relay 1 is off at 5.9 s: it is off, since 0 s",
                       "pass: relay 1 switches on at 6 s: it switches on at 6 s",
                       "FAIL: relay 1 switches on at 6.5 s (± 0.4 s): it switches on at 6 s",
                       "pass: relay 1 does not switch from 0 s to 5.99 s: it does not switch",
                       "FAIL: relay 1 does not switch from 0 s to 6 s: it switches on at 6 s",
                       "pass: relay 1 does not switch from 6 s to 19 s: it does not switch",
                       "pass: the program is at step 4 at 3 s: it is at step 4, since 1 s",
                       "pass: relay 1 switches off at 20 s: it switches off at 20 s",
                       "FAIL: relay 1 is on at 25 s: it is off, since 20 s",
                       "pass: the program is at step 2 at 25 s: it is at step 2, since 20 s"};
    QTest::newRow("input off before the delay ends")
        << QByteArray(ON_DELAY)
        << Scenario(R"("inputs": [{"at": "1 s", "input 1": "on"}, {"at": "4 s", "input 1": "off"}],
                       "expect": [{"at": "6 s", "relay 1": "switches on", "within": "1 min"}])")
        << QStringList{"FAIL: relay 1 switches on at 6 s (± 60 s): it does not switch on"};
    QTest::newRow("power-on state counts as a switch at 0")
        << QByteArray(ON_AT_POWER_ON)
        << Scenario(R"("expect": [{"at": 0, "relay 1": "switches on"}, {"at": 0, "relay 1": "on"}])")
        << QStringList{"pass: relay 1 switches on at 0 s: it switches on at 0 s", "pass: relay 1 is on at 0 s: it is on, since 0 s"};
    QTest::newRow("two channels, potentiometer of 2.5 s")
        << QByteArray(TWO_CHANNELS)
        << Scenario(R"("potentiometer": "2.5 s",
                       "expect": [{"at": "2.5 s", "relay 1": "switches on"}, {"at": "3.5 s", "relay 2": "switches on"},
                                  {"at": "3 s", "channel": 2, "step": 4}, {"at": "4 s", "channel": 1, "step": 36},
                                  {"at": "3.4 s", "relay 2": "on"}])")
        << QStringList{"pass: relay 1 switches on at 2.5 s: it switches on at 2.5 s",
                       "pass: relay 2 switches on at 3.5 s: it switches on at 3.5 s",
                       "pass: channel 2 is at step 4 at 3 s: it is at step 4, since 2.5 s",
                       "pass: channel 1 is at step 36 at 4 s: it is at step 36, since 2.5 s",
                       "FAIL: relay 2 is on at 3.4 s: it is off, since 0 s"};
    QTest::newRow("a relay chattering in a loop without time")
        << QByteArray(CHATTER)
        << Scenario(R"("inputs": [{"at": "2 s", "input 1": "on"}, {"at": "3 s", "input 1": "off"}],
                       "expect": [{"from": "0 s", "to": "1.5 s", "relay 1": "does not switch"},
                                  {"from": "2.5 s", "to": "2.6 s", "relay 1": "does not switch"},
                                  {"at": "2.5 s", "relay 1": "switches off"},
                                  {"at": "3.5 s", "relay 1": "switches", "within": "0.4 s"},
                                  {"from": "3 s", "to": "9 s", "relay 1": "does not switch"}])")
        << QStringList{"pass: relay 1 does not switch from 0 s to 1.5 s: it does not switch",
                       "FAIL: relay 1 does not switch from 2.5 s to 2.6 s: it chatters in a loop without time from 2.5 s on",
                       "pass: relay 1 switches off at 2.5 s: it chatters in a loop without time from 2 s on",
                       "FAIL: relay 1 switches at 3.5 s (± 0.4 s): it switches on at 3 s",
                       "pass: relay 1 does not switch from 3 s to 9 s: it does not switch"};
}

void TestScenario::run()
{
    QFETCH(QByteArray, program);
    QFETCH(QByteArray, scenario);
    QFETCH(QStringList, lines);
    const CheckProgramFixture fixture = ProgramFromText(program);
    QVERIFY2(fixture.error.isEmpty(), qPrintable(fixture.error));
    const Scenarios::ReadResult read = Scenarios::Read(scenario);
    QVERIFY2(!read.error.IsError(), qPrintable(Scenarios::ErrorText(read.error, Language::TheLanguageManager())));
    QVERIFY(!Scenarios::CheckFor(read.scenario, fixture.model).IsError());

    const Scenarios::RunResult run =
        Scenarios::RunScenario(fixture.model, fixture.image.data(), int(fixture.image.size()), read.scenario);
    QCOMPARE(run.end, TimelineEnd::Until);
    const Language::CLanguageManager& texts = Language::TheLanguageManager();
    const int channels = (fixture.model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318 ? 2 : 1;
    QStringList actual;
    for (std::size_t i = 0; i < read.scenario.expectations.size(); ++i) {
        const Scenarios::Expectation& e = read.scenario.expectations[i];
        actual << QStringLiteral("%1: %2: %3")
                      .arg(run.results[i].holds ? QStringLiteral("pass") : QStringLiteral("FAIL"),
                           Scenarios::DescribeExpectation(e, channels, texts), Scenarios::DescribeResult(e, run.results[i], texts));
    }
    QCOMPARE(actual, lines);
    QCOMPARE(run.Failed(), int(lines.filter(QStringLiteral("FAIL:")).size()));
}

// A loop that polls an input is found again at every change of it; past the loops a run
// keeps, the chatter still counts.
void TestScenario::chatterOfAPollingLoopCountsOnLongRuns()
{
    const CheckProgramFixture fixture = ProgramFromText(CHATTER);
    Scenarios::Scenario scenario;
    const RelayTime second = RELAY_TIME_PER_SECOND;
    const int changes = int(CRealTimeRun::MAX_LOOPS_KEPT) * 3;
    for (int i = 0; i < changes; ++i)
        scenario.inputs.push_back({(i + 1) * second, 0, 1 - i % 2, {}});
    const RelayTime late = (changes - 1) * second + second / 2; // input 1 on from changes - 1
    Scenarios::Expectation steady;
    steady.kind = Scenarios::ExpectationKind::RelaySteady;
    steady.from = late - second / 4;
    steady.to = late;
    Scenarios::Expectation quiet = steady; // input 1 off there
    quiet.from = late - second - second / 4;
    quiet.to = late - second;
    scenario.expectations = {steady, quiet};
    const Scenarios::RunResult run =
        Scenarios::RunScenario(fixture.model, fixture.image.data(), int(fixture.image.size()), scenario);
    QCOMPARE(run.end, TimelineEnd::Until);
    QVERIFY(run.loopCount > CRealTimeRun::MAX_LOOPS_KEPT);
    QVERIFY(!run.results[0].holds);
    QVERIFY(run.results[0].chatter);
    QVERIFY(run.results[1].holds);
}

QTEST_GUILESS_MAIN(TestScenario)
#include "tst_scenario.moc"
