// Drives the real main window against virtual relays that pace their line at 1200 baud and
// measures how long the window's event loop ever stalls: during a program send (read back
// and compared), a read, a discovery pass over a port where nothing answers, and ten seconds
// of live view; and how long each transfer takes against the wire time of the bytes that
// crossed the line.
//
// Usage: bench_responsiveness [--grab FILE.png]   (the window, grabbed halfway through a send)
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.

#include "CommandIds.h"
#include "DeviceWorker.h"
#include "Discovery.h"
#include "FrameDialogs.h"
#include "LanguageManager.h"
#include "MainFrame.h"
#include "RelayController.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "StallProbe.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <tuple>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int PROBE_MS = CStallProbe::PROBE_MS;
constexpr double BYTE_SECONDS = 10.0 / 1200.0;

std::atomic<std::int64_t> g_lineBytes{0};

// The production transport, counting the bytes that cross the line both ways.
class CCountingTransport final : public IDeviceTransport {
public:
    CCountingTransport() : m_inner(CreateSerialTransport()) {}
    bool Open(const QString& portName) override { return m_inner->Open(portName); }
    PortOpenFailure OpenFailure() const override { return m_inner->OpenFailure(); }
    void Configure() override { m_inner->Configure(); }
    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
    {
        const ReadStatus status = m_inner->ReadByte(byte, timeoutMs);
        if (status == ReadStatus::Ok)
            ++g_lineBytes;
        return status;
    }
    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        const std::int64_t written = m_inner->Write(data, size, timeoutMs);
        if (written > 0)
            g_lineBytes += written;
        return written;
    }
    void Close() override { m_inner->Close(); }

private:
    std::unique_ptr<IDeviceTransport> m_inner;
};

// The window's questions answered without dialogs: the model, "no" to saving.
class CBenchDialogs final : public CFrameDialogs {
public:
    int model = 0;
    int errors = 0;
    int QueryModel(QWidget*, int, bool) override { return model; }
    Answer AskYesNoCancel(QWidget*, const QString&, const QString&) override { return No; }
    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        ++errors;
        std::fprintf(stderr, "bench_responsiveness: message: %s: %s\n", qPrintable(caption), qPrintable(text));
    }
    bool ShowErrorOfferingHelp(QWidget* owner, const QString& caption, const QString& text) override
    {
        ShowError(owner, caption, text);
        return false;
    }
    bool AskDevicePassword(QWidget*, QString*) override { return false; }
};

// Runs the event loop until `done` holds (checked every millisecond) or the time is up.
bool RunUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void RunFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

QString StartRelay(QProcess& relay, const char* model)
{
    relay.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    relay.start(QCoreApplication::applicationDirPath() + QStringLiteral("/quorvex-virtual-relay"),
                {QStringLiteral("--model"), QLatin1String(model), QStringLiteral("--baud-pacing")});
    if (!relay.waitForStarted(5000) || !relay.waitForReadyRead(5000))
        return QString();
    return QString::fromLocal8Bit(relay.readLine()).trimmed();
}

// A pseudo-terminal where nothing ever answers: its other side is held open and never read.
QString OpenSilentPort(int* master)
{
    *master = posix_openpt(O_RDWR | O_NOCTTY);
    if (*master < 0 || grantpt(*master) != 0 || unlockpt(*master) != 0)
        return QString();
    const char* name = ptsname(*master);
    if (!name)
        return QString();
    const int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios settings{};
        if (tcgetattr(slave, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(slave, TCSANOW, &settings);
        }
        close(slave);
    }
    return QString::fromLocal8Bit(name);
}

struct Figures {
    double worstStall = 0;
    double worstRatio = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_STATE_HOME", config.path().toUtf8()); // recovery copies of the edits
    QApplication app(argc, argv);
    QString grabPath;
    const QStringList arguments = app.arguments();
    const qsizetype grabAt = arguments.indexOf(QStringLiteral("--grab"));
    if (grabAt > 0 && grabAt + 1 < arguments.size())
        grabPath = arguments.at(grabAt + 1);

    QProcess qvr;
    QProcess qvs;
    const QString qvrPath = StartRelay(qvr, "QVR_K115_ZQX");
    const QString qvsPath = StartRelay(qvs, "QVS_K115_318");
    int silentMaster = -1;
    const QString silentPath = OpenSilentPort(&silentMaster);
    if (qvrPath.isEmpty() || qvsPath.isEmpty() || silentPath.isEmpty()) {
        std::fprintf(stderr, "bench_responsiveness: the relays could not be started\n");
        return 1;
    }

    Figures figures;
    CStallProbe probe;
    std::printf("quorvex main window against paced virtual relays (1200 baud), stall probe every %d ms\n", PROBE_MS);

    for (const auto& [model, port, name] : {std::tuple{0, qvrPath, "QVR_K115_ZQX"}, std::tuple{1, qvsPath, "QVS_K115_318"}}) {
        qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE, port.toLocal8Bit());
        auto dialogs = std::make_unique<CBenchDialogs>();
        dialogs->model = model;
        CBenchDialogs* answers = dialogs.get();
        CMainFrame frame(std::move(dialogs));
        frame.Relays()->SetTransport([] { return std::unique_ptr<IDeviceTransport>(new CCountingTransport); });
        if (!frame.Create()) {
            std::fprintf(stderr, "bench_responsiveness: no language module\n");
            return 1;
        }
        frame.show();
        if (!RunUntil([&] { return frame.ActivePane() && frame.Relays()->Worker()->IsIdle(); }, 10000)) {
            std::fprintf(stderr, "bench_responsiveness: no pane, or discovery did not end\n");
            return 1;
        }
        // The menu bar: File, Edit, Device, Relay, Language, Help. Opening the Device menu
        // chooses the relay.
        Q_EMIT frame.menuBar()->actions().at(2)->menu()->aboutToShow();
        CQuorvexDoc* doc = frame.ActivePane()->GetDocument();
        for (int i = 4; i < doc->GetDataSize(); i += 5)
            doc->GetData()[i] ^= 0x5A;

        // The transfers: send with read-back, then read.
        struct Transfer {
            const char* what;
            int command;
        };
        for (const Transfer& transfer : {Transfer{"send, read back and compared", CommandIds::ID_TRANSMISSION_SENDSETTINGS},
                                         Transfer{"read", CommandIds::ID_TRANSMISSION_READSETTINGS}}) {
            g_lineBytes = 0;
            const int errorsBefore = answers->errors;
            probe.Start();
            QElapsedTimer clock;
            clock.start();
            frame.Action(transfer.command)->trigger();
            bool grabbed = grabPath.isEmpty() || transfer.command != CommandIds::ID_TRANSMISSION_SENDSETTINGS;
            const bool ended = RunUntil(
                [&] {
                    if (!grabbed && frame.TransferProgressBar()->value() >= 400) {
                        frame.grab().save(grabPath);
                        grabbed = true;
                    }
                    return !frame.RelayCommandRunning();
                },
                30000);
            const double elapsed = double(clock.nsecsElapsed()) / 1e9;
            const double stall = probe.StopMs();
            if (!ended || answers->errors != errorsBefore) {
                std::fprintf(stderr, "bench_responsiveness: the %s failed\n", transfer.what);
                return 1;
            }
            const double wire = double(g_lineBytes) * BYTE_SECONDS;
            const double ratio = elapsed / wire;
            std::printf("%s, %s: %lld bytes on the line, %.0f ms (wire time %.0f ms), ratio %.3f, worst stall %.1f ms\n",
                        name, transfer.what, static_cast<long long>(g_lineBytes.load()), elapsed * 1000, wire * 1000,
                        ratio, stall);
            figures.worstStall = std::max(figures.worstStall, stall);
            figures.worstRatio = std::max(figures.worstRatio, ratio);
        }

        // Ten seconds of live view.
        frame.Action(CommandIds::ID_TRANSMISSION_STARTVIEW)->trigger();
        if (!RunUntil([&] { return !frame.RelayCommandRunning(); }, 30000)
            || frame.ActivePane()->GetWorkMode() != WORK_MODE_DEVICE_VIEW) {
            std::fprintf(stderr, "bench_responsiveness: the live view did not start\n");
            return 1;
        }
        g_lineBytes = 0;
        probe.Start();
        RunFor(10000);
        const double viewStall = probe.StopMs();
        const int errorsBefore = answers->errors;
        frame.Action(CommandIds::ID_TRANSMISSION_STOPVIEW)->trigger();
        std::printf("%s, 10 s of live view: %lld bytes on the line (%.0f %% of the line's time), worst stall %.1f ms\n",
                    name, static_cast<long long>(g_lineBytes.load()), double(g_lineBytes) * BYTE_SECONDS * 10.0,
                    viewStall);
        if (answers->errors != errorsBefore) {
            std::fprintf(stderr, "bench_responsiveness: the live view failed\n");
            return 1;
        }
        figures.worstStall = std::max(figures.worstStall, viewStall);
        RunUntil([&] { return frame.Relays()->Worker()->IsIdle(); }, 5000);

        // A discovery pass over a port where nothing answers (once is enough).
        if (model == 0) {
            qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE, silentPath.toLocal8Bit());
            probe.Start();
            QElapsedTimer clock;
            clock.start();
            frame.Relays()->RefreshDeviceList();
            RunUntil([&] { return frame.Relays()->Worker()->IsIdle(); }, 20000);
            const double stall = probe.StopMs();
            std::printf("discovery pass over a silent port: %.0f ms, worst stall %.1f ms\n", double(clock.elapsed()), stall);
            figures.worstStall = std::max(figures.worstStall, stall);
        }
        frame.close();
    }
    close(silentMaster);
    qvr.terminate();
    qvs.terminate();
    qvr.waitForFinished(3000);
    qvs.waitForFinished(3000);
    std::printf("responsiveness: worst stall %.0f ms, worst transfer ratio %.3f\n", figures.worstStall, figures.worstRatio);
    return 0;
}
