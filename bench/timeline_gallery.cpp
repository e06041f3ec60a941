// Pictures of the main window with the timing diagram docked below the pane, mid-simulation,
// for a program of each model with a few input changes: timeline_gallery [FOLDER] writes
// timeline_<model>_<lcid>.png for every shipped language in the Lang folder (default
// folder /tmp). A tool for looking at the layout, not a test.

#include "CommandIds.h"
#include "FrameDialogs.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "ProgramText.h"
#include "RelayPane.h"
#include "TimelinePanel.h"

#include <QApplication>
#include <QDockWidget>
#include <QMouseEvent>
#include <QPixmap>

#include <cstdio>

namespace {

// Answers the start-up question with one model.
class CGalleryDialogs final : public CFrameDialogs {
public:
    explicit CGalleryDialogs(int model) : m_model(model) {}
    int QueryModel(QWidget*, int, bool) override { return m_model; }

private:
    int m_model;
};

const char PULSE[] = R"({"model": "QVR_K115_ZQX", "steps": [
    {"step": 1, "relay operation": "off"},
    {"step": 2, "condition": "rising input 1"},
    {"step": 3, "relay operation": "on"},
    {"step": 4, "time": "fixed 1.5 s", "interrupt condition": "falling input 1", "jump": "step 1"},
    {"step": 5, "relay operation": "off", "jump": "step 1"}]})";
const char TWO[] = R"({"model": "QVS_K115_318", "steps": [
    {"channel": 1, "step": 5, "relay 1 operation": "toggle", "jump": "step 4"},
    {"channel": 2, "step": 2, "condition": "rising", "signal": "input 2"},
    {"channel": 2, "step": 3, "relay 2 operation": "on"},
    {"channel": 2, "step": 4, "time": "fixed 2.5 s"},
    {"channel": 2, "step": 5, "relay 2 operation": "off", "jump": "step 1"}]})";

constexpr RelayTime S = RELAY_TIME_PER_SECOND;

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    manager.ScanModules();
    const std::vector<Language::LanguageEntry> entries = manager.Entries();
    for (const Language::LanguageEntry& entry : entries) {
        const std::uint32_t lcid = entry.lcid;
        for (int model : {0, 1}) {
            manager.SelectLanguageByLcid(lcid);
            CMainFrame frame(std::make_unique<CGalleryDialogs>(model));
            if (!frame.Create())
                return 1;
            frame.show();
            for (int i = 0; i < 20 && !frame.ActivePane(); ++i)
                app.processEvents();
            for (int i = 0; i < int(manager.Entries().size()); ++i)
                if (manager.Entries()[std::size_t(i)].lcid == lcid)
                    frame.OnSelectLanguage(i);
            CRelayPane* pane = frame.ActivePane();
            if (!pane)
                return 1;
            const ProgramText::ImportResult program = ProgramText::Import(QByteArray(model == 0 ? PULSE : TWO));
            pane->ReplaceProgram(program.image.data(), int(program.image.size()), false);
            frame.Action(CommandIds::ID_VIEW_TIMELINE)->trigger();
            CTimelinePanel* panel = frame.TimelinePanel();
            if (model == 0)
                panel->Script().SetChanges({{1 * S, 0, 1}, {2 * S, 0, 0}, {4 * S, 0, 1}, {7 * S, 0, 0}});
            else
                panel->Script().SetChanges({{1 * S, 1, 1}, {2 * S, 1, 0}, {5 * S, 1, 1}, {6 * S, 0, 1}});
            panel->Script().SetUntil(12 * S);
            panel->WaitForComputation();
            panel->View()->ZoomToFit(12 * S);
            frame.Action(CommandIds::ID_TRANSMISSION_SIMULATIONMODE)->trigger();
            for (int tick = 0; tick < 14; ++tick)
                pane->SimulationTick(0);
            // The mouse over the diagram, two thirds along: the cursor reads time and states.
            QWidget* viewport = panel->View()->viewport();
            const QPointF at(viewport->width() * 2.0 / 3.0, viewport->height() / 2.0);
            QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &move);
            for (int i = 0; i < 10; ++i)
                app.processEvents();
            const QString path = QStringLiteral("%1/timeline_%2_%3.png").arg(folder).arg(model + 1).arg(lcid);
            frame.grab().save(path);
            std::printf("%s: window %dx%d\n", qPrintable(path), frame.width(), frame.height());
            // On a screen too low for both, the diagram floats below the window.
            if (frame.TimelineDock()->isFloating()) {
                const QString dockPath = QStringLiteral("%1/timeline_%2_%3_dock.png").arg(folder).arg(model + 1).arg(lcid);
                frame.TimelineDock()->grab().save(dockPath);
                std::printf("%s: floating diagram %dx%d\n", qPrintable(dockPath), frame.TimelineDock()->width(),
                            frame.TimelineDock()->height());
            }
            frame.close();
        }
    }
    return 0;
}
