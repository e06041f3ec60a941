#include "QuorvexSimulator.h"

#include "QuorvexDoc.h"

#include <algorithm>

namespace {

// Whether a wait-type condition (types 1..5) holds for a signal now and on the previous tick.
bool WaitConditionMet(int type, bool now, bool before)
{
    switch (type) {
    case CONDITION_OFF: return !now;
    case CONDITION_ON: return now;
    case CONDITION_RISING: return now && !before;
    case CONDITION_FALLING: return before && !now;
    case CONDITION_EDGE: return now != before;
    default: return false;
    }
}

bool IsWaitType(int type) { return type >= CONDITION_OFF && type <= CONDITION_EDGE; }

// New output of a relay under a Start field's initial state.
int StartOutput(int state, int output)
{
    if (state == RELAY_STATE_OFF)
        return 0;
    if (state == RELAY_STATE_ON)
        return 1;
    return output;
}

// New output of a relay under a StateChange operation; a toggle inverts the engine's output.
int OperatedOutput(int operation, int output, int engineOutput)
{
    switch (operation) {
    case RELAY_OP_OFF: return 0;
    case RELAY_OP_ON: return 1;
    case RELAY_OP_TOGGLE: return engineOutput ? 0 : 1;
    default: return output;
    }
}

} // namespace

// --- Shared rules ---------------------------------------------------------------------------

void CQuorvexSimulator::StepTiming(int unit, int mantissa, double* increment, double* duration)
{
    if (unit < 0 || unit >= TIME_UNIT_COUNT) {
        *increment = 0.0;
        *duration = 0.0;
        return;
    }
    *duration = TimeSeconds(unit, mantissa);
    *increment = *duration * 0.05;
}

CQuorvexDoc* CQuorvexSimulator::RunnableDocument() const
{
    CQuorvexDoc* doc = GetDocument();
    // An engine reads the steps with its own model's accessors; another model's image would
    // be misread, so such a document is treated as no document.
    return doc && m_pFields && doc->GetModelCode() == GetModelCode() ? doc : nullptr;
}

double TickSimulatedSeconds(const CQuorvexDoc& doc, int channels, const int* stepsBefore, const double* elapsedBefore,
                            const int* stepsAfter, const double* elapsedAfter)
{
    const std::unique_ptr<CQuorvexFieldSet> fields = doc.CreateFieldSet();
    if (!fields)
        return 0.0;
    double seconds = 0.0;
    for (int c = 0; c < channels; ++c) {
        const CQuorvexFIELDBase* field = fields->BindReadOnly(&doc, c, stepsBefore[c]);
        if (!field || field->GetKind() != FIELD_TIME)
            continue;
        const auto& time = static_cast<const CQuorvexFIELDTime&>(*field);
        const bool fixed = time.IsFixedTime() != 0;
        const double duration = TimeSeconds(fixed ? time.GetTimeUnit() : doc.GetPotUnit(),
                                            fixed ? time.GetTimeValue() : doc.GetPotValue());
        if (stepsAfter[c] == stepsBefore[c])
            seconds = std::max(seconds, elapsedAfter[c] - elapsedBefore[c]);
        else if (stepsAfter[c] == stepsBefore[c] + 1)
            seconds = std::max(seconds, duration - elapsedBefore[c]);
    }
    return seconds;
}

// --- Single-channel engine ------------------------------------------------------------------

CQuorvex_QVR_K115_ZQX_Simulator::CQuorvex_QVR_K115_ZQX_Simulator()
    : CQuorvexSimulator(nullptr), m_ownFields(std::make_unique<CQuorvex_QVR_K115_ZQX_FieldSet>())
{
    m_pFields = m_ownFields.get();
}

CQuorvex_QVR_K115_ZQX_Simulator::CQuorvex_QVR_K115_ZQX_Simulator(CQuorvex_QVR_K115_ZQX_FieldSet& fields)
    : CQuorvexSimulator(&fields)
{
}

void CQuorvex_QVR_K115_ZQX_Simulator::Reset(const int* inputs, const int* outputs)
{
    m_nStep = 0;
    m_nPrevInput = inputs && inputs[0] ? 1 : 0;
    m_nOutput = outputs && outputs[0] ? 1 : 0;
    m_dElapsed = 0.0;
}

int CQuorvex_QVR_K115_ZQX_Simulator::Step(int* stepIndex, const int* inputs, int* outputs, int* changed, int skip,
                                          int hold, double* elapsed, double* fraction)
{
    TimeControl control;
    control.skip = skip;
    control.hold = hold;
    return Run(stepIndex, inputs, outputs, changed, control, elapsed, fraction);
}

int CQuorvex_QVR_K115_ZQX_Simulator::StepInstant(int* stepIndex, const int* inputs, int* outputs, int* changed,
                                                 const int* finish, int* interrupted)
{
    if (!finish || !interrupted)
        return 0;
    TimeControl control;
    control.instant = true;
    control.finish = finish[0];
    control.interrupted = interrupted;
    double elapsed = 0.0, fraction = 0.0;
    return Run(stepIndex, inputs, outputs, changed, control, &elapsed, &fraction);
}

int CQuorvex_QVR_K115_ZQX_Simulator::Run(int* stepIndex, const int* inputs, int* outputs, int* changed,
                                         const TimeControl& control, double* elapsed, double* fraction)
{
    CQuorvexDoc* doc = RunnableDocument();
    if (!doc || !stepIndex || !inputs || !outputs || !changed || !elapsed || !fraction)
        return 0;
    const int hold = control.hold;

    const int input = inputs[0] ? 1 : 0;
    int output = m_nOutput;
    outputs[0] = output;

    // A step index above the Stop step names no field: binding fails and the engine stays.
    if (CQuorvexFIELDBase* field = m_pFields->Bind(doc, 0, m_nStep)) {
        switch (field->GetKind()) {
        case FIELD_START:
            if (!hold) {
                output = StartOutput(static_cast<CQuorvexFIELDStart*>(field)->GetInitialState(0), output);
                ++m_nStep;
            }
            break;
        case FIELD_STATE_CHANGE:
            if (!hold) {
                auto* change = static_cast<CQuorvexFIELDStateChange*>(field);
                output = OperatedOutput(change->GetRelayOperation(0), output, m_nOutput);
                m_nStep = JumpTo(m_nStep, change->GetJump());
            }
            break;
        case FIELD_CONDITION: {
            auto* condition = static_cast<CQuorvexFIELDCondition*>(field);
            const int type = condition->GetConditionType();
            if (IsWaitType(type)) {
                // Waits test the input and react under hold too: that is how a pressed
                // input button takes effect at once. Edges compare with the previous tick.
                if (WaitConditionMet(type, input != 0, m_nPrevInput != 0))
                    m_nStep = JumpTo(m_nStep, condition->GetJump());
            } else if (!hold) {
                if (type == CONDITION_BRANCH_ON_ALT || type == CONDITION_BRANCH_ON_JUMP) {
                    int op = 0, number = 0, negated = 0;
                    const int source = condition->GetTerm(0, &op, &number, &negated);
                    const int signal = source == TERM_SOURCE_OUTPUT ? output : input;
                    const bool toJump = type == CONDITION_BRANCH_ON_ALT ? signal == 0 : signal != 0;
                    m_nStep = JumpTo(m_nStep, toJump ? condition->GetJump() : condition->GetAltJump());
                } else {
                    m_nStep = JumpTo(m_nStep, condition->GetJump());
                }
            }
            break;
        }
        case FIELD_TIME:
            RunTime(*static_cast<CQuorvexFIELDTime*>(field), input, control, fraction);
            break;
        case FIELD_STOP:
            break; // the program has ended: the engine stays here
        }
    }

    stepIndex[0] = m_nStep;
    m_nPrevInput = input;
    changed[0] = output != m_nOutput ? 1 : 0;
    m_nOutput = output;
    outputs[0] = output;
    elapsed[0] = m_dElapsed;
    return 1;
}

void CQuorvex_QVR_K115_ZQX_Simulator::RunTime(CQuorvexFIELDTime& time, int input, const TimeControl& control,
                                              double* fraction)
{
    // The stop condition is tested on every tick, under hold too.
    const int stopType = time.GetConditionType();
    if (IsWaitType(stopType) && WaitConditionMet(stopType, input != 0, m_nPrevInput != 0)) {
        m_nStep = JumpTo(m_nStep, time.GetJump());
        m_dElapsed = 0.0;
        if (control.interrupted)
            control.interrupted[0] = 1;
        return;
    }
    if (control.instant) {
        // The driver keeps the time: the step ends when it says the time has run out.
        if (control.finish) {
            m_dElapsed = 0.0;
            ++m_nStep;
        }
        return;
    }
    if (!control.hold) {
        if (control.skip) {
            m_dElapsed = 0.0;
            ++m_nStep;
        } else {
            const bool fixed = time.IsFixedTime() != 0;
            if (m_dElapsed == 0.0) {
                if (fixed)
                    StepTiming(time.GetTimeUnit(), time.GetTimeValue(), &m_dIncrement, &m_dDuration);
                m_nTickCounter = 1;
            }
            // A potentiometer time follows the potentiometer while the step runs.
            if (!fixed) {
                const CQuorvexDoc* doc = time.GetDoc();
                StepTiming(doc->GetPotUnit(), doc->GetPotValue(), &m_dIncrement, &m_dDuration);
            }
            // Elapsed time as a multiple of the increment, not a running sum: a step ends on
            // its twentieth tick exactly, whatever its length.
            m_dElapsed = m_nTickCounter * m_dIncrement;
            ++m_nTickCounter;
            if (m_dDuration <= m_dElapsed) {
                // A time that runs out continues with the next step; the jump target is
                // only for the stop condition.
                m_dElapsed = 0.0;
                ++m_nStep;
            }
        }
    }
    if (m_dDuration != 0.0)
        fraction[0] = m_dElapsed / m_dDuration;
}

// --- Two-channel engine ---------------------------------------------------------------------

CQuorvex_QVS_K115_318_Simulator::CQuorvex_QVS_K115_318_Simulator()
    : CQuorvexSimulator(nullptr), m_ownFields(std::make_unique<CQuorvex_QVS_K115_318_FieldSet>())
{
    m_pFields = m_ownFields.get();
}

CQuorvex_QVS_K115_318_Simulator::CQuorvex_QVS_K115_318_Simulator(CQuorvex_QVS_K115_318_FieldSet& fields)
    : CQuorvexSimulator(&fields)
{
}

void CQuorvex_QVS_K115_318_Simulator::Reset(const int* inputs, const int* outputs)
{
    for (int c = 0; c < 2; ++c) {
        m_nStep[c] = 0;
        m_nPrevInput[c] = inputs && inputs[c] ? 1 : 0;
        m_nOutput[c] = outputs && outputs[c] ? 1 : 0;
        m_dElapsed[c] = 0.0;
    }
}

FieldKind CQuorvex_QVS_K115_318_Simulator::KindOf(CQuorvexDoc* doc, int channel) const
{
    // Beyond the Stop step there is no field and the document leaves the kind unwritten:
    // such a channel has stopped for good, so it counts as a Stop step. That keeps the
    // other channel's time running.
    int kind = FIELD_STOP;
    doc->GetFieldData(channel, m_nStep[channel], &kind);
    return FieldKind(kind);
}

void CQuorvex_QVS_K115_318_Simulator::PrepareTime(CQuorvexDoc* doc, int channel)
{
    CQuorvexFIELDBase* field = m_pFields->Bind(doc, channel, m_nStep[channel]);
    if (!field || field->GetKind() != FIELD_TIME)
        return;
    const auto& time = *static_cast<CQuorvexFIELDTime*>(field);
    if (time.IsFixedTime()) {
        if (m_dElapsed[channel] == 0.0)
            StepTiming(time.GetTimeUnit(), time.GetTimeValue(), &m_dIncrement[channel], &m_dDuration[channel]);
    } else {
        // A potentiometer time follows the potentiometer while the step runs.
        StepTiming(doc->GetPotUnit(), doc->GetPotValue(), &m_dIncrement[channel], &m_dDuration[channel]);
    }
}

void CQuorvex_QVS_K115_318_Simulator::ComputeCommonIncrement(bool timing0, bool timing1, int skip)
{
    const double i0 = timing0 ? m_dIncrement[0] : 0.0;
    const double i1 = timing1 ? m_dIncrement[1] : 0.0;
    const double remaining0 = m_dDuration[0] - m_dElapsed[0];
    const double remaining1 = m_dDuration[1] - m_dElapsed[1];
    if (i0 > 0.0 && i1 > 0.0) {
        if (skip)
            m_dCommonIncrement = std::min(remaining0, remaining1);
        else if (i0 > i1)
            m_dCommonIncrement = std::min(i0, remaining1);
        else if (i1 > i0)
            m_dCommonIncrement = std::min(i1, remaining0);
        else
            m_dCommonIncrement = std::min(i0, remaining1);
    } else if (i0 > 0.0) {
        m_dCommonIncrement = skip ? remaining0 : i0;
    } else if (i1 > 0.0) {
        m_dCommonIncrement = skip ? remaining1 : i1;
    } else {
        m_dCommonIncrement = 0.0;
    }
}

void CQuorvex_QVS_K115_318_Simulator::ReportTime(const Tick& tick, int channel) const
{
    tick.elapsed[channel] = m_dElapsed[channel];
    if (m_dDuration[channel] != 0.0)
        tick.fraction[channel] = m_dElapsed[channel] / m_dDuration[channel];
}

template <typename Field>
bool CQuorvex_QVS_K115_318_Simulator::WaitMet(const Tick& tick, const Field& field, int type) const
{
    const bool now = EvaluateTermExpression(field, tick.inputs, m_nOutput);
    // The expression on the previous tick: previous inputs and the outputs as they were when
    // this tick began.
    const bool before = EvaluateTermExpression(field, m_nPrevInput, tick.startOutputs);
    return WaitConditionMet(type, now, before);
}

bool CQuorvex_QVS_K115_318_Simulator::Exec(Tick& tick, int c, int hold)
{
    bool waiting = false;
    int* outputs = tick.outputs;
    if (CQuorvexFIELDBase* field = m_pFields->Bind(tick.doc, c, m_nStep[c])) {
        switch (field->GetKind()) {
        case FIELD_START:
            if (!hold) {
                // Channel c applies the power-on states of its own byte of the shared field.
                const auto& start = *static_cast<CQuorvexFIELDStart*>(field);
                for (int r = 0; r < 2; ++r)
                    outputs[r] = StartOutput(start.GetInitialState(r), outputs[r]);
                ++m_nStep[c];
            }
            break;
        case FIELD_STATE_CHANGE:
            if (!hold) {
                const auto& change = *static_cast<CQuorvexFIELDStateChange*>(field);
                for (int r = 0; r < 2; ++r)
                    outputs[r] = OperatedOutput(change.GetRelayOperation(r), outputs[r], m_nOutput[r]);
                m_nStep[c] = JumpTo(m_nStep[c], change.GetJump());
            }
            break;
        case FIELD_CONDITION: {
            const auto& condition = *static_cast<CQuorvexFIELDCondition*>(field);
            const int type = condition.GetConditionType();
            if (IsWaitType(type)) {
                if (WaitMet(tick, condition, type))
                    m_nStep[c] = JumpTo(m_nStep[c], condition.GetJump());
                else
                    waiting = true;
            } else if (!hold) {
                int target = condition.GetJump();
                if (type == CONDITION_BRANCH_ON_ALT || type == CONDITION_BRANCH_ON_JUMP) {
                    const bool now = EvaluateTermExpression(condition, tick.inputs, m_nOutput);
                    const bool toJump = type == CONDITION_BRANCH_ON_ALT ? !now : now;
                    if (!toJump)
                        target = condition.GetAltJump();
                }
                m_nStep[c] = JumpTo(m_nStep[c], target);
            }
            break;
        }
        case FIELD_TIME: {
            const auto& time = *static_cast<CQuorvexFIELDTime*>(field);
            const int stopType = time.GetConditionType();
            if (IsWaitType(stopType) && WaitMet(tick, time, stopType)) {
                m_nStep[c] = JumpTo(m_nStep[c], time.GetJump());
                m_dElapsed[c] = 0.0;
                if (tick.interrupted)
                    tick.interrupted[c] = 1;
                break;
            }
            if (tick.finish) {
                // StepInstant: the driver keeps the time and says when the step has run out.
                if (tick.finish[c]) {
                    m_dIncrement[c] = 0.0;
                    m_dElapsed[c] = 0.0;
                    ++m_nStep[c];
                }
            } else if (!hold) {
                if (m_dCommonIncrement > 0.0)
                    m_dElapsed[c] += m_dCommonIncrement;
                if (m_dElapsed[c] > m_dDuration[c] - TIME_QUANTUM) {
                    m_dIncrement[c] = 0.0;
                    m_dElapsed[c] = 0.0;
                    ++m_nStep[c];
                }
            }
            if (m_dDuration[c] != 0.0)
                tick.fraction[c] = m_dElapsed[c] / m_dDuration[c];
            break;
        }
        case FIELD_STOP:
            break; // this channel's program has ended
        }
    }

    tick.stepIndex[c] = m_nStep[c];
    for (int r = 0; r < 2; ++r) {
        if (m_nOutput[r] != outputs[r]) {
            tick.changed[r] = 1;
            tick.changedOut[r] = 1;
        }
        m_nOutput[r] = outputs[r];
    }
    tick.elapsed[c] = m_dElapsed[c];
    return waiting;
}

int CQuorvex_QVS_K115_318_Simulator::Step(int* stepIndex, const int* inputs, int* outputs, int* changed, int skip,
                                          int hold, double* elapsed, double* fraction)
{
    CQuorvexDoc* doc = RunnableDocument();
    if (!doc || !stepIndex || !inputs || !outputs || !changed || !elapsed || !fraction)
        return 0;

    Tick tick{doc,       {inputs[0] ? 1 : 0, inputs[1] ? 1 : 0}, {m_nOutput[0], m_nOutput[1]}, {0, 0},
              stepIndex, outputs, changed, elapsed, fraction};
    const bool time0 = KindOf(doc, 0) == FIELD_TIME;
    const bool time1 = KindOf(doc, 1) == FIELD_TIME;

    if (!time0 && !time1) {
        const bool waiting0 = Exec(tick, 0, hold);
        Exec(tick, 1, hold);
        // Let channel 0 react at once to a relay that channel 1 has just switched.
        if (waiting0 && (tick.changed[0] || tick.changed[1]))
            Exec(tick, 0, 1);
    } else if (time0 && time1) {
        if (!hold) {
            PrepareTime(doc, 0);
            PrepareTime(doc, 1);
        }
        ComputeCommonIncrement(true, true, skip);
        Exec(tick, 0, hold);
        Exec(tick, 1, hold);
    } else {
        // One channel times while the other runs its steps. Time passes only once the other
        // channel is waiting or has stopped; until then the timing channel holds still.
        const int timer = time0 ? 0 : 1;
        const int other = 1 - timer;
        const FieldKind otherKind = KindOf(doc, other);
        if (!hold)
            PrepareTime(doc, timer);
        ReportTime(tick, timer);
        const bool otherWaiting = Exec(tick, other, hold);
        if (otherWaiting || otherKind == FIELD_STOP) {
            ComputeCommonIncrement(time0, time1, skip);
            Exec(tick, timer, hold);
        } else {
            Exec(tick, timer, 1);
        }
    }

    m_nPrevInput[0] = tick.inputs[0];
    m_nPrevInput[1] = tick.inputs[1];
    return 1;
}

int CQuorvex_QVS_K115_318_Simulator::StepInstant(int* stepIndex, const int* inputs, int* outputs, int* changed,
                                                 const int* finish, int* interrupted)
{
    CQuorvexDoc* doc = RunnableDocument();
    if (!doc || !stepIndex || !inputs || !outputs || !changed || !finish || !interrupted)
        return 0;

    double elapsed[2] = {0.0, 0.0};
    double fraction[2] = {0.0, 0.0};
    Tick tick{doc,       {inputs[0] ? 1 : 0, inputs[1] ? 1 : 0}, {m_nOutput[0], m_nOutput[1]}, {0, 0},
              stepIndex, outputs, changed, elapsed, fraction, finish, interrupted};
    const bool time0 = KindOf(doc, 0) == FIELD_TIME;
    const bool time1 = KindOf(doc, 1) == FIELD_TIME;

    // The channels run in the order of Step. No time passes, so a timing channel does not
    // wait for the other one to come to rest: its time ends when the driver says so.
    if (!time0 && !time1) {
        const bool waiting0 = Exec(tick, 0, 0);
        Exec(tick, 1, 0);
        if (waiting0 && (tick.changed[0] || tick.changed[1]))
            Exec(tick, 0, 1);
    } else if (time0 && time1) {
        Exec(tick, 0, 0);
        Exec(tick, 1, 0);
    } else {
        const int timer = time0 ? 0 : 1;
        Exec(tick, 1 - timer, 0);
        Exec(tick, timer, 0);
    }

    m_nPrevInput[0] = tick.inputs[0];
    m_nPrevInput[1] = tick.inputs[1];
    return 1;
}
