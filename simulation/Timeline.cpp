#include "Timeline.h"

#include <algorithm>
#include <array>
#include <map>

namespace {

// How many moments pass between two looks at the cancel flag.
constexpr int CANCEL_CHECK_PERIOD = 4096;

class CTraceSink final : public ITimelineSink {
public:
    CTraceSink(CTimelineTrace& trace, std::size_t maxRows) : m_trace(trace), m_maxRows(maxRows) {}

    bool Row(RelayTime time, const RelayStatus& state) override
    {
        if (m_trace.RowCount() >= m_maxRows) {
            TraceNote note;
            note.kind = TraceNote::Truncated;
            note.time = time;
            m_trace.Notes().push_back(note);
            m_end = time;
            m_truncated = true;
            return false;
        }
        m_trace.Append(time, state);
        return true;
    }

    void Loop(const ZeroTimeLoop& loop) override
    {
        // As many notes as the run keeps loops: a loop that polls an input is found again at
        // every change of it, and the first ones say enough.
        if (++m_loopNotes > CRealTimeRun::MAX_LOOPS_KEPT)
            return;
        TraceNote note;
        note.kind = TraceNote::ZeroTimeLoop;
        note.time = loop.time;
        note.channels = loop.channels;
        note.outputsSwitch = loop.outputsSwitch;
        m_trace.Notes().push_back(note);
    }

    RelayTime End() const { return m_end; }
    bool Truncated() const { return m_truncated; }

private:
    CTimelineTrace& m_trace;
    std::size_t m_maxRows;
    std::size_t m_loopNotes = 0;
    RelayTime m_end = 0;
    bool m_truncated = false;
};

// Finds where a timeline ends when its end follows the program (TimelineScript::endFromProgram),
// passing the rows on to the trace's sink up to there.
class CEndFinder final : public ITimelineSink {
public:
    CEndFinder(ITimelineSink& rows, const TimelineScript& script) : m_rows(rows)
    {
        for (const TimelineInputChange& change : script.changes)
            m_lastInput = std::max(m_lastInput, change.time);
    }

    bool Row(RelayTime time, const RelayStatus& state) override
    {
        if (time > m_end)
            return false;
        m_lastRow = time;
        return m_rows.Row(time, state);
    }
    void Loop(const ZeroTimeLoop& loop) override { m_rows.Loop(loop); }

    bool Moment(RelayTime time, const CRealTimeRun& run) override
    {
        if (time > m_end)
            return false;
        if (m_found || time < m_lastInput)
            return true;
        if (run.NextEvent() == RELAY_TIME_NEVER) {
            // At rest, and no input changes any more.
            Found(TimelineEndAfter(std::max(m_lastRow, m_lastInput)));
            return time <= m_end;
        }
        Key key{};
        const RelayStatus& state = run.State();
        key[0] = state.steps[0] | state.steps[1] << 8 | state.outputs[0] << 16 | state.outputs[1] << 17
                 | state.inputs[0] << 18 | state.inputs[1] << 19;
        for (int c = 0; c < run.GetChannelCount(); ++c) {
            RelayTime elapsed = -1, duration = -1;
            run.TimeStep(c, &elapsed, &duration);
            key[std::size_t(1 + 2 * c)] = elapsed;
            key[std::size_t(2 + 2 * c)] = duration;
        }
        const auto [seen, added] = m_seen.emplace(key, time);
        if (!added) {
            // A cycle from seen->second to now: two of them after it.
            Found(TimelineEndAfter(time + (time - seen->second)));
        } else if (m_seen.size() > MAX_STATES) {
            // No cycle in sight: the latest end.
            m_found = true;
            m_seen.clear();
        }
        return true;
    }

    bool Found() const { return m_found && m_end != RELAY_TIME_NEVER; }
    RelayTime End() const { return m_end; }

private:
    // The step, outputs and inputs of every channel, and the time run and the duration of
    // each channel's time step (-1 when it is at another step).
    using Key = std::array<RelayTime, 5>;
    // States kept while looking for a cycle (a cycle of a program with many moments in it may
    // be missed; the timeline then ends at the latest end).
    static constexpr std::size_t MAX_STATES = 100'000;

    void Found(RelayTime end)
    {
        m_found = true;
        m_end = end;
        m_seen.clear();
    }

    ITimelineSink& m_rows;
    RelayTime m_lastInput = 0;
    RelayTime m_lastRow = 0;
    bool m_found = false;
    RelayTime m_end = RELAY_TIME_NEVER;
    std::map<Key, RelayTime> m_seen;
};

} // namespace

RelayTime TimelineEndMargin(RelayTime time)
{
    return std::max(time / 10, RELAY_TIME_PER_SECOND);
}

RelayTime TimelineEndAfter(RelayTime last)
{
    const RelayTime end = last + TimelineEndMargin(last);
    // Two significant digits: 203.6375 s becomes 210 s, 11 s stays.
    RelayTime step = 1;
    while (step <= end / 100)
        step *= 10;
    return (end + step - 1) / step * step;
}

TimelineEnd RunTimeline(ModelCode model, const std::uint8_t* image, int size, const TimelineScript& script,
                        ITimelineSink& sink, const std::atomic<bool>* cancel)
{
    CRealTimeRun run(model);
    if (!run.IsValid() || !run.SetProgram(image, size))
        return TimelineEnd::Invalid;
    run.SetPotentiometer(script.potUnit, script.potValue);
    const int channels = run.GetChannelCount();

    // The changes in time order; of several for one moment the later in the script counts.
    std::vector<TimelineInputChange> changes;
    changes.reserve(script.changes.size());
    for (const TimelineInputChange& change : script.changes)
        if (change.time >= 0 && change.input >= 0 && change.input < channels)
            changes.push_back(change);
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TimelineInputChange& a, const TimelineInputChange& b) { return a.time < b.time; });

    int inputs[2] = {0, 0};
    std::size_t next = 0;
    auto takeChanges = [&](RelayTime moment) {
        bool any = false;
        for (; next < changes.size() && changes[next].time == moment; ++next) {
            inputs[changes[next].input] = changes[next].value ? 1 : 0;
            any = true;
        }
        return any;
    };

    // Inputs set at time 0 are the inputs at power-on.
    takeChanges(0);
    run.PowerOn(inputs);

    std::size_t loopsReported = 0; // of the loops the run keeps
    std::size_t loopsFound = 0;    // of all
    RelayStatus last;
    bool first = true;
    RelayTime moment = 0;
    for (int counter = 1;; ++counter) {
        // Everything of this moment: time steps that run out, then the input changes.
        run.AdvanceTo(moment);
        if (takeChanges(moment)) {
            run.SetInputs(inputs);
            run.AdvanceTo(moment);
        }
        for (; loopsReported < run.Loops().size(); ++loopsReported)
            sink.Loop(run.Loops()[loopsReported]);
        // Beyond the loops the run keeps, the last one of each moment still reaches the sink,
        // so that it hears of every moment at which the program loops.
        if (run.LoopCount() > loopsFound && run.LoopCount() > run.Loops().size())
            sink.Loop(run.LastLoop());
        loopsFound = run.LoopCount();
        if (first || !(run.State() == last)) {
            if (!sink.Row(moment, run.State()))
                return TimelineEnd::Stopped;
            last = run.State();
            first = false;
        }
        if (!sink.Moment(moment, run))
            return TimelineEnd::Stopped;

        const RelayTime nextChange = next < changes.size() ? changes[next].time : RELAY_TIME_NEVER;
        const RelayTime nextMoment = std::min(run.NextEvent(), nextChange);
        if (nextMoment == RELAY_TIME_NEVER || nextMoment > script.until)
            break;
        moment = nextMoment;
        if (cancel && counter % CANCEL_CHECK_PERIOD == 0 && cancel->load(std::memory_order_relaxed))
            return TimelineEnd::Cancelled;
    }
    return TimelineEnd::Until;
}

TimelineEnd ComputeTimeline(ModelCode model, const std::uint8_t* image, int size, const TimelineScript& script,
                            CTimelineTrace* trace, const std::atomic<bool>* cancel, std::size_t maxRows)
{
    CTraceSink sink(*trace, std::max<std::size_t>(maxRows, 1));
    if (script.endFromProgram) {
        CEndFinder finder(sink, script);
        const TimelineEnd end = RunTimeline(model, image, size, script, finder, cancel);
        if (end == TimelineEnd::Stopped && sink.Truncated()) {
            trace->SetKnownUntil(sink.End());
            return end;
        }
        if (end != TimelineEnd::Until && end != TimelineEnd::Stopped)
            return end;
        // Run up to the end the program gives (where the finder stopped it), or to the latest.
        const RelayTime latest = std::max<RelayTime>(script.until, 0);
        trace->SetKnownUntil(finder.Found() ? std::min(finder.End(), latest) : latest);
        return TimelineEnd::Until;
    }
    const TimelineEnd end = RunTimeline(model, image, size, script, sink, cancel);
    if (end == TimelineEnd::Until)
        trace->SetKnownUntil(std::max<RelayTime>(script.until, 0));
    else if (end == TimelineEnd::Stopped)
        trace->SetKnownUntil(sink.End());
    return end;
}

bool ParseRelaySeconds(QStringView text, bool withUnits, RelayTime* time)
{
    constexpr RelayTime MAX_WHOLE_SECONDS = 1'000'000'000;
    const QStringView trimmed = text.trimmed();
    qsizetype i = 0;
    RelayTime whole = 0;
    int wholeDigits = 0;
    for (; i < trimmed.size() && trimmed[i].isDigit() && trimmed[i].unicode() < 128; ++i, ++wholeDigits) {
        whole = whole * 10 + (trimmed[i].unicode() - '0');
        if (whole > MAX_WHOLE_SECONDS)
            return false;
    }
    // Nanoseconds of the fraction, and whether the digits past the ninth round it up.
    RelayTime fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < trimmed.size() && (trimmed[i] == u'.' || (withUnits && trimmed[i] == u','))) {
        ++i;
        for (; i < trimmed.size() && trimmed[i].isDigit() && trimmed[i].unicode() < 128; ++i, ++fractionDigits) {
            const int digit = trimmed[i].unicode() - '0';
            if (fractionDigits < 9)
                fraction = fraction * 10 + digit;
            else if (fractionDigits == 9)
                roundUp = digit >= 5;
        }
        if (fractionDigits == 0 && wholeDigits == 0)
            return false;
    } else if (wholeDigits == 0) {
        return false;
    }
    for (int d = std::min(fractionDigits, 9); d < 9; ++d)
        fraction *= 10;
    if (roundUp)
        ++fraction;

    // The unit: seconds unless another is written.
    RelayTime unit = RELAY_TIME_PER_SECOND;
    const QStringView rest = trimmed.mid(i).trimmed();
    if (!rest.isEmpty()) {
        if (!withUnits)
            return false;
        if (rest == u"s")
            unit = RELAY_TIME_PER_SECOND;
        else if (rest == u"ms")
            unit = RELAY_TIME_PER_SECOND / 1000;
        else if (rest == u"min")
            unit = 60 * RELAY_TIME_PER_SECOND;
        else if (rest == u"h")
            unit = 3600 * RELAY_TIME_PER_SECOND;
        else
            return false;
    }
    // whole × unit + fraction × unit / 1e9, rounded to the nanosecond.
    if (whole > MAX_WHOLE_SECONDS * RELAY_TIME_PER_SECOND / unit)
        return false;
    const RelayTime wholePart = whole * unit;
    const RelayTime fractionPart
        = RelayTime((static_cast<long double>(fraction) * unit) / RELAY_TIME_PER_SECOND + 0.5L);
    const RelayTime total = wholePart + fractionPart;
    if (total > MAX_WHOLE_SECONDS * RELAY_TIME_PER_SECOND)
        return false;
    *time = total;
    return true;
}
