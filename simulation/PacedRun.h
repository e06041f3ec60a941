#pragma once
// The on-screen simulation in relay time: a CRealTimeRun whose clock follows a wall clock at a
// chosen speed (the relay's own pace, ten or sixty times faster), so that a 3-minute staircase
// light can be watched in 3 minutes or in 18 seconds. It stands still until started and
// while stopped; input changes and potentiometer turns take effect at the present relay time.
//
//   CPacedRun paced(model);            // the steady clock; tests pass a clock they control
//   paced.SetSpeed(60);
//   paced.PowerOn(image, size, potUnit, potValue, inputs);
//   paced.Start();
//   ... paced.Update();                // on a timer: catch up with the clock, then show
//   paced.Run().State();

#include "RealTimeRun.h"

#include <cstdint>
#include <functional>

class CPacedRun {
public:
    // A monotonic clock in nanoseconds.
    using Clock = std::function<std::int64_t()>;
    // The speeds offered: relay time per clock time.
    static constexpr int SPEEDS[] = {1, 10, 60};

    // Without a clock, the steady clock of the system.
    explicit CPacedRun(ModelCode model, Clock clock = {});

    bool IsValid() const { return m_run.IsValid(); }
    // Relay time per clock time (at least 1); the present relay time stays where it is.
    void SetSpeed(int factor);
    int Speed() const { return m_nSpeed; }

    // Power-on with this program (the model's image), potentiometer and inputs; stopped at
    // relay time 0. False for an image of another size.
    bool PowerOn(const std::uint8_t* image, int size, int potUnit, int potValue, const int* inputs);
    // Relay time runs from the present clock time on; Stop holds it where the clock has
    // brought it.
    void Start();
    void Stop();
    bool IsRunning() const { return m_bRunning; }

    // Catches up with the clock: every time step that has run out by now ends at its own
    // moment, with what follows it. Returns the relay time now.
    RelayTime Update();
    // At the present relay time (after catching up): the inputs change, the potentiometer is
    // turned.
    void SetInputs(const int* inputs);
    void ChangePotentiometer(int unit, int mantissa);
    // Relay time jumps to the next moment at which the program acts on its own (the end of the
    // time step that runs out first); false when no time step runs.
    bool SkipToNextEvent();

    const CRealTimeRun& Run() const { return m_run; }

private:
    // The relay time the clock gives now.
    RelayTime ClockTime() const;
    // The relay time and the clock time from which relay time runs on.
    void Anchor();

    CRealTimeRun m_run;
    Clock m_clock;
    int m_nSpeed = 1;
    bool m_bRunning = false;
    std::int64_t m_anchorClock = 0;
    RelayTime m_anchorRelay = 0;
};
