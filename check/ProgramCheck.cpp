#include "ProgramCheck.h"

#include "Fields_QVS_K115_318.h"
#include "LanguageManager.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <memory>

namespace ProgramCheck {

namespace {

// How the check sees a program.
//
// A channel's run is followed through abstract states (step, relay outputs). The inputs are
// free: any value, changing at any moment the channel rests. Relay outputs are tracked
// exactly where only this channel switches them after power-on ("tracked" relays); a relay
// the other channel may switch can take any value at any time. That over-approximates
// what a run can reach: a step the check finds unreachable is unreachable in every run,
// whatever the inputs and the other channel do.
//
// A loop without time is looked for the other way round: at one moment the inputs are
// fixed, so from each reachable state, for each input value, the steps that take no time
// follow one another deterministically. A state that comes back is a loop the relay would
// run for as long as the inputs stay. A step whose outcome depends on a relay that is not
// tracked ends the search there (its outcome is not certain), and so does every time step
// that takes time: a loop through one only runs when a stop condition restarts it, which
// is how a retriggered time is built.

constexpr int RELAY_VALUES = 4;   // two relay bits
constexpr int SIGNAL_STATES = 16; // input 1, input 2, relay 1, relay 2 (bits 0..3)
constexpr int LAST_JUMP_TARGET = 62; // 63 is "no jump"

struct StepInfo {
    FieldKind kind = FIELD_STOP;
    int ops[2] = {0, 0};      // StateChange: operation per relay; Start: power-on state per relay
    int jump = NO_JUMP;
    int alt = NO_JUMP;
    int type = 0;             // Condition: 0..7; Time: stop condition 0..5
    std::uint16_t signal = 0; // value of the signal for each of the 16 states
    bool fixed = false;
    int unitBits = 0;         // the stored range code, 7 included
    int mantissa = 0;
    bool setUp = false;       // differs from the default program's step in a used bit
};

struct Program {
    int channels = 1;
    int relays = 1;
    int inputStates = 2; // input vectors: 2 on one input, 4 on two
    std::array<std::array<StepInfo, FIELD_COUNT>, 2> steps{};
};

// The signal of a model QVR_K115_ZQX condition: the input, or the relay output for the
// branches that test it.
std::uint16_t OneChannelSignal(int source)
{
    std::uint16_t table = 0;
    for (int s = 0; s < SIGNAL_STATES; ++s) {
        const int value = source == TERM_SOURCE_OUTPUT ? (s >> 2) & 1 : s & 1;
        table = std::uint16_t(table | value << s);
    }
    return table;
}

template <typename Field>
std::uint16_t TwoChannelSignal(const Field& field)
{
    std::uint16_t table = 0;
    for (int s = 0; s < SIGNAL_STATES; ++s) {
        const int inputs[2] = {s & 1, (s >> 1) & 1};
        const int outputs[2] = {(s >> 2) & 1, (s >> 3) & 1};
        if (EvaluateTermExpression(field, inputs, outputs))
            table = std::uint16_t(table | 1 << s);
    }
    return table;
}

// Masks of the bits each step uses, per model, channel and step (from the reserved bits the
// text form knows), and the default program's bytes.
struct StepMasks {
    std::array<std::array<std::vector<std::uint8_t>, FIELD_COUNT>, 2> used;
    std::vector<std::uint8_t> defaults;
};

const StepMasks& MasksOf(ModelCode model)
{
    auto build = [](ModelCode code) {
        StepMasks masks;
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
        doc->ResetProgram(0);
        masks.defaults.assign(doc->GetData(), doc->GetData() + doc->GetDataSize());
        for (int c = 0; c < doc->GetChannelCount(); ++c)
            for (int s = 0; s < FIELD_COUNT; ++s) {
                std::vector<std::uint8_t> mask = ProgramText::ReservedBits(code, c, s);
                for (std::uint8_t& byte : mask)
                    byte = std::uint8_t(~byte);
                masks.used[std::size_t(c)][std::size_t(s)] = std::move(mask);
            }
        return masks;
    };
    static const StepMasks oneChannel = build(MODEL_QVR_K115_ZQX);
    static const StepMasks twoChannels = build(MODEL_QVS_K115_318);
    return model == MODEL_QVR_K115_ZQX ? oneChannel : twoChannels;
}

// Reads the steps through the model's field accessors, the way the simulator reads them.
bool Decode(ModelCode model, const std::uint8_t* image, int size, Program* program)
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    if (!doc || !image || size != doc->GetDataSize())
        return false;
    std::copy(image, image + size, doc->GetData());
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    const StepMasks& masks = MasksOf(model);
    const bool twoChannels = doc->GetChannelCount() == 2;
    program->channels = doc->GetChannelCount();
    program->relays = program->channels;
    program->inputStates = 1 << program->channels;

    for (int c = 0; c < program->channels; ++c) {
        for (int s = 0; s < FIELD_COUNT; ++s) {
            StepInfo& info = program->steps[std::size_t(c)][std::size_t(s)];
            const CQuorvexFIELDBase* field = fields->BindReadOnly(doc.get(), c, s);
            if (!field)
                continue;
            info.kind = field->GetKind();
            switch (info.kind) {
            case FIELD_START: {
                const auto& start = static_cast<const CQuorvexFIELDStart&>(*field);
                for (int r = 0; r < program->relays; ++r)
                    info.ops[r] = start.GetInitialState(r);
                break;
            }
            case FIELD_STATE_CHANGE: {
                const auto& change = static_cast<const CQuorvexFIELDStateChange&>(*field);
                for (int r = 0; r < program->relays; ++r)
                    info.ops[r] = change.GetRelayOperation(r);
                info.jump = change.GetJump();
                break;
            }
            case FIELD_CONDITION: {
                const auto& condition = static_cast<const CQuorvexFIELDCondition&>(*field);
                info.type = condition.GetConditionType();
                info.jump = condition.GetJump();
                info.alt = condition.GetAltJump();
                if (twoChannels) {
                    info.signal = TwoChannelSignal(condition);
                } else {
                    int op = 0, number = 0, negated = 0;
                    info.signal = OneChannelSignal(condition.GetTerm(0, &op, &number, &negated));
                }
                break;
            }
            case FIELD_TIME: {
                const auto& time = static_cast<const CQuorvexFIELDTime&>(*field);
                info.type = time.GetConditionType();
                info.jump = time.GetJump();
                info.fixed = time.IsFixedTime() != 0;
                info.mantissa = time.GetTimeValue();
                int kind = 0;
                const std::uint8_t* data = doc->GetFieldData(c, s, &kind);
                info.unitBits = twoChannels ? Layout_QVS_K115_318::TimeUnitBits.Get(data)
                                            : Layout_QVR_K115_ZQX::TimeUnitBits.Get(data);
                info.signal = twoChannels ? TwoChannelSignal(time) : OneChannelSignal(TERM_SOURCE_INPUT);
                break;
            }
            case FIELD_STOP: break;
            }
            // Set up: a used bit differs from the default program's.
            const std::vector<std::uint8_t>& used = masks.used[std::size_t(c)][std::size_t(s)];
            int kind = 0;
            const std::uint8_t* data = doc->GetFieldData(c, s, &kind);
            const std::ptrdiff_t offset = data - doc->GetData() + (info.kind == FIELD_START && twoChannels ? c : 0);
            for (std::size_t b = 0; b < used.size(); ++b)
                if ((image[std::size_t(offset) + b] ^ masks.defaults[std::size_t(offset) + b]) & used[b])
                    info.setUp = true;
        }
    }
    return true;
}

bool IsWait(int type) { return type >= CONDITION_OFF && type <= CONDITION_EDGE; }
bool IsLevel(int type) { return type == CONDITION_OFF || type == CONDITION_ON; }
bool IsBranch(int type) { return type == CONDITION_BRANCH_ON_ALT || type == CONDITION_BRANCH_ON_JUMP; }

// The values the signal can have (bit 0: off, bit 1: on) over the allowed input vectors (bit
// i of inputMask: input vector i) and the relay states that agree with `relays` on the
// tracked relays.
int Outcomes(std::uint16_t signal, int inputMask, int tracked, int relays)
{
    int result = 0;
    for (int s = 0; s < SIGNAL_STATES; ++s) {
        if (!((inputMask >> (s & 3)) & 1) || (((s >> 2) ^ relays) & tracked))
            continue;
        result |= 1 << ((signal >> s) & 1);
    }
    return result;
}

constexpr int OFF_POSSIBLE = 1, ON_POSSIBLE = 2;

// Whether a wait (or stop) condition of the type can hold for a signal whose possible values
// are `outcomes`: a level needs that value, an edge needs the signal to change.
bool CanHold(int type, int outcomes)
{
    switch (type) {
    case CONDITION_OFF: return outcomes & OFF_POSSIBLE;
    case CONDITION_ON: return outcomes & ON_POSSIBLE;
    case CONDITION_RISING:
    case CONDITION_FALLING:
    case CONDITION_EDGE: return outcomes == (OFF_POSSIBLE | ON_POSSIBLE);
    default: return false;
    }
}
// Whether it can fail to hold (a time can run out, a wait can go on waiting).
bool CanFail(int type, int outcomes)
{
    switch (type) {
    case CONDITION_OFF: return outcomes & ON_POSSIBLE;
    case CONDITION_ON: return outcomes & OFF_POSSIBLE;
    default: return true; // an edge does not hold while the signal stays
    }
}

int ApplyOperations(int relays, const int* ops, int relayCount)
{
    for (int r = 0; r < relayCount; ++r) {
        switch (ops[r]) {
        case RELAY_OP_OFF: relays &= ~(1 << r); break;
        case RELAY_OP_ON: relays |= 1 << r; break;
        case RELAY_OP_TOGGLE: relays ^= 1 << r; break;
        default: break;
        }
    }
    return relays;
}

int ApplyStart(int relays, const int* states, int relayCount)
{
    for (int r = 0; r < relayCount; ++r) {
        if (states[r] == RELAY_STATE_OFF)
            relays &= ~(1 << r);
        else if (states[r] == RELAY_STATE_ON)
            relays |= 1 << r;
    }
    return relays;
}

int Target(int step, int jump) { return jump == NO_JUMP ? step + 1 : jump; }

// One channel's analysis.
class CChannelCheck {
public:
    CChannelCheck(const Program& program, int channel, int tracked)
        : m_program(program), m_steps(program.steps[std::size_t(channel)]), m_channel(channel),
          m_tracked(tracked), m_allInputs((1 << program.inputStates) - 1)
    {
    }

    // Every state a run of the channel can reach, and the jumps past Stop it can take.
    void Reach()
    {
        int relays = 0;
        for (int c = 0; c < m_program.channels; ++c)
            relays = ApplyStart(relays, m_program.steps[std::size_t(c)][0].ops, m_program.relays);
        m_reachedStep[0] = true;
        std::array<std::uint16_t, FIELD_COUNT * RELAY_VALUES> work{};
        int count = 0;
        auto add = [&](int step, int value) {
            value &= m_tracked;
            if (m_reached[std::size_t(step)][std::size_t(value)])
                return;
            m_reached[std::size_t(step)][std::size_t(value)] = true;
            m_reachedStep[std::size_t(step)] = true;
            work[std::size_t(count++)] = std::uint16_t(step * RELAY_VALUES + value);
        };
        add(1, relays);
        while (count > 0) {
            const int state = work[std::size_t(--count)];
            const int step = state / RELAY_VALUES, value = state % RELAY_VALUES;
            Successors(step, value, [&](int target, int next) {
                if (target > STOP_FIELD) {
                    NotePastStop(step, target);
                    return;
                }
                if (target == 0)
                    m_entersStart = true;
                add(target, next);
            });
        }
    }

    // Relays this channel may switch after power-on (bit r: relay r + 1).
    int Writes() const
    {
        int writes = 0;
        for (int s = 1; s < STOP_FIELD; ++s) {
            const StepInfo& info = m_steps[std::size_t(s)];
            if (m_reachedStep[std::size_t(s)] && info.kind == FIELD_STATE_CHANGE)
                for (int r = 0; r < m_program.relays; ++r)
                    if (info.ops[r] != RELAY_OP_UNCHANGED)
                        writes |= 1 << r;
        }
        if (m_entersStart)
            for (int r = 0; r < m_program.relays; ++r)
                if (m_steps[0].ops[r] == RELAY_STATE_OFF || m_steps[0].ops[r] == RELAY_STATE_ON)
                    writes |= 1 << r;
        return writes;
    }

    void Report(std::vector<Finding>* findings) const
    {
        for (int s = 1; s < STOP_FIELD; ++s) {
            const StepInfo& info = m_steps[std::size_t(s)];
            if (!m_reachedStep[std::size_t(s)]) {
                if (info.setUp)
                    Add(findings, Check::StepNeverRuns, Severity::Warning, {s}, Language::TEXT_CHECK_NEVER_RUNS, {});
                continue;
            }
            if (info.kind == FIELD_TIME && info.fixed) {
                if (info.mantissa == 0)
                    Add(findings, Check::TimeTakesNoTime, Severity::Warning, {s}, Language::TEXT_CHECK_TIME_ZERO, {});
                else if (info.unitBits >= TIME_UNIT_COUNT)
                    Add(findings, Check::UnknownTimeRange, Severity::Warning, {s}, Language::TEXT_CHECK_UNKNOWN_RANGE,
                        {info.unitBits});
            }
            if (m_program.channels == 2)
                ReportConstantSignal(findings, s, info);
        }
        for (const auto& [step, target] : m_pastStop)
            Add(findings, Check::JumpPastStop, Severity::Error, {step}, Language::TEXT_CHECK_JUMP_PAST_STOP, {target});
        FindLoops(findings);
    }

private:
    // Calls emit(target, relays) for every step a run can go on to from (step, relays): a
    // target above 36 is a jump past the Stop step.
    template <typename Emit>
    void Successors(int step, int relays, Emit&& emit) const
    {
        const StepInfo& info = m_steps[std::size_t(step)];
        switch (info.kind) {
        case FIELD_START:
            emit(1, ApplyStart(relays, info.ops, m_program.relays));
            break;
        case FIELD_STATE_CHANGE:
            emit(Target(step, info.jump), ApplyOperations(relays, info.ops, m_program.relays));
            break;
        case FIELD_CONDITION: {
            const int outcomes = Outcomes(info.signal, m_allInputs, m_tracked, relays);
            if (IsWait(info.type)) {
                if (CanHold(info.type, outcomes))
                    emit(Target(step, info.jump), relays);
            } else if (IsBranch(info.type)) {
                // Type 7 takes the jump when the signal is on, type 6 when it is off.
                const int toJump = info.type == CONDITION_BRANCH_ON_JUMP ? ON_POSSIBLE : OFF_POSSIBLE;
                if (outcomes & toJump)
                    emit(Target(step, info.jump), relays);
                if (outcomes & ~toJump & (OFF_POSSIBLE | ON_POSSIBLE))
                    emit(Target(step, info.alt), relays);
            } else {
                emit(Target(step, info.jump), relays);
            }
            break;
        }
        case FIELD_TIME: {
            const int outcomes = Outcomes(info.signal, m_allInputs, m_tracked, relays);
            const bool stops = IsWait(info.type);
            if (stops && CanHold(info.type, outcomes))
                emit(Target(step, info.jump), relays);
            if (!stops || CanFail(info.type, outcomes))
                emit(step + 1, relays);
            break;
        }
        case FIELD_STOP: break;
        }
    }

    void NotePastStop(int step, int target)
    {
        const std::pair<int, int> entry{step, target};
        if (std::find(m_pastStop.begin(), m_pastStop.end(), entry) == m_pastStop.end())
            m_pastStop.push_back(entry);
    }

    void ReportConstantSignal(std::vector<Finding>* findings, int step, const StepInfo& info) const
    {
        constexpr std::uint16_t ALWAYS_ON = 0xFFFF;
        if (info.signal != 0 && info.signal != ALWAYS_ON)
            return;
        const bool on = info.signal == ALWAYS_ON;
        const int outcomes = on ? ON_POSSIBLE : OFF_POSSIBLE;
        int text = 0;
        std::vector<Language::FormatArg> arguments;
        if (info.kind == FIELD_CONDITION) {
            if (IsWait(info.type)) {
                text = CanHold(info.type, outcomes) ? Language::TEXT_CHECK_WAIT_NEVER_WAITS
                                                    : Language::TEXT_CHECK_WAIT_NEVER_ENDS;
            } else if (IsBranch(info.type)) {
                text = Language::TEXT_CHECK_BRANCH_ONE_WAY;
                const bool toJump = (info.type == CONDITION_BRANCH_ON_JUMP) == on;
                arguments.emplace_back(Target(step, toJump ? info.jump : info.alt));
            }
        } else if (info.kind == FIELD_TIME && IsWait(info.type)) {
            text = IsLevel(info.type) && CanHold(info.type, outcomes) ? Language::TEXT_CHECK_STOP_ALWAYS
                                                                      : Language::TEXT_CHECK_STOP_NEVER;
        }
        if (text != 0)
            Add(findings, Check::ConstantSignal, Severity::Warning, {step}, text, arguments);
    }

    // The next state at one moment with the inputs fixed, for a step that takes no time.
    enum class Move { Next, Rests, Uncertain, Ends };
    struct Zero {
        Move move = Move::Ends;
        int step = 0;
        int relays = 0;
    };

    Zero ZeroTimeStep(int step, int relays, int inputs) const
    {
        const StepInfo& info = m_steps[std::size_t(step)];
        auto go = [&](int target, int next) {
            return target > STOP_FIELD ? Zero{Move::Ends, 0, 0} : Zero{Move::Next, target, next & m_tracked};
        };
        // The signal's value now; the same state just before (no edge: the inputs are fixed).
        const int outcomes = Outcomes(info.signal, 1 << inputs, m_tracked, relays);
        const bool certain = outcomes != (OFF_POSSIBLE | ON_POSSIBLE);
        const bool on = outcomes == ON_POSSIBLE;
        switch (info.kind) {
        case FIELD_START: return go(1, ApplyStart(relays, info.ops, m_program.relays));
        case FIELD_STATE_CHANGE: return go(Target(step, info.jump), ApplyOperations(relays, info.ops, m_program.relays));
        case FIELD_CONDITION:
            if (IsWait(info.type)) {
                if (!IsLevel(info.type))
                    return {Move::Rests};
                if (!certain)
                    return {Move::Uncertain};
                return (info.type == CONDITION_ON) == on ? go(Target(step, info.jump), relays) : Zero{Move::Rests};
            }
            if (IsBranch(info.type)) {
                if (!certain)
                    return {Move::Uncertain};
                const bool toJump = (info.type == CONDITION_BRANCH_ON_JUMP) == on;
                return go(Target(step, toJump ? info.jump : info.alt), relays);
            }
            return go(Target(step, info.jump), relays);
        case FIELD_TIME:
            // Only a fixed time of 0 passes at once; it still tests its stop condition first.
            if (!info.fixed || info.mantissa != 0)
                return {Move::Rests};
            if (IsWait(info.type) && IsLevel(info.type)) {
                if (!certain)
                    return {Move::Uncertain};
                if ((info.type == CONDITION_ON) == on)
                    return go(Target(step, info.jump), relays);
            }
            return go(step + 1, relays);
        case FIELD_STOP: break;
        }
        return {Move::Ends};
    }

    void FindLoops(std::vector<Finding>* findings) const
    {
        std::vector<LoopInfo> loops;
        std::array<std::uint8_t, FIELD_COUNT * RELAY_VALUES> color{};
        std::vector<int> path;
        path.reserve(FIELD_COUNT * RELAY_VALUES);

        for (int inputs = 0; inputs < m_program.inputStates; ++inputs) {
            color.fill(0);
            for (int s = 0; s < FIELD_COUNT; ++s) {
                for (int v = 0; v < RELAY_VALUES; ++v) {
                    if (!m_reached[std::size_t(s)][std::size_t(v)] || color[std::size_t(s * RELAY_VALUES + v)])
                        continue;
                    // Follow the steps that take no time; every state is visited once per
                    // input vector, so the walk is bounded by the number of states.
                    path.clear();
                    int state = s * RELAY_VALUES + v;
                    for (;;) {
                        std::uint8_t& mark = color[std::size_t(state)];
                        if (mark == 2)
                            break;
                        if (mark == 1) {
                            const auto first = std::find(path.begin(), path.end(), state);
                            const LoopInfo loop = DescribeLoop(std::vector<int>(first, path.end()));
                            auto same = std::find_if(loops.begin(), loops.end(),
                                                     [&loop](const LoopInfo& l) { return l.steps == loop.steps; });
                            if (same == loops.end())
                                loops.push_back(loop);
                            else
                                same->switches = same->switches || loop.switches;
                            break;
                        }
                        mark = 1;
                        path.push_back(state);
                        const Zero next = ZeroTimeStep(state / RELAY_VALUES, state % RELAY_VALUES, inputs);
                        if (next.move != Move::Next)
                            break;
                        state = next.step * RELAY_VALUES + next.relays;
                    }
                    for (int visited : path)
                        color[std::size_t(visited)] = 2;
                }
            }
        }
        // The text names the steps (FindingText).
        for (const LoopInfo& loop : loops)
            Add(findings, Check::LoopWithoutTime, loop.switches ? Severity::Error : Severity::Warning, loop.order,
                loop.switches ? Language::TEXT_CHECK_LOOP_SWITCHING : Language::TEXT_CHECK_LOOP, {});
    }

    // The steps of a cycle of states, from its lowest step on in the order they run, and
    // whether a relay switches in it.
    struct LoopInfo {
        std::uint64_t steps = 0; // bit s: step s is in the loop
        std::vector<int> order;
        bool switches = false;
    };
    LoopInfo DescribeLoop(const std::vector<int>& cycle) const
    {
        LoopInfo loop;
        std::size_t lowest = 0;
        for (std::size_t i = 0; i < cycle.size(); ++i)
            if (cycle[i] / RELAY_VALUES < cycle[lowest] / RELAY_VALUES)
                lowest = i;
        int ons = 0, offs = 0;
        for (std::size_t k = 0; k < cycle.size(); ++k) {
            const int state = cycle[(lowest + k) % cycle.size()];
            const int step = state / RELAY_VALUES;
            // Tracked relays: the states of the cycle differ.
            if (state % RELAY_VALUES != cycle[0] % RELAY_VALUES)
                loop.switches = true;
            if (!(loop.steps & (std::uint64_t(1) << step))) {
                loop.steps |= std::uint64_t(1) << step;
                loop.order.push_back(step);
            }
            // A relay that is not tracked switches when the cycle toggles it or sets it
            // both on and off.
            const StepInfo& info = m_steps[std::size_t(step)];
            if (info.kind != FIELD_STATE_CHANGE && info.kind != FIELD_START)
                continue;
            for (int r = 0; r < m_program.relays; ++r) {
                if (m_tracked & (1 << r))
                    continue;
                const int op = info.ops[r];
                const bool start = info.kind == FIELD_START;
                if (!start && op == RELAY_OP_TOGGLE)
                    loop.switches = true;
                // Start and state change name on and off with the same codes.
                static_assert(int(RELAY_STATE_ON) == int(RELAY_OP_ON) && int(RELAY_STATE_OFF) == int(RELAY_OP_OFF));
                if (op == RELAY_OP_ON)
                    ons |= 1 << r;
                if (op == RELAY_OP_OFF)
                    offs |= 1 << r;
            }
        }
        if (ons & offs)
            loop.switches = true;
        return loop;
    }

    void Add(std::vector<Finding>* findings, Check check, Severity severity, std::vector<int> steps, int text,
             std::vector<Language::FormatArg> arguments) const
    {
        Finding finding;
        finding.check = check;
        finding.severity = severity;
        finding.channel = m_channel;
        finding.steps = std::move(steps);
        finding.textId = text;
        finding.arguments = std::move(arguments);
        findings->push_back(std::move(finding));
    }

    const Program& m_program;
    const std::array<StepInfo, FIELD_COUNT>& m_steps;
    int m_channel;
    int m_tracked;   // relays whose state the channel alone decides
    int m_allInputs; // every input vector
    std::array<std::array<bool, RELAY_VALUES>, FIELD_COUNT> m_reached{};
    std::array<bool, FIELD_COUNT> m_reachedStep{};
    bool m_entersStart = false;
    std::vector<std::pair<int, int>> m_pastStop; // step, target
};

} // namespace

std::vector<Finding> CheckProgram(ModelCode model, const std::uint8_t* image, int size)
{
    std::vector<Finding> findings;
    Program program;
    if (!Decode(ModelCode(model & MODEL_NUMBER_MASK), image, size, &program))
        return findings;
    const int allRelays = (1 << program.relays) - 1;

    // Which relays each channel may switch: first with no relay tracked (every relay free),
    // which over-approximates every channel's steps and so their switching.
    int writes[2] = {0, 0};
    if (program.channels == 2) {
        for (int c = 0; c < 2; ++c) {
            CChannelCheck rough(program, c, 0);
            rough.Reach();
            writes[c] = rough.Writes();
        }
    }
    for (int c = 0; c < program.channels; ++c) {
        const int tracked = program.channels == 2 ? allRelays & ~writes[1 - c] : allRelays;
        CChannelCheck check(program, c, tracked);
        check.Reach();
        check.Report(&findings);
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        if (a.channel != b.channel)
            return a.channel < b.channel;
        if (a.steps.front() != b.steps.front())
            return a.steps.front() < b.steps.front();
        return int(a.check) < int(b.check);
    });
    return findings;
}

QString FindingText(const Finding& finding, const Language::CLanguageManager& texts)
{
    if (finding.check != Check::LoopWithoutTime)
        return Language::FormatText(texts.GetText(finding.textId), finding.arguments, texts.DecimalPoint());
    // "step 4", or "steps 4, 5, 6", in the language.
    QString steps;
    if (finding.steps.size() == 1) {
        steps = texts.Format(Language::TEXT_PT_WHERE_STEP, {finding.steps.front()});
    } else {
        QStringList numbers;
        for (int step : finding.steps)
            numbers << QString::number(step);
        steps = texts.Format(Language::TEXT_CHECK_STEPS, {numbers.join(QStringLiteral(", "))});
    }
    return texts.Format(finding.textId, {steps});
}

const char* CheckName(Check check)
{
    switch (check) {
    case Check::LoopWithoutTime: return "loop-without-time";
    case Check::JumpPastStop: return "jump-past-stop";
    case Check::StepNeverRuns: return "step-never-runs";
    case Check::TimeTakesNoTime: return "time-takes-no-time";
    case Check::UnknownTimeRange: return "unknown-time-range";
    case Check::ConstantSignal: return "constant-signal";
    }
    return "";
}

const char* SeverityName(Severity severity) { return severity == Severity::Error ? "error" : "warning"; }

FindingCounts CountFindings(const std::vector<Finding>& findings)
{
    FindingCounts counts;
    for (const Finding& finding : findings)
        (finding.severity == Severity::Error ? counts.errors : counts.warnings)++;
    return counts;
}

} // namespace ProgramCheck
