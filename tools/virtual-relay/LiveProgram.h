#pragma once
// Live channel state of the virtual relay: what command 7 reports while the relay runs its
// stored program.

#include "DeviceProtocol.h"
#include "ModelTypes.h"

#include <cstdint>
#include <memory>

class ILiveProgram {
public:
    virtual ~ILiveProgram() = default;
    // Starts the stored program from its Start step (power-up, or a new program written).
    virtual void Restart(const std::uint8_t* image, int size) = 0;
    // Lets `seconds` of real time pass.
    virtual void Advance(double seconds) = 0;
    // State of one channel (0-based) for the reply of command 7.
    virtual DeviceProtocol::ChannelState State(int channel) const = 0;
};

// A program held at its Start step: field 0, outputs off, no time running.
std::unique_ptr<ILiveProgram> CreateStoppedLiveProgram();

// The live program of a model. When the build provides an engine-driven implementation
// (CreateEngineLiveProgram, compiled in with QUORVEX_LIVE_ENGINE), the stored program runs on
// it; otherwise the program stays at its Start step.
std::unique_ptr<ILiveProgram> CreateLiveProgram(ModelCode model);
#ifdef QUORVEX_LIVE_ENGINE
std::unique_ptr<ILiveProgram> CreateEngineLiveProgram(ModelCode model);
#endif
