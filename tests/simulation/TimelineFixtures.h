#pragma once
// Programs for the real-time and timeline tests: a document of either model holding the
// default program (Start, then every group's state changes doing nothing, an unconditional
// condition and a fixed 1 s time step, then Stop), edited step by step.

#include "QuorvexDoc.h"
#include "Timeline.h"

#include <memory>

struct TimelineProgram {
    std::unique_ptr<CQuorvexDoc> doc;
    std::unique_ptr<CQuorvexFieldSet> fields;

    explicit TimelineProgram(ModelCode model) : doc(CreateDocument(model)), fields(doc->CreateFieldSet())
    {
        doc->ResetProgram(0);
    }

    template <typename Field>
    Field& At(int index, int channel)
    {
        return static_cast<Field&>(*fields->Bind(doc.get(), channel, index));
    }

    // A state change: operation on relay 1 (and relay 2 on the two-channel model), jump.
    TimelineProgram& Change(int index, int relay1, int jump = NO_JUMP, int channel = 0, int relay2 = RELAY_OP_UNCHANGED)
    {
        auto& change = At<CQuorvexFIELDStateChange>(index, channel);
        change.SetRelayOperation(0, relay1);
        if (doc->GetChannelCount() == 2)
            change.SetRelayOperation(1, relay2);
        change.SetJump(jump);
        return *this;
    }

    // A condition of one term: source (TERM_SOURCE_INPUT or TERM_SOURCE_OUTPUT) and number.
    TimelineProgram& Condition(int index, int type, int source, int number, int jump = NO_JUMP,
                               int altJump = NO_JUMP, int channel = 0)
    {
        auto& condition = At<CQuorvexFIELDCondition>(index, channel);
        condition.SetConditionType(type);
        condition.SetTerm(0, TERM_OP_NONE, source, number, 0);
        condition.SetJump(jump);
        condition.SetAltJump(altJump);
        return *this;
    }

    // A time step: fixed (unit, mantissa) or, with fixed 0, the potentiometer's time; an
    // optional stop condition on input `stopInput` that continues at `jump`.
    TimelineProgram& Time(int index, int fixed, int unit, int mantissa, int stopType = CONDITION_NONE,
                          int jump = NO_JUMP, int channel = 0, int stopInput = 1)
    {
        auto& time = At<CQuorvexFIELDTime>(index, channel);
        time.SetFixedTime(fixed);
        time.SetTimeUnit(unit);
        time.SetTimeValue(mantissa);
        time.SetConditionType(stopType);
        time.SetTerm(0, TERM_OP_NONE, stopType == CONDITION_NONE ? TERM_SOURCE_NONE : TERM_SOURCE_INPUT, stopInput, 0);
        time.SetJump(jump);
        return *this;
    }

    // Power-on state of relay r (0-based) as set by a channel's Start step.
    TimelineProgram& PowerOn(int relay, int state, int channel = 0)
    {
        At<CQuorvexFIELDStart>(0, channel).SetInitialState(relay, state);
        return *this;
    }
};

inline constexpr RelayTime Seconds(double seconds)
{
    return RelayTime(seconds * double(RELAY_TIME_PER_SECOND) + (seconds >= 0 ? 0.5 : -0.5));
}
