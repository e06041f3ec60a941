#pragma once
// The time axis of the timing diagram: which stretch of relay time its lanes show and at which
// scale, how far it may scroll and zoom, and the pixel column of a time and back. One value
// serves the view that the user scrolls and zooms and the painter that draws its stretch (on
// the screen, into an exported picture or a test image), so that both map time to pixels the
// same way. Pixel columns x count from the left edge of the lanes.

#include "TimelineTrace.h"

class CTimeAxis {
public:
    // Zoom limits: a microsecond per pixel at the finest ...
    static constexpr double MIN_SCALE = 1000.0;
    // ... and, at the widest, half as much again as the longer of the trace and this.
    static constexpr RelayTime MIN_WIDEST = 10 * RELAY_TIME_PER_SECOND;
    // A fit shows at least this much.
    static constexpr RelayTime MIN_FIT = RELAY_TIME_PER_SECOND;

    CTimeAxis() = default;
    // A stretch as it is, without limits: the time at the left edge and the time per pixel.
    CTimeAxis(RelayTime offset, double scale) : m_offset(offset), m_scale(scale) {}

    RelayTime Offset() const { return m_offset; }
    double Scale() const { return m_scale; }
    // Width of the lanes in pixels.
    double Width() const { return m_width; }
    // The stretch the lanes show, and its end.
    RelayTime Visible() const { return RelayTime(m_width * m_scale); }
    RelayTime VisibleEnd() const { return m_offset + Visible(); }

    // The time at a pixel column (nearest nanosecond) and the column of a time.
    RelayTime TimeAt(double x) const;
    double XOf(RelayTime time) const { return double(time - m_offset) / m_scale; }

    // What bounds the axis: the lanes' width (at least a pixel), and the trace shown: the time
    // it is known up to (0: not known) and its last change. Each keeps a fit (refitted to the
    // new width) or else keeps the stretch within the limits.
    void SetWidth(double pixels);
    void SetTrace(RelayTime knownUntil, RelayTime lastChange);
    // The last time worth scrolling to: the later of the known end and the last change.
    RelayTime ScrollEnd() const;
    // The range of offsets the user can scroll through: from a twentieth of the visible
    // stretch before 0 to as much after the scroll end.
    RelayTime LowestOffset() const;
    RelayTime HighestOffset() const;

    // Shows 0 to `end` (at least MIN_FIT, at most the known end of the trace) with a little room
    // at both ends. The fit is kept (refitted when the width changes) until the user zooms or
    // scrolls.
    void Fit(RelayTime end);
    bool IsFitted() const { return m_fitEnd >= 0; }
    RelayTime FitEnd() const { return m_fitEnd; }

    // What the user does; each leaves the fit and keeps within the limits.
    void SetView(RelayTime offset, double scale);
    void ScrollTo(RelayTime offset);
    void ScrollByPixels(double pixels);
    // Zooms by a factor (above 1 zooms in) and keeps the time at pixel column x where it is.
    void ZoomAt(double factor, double x);

private:
    void Clamp();

    RelayTime m_offset = 0;
    double m_scale = 1e7;
    double m_width = 1.0;
    RelayTime m_knownUntil = 0;
    RelayTime m_lastChange = 0;
    RelayTime m_fitEnd = -1; // the end of the fit shown; -1 once zoomed or scrolled
};
