// Timing diagram figures:
//   - computing 100 hours of relay time for a two-channel program that loops through a 1 s
//     time step in each channel (ComputeTimeline, the panel's and quorvexctl's computation);
//   - redrawing the visible part of a trace with over a million changes (two channels
//     toggling their relays every 0.5 s and 0.625 s for 100 hours) at the panel's size,
//     zoomed out to the whole trace, to an hour, to a minute and to a second.
// Each figure is the median of several runs. The last line sums them up:
//   timeline: X ms for 100 h, redraw Y ms        (Y: the slowest zoom's median)

#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "Timeline.h"
#include "TimelinePainter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each channel: steps 1 to 3 take no time, step 4 is a time step, step 5 toggles the
// channel's relay and jumps back to step 1.
std::vector<std::uint8_t> LoopingProgram(int mantissa0, int mantissa1)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVS_K115_318);
    doc->ResetProgram(0);
    const auto fields = doc->CreateFieldSet();
    for (int channel = 0; channel < 2; ++channel) {
        auto* time = static_cast<CQuorvexFIELDTime*>(fields->Bind(doc.get(), channel, 4));
        time->SetTimeUnit(0);
        time->SetTimeValue(channel == 0 ? mantissa0 : mantissa1);
        auto* change = static_cast<CQuorvexFIELDStateChange*>(fields->Bind(doc.get(), channel, 5));
        change->SetRelayOperation(channel, RELAY_OP_TOGGLE);
        change->SetJump(1);
    }
    return std::vector<std::uint8_t>(doc->GetData(), doc->GetData() + doc->GetDataSize());
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    manager.ScanModules();
    manager.SelectLanguageByLcid(Language::LCID_ENGLISH);

    constexpr RelayTime HOURS_100 = 100 * 3600 * RELAY_TIME_PER_SECOND;
    TimelineScript script;
    script.until = HOURS_100;

    // Computing: 1 s loops in both channels.
    const std::vector<std::uint8_t> second = LoopingProgram(128, 128);
    std::vector<double> computeMs;
    std::size_t rows = 0;
    for (int run = 0; run < 5; ++run) {
        CTimelineTrace trace(2);
        const auto begin = Clock::now();
        ComputeTimeline(MODEL_QVS_K115_318, second.data(), int(second.size()), script, &trace);
        computeMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        rows = trace.RowCount();
    }
    const double compute = Median(computeMs);
    std::printf("compute: 100 h of a two-channel 1 s loop: %zu rows, %.1f ms (median of %zu)\n", rows, compute,
                computeMs.size());

    // Redrawing: a trace of over a million changes.
    const std::vector<std::uint8_t> fast = LoopingProgram(64, 80);
    CTimelineTrace trace(2);
    ComputeTimeline(MODEL_QVS_K115_318, fast.data(), int(fast.size()), script, &trace);
    std::size_t changes = 0;
    for (int lane = 0; lane < trace.LaneCount(); ++lane)
        changes += trace.LaneChangeCount(lane);
    std::printf("trace: %zu rows, %zu lane changes\n", trace.RowCount(), changes);

    CTimelinePainter painter;
    painter.OnLanguageChanged(manager);
    QImage image(1600, 260, QImage::Format_ARGB32_Premultiplied);
    TimelinePaintParams params;
    params.rect = QRectF(0, 0, image.width(), image.height());
    params.font = QGuiApplication::font();
    const double lanesWidth = image.width() - painter.HeaderWidth(2, params.font);
    struct Zoom {
        const char* name;
        RelayTime span;
    };
    const Zoom zooms[] = {{"whole 100 h", HOURS_100}, {"one hour", 3600 * RELAY_TIME_PER_SECOND},
                          {"one minute", 60 * RELAY_TIME_PER_SECOND}, {"one second", RELAY_TIME_PER_SECOND}};
    double slowest = 0;
    for (const Zoom& zoom : zooms) {
        params.axis = CTimeAxis((HOURS_100 - zoom.span) / 2, double(zoom.span) / lanesWidth);
        params.cursor = params.axis.Offset() + zoom.span / 3;
        std::vector<double> ms;
        for (int run = 0; run < 15; ++run) {
            const auto begin = Clock::now();
            QPainter p(&image);
            painter.Paint(p, params, trace);
            p.end();
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        }
        const double median = Median(ms);
        slowest = std::max(slowest, median);
        std::printf("redraw %-12s %6.2f ms (median of %zu, %dx%d)\n", zoom.name, median, ms.size(), image.width(),
                    image.height());
    }
    std::printf("timeline: %.0f ms for 100 h, redraw %.1f ms\n", compute, slowest);
    return 0;
}
