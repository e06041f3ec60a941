#include "RelayController.h"

#include "Discovery.h"
#include "ProgramSettings.h"

#include <algorithm>

namespace {

// The option's key in the program's settings.
constexpr char VERIFY_AFTER_SEND_KEY[] = "VerifyAfterSend";
// How often a result that waits for the user's dialog to close looks again.
constexpr int DEFER_RETRY_MS = 50;

DeviceJobKind JobKindOf(RelayCommand command)
{
    switch (command) {
    case RelayCommand::Send: return DeviceJobKind::Send;
    case RelayCommand::Read:
    case RelayCommand::Compare: return DeviceJobKind::Read;
    case RelayCommand::ChangePassword: return DeviceJobKind::ChangePassword;
    case RelayCommand::ResetPassword: return DeviceJobKind::ResetPassword;
    case RelayCommand::StartView: return DeviceJobKind::StartView;
    case RelayCommand::Version:
    case RelayCommand::None: break;
    }
    return DeviceJobKind::Version;
}

} // namespace

bool RelayCommandShowsProgress(RelayCommand command)
{
    return command == RelayCommand::Send || command == RelayCommand::Read || command == RelayCommand::Compare
           || command == RelayCommand::StartView;
}

CRelayController::CRelayController(TransportFactory factory, QObject* parent) : QObject(parent)
{
    qRegisterMetaType<RelayCommand>();
    qRegisterMetaType<RelayOutcome>();
    qRegisterMetaType<RelayStates>();
    m_clock.start();
    m_verifyAfterSend = ProgramSettings().value(QLatin1String(VERIFY_AFTER_SEND_KEY), true).toBool();
    m_discoveryTimer.setInterval(DISCOVERY_PERIOD_MS);
    connect(&m_discoveryTimer, &QTimer::timeout, this, &CRelayController::RefreshDeviceList);
    m_pollTimer.setInterval(DEVICE_VIEW_PERIOD_MS);
    connect(&m_pollTimer, &QTimer::timeout, this, &CRelayController::OnPollDue);
    m_deferTimer.setSingleShot(true);
    m_deferTimer.setInterval(DEFER_RETRY_MS);
    connect(&m_deferTimer, &QTimer::timeout, this, [this] {
        if (std::optional<DeviceJobResult> result = std::exchange(m_deferred, std::nullopt))
            OnCommandJob(*result);
    });
    SetTransport(std::move(factory));
}

CRelayController::~CRelayController()
{
    // The worker goes first, while what its signals reach is still whole.
    m_worker.reset();
}

void CRelayController::SetTransport(TransportFactory factory)
{
    m_worker = std::make_unique<CDeviceWorkerThread>(std::move(factory));
    m_command.job = 0;
    m_command.kind = RelayCommand::None;
    m_pass.running = false;
    ++m_pass.generation;
    CDeviceWorkerThread* worker = m_worker.get();
    connect(worker, &CDeviceWorkerThread::jobFinished, this, &CRelayController::OnJobFinished);
    connect(worker, &CDeviceWorkerThread::passwordWanted, this, [this](quint64 id) {
        if (id != m_command.job) {
            // Only a command asks: anything else gets no password.
            m_worker->AnswerPassword(id, false, QString());
            return;
        }
        m_command.waitingForPassword = true;
        m_command.askedMs = NowMs();
        Q_EMIT passwordWanted();
    });
    connect(worker, &CDeviceWorkerThread::jobStarted, this, [this](quint64 id, DeviceJobKind) {
        // A command that waited behind a discovery step counts from when it began to run.
        if (id == m_command.job)
            m_command.startedMs = NowMs();
    });
    connect(worker, &CDeviceWorkerThread::transferProgress, this, [this](quint64 id, int direction, int done, int total) {
        if (id == m_command.job && RelayCommandShowsProgress(m_command.kind))
            m_transfer.Report(TransferDirection(direction), done, total, NowMs());
    });
}

// ---------------------------------------------------------------- the program and its relays

void CRelayController::SetModel(ModelCode model)
{
    StopDiscovery();
    EndView();
    // What was started for the earlier program is dropped, and its results are not applied.
    ++m_generation;
    m_list.Clear();
    m_passwordCache = DeviceProtocol::PasswordBytes{};
    m_model = model;
    if (model != 0) {
        m_discoveryTimer.start();
        RefreshDeviceList();
    }
}

bool CRelayController::SelectRelay(int index)
{
    if (index < 0 || index >= std::min(m_list.GetCount(), DeviceDiscovery::PORTS_PER_PASS)
        || m_list.GetDeviceType(index) != ModelNumber(m_model))
        return false;
    m_list.SelectDevice(index);
    Q_EMIT relaysChanged();
    return true;
}

void CRelayController::ChooseCandidate()
{
    m_list.SelectDevice(m_list.Candidate(ModelNumber(m_model), DeviceDiscovery::PORTS_PER_PASS));
}

void CRelayController::SetVerifyAfterSend(bool on)
{
    m_verifyAfterSend = on;
    ProgramSettings().setValue(QLatin1String(VERIFY_AFTER_SEND_KEY), on);
}

// ---------------------------------------------------------------- discovery

void CRelayController::StopDiscovery()
{
    m_discoveryTimer.stop();
    m_pass.running = false;
    ++m_pass.generation;
    m_firstPassDone = false;
    m_searchReported = false;
    m_searchAgain = false;
    m_worker->DropQueued(DeviceJobKind::ListPorts);
    m_worker->DropQueued(DeviceJobKind::IdentifyPort);
}

void CRelayController::RefreshDeviceList()
{
    if (m_pass.running || m_model == 0)
        return;
    m_pass.running = true;
    m_pass.ports.clear();
    m_pass.next = 0;
    m_pass.found.clear();
    // Even the list of ports is asked on the worker: the system's device database can be slow.
    DeviceJob job;
    job.kind = DeviceJobKind::ListPorts;
    job.tag = m_pass.generation;
    m_worker->Post(std::move(job));
}

void CRelayController::Search()
{
    if (m_pass.running) {
        m_searchAgain = true;
        return;
    }
    m_searchReported = true;
    RefreshDeviceList();
}

void CRelayController::OnDiscoveryJob(const DeviceJobResult& result)
{
    if (!m_pass.running || result.tag != m_pass.generation)
        return;
    if (result.kind == DeviceJobKind::ListPorts) {
        m_pass.ports = result.ports.mid(0, DeviceDiscovery::PORTS_PER_PASS);
    } else if (result.result == RESULT_OK) {
        m_pass.found.emplace_back(result.port, result.identification);
    } else if (result.cancelled && !result.timedOut) {
        // Not an answer about the relay: the pass is given up and the list stays as it was.
        m_pass.running = false;
        return;
    }
    NextDiscoveryStep();
}

void CRelayController::NextDiscoveryStep()
{
    if (m_pass.next < m_pass.ports.size()) {
        // One port per job: a relay command or a view poll waits for one identification at
        // most, never for a whole pass.
        DeviceJob job;
        job.kind = DeviceJobKind::IdentifyPort;
        job.port = m_pass.ports.at(m_pass.next++);
        job.tag = m_pass.generation;
        m_worker->Post(std::move(job));
        return;
    }
    // The pass is complete: its identifications go into the list at once, by the list's own
    // rules, so the list never shows half a pass.
    m_pass.running = false;
    m_list.BeginPass();
    for (const auto& [port, identification] : m_pass.found)
        m_list.AddOrMarkIdentified(port, identification);
    m_list.EndPass();
    m_pass.found.clear();
    m_firstPassDone = true;
    // The candidate rule chooses the relay at once, so that the relay commands work without
    // the Device menu having been opened; a relay the user chose stays chosen while attached.
    ChooseCandidate();
    Q_EMIT relaysChanged();
    if (std::exchange(m_searchAgain, false)) {
        // The user asked while this pass ran: a pass of its own answers.
        m_searchReported = true;
        RefreshDeviceList();
    } else if (std::exchange(m_searchReported, false)) {
        Q_EMIT searchDone(m_list.GetCount());
    }
}

// ---------------------------------------------------------------- commands

DeviceJob CRelayController::Job(DeviceJobKind kind) const
{
    DeviceJob job;
    job.kind = kind;
    job.tag = m_generation;
    job.port = m_list.SelectedPort();
    job.model = m_model;
    job.passwordCache = m_passwordCache;
    return job;
}

void CRelayController::Start(RelayCommand command, DeviceJob job)
{
    m_command = Command{};
    m_command.kind = command;
    m_command.startedMs = NowMs();
    if (command == RelayCommand::StartView)
        m_command.viewImage = job.image;
    if (RelayCommandShowsProgress(command)) {
        const bool readsBack = job.kind == DeviceJobKind::Send && job.verify;
        m_transfer.Start(readsBack ? DeviceProtocol::ProgramImageSize(job.model) : 0);
    }
    m_command.job = m_worker->Post(std::move(job));
    Q_EMIT commandStarted(command);
}

void CRelayController::Send(std::vector<std::uint8_t> image)
{
    DeviceJob job = Job(DeviceJobKind::Send);
    job.image = std::move(image);
    job.verify = m_verifyAfterSend;
    Start(RelayCommand::Send, std::move(job));
}

void CRelayController::Read()
{
    Start(RelayCommand::Read, Job(JobKindOf(RelayCommand::Read)));
}

void CRelayController::Compare()
{
    // Only reads: the open program is not touched.
    Start(RelayCommand::Compare, Job(JobKindOf(RelayCommand::Compare)));
}

void CRelayController::Version()
{
    Start(RelayCommand::Version, Job(JobKindOf(RelayCommand::Version)));
}

void CRelayController::ChangePassword(const QString& current, const QString& next, const QString& confirmation)
{
    DeviceJob job = Job(DeviceJobKind::ChangePassword);
    job.currentPassword = current;
    job.newPassword = next;
    job.confirmation = confirmation;
    Start(RelayCommand::ChangePassword, std::move(job));
}

void CRelayController::ResetPassword()
{
    Start(RelayCommand::ResetPassword, Job(JobKindOf(RelayCommand::ResetPassword)));
}

void CRelayController::StartView(std::vector<std::uint8_t> image)
{
    DeviceJob job = Job(DeviceJobKind::StartView);
    job.image = std::move(image);
    Start(RelayCommand::StartView, std::move(job));
}

void CRelayController::AnswerPassword(bool given, const QString& password)
{
    if (!m_command.waitingForPassword)
        return;
    m_command.waitingForPassword = false;
    m_command.passwordWaitMs += NowMs() - m_command.askedMs;
    m_worker->AnswerPassword(m_command.job, given, password);
}

void CRelayController::OnJobFinished(const DeviceJobResult& result)
{
    switch (result.kind) {
    case DeviceJobKind::ListPorts:
    case DeviceJobKind::IdentifyPort:
        OnDiscoveryJob(result);
        break;
    case DeviceJobKind::Poll:
        OnPoll(result);
        break;
    default:
        OnCommandJob(result);
        break;
    }
}

RelayOutcome CRelayController::Outcome(const DeviceJobResult& result) const
{
    RelayOutcome outcome;
    outcome.command = m_command.kind;
    outcome.result = result.result;
    outcome.openFailure = result.openFailure;
    outcome.port = result.port;
    outcome.seconds = m_command.seconds;
    outcome.identification = result.identification;
    outcome.image = m_command.kind == RelayCommand::StartView ? m_command.viewImage : result.image;
    outcome.verified = result.verify.compared && result.result == RESULT_OK;
    return outcome;
}

void CRelayController::OnCommandJob(const DeviceJobResult& result)
{
    if (result.id != m_command.job)
        return;
    // The time the relay took, told before the result may wait below.
    if (m_command.seconds < 0.0)
        m_command.seconds =
            double(std::max<qint64>(0, NowMs() - m_command.startedMs - m_command.passwordWaitMs)) / 1000.0;
    if (m_resultGate && !m_resultGate()) {
        m_deferred = result;
        m_deferTimer.start();
        return;
    }
    const RelayOutcome outcome = Outcome(result);
    m_command.job = 0;
    m_command.kind = RelayCommand::None;
    m_command.waitingForPassword = false;
    Q_EMIT commandEnded(outcome.command);
    // Cancelled because the window closes: nothing to report. A model set meanwhile takes
    // nothing from a job that was started for the earlier one.
    if ((result.cancelled && !result.timedOut) || result.tag != m_generation)
        return;
    if (result.passwordCacheChanged)
        m_passwordCache = result.passwordCache;
    Q_EMIT commandFinished(outcome);
}

// ---------------------------------------------------------------- the live view

void CRelayController::BeginView()
{
    ++m_viewSession;
    m_viewing = true;
    m_pollTimer.start();
}

void CRelayController::EndView()
{
    ++m_viewSession;
    m_viewing = false;
    m_pollTimer.stop();
    m_worker->DropQueued(DeviceJobKind::Poll);
}

void CRelayController::OnPollDue()
{
    // A poll that has not ended when the next tick comes is not doubled up: the view shows
    // the relay as fast as the line allows.
    if (!m_viewing || m_worker->Has(DeviceJobKind::Poll))
        return;
    DeviceJob job = Job(DeviceJobKind::Poll);
    job.tag = m_viewSession;
    m_worker->Post(std::move(job));
}

void CRelayController::OnPoll(const DeviceJobResult& result)
{
    if (!m_viewing || result.tag != m_viewSession)
        return;
    if (result.cancelled && !result.timedOut)
        return;
    if (result.result != RESULT_OK) {
        // The view ends before it is told, so that the window is back to editing behind the
        // message.
        EndView();
        RelayOutcome outcome;
        outcome.result = result.result;
        outcome.openFailure = result.openFailure;
        outcome.port = result.port;
        Q_EMIT viewFailed(outcome);
        return;
    }
    RelayStates states{};
    std::copy(std::begin(result.states), std::end(result.states), states.begin());
    Q_EMIT viewPolled(states);
}

// ---------------------------------------------------------------- closing

void CRelayController::Shutdown()
{
    StopDiscovery();
    EndView();
    m_worker->CancelAll();
    // A result that waited for a dialog is not applied to a window that closes.
    if (std::optional<DeviceJobResult> dropped = std::exchange(m_deferred, std::nullopt)) {
        m_deferTimer.stop();
        const RelayCommand command = m_command.kind;
        m_command.job = 0;
        m_command.kind = RelayCommand::None;
        Q_EMIT commandEnded(command);
    }
}
