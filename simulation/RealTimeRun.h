#pragma once
// A program run as a relay runs it: in real time, on a virtual clock.
//
// The simulator engines move in ticks and animate a time step in twenty of them whatever its
// length. CRealTimeRun drives the engine of the program's model so that time is the relay's
// time instead: steps that take no time run at once, a time step takes exactly its duration
// (or ends early when its stop condition holds), and a wait lasts until the input change it
// waits for. The clock counts nanoseconds from power-on, so every duration a step can hold
// (a whole number of 128ths of a second) adds up without rounding.
//
//   CRealTimeRun run(MODEL_QVS_K115_318);
//   run.SetProgram(doc.GetData(), doc.GetDataSize());
//   run.SetPotentiometer(unit, mantissa);
//   run.PowerOn(inputs);                      // time 0
//   run.AdvanceTo(t);                         // every time step that runs out up to t
//   run.SetInputs(inputs);                    // input changes at the present moment
//   run.State();                              // inputs, relay outputs, step of each channel
//
// The rules (what happens first at one moment, what a loop without time does) are those of
// docs/timeline.md; CRealTimeRun is their one implementation, used by the timing diagram,
// quorvexctl timeline and the virtual relay.

#include "ModelTypes.h"

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class CQuorvexDoc;
class CQuorvexFieldSet;
class CQuorvexSimulator;

// Time on a run's clock: nanoseconds from power-on.
using RelayTime = std::int64_t;
constexpr RelayTime RELAY_TIME_PER_SECOND = 1'000'000'000;
constexpr RelayTime RELAY_TIME_NEVER = std::numeric_limits<RelayTime>::max();

// The exact duration of a time setting (mantissa × factor / 128 seconds); 0 for a unit code
// outside 0..6, as the engines take it.
RelayTime TimeSettingDuration(int unit, int mantissa);

// What a relay shows at one moment: per input, relay and channel (element i stands for input
// or relay i + 1 and channel i + 1; the second elements stay 0 on a one-channel model).
struct RelayStatus {
    std::array<std::uint8_t, 2> inputs{};   // 0 or 1
    std::array<std::uint8_t, 2> outputs{};  // 0 or 1 (on)
    std::array<std::uint8_t, 2> steps{};    // step index; above 36 a jump past the Stop step
    bool operator==(const RelayStatus&) const = default;
};

// A loop that takes no time: at `time` the program came back to a state it already had at
// that moment, so it would repeat the loop for as long as nothing else changes.
struct ZeroTimeLoop {
    RelayTime time = 0;
    int channels = 0;            // bit c set: channel c runs the loop
    bool outputsSwitch = false;  // a relay output switches inside the loop (it would chatter)
    int relaysSwitching = 0;     // bit r: relay r + 1 switches inside the loop
};

class CRealTimeRun {
public:
    // A run of the model's programs (the model number in the code's high nibble counts); a
    // code of no model makes a run that IsValid() reports false for and that does nothing.
    explicit CRealTimeRun(ModelCode model);
    ~CRealTimeRun();
    CRealTimeRun(const CRealTimeRun&) = delete;
    CRealTimeRun& operator=(const CRealTimeRun&) = delete;

    bool IsValid() const { return m_engine != nullptr; }
    ModelCode GetModelCode() const { return m_model; }
    int GetChannelCount() const { return m_channels; }

    // The program image (the model's size: 70 or 226 bytes) and the potentiometer setting of
    // time steps that take their time from it. They count from the next PowerOn. False (and
    // nothing changed) for an image of another size.
    bool SetProgram(const std::uint8_t* image, int size);
    void SetPotentiometer(int unit, int mantissa);

    // Power-on at time 0: relay outputs off, every channel at its Start step, the inputs as
    // given (one per channel; they are levels at power-on, not changes). The steps that take
    // no time run at once.
    void PowerOn(const int* inputs);

    // The present time, and the next moment at which the program acts on its own (a time
    // step runs out); RELAY_TIME_NEVER when no time step is running.
    RelayTime Now() const { return m_now; }
    RelayTime NextEvent() const;
    // Lets time pass up to `time` (a time before Now() is taken as Now()): every time step
    // that runs out by then ends at its moment, and what follows runs, in time order.
    void AdvanceTo(RelayTime time);
    // The inputs change at the present moment, all together; the program reacts at once. The
    // same inputs again change nothing.
    void SetInputs(const int* inputs);
    // The potentiometer is turned at the present moment: a running time step that takes its
    // time from it keeps the time it has run and takes the new duration, ending at once when
    // it has run that long already (as a relay's step follows its potentiometer). Later time
    // steps take the new setting too.
    void ChangePotentiometer(int unit, int mantissa);

    const RelayStatus& State() const { return m_state; }
    // The time step a channel is in: its duration and the time it has run; false when the
    // channel is at another kind of step. A time step that keeps restarting (its stop
    // condition holds and leads back to it) or that a loop without time passes through has
    // run 0.
    bool TimeStep(int channel, RelayTime* elapsed, RelayTime* duration) const;
    // The unit and mantissa of the time in effect for that time step (the step's own, or the
    // potentiometer's).
    bool TimeSetting(int channel, int* unit, int* mantissa) const;

    // Loops without time found since PowerOn, in time order; at most MAX_LOOPS_KEPT are kept,
    // LoopCount() counts them all.
    const std::vector<ZeroTimeLoop>& Loops() const { return m_loops; }
    std::size_t LoopCount() const { return m_loopCount; }
    // The loop found last (kept or not); meaningful once LoopCount() is above 0.
    const ZeroTimeLoop& LastLoop() const { return m_lastLoop; }
    static constexpr std::size_t MAX_LOOPS_KEPT = 1000;

private:
    struct Channel {
        bool timing = false;   // at a time step whose time runs
        bool busy = false;     // its time does not run: the step keeps restarting or a loop passes it
        RelayTime began = 0;
        RelayTime duration = 0;
        RelayTime End() const { return began + duration; }
    };
    // One tick's result, kept while a moment is worked out to find loops.
    struct TickRecord {
        RelayStatus state;
        int interrupted = 0; // bit mask
    };

    // Runs ticks at the present moment until the program rests: nothing changes any more, or
    // it comes back to a state it had at this moment (a loop without time).
    void Settle();
    // The channel has come to its present step (or its time step restarted).
    void Enter(int channel);
    // Whether the step runs and moves on at once (Start, state change, a condition that does
    // not wait).
    bool TakesNoTime(int channel, int step) const;
    static int StateKey(const RelayStatus& state);

    ModelCode m_model = 0;
    int m_channels = 0;
    std::unique_ptr<CQuorvexDoc> m_doc;
    std::unique_ptr<CQuorvexFieldSet> m_fields;
    std::unique_ptr<CQuorvexSimulator> m_engine;

    RelayTime m_now = 0;
    RelayStatus m_state;
    std::array<Channel, 2> m_channel{};
    std::vector<ZeroTimeLoop> m_loops;
    std::size_t m_loopCount = 0;
    ZeroTimeLoop m_lastLoop;

    // Finding loops: the ticks of the present moment, and for every state key the moment
    // (by number) and the tick at which it was last seen.
    std::vector<TickRecord> m_ticks;
    std::vector<std::uint32_t> m_seenMoment;
    std::vector<std::uint32_t> m_seenTick;
    std::uint32_t m_moment = 0;
};
