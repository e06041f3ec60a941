#pragma once
// Painting of the timing diagram: a ruler of time at the top, then one lane per input, relay
// and channel step, with their names in a column at the left, drawn as a logic analyser
// draws its traces. The painter holds no widget state: every paint gets one value object
// (where, which stretch of time at which scale, cursor and marker) and the trace, so the
// panel, an exported picture and a test image share it. A lane is drawn from the trace's
// reduction to the pixel width, never change by change.

#include "LanguageSupport.h"
#include "TimeAxis.h"
#include "TimelineTrace.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

class QPainter;

// An expectation of a scenario on its lane, green where it holds and red where it fails: a
// moment (from == to: a state or a step at that time; from < to: a switch within a tolerance),
// or a span over which a relay must not switch.
struct TimelineExpectationMark {
    LaneId lane;
    RelayTime from = 0;
    RelayTime to = 0;
    bool span = false;
    bool holds = false;
};

// What one paint of the diagram depends on besides the trace.
struct TimelinePaintParams {
    QRectF rect;    // the whole diagram: ruler on top, lanes below, their names at the left
    CTimeAxis axis; // the stretch of relay time the lanes show, from their left edge
    RelayTime cursor = -1; // a vertical line with the time and the lanes' values there; negative: none
    RelayTime marker = -1; // the on-screen simulation's position; negative: none
    QFont font;
    double laneHeight = 0; // taller lanes than the font's (a view with room to spare); 0: the font's
    // A loaded scenario's expectations as the run judged them (null: none).
    std::shared_ptr<const std::vector<TimelineExpectationMark>> expectations;
};

class CTimelinePainter : public Language::CLanguageSupport {
public:
    CTimelinePainter();

    // Re-reads the lane names, value words and time formats; a new painter shows none until
    // it is called.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // Geometry of a diagram for a number of channels (1 or 2) and a font.
    double RulerHeight(const QFont& font) const;
    double LaneHeight(const QFont& font) const;
    double HeaderWidth(int channels, const QFont& font) const;
    // Height of ruler and lanes together.
    double DiagramHeight(int channels, const QFont& font) const;
    // Left edge of the lanes: where params.axis counts its pixel columns from.
    double LanesLeft(const TimelinePaintParams& params, int channels) const;
    // The height of a lane as params lays it out: at least the font's.
    double LaneHeight(const TimelinePaintParams& params) const;
    // The lane (index as CTimelineTrace::Lane) a point lies in, or -1.
    int LaneAt(double y, const TimelinePaintParams& params, int channels) const;

    // Paints the diagram of the trace into params.rect. The painter's state is left as it was.
    void Paint(QPainter& painter, const TimelinePaintParams& params, const CTimelineTrace& trace) const;

    // Texts the diagram shows.
    QString LaneName(const LaneId& lane, int channels) const;
    QString ValueText(const LaneId& lane, int value) const;
    // A time in the unit that suits a step between ruler ticks: ms below 0.1 s, s below a
    // minute, min below an hour, h above.
    QString TimeText(RelayTime time, RelayTime tickStep) const;
    // The step between labelled ruler ticks at a scale: the smallest of 1, 2, 5 ms ... 1000 h
    // that leaves at least minPixels between ticks.
    static RelayTime TickStep(double scale, double minPixels);

    // Colours of the lanes (for the panel's legend and tests).
    static QColor LaneColour(LaneKind kind);
    // Colours of an expectation that holds and of one that fails.
    static QColor ExpectationColour(bool holds);

private:
    void PaintRuler(QPainter& painter, const TimelinePaintParams& params, const QRectF& ruler,
                    const QRectF& lanes) const;
    void PaintLane(QPainter& painter, const TimelinePaintParams& params, const CTimelineTrace& trace, int lane,
                   const QRectF& area) const;
    void PaintExpectations(QPainter& painter, const TimelinePaintParams& params, const CTimelineTrace& trace,
                           const QRectF& lanesArea) const;

    QString m_inputFormat;
    QString m_relayFormat;
    QString m_stepName;
    QString m_channelStepFormat;
    QString m_on;
    QString m_off;
    QString m_unitFormats[4]; // ms, s, min, h
    QString m_simulation;
    QString m_decimalPoint = QStringLiteral(".");
};
