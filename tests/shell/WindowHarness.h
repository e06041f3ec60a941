#pragma once
// One main window under test, shared by the window tests: created with scripted dialogs (every
// question answered from a script, every message recorded), shown, and driven through its
// commands and controls as a user drives it.

#include "CommandIds.h"
#include "DeviceWorker.h"
#include "DialogIds.h"
#include "Discovery.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "QuorvexDoc.h"
#include "RelayController.h"
#include "RelayPane.h"
#include "ScriptedDialogs.h"
#include "StepDialogBase.h"
#include "StepDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

// How the window is made.
struct WindowSetup {
    // The language modules' folder (empty: as the language manager has it).
    QString moduleFolder = QStringLiteral(QUORVEX_BIN_DIR "/Lang");
    // The available area of the screen the window stands on (empty: its real screen).
    QRect screen;
    // The program named on the command line.
    QString startupFile;
    // The ports discovery considers; none: discovery as the environment has it.
    std::optional<QStringList> ports;
    // Runs on the window before Create (a test's own relay transport).
    std::function<void(CMainFrame&)> prepare;
};

struct CWindowHarness {
    CScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<CMainFrame> frame;

    using Setup = WindowSetup;

    // Creates and shows the window; model answers the start-up question (-1: cancelled).
    // False when the window could not be created.
    bool Create(int model, const Setup& setup = Setup())
    {
        if (setup.ports)
            qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE, setup.ports->join(QLatin1Char(':')).toUtf8());
        if (!setup.moduleFolder.isEmpty())
            Language::TheLanguageManager().SetModuleFolder(setup.moduleFolder);
        auto scripted = std::make_unique<CScriptedDialogs>();
        dialogs = scripted.get();
        if (model >= 0)
            dialogs->models = {model};
        frame = std::make_unique<CMainFrame>(std::move(scripted));
        if (!setup.screen.isEmpty())
            frame->SetScreenArea(setup.screen);
        frame->SetStartupFile(setup.startupFile);
        if (setup.prepare)
            setup.prepare(*frame);
        if (!frame->Create())
            return false;
        frame->show();
        return true;
    }
    // Create, then waits for the pane of the model chosen and for the relays to be idle.
    bool StartWithPane(int model, const Setup& setup = Setup(), int timeoutMs = 3000)
    {
        return Create(model, setup) && QTest::qWaitFor([this] { return frame->ActivePane() != nullptr; }, timeoutMs)
               && WaitIdle();
    }

    CRelayPane* Pane() const { return frame->ActivePane(); }
    CQuorvexDoc* Doc() const { return Pane()->GetDocument(); }
    QByteArray Image() const { return QByteArray(reinterpret_cast<const char*>(Doc()->GetData()), Doc()->GetDataSize()); }
    QAction* Action(int id) const { return frame->Action(id); }
    void Trigger(int id) const { frame->Action(id)->trigger(); }
    bool Activate() const
    {
        frame->activateWindow();
        return QTest::qWaitForWindowActive(frame.get());
    }
    // The title carries the modified mark.
    bool Modified() const { return frame->Title().endsWith(QLatin1Char('*')); }

    // An edit in the step dialogs as a user makes it: the time step 4 of channel 0 (a time
    // step in the default program) selected, and a unit picked in its unit list.
    bool EditTimeUnit(int unit) const
    {
        QComboBox* box = TimeUnitList();
        if (!box)
            return false;
        box->setCurrentIndex(unit);
        Q_EMIT box->activated(unit);
        return true;
    }
    // An unsaved change of the program: the unit of the time step 4 of channel 0 changed to
    // the next one with the keyboard.
    bool Modify() const
    {
        QComboBox* box = TimeUnitList();
        if (!box)
            return false;
        box->setFocus();
        QTest::keyClick(box, box->currentIndex() + 1 < box->count() ? Qt::Key_Down : Qt::Key_Up);
        return Modified();
    }

    // ---- relays
    const CRelayList& RelayList() const { return frame->Relays()->List(); }
    // No job runs or waits, and no relay command is under way.
    bool WaitIdle(int timeoutMs = 10000) const
    {
        return QTest::qWaitFor([this] { return frame->Relays()->Worker()->IsIdle() && !frame->RelayCommandRunning(); },
                               timeoutMs);
    }
    // Runs a command and waits until the relays are idle again.
    bool Run(int id) const
    {
        Trigger(id);
        return WaitIdle();
    }
    // The menu bar: File, Edit, Device, Relay, Language, Help.
    QMenu* DeviceMenu() const { return frame->menuBar()->actions().at(2)->menu(); }
    // Opens the Device menu as a user does, so that it is built.
    QList<QAction*> OpenDeviceMenu() const
    {
        Q_EMIT DeviceMenu()->aboutToShow();
        return DeviceMenu()->actions();
    }

private:
    QComboBox* TimeUnitList() const
    {
        Pane()->SelectStep(4, 0);
        const int templateId =
            Doc()->GetChannelCount() == 1 ? DialogIds::IDD_QVR_TIME_TIME : DialogIds::IDD_QVS_TIME_TIME;
        auto* dialog = Pane()->StepDialogs()->findChild<CStepDialog*>(TemplateObjectName(templateId));
        auto* box = dialog ? qobject_cast<QComboBox*>(dialog->Control(DialogIds::IDC_TIME_UNIT)) : nullptr;
        return box && box->isEnabled() ? box : nullptr;
    }
};
