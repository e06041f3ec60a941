#pragma once
// Small program fixtures for the simulator tests: a document of each model holding the default
// program, edited through the field accessors, and an engine attached to it.

#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"

struct StepResult {
    int step[2] = {0, 0};
    int out[2] = {0, 0};
    int changed[2] = {0, 0};
    double elapsed[2] = {0.0, 0.0};
    double fraction[2] = {0.0, 0.0};
    int returned = 0;
};

template <typename Doc, typename FieldSet, typename Engine>
struct SimFixture {
    Doc doc;
    FieldSet fields;
    Engine engine;
    int inputs[2] = {0, 0};
    int outputs[2] = {0, 0};

    SimFixture()
    {
        doc.ResetProgram(0);
        engine.SetDocument(&doc);
        Reset();
    }

    void Reset()
    {
        outputs[0] = outputs[1] = 0;
        engine.Reset(inputs, outputs);
    }

    // Bound accessor of the field at (channel, index); valid until the next call.
    CQuorvexFIELDStart& Start(int channel = 0) { return Bound<CQuorvexFIELDStart>(channel, 0); }
    CQuorvexFIELDStateChange& Change(int index, int channel = 0) { return Bound<CQuorvexFIELDStateChange>(channel, index); }
    CQuorvexFIELDCondition& Condition(int index, int channel = 0) { return Bound<CQuorvexFIELDCondition>(channel, index); }
    CQuorvexFIELDTime& Time(int index, int channel = 0) { return Bound<CQuorvexFIELDTime>(channel, index); }

    // Condition of a wait/branch type on term 0 (source 1 input, 2 relay output; number 1 or 2).
    void SetCondition(int index, int type, int source, int jump, int altJump = NO_JUMP, int channel = 0, int number = 1,
                      int negated = 0)
    {
        CQuorvexFIELDCondition& condition = Condition(index, channel);
        condition.SetConditionType(type);
        condition.SetTerm(0, TERM_OP_NONE, source, number, negated);
        condition.SetJump(jump);
        condition.SetAltJump(altJump);
    }

    void SetTime(int index, int fixed, int unit, int value, int channel = 0)
    {
        CQuorvexFIELDTime& time = Time(index, channel);
        time.SetFixedTime(fixed);
        time.SetTimeUnit(unit);
        time.SetTimeValue(value);
    }

    // One Step with the fixture's present inputs and outputs; fraction starts at `fractionIn`
    // so that a test can see whether the engine wrote it.
    StepResult Step(int skip = 0, int hold = 0, double fractionIn = 0.0)
    {
        StepResult r;
        r.fraction[0] = r.fraction[1] = fractionIn;
        r.out[0] = outputs[0];
        r.out[1] = outputs[1];
        r.returned = engine.Step(r.step, inputs, r.out, r.changed, skip, hold, r.elapsed, r.fraction);
        outputs[0] = r.out[0];
        outputs[1] = r.out[1];
        return r;
    }

    // Runs plain ticks until channel's step index leaves `index`; returns the number of ticks,
    // or -1 when it has not left within `limit` ticks.
    int TicksAt(int index, int channel = 0, int limit = 1000)
    {
        for (int n = 1; n <= limit; ++n)
            if (Step().step[channel] != index)
                return n;
        return -1;
    }

    // Plain ticks until channel reaches `index` (at most `limit`); true when it did.
    bool RunTo(int index, int channel = 0, int limit = 200)
    {
        for (int n = 0; n < limit; ++n)
            if (Step().step[channel] == index)
                return true;
        return false;
    }

private:
    template <typename Field>
    Field& Bound(int channel, int index)
    {
        return static_cast<Field&>(*fields.Bind(&doc, channel, index));
    }
};

using ZqxFixture = SimFixture<CQuorvex_QVR_K115_ZQX_Doc, CQuorvex_QVR_K115_ZQX_FieldSet, CQuorvex_QVR_K115_ZQX_Simulator>;
using QvsFixture = SimFixture<CQuorvex_QVS_K115_318_Doc, CQuorvex_QVS_K115_318_FieldSet, CQuorvex_QVS_K115_318_Simulator>;
