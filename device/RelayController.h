#pragma once
// The relay controller: everything a window does with relays, without a widget. It owns the
// device worker, the discovery passes, the list of attached relays with the relay the
// commands go to, and the password the relay last accepted; it runs the user's relay commands
// and the live view's polls as jobs of the worker and reports what they did through signals.
//
// A window gives it the open program's model (SetModel), starts commands with the program's
// image, answers passwordWanted with AnswerPassword, and shows what the signals tell. The
// window never waits for a relay; one command runs at a time (CommandRunning).

#include "DeviceWorker.h"
#include "RelayList.h"
#include "TransferProgress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The relay commands of the user.
enum class RelayCommand {
    None,
    Send,            // the program into the relay (read back and compared when that option is on)
    Read,            // the relay's program, to replace the open one
    Compare,         // the relay's program, to compare with the open one
    Version,         // the relay's identification, whatever its model
    ChangePassword,
    ResetPassword,
    StartView,       // checks that the relay holds the program before the live view starts
};

// Whether a command moves a program across the line (its progress is worth showing).
bool RelayCommandShowsProgress(RelayCommand command);

// What a command did.
struct RelayOutcome {
    RelayCommand command = RelayCommand::None;
    int result = 0;                      // 0 or a result code
    PortOpenFailure openFailure = PortOpenFailure::None;  // why the port did not open (34)
    QString port;                        // the relay's port
    double seconds = 0.0;                // the time the relay took (the password's wait not counted)
    std::uint8_t identification = 0;     // Version
    // Read and Compare: the relay's program (only on success); StartView: the program the relay
    // was found to hold, as it was given to StartView.
    std::vector<std::uint8_t> image;
    bool verified = false;               // Send: read back and found equal
};

// One poll of the live view: one record per channel of the model.
using RelayStates = std::array<DeviceProtocol::ChannelState, 2>;

Q_DECLARE_METATYPE(RelayCommand)
Q_DECLARE_METATYPE(RelayOutcome)
Q_DECLARE_METATYPE(RelayStates)

// How often discovery looks for relays, and the live view asks the relay for its state.
constexpr int DISCOVERY_PERIOD_MS = 5000;
constexpr int DEVICE_VIEW_PERIOD_MS = 100;

class CRelayController : public QObject {
    Q_OBJECT

public:
    // factory: the transport of every relay transfer (tests and benchmarks script the wire).
    explicit CRelayController(TransportFactory factory = CreateSerialTransport, QObject* parent = nullptr);
    ~CRelayController() override;

    // Another transport from now on: the jobs of the worker that goes are dropped, what they
    // were for starts again. Call it while no relay job runs.
    void SetTransport(TransportFactory factory);
    // The thread on which every transfer runs, one job at a time.
    CDeviceWorkerThread* Worker() const { return m_worker.get(); }
    // The time since the controller was made, in milliseconds (commands are timed on it).
    qint64 NowMs() const { return m_clock.elapsed(); }

    // ---- the program and its relays
    // A program of the model is shown now (0: none). Another model starts afresh: no relay in
    // the list, none chosen, no password known, and what was started for the earlier one is
    // forgotten. With a model, discovery runs: a pass at once, then every 5 seconds.
    void SetModel(ModelCode model);
    ModelCode Model() const { return m_model; }
    const CRelayList& List() const { return m_list; }
    // A discovery pass has ended since the model was set (until then nothing is known).
    bool FirstPassDone() const { return m_firstPassDone; }
    // Chooses the relay the commands go to: only one of the program's model. False otherwise.
    bool SelectRelay(int index);
    // The candidate rule: the chosen relay while it is attached and fits the program, else the
    // last relay of the program's model; no relay of that model leaves the choice as it is.
    void ChooseCandidate();
    // The device type (model number) of the chosen relay; 0 when none is chosen.
    int SelectedDeviceType() const { return m_list.GetDeviceType(m_list.GetSelected()); }
    const DeviceProtocol::PasswordBytes& PasswordCache() const { return m_passwordCache; }

    // Starts a discovery pass unless one runs (the 5-second timer calls it too).
    void RefreshDeviceList();
    // A pass asked for by the user: its end is reported with searchDone; asked while a pass
    // runs, it gets a pass of its own after that one.
    void Search();
    bool PassRunning() const { return m_pass.running; }

    // ---- the option of Send: read the program back and compare it (remembered for the next run)
    bool VerifyAfterSend() const { return m_verifyAfterSend; }
    void SetVerifyAfterSend(bool on);

    // ---- commands: each goes to the chosen relay with the program's model
    bool CommandRunning() const { return m_command.job != 0 || m_deferred.has_value(); }
    RelayCommand RunningCommand() const { return m_command.kind; }
    void Send(std::vector<std::uint8_t> image);
    void Read();
    void Compare();
    void Version();
    // The three texts as typed; a differing confirmation ends with 41 before anything is sent.
    void ChangePassword(const QString& current, const QString& next, const QString& confirmation);
    void ResetPassword();
    void StartView(std::vector<std::uint8_t> image);
    // The answer to passwordWanted; given false when the user cancelled.
    void AnswerPassword(bool given, const QString& password);
    // The running command waits for the user's password.
    bool WaitingForPassword() const { return m_command.waitingForPassword; }
    // The shown progress of the running command's transfer, 0..1000.
    int ProgressPermille() const { return m_transfer.Permille(NowMs()); }
    // A finished command is reported only while this says so (no dialog of the user's is open,
    // so that nothing changes under it); until then the command counts as running.
    void SetResultGate(std::function<bool()> ready) { m_resultGate = std::move(ready); }

    // ---- the live view, once the window has found the relay to hold the program
    bool Viewing() const { return m_viewing; }
    // Polls the relay every 100 ms; a poll still running at the next tick is not doubled.
    void BeginView();
    void EndView();

    // The window closes: the view and discovery stop, the running job is cancelled at its next
    // byte (the port is freed), a result that waited is dropped.
    void Shutdown();

Q_SIGNALS:
    // A discovery pass ended, or the chosen relay changed: the list and the choice are new.
    void relaysChanged();
    // The pass the user asked for has ended: the relays it found.
    void searchDone(int count);
    void commandStarted(RelayCommand command);
    // The command is over (whatever its result; also when it was cancelled).
    void commandEnded(RelayCommand command);
    // What an ended command did, unless it was cancelled or started for an earlier model.
    void commandFinished(const RelayOutcome& outcome);
    // The running command needs the relay's password: answer with AnswerPassword.
    void passwordWanted();
    void viewPolled(const RelayStates& states);
    // A poll failed: the view has ended (EndView) before this is told.
    void viewFailed(const RelayOutcome& outcome);

private:
    DeviceJob Job(DeviceJobKind kind) const;
    void Start(RelayCommand command, DeviceJob job);
    void OnJobFinished(const DeviceJobResult& result);
    void OnDiscoveryJob(const DeviceJobResult& result);
    void NextDiscoveryStep();
    void StopDiscovery();
    void OnPoll(const DeviceJobResult& result);
    void OnPollDue();
    void OnCommandJob(const DeviceJobResult& result);
    RelayOutcome Outcome(const DeviceJobResult& result) const;

    QElapsedTimer m_clock;
    std::unique_ptr<CDeviceWorkerThread> m_worker;
    ModelCode m_model = 0;
    quint64 m_generation = 1;  // a result for an earlier model is not applied
    CRelayList m_list;
    DeviceProtocol::PasswordBytes m_passwordCache{};
    bool m_verifyAfterSend = true;

    // The discovery pass under way: the ports to identify, the next one, what answered.
    struct Pass {
        bool running = false;
        quint64 generation = 1;
        QStringList ports;
        int next = 0;
        std::vector<std::pair<QString, std::uint8_t>> found;
    } m_pass;
    QTimer m_discoveryTimer;
    bool m_firstPassDone = false;
    bool m_searchReported = false;
    bool m_searchAgain = false;

    // The running command (job 0: none).
    struct Command {
        quint64 job = 0;
        RelayCommand kind = RelayCommand::None;
        std::vector<std::uint8_t> viewImage;  // StartView: the program compared
        qint64 startedMs = 0;
        qint64 askedMs = 0;
        qint64 passwordWaitMs = 0;
        bool waitingForPassword = false;
        double seconds = -1.0;  // the time the relay took, once its result came
    } m_command;
    CTransferProgress m_transfer;
    std::optional<DeviceJobResult> m_deferred;
    QTimer m_deferTimer;
    std::function<bool()> m_resultGate;

    bool m_viewing = false;
    quint64 m_viewSession = 1;
    QTimer m_pollTimer;
};
