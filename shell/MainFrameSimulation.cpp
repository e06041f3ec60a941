// The main window's part of the simulation: the speed submenu of the Relay menu and the status
// bar's account of how the simulation's time runs.

#include "MainFrame.h"

#include "Commands.h"
#include "LanguageManager.h"
#include "RelayPane.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

using namespace CommandIds;
using Language::CLanguageManager;
using Language::TheLanguageManager;

namespace {

// How long a notice stays in the status bar.
constexpr int NOTICE_MS = 12000;

} // namespace

void CMainFrame::BuildSimulationSpeedMenu()
{
    m_pSpeedMenu = new QMenu(QStringLiteral("SUBMENU_SIMULATION_SPEED"), m_pTransmissionMenu);
    m_pSpeedMenu->setObjectName(QStringLiteral("simulationSpeedMenu"));
    auto* group = new QActionGroup(m_pSpeedMenu);
    for (const SpeedCommand& command : SimulationSpeedMenuItems()) {
        QAction* action = m_actions.at(command.id);
        group->addAction(action);
        m_pSpeedMenu->addAction(action);
        const int speed = command.speed;
        connect(action, &QAction::triggered, this, [this, speed] { OnSimulationSpeed(speed); });
    }
    // Right after the simulation's commands.
    const QList<QAction*> items = m_pTransmissionMenu->actions();
    const qsizetype after = items.indexOf(m_actions.at(SPEED_MENU_AFTER));
    QAction* before = after >= 0 && after + 1 < items.size() ? items.at(after + 1) : nullptr;
    m_pTransmissionMenu->insertMenu(before, m_pSpeedMenu);
}

void CMainFrame::BuildSimulationStatus()
{
    m_pSimulationStatus = new QLabel(statusBar());
    m_pSimulationStatus->setObjectName(QStringLiteral("simulationStatus"));
    m_pSimulationStatus->setTextFormat(Qt::PlainText);
    m_pSimulationStatus->hide();
    // Permanent: a notice in the status bar leaves it in view.
    statusBar()->addPermanentWidget(m_pSimulationStatus);
}

void CMainFrame::RetranslateSimulationSpeed(CLanguageManager& manager)
{
    m_simulationTimeText.OnLanguageChanged(manager);
    if (m_pSpeedMenu && manager.GetCurrentLanguage(nullptr, nullptr, nullptr))
        if (const char16_t* text = manager.GetText(Language::TEXT_MENU_SIMULATION_SPEED))
            m_pSpeedMenu->setTitle(Language::TextString(text));
    ShowSimulationStatus(m_dSimulationTime);
}

void CMainFrame::OnSimulationSpeed(int speed)
{
    for (const SpeedCommand& command : SimulationSpeedMenuItems()) {
        if (command.speed != speed)
            continue;
        if (!CommandEnabledNow(command.id)) {
            UpdateCommandStates(); // the check mark goes back to the speed in force
            return;
        }
        m_nSimulationSpeed = speed;
        if (m_pPane)
            m_pPane->SetSimulationSpeed(speed);
        UpdateCommandStates();
        ShowSimulationStatus(m_dSimulationTime);
        return;
    }
}

void CMainFrame::ShowSimulationStatus(double seconds)
{
    m_dSimulationTime = seconds;
    if (!m_pSimulationStatus)
        return;
    if (seconds < 0 || !m_pPane) {
        m_pSimulationStatus->hide();
        return;
    }
    // The relay time in the panel's words: seconds with a fraction below a minute, minutes and
    // seconds below an hour, hours and minutes above.
    const int unit = seconds < 60.0 ? 0 : seconds < 3600.0 ? 2 : 4;
    const QString time = m_simulationTimeText.FormatTime(CTimeControlHelper::PANEL_FORMATS, unit, 0, seconds);
    const CLanguageManager& manager = TheLanguageManager();
    QString text;
    if (m_nSimulationSpeed == 0)
        text = manager.Format(Language::TEXT_STATUS_SIMULATION_COMPRESSED, {time});
    else if (m_nSimulationSpeed == 1)
        text = manager.Format(Language::TEXT_STATUS_SIMULATION_REAL_TIME, {time});
    else
        text = manager.Format(Language::TEXT_STATUS_SIMULATION_FASTER, {m_nSimulationSpeed, time});
    m_pSimulationStatus->setText(text);
    m_pSimulationStatus->show();
}

void CMainFrame::ShowNotice(const QString& text)
{
    if (!text.isEmpty())
        statusBar()->showMessage(text, NOTICE_MS);
}

// ---------------------------------------------------------------- the simulation's commands

void CMainFrame::OnSimulationMode()
{
    if (CommandEnabledNow(ID_TRANSMISSION_SIMULATIONMODE))
        m_pPane->ToggleSimulationMode();
    // Also after a refused toggle: the action's check mark flipped when it was triggered.
    UpdateCommandStates();
}

void CMainFrame::OnStartSimulation()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STARTSIMULATION))
        return;
    m_pPane->StartSimulation();
    UpdateCommandStates();
}

void CMainFrame::OnStepping()
{
    if (CommandEnabledNow(ID_TRANSMISSION_STEPPING))
        m_pPane->SimulationTick(0);
}

void CMainFrame::OnSkip()
{
    if (CommandEnabledNow(ID_TRANSMISSION_SKIP))
        m_pPane->SimulationTick(1);
}

void CMainFrame::OnStopSimulation()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STOPSIMULATION))
        return;
    m_pPane->StopSimulation();
    UpdateCommandStates();
}

void CMainFrame::OnResetSimulation()
{
    if (CommandEnabledNow(ID_TRANSMISSION_RESET))
        m_pPane->ResetSimulation();
}
