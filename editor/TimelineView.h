#pragma once
// The timing diagram's picture in the panel: the trace drawn by the panel's painter over the
// stretch of its time axis, scrolled, zoomed and fitted by the user, with a cursor that
// follows the mouse and the simulation's marker.

#include "TimeAxis.h"
#include "TimelinePainter.h"

#include <QAbstractScrollArea>

#include <memory>

// The diagram itself: scrolls and zooms with the wheel, follows the mouse with a cursor.
class CTimelineView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CTimelineView(const CTimelinePainter& painter, QWidget* parent = nullptr);

    // The trace shown (null: none). The zoom stays unless `fit`.
    void SetTrace(std::shared_ptr<const CTimelineTrace> trace, bool fit);
    const CTimelineTrace* Trace() const { return m_trace.get(); }
    // Shows the time from 0 to `end` (at least a second).
    void ZoomToFit(RelayTime end);
    // Zooms by a factor (above 1 zooms in) around the pixel column x of the viewport.
    void ZoomAt(double factor, double x);
    // The stretch shown: time at the left edge of the lanes and time per pixel.
    void SetView(RelayTime offset, double scale);
    // The stretch shown, its limits and the lanes' pixel columns (from LanesLeft).
    const CTimeAxis& Axis() const { return m_axis; }
    double LanesLeft() const;
    // The on-screen simulation's position; negative: none.
    void SetMarker(RelayTime time);
    // A scenario's expectations as judged on the trace shown (null: none).
    void SetExpectations(std::shared_ptr<const std::vector<TimelineExpectationMark>> marks);
    const std::vector<TimelineExpectationMark>* Expectations() const { return m_expectations.get(); }
    // The channels of the program shown, for the lanes while no trace is at hand.
    void SetChannels(int channels);
    // The lane names changed their width (a switch of language).
    void TextsChanged();
    RelayTime CursorTime() const { return m_cursor; }
    // What a paint of the viewport gets (also for exported pictures of the same stretch).
    TimelinePaintParams Params(const QRectF& rect) const;
    const CTimelinePainter& Painter() const { return m_painter; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The time under the mouse; negative when the mouse has left.
    void cursorMoved(qint64 time);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int Channels() const;
    // Gives the axis the lanes' width, the viewport's less the lane names.
    void UpdateAxisWidth();
    // Shows the axis as it now is: the scroll bar and the picture.
    void AxisChanged();
    void UpdateScrollBar();
    void SetCursorFromX(double x);

    const CTimelinePainter& m_painter;
    std::shared_ptr<const CTimelineTrace> m_trace;
    std::shared_ptr<const std::vector<TimelineExpectationMark>> m_expectations;
    CTimeAxis m_axis;
    RelayTime m_cursor = -1;
    RelayTime m_marker = -1;
    int m_channels = 1;
    double m_scrollUnit = 1.0; // relay time per scroll bar unit
    bool m_updatingScrollBar = false;
    bool m_dragging = false;
    double m_dragX = 0;
    RelayTime m_dragOffset = 0;
};
