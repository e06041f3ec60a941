// The program check: each check on a small program that has the fault, sound programs that
// must give no finding, and random programs, which must give a bounded list whose "never
// runs" claims no simulated run contradicts.

#include "CheckFixtures.h"
#include "ProgramCheck.h"
#include "QuorvexSimulator.h"
#include "TestLanguages.h"
#include "Timeline.h"

#include <QtTest>

#include <random>
#include <set>

namespace {

QString Summary(const ProgramCheck::Finding& finding)
{
    QStringList steps;
    for (int step : finding.steps)
        steps << QString::number(step);
    return QStringLiteral("%1 %2 %3:%4")
        .arg(QLatin1String(ProgramCheck::SeverityName(finding.severity)), QLatin1String(ProgramCheck::CheckName(finding.check)))
        .arg(finding.channel + 1)
        .arg(steps.join(u','));
}

// Collects the loops without time a timeline run reports.
class CLoopSink final : public ITimelineSink {
public:
    bool Row(RelayTime, const RelayStatus&) override { return true; }
    void Loop(const ZeroTimeLoop& loop) override { loops.push_back(loop); }
    std::vector<ZeroTimeLoop> loops;
};

const char QVR[] = R"({"model": "QVR_K115_ZQX", "steps": [)";
const char QVS[] = R"({"model": "QVS_K115_318", "steps": [)";

QByteArray Program(const char* model, const char* steps)
{
    return QByteArray(model) + steps + "]}";
}

} // namespace

class TestProgramCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(UseShippedLanguage(Language::LCID_ENGLISH)); }
    void findings_data();
    void findings();
    void neverRunsHoldsInSimulatedRuns_data();
    void neverRunsHoldsInSimulatedRuns();
    void anyImageGivesABoundedList();
};

void TestProgramCheck::findings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("jumps"); // channel:step:target[:alt] patches, separated by spaces
    QTest::addColumn<QStringList>("expected");

    // Sound programs: no finding.
    QTest::newRow("new program, one channel") << Program(QVR, "") << QString() << QStringList();
    QTest::newRow("new program, two channels") << Program(QVS, "") << QString() << QStringList();
    QTest::newRow("flasher")
        << Program(QVR, R"({"step": 1, "relay operation": "on"}, {"step": 5, "relay operation": "off"},
                          {"step": 9, "jump": "step 1"})")
        << QString() << QStringList();
    QTest::newRow("staircase light, retriggered")
        << Program(QVR, R"({"step": 2, "condition": "rising input 1"}, {"step": 3, "relay operation": "on"},
                          {"step": 4, "time": "fixed 60 s", "interrupt condition": "rising input 1", "jump": "step 4"},
                          {"step": 5, "relay operation": "off", "jump": "step 2"})")
        << QString() << QStringList();
    QTest::newRow("on-delay")
        << Program(QVR, R"({"step": 2, "condition": "on input 1"},
                          {"step": 4, "time": "fixed 5 s", "interrupt condition": "off input 1", "jump": "step 2"},
                          {"step": 5, "relay operation": "on"}, {"step": 6, "condition": "off input 1"},
                          {"step": 7, "relay operation": "off", "jump": "step 2"})")
        << QString() << QStringList();
    QTest::newRow("follower: waits for on and off without time between")
        << Program(QVR, R"({"step": 2, "condition": "on input 1"}, {"step": 3, "relay operation": "on", "jump": "step 6"},
                          {"step": 6, "condition": "off input 1"}, {"step": 7, "relay operation": "off", "jump": "step 2"})")
        << QString() << QStringList();
    QTest::newRow("toggle and branch on the relay: leaves after two rounds")
        << Program(QVR, R"({"step": 1, "relay operation": "toggle"},
                          {"step": 2, "condition": "branch if on relay 1", "jump": "step 1"})")
        << QString() << QStringList();
    QTest::newRow("two-channel flasher, channel 2 follows relay 1")
        << Program(QVS, R"({"channel": 1, "step": 1, "relay 1 operation": "on"},
                          {"channel": 1, "step": 5, "relay 1 operation": "off"}, {"channel": 1, "step": 9, "jump": "step 1"},
                          {"channel": 2, "step": 2, "condition": "rising", "signal": "relay 1"},
                          {"channel": 2, "step": 3, "relay 2 operation": "toggle", "jump": "step 2"})")
        << QString() << QStringList();
    QTest::newRow("potentiometer time of 0 is the knob's business")
        << Program(QVR, R"J({"step": 4, "time": "potentiometer (0 s)"})J") << QString() << QStringList();

    // Loops without time.
    QTest::newRow("state change jumping to itself, toggling")
        << Program(QVR, R"({"step": 1, "relay operation": "toggle", "jump": "step 1"})") << QString()
        << QStringList{"error loop-without-time 1:1"};
    QTest::newRow("loop that switches nothing")
        << Program(QVR, R"({"step": 1, "relay operation": "on"}, {"step": 2, "jump": "step 1"})") << QString()
        << QStringList{"warning loop-without-time 1:1,2"};
    QTest::newRow("loop through a wait that is met")
        << Program(QVR, R"({"step": 2, "condition": "on input 1"}, {"step": 3, "relay operation": "toggle", "jump": "step 2"})")
        << QString() << QStringList{"error loop-without-time 1:2,3"};
    QTest::newRow("loop through a time of 0")
        << Program(QVR, R"({"step": 1, "relay operation": "toggle"}, {"step": 4, "time": "fixed 0 s"},
                          {"step": 5, "jump": "step 1"})")
        << QString() << QStringList{"error loop-without-time 1:1,2,3,4,5", "warning time-takes-no-time 1:4"};
    QTest::newRow("loop in channel 2")
        << Program(QVS, R"({"channel": 2, "step": 3, "relay 2 operation": "toggle", "jump": "step 2"})") << QString()
        << QStringList{"error loop-without-time 2:2,3"};
    QTest::newRow("loop back to the Start step")
        << Program(QVS, R"({"channel": 1, "step": 1, "relay 1 operation": "on", "jump": "start"})") << QString()
        << QStringList{"error loop-without-time 1:0,1"};

    // Jumps past the Stop step.
    QTest::newRow("jump past Stop") << Program(QVR, "") << QStringLiteral("1:1:40")
                                    << QStringList{"error jump-past-stop 1:1"};
    QTest::newRow("interrupt jump past Stop")
        << Program(QVR, R"({"step": 4, "interrupt condition": "rising input 1"})") << QStringLiteral("1:4:62")
        << QStringList{"error jump-past-stop 1:4"};
    QTest::newRow("unused jump past Stop: a time step without interrupt")
        << Program(QVR, R"({"step": 4, "time": "fixed 1.5 s"})") << QStringLiteral("1:4:50") << QStringList();
    QTest::newRow("jump past Stop on the side a constant branch never takes")
        << Program(QVS, R"({"channel": 1, "step": 2, "condition": "branch if on", "signal": "input 1 or not input 1"})")
        << QStringLiteral("1:2:40:alt") << QStringList{"warning constant-signal 1:2"};
    QTest::newRow("jump past Stop in a step no run reaches")
        << Program(QVR, R"({"step": 1, "jump": "step 5"})") << QStringLiteral("1:3:45")
        << QStringList{"warning step-never-runs 1:3"};

    // Set-up steps that never run.
    QTest::newRow("skipped set-up step")
        << Program(QVR, R"({"step": 1, "jump": "step 5"}, {"step": 3, "relay operation": "on"})") << QString()
        << QStringList{"warning step-never-runs 1:3"};
    QTest::newRow("set-up step after Stop")
        << Program(QVS, R"({"channel": 2, "step": 1, "jump": "stop"}, {"channel": 2, "step": 11, "relay 1 operation": "on"})")
        << QString() << QStringList{"warning step-never-runs 2:11"};
    QTest::newRow("behind a wait that never ends")
        << Program(QVS, R"({"channel": 1, "step": 2, "condition": "rising", "signal": "input 1 xor input 1"},
                          {"channel": 1, "step": 3, "relay 1 operation": "on"})")
        << QString() << QStringList{"warning constant-signal 1:2", "warning step-never-runs 1:3"};
    QTest::newRow("branch on a relay this channel has just set")
        << Program(QVR, R"({"step": 1, "relay operation": "on"},
                          {"step": 2, "condition": "branch if off relay 1", "jump": "step 3", "otherwise": "step 4"},
                          {"step": 3, "relay operation": "toggle"})")
        << QString() << QStringList{"warning step-never-runs 1:3"};

    // Times.
    QTest::newRow("time of 0") << Program(QVR, R"({"step": 4, "time": "fixed 0 s"})") << QString()
                               << QStringList{"warning time-takes-no-time 1:4"};
    QTest::newRow("range code 7")
        << Program(QVS, R"({"channel": 2, "step": 8, "range": "code 7", "time": "fixed mantissa 64"})") << QString()
        << QStringList{"warning unknown-time-range 2:8"};
    QTest::newRow("time of 0 that no run reaches")
        << Program(QVR, R"({"step": 1, "jump": "step 5"}, {"step": 4, "time": "fixed 0 s"})") << QString()
        << QStringList{"warning step-never-runs 1:4"};

    // Signals that never change (two-channel model).
    QTest::newRow("wait that never waits")
        << Program(QVS, R"({"channel": 1, "step": 2, "condition": "on", "signal": "input 2 or not input 2"})") << QString()
        << QStringList{"warning constant-signal 1:2"};
    QTest::newRow("branch that always goes one way")
        << Program(QVS, R"({"channel": 2, "step": 6, "condition": "branch if on", "signal": "relay 1 and not relay 1",
                           "jump": "step 9"})")
        << QString() << QStringList{"warning constant-signal 2:6"};
    QTest::newRow("interrupt condition that always holds")
        << Program(QVS, R"({"channel": 1, "step": 4, "interrupt condition": "on", "signal": "relay 2 or not relay 2"})")
        << QString() << QStringList{"warning constant-signal 1:4"};
    QTest::newRow("interrupt condition that never holds")
        << Program(QVS, R"({"channel": 1, "step": 4, "interrupt condition": "falling", "signal": "input 1 xor input 1"})")
        << QString() << QStringList{"warning constant-signal 1:4"};
    QTest::newRow("an unconditional step ignores its signal")
        << Program(QVS, R"({"channel": 1, "step": 2, "condition": "unconditional", "signal": "input 1 xor input 1"})")
        << QString() << QStringList();
}

void TestProgramCheck::findings()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, jumps);
    QFETCH(QStringList, expected);
    CheckProgramFixture program = ProgramFromText(text);
    QVERIFY2(program.error.isEmpty(), qPrintable(program.error));
    for (const QString& patch : jumps.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = patch.split(u':');
        SetJumpBits(program, parts[0].toInt() - 1, parts[1].toInt(), parts[2].toInt(), parts.size() > 3);
    }

    const std::vector<ProgramCheck::Finding> findings =
        ProgramCheck::CheckProgram(program.model, program.image.data(), int(program.image.size()));
    QStringList actual;
    for (const ProgramCheck::Finding& finding : findings) {
        actual << Summary(finding);
        QVERIFY2(!ProgramCheck::FindingText(finding, Language::TheLanguageManager()).isEmpty(), qPrintable(Summary(finding)));
    }
    QCOMPARE(actual, expected);

    // Every loop found is one the relay-time run meets too, with the input(s) on or off.
    for (const ProgramCheck::Finding& finding : findings) {
        if (finding.check != ProgramCheck::Check::LoopWithoutTime)
            continue;
        TimelineScript script;
        script.changes = {{RELAY_TIME_PER_SECOND, 0, 1}, {RELAY_TIME_PER_SECOND, 1, 1}};
        script.until = 2 * RELAY_TIME_PER_SECOND;
        CLoopSink sink;
        QCOMPARE(RunTimeline(program.model, program.image.data(), int(program.image.size()), script, sink),
                 TimelineEnd::Until);
        const bool met = std::any_of(sink.loops.begin(), sink.loops.end(), [&finding](const ZeroTimeLoop& loop) {
            return (loop.channels & (1 << finding.channel))
                   && loop.outputsSwitch == (finding.severity == ProgramCheck::Severity::Error);
        });
        QVERIFY2(met, qPrintable(Summary(finding)));
        // The text names every step of the loop.
        const QString words = ProgramCheck::FindingText(finding, Language::TheLanguageManager());
        QStringList steps;
        for (int step : finding.steps)
            steps << QString::number(step);
        QVERIFY2(words.contains((steps.size() == 1 ? QStringLiteral("step ") : QStringLiteral("steps ")) + steps.join(u", ")),
                 qPrintable(words));
    }
}

void TestProgramCheck::neverRunsHoldsInSimulatedRuns_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVR_K115_ZQX") << int(MODEL_QVR_K115_ZQX);
    QTest::newRow("QVS_K115_318") << int(MODEL_QVS_K115_318);
}

// Random programs (the new program with random steps and jumps mostly within the chain),
// each run on the tick engine with random inputs, skips and input presses: no step the check
// says no run reaches is ever the current step.
void TestProgramCheck::neverRunsHoldsInSimulatedRuns()
{
    QFETCH(int, model);
    std::mt19937 random(7);
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    std::unique_ptr<CQuorvexSimulator> engine;
    if (model == MODEL_QVR_K115_ZQX)
        engine = std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>();
    else
        engine = std::make_unique<CQuorvex_QVS_K115_318_Simulator>();
    engine->SetDocument(doc.get());
    const int channels = doc->GetChannelCount();
    int unreachableClaims = 0;

    for (int program = 0; program < 400; ++program) {
        doc->ResetProgram(0);
        for (int c = 0; c < channels; ++c) {
            for (int s = 1; s < STOP_FIELD; ++s) {
                if (random() % 3 == 0)
                    continue;
                int kind = 0;
                std::uint8_t* data = doc->GetFieldData(c, s, &kind);
                const int size = kind == FIELD_STATE_CHANGE ? doc->GetStateChangeSize()
                                 : kind == FIELD_CONDITION  ? doc->GetConditionSize()
                                                            : doc->GetTimeSize();
                for (int b = 0; b < size; ++b)
                    data[b] = std::uint8_t(random());
                const int target = random() % 2 ? NO_JUMP : int(random() % FIELD_COUNT);
                CQuorvexFIELDBase* field = fields->Bind(doc.get(), c, s);
                if (kind == FIELD_STATE_CHANGE)
                    static_cast<CQuorvexFIELDStateChange*>(field)->SetJump(target);
                else if (kind == FIELD_CONDITION) {
                    static_cast<CQuorvexFIELDCondition*>(field)->SetJump(target);
                    static_cast<CQuorvexFIELDCondition*>(field)->SetAltJump(random() % 2 ? NO_JUMP : int(random() % FIELD_COUNT));
                } else {
                    static_cast<CQuorvexFIELDTime*>(field)->SetJump(target);
                }
            }
        }
        std::set<std::pair<int, int>> unreachable;
        for (const ProgramCheck::Finding& finding : ProgramCheck::CheckProgram(doc->GetModelCode(), doc->GetData(), doc->GetDataSize()))
            if (finding.check == ProgramCheck::Check::StepNeverRuns)
                unreachable.insert({finding.channel, finding.steps.front()});
        unreachableClaims += int(unreachable.size());

        for (int run = 0; run < 4; ++run) {
            int inputs[2] = {int(random() % 2), int(random() % 2)};
            int outputs[2] = {0, 0};
            engine->Reset(inputs, outputs);
            doc->SetPotUnit(int(random() % 8));
            doc->SetPotValue(int(random() % 256));
            for (int tick = 0; tick < 300; ++tick) {
                if (random() % 5 == 0)
                    inputs[random() % 2] ^= 1;
                int steps[2] = {0, 0}, changed[2] = {0, 0};
                double elapsed[2] = {0, 0}, fraction[2] = {0, 0};
                const int hold = random() % 8 == 0 ? 1 : 0;
                const int skip = random() % 3 == 0 ? 1 : 0;
                QVERIFY(engine->Step(steps, inputs, outputs, changed, skip, hold, elapsed, fraction));
                for (int c = 0; c < channels; ++c)
                    QVERIFY2(!unreachable.count({c, steps[c]}),
                             qPrintable(QStringLiteral("program %1: channel %2 reached step %3").arg(program).arg(c + 1).arg(steps[c])));
            }
        }
    }
    // The programs leave enough steps out of reach for the claims to be tested at all.
    QVERIFY(unreachableClaims > 400);
}

// Any bytes at all, for either model: a list whose channels and steps lie within the program,
// never a crash or a hang; images of another size or model give none.
void TestProgramCheck::anyImageGivesABoundedList()
{
    std::mt19937 random(11);
    for (ModelCode model : {MODEL_QVR_K115_ZQX, MODEL_QVS_K115_318}) {
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
        std::vector<std::uint8_t> image(std::size_t(doc->GetDataSize()));
        int findings = 0;
        for (int i = 0; i < 3000; ++i) {
            for (std::uint8_t& byte : image)
                byte = std::uint8_t(random());
            for (const ProgramCheck::Finding& finding : ProgramCheck::CheckProgram(model, image.data(), int(image.size()))) {
                ++findings;
                QVERIFY(finding.channel >= 0 && finding.channel < doc->GetChannelCount());
                QVERIFY(!finding.steps.empty());
                for (int step : finding.steps)
                    QVERIFY(step >= 0 && step <= STOP_FIELD);
                QVERIFY(!ProgramCheck::FindingText(finding, Language::TheLanguageManager()).isEmpty());
            }
        }
        QVERIFY(findings > 0);
        QVERIFY(ProgramCheck::CheckProgram(model, image.data(), int(image.size()) - 1).empty());
        QVERIFY(ProgramCheck::CheckProgram(model, nullptr, int(image.size())).empty());
    }
    std::vector<std::uint8_t> image(70, 0xFF);
    QVERIFY(ProgramCheck::CheckProgram(0x30, image.data(), int(image.size())).empty());
}

QTEST_GUILESS_MAIN(TestProgramCheck)
#include "tst_program_check.moc"
