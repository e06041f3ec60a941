// The main window's relay side: discovery, the Device menu, the relay commands, the live view
// and the progress of transfers. Every transfer is a job of the device worker; this file
// starts the jobs and applies their results on the window's thread.

#include "MainFrame.h"

#include "CommandIds.h"
#include "Commands.h"
#include "CompareProgramsDlg.h"
#include "DeviceMenu.h"
#include "Discovery.h"
#include "FrameRelayState.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "RelayPaneBase.h"
#include "ResultCodes.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
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
    // The selection may be gone, and with it the password commands.
    UpdateCommandStates();
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

void CMainFrame::OnDeviceMenuAboutToShow()
{
    for (int i = 0; i < DEVICE_COMMAND_COUNT; ++i)
        m_pDeviceMenu->removeAction(m_actions.at(ID_DEVICE_1 + i));
    if (!m_pPane)
        return;
    CDevice& device = m_pPane->GetDevice();
    const DeviceMenuPlan plan = PlanDeviceMenu(device, ModelNumber(m_pPane->GetModelCode()));
    const bool editing = m_pPane->GetWorkMode() == WORK_MODE_EDIT;
    for (int i = 0; i < int(plan.entries.size()); ++i) {
        QAction* action = m_actions.at(ID_DEVICE_1 + i);
        action->setText(plan.entries[std::size_t(i)].caption);
        action->setCheckable(true);
        action->setChecked(i == plan.candidate);
        action->setEnabled(editing && plan.entries[std::size_t(i)].matches);
        m_pDeviceMenu->addAction(action);
    }
    device.SelectDevice(plan.candidate);
    UpdateCommandStates();
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
    UpdateCommandStates();
}

// ---------------------------------------------------------------- relay commands

void CMainFrame::StartRelayCommand(int commandId, DeviceJob job, int statusTextId, bool showsProgress)
{
    RelayState& relay = *m_pRelay;
    relay.commandId = commandId;
    relay.commandShowsProgress = showsProgress;
    relay.statusTextId = statusTextId;
    if (statusTextId >= 0)
        SetStatusText(TheLanguageManager().Text(statusTextId));
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
    if (m_pRelay && m_pRelay->commandJob != 0 && m_pRelay->statusTextId >= 0)
        SetStatusText(manager.Text(m_pRelay->statusTextId));
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
    QString password;
    const bool given = m_pDialogs->AskDevicePassword(this, &password);
    m_pRelay->worker->AnswerPassword(id, given, password);
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
    switch (result.kind) {
    case DeviceJobKind::Read:
        if (commandId == ID_TRANSMISSION_COMPARE) {
            ShowComparison(result.image);
            break;
        }
        // The program changes only now that all of it has arrived.
        LoadRelayProgram(result.image);
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
        break;
    }
    case DeviceJobKind::Version: {
        const int type = DeviceProtocol::DeviceType(result.identification);
        const int modelText = type == 1   ? Language::TEXT_VERSION_MODEL_TYPE_1
                              : type == 2 ? Language::TEXT_VERSION_MODEL_TYPE_2
                                          : Language::TEXT_VERSION_MODEL_UNKNOWN;
        m_pDialogs->ShowVersion(this, manager.Text(Language::TEXT_VERSION_HEADING), manager.Text(modelText),
                                manager.Format(Language::TEXT_VERSION_LINE, {DeviceVersionText(result.identification)}));
        break;
    }
    case DeviceJobKind::ChangePassword:
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_PASSWORD_CHANGED_CAPTION),
                                    manager.Text(Language::TEXT_PASSWORD_CHANGED_TEXT));
        break;
    case DeviceJobKind::ResetPassword:
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
    UpdateTitle(m_pPane->GetDocument()->IsModified());
    return true;
}

void CMainFrame::ShowComparison(const std::vector<std::uint8_t>& relayImage)
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
        m_pDialogs->ShowInformation(this, manager.Text(Language::TEXT_COMPARE_TITLE),
                                    manager.Text(Language::TEXT_COMPARE_EQUAL));
        return;
    }
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
        LoadRelayProgram(relayImage);
    }
}
