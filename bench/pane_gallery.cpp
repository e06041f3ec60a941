// Pictures of both relay panes at their sizing, mid-simulation, in every shipped language:
// pane_gallery [FOLDER] writes pane_<model>_<lcid>.png (default folder /tmp). A tool for
// looking at the layout, not a test.

#include "LanguageManager.h"
#include "RelayPane.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    manager.ScanModules();
    for (const Language::LanguageEntry& entry : manager.Entries()) {
        manager.SelectLanguageByLcid(entry.lcid);
        for (int model : {1, 2}) {
            std::unique_ptr<CRelayPane> pane(CreateRelayPane(model));
            const PaneSizing sizing = pane->CreatePaneWindow();
            // Roughly the client area of the main window at its minimum width.
            pane->resize(sizing.stripWidth, int(sizing.stripWidth * sizing.ratio) - 90);
            pane->show();
            pane->SelectStep(4, 0);
            pane->ToggleSimulationMode();
            for (int tick = 0; tick < 9; ++tick)
                pane->SimulationTick(0);
            app.processEvents();
            const QString path = QStringLiteral("%1/pane_%2_%3.png").arg(folder).arg(model).arg(entry.lcid);
            pane->grab().save(path);
            std::printf("%s: strip %d px, pane %dx%d\n", qPrintable(path), sizing.stripWidth, pane->width(),
                        pane->height());
        }
    }
    return 0;
}
