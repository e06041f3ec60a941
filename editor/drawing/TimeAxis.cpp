#include "TimeAxis.h"

#include <algorithm>
#include <cmath>

RelayTime CTimeAxis::TimeAt(double x) const
{
    return m_offset + RelayTime(std::llround(x * m_scale));
}

void CTimeAxis::SetWidth(double pixels)
{
    m_width = std::max(1.0, pixels);
    if (IsFitted())
        Fit(m_fitEnd);
    else
        Clamp();
}

void CTimeAxis::SetTrace(RelayTime knownUntil, RelayTime lastChange)
{
    m_knownUntil = std::max<RelayTime>(knownUntil, 0);
    m_lastChange = std::max<RelayTime>(lastChange, 0);
    Clamp();
}

RelayTime CTimeAxis::ScrollEnd() const
{
    return std::max(m_knownUntil, m_lastChange);
}

RelayTime CTimeAxis::LowestOffset() const
{
    return -Visible() / 20;
}

RelayTime CTimeAxis::HighestOffset() const
{
    const RelayTime visible = Visible();
    return std::max(LowestOffset(), ScrollEnd() + visible / 20 - visible);
}

void CTimeAxis::Fit(RelayTime end)
{
    m_fitEnd = end;
    end = std::max(end, MIN_FIT);
    if (m_knownUntil > 0)
        end = std::min(end, std::max(m_knownUntil, MIN_FIT));
    // A little room at both ends, so that the first and the last change stand clear.
    m_scale = double(end) * 1.08 / m_width;
    m_offset = -RelayTime(double(end) * 0.03);
    Clamp();
}

void CTimeAxis::SetView(RelayTime offset, double scale)
{
    m_fitEnd = -1;
    m_offset = offset;
    m_scale = scale;
    Clamp();
}

void CTimeAxis::ScrollTo(RelayTime offset)
{
    m_fitEnd = -1;
    m_offset = offset;
    Clamp();
}

void CTimeAxis::ScrollByPixels(double pixels)
{
    ScrollTo(m_offset + RelayTime(pixels * m_scale));
}

void CTimeAxis::ZoomAt(double factor, double x)
{
    if (!(factor > 0))
        return;
    x = std::max(0.0, x);
    const RelayTime anchor = TimeAt(x);
    m_fitEnd = -1;
    m_scale /= factor;
    Clamp();
    m_offset = anchor - RelayTime(std::llround(x * m_scale));
    Clamp();
}

void CTimeAxis::Clamp()
{
    const double widest = double(std::max(ScrollEnd(), MIN_WIDEST)) * 1.5 / m_width;
    if (!(m_scale > 0))
        m_scale = MIN_SCALE;
    m_scale = std::clamp(m_scale, MIN_SCALE, std::max(MIN_SCALE, widest));
    m_offset = std::clamp(m_offset, LowestOffset(), HighestOffset());
}
