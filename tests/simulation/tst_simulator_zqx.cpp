// Single-channel engine: tick rules of every step kind, time steps, hold and skip.

#include "SimFixtures.h"

#include <QtTest>

class TestSimulatorZqx : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workedExample();
    void timeStepTakesTwentyTicks_data();
    void timeStepTakesTwentyTicks();
    void zeroDurationEndsAtOnce_data();
    void zeroDurationEndsAtOnce();
    void jumpTargets_data();
    void jumpTargets();
    void holdRunsOnlyWaits_data();
    void holdRunsOnlyWaits();
    void edgesCompareWithPreviousTick_data();
    void edgesCompareWithPreviousTick();
    void branches_data();
    void branches();
    void stopConditionInterruptsTime_data();
    void stopConditionInterruptsTime();
    void skip();
    void potentiometerChangeTakesEffectNextTick();
    void refusesMissingOrForeignDocument();
};

// Start on, off, wait for a rising input, toggle, 1 s: every step kind, and a hold step.
void TestSimulatorZqx::workedExample()
{
    ZqxFixture f;
    f.Start().SetInitialState(0, RELAY_STATE_ON);
    f.Change(1).SetRelayOperation(0, RELAY_OP_OFF);
    f.SetCondition(2, CONDITION_RISING, TERM_SOURCE_INPUT, NO_JUMP);
    f.Change(3).SetRelayOperation(0, RELAY_OP_TOGGLE);
    f.SetTime(4, 1, 0, 128);
    f.Reset();

    StepResult r = f.Step();
    QCOMPARE(r.step[0], 1);
    QCOMPARE(r.out[0], 1);
    QCOMPARE(r.changed[0], 1);
    r = f.Step();
    QCOMPARE(r.step[0], 2);
    QCOMPARE(r.out[0], 0);
    QCOMPARE(r.changed[0], 1);
    r = f.Step();
    QCOMPARE(r.step[0], 2); // input still 0
    QCOMPARE(r.changed[0], 0);

    f.inputs[0] = 1; // the button is pressed: the hold step sees the rising edge
    r = f.Step(0, 1);
    QCOMPARE(r.step[0], 3);
    QCOMPARE(r.out[0], 0);

    r = f.Step(); // tick 4
    QCOMPARE(r.step[0], 4);
    QCOMPARE(r.out[0], 1);
    for (int n = 1; n <= 19; ++n) { // ticks 5..23
        r = f.Step();
        QCOMPARE(r.step[0], 4);
        QCOMPARE(r.elapsed[0], n * 0.05);
        QCOMPARE(r.fraction[0], n * 0.05);
        QCOMPARE(r.out[0], 1);
    }
    r = f.Step(); // tick 24: the second is up
    QCOMPARE(r.step[0], 5);
    QCOMPARE(r.elapsed[0], 0.0);
    QCOMPARE(r.fraction[0], 0.0);
}

void TestSimulatorZqx::timeStepTakesTwentyTicks_data()
{
    QTest::addColumn<int>("fixed");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("seconds"); // the step's length
    QTest::newRow("1 s") << 1 << 0 << 128 << 1.0;
    QTest::newRow("100 h") << 1 << 6 << 128 << 360000.0;
    QTest::newRow("1/128 s") << 1 << 0 << 1 << 0.0078125;
    QTest::newRow("longest") << 1 << 6 << 255 << 717187.5;
    QTest::newRow("potentiometer 7.3 min") << 0 << 3 << 93 << 435.9375;
}

void TestSimulatorZqx::timeStepTakesTwentyTicks()
{
    QFETCH(int, fixed);
    QFETCH(int, unit);
    QFETCH(int, value);
    QFETCH(double, seconds);
    ZqxFixture f;
    f.doc.SetPotUnit(fixed ? 0 : unit);
    f.doc.SetPotValue(fixed ? 1 : value);
    f.SetTime(4, fixed, unit, value);
    QVERIFY(f.RunTo(4));
    const double duration = seconds;
    StepResult r;
    for (int n = 1; n < 20; ++n) {
        r = f.Step();
        QCOMPARE(r.step[0], 4);
        QCOMPARE(r.elapsed[0], n * (duration * 0.05));
    }
    r = f.Step();
    QCOMPARE(r.step[0], 5);
    QCOMPARE(r.elapsed[0], 0.0);
}

void TestSimulatorZqx::zeroDurationEndsAtOnce_data()
{
    QTest::addColumn<int>("fixed");
    QTest::addColumn<int>("potUnit");
    QTest::addColumn<int>("potValue");
    QTest::newRow("fixed value 0") << 1 << 0 << 128;
    QTest::newRow("potentiometer value 0") << 0 << 2 << 0;
    QTest::newRow("potentiometer unit 7") << 0 << 7 << 128;
}

void TestSimulatorZqx::zeroDurationEndsAtOnce()
{
    QFETCH(int, fixed);
    QFETCH(int, potUnit);
    QFETCH(int, potValue);
    ZqxFixture f;
    f.doc.SetPotUnit(potUnit);
    f.doc.SetPotValue(potValue);
    f.SetTime(4, fixed, 0, 0);
    QVERIFY(f.RunTo(4));
    const StepResult r = f.Step(0, 0, -1.0);
    QCOMPARE(r.step[0], 5);
    QCOMPARE(r.elapsed[0], 0.0);
    QCOMPARE(r.fraction[0], -1.0); // no fraction for a step without duration
}

void TestSimulatorZqx::jumpTargets_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("expected");
    QTest::newRow("no jump") << NO_JUMP << 2;
    QTest::newRow("back to start") << 0 << 0;
    QTest::newRow("stop") << 36 << 36;
    QTest::newRow("37") << 37 << 37;
    QTest::newRow("62") << 62 << 62;
}

// Targets 37..62 name no step: the engine goes there and stays, outputs untouched.
void TestSimulatorZqx::jumpTargets()
{
    QFETCH(int, target);
    QFETCH(int, expected);
    ZqxFixture f;
    f.Change(1).SetRelayOperation(0, RELAY_OP_ON);
    f.Change(1).SetJump(target);
    f.Reset();
    f.Step();
    StepResult r = f.Step();
    QCOMPARE(r.step[0], expected);
    QCOMPARE(r.out[0], 1);
    if (expected >= STOP_FIELD) {
        for (int n = 0; n < 3; ++n) {
            f.inputs[0] = n % 2;
            r = f.Step(n % 2, n % 2);
            QCOMPARE(r.returned, 1);
            QCOMPARE(r.step[0], expected);
            QCOMPARE(r.out[0], 1);
            QCOMPARE(r.changed[0], 0);
        }
    }
}

void TestSimulatorZqx::holdRunsOnlyWaits_data()
{
    QTest::addColumn<int>("index");      // step reached before the hold
    QTest::addColumn<int>("condition");  // condition type set at index 2 (-1: none)
    QTest::addColumn<int>("expected");   // index after the hold step
    QTest::newRow("start") << 0 << -1 << 0;
    QTest::newRow("state change") << 1 << -1 << 1;
    QTest::newRow("unconditional") << 2 << int(CONDITION_NONE) << 2;
    QTest::newRow("branch") << 2 << int(CONDITION_BRANCH_ON_JUMP) << 2;
    QTest::newRow("time") << 4 << -1 << 4;
    QTest::newRow("wait on") << 2 << int(CONDITION_ON) << 3;
}

void TestSimulatorZqx::holdRunsOnlyWaits()
{
    QFETCH(int, index);
    QFETCH(int, condition);
    QFETCH(int, expected);
    ZqxFixture f;
    f.Start().SetInitialState(0, RELAY_STATE_ON);
    if (condition >= 0)
        f.SetCondition(2, condition, TERM_SOURCE_INPUT, NO_JUMP, NO_JUMP);
    if (index > 0)
        QVERIFY(f.RunTo(index));
    const int outputBefore = f.outputs[0];
    f.inputs[0] = 1;
    const StepResult r = f.Step(0, 1);
    QCOMPARE(r.step[0], expected);
    QCOMPARE(r.out[0], outputBefore);
    QCOMPARE(r.elapsed[0], 0.0);
}

void TestSimulatorZqx::edgesCompareWithPreviousTick_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("inputBefore"); // input while the program walks to the condition
    QTest::addColumn<int>("inputAt");     // input on the first tick at the condition
    QTest::addColumn<bool>("moves");
    QTest::newRow("rising, already on") << int(CONDITION_RISING) << 1 << 1 << false;
    QTest::newRow("rising, switched on") << int(CONDITION_RISING) << 0 << 1 << true;
    QTest::newRow("falling, already off") << int(CONDITION_FALLING) << 0 << 0 << false;
    QTest::newRow("falling, switched off") << int(CONDITION_FALLING) << 1 << 0 << true;
    QTest::newRow("any change, steady") << int(CONDITION_EDGE) << 1 << 1 << false;
    QTest::newRow("any change, switched") << int(CONDITION_EDGE) << 1 << 0 << true;
    QTest::newRow("off, steady off") << int(CONDITION_OFF) << 0 << 0 << true;
    QTest::newRow("on, steady off") << int(CONDITION_ON) << 0 << 0 << false;
}

void TestSimulatorZqx::edgesCompareWithPreviousTick()
{
    QFETCH(int, type);
    QFETCH(int, inputBefore);
    QFETCH(int, inputAt);
    QFETCH(bool, moves);
    ZqxFixture f;
    f.SetCondition(2, type, TERM_SOURCE_INPUT, 20);
    f.inputs[0] = inputBefore;
    f.Reset();
    f.Step();
    QCOMPARE(f.Step().step[0], 2);
    f.inputs[0] = inputAt;
    QCOMPARE(f.Step().step[0], moves ? 20 : 2);
}

void TestSimulatorZqx::branches_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("expected");
    // jump target 10, alternative 20
    QTest::newRow("input off -> jump") << int(CONDITION_BRANCH_ON_ALT) << 1 << 0 << 1 << 10;
    QTest::newRow("input on -> alternative") << int(CONDITION_BRANCH_ON_ALT) << 1 << 1 << 0 << 20;
    QTest::newRow("input on -> jump") << int(CONDITION_BRANCH_ON_JUMP) << 1 << 1 << 0 << 10;
    QTest::newRow("input off -> alternative") << int(CONDITION_BRANCH_ON_JUMP) << 1 << 0 << 1 << 20;
    QTest::newRow("relay off -> jump") << int(CONDITION_BRANCH_ON_ALT) << 2 << 1 << 0 << 10;
    QTest::newRow("relay on -> alternative") << int(CONDITION_BRANCH_ON_ALT) << 2 << 0 << 1 << 20;
    QTest::newRow("relay on -> jump") << int(CONDITION_BRANCH_ON_JUMP) << 2 << 0 << 1 << 10;
    QTest::newRow("relay off -> alternative") << int(CONDITION_BRANCH_ON_JUMP) << 2 << 1 << 0 << 20;
}

void TestSimulatorZqx::branches()
{
    QFETCH(int, type);
    QFETCH(int, source);
    QFETCH(int, input);
    QFETCH(int, output);
    QFETCH(int, expected);
    ZqxFixture f;
    f.Start().SetInitialState(0, output ? RELAY_STATE_ON : RELAY_STATE_OFF);
    f.SetCondition(2, type, source, 10, 20);
    f.inputs[0] = input;
    f.Reset();
    QVERIFY(f.RunTo(2));
    QCOMPARE(f.Step().step[0], expected);
}

void TestSimulatorZqx::stopConditionInterruptsTime_data()
{
    QTest::addColumn<int>("hold");
    QTest::newRow("tick") << 0;
    QTest::newRow("hold") << 1;
}

// A stop condition met while the time runs goes to the jump target and clears the elapsed
// time; the next time step starts from zero.
void TestSimulatorZqx::stopConditionInterruptsTime()
{
    QFETCH(int, hold);
    ZqxFixture f;
    CQuorvexFIELDTime& time = f.Time(4);
    time.SetConditionType(CONDITION_RISING);
    time.SetTerm(0, TERM_OP_NONE, TERM_SOURCE_INPUT, 1, 0);
    time.SetJump(8);
    QVERIFY(f.RunTo(4));
    for (int n = 0; n < 5; ++n)
        f.Step();
    f.inputs[0] = 1;
    const StepResult r = f.Step(0, hold, -1.0);
    QCOMPARE(r.step[0], 8);
    QCOMPARE(r.elapsed[0], 0.0);
    QCOMPARE(r.fraction[0], -1.0);
    QVERIFY(f.RunTo(9)); // through the next 1 s time step at 8
    QCOMPARE(f.TicksAt(9), 1);
}

void TestSimulatorZqx::skip()
{
    ZqxFixture f;
    f.Start().SetInitialState(0, RELAY_STATE_ON);
    f.Reset();
    // Skip on a step that takes no time acts as an ordinary tick.
    StepResult r = f.Step(1);
    QCOMPARE(r.step[0], 1);
    QCOMPARE(r.out[0], 1);
    QVERIFY(f.RunTo(4));
    // Skip on a time step that has not begun yet still finishes it.
    r = f.Step(1);
    QCOMPARE(r.step[0], 5);
    QCOMPARE(r.elapsed[0], 0.0);
    QVERIFY(f.RunTo(8));
    f.Step();
    f.Step();
    r = f.Step(1);
    QCOMPARE(r.step[0], 9);
    // Skip under hold does nothing.
    QVERIFY(f.RunTo(12));
    f.Step();
    r = f.Step(1, 1);
    QCOMPARE(r.step[0], 12);
    QCOMPARE(r.elapsed[0], 0.05);
}

void TestSimulatorZqx::potentiometerChangeTakesEffectNextTick()
{
    ZqxFixture f;
    f.SetTime(4, 0, 0, 0);
    f.doc.SetPotUnit(1);
    f.doc.SetPotValue(128); // 10 s: 0.5 s per tick
    QVERIFY(f.RunTo(4));
    StepResult r;
    for (int n = 0; n < 4; ++n)
        r = f.Step();
    QCOMPARE(r.elapsed[0], 2.0);
    QCOMPARE(r.fraction[0], 0.2);
    f.doc.SetPotUnit(0); // now 1 s: 0.05 s per tick, counted from the step's start
    r = f.Step();
    QCOMPARE(r.elapsed[0], 5 * 0.05);
    QCOMPARE(r.fraction[0], 0.25);
    QCOMPARE(f.TicksAt(4), 15);
}

void TestSimulatorZqx::refusesMissingOrForeignDocument()
{
    CQuorvex_QVR_K115_ZQX_Simulator engine;
    int step = 7, input = 1, output = 1, changed = 5;
    double elapsed = 3.0, fraction = 4.0;
    engine.Reset(&input, &output);
    QCOMPARE(engine.Step(&step, &input, &output, &changed, 0, 0, &elapsed, &fraction), 0);

    CQuorvex_QVS_K115_318_Doc other;
    other.ResetProgram(0);
    engine.SetDocument(&other);
    QCOMPARE(engine.Step(&step, &input, &output, &changed, 0, 0, &elapsed, &fraction), 0);
    QCOMPARE(step, 7);
    QCOMPARE(output, 1);
    QCOMPARE(changed, 5);
    QCOMPARE(elapsed, 3.0);
}

QTEST_GUILESS_MAIN(TestSimulatorZqx)
#include "tst_simulator_zqx.moc"
