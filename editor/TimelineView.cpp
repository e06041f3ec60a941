#include "TimelineView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Zoom per wheel notch.
constexpr double WHEEL_ZOOM = 1.25;

} // namespace

CTimelineView::CTimelineView(const CTimelinePainter& painter, QWidget* parent)
    : QAbstractScrollArea(parent), m_painter(painter)
{
    setObjectName(QStringLiteral("timelineView"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::CrossCursor);
    UpdateAxisWidth();
    UpdateScrollBar();
}

int CTimelineView::Channels() const
{
    return m_trace ? m_trace->GetChannelCount() : m_channels;
}

void CTimelineView::SetChannels(int channels)
{
    if (channels == m_channels)
        return;
    m_channels = channels;
    if (!m_trace) {
        updateGeometry();
        UpdateAxisWidth();
        AxisChanged();
    }
}

void CTimelineView::TextsChanged()
{
    updateGeometry();
    UpdateAxisWidth();
    AxisChanged();
}

double CTimelineView::LanesLeft() const
{
    return m_painter.HeaderWidth(Channels(), font());
}

void CTimelineView::UpdateAxisWidth()
{
    m_axis.SetWidth(viewport()->width() - LanesLeft());
}

void CTimelineView::AxisChanged()
{
    UpdateScrollBar();
    viewport()->update();
}

void CTimelineView::SetExpectations(std::shared_ptr<const std::vector<TimelineExpectationMark>> marks)
{
    m_expectations = std::move(marks);
    viewport()->update();
}

TimelinePaintParams CTimelineView::Params(const QRectF& rect) const
{
    TimelinePaintParams params;
    params.rect = rect;
    params.axis = m_axis;
    params.cursor = m_cursor;
    params.marker = m_marker;
    params.expectations = m_expectations;
    params.font = font();
    // Lanes share the height the view has beyond its ruler, up to half as tall again as the
    // font's, so that a diagram docked with room to spare fills it.
    const double fontLane = m_painter.LaneHeight(params.font);
    const double room = (rect.height() - m_painter.RulerHeight(params.font)) / (3 * Channels());
    params.laneHeight = std::clamp(std::floor(room), fontLane, std::ceil(fontLane * 1.5));
    return params;
}

QSize CTimelineView::sizeHint() const
{
    const int height = int(std::ceil(m_painter.DiagramHeight(Channels(), font()))) + horizontalScrollBar()->sizeHint().height()
                       + 2 * frameWidth() + 1;
    return QSize(640, height);
}

QSize CTimelineView::minimumSizeHint() const
{
    return QSize(200, sizeHint().height());
}

void CTimelineView::SetTrace(std::shared_ptr<const CTimelineTrace> trace, bool fit)
{
    const bool channelsChanged = !m_trace || !trace || trace->GetChannelCount() != m_trace->GetChannelCount();
    m_trace = std::move(trace);
    if (channelsChanged) {
        updateGeometry();
        UpdateAxisWidth();
    }
    m_axis.SetTrace(m_trace ? m_trace->KnownUntil() : 0, m_trace ? m_trace->LastChange() : 0);
    if (fit && m_trace)
        m_axis.Fit(m_trace->LastChange());
    AxisChanged();
}

void CTimelineView::ZoomToFit(RelayTime end)
{
    m_axis.Fit(end);
    AxisChanged();
}

void CTimelineView::ZoomAt(double factor, double x)
{
    m_axis.ZoomAt(factor, x - LanesLeft());
    AxisChanged();
}

void CTimelineView::SetView(RelayTime offset, double scale)
{
    m_axis.SetView(offset, scale);
    AxisChanged();
}

void CTimelineView::SetMarker(RelayTime time)
{
    if (time == m_marker)
        return;
    m_marker = time;
    viewport()->update();
}

void CTimelineView::UpdateScrollBar()
{
    const RelayTime low = m_axis.LowestOffset();
    const RelayTime high = m_axis.HighestOffset();
    // A hundred scroll units per page, whatever the zoom.
    m_scrollUnit = std::max(1.0, double(m_axis.Visible()) / 100);
    m_updatingScrollBar = true;
    QScrollBar* bar = horizontalScrollBar();
    bar->setRange(0, int(std::min(double(INT_MAX / 2), std::ceil(double(high - low) / m_scrollUnit))));
    bar->setPageStep(100);
    bar->setSingleStep(10);
    bar->setValue(int(std::llround(double(m_axis.Offset() - low) / m_scrollUnit)));
    m_updatingScrollBar = false;
}

void CTimelineView::scrollContentsBy(int, int)
{
    if (m_updatingScrollBar)
        return;
    m_axis.ScrollTo(m_axis.LowestOffset() + RelayTime(horizontalScrollBar()->value() * m_scrollUnit));
    viewport()->update();
}

void CTimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!m_trace) {
        painter.fillRect(viewport()->rect(), palette().base());
        return;
    }
    m_painter.Paint(painter, Params(viewport()->rect()), *m_trace);
}

void CTimelineView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateAxisWidth();
    UpdateScrollBar();
}

void CTimelineView::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const bool scroll = (event->modifiers() & Qt::ShiftModifier) || std::abs(delta.x()) > std::abs(delta.y());
    if (scroll) {
        const int notches = std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : delta.y();
        m_axis.ScrollByPixels(-notches / 120.0 * m_axis.Width() / 10);
        AxisChanged();
    } else if (delta.y() != 0) {
        ZoomAt(std::pow(WHEEL_ZOOM, delta.y() / 120.0), event->position().x());
    }
    SetCursorFromX(event->position().x());
    event->accept();
}

void CTimelineView::SetCursorFromX(double x)
{
    const double left = LanesLeft();
    const RelayTime time = x >= left ? m_axis.TimeAt(x - left) : -1;
    if (time == m_cursor)
        return;
    m_cursor = time;
    viewport()->update();
    Q_EMIT cursorMoved(time);
}

void CTimelineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragX = event->position().x();
        m_dragOffset = m_axis.Offset();
        viewport()->setCursor(Qt::ClosedHandCursor);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CTimelineView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        m_axis.ScrollTo(m_dragOffset - RelayTime((event->position().x() - m_dragX) * m_axis.Scale()));
        UpdateScrollBar();
    }
    SetCursorFromX(event->position().x());
}

void CTimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        viewport()->setCursor(Qt::CrossCursor);
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CTimelineView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_trace)
        ZoomToFit(m_trace->LastChange());
}

void CTimelineView::leaveEvent(QEvent* event)
{
    QAbstractScrollArea::leaveEvent(event);
    if (m_cursor >= 0) {
        m_cursor = -1;
        viewport()->update();
        Q_EMIT cursorMoved(-1);
    }
}

void CTimelineView::keyPressEvent(QKeyEvent* event)
{
    const double middle = LanesLeft() + m_axis.Width() / 2;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: ZoomAt(2.0, middle); break;
    case Qt::Key_Minus: ZoomAt(0.5, middle); break;
    case Qt::Key_Home:
        if (m_trace)
            ZoomToFit(m_trace->LastChange());
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_axis.ScrollByPixels((event->key() == Qt::Key_Left ? -1 : 1) * m_axis.Width() / 10);
        AxisChanged();
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
}

