// Cost of one simulation tick in the window: the engine's step, the document and the relay
// pictures updated, and the program views repainted at once (synchronously), for each model
// at the window's default size. Prints milliseconds per tick, CPU time of the interface
// thread (the work is single-threaded) with the wall-clock time beside it, as the median of
// several batches. The same for a refresh of the simulation in relay time (at 60 times, every
// 50 ms). The last line gives the worst CPU figure of a tick (target: under 1 ms).
//
//   bench_tick (runs offscreen unless a platform is chosen)

#include "Fields.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "QuorvexView.h"
#include "RelayPane.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int BATCHES = 7;
constexpr int TICKS_PER_BATCH = 100;

double ThreadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Figures {
    double cpu;
    double wall;
};

// One tick of the compressed simulation, or one refresh of the simulation in relay time.
Figures Measure(CRelayPane& pane, bool relayTime)
{
    std::vector<double> cpu;
    std::vector<double> wall;
    for (int batch = 0; batch < BATCHES; ++batch) {
        QElapsedTimer clock;
        clock.start();
        const double start = ThreadMilliseconds();
        for (int tick = 0; tick < TICKS_PER_BATCH; ++tick) {
            if (relayTime)
                pane.OnSimulationTimer();
            else
                pane.SimulationTick(0);
            for (int channel = 0; channel < pane.GetViewCount(); ++channel)
                pane.View(channel)->viewport()->repaint();
        }
        cpu.push_back((ThreadMilliseconds() - start) / TICKS_PER_BATCH);
        wall.push_back(clock.nsecsElapsed() / 1e6 / TICKS_PER_BATCH);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return {cpu[BATCHES / 2], wall[BATCHES / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    manager.ScanModules();
    manager.SelectLanguageByLcid(Language::LCID_ENGLISH);

    double worst = 0.0;
    double refreshWorst = 0.0;
    for (int model : {1, 2}) {
        std::unique_ptr<CRelayPane> pane(CreateRelayPane(model));
        const PaneSizing sizing = pane->CreatePaneWindow();
        pane->resize(sizing.stripWidth, sizing.readableHeight);
        pane->show();
        app.processEvents();
        pane->ToggleSimulationMode();
        const Figures figures = Measure(*pane, false);
        worst = std::max(worst, figures.cpu);
        std::printf("%s %dx%d: %.3f ms CPU per tick (%.3f ms wall)\n",
                    model == 1 ? "QVR_K115_ZQX" : "QVS_K115_318", pane->width(), pane->height(), figures.cpu,
                    figures.wall);

        // Relay time at 60 times, on a clock that moves a refresh period (3 s of relay time)
        // per refresh, with a program that runs for ever: its last state change jumps back.
        CQuorvexDoc& doc = *pane->GetDocument();
        std::unique_ptr<CQuorvexFieldSet> fields = doc.CreateFieldSet();
        for (int channel = 0; channel < doc.GetChannelCount(); ++channel)
            static_cast<CQuorvexFIELDStateChange*>(fields->Bind(&doc, channel, 35))->SetJump(1);
        std::int64_t clock = 0;
        pane->SetSimulationClock([&clock] { return clock += std::int64_t(REAL_TIME_PERIOD_MS) * 1'000'000; });
        pane->SetSimulationSpeed(60);
        pane->StopSimulation();
        pane->ResetSimulation();
        pane->StartSimulation();
        const Figures refresh = Measure(*pane, true);
        pane->StopSimulation();
        refreshWorst = std::max(refreshWorst, refresh.cpu);
        std::printf("%s %dx%d: %.3f ms CPU per relay-time refresh (%.3f ms wall)\n",
                    model == 1 ? "QVR_K115_ZQX" : "QVS_K115_318", pane->width(), pane->height(), refresh.cpu,
                    refresh.wall);
    }
    std::printf("relay time: worst %.2f ms per refresh with repaint\n", refreshWorst);
    std::printf("tick: worst %.2f ms per simulation tick with repaint\n", worst);
    return 0;
}
