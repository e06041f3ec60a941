// The timeline of a program in relay time: the rows a program and a script of input changes
// give, worked out by hand from the rules of docs/timeline.md; the trace that holds them,
// its reduction to a pixel width and its CSV; and the time texts the tools accept.

#include "PacedRun.h"
#include "ProgramText.h"
#include "Timeline.h"
#include "TimelineFixtures.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

int ChannelCount(ModelCode model)
{
    return model == MODEL_QVS_K115_318 ? 2 : 1;
}

// The image of a program text (docs/program-text.md); fails the test on a bad text.
std::vector<std::uint8_t> ImageOf(const QByteArray& text, ModelCode* model)
{
    const ProgramText::ImportResult result = ProgramText::Import(text);
    if (result.error.IsError())
        qWarning("bad program text: %s", text.constData());
    *model = result.model;
    return result.image;
}

// "INPUT=VALUE@SECONDS" changes separated by spaces.
std::vector<TimelineInputChange> ScriptOf(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d)=(\\d)@([0-9.]+)$"));
    std::vector<TimelineInputChange> changes;
    for (const QString& part : text.split(u' ', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = pattern.match(part);
        if (!match.hasMatch()) {
            qWarning("bad script part %s", qPrintable(part));
            continue;
        }
        TimelineInputChange change;
        change.input = match.captured(1).toInt() - 1;
        change.value = match.captured(2).toInt();
        ParseRelaySeconds(match.captured(3), false, &change.time);
        changes.push_back(change);
    }
    return changes;
}

// The CSV rows without the header, separated by "|".
QString Rows(const CTimelineTrace& trace)
{
    QString rows = QString::fromLatin1(TimelineCsv(trace));
    rows = rows.section(u'\n', 1).trimmed();
    return rows.replace(u'\n', u'|');
}

// One-channel programs used by several rows.
// Pulse: relay on for 1.5 s on each rising input, then waiting for the next rising input.
const QByteArray PULSE = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "off"},
    {"step": 2, "condition": "rising input 1"},
    {"step": 3, "relay operation": "on"},
    {"step": 4, "time": "fixed 1.5 s"},
    {"step": 5, "jump": "step 1"}]})";
// The pulse, but a falling input during the time stops the program with the relay on.
const QByteArray PULSE_FALL_STOPS = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "off"},
    {"step": 2, "condition": "rising input 1"},
    {"step": 3, "relay operation": "on"},
    {"step": 4, "time": "fixed 1.5 s", "interrupt condition": "falling input 1", "jump": "stop"},
    {"step": 5, "jump": "step 1"}]})";
// A retriggerable pulse: every rising input starts the time again.
const QByteArray RETRIGGER = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "off"},
    {"step": 2, "condition": "rising input 1"},
    {"step": 3, "relay operation": "on"},
    {"step": 4, "time": "fixed 1.5 s", "interrupt condition": "rising input 1", "jump": "step 4"},
    {"step": 5, "jump": "step 1"}]})";
// Off delay: the time starts again for as long as the input is on.
const QByteArray OFF_DELAY = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "off"},
    {"step": 2, "condition": "rising input 1"},
    {"step": 3, "relay operation": "on"},
    {"step": 4, "time": "fixed 1.5 s", "interrupt condition": "on input 1", "jump": "step 4"},
    {"step": 5, "jump": "step 1"}]})";
// A loop that takes no time: the relay follows the input by polling it.
const QByteArray POLLING = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 2, "condition": "branch if on input 1", "jump": "step 3", "otherwise": "step 5"},
    {"step": 3, "relay operation": "on", "jump": "step 1"},
    {"step": 5, "relay operation": "off", "jump": "step 1"}]})";
// The first time step from the potentiometer.
const QByteArray POT_TIME = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 4, "time": "potentiometer"}]})";

// Two channels: channel 1 switches relay 1 on after 1 s; channel 2 waits for relay 1 to
// switch on and gives relay 2 a pulse of 0.5 s.
const QByteArray CROSS = R"({"model": "QVS_K115_318", "steps": [
    {"channel": 1, "step": 5, "relay 1 operation": "on", "jump": "stop"},
    {"channel": 2, "step": 2, "condition": "rising", "signal": "relay 1"},
    {"channel": 2, "step": 3, "relay 2 operation": "on"},
    {"channel": 2, "step": 4, "time": "fixed 0.5 s"},
    {"channel": 2, "step": 5, "relay 2 operation": "off", "jump": "stop"}]})";
// Two channels whose 1 s times end 3 ms apart: channel 1 from power-on, channel 2 from a
// rising input 2.
const QByteArray APART = R"({"model": "QVS_K115_318", "steps": [
    {"channel": 1, "step": 5, "relay 1 operation": "on", "jump": "stop"},
    {"channel": 2, "step": 2, "condition": "rising", "signal": "input 2"},
    {"channel": 2, "step": 5, "relay 2 operation": "on", "jump": "stop"}]})";
// Channel 1 toggles relay 1 every second for ever; channel 2 runs a 2.5 s time once.
const QByteArray BLINK_AND_ONCE = R"({"model": "QVS_K115_318", "steps": [
    {"channel": 1, "step": 5, "relay 1 operation": "toggle", "jump": "step 4"},
    {"channel": 2, "step": 4, "time": "fixed 2.5 s"},
    {"channel": 2, "step": 5, "relay 2 operation": "on", "jump": "stop"}]})";

// Relay on for 10 s after power-on, then off for good.
const QByteArray TEN_SECONDS = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "on"},
    {"step": 4, "time": "fixed 10 s"},
    {"step": 5, "relay operation": "off", "jump": "stop"}]})";
// Relay on for 178.125 s (2 min 58 s, the nearest to 3 min) after power-on.
const QByteArray NEARLY_THREE_MINUTES = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "on"},
    {"step": 4, "time": "fixed 2.96875 min"},
    {"step": 5, "relay operation": "off", "jump": "stop"}]})";
// The relay toggles every second for ever.
const QByteArray BLINK = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "toggle"},
    {"step": 5, "jump": "step 1"}]})";

} // namespace

class TestTimeline : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rows_data();
    void rows();
    void zeroTimeLoops_data();
    void zeroTimeLoops();
    void runReportsTimeStepProgress();
    void traceAppendKeepsOneRowPerMoment();
    void reduce_data();
    void reduce();
    void computeStopsAtRowLimit();
    void secondsText_data();
    void secondsText();
    void parseSeconds_data();
    void parseSeconds();
    void endFromProgram_data();
    void endFromProgram();
    void potentiometerTurnedDuringTimeStep();
    void pacedRunFollowsItsClock();
};

void TestTimeline::rows_data()
{
    QTest::addColumn<QByteArray>("program"); // program text; empty: the default program
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("pot");        // UNIT:MANTISSA
    QTest::addColumn<double>("until");
    QTest::addColumn<QString>("expected");   // CSV rows, "|" between them

    QTest::newRow("default program: eight 1 s steps, then Stop")
        << QByteArray() << int(MODEL_QVR_K115_ZQX) << "" << "0:128" << 100.0
        << "0,0,0,4|1,0,0,8|2,0,0,12|3,0,0,16|4,0,0,20|5,0,0,24|6,0,0,28|7,0,0,32|8,0,0,36";
    QTest::newRow("default program, two channels side by side")
        << QByteArray() << int(MODEL_QVS_K115_318) << "" << "0:128" << 2.5
        << "0,0,0,0,0,4,4|1,0,0,0,0,8,8|2,0,0,0,0,12,12";
    QTest::newRow("pulse: a rising input during the time is not remembered")
        << PULSE << 0 << "1=1@1 1=0@1.25 1=1@2 1=0@3 1=1@4" << "0:128" << 10.0
        << "0,0,0,2|1,1,1,4|1.25,0,1,4|2,1,1,4|2.5,1,0,2|3,0,0,2|4,1,1,4|5.5,1,0,2";
    QTest::newRow("until cuts the rows")
        << PULSE << 0 << "1=1@1 1=0@1.25 1=1@2" << "0:128" << 1.25 << "0,0,0,2|1,1,1,4|1.25,0,1,4";
    QTest::newRow("stop condition before the end interrupts")
        << PULSE_FALL_STOPS << 0 << "1=1@1 1=0@2.4" << "0:128" << 10.0 << "0,0,0,2|1,1,1,4|2.4,0,1,36";
    QTest::newRow("a change at the very end comes after the end")
        << PULSE_FALL_STOPS << 0 << "1=1@1 1=0@2.5" << "0:128" << 10.0 << "0,0,0,2|1,1,1,4|2.5,0,0,2";
    QTest::newRow("retrigger: the time starts again at the second rising input")
        << RETRIGGER << 0 << "1=1@1 1=0@1.5 1=1@2" << "0:128" << 10.0
        << "0,0,0,2|1,1,1,4|1.5,0,1,4|2,1,1,4|3.5,1,0,2";
    QTest::newRow("off delay: the time runs from the moment the input goes off")
        << OFF_DELAY << 0 << "1=1@1 1=0@3" << "0:128" << 10.0 << "0,0,0,2|1,1,1,4|3,0,1,4|4.5,0,0,2";
    QTest::newRow("input on at power-on is a level, not a rising input")
        << PULSE << 0 << "1=1@0 1=0@1 1=1@2" << "0:128" << 10.0 << "0,1,0,2|1,0,0,2|2,1,1,4|3.5,1,0,2";
    QTest::newRow("changes of one moment act together; the last one for an input counts")
        << PULSE << 0 << "1=1@1 1=0@1" << "0:128" << 10.0 << "0,0,0,2";
    QTest::newRow("changes in any order")
        << PULSE << 0 << "1=0@1.25 1=1@1" << "0:128" << 10.0 << "0,0,0,2|1,1,1,4|1.25,0,1,4|2.5,0,0,2";
    QTest::newRow("potentiometer time: 1 min")
        << POT_TIME << 0 << "" << "2:128" << 61.0 << "0,0,0,4|60,0,0,8|61,0,0,12";
    QTest::newRow("potentiometer time 0: the step takes no time")
        << POT_TIME << 0 << "" << "0:0" << 1.0 << "0,0,0,8|1,0,0,12";
    QTest::newRow("a channel reacts at once to the relay the other switches")
        << CROSS << 0 << "" << "0:128" << 10.0 << "0,0,0,0,0,4,2|1,0,0,1,1,36,4|1.5,0,0,1,0,36,36";
    QTest::newRow("two channels' times that end 3 ms apart stay apart")
        << APART << 0 << "2=1@0.003" << "0:128" << 10.0
        << "0,0,0,0,0,4,2|0.003,0,1,0,0,4,4|1,0,1,1,0,36,4|1.003,0,1,1,1,36,36";
    QTest::newRow("a long time runs while the other channel loops through short ones")
        << BLINK_AND_ONCE << 0 << "" << "0:128" << 5.0
        << "0,0,0,0,0,4,4|1,0,0,1,0,4,4|2,0,0,0,0,4,4|2.5,0,0,0,1,4,36|3,0,0,1,1,4,36|4,0,0,0,1,4,36|5,0,0,1,1,4,36";
}

void TestTimeline::rows()
{
    QFETCH(QByteArray, program);
    QFETCH(int, model);
    QFETCH(QString, script);
    QFETCH(QString, pot);
    QFETCH(double, until);
    QFETCH(QString, expected);

    std::vector<std::uint8_t> image;
    ModelCode code = ModelCode(model);
    if (program.isEmpty()) {
        TimelineProgram defaults(code);
        image.assign(defaults.doc->GetData(), defaults.doc->GetData() + defaults.doc->GetDataSize());
    } else {
        image = ImageOf(program, &code);
        QVERIFY(!image.empty());
    }
    TimelineScript timeline;
    timeline.changes = ScriptOf(script);
    timeline.potUnit = pot.section(u':', 0, 0).toInt();
    timeline.potValue = pot.section(u':', 1, 1).toInt();
    timeline.until = Seconds(until);

    CTimelineTrace trace(ChannelCount(code));
    QCOMPARE(ComputeTimeline(code, image.data(), int(image.size()), timeline, &trace), TimelineEnd::Until);
    QCOMPARE(Rows(trace), expected);
    QCOMPARE(trace.KnownUntil(), timeline.until);
}

void TestTimeline::zeroTimeLoops_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("loops");
    QTest::addColumn<bool>("switching");

    // The relay follows the input although no time passes in the loop: each change is
    // shown at its moment, at the state the loop comes back to.
    QTest::newRow("polling loop") << POLLING << "1=1@2 1=0@3" << "0,0,0,1|2,1,1,1|3,0,0,1" << 3 << false;
    QTest::newRow("toggling loop")
        << QByteArray(R"({"model": "QVR_K115_ZQX", "steps": [{"step": 1, "relay operation": "toggle", "jump": "step 1"}]})")
        << "" << "0,0,0,1" << 1 << true;
}

void TestTimeline::zeroTimeLoops()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QFETCH(int, loops);
    QFETCH(bool, switching);

    ModelCode code = 0;
    const std::vector<std::uint8_t> image = ImageOf(program, &code);
    TimelineScript timeline;
    timeline.changes = ScriptOf(script);
    timeline.until = Seconds(10);
    CTimelineTrace trace(ChannelCount(code));
    QCOMPARE(ComputeTimeline(code, image.data(), int(image.size()), timeline, &trace), TimelineEnd::Until);
    QCOMPARE(Rows(trace), expected);
    QCOMPARE(int(trace.Notes().size()), loops);
    for (const TraceNote& note : trace.Notes()) {
        QCOMPARE(note.kind, TraceNote::ZeroTimeLoop);
        QCOMPARE(note.channels, 1);
        QCOMPARE(note.outputsSwitch, switching);
    }
}

// What the virtual relay reports while it runs: the time a time step has run, exactly.
void TestTimeline::runReportsTimeStepProgress()
{
    TimelineProgram program(MODEL_QVR_K115_ZQX);
    program.Time(4, 1, 1, 192); // 15 s
    CRealTimeRun run(MODEL_QVR_K115_ZQX);
    QVERIFY(run.SetProgram(program.doc->GetData(), program.doc->GetDataSize()));
    QVERIFY(!run.SetProgram(program.doc->GetData(), 3));
    const int inputs[1] = {0};
    run.PowerOn(inputs);
    QCOMPARE(run.NextEvent(), Seconds(15));
    run.AdvanceTo(Seconds(14.25));
    RelayTime elapsed = 0, duration = 0;
    QVERIFY(run.TimeStep(0, &elapsed, &duration));
    QCOMPARE(elapsed, Seconds(14.25));
    QCOMPARE(duration, Seconds(15));
    int unit = -1, mantissa = -1;
    QVERIFY(run.TimeSetting(0, &unit, &mantissa));
    QCOMPARE(unit, 1);
    QCOMPARE(mantissa, 192);
    run.AdvanceTo(Seconds(15.5));
    QCOMPARE(int(run.State().steps[0]), 8);
    QVERIFY(run.TimeStep(0, &elapsed, &duration));
    QCOMPARE(elapsed, Seconds(0.5));
    QCOMPARE(run.Now(), Seconds(15.5));
    // A time before the present is the present.
    run.AdvanceTo(Seconds(1));
    QCOMPARE(run.Now(), Seconds(15.5));
    // No run for a code of no model.
    CRealTimeRun none(0x30);
    QVERIFY(!none.IsValid());
}

void TestTimeline::traceAppendKeepsOneRowPerMoment()
{
    CTimelineTrace trace(1);
    RelayStatus off, on;
    on.outputs[0] = 1;
    trace.Append(0, off);
    trace.Append(5, off); // nothing changed: no row, but the trace knows up to 5
    QCOMPARE(trace.RowCount(), std::size_t(1));
    QCOMPARE(trace.KnownUntil(), RelayTime(5));
    trace.Append(10, on);
    QCOMPARE(trace.RowCount(), std::size_t(2));
    // Later news about the same moment replaces its row; news that undoes it removes it.
    RelayStatus onStep3 = on;
    onStep3.steps[0] = 3;
    trace.Append(10, onStep3);
    QCOMPARE(trace.RowCount(), std::size_t(2));
    QCOMPARE(trace.RowState(1), onStep3);
    trace.Append(10, off);
    QCOMPARE(trace.RowCount(), std::size_t(1));
    for (int lane = 0; lane < trace.LaneCount(); ++lane)
        QCOMPARE(trace.LaneChangeCount(lane), std::size_t(1));
    // A time before the last row counts as the last row's time.
    trace.Append(20, on);
    trace.Append(15, off);
    QCOMPARE(trace.RowCount(), std::size_t(1));
    QCOMPARE(trace.RowAt(-1), std::ptrdiff_t(-1));
    QCOMPARE(trace.RowAt(19), std::ptrdiff_t(0));
}

void TestTimeline::reduce_data()
{
    QTest::addColumn<double>("timePerPixel");
    QTest::addColumn<qint64>("from");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QString>("expected"); // x0-x1=value, "*" for a busy piece

    // The input lane changes at 0 (off), 10 (on), 11 (off), 12 (on), 13 (off), 50 (on); the
    // trace is known up to 100.
    QTest::newRow("one unit per pixel: every change")
        << 1.0 << qint64(0) << 100 << "0-10=0 10-11=1 11-12=0 12-13=1 13-50=0 50-100=1";
    QTest::newRow("five per pixel: four changes in one column")
        << 5.0 << qint64(0) << 20 << "0-2=0 2-3=0* 3-10=0 10-20=1";
    QTest::newRow("two per pixel: busy columns side by side join")
        << 2.0 << qint64(0) << 50 << "0-5=0 5-7=0* 7-25=0 25-50=1";
    QTest::newRow("nothing before the first row or after the known end")
        << 1.0 << qint64(-20) << 200 << "20-30=0 30-31=1 31-32=0 32-33=1 33-70=0 70-120=1";
    QTest::newRow("a stretch inside a steady piece") << 1.0 << qint64(20) << 10 << "0-10=0";
}

void TestTimeline::reduce()
{
    QFETCH(double, timePerPixel);
    QFETCH(qint64, from);
    QFETCH(int, pixels);
    QFETCH(QString, expected);

    CTimelineTrace trace(1);
    RelayStatus state;
    for (const auto& [time, value] : {std::pair{0, 0}, {10, 1}, {11, 0}, {12, 1}, {13, 0}, {50, 1}}) {
        state.inputs[0] = std::uint8_t(value);
        trace.Append(time, state);
    }
    trace.SetKnownUntil(100);
    std::vector<TraceSpan> spans;
    trace.Reduce(0, from, timePerPixel, pixels, &spans);
    QStringList got;
    for (const TraceSpan& span : spans)
        got << QStringLiteral("%1-%2=%3%4").arg(span.x0).arg(span.x1).arg(span.value).arg(span.busy ? "*" : "");
    QCOMPARE(got.join(u' '), expected);
}

void TestTimeline::computeStopsAtRowLimit()
{
    // The default program changes its step every second: at most three rows, then a note.
    TimelineProgram program(MODEL_QVR_K115_ZQX);
    TimelineScript script;
    script.until = Seconds(100);
    CTimelineTrace trace(1);
    QCOMPARE(ComputeTimeline(MODEL_QVR_K115_ZQX, program.doc->GetData(), program.doc->GetDataSize(), script, &trace,
                             nullptr, 3),
             TimelineEnd::Stopped);
    QCOMPARE(trace.RowCount(), std::size_t(3));
    QCOMPARE(trace.KnownUntil(), Seconds(3));
    QCOMPARE(trace.Notes().size(), std::size_t(1));
    QCOMPARE(trace.Notes().front().kind, TraceNote::Truncated);
    // A cancelled run says so.
    std::atomic<bool> cancel{true};
    TimelineProgram looping(MODEL_QVR_K115_ZQX);
    looping.Change(35, RELAY_OP_TOGGLE, 4);
    script.until = Seconds(1e6);
    CTimelineTrace cancelled(1);
    QCOMPARE(ComputeTimeline(MODEL_QVR_K115_ZQX, looping.doc->GetData(), looping.doc->GetDataSize(), script,
                             &cancelled, &cancel),
             TimelineEnd::Cancelled);
    // A wrong image computes nothing.
    CTimelineTrace invalid(1);
    QCOMPARE(ComputeTimeline(MODEL_QVR_K115_ZQX, looping.doc->GetData(), 5, script, &invalid), TimelineEnd::Invalid);
    QCOMPARE(invalid.RowCount(), std::size_t(0));
}

void TestTimeline::secondsText_data()
{
    QTest::addColumn<qint64>("time");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("zero") << qint64(0) << QByteArray("0");
    QTest::newRow("whole") << qint64(Seconds(360000)) << QByteArray("360000");
    QTest::newRow("half") << qint64(Seconds(2.5)) << QByteArray("2.5");
    QTest::newRow("a 128th") << qint64(7812500) << QByteArray("0.0078125");
    QTest::newRow("a nanosecond") << qint64(1) << QByteArray("0.000000001");
}

void TestTimeline::secondsText()
{
    QFETCH(qint64, time);
    QFETCH(QByteArray, text);
    QCOMPARE(RelayTimeSecondsText(time), text);
}

void TestTimeline::parseSeconds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withUnits");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("time");

    QTest::newRow("whole") << "2" << false << true << qint64(Seconds(2));
    QTest::newRow("fraction") << "2.5" << false << true << qint64(Seconds(2.5));
    QTest::newRow("no whole part") << ".25" << false << true << qint64(Seconds(0.25));
    QTest::newRow("spaces around") << " 3 " << false << true << qint64(Seconds(3));
    QTest::newRow("tenth decimal rounds") << "0.0000000015" << false << true << qint64(2);
    QTest::newRow("comma only with units") << "2,5" << false << false << qint64(0);
    QTest::newRow("comma") << "2,5" << true << true << qint64(Seconds(2.5));
    QTest::newRow("unit refused for scripts") << "2 s" << false << false << qint64(0);
    QTest::newRow("milliseconds") << "500 ms" << true << true << qint64(Seconds(0.5));
    QTest::newRow("minutes") << "1.5min" << true << true << qint64(Seconds(90));
    QTest::newRow("hours") << "100 h" << true << true << qint64(Seconds(360000));
    QTest::newRow("unknown unit") << "2 d" << true << false << qint64(0);
    QTest::newRow("negative") << "-1" << false << false << qint64(0);
    QTest::newRow("exponent") << "1e3" << false << false << qint64(0);
    QTest::newRow("empty") << "" << false << false << qint64(0);
    QTest::newRow("point alone") << "." << false << false << qint64(0);
    QTest::newRow("too long") << "1000000001" << false << false << qint64(0);
    QTest::newRow("too long in hours") << "300000 h" << true << false << qint64(0);
}

void TestTimeline::parseSeconds()
{
    QFETCH(QString, text);
    QFETCH(bool, withUnits);
    QFETCH(bool, valid);
    QFETCH(qint64, time);
    RelayTime parsed = -1;
    QCOMPARE(ParseRelaySeconds(text, withUnits, &parsed), valid);
    if (valid)
        QCOMPARE(parsed, time);
}

QTEST_GUILESS_MAIN(TestTimeline)
#include "tst_timeline.moc"

// Without an end of the user's, the timeline ends where the program has shown what it does:
// after its last change when it comes to rest, after two cycles when it repeats itself.
void TestTimeline::endFromProgram_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QString>("script");
    QTest::addColumn<double>("end");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ten seconds, then at rest") << TEN_SECONDS << "" << 11.0 << "0,0,1,4|10,0,0,36";
    QTest::newRow("a pulse after the last input") << PULSE << "1=1@2" << 4.5 << "0,0,0,2|2,1,1,4|3.5,1,0,2";
    QTest::newRow("an input after the last change") << PULSE << "1=1@2 1=0@20" << 22.0
                                                      << "0,0,0,2|2,1,1,4|3.5,1,0,2|20,0,0,2";
    QTest::newRow("nothing happens") << PULSE << "" << 1.0 << "0,0,0,2";
    QTest::newRow("rounded to two digits") << NEARLY_THREE_MINUTES << "" << 200.0 << "0,0,1,4|178.125,0,0,36";
    QTest::newRow("a blinker: two cycles") << BLINK << "" << 5.0 << "0,0,1,4|1,0,0,4|2,0,1,4|3,0,0,4|4,0,1,4|5,0,0,4";
    QTest::newRow("two channels, a cycle after a single time")
        << BLINK_AND_ONCE << "" << 8.0
        << "0,0,0,0,0,4,4|1,0,0,1,0,4,4|2,0,0,0,0,4,4|2.5,0,0,0,1,4,36|3,0,0,1,1,4,36|4,0,0,0,1,4,36|5,0,0,1,1,4,"
           "36|6,0,0,0,1,4,36|7,0,0,1,1,4,36|8,0,0,0,1,4,36";
}

void TestTimeline::endFromProgram()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, script);
    QFETCH(double, end);
    QFETCH(QString, expected);
    ModelCode model = 0;
    const std::vector<std::uint8_t> image = ImageOf(program, &model);
    QVERIFY(!image.empty());
    TimelineScript timeline;
    timeline.changes = ScriptOf(script);
    timeline.until = Seconds(200 * 3600);
    timeline.endFromProgram = true;
    CTimelineTrace trace(ChannelCount(model));
    QCOMPARE(ComputeTimeline(model, image.data(), int(image.size()), timeline, &trace), TimelineEnd::Until);
    QCOMPARE(trace.KnownUntil(), Seconds(end));
    QCOMPARE(Rows(trace), expected);

    // The latest end still counts when it comes first.
    timeline.until = Seconds(end / 2);
    CTimelineTrace shorter(ChannelCount(model));
    QCOMPARE(ComputeTimeline(model, image.data(), int(image.size()), timeline, &shorter), TimelineEnd::Until);
    QCOMPARE(shorter.KnownUntil(), timeline.until);
}

// Turning the potentiometer during a time step that takes its time from it: the step keeps
// the time it has run and ends at once when that is as long as the new time already.
void TestTimeline::potentiometerTurnedDuringTimeStep()
{
    ModelCode model = 0;
    const std::vector<std::uint8_t> image = ImageOf(POT_TIME, &model);
    CRealTimeRun run(model);
    QVERIFY(run.SetProgram(image.data(), int(image.size())));
    run.SetPotentiometer(1, 128); // 10 s
    const int inputs[2] = {0, 0};
    run.PowerOn(inputs);
    QCOMPARE(int(run.State().steps[0]), 4);
    run.AdvanceTo(Seconds(4));

    run.ChangePotentiometer(2, 43); // 20.15625 s: the step goes on
    RelayTime elapsed = 0, duration = 0;
    QVERIFY(run.TimeStep(0, &elapsed, &duration));
    QCOMPARE(elapsed, Seconds(4));
    QCOMPARE(duration, Seconds(20.15625));
    QCOMPARE(run.NextEvent(), Seconds(20.15625));

    run.ChangePotentiometer(0, 64); // 0.5 s, run already: it ends now
    QCOMPARE(run.Now(), Seconds(4));
    QCOMPARE(int(run.State().steps[0]), 8);
    QVERIFY(run.TimeStep(0, &elapsed, &duration));
    QCOMPARE(elapsed, RelayTime(0));
    QCOMPARE(duration, Seconds(1)); // the next group's own fixed time
}

// The on-screen simulation in relay time follows its clock at the chosen speed, stands still
// while stopped, and keeps its relay time when the speed changes.
void TestTimeline::pacedRunFollowsItsClock()
{
    ModelCode model = 0;
    const std::vector<std::uint8_t> image = ImageOf(TEN_SECONDS, &model);
    std::int64_t clock = 1'000'000; // any start
    CPacedRun paced(model, [&clock] { return clock; });
    const int inputs[2] = {0, 0};
    paced.SetSpeed(60);
    QVERIFY(paced.PowerOn(image.data(), int(image.size()), 0, 128, inputs));
    QCOMPARE(paced.Run().State().outputs[0], std::uint8_t(1));

    clock += Seconds(0.1);
    QCOMPARE(paced.Update(), RelayTime(0)); // not started
    paced.Start();
    clock += Seconds(0.1);
    QCOMPARE(paced.Update(), Seconds(6));
    paced.Stop();
    clock += Seconds(10);
    QCOMPARE(paced.Update(), Seconds(6));

    paced.SetSpeed(10);
    paced.Start();
    clock += Seconds(0.3);
    QCOMPARE(paced.Update(), Seconds(9));
    QCOMPARE(paced.Run().State().outputs[0], std::uint8_t(1));
    clock += Seconds(0.1);
    QCOMPARE(paced.Update(), Seconds(10));
    QCOMPARE(paced.Run().State().outputs[0], std::uint8_t(0));

    // A skip jumps to the end of the running time step; with none running there is none.
    paced.Stop();
    QVERIFY(paced.PowerOn(image.data(), int(image.size()), 0, 128, inputs));
    QVERIFY(paced.SkipToNextEvent());
    QCOMPARE(paced.Run().Now(), Seconds(10));
    QCOMPARE(paced.Run().State().outputs[0], std::uint8_t(0));
    QVERIFY(!paced.SkipToNextEvent());
}
