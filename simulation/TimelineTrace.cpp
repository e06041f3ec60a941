#include "TimelineTrace.h"

#include <algorithm>
#include <cmath>

CTimelineTrace::CTimelineTrace(int channels, TraceSource source)
    : m_channels(std::clamp(channels, 1, 2)), m_source(source), m_lanes(std::size_t(3 * m_channels))
{
}

LaneId CTimelineTrace::Lane(int lane) const
{
    LaneId id;
    id.kind = LaneKind(lane / m_channels);
    id.index = lane % m_channels;
    return id;
}

int CTimelineTrace::LaneValue(const LaneId& lane, const RelayStatus& state)
{
    const std::size_t i = std::size_t(lane.index);
    switch (lane.kind) {
    case LaneKind::Input: return state.inputs[i];
    case LaneKind::Relay: return state.outputs[i];
    case LaneKind::Step: return state.steps[i];
    }
    return 0;
}

void CTimelineTrace::Append(RelayTime time, const RelayStatus& state)
{
    if (!m_rowTimes.empty())
        time = std::max(time, m_rowTimes.back());
    m_knownUntil = std::max(m_knownUntil, time);
    if (!m_rowStates.empty() && m_rowStates.back() == state)
        return;

    const bool sameMoment = !m_rowTimes.empty() && m_rowTimes.back() == time;
    if (sameMoment) {
        // What holds from this moment on is the last state given for it; a state that
        // undoes the row's change leaves no row at all.
        if (m_rowStates.size() >= 2 && m_rowStates[m_rowStates.size() - 2] == state) {
            m_rowTimes.pop_back();
            m_rowStates.pop_back();
        } else {
            m_rowStates.back() = state;
        }
    } else {
        m_rowTimes.push_back(time);
        m_rowStates.push_back(state);
    }

    for (int lane = 0; lane < LaneCount(); ++lane) {
        LaneChanges& changes = m_lanes[std::size_t(lane)];
        const auto value = std::uint8_t(LaneValue(Lane(lane), state));
        if (!changes.times.empty() && changes.times.back() == time) {
            const std::size_t n = changes.values.size();
            if (n >= 2 && changes.values[n - 2] == value) {
                changes.times.pop_back();
                changes.values.pop_back();
            } else {
                changes.values.back() = value;
            }
        } else if (changes.values.empty() || changes.values.back() != value) {
            changes.times.push_back(time);
            changes.values.push_back(value);
        }
    }
}

void CTimelineTrace::SetKnownUntil(RelayTime time)
{
    m_knownUntil = std::max(m_knownUntil, time);
}

std::ptrdiff_t CTimelineTrace::RowAt(RelayTime time) const
{
    const auto after = std::upper_bound(m_rowTimes.begin(), m_rowTimes.end(), time);
    return std::ptrdiff_t(after - m_rowTimes.begin()) - 1;
}

void CTimelineTrace::Reduce(int lane, RelayTime from, double timePerPixel, int pixels,
                            std::vector<TraceSpan>* spans) const
{
    spans->clear();
    if (lane < 0 || lane >= LaneCount() || pixels <= 0 || !(timePerPixel > 0))
        return;
    const LaneChanges& changes = m_lanes[std::size_t(lane)];
    const std::vector<RelayTime>& times = changes.times;
    if (times.empty())
        return;

    const double start = double(from);
    const double visibleStart = std::max(start, double(times.front()));
    const double visibleEnd = std::min(start + timePerPixel * pixels, double(m_knownUntil));
    if (!(visibleEnd > visibleStart))
        return;
    auto xOf = [&](double time) { return (time - start) / timePerPixel; };
    // The first change that lies in or after a time.
    auto firstFrom = [&](std::size_t begin, double time) {
        return std::size_t(std::partition_point(times.begin() + std::ptrdiff_t(begin), times.end(),
                                                [time](RelayTime t) { return double(t) < time; })
                           - times.begin());
    };

    std::size_t i = std::size_t(std::upper_bound(times.begin(), times.end(), RelayTime(std::floor(visibleStart)))
                                - times.begin());
    int value = changes.values[i - 1];
    double x = xOf(visibleStart);
    const double xEnd = xOf(visibleEnd);
    auto steady = [&](double x1) {
        if (x1 > x)
            spans->push_back(TraceSpan{x, x1, value, false});
    };
    while (i < times.size() && double(times[i]) < visibleEnd) {
        const double xChange = xOf(double(times[i]));
        const double column = std::floor(xChange);
        const std::size_t next = firstFrom(i, start + (column + 1) * timePerPixel);
        if (next - i == 1) {
            // One change in this column: the steady piece ends at it.
            steady(xChange);
            value = changes.values[i];
            x = std::max(x, xChange);
        } else {
            // Several changes in one column: a busy block over the column, joined to the
            // block of the column before if there is one.
            steady(column);
            value = changes.values[next - 1];
            const double x0 = std::max(column, x);
            const double x1 = std::min(column + 1, xEnd);
            if (!spans->empty() && spans->back().busy && spans->back().x1 >= x0) {
                spans->back().x1 = x1;
                spans->back().value = value;
            } else {
                spans->push_back(TraceSpan{x0, x1, value, true});
            }
            x = x1;
        }
        i = next;
    }
    steady(xEnd);
}

// ---------------------------------------------------------------- CSV

QByteArray RelayTimeSecondsText(RelayTime time)
{
    const bool negative = time < 0;
    const std::uint64_t magnitude = negative ? std::uint64_t(-(time + 1)) + 1 : std::uint64_t(time);
    const std::uint64_t whole = magnitude / RELAY_TIME_PER_SECOND;
    std::uint64_t fraction = magnitude % RELAY_TIME_PER_SECOND;
    QByteArray text = negative ? QByteArray("-") : QByteArray();
    text += QByteArray::number(qulonglong(whole));
    if (fraction != 0) {
        QByteArray digits = QByteArray::number(qulonglong(fraction)).rightJustified(9, '0');
        while (digits.endsWith('0'))
            digits.chop(1);
        text += '.' + digits;
    }
    return text;
}

QByteArray TimelineCsv(const CTimelineTrace& trace)
{
    const int channels = trace.GetChannelCount();
    QByteArray csv = "time_s";
    for (const char* name : {"input", "relay", "step"})
        for (int c = 1; c <= channels; ++c)
            csv += ',' + QByteArray(name) + QByteArray::number(c);
    csv += '\n';
    csv.reserve(csv.size() + qsizetype(trace.RowCount()) * (channels == 1 ? 16 : 24));
    for (std::size_t row = 0; row < trace.RowCount(); ++row) {
        const RelayStatus& state = trace.RowState(row);
        csv += RelayTimeSecondsText(trace.RowTime(row));
        for (int c = 0; c < channels; ++c)
            csv += ',' + QByteArray::number(state.inputs[std::size_t(c)]);
        for (int c = 0; c < channels; ++c)
            csv += ',' + QByteArray::number(state.outputs[std::size_t(c)]);
        for (int c = 0; c < channels; ++c)
            csv += ',' + QByteArray::number(state.steps[std::size_t(c)]);
        csv += '\n';
    }
    return csv;
}
