#pragma once
// The timeline of a program: what a relay does from power-on under a script of input
// changes, in relay time. One implementation for the timing diagram, quorvexctl timeline
// and the tests; the rules are written out for users in docs/timeline.md.

#include "RealTimeRun.h"
#include "TimelineTrace.h"

#include <QStringView>

#include <atomic>
#include <cstdint>
#include <vector>

// An input that takes a value at a time.
struct TimelineInputChange {
    RelayTime time = 0;
    int input = 0; // 0-based
    int value = 0; // 0 off, 1 on

    bool operator==(const TimelineInputChange&) const = default;
};

// What a timeline is computed from, besides the program.
struct TimelineScript {
    int potUnit = 0;                      // the potentiometer's time, for time steps that
    int potValue = TIME_MANTISSA_ONE;     // take theirs from it (unit code, mantissa)
    std::vector<TimelineInputChange> changes; // in any order
    RelayTime until = 0;                  // the last moment computed
    // ComputeTimeline only: `until` is the latest end, and the trace ends where the program
    // has shown what it does (TimelineDefaultEnd).
    bool endFromProgram = false;
};

// Where a timeline ends when its end follows the program, from the moments after the script's
// last input change:
//   - a program that comes to rest (no time step runs, no input changes any more): its last
//     change, or the script's last input change if later, plus a margin;
//   - a program that repeats itself (it comes back to a state it had after the last input
//     change, with the same time run in every running time step): two of its cycles after
//     the state it came back to, plus a margin;
//   - otherwise the latest end.
// The margin is a tenth of the time, at least a second (TimelineEndMargin); the end is then
// rounded up to two significant digits (TimelineEndAfter: 203.6375 s gives 210 s).
RelayTime TimelineEndMargin(RelayTime time);
RelayTime TimelineEndAfter(RelayTime last);

// Receives a timeline row by row.
class ITimelineSink {
public:
    virtual ~ITimelineSink() = default;
    // The state from `time` on. Times increase and every state differs from the one before;
    // the first row is at 0. Returning false stops the run there.
    virtual bool Row(RelayTime time, const RelayStatus& state) = 0;
    // A loop without time was found at that moment (reported before the moment's row).
    virtual void Loop(const ZeroTimeLoop& /*loop*/) {}
    // Everything of a moment has happened (after its row, if it had one); the run as it is
    // then. Returning false stops the run there.
    virtual bool Moment(RelayTime /*time*/, const CRealTimeRun& /*run*/) { return true; }
};

enum class TimelineEnd {
    Until,     // computed up to the script's `until`
    Stopped,   // the sink stopped it
    Cancelled, // `cancel` was set
    Invalid,   // the model or the image size is wrong: nothing was computed
};

// Runs the program (the image of the model) from power-on to script.until and hands every
// row to the sink:
//   - at power-on (time 0) the inputs are those the script sets at time 0 (as levels, not
//     changes), the relays are off, and the steps that take no time run;
//   - at every later moment, first the time steps that run out then end (with what follows
//     them), then the input changes of that moment take effect together (the last one
//     given for an input counts), and the program reacts to them at once;
//   - a row holds the state once everything of its moment has happened.
// `cancel`, when given, is looked at now and then; setting it ends the run soon.
TimelineEnd RunTimeline(ModelCode model, const std::uint8_t* image, int size, const TimelineScript& script,
                        ITimelineSink& sink, const std::atomic<bool>* cancel = nullptr);

// Rows a computed trace holds at most; a run that would give more ends early with a note.
constexpr std::size_t TIMELINE_MAX_ROWS = 4'000'000;

// The timeline as a trace (source Computed) known up to script.until (with endFromProgram, up
// to the end the program gives), or up to the moment where it reached maxRows (noted as
// Truncated). Loops without time become notes.
TimelineEnd ComputeTimeline(ModelCode model, const std::uint8_t* image, int size, const TimelineScript& script,
                            CTimelineTrace* trace, const std::atomic<bool>* cancel = nullptr,
                            std::size_t maxRows = TIMELINE_MAX_ROWS);

// A time written as seconds: digits with an optional fraction ("2", "2.5", ".5"; at most
// nine decimals count, the rest rounds to the nearest nanosecond). With `withUnits` also a
// comma as the decimal separator and a unit after the number: "ms", "s", "min" or "h"
// ("2.5 min", "1,5h"). Up to a billion seconds. False for anything else, negative times
// included.
bool ParseRelaySeconds(QStringView text, bool withUnits, RelayTime* time);
