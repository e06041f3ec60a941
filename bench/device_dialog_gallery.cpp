// Pictures of the relay's small dialogs and of the main window's menus in every shipped
// language, for looking at the layout: device_dialog_gallery [FOLDER] (default /tmp) writes
//   password_<lcid>.png, change_password_<lcid>.png, reset_password_<lcid>.png,
//   version_<lcid>.png, query_model_<lcid>.png  - the device dialogs at their default size;
//   compare_<model>_<lcid>.png  - the PC's program beside the relay's, with two differing
//                                 steps of a program of each model;
//   menu_<model>_<lcid>_<n>.png - the main window's n-th menu bar menu opened (not the
//                                 Device menu when it lists no relays);
//   menu_<model>_<lcid>_speed.png - the simulation speed submenu of the Relay menu.
// Each dialog is shown through its own exec() and grabbed once it is on screen. Run with
// QT_QPA_PLATFORM=offscreen. A tool for looking at the layout, not a test.

#include "ChangePasswordDlg.h"
#include "CompareProgramsDlg.h"
#include "DevicePasswordDlg.h"
#include "DeviceVersionDialog.h"
#include "Fields.h"
#include "FrameDialogs.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QueryDeviceTypeDlg.h"
#include "QuorvexDoc.h"
#include "ResetPasswordQueryDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Runs the dialog's own exec() and grabs it once it is shown, then ends it.
template <class Dialog>
void ExecAndGrab(Dialog& dialog, const QString& path)
{
    QTimer::singleShot(100, &dialog, [&dialog, path] {
        dialog.grab().save(path);
        std::printf("%s: %dx%d\n", qPrintable(path), dialog.width(), dialog.height());
        dialog.QDialog::done(0);
    });
    dialog.exec();
}

// Answers the start-up question with one model.
class CGalleryDialogs final : public CFrameDialogs {
public:
    explicit CGalleryDialogs(int model) : m_model(model) {}
    int QueryModel(QWidget*, int, bool) override { return m_model; }

private:
    int m_model;
};

// The relay's program: the default program with its first relay operation and first time
// changed.
void ChangeTwoSteps(CQuorvexDoc& doc)
{
    const auto fields = doc.CreateFieldSet();
    bool operation = false;
    bool time = false;
    for (int channel = 0; channel < doc.GetChannelCount(); ++channel)
        for (int index = 1; index < doc.GetFieldCount(); ++index) {
            CQuorvexFIELDBase* field = fields->Bind(&doc, channel, index);
            if (auto* change = dynamic_cast<CQuorvexFIELDStateChange*>(field); change && !operation) {
                change->SetRelayOperation(0, RELAY_OP_TOGGLE);
                operation = true;
            } else if (auto* delay = dynamic_cast<CQuorvexFIELDTime*>(field); delay && !time) {
                delay->SetTimeValue(192);
                time = true;
            }
        }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    Language::CLanguageManager& manager = Language::TheLanguageManager();
    manager.SetModuleFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/Lang"));
    manager.ScanModules();
    const std::vector<Language::LanguageEntry> entries = manager.Entries();
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const std::uint32_t lcid = entries[e].lcid;
        manager.SelectLanguageByLcid(lcid);
        const QString suffix = QStringLiteral("_%1.png").arg(lcid);
        {
            CDevicePasswordDlg dialog;
            dialog.m_szPassword = QStringLiteral("relay");
            ExecAndGrab(dialog, folder + QStringLiteral("/password") + suffix);
        }
        {
            CChangePasswordDlg dialog;
            ExecAndGrab(dialog, folder + QStringLiteral("/change_password") + suffix);
        }
        {
            CResetPasswordQueryDlg dialog;
            ExecAndGrab(dialog, folder + QStringLiteral("/reset_password") + suffix);
        }
        {
            CDeviceVersionDialog dialog;
            dialog.m_szFirstLine = manager.Text(Language::TEXT_VERSION_HEADING);
            dialog.m_szSecondLine = manager.Text(Language::TEXT_VERSION_MODEL_TYPE_2);
            dialog.m_szThirdLine = manager.Format(Language::TEXT_VERSION_LINE, {QStringLiteral("1.07")});
            ExecAndGrab(dialog, folder + QStringLiteral("/version") + suffix);
        }
        {
            CQueryDeviceTypeDlg dialog;
            ExecAndGrab(dialog, folder + QStringLiteral("/query_model") + suffix);
        }
        for (int model : {0, 1}) {
            const ModelCode code = model == 0 ? MODEL_QVR_K115_ZQX : MODEL_QVS_K115_318;
            std::unique_ptr<CQuorvexDoc> pc = CreateDocument(code);
            std::unique_ptr<CQuorvexDoc> relay = CreateDocument(code);
            pc->ResetProgram(0);
            relay->ResetProgram(0);
            ChangeTwoSteps(*relay);
            CCompareProgramsDlg dialog(*pc, *relay);
            ExecAndGrab(dialog, folder + QStringLiteral("/compare_%1").arg(model + 1) + suffix);
        }
        for (int model : {0, 1}) {
            CMainFrame frame(std::make_unique<CGalleryDialogs>(model));
            if (!frame.Create())
                return 1;
            frame.show();
            for (int i = 0; i < 20 && !frame.ActivePane(); ++i)
                app.processEvents();
            frame.OnSelectLanguage(int(e));
            app.processEvents();
            const QList<QAction*> actions = frame.menuBar()->actions();
            for (int n = 0; n < actions.size(); ++n) {
                QMenu* menu = actions[n]->menu();
                if (!menu)
                    continue;
                menu->popup(frame.mapToGlobal(QPoint(0, 0)));
                for (int i = 0; i < 5; ++i)
                    app.processEvents();
                const QString path = QStringLiteral("%1/menu_%2_%3_%4.png").arg(folder).arg(model + 1).arg(lcid).arg(n + 1);
                // The Device menu lists the relays found; with none it does not open.
                if (menu->isEmpty()) {
                    std::printf("%s: %s is empty, no picture\n", qPrintable(path), qPrintable(menu->title()));
                    continue;
                }
                menu->grab().save(path);
                std::printf("%s: %s %dx%d\n", qPrintable(path), qPrintable(menu->title()), menu->width(),
                            menu->height());
                menu->hide();
            }
            if (QMenu* speeds = frame.SimulationSpeedMenu()) {
                speeds->popup(frame.mapToGlobal(QPoint(0, 0)));
                for (int i = 0; i < 5; ++i)
                    app.processEvents();
                const QString path = QStringLiteral("%1/menu_%2_%3_speed.png").arg(folder).arg(model + 1).arg(lcid);
                speeds->grab().save(path);
                std::printf("%s: %s %dx%d\n", qPrintable(path), qPrintable(speeds->title()), speeds->width(),
                            speeds->height());
                speeds->hide();
            }
            frame.close();
        }
    }
    return 0;
}
