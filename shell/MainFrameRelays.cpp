// The main window's relay side: discovery, the Device menu, the relay commands, the live view
// and the progress of transfers. Every transfer is a job of the device worker; this file
// starts the jobs and applies their results on the window's thread.

#include "MainFrame.h"
#include "ProgramSafety.h"

#include "CommandIds.h"
#include "Commands.h"
#include "CompareProgramsDlg.h"
#include "DeviceMenu.h"
#include "Discovery.h"
#include "FrameRelayState.h"
#include "LanguageManager.h"
#include "ProgramPictures.h"
#include "QuorvexDoc.h"
#include "RelayPaneBase.h"
#include "ResultCodes.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>

using namespace CommandIds;
using Language::TheLanguageManager;

namespace {

// The option's key beside the language choice.
constexpr char VERIFY_AFTER_SEND_KEY[] = "VerifyAfterSend";
// How often the progress bar moves while a program crosses the line.
constexpr int PROGRESS_REFRESH_MS = 40;
// How often a result that waits for the user's dialog to close looks again.
constexpr int DEFER_RETRY_MS = 50;
// How long a relay command's outcome stays in the status bar.
constexpr int OUTCOME_SHOWN_MS = 8000;

// A text as a menu item shows it: "&" is no mnemonic there.
QString MenuText(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

qint64 NowMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

// ---------------------------------------------------------------- set-up and state

void CMainFrame::SetUpRelays()
{
    RelayState& relay = *m_pRelay;
    relay.verifyAfterSend = QSettings(QStringLiteral("Morvik"), QStringLiteral("Quorvex"))
                                .value(QLatin1String(VERIFY_AFTER_SEND_KEY), true)
                                .toBool();

    relay.progressBar = new QProgressBar(statusBar());
    relay.progressBar->setObjectName(QStringLiteral("transferProgress"));
    relay.progressBar->setRange(0, 1000);
    relay.progressBar->setMaximumWidth(160);
    relay.progressBar->hide();
    statusBar()->addPermanentWidget(relay.progressBar);
    relay.relayLabel = new QLabel(statusBar());
    relay.relayLabel->setObjectName(QStringLiteral("relayStatus"));
    relay.relayLabel->setTextFormat(Qt::PlainText);
    statusBar()->addPermanentWidget(relay.relayLabel);
    relay.outcomeTimer.setSingleShot(true);
    relay.outcomeTimer.setInterval(OUTCOME_SHOWN_MS);
    connect(&relay.outcomeTimer, &QTimer::timeout, this, [this] {
        // Only the outcome goes: a command's own text or a newer message stays.
        if (m_pStatusPane && m_pStatusPane->text() == m_pRelay->outcome && !RelayCommandRunning())
            SetStatusText(QString());
        m_pRelay->outcome.clear();
    });
    relay.noRelayAction = new QAction(this);
    relay.noRelayAction->setEnabled(false);
    relay.progressTimer.setInterval(PROGRESS_REFRESH_MS);
    connect(&relay.progressTimer, &QTimer::timeout, this, &CMainFrame::UpdateTransferProgress);

    relay.deferTimer.setSingleShot(true);
    relay.deferTimer.setInterval(DEFER_RETRY_MS);
    connect(&relay.deferTimer, &QTimer::timeout, this, [this] {
        if (std::optional<DeviceJobResult> result = std::exchange(m_pRelay->deferredResult, std::nullopt))
            OnRelayCommandFinished(*result);
    });

    relay.discoveryTimer.setInterval(DISCOVERY_PERIOD_MS);
    connect(&relay.discoveryTimer, &QTimer::timeout, this, &CMainFrame::RefreshDeviceList);
    if (!relay.worker)
        SetDeviceTransport(CreateSerialTransport);
}

void CMainFrame::SetDeviceTransport(TransportFactory factory)
{
    RelayState& relay = *m_pRelay;
    // The jobs of the worker that goes are dropped; what they were for starts again.
    relay.worker = std::make_unique<CDeviceWorkerThread>(std::move(factory));
    relay.commandJob = 0;
    relay.commandId = 0;
    relay.passRunning = false;
    ++relay.passGeneration;
    CDeviceWorkerThread* worker = relay.worker.get();
    connect(worker, &CDeviceWorkerThread::jobFinished, this, &CMainFrame::OnRelayJobFinished);
    connect(worker, &CDeviceWorkerThread::passwordWanted, this, &CMainFrame::OnPasswordWanted);
    connect(worker, &CDeviceWorkerThread::jobStarted, this, [this](quint64 id, DeviceJobKind) {
        // A command that waited behind a discovery step counts from when it began to run.
        if (id == m_pRelay->commandJob)
            m_pRelay->commandStartedMs = NowMs();
    });
    connect(worker, &CDeviceWorkerThread::transferProgress, this,
            [this](quint64 id, int direction, int done, int total) {
                if (id == m_pRelay->commandJob && m_pRelay->commandShowsProgress)
                    m_pRelay->transfer.Report(TransferDirection(direction), done, total, NowMs());
            });
}

CDeviceWorkerThread* CMainFrame::DeviceWorker() const
{
    return m_pRelay->worker.get();
}

QProgressBar* CMainFrame::TransferProgressBar() const
{
    return m_pRelay->progressBar;
}

QLabel* CMainFrame::RelayStatusLabel() const
{
    return m_pRelay->relayLabel;
}

bool CMainFrame::RelayCommandRunning() const
{
    return m_pRelay->commandJob != 0;
}

bool CMainFrame::VerifyAfterSend() const
{
    return m_pRelay->verifyAfterSend;
}

void CMainFrame::OnVerifyAfterSend()
{
    RelayState& relay = *m_pRelay;
    relay.verifyAfterSend = m_actions.at(ID_TRANSMISSION_VERIFYAFTERSEND)->isChecked();
    QSettings(QStringLiteral("Morvik"), QStringLiteral("Quorvex"))
        .setValue(QLatin1String(VERIFY_AFTER_SEND_KEY), relay.verifyAfterSend);
    UpdateCommandStates();
}

bool CMainFrame::SelectedRelayIsModel2() const
{
    if (!m_pPane)
        return false;
    const CDevice& device = m_pPane->GetDevice();
    return device.GetDeviceType(device.GetSelected()) == 2;
}

void CMainFrame::ForgetPaneRelayWork()
{
    RelayState& relay = *m_pRelay;
    ++relay.paneGeneration;
    ++relay.viewSession;
    if (relay.worker)
        relay.worker->DropQueued(DeviceJobKind::Poll);
}

void CMainFrame::StopRelayWork()
{
    RelayState& relay = *m_pRelay;
    relay.discoveryTimer.stop();
    if (m_pPane && m_pPane->GetWorkMode() == WORK_MODE_DEVICE_VIEW)
        StopRelayView();
    if (relay.worker)
        relay.worker->CancelAll();
    // A result that waited for a dialog is not applied to a window that closes.
    if (relay.deferredResult) {
        relay.deferredResult.reset();
        relay.deferTimer.stop();
        EndRelayCommand();
    }
}

void CMainFrame::EndRelayCommand()
{
    RelayState& relay = *m_pRelay;
    relay.commandJob = 0;
    const int commandId = std::exchange(relay.commandId, 0);
    relay.statusTextId = -1;
    if (relay.commandShowsProgress) {
        relay.progressTimer.stop();
        relay.progressBar->hide();
        relay.commandShowsProgress = false;
    }
    if (commandId == ID_TRANSMISSION_SENDSETTINGS || commandId == ID_TRANSMISSION_READSETTINGS
        || commandId == ID_TRANSMISSION_COMPARE || commandId == ID_TRANSMISSION_STARTVIEW)
        SetStatusText(QString());
    UpdateCommandStates();
}

DeviceJob CMainFrame::RelayJob(DeviceJobKind kind) const
{
    DeviceJob job;
    job.kind = kind;
    job.tag = m_pRelay->paneGeneration;
    if (m_pPane) {
        const CDevice& device = m_pPane->GetDevice();
        job.port = device.GetPortName(device.GetSelected());
        job.model = m_pPane->GetModelCode();
        job.passwordCache = device.PasswordCache();
    }
    return job;
}

void CMainFrame::ShowRelayError(const DeviceJobResult& result)
{
    if (result.result == RESULT_NO_PORT && result.openFailure == PortOpenFailure::AccessDenied
        && !result.port.isEmpty()) {
        // The result stays 34; its message says what to do about it.
        const Language::CLanguageManager& manager = TheLanguageManager();
        ShowErrorWithHelp(manager.Format(Language::TEXT_PORT_ACCESS_DENIED, {result.port}), result.result);
        return;
    }
    ShowError(result.result);
}

// ---------------------------------------------------------------- discovery

void CMainFrame::StartDiscovery()
{
    m_pRelay->discoveryTimer.start();
    RefreshDeviceList();
}

void CMainFrame::StopDiscovery()
{
    RelayState& relay = *m_pRelay;
    relay.discoveryTimer.stop();
    relay.passRunning = false;
    relay.firstPassDone = false;
    relay.searchReported = false;
    relay.searchAgain = false;
    ++relay.passGeneration;
    if (relay.worker) {
        relay.worker->DropQueued(DeviceJobKind::ListPorts);
        relay.worker->DropQueued(DeviceJobKind::IdentifyPort);
    }
}

void CMainFrame::RefreshDeviceList()
{
    RelayState& relay = *m_pRelay;
    if (relay.passRunning || !m_pPane || !relay.worker)
        return;
    relay.passRunning = true;
    relay.passPorts.clear();
    relay.passNext = 0;
    relay.passFound.clear();
    // Even the list of ports is asked on the worker: the system's device database can be slow.
    DeviceJob job;
    job.kind = DeviceJobKind::ListPorts;
    job.tag = relay.passGeneration;
    relay.worker->Post(std::move(job));
}

void CMainFrame::NextDiscoveryStep()
{
    RelayState& relay = *m_pRelay;
    if (relay.passNext < relay.passPorts.size()) {
        // One port per job: a relay command or a view poll waits for one identification at
        // most, never for a whole pass.
        DeviceJob job;
        job.kind = DeviceJobKind::IdentifyPort;
        job.port = relay.passPorts.at(relay.passNext++);
        job.tag = relay.passGeneration;
        relay.worker->Post(std::move(job));
        return;
    }
    // The pass is complete: its identifications go into the pane's list at once, by the
    // list's own rules, so the list never shows half a pass.
    relay.passRunning = false;
    if (!m_pPane)
        return;
    CDevice& device = m_pPane->GetDevice();
    device.BeginPass();
    for (const auto& [port, identification] : relay.passFound)
        device.AddOrMarkIdentified(port, identification);
    device.EndPass();
    relay.passFound.clear();
    relay.firstPassDone = true;
    // The Device menu's rule chooses the relay at once, so that the relay commands work
    // without the menu having been opened; a relay the user chose stays chosen while it is
    // attached. (Choosing only when the menu was built left every command failing with "the
    // relay cannot be reached" until the user happened to open that menu.)
    SelectRelayCandidate();
    if (m_pDeviceMenu->isVisible())
        FillDeviceMenu();
    UpdateRelayStatus();
    // The selection may have changed, and with it the password commands.
    UpdateCommandStates();
    if (std::exchange(relay.searchAgain, false)) {
        // The user asked while this pass ran: a pass of its own answers.
        relay.searchReported = true;
        RefreshDeviceList();
    } else if (std::exchange(relay.searchReported, false)) {
        ShowRelayOutcome(TheLanguageManager().Format(Language::TEXT_STATUS_SEARCH_DONE, {device.GetCount()}));
    }
}

void CMainFrame::OnSearchRelays()
{
    if (!CommandEnabledNow(ID_DEVICE_SEARCH))
        return;
    RelayState& relay = *m_pRelay;
    if (!RelayCommandRunning()) {
        // Shown until the pass is done (a command's own text takes its place).
        relay.outcomeTimer.stop();
        relay.outcome = TheLanguageManager().Text(Language::TEXT_STATUS_SEARCHING);
        SetStatusText(relay.outcome);
    }
    if (relay.passRunning) {
        relay.searchAgain = true;
        return;
    }
    relay.searchReported = true;
    RefreshDeviceList();
}

void CMainFrame::OnDiscoveryJobFinished(const DeviceJobResult& result)
{
    RelayState& relay = *m_pRelay;
    if (!relay.passRunning || result.tag != relay.passGeneration)
        return;
    if (result.kind == DeviceJobKind::ListPorts) {
        relay.passPorts = result.ports.mid(0, DeviceDiscovery::PORTS_PER_PASS);
    } else if (result.result == RESULT_OK) {
        relay.passFound.emplace_back(result.port, result.identification);
    } else if (result.cancelled && !result.timedOut) {
        // Not an answer about the relay: the pass is given up and the list stays as it was.
        relay.passRunning = false;
        return;
    }
    NextDiscoveryStep();
}

// ---------------------------------------------------------------- Device menu

void CMainFrame::SelectRelayCandidate()
{
    if (!m_pPane)
        return;
    CDevice& device = m_pPane->GetDevice();
    // A candidate of -1 (no relay of the program's model) leaves the selection as it is.
    device.SelectDevice(PlanDeviceMenu(device, ModelNumber(m_pPane->GetModelCode())).candidate);
}

void CMainFrame::FillDeviceMenu()
{
    const Language::CLanguageManager& manager = TheLanguageManager();
    // The relays' actions and the search belong to the window; clear() deletes only the
    // separator, which the menu made.
    m_pDeviceMenu->clear();
    std::size_t listed = 0;
    if (m_pPane) {
        const ModelCode model = m_pPane->GetModelCode();
        const DeviceMenuPlan plan = PlanDeviceMenu(m_pPane->GetDevice(), ModelNumber(model));
        const bool editing = m_pPane->GetWorkMode() == WORK_MODE_EDIT;
        for (std::size_t i = 0; i < plan.entries.size(); ++i) {
            const DeviceMenuEntry& entry = plan.entries[i];
            QAction* action = m_actions.at(ID_DEVICE_1 + int(i));
            // Its port tells two relays of one model apart; a relay of the other model says so
            // instead of being grey without a reason.
            QString text = manager.Format(entry.matches ? Language::TEXT_RELAY_ON_PORT
                                                        : Language::TEXT_RELAY_OTHER_MODEL_ENTRY,
                                          {entry.caption, entry.port});
            action->setText(MenuText(text.isEmpty() ? entry.caption : text));
            action->setToolTip(entry.matches ? QString()
                                             : manager.Format(Language::TEXT_RELAY_OTHER_MODEL_TIP,
                                                              {ModelDesignation(model)}));
            action->setCheckable(true);
            action->setChecked(int(i) == plan.candidate);
            action->setEnabled(editing && entry.matches);
            m_pDeviceMenu->addAction(action);
        }
        listed = plan.entries.size();
    }
    if (listed == 0) {
        m_pRelay->noRelayAction->setText(MenuText(manager.Text(Language::TEXT_DEVICE_NONE_FOUND)));
        m_pDeviceMenu->addAction(m_pRelay->noRelayAction);
    }
    m_pDeviceMenu->addSeparator();
    m_pDeviceMenu->addAction(m_actions.at(ID_DEVICE_SEARCH));
}

void CMainFrame::OnDeviceMenuAboutToShow()
{
    SelectRelayCandidate();
    FillDeviceMenu();
    UpdateRelayStatus();
    UpdateCommandStates();
}

QString CMainFrame::RelayName(const QString& port) const
{
    if (!m_pPane)
        return port;
    const CDevice& device = m_pPane->GetDevice();
    for (int i = 0; i < device.GetCount(); ++i)
        if (device.GetPortName(i) == port) {
            const QString name =
                TheLanguageManager().Format(Language::TEXT_RELAY_ON_PORT, {device.GetDisplayName(i), port});
            return name.isEmpty() ? port : name;
        }
    return port;
}

void CMainFrame::UpdateRelayStatus()
{
    QLabel* label = m_pRelay->relayLabel;
    if (!label)
        return;
    if (!m_pPane) {
        label->clear();
        return;
    }
    const Language::CLanguageManager& manager = TheLanguageManager();
    const CDevice& device = m_pPane->GetDevice();
    const int selected = device.GetSelected();
    if (selected >= 0)
        label->setText(RelayName(device.GetPortName(selected)));
    else if (!m_pRelay->firstPassDone)
        label->setText(manager.Text(Language::TEXT_STATUS_SEARCHING));
    else
        label->setText(manager.Format(Language::TEXT_STATUS_NO_RELAY, {ModelDesignation(m_pPane->GetModelCode())}));
}

void CMainFrame::ShowRelayOutcome(const QString& text)
{
    RelayState& relay = *m_pRelay;
    // A command that has begun meanwhile keeps its own text.
    if (RelayCommandRunning() || text.isEmpty())
        return;
    relay.outcome = text;
    SetStatusText(text);
    relay.outcomeTimer.start();
}

void CMainFrame::OnSelectDevice(int index)
{
    if (!m_pPane || m_pPane->GetWorkMode() != WORK_MODE_EDIT)
        return;
    CDevice& device = m_pPane->GetDevice();
    if (index < 0 || index >= std::min(device.GetCount(), DEVICE_COMMAND_COUNT)
        || device.GetDeviceType(index) != ModelNumber(m_pPane->GetModelCode()))
        return;
    device.SelectDevice(index);
    for (int i = 0; i < DEVICE_COMMAND_COUNT; ++i)
        m_actions.at(ID_DEVICE_1 + i)->setChecked(i == index);
    UpdateRelayStatus();
    UpdateCommandStates();
}

// ---------------------------------------------------------------- relay commands

void CMainFrame::StartRelayCommand(int commandId, DeviceJob job, int statusTextId, bool showsProgress)
{
    RelayState& relay = *m_pRelay;
    relay.commandId = commandId;
    relay.commandShowsProgress = showsProgress;
    relay.statusTextId = statusTextId;
    relay.commandPort = job.port;
    relay.commandStartedMs = NowMs();
    relay.passwordWaitMs = 0;
    relay.waitingForPassword = false;
    relay.commandSeconds = -1.0;
    // The outcome of an earlier command goes: the status bar is about this one now.
    relay.outcomeTimer.stop();
    relay.outcome.clear();
    SetStatusText(statusTextId >= 0 ? TheLanguageManager().Text(statusTextId) : QString());
    if (showsProgress) {
        const bool readsBack = job.kind == DeviceJobKind::Send && job.verify;
        relay.transfer.Start(readsBack ? DeviceProtocol::ProgramImageSize(job.model) : 0);
        relay.progressBar->setValue(0);
        relay.progressBar->show();
        relay.progressTimer.start();
    }
    relay.commandJob = relay.worker->Post(std::move(job));
    UpdateCommandStates();
}

void CMainFrame::ShowRelayStatusText(const Language::CLanguageManager& manager)
{
    if (!m_pRelay)
        return;
    const RelayState& relay = *m_pRelay;
    if (relay.commandJob != 0 && relay.waitingForPassword)
        SetStatusText(manager.Format(Language::TEXT_STATUS_WAITING_PASSWORD, {RelayName(relay.commandPort)}));
    else if (relay.commandJob != 0 && relay.statusTextId >= 0)
        SetStatusText(manager.Text(relay.statusTextId));
    UpdateRelayStatus();
}

void CMainFrame::UpdateTransferProgress()
{
    m_pRelay->progressBar->setValue(m_pRelay->transfer.Permille(NowMs()));
}

void CMainFrame::OnSendProgramToRelay()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_SENDSETTINGS) || !m_pPane || !m_pPane->GetDocument())
        return;
    DeviceJob job = RelayJob(DeviceJobKind::Send);
    const CQuorvexDoc* doc = m_pPane->GetDocument();
    job.image.assign(doc->GetData(), doc->GetData() + doc->GetDataSize());
    job.verify = m_pRelay->verifyAfterSend;
    StartRelayCommand(ID_TRANSMISSION_SENDSETTINGS, std::move(job), Language::TEXT_STATUS_SENDING, true);
}

void CMainFrame::OnReadProgramFromRelay()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_READSETTINGS) || !m_pPane)
        return;
    if (!AskSaveChanges() || !CommandEnabledNow(ID_TRANSMISSION_READSETTINGS))
        return;
    StartRelayCommand(ID_TRANSMISSION_READSETTINGS, RelayJob(DeviceJobKind::Read), Language::TEXT_STATUS_READING,
                      true);
}

void CMainFrame::OnCompareWithRelay()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_COMPARE) || !m_pPane)
        return;
    // Only reads: the open program is not touched, so unsaved changes need no question yet.
    StartRelayCommand(ID_TRANSMISSION_COMPARE, RelayJob(DeviceJobKind::Read), Language::TEXT_STATUS_READING, true);
}

void CMainFrame::OnRelayVersion()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_VERSION) || !m_pPane)
        return;
    StartRelayCommand(ID_TRANSMISSION_VERSION, RelayJob(DeviceJobKind::Version), -1, false);
}

void CMainFrame::OnChangeRelayPassword()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_CHANGEPASSWORD) || !m_pPane)
        return;
    // Relays of model QVR_K115_ZQX have no password: that pane does nothing here.
    if (ModelNumber(m_pPane->GetModelCode()) != 2)
        return;
    DeviceJob job = RelayJob(DeviceJobKind::ChangePassword);
    if (!m_pDialogs->AskChangePassword(this, &job.currentPassword, &job.newPassword, &job.confirmation))
        return;
    if (!m_pPane || !CommandEnabledNow(ID_TRANSMISSION_CHANGEPASSWORD))
        return;
    // A differing confirmation is reported before anything is sent (the worker checks the
    // texts before it opens the port).
    StartRelayCommand(ID_TRANSMISSION_CHANGEPASSWORD, std::move(job), -1, false);
}

void CMainFrame::OnResetRelayPassword()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_RESETPASSWORD) || !m_pPane)
        return;
    if (ModelNumber(m_pPane->GetModelCode()) != 2)
        return;
    if (!m_pDialogs->AskResetPassword(this) || !m_pPane || !CommandEnabledNow(ID_TRANSMISSION_RESETPASSWORD))
        return;
    StartRelayCommand(ID_TRANSMISSION_RESETPASSWORD, RelayJob(DeviceJobKind::ResetPassword), -1, false);
}

void CMainFrame::OnStartView()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STARTVIEW) || !m_pPane || !m_pPane->GetDocument())
        return;
    DeviceJob job = RelayJob(DeviceJobKind::StartView);
    const CQuorvexDoc* doc = m_pPane->GetDocument();
    job.image.assign(doc->GetData(), doc->GetData() + doc->GetDataSize());
    m_pRelay->viewImage = job.image;
    StartRelayCommand(ID_TRANSMISSION_STARTVIEW, std::move(job), Language::TEXT_STATUS_READING, true);
}

void CMainFrame::OnStopView()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STOPVIEW))
        return;
    StopRelayView();
    UpdateCommandStates();
}

void CMainFrame::StopRelayView()
{
    ++m_pRelay->viewSession;
    if (m_pRelay->worker)
        m_pRelay->worker->DropQueued(DeviceJobKind::Poll);
    if (m_pPane)
        m_pPane->StopView();
}

void CMainFrame::OnViewPollDue()
{
    RelayState& relay = *m_pRelay;
    if (!m_pPane || m_pPane->GetWorkMode() != WORK_MODE_DEVICE_VIEW)
        return;
    // A poll that has not ended when the next tick comes is not doubled up: the view shows
    // the relay as fast as the line allows.
    if (relay.worker->Has(DeviceJobKind::Poll))
        return;
    DeviceJob job = RelayJob(DeviceJobKind::Poll);
    job.tag = relay.viewSession;
    relay.worker->Post(std::move(job));
}

void CMainFrame::OnPasswordWanted(quint64 id)
{
    RelayState& relay = *m_pRelay;
    const bool command = id == relay.commandJob;
    const qint64 askedMs = NowMs();
    if (command) {
        // Nothing crosses the line while the user types: the status bar says what it waits for.
        relay.waitingForPassword = true;
        ShowRelayStatusText(TheLanguageManager());
        if (relay.commandShowsProgress) {
            relay.progressTimer.stop();
            relay.progressBar->hide();
        }
    }
    QString password;
    const bool given = m_pDialogs->AskDevicePassword(this, &password);
    if (command && relay.commandJob == id) {
        relay.waitingForPassword = false;
        relay.passwordWaitMs += NowMs() - askedMs;
        ShowRelayStatusText(TheLanguageManager());
        if (relay.commandShowsProgress && given) {
            relay.progressBar->show();
            relay.progressTimer.start();
        }
    }
    relay.worker->AnswerPassword(id, given, password);
}

// ---------------------------------------------------------------- results

void CMainFrame::OnRelayJobFinished(const DeviceJobResult& result)
{
    switch (result.kind) {
    case DeviceJobKind::ListPorts:
    case DeviceJobKind::IdentifyPort:
        OnDiscoveryJobFinished(result);
        break;
    case DeviceJobKind::Poll:
        OnPollFinished(result);
        break;
    default:
        OnRelayCommandFinished(result);
        break;
    }
}

void CMainFrame::OnPollFinished(const DeviceJobResult& result)
{
    if (!m_pPane || result.tag != m_pRelay->viewSession || m_pPane->GetWorkMode() != WORK_MODE_DEVICE_VIEW)
        return;
    if (result.cancelled && !result.timedOut)
        return;
    if (result.result != RESULT_OK) {
        // The view stops before its message, so the window is back to editing behind it.
        StopRelayView();
        UpdateCommandStates();
        ShowRelayError(result);
        return;
    }
    m_pPane->ShowRelayState(result.states);
}

void CMainFrame::OnRelayCommandFinished(const DeviceJobResult& result)
{
    RelayState& relay = *m_pRelay;
    if (result.id != relay.commandJob)
        return;
    // The time the relay took, told before the result may wait for a dialog below.
    if (relay.commandSeconds < 0.0)
        relay.commandSeconds = double(std::max<qint64>(0, NowMs() - relay.commandStartedMs - relay.passwordWaitMs)) / 1000.0;
    const double seconds = relay.commandSeconds;
    // A dialog of the user's is open (a file dialog, the save question of a close): the result
    // waits until it has closed, so that the program does not change under that dialog and no
    // message box opens over it. The command counts as running until then.
    if (QApplication::activeModalWidget()) {
        relay.deferredResult = result;
        relay.deferTimer.start();
        return;
    }
    const int commandId = relay.commandId;
    EndRelayCommand();
    // Cancelled because the window closes: nothing to report. A pane that went meanwhile
    // takes nothing from a job that was started for it.
    if ((result.cancelled && !result.timedOut) || !m_pPane || result.tag != relay.paneGeneration)
        return;
    if (result.passwordCacheChanged)
        m_pPane->GetDevice().SetPasswordCache(result.passwordCache);
    if (result.result != RESULT_OK) {
        ShowRelayError(result);
        // The relay runs another program than the one on screen: what differs is shown
        // right after the message, with the choice to send or to load.
        if (result.kind == DeviceJobKind::StartView && result.result == RESULT_VIEW_MISMATCH && m_pPane
            && CommandEnabledNow(ID_TRANSMISSION_COMPARE))
            OnCompareWithRelay();
        return;
    }

    const Language::CLanguageManager& manager = TheLanguageManager();
    const QString relayName = RelayName(result.port);
    switch (result.kind) {
    case DeviceJobKind::Send:
        ShowRelayOutcome(manager.Format(result.verify.compared ? Language::TEXT_STATUS_SENT_VERIFIED
                                                               : Language::TEXT_STATUS_SENT,
                                        {relayName, seconds}));
        break;
    case DeviceJobKind::Read:
        if (commandId == ID_TRANSMISSION_COMPARE) {
            ShowComparison(result.image, relayName);
            break;
        }
        // The program changes only now that all of it has arrived.
        if (LoadRelayProgram(result.image))
            ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_READ, {relayName, seconds}));
        break;
    case DeviceJobKind::StartView: {
        // The program may have been edited while the relay's was read: the view shows the
        // relay against the program on screen, so that one must still be the one compared.
        const CQuorvexDoc* doc = m_pPane->GetDocument();
        if (!doc || !std::equal(relay.viewImage.begin(), relay.viewImage.end(), doc->GetData(),
                                doc->GetData() + doc->GetDataSize())) {
            ShowError(RESULT_VIEW_MISMATCH);
            return;
        }
        ++relay.viewSession;
        m_pPane->StartView();
        UpdateCommandStates();
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_VIEW_STARTED, {relayName}));
        break;
    }
    case DeviceJobKind::Version: {
        const int type = DeviceProtocol::DeviceType(result.identification);
        const int modelText = type == 1   ? Language::TEXT_VERSION_MODEL_TYPE_1
                              : type == 2 ? Language::TEXT_VERSION_MODEL_TYPE_2
                                          : Language::TEXT_VERSION_MODEL_UNKNOWN;
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_VERSION,
                                        {relayName, DeviceVersionText(result.identification)}));
        m_pDialogs->ShowVersion(this, manager.Text(Language::TEXT_VERSION_HEADING), manager.Text(modelText),
                                manager.Format(Language::TEXT_VERSION_LINE, {DeviceVersionText(result.identification)}));
        break;
    }
    case DeviceJobKind::ChangePassword:
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_PASSWORD_CHANGED, {relayName}));
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_PASSWORD_CHANGED_CAPTION),
                                    manager.Text(Language::TEXT_PASSWORD_CHANGED_TEXT));
        break;
    case DeviceJobKind::ResetPassword:
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_PASSWORD_RESET, {relayName}));
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_PASSWORD_RESET_CAPTION),
                                    manager.Text(Language::TEXT_PASSWORD_RESET_TEXT));
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- comparison

bool CMainFrame::LoadRelayProgram(const std::vector<std::uint8_t>& image)
{
    if (!m_pPane || !m_pPane->ReplaceProgram(image.data(), int(image.size()), true))
        return false;
    // Like a new program: unsaved, and the next Save asks for a name.
    UseDefaultFileName();
    m_bHasFile = false;
    m_pSafety->SetProgramFile({});
    UpdateTitle(m_pPane->GetDocument()->IsModified());
    return true;
}

void CMainFrame::ShowComparison(const std::vector<std::uint8_t>& relayImage, const QString& relayName)
{
    CQuorvexDoc* doc = m_pPane ? m_pPane->GetDocument() : nullptr;
    if (!doc)
        return;
    const Language::CLanguageManager& manager = TheLanguageManager();
    // The relay's program in a document of its own: the open one stays as it is.
    const std::unique_ptr<CQuorvexDoc> relayDoc = CreateDocument(doc->GetModelCode());
    if (!relayDoc || relayDoc->GetDataSize() != int(relayImage.size())) {
        ShowError(RESULT_WRONG_MODEL);
        return;
    }
    std::copy(relayImage.begin(), relayImage.end(), relayDoc->GetData());
    if (std::equal(relayImage.begin(), relayImage.end(), doc->GetData(), doc->GetData() + doc->GetDataSize())) {
        ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_COMPARED_EQUAL, {relayName}));
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_COMPARE_TITLE),
                                    manager.Text(Language::TEXT_COMPARE_EQUAL));
        return;
    }
    ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_COMPARED_DIFFERENT,
                                    {relayName, int(ComparePrograms(*doc, *relayDoc, TheLanguageManager()).steps.size())}));
    const int choice = m_pDialogs->CompareWithRelay(this, *doc, *relayDoc);
    // The window may have changed while the dialog was open (closed, another program).
    if (!m_pPane)
        return;
    if (choice == CCompareProgramsDlg::CHOICE_SEND_PC) {
        // A normal Send, read back when that option is on.
        OnSendProgramToRelay();
    } else if (choice == CCompareProgramsDlg::CHOICE_LOAD_RELAY) {
        if (!AskSaveChanges() || !m_pPane || !CommandEnabledNow(ID_TRANSMISSION_READSETTINGS))
            return;
        if (LoadRelayProgram(relayImage))
            ShowRelayOutcome(manager.Format(Language::TEXT_STATUS_LOADED, {relayName}));
    }
}
