// Runs the virtual relay's stored program in real time, as the timing diagram computes it
// (CRealTimeRun on the simulator engine): steps that take no time run at once, a time step
// takes exactly its time, and the state reported at any moment is the relay's state then.
// The relay has no input wiring, so its inputs stay inactive; its potentiometer stands at
// one second.

#include "LiveProgram.h"

#include "QuorvexDoc.h"
#include "RealTimeRun.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class CEngineLiveProgram final : public ILiveProgram {
public:
    CEngineLiveProgram(ModelCode model, std::vector<std::uint8_t> defaults)
        : m_run(model), m_defaults(std::move(defaults))
    {
        m_run.SetPotentiometer(0, TIME_MANTISSA_ONE);
        m_run.SetProgram(m_defaults.data(), int(m_defaults.size()));
        const int inputs[2] = {0, 0};
        m_run.PowerOn(inputs);
    }

    void Restart(const std::uint8_t* image, int size) override
    {
        // A shorter image overlays the default program; a longer one is cut to the model's.
        std::vector<std::uint8_t> program = m_defaults;
        if (image && size > 0)
            std::copy(image, image + std::min<std::size_t>(std::size_t(size), program.size()), program.begin());
        m_run.SetProgram(program.data(), int(program.size()));
        m_clock = 0;
        const int inputs[2] = {0, 0};
        m_run.PowerOn(inputs);
    }

    void Advance(double seconds) override
    {
        if (!(seconds > 0))
            return;
        m_clock += RelayTime(std::llround(seconds * double(RELAY_TIME_PER_SECOND)));
        m_run.AdvanceTo(m_clock);
    }

    DeviceProtocol::ChannelState State(int channel) const override
    {
        DeviceProtocol::ChannelState state;
        if (channel < 0 || channel >= m_run.GetChannelCount())
            return state;
        const RelayStatus& now = m_run.State();
        const std::size_t c = std::size_t(channel);
        state.inputState = now.inputs[c];
        state.outputState = now.outputs[c];
        state.fieldIndex = now.steps[c];
        RelayTime elapsed = 0, duration = 0;
        if (m_run.TimeSetting(channel, &state.unit, &state.mantissa) && m_run.TimeStep(channel, &elapsed, &duration))
            DeviceProtocol::SetElapsed(&state, double(elapsed) / double(RELAY_TIME_PER_SECOND));
        return state;
    }

private:
    CRealTimeRun m_run;
    std::vector<std::uint8_t> m_defaults; // the model's default program
    RelayTime m_clock = 0;
};

} // namespace

std::unique_ptr<ILiveProgram> CreateEngineLiveProgram(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model & MODEL_NUMBER_MASK));
    if (!doc)
        return nullptr;
    doc->ResetProgram(0);
    std::vector<std::uint8_t> defaults(doc->GetData(), doc->GetData() + doc->GetDataSize());
    return std::make_unique<CEngineLiveProgram>(doc->GetModelCode(), std::move(defaults));
}
