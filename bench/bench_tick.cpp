// Cost of one simulation tick in the window: the engine's step, the document and the relay
// pictures updated, and the program views repainted at once (synchronously), for each model
// at the window's default size. Prints milliseconds per tick, CPU time of the interface
// thread (the work is single-threaded) with the wall-clock time beside it, as the median of
// several batches. The last line gives the worst CPU figure (target: under 1 ms).
//
//   bench_tick (runs offscreen unless a platform is chosen)

#include "LanguageManager.h"
#include "QuorvexView.h"
#include "RelayPanes.h"

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

Figures MeasureTicks(CRelayPane& pane)
{
    std::vector<double> cpu;
    std::vector<double> wall;
    for (int batch = 0; batch < BATCHES; ++batch) {
        QElapsedTimer clock;
        clock.start();
        const double start = ThreadMilliseconds();
        for (int tick = 0; tick < TICKS_PER_BATCH; ++tick) {
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
    for (int model : {1, 2}) {
        std::unique_ptr<CRelayPane> pane(static_cast<CRelayPane*>(CreateRelayPane(model)));
        const PaneSizing sizing = pane->CreatePaneWindow();
        pane->resize(sizing.stripWidth, sizing.readableHeight);
        pane->show();
        app.processEvents();
        pane->ToggleSimulationMode();
        const Figures figures = MeasureTicks(*pane);
        worst = std::max(worst, figures.cpu);
        std::printf("%s %dx%d: %.3f ms CPU per tick (%.3f ms wall)\n",
                    model == 1 ? "QVR_K115_ZQX" : "QVS_K115_318", pane->width(), pane->height(), figures.cpu,
                    figures.wall);
    }
    std::printf("tick: worst %.2f ms per simulation tick with repaint\n", worst);
    return 0;
}
