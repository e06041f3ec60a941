#include "RealTimeRun.h"

#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"

#include <algorithm>
#include <cstring>

namespace {

// A state key holds the step of each channel (6 bits, the width of a jump target) and the
// two relay outputs: every state a moment can pass through has its own key.
constexpr int STATE_KEY_BITS = 14;
constexpr int STATE_KEYS = 1 << STATE_KEY_BITS;

// One 128th of a second, the quantum of every stored time.
constexpr RelayTime QUANTUM = RELAY_TIME_PER_SECOND / TIME_MANTISSA_ONE;
static_assert(QUANTUM * TIME_MANTISSA_ONE == RELAY_TIME_PER_SECOND);

std::unique_ptr<CQuorvexSimulator> CreateEngine(ModelCode model)
{
    switch (model) {
    case MODEL_QVR_K115_ZQX: return std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>();
    case MODEL_QVS_K115_318: return std::make_unique<CQuorvex_QVS_K115_318_Simulator>();
    default: return nullptr;
    }
}

} // namespace

RelayTime TimeSettingDuration(int unit, int mantissa)
{
    if (mantissa <= 0)
        return 0;
    return RelayTime(mantissa) * TimeUnitSeconds(unit) * QUANTUM;
}

CRealTimeRun::CRealTimeRun(ModelCode model) : m_model(ModelCode(model & MODEL_NUMBER_MASK))
{
    m_engine = CreateEngine(m_model);
    m_doc = CreateDocument(m_model);
    if (!m_engine || !m_doc) {
        m_engine.reset();
        m_doc.reset();
        m_model = 0;
        return;
    }
    m_doc->ResetProgram(0);
    m_fields = m_doc->CreateFieldSet();
    m_engine->SetDocument(m_doc.get());
    m_channels = m_engine->GetChannelCount();
    m_seenMoment.assign(STATE_KEYS, 0);
    m_seenTick.assign(STATE_KEYS, 0);
}

CRealTimeRun::~CRealTimeRun() = default;

bool CRealTimeRun::SetProgram(const std::uint8_t* image, int size)
{
    if (!IsValid() || !image || size != m_doc->GetDataSize())
        return false;
    std::memmove(m_doc->GetData(), image, std::size_t(size));
    return true;
}

void CRealTimeRun::SetPotentiometer(int unit, int mantissa)
{
    if (!IsValid())
        return;
    m_doc->SetPotUnit(unit);
    m_doc->SetPotValue(mantissa);
}

void CRealTimeRun::PowerOn(const int* inputs)
{
    if (!IsValid())
        return;
    m_now = 0;
    m_state = RelayStatus{};
    m_loops.clear();
    m_loopCount = 0;
    int engineInputs[2] = {0, 0};
    const int outputs[2] = {0, 0};
    for (int c = 0; c < m_channels; ++c) {
        engineInputs[c] = inputs && inputs[c] ? 1 : 0;
        m_state.inputs[std::size_t(c)] = std::uint8_t(engineInputs[c]);
    }
    // The engine takes the inputs at reset as the inputs of the tick before: levels, not
    // changes.
    m_engine->Reset(engineInputs, outputs);
    for (int c = 0; c < m_channels; ++c) {
        m_channel[std::size_t(c)] = Channel{};
        Enter(c);
    }
    Settle();
}

RelayTime CRealTimeRun::NextEvent() const
{
    RelayTime next = RELAY_TIME_NEVER;
    for (int c = 0; c < m_channels; ++c) {
        const Channel& channel = m_channel[std::size_t(c)];
        if (channel.timing && !channel.busy)
            next = std::min(next, channel.End());
    }
    return next;
}

void CRealTimeRun::AdvanceTo(RelayTime time)
{
    if (!IsValid())
        return;
    for (RelayTime next = NextEvent(); next <= time; next = NextEvent()) {
        m_now = std::max(m_now, next);
        Settle();
        // Settle ends every time step that is due; one that is still due could only come
        // back at the same moment for ever, so it is taken as busy rather than waited on.
        for (Channel& channel : m_channel)
            if (channel.timing && !channel.busy && channel.End() <= m_now)
                channel.busy = true;
    }
    m_now = std::max(m_now, time);
}

void CRealTimeRun::SetInputs(const int* inputs)
{
    if (!IsValid() || !inputs)
        return;
    RelayStatus next = m_state;
    for (int c = 0; c < m_channels; ++c)
        next.inputs[std::size_t(c)] = inputs[c] ? 1 : 0;
    if (next.inputs == m_state.inputs)
        return;
    m_state = next;
    Settle();
}

void CRealTimeRun::ChangePotentiometer(int unit, int mantissa)
{
    if (!IsValid())
        return;
    SetPotentiometer(unit, mantissa);
    for (int c = 0; c < m_channels; ++c) {
        Channel& channel = m_channel[std::size_t(c)];
        int stepUnit = 0, stepMantissa = 0;
        if (channel.timing && TimeSetting(c, &stepUnit, &stepMantissa))
            channel.duration = TimeSettingDuration(stepUnit, stepMantissa);
    }
    // A step now due ends at this moment, with what follows it.
    AdvanceTo(m_now);
}

bool CRealTimeRun::TimeStep(int channel, RelayTime* elapsed, RelayTime* duration) const
{
    if (channel < 0 || channel >= m_channels || !m_channel[std::size_t(channel)].timing)
        return false;
    const Channel& c = m_channel[std::size_t(channel)];
    if (duration)
        *duration = c.duration;
    if (elapsed)
        *elapsed = c.busy ? 0 : std::clamp<RelayTime>(m_now - c.began, 0, c.duration);
    return true;
}

bool CRealTimeRun::TimeSetting(int channel, int* unit, int* mantissa) const
{
    if (!IsValid() || channel < 0 || channel >= m_channels)
        return false;
    CQuorvexFIELDBase* field = m_fields->Bind(m_doc.get(), channel, m_state.steps[std::size_t(channel)]);
    if (!field || field->GetKind() != FIELD_TIME)
        return false;
    const auto& time = static_cast<const CQuorvexFIELDTime&>(*field);
    const bool fixed = time.IsFixedTime() != 0;
    if (unit)
        *unit = fixed ? time.GetTimeUnit() : m_doc->GetPotUnit();
    if (mantissa)
        *mantissa = fixed ? time.GetTimeValue() : m_doc->GetPotValue();
    return true;
}

bool CRealTimeRun::TakesNoTime(int channel, int step) const
{
    CQuorvexFIELDBase* field = m_fields->Bind(m_doc.get(), channel, step);
    if (!field)
        return false;
    switch (field->GetKind()) {
    case FIELD_START:
    case FIELD_STATE_CHANGE: return true;
    case FIELD_CONDITION: {
        const int type = static_cast<const CQuorvexFIELDCondition&>(*field).GetConditionType();
        return type < CONDITION_OFF || type > CONDITION_EDGE; // not a wait
    }
    default: return false;
    }
}

void CRealTimeRun::Enter(int channel)
{
    Channel& c = m_channel[std::size_t(channel)];
    c.busy = false;
    int unit = 0, mantissa = 0;
    c.timing = TimeSetting(channel, &unit, &mantissa);
    c.began = m_now;
    c.duration = c.timing ? TimeSettingDuration(unit, mantissa) : 0;
}

int CRealTimeRun::StateKey(const RelayStatus& state)
{
    return (state.steps[0] & 63) | (state.steps[1] & 63) << 6 | (state.outputs[0] & 1) << 12
           | (state.outputs[1] & 1) << 13;
}

void CRealTimeRun::Settle()
{
    if (++m_moment == 0) {
        // The moment counter has wrapped: forget every mark, so none looks recent.
        std::fill(m_seenMoment.begin(), m_seenMoment.end(), 0u);
        m_moment = 1;
    }
    m_ticks.clear();
    // A time step that kept restarting, or that a loop passed through, begins afresh now;
    // whether it still does so the ticks below find out.
    for (int c = 0; c < m_channels; ++c) {
        Channel& channel = m_channel[std::size_t(c)];
        if (channel.busy) {
            channel.busy = false;
            channel.began = m_now;
        }
    }

    const int inputs[2] = {m_state.inputs[0], m_state.inputs[1]};
    int restartedMask = 0; // stop conditions that held in the last tick, which changed nothing
    for (;;) {
        int finish[2] = {0, 0};
        for (int c = 0; c < m_channels; ++c) {
            const Channel& channel = m_channel[std::size_t(c)];
            finish[c] = channel.timing && channel.End() <= m_now ? 1 : 0;
        }
        int steps[2] = {m_state.steps[0], m_state.steps[1]};
        int outputs[2] = {m_state.outputs[0], m_state.outputs[1]};
        int changed[2] = {0, 0};
        int interrupted[2] = {0, 0};
        if (!m_engine->StepInstant(steps, inputs, outputs, changed, finish, interrupted))
            return;

        const RelayStatus before = m_state;
        int interruptedMask = 0;
        for (int c = 0; c < m_channels; ++c) {
            const std::size_t i = std::size_t(c);
            m_state.steps[i] = std::uint8_t(steps[c]);
            m_state.outputs[i] = outputs[c] ? 1 : 0;
            if (interrupted[c])
                interruptedMask |= 1 << c;
            // A new step, or a time step that its stop condition sent back to itself.
            if (m_state.steps[i] != before.steps[i] || interrupted[c])
                Enter(c);
        }

        if (m_state == before) {
            // Nothing changed. Without a stop condition that held, every further tick at this
            // moment would be this one again: the program rests. A stop condition that sent
            // its time step back to itself may have seen an edge that the next tick no
            // longer sees; if it holds in that tick as well, it holds on, and its time step
            // keeps restarting until something changes.
            if (interruptedMask == 0)
                return;
            if (interruptedMask == restartedMask) {
                for (int c = 0; c < m_channels; ++c)
                    if (interruptedMask & (1 << c))
                        m_channel[std::size_t(c)].busy = true;
                return;
            }
            restartedMask = interruptedMask;
            continue;
        }
        restartedMask = 0;

        const int key = StateKey(m_state);
        const auto tick = std::uint32_t(m_ticks.size());
        m_ticks.push_back(TickRecord{m_state, interruptedMask});
        if (m_seenMoment[std::size_t(key)] != m_moment) {
            m_seenMoment[std::size_t(key)] = m_moment;
            m_seenTick[std::size_t(key)] = tick;
            continue;
        }

        // Back at a state of this moment: the ticks since it form a loop that takes no time.
        // Its channels run it until something else changes; the relay shows the state the
        // loop came back to.
        ZeroTimeLoop loop;
        loop.time = m_now;
        for (std::uint32_t t = m_seenTick[std::size_t(key)] + 1; t <= tick; ++t) {
            const TickRecord& now = m_ticks[t];
            const TickRecord& previous = m_ticks[t - 1];
            // A channel runs the loop when it moves or restarts in it, or rests at a step that
            // takes no time (a state change that jumps to itself moves nowhere).
            for (int c = 0; c < m_channels; ++c)
                if (now.state.steps[std::size_t(c)] != previous.state.steps[std::size_t(c)]
                    || (now.interrupted & (1 << c)) || TakesNoTime(c, now.state.steps[std::size_t(c)]))
                    loop.channels |= 1 << c;
            for (int r = 0; r < m_channels; ++r)
                if (now.state.outputs[std::size_t(r)] != previous.state.outputs[std::size_t(r)])
                    loop.relaysSwitching |= 1 << r;
            if (loop.relaysSwitching)
                loop.outputsSwitch = true;
        }
        for (int c = 0; c < m_channels; ++c)
            if (loop.channels & (1 << c))
                m_channel[std::size_t(c)].busy = true;
        ++m_loopCount;
        m_lastLoop = loop;
        if (m_loops.size() < MAX_LOOPS_KEPT)
            m_loops.push_back(loop);
        return;
    }
}
