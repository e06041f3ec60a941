#pragma once
// The device worker: one thread on which every serial transfer of a window runs, one job at a
// time, so that the window never waits for a relay.
//
// CDeviceWorkerThread lives on the window's thread. It owns the worker thread and the queue of
// jobs, starts one job at a time, limits how long a job may take and cancels jobs. A job
// carries copies of all it needs (the port, the program image, the password cache); the
// worker builds a relay session of its own for it and returns the outcome in a DeviceJobResult that
// the window applies on its own thread. The worker never touches the window's document or
// relay list, so a window may replace or destroy them while a job runs.
//
// A password that a job needs is asked through passwordWanted: the window shows its dialog and
// answers with AnswerPassword while the worker waits (the job's time limit is paused then).

#include "RelaySession.h"
#include "ResultCodes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

enum class DeviceJobKind {
    ListPorts,      // the candidate ports of a discovery pass
    IdentifyPort,   // one port of a discovery pass: open, identify, close
    Version,        // identification of the selected relay, whatever its model
    Send,           // the program into the relay; read back and compared when verify is set
    Read,           // the relay's program image
    StartView,      // checks that the relay holds the program before the live view starts
    Poll,           // one poll of the live view
    ChangePassword,
    ResetPassword,
};

// Discovery and the live view's polls run behind the user's commands: a command waits only
// for the job that runs when it is given, never for queued background jobs.
bool IsBackgroundJob(DeviceJobKind kind);

struct DeviceJob {
    DeviceJobKind kind = DeviceJobKind::Version;
    QString port;                      // the relay's port; empty when none is selected (34)
    ModelCode model = 0;               // the open program's model
    std::vector<std::uint8_t> image;   // Send: the program; StartView: the program to compare
    bool verify = false;               // Send: read the program back and compare it
    DeviceProtocol::PasswordBytes passwordCache{};
    QString currentPassword;           // ChangePassword: the three texts as typed
    QString newPassword;
    QString confirmation;
    quint64 tag = 0;                   // the caller's own mark, returned with the result
};

struct DeviceJobResult {
    quint64 id = 0;
    DeviceJobKind kind = DeviceJobKind::Version;
    quint64 tag = 0;
    int result = RESULT_OK;
    bool timedOut = false;             // ended by the job's time limit (the result is 37 then)
    bool cancelled = false;            // ended by Cancel or CancelAll
    PortOpenFailure openFailure = PortOpenFailure::None;  // why the port did not open (34)
    QString port;
    QStringList ports;                 // ListPorts
    std::uint8_t identification = 0;   // IdentifyPort, Version
    std::vector<std::uint8_t> image;   // Read: the relay's program, only on success
    DeviceProtocol::ChannelState states[2];  // Poll: one record per channel of the model
    DeviceProtocol::PasswordBytes passwordCache{};  // the cache after the job
    bool passwordCacheChanged = false;
    VerifyReport verify;               // Send with verify
};

Q_DECLARE_METATYPE(DeviceJob)
Q_DECLARE_METATYPE(DeviceJobResult)

// How long a job may take before it is ended with 37. Far beyond what a relay needs (about
// 2 s for a program at 1200 baud, 8 ms per identification), so that only a relay that keeps
// dribbling bytes slower than the per-byte time-out is cut short. Waiting for the user's
// password does not count.
int DeviceJobTimeLimitMs(DeviceJobKind kind);

// Cancellation and the password answer, shared by the window's side and the worker.
class CDeviceJobControl {
public:
    // Cancels every job up to this ID (IDs increase): its transfers end at the next byte.
    void Cancel(quint64 id);
    bool IsCancelled(quint64 id) const;
    // Worker side: waits for the answer to the password question of job `id`; false when the
    // user cancelled or the job was cancelled.
    bool WaitForPassword(quint64 id, QString* password);
    // Window side.
    void AnswerPassword(quint64 id, bool given, const QString& password);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    quint64 m_cancelledUpTo = 0;
    quint64 m_answerId = 0;
    bool m_answerGiven = false;
    QString m_answer;
};

// Ports whose line failed a moment ago (a reply that came late, broken or not at all). The relay
// may still be sending: a reply held up on the line, or the rest of a frame that was given up.
// Taken for the answer to the next request, such a late reply would be misread (an earlier
// "accepted" as an identification, say). So before the next job on such a port sends anything,
// whatever still arrives is discarded until the line has been silent for the per-byte time-out
// since the failure (or since the last stale byte). A sound line never fails, so it never waits.
// Used on the worker thread only.
class CUnsettledPorts {
public:
    static constexpr int SETTLE_MS = DeviceProtocol::READ_TIMEOUT_MS;

    // A job on the port has just failed on the line.
    void Failed(const QString& port);
    // Right after the port opened: lets the line settle if it failed less than SETTLE_MS ago.
    void Settle(const QString& port, IDeviceTransport& transport);

private:
    std::map<QString, QElapsedTimer> m_quietFor;
};

// Runs jobs on the worker thread (it is moved there).
class CDeviceWorker : public QObject {
    Q_OBJECT

public:
    CDeviceWorker(TransportFactory factory, std::shared_ptr<CDeviceJobControl> control);

public Q_SLOTS:
    void Run(quint64 id, const DeviceJob& job);

Q_SIGNALS:
    void finished(const DeviceJobResult& result);
    void progress(quint64 id, int direction, int done, int total);
    void passwordWanted(quint64 id);

private:
    TransportFactory m_factory;
    std::shared_ptr<CDeviceJobControl> m_control;
    CUnsettledPorts m_unsettled;
};

class CDeviceWorkerThread : public QObject {
    Q_OBJECT

public:
    // factory: the transport of every job (tests script the wire through it).
    explicit CDeviceWorkerThread(TransportFactory factory = CreateSerialTransport, QObject* parent = nullptr);
    // Cancels the running job and drops the queued ones, then ends the thread: the running
    // job closes its port before the thread ends (at most about a second, a write's time-out).
    ~CDeviceWorkerThread() override;

    // Queues a job and returns its ID. A command of the user goes ahead of queued background
    // jobs; otherwise jobs run in the order they are posted.
    quint64 Post(DeviceJob job);
    // Whether a job of the kind is running or queued, and how many there are.
    bool Has(DeviceJobKind kind) const { return Count(kind) > 0; }
    int Count(DeviceJobKind kind) const;
    bool IsIdle() const { return m_running == 0 && m_queue.empty(); }
    quint64 RunningJob() const { return m_running; }
    DeviceJobKind RunningKind() const { return m_runningKind; }
    // Drops the queued jobs of a kind (they are not reported).
    void DropQueued(DeviceJobKind kind);
    // Ends the running job at its next byte (reported as cancelled) and drops every queued one.
    void CancelAll();
    // The answer to passwordWanted(id); given false when the user cancelled.
    void AnswerPassword(quint64 id, bool given, const QString& password);
    // Whether the running job waits for the user's password.
    bool WaitsForPassword() const { return m_waitingForPassword; }
    // One time limit for every job from now on, instead of each kind's own (0 restores those).
    void SetTimeLimitMs(int limitMs) { m_limitOverrideMs = limitMs; }

Q_SIGNALS:
    void jobStarted(quint64 id, DeviceJobKind kind);
    void jobFinished(const DeviceJobResult& result);
    // Bytes of a program transfer (TransferDirection as int): sending, the wire bytes of the
    // program frame handed to the port; receiving, the program bytes received.
    void transferProgress(quint64 id, int direction, int done, int total);
    // The running job needs the relay's password: answer with AnswerPassword.
    void passwordWanted(quint64 id);
    // To the worker (a queued connection): runs one job there.
    void runJob(quint64 id, const DeviceJob& job);

private:
    void Dispatch();
    void OnFinished(const DeviceJobResult& result);
    void OnPasswordWanted(quint64 id);
    void OnTimeLimit();
    int LimitMs() const;

    struct Pending {
        quint64 id;
        DeviceJob job;
    };
    std::shared_ptr<CDeviceJobControl> m_control;
    QThread m_thread;
    CDeviceWorker* m_worker = nullptr;
    std::deque<Pending> m_queue;
    quint64 m_nextId = 1;
    quint64 m_running = 0;
    DeviceJobKind m_runningKind = DeviceJobKind::Version;
    bool m_runningTimedOut = false;
    bool m_runningCancelled = false;
    bool m_waitingForPassword = false;
    int m_limitOverrideMs = 0;
    QTimer m_limit;
};
