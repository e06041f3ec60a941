// Runs the virtual relay's stored program on the simulator engine in real time.
//
// The engine moves in ticks, and a time step takes twenty ticks whatever its length. This
// driver gives every tick the real time it stands for: steps that take no time run at once,
// a tick of a time step runs only when real time has caught up with the simulated time of
// the ticks before it. Until real time has caught up with a tick, the relay reports the
// state from before that tick with the real time that has passed since, so a step never
// shows as done early. The relay has no input wiring, so its inputs stay inactive.

#include "LiveProgram.h"

#include "QuorvexDoc.h"
#include "QuorvexSimulator.h"

#include <algorithm>
#include <array>

namespace {

class CEngineLiveProgram final : public ILiveProgram {
public:
    CEngineLiveProgram(std::unique_ptr<CQuorvexDoc> doc, std::unique_ptr<CQuorvexSimulator> engine)
        : m_doc(std::move(doc)), m_fields(m_doc->CreateFieldSet()), m_engine(std::move(engine))
    {
        m_doc->ResetProgram(0);
        m_engine->SetDocument(m_doc.get());
        m_channels = m_engine->GetChannelCount();
    }

    void Restart(const std::uint8_t* image, int size) override
    {
        std::copy(image, image + std::min(size, m_doc->GetDataSize()), m_doc->GetData());
        m_inputs = {};
        m_outputs = {};
        m_steps = {};
        m_elapsed = {};
        m_ahead = 0;
        m_engine->Reset(m_inputs.data(), m_outputs.data());
        m_shown = Live();
    }

    void Advance(double seconds) override
    {
        m_ahead -= seconds;
        // A program that loops without any time step would never catch up: a bound on the
        // ticks per call keeps the relay answering.
        for (int ticks = 0; m_ahead <= 0 && ticks < MAX_TICKS_PER_ADVANCE; ++ticks) {
            const View before = Live();
            const std::array<int, 2>& stepsBefore = before.steps;
            const std::array<double, 2>& elapsedBefore = before.elapsed;
            std::array<double, 2> durationBefore{};
            std::array<bool, 2> timing{};
            for (int c = 0; c < m_channels; ++c)
                timing[std::size_t(c)] = TimeInEffect(c, stepsBefore[std::size_t(c)], nullptr, nullptr,
                                                      &durationBefore[std::size_t(c)]);

            std::array<int, 2> changed{};
            std::array<double, 2> fraction{};
            if (!m_engine->Step(m_steps.data(), m_inputs.data(), m_outputs.data(), changed.data(), 0, 0, m_elapsed.data(),
                                fraction.data()))
                break;

            // Simulated time of this tick: what a timing channel advanced by, or what was
            // left of a time step that ended.
            double tick = 0;
            bool moved = false;
            for (std::size_t c = 0; c < std::size_t(m_channels); ++c) {
                moved = moved || m_steps[c] != stepsBefore[c];
                if (!timing[c])
                    continue;
                if (m_steps[c] == stepsBefore[c])
                    tick = std::max(tick, m_elapsed[c] - elapsedBefore[c]);
                else if (m_steps[c] == stepsBefore[c] + 1)
                    tick = std::max(tick, durationBefore[c] - elapsedBefore[c]);
            }
            if (tick <= 0 && !moved) {
                // Waiting or stopped: no simulated time is owed.
                m_ahead = 0;
                break;
            }
            if (tick > 0) {
                m_shown = before;
                m_shownTick = tick;
            }
            m_ahead += tick;
        }
        m_ahead = std::max(m_ahead, -1.0);
    }

    DeviceProtocol::ChannelState State(int channel) const override
    {
        DeviceProtocol::ChannelState state;
        if (channel < 0 || channel >= m_channels)
            return state;
        const std::size_t c = std::size_t(channel);
        // The engine runs up to one tick ahead of real time: show the state before that
        // tick, advanced by the real time that has passed within it.
        const bool ahead = m_ahead > 0;
        const View view = ahead ? m_shown : Live();
        state.inputState = m_inputs[c];
        state.outputState = view.outputs[c];
        state.fieldIndex = view.steps[c];
        double duration = 0;
        if (TimeInEffect(channel, view.steps[c], &state.unit, &state.mantissa, &duration)) {
            const double elapsed = view.elapsed[c] + (ahead ? m_shownTick - m_ahead : 0.0);
            DeviceProtocol::SetElapsed(&state, std::clamp(elapsed, 0.0, duration));
        }
        return state;
    }

private:
    static constexpr int MAX_TICKS_PER_ADVANCE = 200;

    // Steps, elapsed times and outputs at one moment.
    struct View {
        std::array<int, 2> steps{};
        std::array<double, 2> elapsed{};
        std::array<int, 2> outputs{};
    };
    View Live() const { return View{m_steps, m_elapsed, m_outputs}; }

    // Whether the channel's step is a time step; its unit, mantissa and duration.
    bool TimeInEffect(int channel, int step, int* unit, int* mantissa, double* duration) const
    {
        CQuorvexFIELDBase* field = m_fields->Bind(m_doc.get(), channel, step);
        if (!field || field->GetKind() != FIELD_TIME)
            return false;
        const auto& time = static_cast<const CQuorvexFIELDTime&>(*field);
        const int u = time.IsFixedTime() ? time.GetTimeUnit() : m_doc->GetPotUnit();
        const int m = time.IsFixedTime() ? time.GetTimeValue() : m_doc->GetPotValue();
        if (unit)
            *unit = u;
        if (mantissa)
            *mantissa = m;
        double increment = 0;
        CQuorvexSimulator::StepTiming(u, m, &increment, duration);
        return true;
    }

    std::unique_ptr<CQuorvexDoc> m_doc;
    std::unique_ptr<CQuorvexFieldSet> m_fields;
    std::unique_ptr<CQuorvexSimulator> m_engine;
    int m_channels = 1;
    std::array<int, 2> m_inputs{};
    std::array<int, 2> m_outputs{};
    std::array<int, 2> m_steps{};
    std::array<double, 2> m_elapsed{};
    double m_ahead = 0;  // simulated seconds ahead of real time
    View m_shown;          // state before the tick that real time has not caught up with
    double m_shownTick = 0;  // simulated seconds of that tick
};

} // namespace

std::unique_ptr<ILiveProgram> CreateEngineLiveProgram(ModelCode model)
{
    std::unique_ptr<CQuorvexSimulator> engine;
    switch (model & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: engine = std::make_unique<CQuorvex_QVR_K115_ZQX_Simulator>(); break;
    case MODEL_QVS_K115_318: engine = std::make_unique<CQuorvex_QVS_K115_318_Simulator>(); break;
    default: return nullptr;
    }
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    if (!doc)
        return nullptr;
    return std::make_unique<CEngineLiveProgram>(std::move(doc), std::move(engine));
}
