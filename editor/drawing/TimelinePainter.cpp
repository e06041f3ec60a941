#include "TimelinePainter.h"

#include "LanguageManager.h"
#include "TextIds.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Language;

namespace {

const QColor BACKGROUND(255, 255, 255);
const QColor HEADER_BACKGROUND(243, 243, 243);
const QColor LANE_SHADE(249, 249, 249);
const QColor GRID(226, 226, 226);
const QColor RULER_TEXT(70, 70, 70);
const QColor OUTSIDE(232, 232, 232);     // before power-on and after the known end
const QColor CURSOR(40, 40, 40);
const QColor MARKER(25, 118, 210);
const QColor NOTE(230, 110, 0);
const QColor HOLDS(0, 150, 60);
const QColor FAILS(215, 20, 20);

// Steps between labelled ruler ticks, in nanoseconds.
constexpr RelayTime MS = RELAY_TIME_PER_SECOND / 1000;
constexpr RelayTime S = RELAY_TIME_PER_SECOND;
constexpr RelayTime MIN = 60 * S;
constexpr RelayTime H = 3600 * S;
constexpr RelayTime TICK_STEPS[] = {
    MS / 1000, 2 * MS / 1000, 5 * MS / 1000, 10 * MS / 1000, 20 * MS / 1000, 50 * MS / 1000,
    100 * MS / 1000, 200 * MS / 1000, 500 * MS / 1000,
    MS,        2 * MS,        5 * MS,        10 * MS,        20 * MS,        50 * MS,
    100 * MS,  200 * MS,      500 * MS,
    S,         2 * S,         5 * S,         10 * S,         15 * S,         30 * S,
    MIN,       2 * MIN,       5 * MIN,       10 * MIN,       15 * MIN,       30 * MIN,
    H,         2 * H,         5 * H,         10 * H,         20 * H,         50 * H,
    100 * H,   200 * H,       500 * H,       1000 * H,
};

QString Formatted(const QString& format, std::initializer_list<FormatArg> args, const QString& decimalPoint)
{
    return FormatText(reinterpret_cast<const char16_t*>(format.utf16()), args, decimalPoint);
}

} // namespace

CTimelinePainter::CTimelinePainter() = default;

void CTimelinePainter::OnLanguageChanged(CLanguageManager& manager)
{
    m_inputFormat = manager.Text(TEXT_TIMELINE_INPUT);
    m_relayFormat = manager.Text(TEXT_TIMELINE_RELAY);
    m_stepName = manager.Text(TEXT_TIMELINE_STEP);
    m_channelStepFormat = manager.Text(TEXT_TIMELINE_CHANNEL_STEP);
    m_on = manager.Text(TEXT_TIMELINE_ON);
    m_off = manager.Text(TEXT_TIMELINE_OFF);
    m_unitFormats[0] = manager.Text(TEXT_TIMELINE_MILLISECONDS);
    m_unitFormats[1] = manager.Text(TEXT_TIMELINE_SECONDS);
    m_unitFormats[2] = manager.Text(TEXT_TIMELINE_MINUTES);
    m_unitFormats[3] = manager.Text(TEXT_TIMELINE_HOURS);
    m_simulation = manager.Text(TEXT_TIMELINE_SIMULATION);
    m_decimalPoint = manager.DecimalPoint();
}

// ---------------------------------------------------------------- texts

QString CTimelinePainter::LaneName(const LaneId& lane, int channels) const
{
    switch (lane.kind) {
    case LaneKind::Input: return Formatted(m_inputFormat, {lane.index + 1}, m_decimalPoint);
    case LaneKind::Relay: return Formatted(m_relayFormat, {lane.index + 1}, m_decimalPoint);
    case LaneKind::Step:
        return channels == 1 ? m_stepName : Formatted(m_channelStepFormat, {lane.index + 1}, m_decimalPoint);
    }
    return QString();
}

QString CTimelinePainter::ValueText(const LaneId& lane, int value) const
{
    if (lane.kind == LaneKind::Step)
        return QString::number(value);
    return value ? m_on : m_off;
}

QString CTimelinePainter::TimeText(RelayTime time, RelayTime tickStep) const
{
    int unit = 3;
    double divisor = double(H);
    if (tickStep < 100 * MS) {
        unit = 0;
        divisor = double(MS);
    } else if (tickStep < MIN) {
        unit = 1;
        divisor = double(S);
    } else if (tickStep < H) {
        unit = 2;
        divisor = double(MIN);
    }
    return Formatted(m_unitFormats[unit], {double(time) / divisor}, m_decimalPoint);
}

RelayTime CTimelinePainter::TickStep(double scale, double minPixels)
{
    for (RelayTime step : TICK_STEPS)
        if (double(step) / scale >= minPixels)
            return step;
    return std::end(TICK_STEPS)[-1];
}

QColor CTimelinePainter::LaneColour(LaneKind kind)
{
    switch (kind) {
    case LaneKind::Input: return QColor(21, 101, 192);
    case LaneKind::Relay: return QColor(198, 40, 40);
    case LaneKind::Step: return QColor(46, 125, 50);
    }
    return Qt::black;
}

// ---------------------------------------------------------------- geometry

double CTimelinePainter::RulerHeight(const QFont& font) const
{
    return std::ceil(QFontMetricsF(font).height() * 1.5);
}

double CTimelinePainter::LaneHeight(const QFont& font) const
{
    return std::ceil(QFontMetricsF(font).height() * 1.7);
}

double CTimelinePainter::LaneHeight(const TimelinePaintParams& params) const
{
    return std::max(LaneHeight(params.font), params.laneHeight);
}

double CTimelinePainter::HeaderWidth(int channels, const QFont& font) const
{
    const QFontMetricsF metrics(font);
    double names = 0;
    double values = metrics.horizontalAdvance(QStringLiteral("88"));
    CTimelineTrace shape(channels);
    for (int lane = 0; lane < shape.LaneCount(); ++lane)
        names = std::max(names, metrics.horizontalAdvance(LaneName(shape.Lane(lane), channels)));
    values = std::max({values, metrics.horizontalAdvance(m_on), metrics.horizontalAdvance(m_off)});
    return std::ceil(names + values + 3 * metrics.averageCharWidth());
}

double CTimelinePainter::DiagramHeight(int channels, const QFont& font) const
{
    return RulerHeight(font) + 3 * channels * LaneHeight(font);
}

double CTimelinePainter::LanesLeft(const TimelinePaintParams& params, int channels) const
{
    return params.rect.left() + HeaderWidth(channels, params.font);
}

int CTimelinePainter::LaneAt(double y, const TimelinePaintParams& params, int channels) const
{
    const double top = params.rect.top() + RulerHeight(params.font);
    if (y < top)
        return -1;
    const int lane = int((y - top) / LaneHeight(params));
    return lane < 3 * channels ? lane : -1;
}

// ---------------------------------------------------------------- painting

void CTimelinePainter::Paint(QPainter& painter, const TimelinePaintParams& params, const CTimelineTrace& trace) const
{
    const CTimeAxis& axis = params.axis;
    if (params.rect.isEmpty() || !(axis.Scale() > 0))
        return;
    const int channels = trace.GetChannelCount();
    painter.save();
    painter.setFont(params.font);
    painter.setClipRect(params.rect);
    painter.fillRect(params.rect, BACKGROUND);

    const double rulerHeight = RulerHeight(params.font);
    const double laneHeight = LaneHeight(params);
    const double left = LanesLeft(params, channels);
    const QRectF lanesArea(left, params.rect.top() + rulerHeight, params.rect.right() - left,
                           3 * channels * laneHeight);
    const QRectF header(params.rect.left(), params.rect.top(), left - params.rect.left(), params.rect.height());
    painter.fillRect(header, HEADER_BACKGROUND);

    // Shade what the trace does not tell: before power-on and after its known end.
    painter.save();
    painter.setClipRect(QRectF(left, params.rect.top(), params.rect.right() - left, params.rect.height()));
    const double zeroX = left + axis.XOf(0);
    if (zeroX > left)
        painter.fillRect(QRectF(left, lanesArea.top(), zeroX - left, lanesArea.height()), OUTSIDE);
    const double endX = left + axis.XOf(trace.KnownUntil());
    if (endX < params.rect.right())
        painter.fillRect(QRectF(std::max(endX, left), lanesArea.top(), params.rect.right() - std::max(endX, left),
                                lanesArea.height()),
                         OUTSIDE);
    PaintRuler(painter, params, QRectF(left, params.rect.top(), lanesArea.width(), rulerHeight), lanesArea);
    painter.restore();

    // The state at the cursor, shown beside each lane's name.
    const std::ptrdiff_t cursorRow = params.cursor >= 0 ? trace.RowAt(params.cursor) : -1;
    const QFontMetricsF metrics(params.font);
    const double pad = metrics.averageCharWidth();
    for (int lane = 0; lane < trace.LaneCount(); ++lane) {
        const LaneId id = trace.Lane(lane);
        const QRectF row(params.rect.left(), lanesArea.top() + lane * laneHeight, params.rect.width(), laneHeight);
        const QRectF area(left, row.top(), lanesArea.width(), laneHeight);
        if (lane % 2)
            painter.fillRect(area, LANE_SHADE);
        painter.setPen(GRID);
        painter.drawLine(QPointF(params.rect.left(), row.bottom()), QPointF(params.rect.right(), row.bottom()));

        const QRectF name(params.rect.left() + pad, row.top(), header.width() - 2 * pad, laneHeight);
        painter.setPen(LaneColour(id.kind).darker(130));
        painter.drawText(name, Qt::AlignLeft | Qt::AlignVCenter, LaneName(id, channels));
        if (cursorRow >= 0 && params.cursor <= trace.KnownUntil()) {
            painter.setPen(Qt::black);
            painter.drawText(name, Qt::AlignRight | Qt::AlignVCenter,
                             ValueText(id, CTimelineTrace::LaneValue(id, trace.RowState(std::size_t(cursorRow)))));
        }

        painter.save();
        painter.setClipRect(area);
        PaintLane(painter, params, trace, lane, area);
        painter.restore();
    }
    painter.setPen(GRID.darker(115));
    painter.drawLine(QPointF(left, params.rect.top()), QPointF(left, lanesArea.bottom()));

    if (params.expectations)
        PaintExpectations(painter, params, trace, lanesArea);

    // Marks on the ruler: loops without time and the end of a cut trace.
    painter.setClipRect(QRectF(left, params.rect.top(), lanesArea.width(), params.rect.height()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(NOTE);
    double lastNoteX = -1e9;
    const double noteSize = std::max(4.0, rulerHeight / 4);
    for (const TraceNote& note : trace.Notes()) {
        const double x = left + axis.XOf(note.time);
        if (x < left - noteSize || x > params.rect.right() + noteSize || x - lastNoteX < 1)
            continue;
        lastNoteX = x;
        const double y = params.rect.top() + rulerHeight;
        const QPointF triangle[3] = {{x, y}, {x - noteSize, y - noteSize * 1.5}, {x + noteSize, y - noteSize * 1.5}};
        painter.drawPolygon(triangle, 3);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (params.marker >= 0) {
        const double x = std::round(left + axis.XOf(params.marker)) + 0.5;
        QPen pen(MARKER, 2, Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(QPointF(x, params.rect.top() + rulerHeight), QPointF(x, lanesArea.bottom()));
        const double width = metrics.horizontalAdvance(m_simulation) + 2 * pad;
        // In the ruler, where it hides no lane's value.
        double labelX = x + 3;
        if (labelX + width > params.rect.right())
            labelX = x - 3 - width;
        const QRectF label(labelX, params.rect.top() + 1, width, rulerHeight - 2);
        painter.fillRect(label, QColor(255, 255, 255, 220));
        painter.setPen(MARKER);
        painter.drawText(label, Qt::AlignCenter, m_simulation);
    }
    if (params.cursor >= 0) {
        const double x = std::round(left + axis.XOf(params.cursor)) + 0.5;
        painter.setPen(QPen(CURSOR, 1));
        painter.drawLine(QPointF(x, params.rect.top()), QPointF(x, lanesArea.bottom()));
        const RelayTime step = TickStep(axis.Scale(), 8 * metrics.averageCharWidth());
        const QString text = TimeText(params.cursor, std::max<RelayTime>(step / 10, 1));
        const double width = metrics.horizontalAdvance(text) + 2 * pad;
        double labelX = x + 3;
        if (labelX + width > params.rect.right())
            labelX = x - 3 - width;
        const QRectF label(labelX, params.rect.top() + 1, width, rulerHeight - 2);
        painter.fillRect(label, CURSOR);
        painter.setPen(Qt::white);
        painter.drawText(label, Qt::AlignCenter, text);
    }
    painter.restore();
}

void CTimelinePainter::PaintRuler(QPainter& painter, const TimelinePaintParams& params, const QRectF& ruler,
                                  const QRectF& lanes) const
{
    const CTimeAxis& axis = params.axis;
    const QFontMetricsF metrics(params.font);
    // Room for a label such as "12.5 min" between two ticks.
    const RelayTime step = TickStep(axis.Scale(), metrics.horizontalAdvance(TimeText(88888 * S, 0)) + 16);
    const RelayTime firstVisible = axis.Offset();
    const RelayTime lastVisible = axis.TimeAt(ruler.width());
    RelayTime tick = firstVisible >= 0 ? (firstVisible + step - 1) / step * step : -((-firstVisible) / step * step);
    painter.setPen(GRID.darker(120));
    painter.drawLine(ruler.bottomLeft(), ruler.bottomRight());
    for (; tick <= lastVisible; tick += step) {
        const double x = std::round(ruler.left() + axis.XOf(tick)) + 0.5;
        painter.setPen(GRID);
        painter.drawLine(QPointF(x, lanes.top()), QPointF(x, lanes.bottom()));
        painter.setPen(RULER_TEXT);
        painter.drawLine(QPointF(x, ruler.bottom() - ruler.height() / 4), QPointF(x, ruler.bottom()));
        if (tick < 0)
            continue;
        const QString text = TimeText(tick, step);
        painter.drawText(QRectF(x + 3, ruler.top(), double(step) / axis.Scale() - 6, ruler.height() * 0.8),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    // Minor ticks: a fifth of the step, where they stand apart.
    const RelayTime minor = step / 5;
    if (minor > 0 && double(minor) / axis.Scale() >= 4) {
        painter.setPen(RULER_TEXT);
        RelayTime t = firstVisible >= 0 ? (firstVisible + minor - 1) / minor * minor : -((-firstVisible) / minor * minor);
        for (; t <= lastVisible; t += minor) {
            if (t % step == 0)
                continue;
            const double x = std::round(ruler.left() + axis.XOf(t)) + 0.5;
            painter.drawLine(QPointF(x, ruler.bottom() - ruler.height() / 8), QPointF(x, ruler.bottom()));
        }
    }
}

void CTimelinePainter::PaintLane(QPainter& painter, const TimelinePaintParams& params, const CTimelineTrace& trace,
                                 int lane, const QRectF& area) const
{
    const int pixels = int(std::ceil(area.width()));
    std::vector<TraceSpan> spans;
    trace.Reduce(lane, params.axis.Offset(), params.axis.Scale(), pixels, &spans);
    if (spans.empty())
        return;
    const LaneId id = trace.Lane(lane);
    const QColor colour = LaneColour(id.kind);
    const double top = area.top() + std::max(3.0, area.height() * 0.18);
    const double bottom = area.bottom() - std::max(3.0, area.height() * 0.18);
    QColor fill = colour;
    fill.setAlpha(40);
    QColor busy = colour;
    busy.setAlpha(110);

    if (id.kind != LaneKind::Step) {
        // A signal: high for on, low for off, an edge at every change; a busy piece is a block.
        QPainterPath path;
        bool open = false;
        for (const TraceSpan& span : spans) {
            const double x0 = area.left() + span.x0;
            const double x1 = area.left() + span.x1;
            if (span.busy) {
                painter.fillRect(QRectF(x0, top, std::max(1.0, x1 - x0), bottom - top), busy);
                open = false;
                continue;
            }
            const double y = span.value ? top : bottom;
            if (span.value)
                painter.fillRect(QRectF(x0, top, x1 - x0, bottom - top), fill);
            if (open)
                path.lineTo(x0, y);
            else
                path.moveTo(x0, y);
            path.lineTo(x1, y);
            open = true;
        }
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        return;
    }

    // The steps: a bus with the step number in every piece wide enough to show it; each
    // change of step is a crossing.
    const QFontMetricsF metrics(params.font);
    const double middle = (top + bottom) / 2;
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const TraceSpan& span = spans[i];
        const double x0 = area.left() + span.x0;
        const double x1 = area.left() + span.x1;
        if (span.busy) {
            painter.fillRect(QRectF(x0, top, std::max(1.0, x1 - x0), bottom - top), busy);
            continue;
        }
        // Crossings only at changes, not where the lane is cut by the edges of the view.
        const bool changeLeft = i > 0 || span.x0 > 0.5;
        const bool changeRight = i + 1 < spans.size();
        const double slant = std::min(4.0, (x1 - x0) / 2);
        QPainterPath shape;
        shape.moveTo(x0 + (changeLeft ? slant : 0), top);
        shape.lineTo(x1 - (changeRight ? slant : 0), top);
        if (changeRight)
            shape.lineTo(x1, middle);
        shape.lineTo(x1 - (changeRight ? slant : 0), bottom);
        shape.lineTo(x0 + (changeLeft ? slant : 0), bottom);
        if (changeLeft)
            shape.lineTo(x0, middle);
        shape.closeSubpath();
        painter.setPen(QPen(colour, 1.2));
        painter.setBrush(fill);
        painter.drawPath(shape);
        const QString text = QString::number(span.value);
        const double textWidth = metrics.horizontalAdvance(text);
        if (x1 - x0 >= textWidth + 2 * slant + 4) {
            // Kept in view when the piece reaches past the lane's edges.
            const double visible0 = std::max(x0, area.left());
            const double visible1 = std::min(x1, area.right());
            double centre = (visible0 + visible1) / 2;
            centre = std::clamp(centre, x0 + slant + textWidth / 2 + 2, x1 - slant - textWidth / 2 - 2);
            painter.setPen(colour.darker(150));
            painter.drawText(QRectF(centre - textWidth / 2 - 1, top, textWidth + 2, bottom - top), Qt::AlignCenter,
                             text);
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

QColor CTimelinePainter::ExpectationColour(bool holds)
{
    return holds ? HOLDS : FAILS;
}

void CTimelinePainter::PaintExpectations(QPainter& painter, const TimelinePaintParams& params,
                                         const CTimelineTrace& trace, const QRectF& lanesArea) const
{
    const CTimeAxis& axis = params.axis;
    const double laneHeight = LaneHeight(params);
    const double left = lanesArea.left();
    painter.save();
    painter.setClipRect(lanesArea);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Failures last, so that one is never hidden under a mark that holds.
    for (const bool holds : {true, false}) {
        const QColor colour = ExpectationColour(holds);
        for (const TimelineExpectationMark& mark : *params.expectations) {
            if (mark.holds != holds)
                continue;
            int lane = -1;
            for (int i = 0; i < trace.LaneCount(); ++i)
                if (trace.Lane(i).kind == mark.lane.kind && trace.Lane(i).index == mark.lane.index)
                    lane = i;
            if (lane < 0)
                continue;
            const double top = lanesArea.top() + lane * laneHeight;
            const double x1 = left + axis.XOf(mark.from);
            const double x2 = left + axis.XOf(mark.to);
            if (x2 < left - 8 || x1 > lanesArea.right() + 8)
                continue;
            if (mark.span) {
                // A bar along the lane's foot from the span's start to its end, with ends.
                const double y = top + laneHeight - 3.5;
                painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::FlatCap));
                painter.drawLine(QPointF(x1, y), QPointF(std::max(x2, x1 + 1), y));
                painter.setPen(QPen(colour, 1.5));
                painter.drawLine(QPointF(x1, top + laneHeight * 0.45), QPointF(x1, top + laneHeight - 1));
                painter.drawLine(QPointF(x2, top + laneHeight * 0.45), QPointF(x2, top + laneHeight - 1));
                continue;
            }
            // A tolerance as a light band, the moment as a line with a diamond at the lane's top.
            if (x2 - x1 >= 1) {
                QColor band = colour;
                band.setAlpha(60);
                painter.fillRect(QRectF(x1, top + 1, x2 - x1, laneHeight - 2), band);
            }
            const double x = (x1 + x2) / 2;
            painter.setPen(QPen(colour, 1.5));
            painter.drawLine(QPointF(x, top + 1), QPointF(x, top + laneHeight - 1));
            const double d = std::max(3.0, laneHeight / 5);
            const QPointF diamond[4] = {{x, top + 1}, {x + d, top + 1 + d}, {x, top + 1 + 2 * d}, {x - d, top + 1 + d}};
            painter.setPen(QPen(colour.darker(140), 1));
            painter.setBrush(colour);
            painter.drawPolygon(diamond, 4);
            painter.setBrush(Qt::NoBrush);
        }
    }
    painter.restore();
}
