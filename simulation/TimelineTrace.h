#pragma once
// The timing diagram's data: a relay's inputs, relay outputs and the step of each channel
// against time, as a list of rows (one per moment at which anything changed) and, for
// drawing, one list of changes per lane.
//
// A trace is filled by appending states in time order, whoever makes them: the computed run
// of a program (ComputeTimeline) or, later, the states polled from a relay during its live
// view, stamped with the wall-clock time since the view began. Drawing never walks all
// changes: Reduce answers for one lane and one pixel width, and costs what the screen
// shows (two binary searches per pixel column at most), whatever the number of changes.

#include "RealTimeRun.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// Where a trace's states come from.
enum class TraceSource {
    Computed, // the program run on the relay's clock (ComputeTimeline)
    Recorded, // states polled from a relay against the wall clock
};

// One lane of the diagram.
enum class LaneKind { Input, Relay, Step };
struct LaneId {
    LaneKind kind = LaneKind::Input;
    int index = 0; // 0-based input, relay or channel
};

// A piece of a lane as drawn at one pixel width, in pixels from the left edge of the
// stretch asked for. A steady piece holds one value; a busy piece covers pixel columns in
// each of which the lane changes more than once (it is drawn as a block, its value is the
// one at its end).
struct TraceSpan {
    double x0 = 0;
    double x1 = 0;
    int value = 0;
    bool busy = false;
};

// Something the reader of a trace should know about a moment.
struct TraceNote {
    enum Kind {
        ZeroTimeLoop, // the program loops without taking time (channels, outputsSwitch)
        Truncated,    // the trace stops here: it reached its limit of rows
    };
    Kind kind = ZeroTimeLoop;
    RelayTime time = 0;
    int channels = 0;
    bool outputsSwitch = false;
};

class CTimelineTrace {
public:
    explicit CTimelineTrace(int channels = 1, TraceSource source = TraceSource::Computed);

    int GetChannelCount() const { return m_channels; }
    TraceSource Source() const { return m_source; }

    // Appends the state at `time`, which must not lie before the last row's time (an earlier
    // time is taken as that time). A state equal to the last row's adds nothing; a state at
    // the last row's time replaces that row, so a row holds what is true from its time on.
    void Append(RelayTime time, const RelayStatus& state);
    // The trace tells the relay's state up to this time (the last row's state lasts until
    // then). Never moves back.
    void SetKnownUntil(RelayTime time);
    RelayTime KnownUntil() const { return m_knownUntil; }

    std::size_t RowCount() const { return m_rowTimes.size(); }
    RelayTime RowTime(std::size_t row) const { return m_rowTimes[row]; }
    const RelayStatus& RowState(std::size_t row) const { return m_rowStates[row]; }
    // The row in effect at `time`: the last row at or before it; -1 before the first row.
    std::ptrdiff_t RowAt(RelayTime time) const;
    // The time of the last change of any lane (0 for an empty trace).
    RelayTime LastChange() const { return m_rowTimes.empty() ? 0 : m_rowTimes.back(); }

    // Lanes in drawing order: inputs, relay outputs, steps (one of each per channel).
    int LaneCount() const { return 3 * m_channels; }
    LaneId Lane(int lane) const;
    // The lane's value in a state.
    static int LaneValue(const LaneId& lane, const RelayStatus& state);
    // Number of changes of a lane (its first value included).
    std::size_t LaneChangeCount(int lane) const { return m_lanes[std::size_t(lane)].times.size(); }

    // The lane from `from` on, `pixels` columns of `timePerPixel` each, reduced to what one
    // pixel can show: steady pieces between the changes that stand apart by at least a
    // column, busy pieces where a column holds several changes. Before the first row and
    // after KnownUntil() there is nothing.
    void Reduce(int lane, RelayTime from, double timePerPixel, int pixels, std::vector<TraceSpan>* spans) const;

    std::vector<TraceNote>& Notes() { return m_notes; }
    const std::vector<TraceNote>& Notes() const { return m_notes; }

private:
    struct LaneChanges {
        std::vector<RelayTime> times;
        std::vector<std::uint8_t> values;
    };

    int m_channels;
    TraceSource m_source;
    std::vector<RelayTime> m_rowTimes;
    std::vector<RelayStatus> m_rowStates;
    std::vector<LaneChanges> m_lanes;
    RelayTime m_knownUntil = 0;
    std::vector<TraceNote> m_notes;
};

// The trace as CSV: a header line, then one line per row (LF line ends): the time in seconds
// (exact, without trailing zeros), the inputs, the relay outputs (1 on, 0 off) and the step of
// each channel:
//   time_s,input1,relay1,step1                                     (one channel)
//   time_s,input1,input2,relay1,relay2,step1,step2                 (two channels)
QByteArray TimelineCsv(const CTimelineTrace& trace);
// A time as seconds the way the CSV writes it: "0", "2.5", "0.0078125", "360000".
QByteArray RelayTimeSecondsText(RelayTime time);
