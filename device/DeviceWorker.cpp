#include "DeviceWorker.h"

#include "Discovery.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>

using namespace DeviceProtocol;

namespace {

// Waits for a byte in short slices so that a cancelled job lets go of its port within a slice
// instead of after the whole per-byte time-out.
constexpr int CANCEL_SLICE_MS = 50;

// Whether a job failed on the line (a bad or missing reply, a failed read or write): the
// relay's answer, or the rest of it, may then still be on its way.
bool IsLineFailure(int result)
{
    return (result >= RESULT_BAD_ESCAPE && result <= RESULT_READ_FAILED) || result == RESULT_TIMEOUT;
}

// The transport of one job: the real one, cut short when the job is cancelled. A cancelled
// read times out (37) and a cancelled write writes nothing (37), so every operation ends the
// way it ends for a silent relay, closing its port on the way out. On a port whose line failed
// a moment ago it lets the line settle before the job's first request.
class CCancellableTransport final : public IDeviceTransport {
public:
    CCancellableTransport(std::unique_ptr<IDeviceTransport> inner, std::shared_ptr<CDeviceJobControl> control,
                          quint64 id, CUnsettledPorts* unsettled)
        : m_inner(std::move(inner)), m_control(std::move(control)), m_id(id), m_unsettled(unsettled)
    {
    }

    bool Open(const QString& portName) override
    {
        if (!m_inner->Open(portName))
            return false;
        // Read through this transport, so that a cancelled job stops waiting at once.
        if (m_unsettled)
            m_unsettled->Settle(portName, *this);
        return true;
    }
    PortOpenFailure OpenFailure() const override { return m_inner->OpenFailure(); }
    void Configure() override { m_inner->Configure(); }

    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
    {
        const QDeadlineTimer deadline(std::max(0, timeoutMs));
        for (;;) {
            if (m_control->IsCancelled(m_id))
                return ReadStatus::TimedOut;
            const int slice = int(std::min<qint64>(CANCEL_SLICE_MS, std::max<qint64>(0, deadline.remainingTime())));
            QElapsedTimer waited;
            waited.start();
            const ReadStatus status = m_inner->ReadByte(byte, slice);
            if (status != ReadStatus::TimedOut || deadline.hasExpired())
                return status;
            // A transport that gives up before its slice is over (a scripted wire) has no
            // more bytes to come: its time-out is final.
            if (waited.elapsed() < slice / 2)
                return status;
        }
    }

    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        if (m_control->IsCancelled(m_id))
            return 0;
        return m_inner->Write(data, size, timeoutMs);
    }

    void Close() override { m_inner->Close(); }

private:
    std::unique_ptr<IDeviceTransport> m_inner;
    std::shared_ptr<CDeviceJobControl> m_control;
    quint64 m_id;
    CUnsettledPorts* m_unsettled;
};

} // namespace

// ---------------------------------------------------------------- ports to settle

void CUnsettledPorts::Failed(const QString& port)
{
    m_quietFor[port].start();
}

void CUnsettledPorts::Settle(const QString& port, IDeviceTransport& transport)
{
    const auto found = m_quietFor.find(port);
    if (found == m_quietFor.end())
        return;
    QElapsedTimer& quiet = found->second;
    for (;;) {
        const qint64 left = SETTLE_MS - quiet.elapsed();
        std::uint8_t stale = 0;
        // A time-out here is the silence waited for (or the job's end when it is cancelled).
        if (left <= 0 || transport.ReadByte(&stale, int(left)) != IDeviceTransport::ReadStatus::Ok)
            break;
        quiet.start();  // what arrives belongs to an earlier request: dropped, and the wait begins anew
    }
    m_quietFor.erase(found);
}

bool IsBackgroundJob(DeviceJobKind kind)
{
    return kind == DeviceJobKind::ListPorts || kind == DeviceJobKind::IdentifyPort || kind == DeviceJobKind::Poll;
}

int DeviceJobTimeLimitMs(DeviceJobKind kind)
{
    switch (kind) {
    case DeviceJobKind::Send:
    case DeviceJobKind::Read:
    case DeviceJobKind::StartView:
        return 60000;
    case DeviceJobKind::ListPorts:
        return 10000;
    default:
        return 20000;
    }
}

// ---------------------------------------------------------------- shared control

void CDeviceJobControl::Cancel(quint64 id)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_cancelledUpTo = std::max(m_cancelledUpTo, id);
    }
    m_changed.notify_all();
}

bool CDeviceJobControl::IsCancelled(quint64 id) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return id <= m_cancelledUpTo;
}

bool CDeviceJobControl::WaitForPassword(quint64 id, QString* password)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_answerId == id || id <= m_cancelledUpTo; });
    if (m_answerId != id || !m_answerGiven)
        return false;
    *password = m_answer;
    m_answer.clear();
    return true;
}

void CDeviceJobControl::AnswerPassword(quint64 id, bool given, const QString& password)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_answerId = id;
        m_answerGiven = given;
        m_answer = given ? password : QString();
    }
    m_changed.notify_all();
}

// ---------------------------------------------------------------- worker side

CDeviceWorker::CDeviceWorker(TransportFactory factory, std::shared_ptr<CDeviceJobControl> control)
    : m_factory(std::move(factory)), m_control(std::move(control))
{
}

void CDeviceWorker::Run(quint64 id, const DeviceJob& job)
{
    DeviceJobResult r;
    r.id = id;
    r.kind = job.kind;
    r.tag = job.tag;
    r.port = job.port;
    r.passwordCache = job.passwordCache;

    const TransportFactory factory = m_factory;
    const std::shared_ptr<CDeviceJobControl> control = m_control;
    CUnsettledPorts* unsettled = &m_unsettled;
    CRelaySession session([factory, control, id, unsettled]() -> std::unique_ptr<IDeviceTransport> {
        std::unique_ptr<IDeviceTransport> inner = factory ? factory() : nullptr;
        if (!inner)
            return nullptr;
        return std::make_unique<CCancellableTransport>(std::move(inner), control, id, unsettled);
    });
    session.SetPasswordCache(job.passwordCache);
    session.SetPasswordPrompt([this, id](QString* password) {
        if (m_control->IsCancelled(id))
            return false;
        Q_EMIT passwordWanted(id);
        return m_control->WaitForPassword(id, password);
    });
    session.SetProgressCallback([this, id](TransferDirection direction, int done, int total) {
        Q_EMIT progress(id, int(direction), done, total);
    });
    // Without a port the operations end with 34, as with no relay chosen.
    session.SetPort(job.port);

    const int size = int(job.image.size());
    switch (job.kind) {
    case DeviceJobKind::ListPorts:
        r.ports = DeviceDiscovery::CandidatePorts();
        break;
    case DeviceJobKind::IdentifyPort:
        r.result = session.IdentifyPort(job.port, &r.identification);
        break;
    case DeviceJobKind::Version:
        r.result = session.Identify(&r.identification);
        break;
    case DeviceJobKind::Send:
        r.result = job.verify ? session.SendAndVerifyProgram(job.model, job.image.data(), size, &r.verify)
                              : session.SendProgram(job.model, job.image.data(), size);
        break;
    case DeviceJobKind::Read:
        r.result = session.ReadProgramImage(job.model, &r.image);
        break;
    case DeviceJobKind::StartView:
        // The program to compare is a whole image of the model.
        r.result = size == ProgramImageSize(job.model) && size > 0
                       ? session.StartView(job.model, job.image.data(), size)
                       : RESULT_WRONG_MODEL;
        break;
    case DeviceJobKind::Poll:
        r.result = session.PollView(job.model, r.states);
        break;
    case DeviceJobKind::ChangePassword:
        r.result = session.ChangeRelayPassword(job.model, job.currentPassword, job.newPassword, job.confirmation);
        break;
    case DeviceJobKind::ResetPassword:
        r.result = session.ResetRelayPassword(job.model);
        break;
    }
    if (r.result == RESULT_NO_PORT)
        r.openFailure = session.LastOpenFailure();
    if (IsLineFailure(r.result) && !job.port.isEmpty())
        m_unsettled.Failed(job.port);
    if (r.result != RESULT_OK)
        r.image.clear();
    r.passwordCache = session.PasswordCache();
    r.passwordCacheChanged = r.passwordCache != job.passwordCache;
    r.cancelled = m_control->IsCancelled(id);
    Q_EMIT finished(r);
}

// ---------------------------------------------------------------- window side

CDeviceWorkerThread::CDeviceWorkerThread(TransportFactory factory, QObject* parent)
    : QObject(parent), m_control(std::make_shared<CDeviceJobControl>())
{
    qRegisterMetaType<DeviceJob>();
    qRegisterMetaType<DeviceJobResult>();
    m_thread.setObjectName(QStringLiteral("QuorvexDevice"));
    m_worker = new CDeviceWorker(std::move(factory), m_control);
    m_worker->moveToThread(&m_thread);
    connect(this, &CDeviceWorkerThread::runJob, m_worker, &CDeviceWorker::Run, Qt::QueuedConnection);
    connect(m_worker, &CDeviceWorker::finished, this, &CDeviceWorkerThread::OnFinished, Qt::QueuedConnection);
    connect(m_worker, &CDeviceWorker::progress, this, &CDeviceWorkerThread::transferProgress, Qt::QueuedConnection);
    connect(m_worker, &CDeviceWorker::passwordWanted, this, &CDeviceWorkerThread::OnPasswordWanted,
            Qt::QueuedConnection);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, &CDeviceWorkerThread::OnTimeLimit);
    m_thread.start();
}

CDeviceWorkerThread::~CDeviceWorkerThread()
{
    CancelAll();
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

quint64 CDeviceWorkerThread::Post(DeviceJob job)
{
    const quint64 id = m_nextId++;
    auto at = m_queue.end();
    if (!IsBackgroundJob(job.kind))
        at = std::find_if(m_queue.begin(), m_queue.end(), [](const Pending& p) { return IsBackgroundJob(p.job.kind); });
    m_queue.insert(at, Pending{id, std::move(job)});
    Dispatch();
    return id;
}

int CDeviceWorkerThread::Count(DeviceJobKind kind) const
{
    const int running = m_running != 0 && m_runningKind == kind ? 1 : 0;
    return running + int(std::count_if(m_queue.begin(), m_queue.end(), [kind](const Pending& p) { return p.job.kind == kind; }));
}

void CDeviceWorkerThread::DropQueued(DeviceJobKind kind)
{
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), [kind](const Pending& p) { return p.job.kind == kind; }),
                  m_queue.end());
}

void CDeviceWorkerThread::CancelAll()
{
    m_queue.clear();
    if (m_running != 0) {
        m_runningCancelled = true;
        m_control->Cancel(m_running);
    }
}

void CDeviceWorkerThread::AnswerPassword(quint64 id, bool given, const QString& password)
{
    if (id != m_running || !m_waitingForPassword)
        return;
    m_waitingForPassword = false;
    m_control->AnswerPassword(id, given, password);
    m_limit.start(LimitMs());
}

void CDeviceWorkerThread::Dispatch()
{
    if (m_running != 0 || m_queue.empty())
        return;
    Pending next = std::move(m_queue.front());
    m_queue.pop_front();
    m_running = next.id;
    m_runningKind = next.job.kind;
    m_runningTimedOut = false;
    m_runningCancelled = false;
    m_waitingForPassword = false;
    m_limit.start(LimitMs());
    Q_EMIT jobStarted(next.id, next.job.kind);
    Q_EMIT runJob(next.id, next.job);
}

void CDeviceWorkerThread::OnFinished(const DeviceJobResult& finished)
{
    if (finished.id != m_running)
        return;
    DeviceJobResult result = finished;
    result.timedOut = m_runningTimedOut;
    result.cancelled = m_runningCancelled || m_runningTimedOut;
    // A job cut short by its time limit failed for want of an answer in time, whatever byte
    // it was waiting for.
    if (result.timedOut && result.result != RESULT_OK)
        result.result = RESULT_TIMEOUT;
    m_limit.stop();
    m_running = 0;
    m_waitingForPassword = false;
    // The next job starts before the result is handled: a message box that the result opens
    // must not hold the queue.
    Dispatch();
    Q_EMIT jobFinished(result);
}

void CDeviceWorkerThread::OnPasswordWanted(quint64 id)
{
    if (id != m_running)
        return;
    if (m_runningCancelled || m_runningTimedOut) {
        m_control->AnswerPassword(id, false, QString());
        return;
    }
    // The user takes the time the user needs.
    m_limit.stop();
    m_waitingForPassword = true;
    Q_EMIT passwordWanted(id);
}

int CDeviceWorkerThread::LimitMs() const
{
    return m_limitOverrideMs > 0 ? m_limitOverrideMs : DeviceJobTimeLimitMs(m_runningKind);
}

void CDeviceWorkerThread::OnTimeLimit()
{
    if (m_running == 0 || m_waitingForPassword)
        return;
    m_runningTimedOut = true;
    m_control->Cancel(m_running);
}
