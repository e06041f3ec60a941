// Two-channel engine: common time base, tick order of the four cases, reactions between the
// channels and the extra hold execution of channel 0.

#include "SimFixtures.h"

#include <QtTest>

class TestSimulatorQvs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sharedStartSetsBothRelays();
    void timeStepAloneTakesTwentyTicks_data();
    void timeStepAloneTakesTwentyTicks();
    void timeStepsShareOneTimeBase();
    void skipFinishesTheNearestEnd();
    void timeStandsStillWhileOtherChannelRuns();
    void channelsSeeRelaysSwitchedInTheSameTick_data();
    void channelsSeeRelaysSwitchedInTheSameTick();
    void branchOnExpression_data();
    void branchOnExpression();
    void stoppedChannelLetsTheOtherTime_data();
    void stoppedChannelLetsTheOtherTime();
    void refusesForeignDocument();
};

void TestSimulatorQvs::sharedStartSetsBothRelays()
{
    QvsFixture f;
    f.Start(0).SetInitialState(0, RELAY_STATE_ON);
    f.Start(0).SetInitialState(1, RELAY_STATE_NOT_SET);
    f.Start(1).SetInitialState(1, RELAY_STATE_ON);
    f.Start(1).SetInitialState(0, RELAY_STATE_NOT_SET);
    StepResult r = f.Step();
    QCOMPARE(r.step[0], 1);
    QCOMPARE(r.step[1], 1);
    QCOMPARE(r.out[0], 1);
    QCOMPARE(r.out[1], 1);
    QCOMPARE(r.changed[0], 1);
    QCOMPARE(r.changed[1], 1);

    // Channel 1 switches relay 1 off again; channel 0 leaves it alone.
    f.Start(1).SetInitialState(0, RELAY_STATE_OFF);
    f.Reset();
    r = f.Step();
    QCOMPARE(r.out[0], 0);
    QCOMPARE(r.changed[0], 1); // switched on and off again within the tick: reported as changed
    QCOMPARE(r.out[1], 1);
}

void TestSimulatorQvs::timeStepAloneTakesTwentyTicks_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<double>("seconds"); // the step's length
    QTest::newRow("1 s") << 0 << 128 << 20 << 1.0;
    QTest::newRow("100 h") << 6 << 128 << 20 << 360000.0;
    QTest::newRow("value 0") << 0 << 0 << 1 << 0.0;
}

// Channel 1 stops at once, so channel 0 times alone.
void TestSimulatorQvs::timeStepAloneTakesTwentyTicks()
{
    QFETCH(int, unit);
    QFETCH(int, value);
    QFETCH(int, ticks);
    QFETCH(double, seconds);
    QvsFixture f;
    f.Change(1, 1).SetJump(STOP_FIELD);
    f.SetTime(4, 1, unit, value);
    QVERIFY(f.RunTo(4));
    const double duration = seconds;
    for (int n = 1; n < ticks; ++n) {
        const StepResult r = f.Step();
        QCOMPARE(r.step[0], 4);
        QCOMPARE(r.elapsed[0], n * duration * 0.05);
        QCOMPARE(r.fraction[0], n * 0.05);
    }
    const StepResult r = f.Step(0, 0, -1.0);
    QCOMPARE(r.step[0], 5);
    QCOMPARE(r.elapsed[0], 0.0);
    QCOMPARE(r.fraction[0], duration != 0 ? 0.0 : -1.0);
}

// 10 s and 1 s started together advance by the larger increment; the 1 s step ends on its
// second tick exactly; the 10 s step waits while channel 1 runs a step that takes no time and
// goes on once channel 1 has stopped.
void TestSimulatorQvs::timeStepsShareOneTimeBase()
{
    QvsFixture f;
    f.SetTime(4, 1, 1, 128, 0);
    f.SetTime(4, 1, 0, 128, 1);
    f.Change(5, 1).SetJump(STOP_FIELD);
    QVERIFY(f.RunTo(4, 0));
    QCOMPARE(f.outputs[0], 0);

    StepResult r = f.Step();
    QCOMPARE(r.step[1], 4);
    QCOMPARE(r.elapsed[0], 0.5);
    QCOMPARE(r.elapsed[1], 0.5);
    QCOMPARE(r.fraction[0], 0.05);
    QCOMPARE(r.fraction[1], 0.5);
    r = f.Step();
    QCOMPARE(r.step[0], 4);
    QCOMPARE(r.step[1], 5);
    QCOMPARE(r.elapsed[0], 1.0);
    QCOMPARE(r.elapsed[1], 0.0);
    r = f.Step(); // channel 1 runs its state change: no time passes
    QCOMPARE(r.step[1], STOP_FIELD);
    QCOMPARE(r.elapsed[0], 1.0);
    r = f.Step();
    QCOMPARE(r.elapsed[0], 1.5);
    QCOMPARE(r.fraction[0], 0.15);
    QCOMPARE(f.TicksAt(4, 0), 17);
}

void TestSimulatorQvs::skipFinishesTheNearestEnd()
{
    QvsFixture f;
    f.SetTime(4, 1, 0, 128, 0); // 1 s
    f.SetTime(4, 1, 0, 255, 1); // 1.99 s
    f.Change(5, 0).SetJump(STOP_FIELD);
    QVERIFY(f.RunTo(4));
    StepResult r = f.Step(1);
    QCOMPARE(r.step[0], 5);
    QCOMPARE(r.step[1], 4);
    QCOMPARE(r.elapsed[1], 1.0);
    r = f.Step(1); // channel 0 still runs a step: skip finds no time to pass
    QCOMPARE(r.step[0], STOP_FIELD);
    QCOMPARE(r.step[1], 4);
    QCOMPARE(r.elapsed[1], 1.0);
    r = f.Step(1);
    QCOMPARE(r.step[1], 5);
    QCOMPARE(r.elapsed[1], 0.0);
}

// Channel 1 times while channel 0 still has steps that take no time: time passes only once
// channel 0 waits, and not in a hold step.
void TestSimulatorQvs::timeStandsStillWhileOtherChannelRuns()
{
    QvsFixture f;
    f.Change(3, 0).SetJump(5);
    f.SetCondition(6, CONDITION_ON, TERM_SOURCE_INPUT, NO_JUMP, NO_JUMP, 0, 2);
    QVERIFY(f.RunTo(4, 1));
    QCOMPARE(f.engine.GetChannelCount(), 2);

    StepResult r = f.Step(); // channel 0: state change 5 -> 6
    QCOMPARE(r.step[0], 6);
    QCOMPARE(r.elapsed[1], 0.0);
    r = f.Step(); // channel 0 waits for input 2
    QCOMPARE(r.step[0], 6);
    QCOMPARE(r.elapsed[1], 0.05);
    r = f.Step();
    QCOMPARE(r.elapsed[1], 0.1);

    f.inputs[1] = 1;
    r = f.Step(0, 1);
    QCOMPARE(r.step[0], 7);
    QCOMPARE(r.elapsed[1], 0.1);
    QCOMPARE(r.fraction[1], 0.1);
    r = f.Step(); // channel 0: state change 7 -> 8
    QCOMPARE(r.step[0], 8);
    QCOMPARE(r.elapsed[1], 0.1);
    r = f.Step(); // both time now, with equal increments
    QCOMPARE(r.elapsed[0], 0.05);
    QCOMPARE(r.elapsed[1], 0.15);
    QCOMPARE(f.TicksAt(4, 1), 17);
}

void TestSimulatorQvs::channelsSeeRelaysSwitchedInTheSameTick_data()
{
    QTest::addColumn<int>("waiter");  // channel that waits on relay 2
    QTest::addColumn<int>("type");
    QTest::newRow("channel 0, on") << 0 << int(CONDITION_ON);
    QTest::newRow("channel 0, rising") << 0 << int(CONDITION_RISING);
    QTest::newRow("channel 0, any change") << 0 << int(CONDITION_EDGE);
    QTest::newRow("channel 1, rising") << 1 << int(CONDITION_RISING);
}

// One channel waits on relay 2 while the other switches it on: the waiter moves on in the
// same tick. Channel 1 runs after channel 0 anyway; channel 0 gets an extra hold execution.
void TestSimulatorQvs::channelsSeeRelaysSwitchedInTheSameTick()
{
    QFETCH(int, waiter);
    QFETCH(int, type);
    const int switcher = 1 - waiter;
    QvsFixture f;
    f.SetCondition(2, type, TERM_SOURCE_OUTPUT, 10, NO_JUMP, waiter, 2);
    f.Change(3, switcher).SetRelayOperation(1, RELAY_OP_ON);
    QVERIFY(f.RunTo(3, switcher));
    QCOMPARE(f.outputs[1], 0);
    const StepResult r = f.Step();
    QCOMPARE(r.out[1], 1);
    QCOMPARE(r.changed[1], 1);
    QCOMPARE(r.step[switcher], 4);
    QCOMPARE(r.step[waiter], 10);
}

void TestSimulatorQvs::branchOnExpression_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("input1");
    QTest::addColumn<int>("input2");
    QTest::addColumn<int>("expected");
    // input 1 XOR input 2; jump target 10, alternative 20
    QTest::newRow("on -> jump") << int(CONDITION_BRANCH_ON_JUMP) << 1 << 0 << 10;
    QTest::newRow("off -> alternative") << int(CONDITION_BRANCH_ON_JUMP) << 1 << 1 << 20;
    QTest::newRow("off -> jump") << int(CONDITION_BRANCH_ON_ALT) << 0 << 0 << 10;
    QTest::newRow("on -> alternative") << int(CONDITION_BRANCH_ON_ALT) << 0 << 1 << 20;
}

void TestSimulatorQvs::branchOnExpression()
{
    QFETCH(int, type);
    QFETCH(int, input1);
    QFETCH(int, input2);
    QFETCH(int, expected);
    QvsFixture f;
    f.SetCondition(2, type, TERM_SOURCE_INPUT, 10, 20, 1, 1);
    f.Condition(2, 1).SetTerm(1, TERM_OP_XOR, TERM_SOURCE_INPUT, 2, 0);
    f.inputs[0] = input1;
    f.inputs[1] = input2;
    f.Reset();
    QVERIFY(f.RunTo(2, 1));
    QCOMPARE(f.Step().step[1], expected);
}

void TestSimulatorQvs::stoppedChannelLetsTheOtherTime_data()
{
    QTest::addColumn<int>("target");
    QTest::newRow("stop step") << STOP_FIELD;
    QTest::newRow("37") << 37;
    QTest::newRow("62") << 62;
}

// A channel that jumped to the Stop step, or beyond it where no step is, stays there for good
// and does not hold up the other channel's time.
void TestSimulatorQvs::stoppedChannelLetsTheOtherTime()
{
    QFETCH(int, target);
    QvsFixture f;
    f.Change(1, 0).SetRelayOperation(0, RELAY_OP_ON);
    f.Change(1, 0).SetJump(target);
    QVERIFY(f.RunTo(4, 1));
    QCOMPARE(f.TicksAt(4, 1), 20);
    StepResult r;
    for (int n = 0; n < 5; ++n)
        r = f.Step(n % 2);
    QCOMPARE(r.returned, 1);
    QCOMPARE(r.step[0], target);
    QCOMPARE(r.out[0], 1);
}

void TestSimulatorQvs::refusesForeignDocument()
{
    CQuorvex_QVS_K115_318_Simulator engine;
    CQuorvex_QVR_K115_ZQX_Doc other;
    other.ResetProgram(0);
    engine.SetDocument(&other);
    int steps[2] = {9, 9}, inputs[2] = {0, 0}, outputs[2] = {0, 0}, changed[2] = {0, 0};
    double elapsed[2] = {0, 0}, fraction[2] = {0, 0};
    engine.Reset(inputs, outputs);
    QCOMPARE(engine.Step(steps, inputs, outputs, changed, 0, 0, elapsed, fraction), 0);
    QCOMPARE(steps[0], 9);
}

QTEST_GUILESS_MAIN(TestSimulatorQvs)
#include "tst_simulator_qvs.moc"
