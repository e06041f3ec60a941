#include "LiveProgram.h"

namespace {

class CStoppedLiveProgram final : public ILiveProgram {
public:
    void Restart(const std::uint8_t*, int) override {}
    void Advance(double) override {}
    DeviceProtocol::ChannelState State(int) const override { return DeviceProtocol::ChannelState{}; }
};

} // namespace

std::unique_ptr<ILiveProgram> CreateStoppedLiveProgram()
{
    return std::make_unique<CStoppedLiveProgram>();
}

std::unique_ptr<ILiveProgram> CreateLiveProgram(ModelCode model)
{
#ifdef QUORVEX_LIVE_ENGINE
    if (std::unique_ptr<ILiveProgram> engine = CreateEngineLiveProgram(model))
        return engine;
#else
    (void)model;
#endif
    return CreateStoppedLiveProgram();
}
