#include "CtlRelay.h"

#include "Discovery.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QFile>
#include <QThread>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

using namespace DeviceProtocol;

const char CTL_PORT_HELP[] =
    "  --port PORT          the relay's serial port: /dev/ttyACM0, /dev/ttyUSB0, a virtual\n"
    "                       relay's /dev/pts/N, COM3 on Windows. Without it the relay is\n"
    "                       found by itself when exactly one is attached (relays named in\n"
    "                       QUORVEX_EXTRA_PORTS, colon-separated, count as attached).\n";

const char CTL_PASSWORD_HELP[] =
    "  --password-file FILE the relay's password (model QVS_K115_318): the first line of\n"
    "                       FILE (- reads standard input). It may also come from the\n"
    "                       environment variable QUORVEX_PASSWORD; without either, it is\n"
    "                       asked for (without echo) when the relay wants one and\n"
    "                       standard input is a terminal. A password has at most 8 bytes\n"
    "                       in UTF-8: 8 characters without accents.\n"
    "  --password PW        the password on the command line (every user can see it in\n"
    "                       the process list: prefer the file, the variable or the prompt)\n";

const char CTL_VERBOSITY_HELP[] =
    "  -q, --quiet          print nothing but errors: no progress bar, no summary\n"
    "  -v, --verbose        show every frame to (>) and from (<) the relay on standard\n"
    "                       error, the password bytes hidden\n";

namespace {

// ---------------------------------------------------------------- standard error, shared
//
// While a transfer runs, its worker thread (frames, a password prompt) and the calling
// thread (the progress bar) both write to standard error: every write goes through here.

std::mutex g_errLock;
int g_barLength = 0; // characters of a progress line on screen without its line end

void ClearBarLocked()
{
    if (g_barLength > 0) {
        std::fprintf(stderr, "\r%*s\r", g_barLength, "");
        g_barLength = 0;
    }
}

void WriteErrLine(const QString& line)
{
    const std::lock_guard<std::mutex> lock(g_errLock);
    ClearBarLocked();
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// ---------------------------------------------------------------- frames shown with -v

QString CommandName(std::uint8_t command)
{
    switch (command) {
    case CMD_IDENTIFY: return QStringLiteral("identify");
    case CMD_WRITE_PROGRAM: return QStringLiteral("write program");
    case CMD_READ_PROGRAM: return QStringLiteral("read program");
    case CMD_READ_STATE: return QStringLiteral("read state");
    case CMD_SEND_PASSWORD: return QStringLiteral("password");
    case CMD_CHANGE_PASSWORD: return QStringLiteral("change password");
    case CMD_RESET_PASSWORD: return QStringLiteral("reset password");
    default: return QStringLiteral("reply");
    }
}

// Collects the bytes of one direction and prints each frame once it is complete.
class CFrameDecoder {
public:
    explicit CFrameDecoder(bool sending) : m_sending(sending) {}

    void Feed(std::uint8_t byte)
    {
        if (byte == FRAME_START) {
            Flush();
            m_inFrame = true;
            m_escape = false;
            m_bytes.clear();
            return;
        }
        if (!m_inFrame)
            return;
        if (m_escape) {
            m_escape = false;
            byte = byte == ESCAPED_ESCAPE ? FRAME_ESCAPE : byte == ESCAPED_START ? FRAME_START : byte;
        } else if (byte == FRAME_ESCAPE) {
            m_escape = true;
            return;
        }
        m_bytes.push_back(byte);
        if (m_bytes.front() < FRAME_OVERHEAD || int(m_bytes.size()) >= m_bytes.front())
            Print(false);
    }

    // A frame cut short (the other side stopped) is shown as far as it came.
    void Flush()
    {
        if (m_inFrame && !m_bytes.empty())
            Print(true);
        m_inFrame = false;
    }

private:
    void Print(bool incomplete)
    {
        m_inFrame = false;
        const int size = std::max(0, int(m_bytes.size()) - (incomplete ? 2 : FRAME_OVERHEAD));
        const std::uint8_t command = m_bytes.size() > 1 ? m_bytes[1] : 0;
        QString line = QStringLiteral("%1 %2 (%3), %4 data byte%5")
                           .arg(m_sending ? QLatin1Char('>') : QLatin1Char('<'))
                           .arg(command)
                           .arg(m_sending ? CommandName(command) : QStringLiteral("reply"))
                           .arg(size)
                           .arg(size == 1 ? "" : "s");
        if (incomplete)
            line += QStringLiteral(", incomplete");
        const bool secret = m_sending && (command == CMD_SEND_PASSWORD || command == CMD_CHANGE_PASSWORD);
        if (secret) {
            line += QStringLiteral(": (not shown)");
        } else if (size > 0) {
            line += QLatin1Char(':');
            for (int i = 0; i < size; ++i) {
                if (i > 0 && i % 32 == 0)
                    line += QStringLiteral("\n   ");
                line += QStringLiteral(" %1").arg(m_bytes[std::size_t(2 + i)], 2, 16, QLatin1Char('0')).toUpper();
            }
        }
        WriteErrLine(line);
        m_bytes.clear();
    }

    bool m_sending;
    bool m_inFrame = false;
    bool m_escape = false;
    std::vector<std::uint8_t> m_bytes;
};

// A serial transport that shows every frame that passes through it.
class CTracingTransport final : public IDeviceTransport {
public:
    explicit CTracingTransport(std::unique_ptr<IDeviceTransport> port) : m_port(std::move(port)) {}
    ~CTracingTransport() override { Close(); }

    bool Open(const QString& portName) override { return m_port->Open(portName); }
    PortOpenFailure OpenFailure() const override { return m_port->OpenFailure(); }
    void Configure() override { m_port->Configure(); }
    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
    {
        const ReadStatus status = m_port->ReadByte(byte, timeoutMs);
        if (status == ReadStatus::Ok)
            m_received.Feed(*byte);
        return status;
    }
    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        for (std::int64_t i = 0; i < size; ++i)
            m_sent.Feed(data[i]);
        return m_port->Write(data, size, timeoutMs);
    }
    void Close() override
    {
        m_sent.Flush();
        m_received.Flush();
        m_port->Close();
    }

private:
    std::unique_ptr<IDeviceTransport> m_port;
    CFrameDecoder m_sent{true};
    CFrameDecoder m_received{false};
};

TransportFactory Factory(bool verbose)
{
    if (!verbose)
        return CreateSerialTransport;
    return [] { return std::make_unique<CTracingTransport>(CreateSerialTransport()); };
}

// ---------------------------------------------------------------- progress bar

// Time one byte takes on the relay's line: start bit, 8 data bits, stop bit at 1200 baud.
constexpr double BYTE_SECONDS = 10.0 / BAUD_RATE;
constexpr int BAR_WIDTH = 30;

// Progress of a transfer as the device reports it (worker thread), drawn by the calling
// thread. A written frame is accepted by the port at once and then crosses the line at
// 1200 baud while nothing reports it, so the sending bar follows the line speed, never
// ahead of the bytes handed to the port; the receiving bar shows the bytes that arrived.
class CProgressBar {
public:
    CProgressBar()
        : m_sendingLabel(CtlText(Language::TEXT_STATUS_SENDING)), m_receivingLabel(CtlText(Language::TEXT_STATUS_READING))
    {
    }

    void Update(TransferDirection direction, int done, int total)
    {
        const std::lock_guard<std::mutex> lock(g_errLock);
        if (m_started && direction != m_direction) {
            // The relay answered: the bytes of the previous phase have all gone.
            DrawLocked(m_total, true);
        }
        if (!m_started || direction != m_direction)
            m_phaseStart = std::chrono::steady_clock::now();
        m_started = true;
        m_direction = direction;
        m_done = done;
        m_total = total;
    }

    void Draw()
    {
        const std::lock_guard<std::mutex> lock(g_errLock);
        if (m_started)
            DrawLocked(Shown(), false);
    }

    // Ends the bar: complete after a success, as far as it came otherwise.
    void Finish(bool complete)
    {
        const std::lock_guard<std::mutex> lock(g_errLock);
        if (m_started)
            DrawLocked(complete ? m_total : Shown(), true);
    }

private:
    int Shown() const
    {
        if (m_direction == TransferDirection::Receiving)
            return m_done;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_phaseStart).count();
        return std::min(m_done, int(seconds / BYTE_SECONDS));
    }

    void DrawLocked(int shown, bool end)
    {
        const int total = std::max(1, m_total);
        shown = std::clamp(shown, 0, total);
        const int filled = shown * BAR_WIDTH / total;
        const QString& label = m_direction == TransferDirection::Sending ? m_sendingLabel : m_receivingLabel;
        const QString line = QStringLiteral("%1 [%2%3] %4% %5/%6")
                                 .arg(label, QString(filled, QLatin1Char('#')), QString(BAR_WIDTH - filled, QLatin1Char('.')))
                                 .arg(shown * 100 / total, 3)
                                 .arg(shown)
                                 .arg(m_total);
        const QByteArray bytes = line.toLocal8Bit();
        std::fprintf(stderr, "\r%s", bytes.constData());
        const int length = int(line.size());
        if (length < g_barLength)
            std::fprintf(stderr, "%*s", g_barLength - length, "");
        if (end) {
            std::fputc('\n', stderr);
            g_barLength = 0;
        } else {
            g_barLength = std::max(length, g_barLength);
        }
        std::fflush(stderr);
    }

    const QString m_sendingLabel;
    const QString m_receivingLabel;
    bool m_started = false;
    TransferDirection m_direction = TransferDirection::Sending;
    int m_done = 0;
    int m_total = 0;
    std::chrono::steady_clock::time_point m_phaseStart;
};

// ---------------------------------------------------------------- password prompt

#ifndef Q_OS_WIN
termios g_savedTerminal;
std::atomic<bool> g_echoOff{false};

// An interrupt while the echo is off gives the terminal its echo back before the tool ends.
void RestoreEchoAndExit(int signal)
{
    if (g_echoOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

QString WithoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&')).trimmed();
}

} // namespace

bool CtlPromptPassword(const QString& prompt, QString* password)
{
    if (!CtlIsTerminal(0))
        return false;
    const std::lock_guard<std::mutex> lock(g_errLock);
    ClearBarLocked();
    // Echo goes off before the prompt appears: switching it off discards pending input, so
    // doing it after the prompt would lose what is typed (or sent) in between and leave the
    // read waiting for ever.
    const auto showPrompt = [&prompt] {
        std::fprintf(stderr, "%s ", prompt.toLocal8Bit().constData());
        std::fflush(stderr);
    };
    char line[256] = {};
    bool read = false;
#ifdef Q_OS_WIN
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool console = GetConsoleMode(input, &mode);
    if (console)
        SetConsoleMode(input, mode & ~DWORD(ENABLE_ECHO_INPUT));
    showPrompt();
    read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (console)
        SetConsoleMode(input, mode);
#else
    if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0)
        return false;
    termios silent = g_savedTerminal;
    silent.c_lflag &= ~tcflag_t(ECHO);
    silent.c_lflag |= ECHONL;
    auto previousInt = std::signal(SIGINT, RestoreEchoAndExit);
    auto previousTerm = std::signal(SIGTERM, RestoreEchoAndExit);
    g_echoOff = true;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    showPrompt();
    read = std::fgets(line, sizeof line, stdin) != nullptr;
    tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    g_echoOff = false;
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
#endif
    std::fflush(stderr);
    if (!read)
        return false;
    QByteArray bytes(line);
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    *password = QString::fromUtf8(bytes);
    return true;
}

bool CtlReadPasswordFile(const QString& path, QString* password)
{
    QByteArray bytes;
    // A password file is a line; anything long is not one.
    if (CtlReadBytes(path, 4096, &bytes) != RESULT_OK)
        return false;
    const qsizetype end = bytes.indexOf('\n');
    if (end >= 0)
        bytes.truncate(end);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    *password = QString::fromUtf8(bytes);
    return true;
}

bool CtlTakePassword(CtlContext& context, const CtlOptions& options, const char* option, const char* fileOption,
                     const char* variable, CtlPassword* password)
{
    if (option && options.Has(option)) {
        if (fileOption && options.Has(fileOption)) {
            CtlUsageError(context, QStringLiteral("give %1 or %2, not both").arg(QLatin1String(option), QLatin1String(fileOption)));
            return false;
        }
        *password = {true, options.Value(option), QLatin1String(option)};
    } else if (fileOption && options.Has(fileOption)) {
        const QString path = options.Value(fileOption);
        password->given = true;
        password->source = QStringLiteral("%1 %2").arg(QLatin1String(fileOption), path);
        if (!CtlReadPasswordFile(path, &password->text)) {
            CtlUsageError(context, QStringLiteral("the password file %1 cannot be read").arg(path));
            return false;
        }
    } else if (variable && qEnvironmentVariableIsSet(variable)) {
        *password = {true, qEnvironmentVariable(variable), QLatin1String(variable)};
    }
    if (password->given && !PasswordFits(password->text)) {
        CtlUsageError(context, CtlFormat(Language::TEXT_CTL_PASSWORD_TOO_LONG,
                                         {password->source, PasswordByteLength(password->text)}));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- the relay

CtlRelay::CtlRelay(CtlContext& context, bool verbose) : m_context(context), m_session(Factory(verbose)) {}

void CtlRelay::Discover()
{
    DeviceDiscovery::RunPass(m_relays, m_session);
}

int CtlRelay::ReadProgram(CQuorvexDoc& doc)
{
    std::vector<std::uint8_t> image;
    const int result = m_session.ReadProgramImage(doc.GetModelCode(), &image);
    if (result != RESULT_OK)
        return result;
    if (int(image.size()) != doc.GetDataSize())
        return RESULT_WRONG_MODEL;
    std::copy(image.begin(), image.end(), doc.GetData());
    doc.SetModified();
    return RESULT_OK;
}

int CtlRelay::Select(const CtlOptions& options)
{
    if (options.Has("--port")) {
        m_port = options.Value("--port");
        if (m_port.isEmpty())
            return CtlUsageError(m_context, QStringLiteral("--port needs a port name"));
        std::uint8_t identification = 0;
        if (const int result = m_session.IdentifyPort(m_port, &identification))
            return Report(result);
        m_relays.BeginPass();
        m_relays.AddOrMarkIdentified(m_port, identification);
        m_relays.EndPass();
    } else {
        Discover();
        if (m_relays.GetCount() == 0)
            return CtlFail(m_context, RESULT_NO_PORT, CtlText(Language::TEXT_CTL_NO_RELAYS));
        if (m_relays.GetCount() > 1) {
            QStringList ports;
            for (int i = 0; i < m_relays.GetCount(); ++i)
                ports << QStringLiteral("%1 %2").arg(m_relays.GetPortName(i), CtlModelName(m_relays.GetDeviceType(i)));
            return CtlUsageError(m_context, CtlFormat(Language::TEXT_CTL_SEVERAL_RELAYS,
                                                      {m_relays.GetCount(), ports.join(QStringLiteral(", "))}));
        }
        m_port = m_relays.GetPortName(0);
    }
    m_relays.SelectDevice(0);
    m_deviceType = m_relays.GetDeviceType(0);
    m_session.SetPort(m_port);
    // Identified just now: the operation does not ask the relay again.
    m_session.TrustIdentification(DeviceProtocol::IdentificationByte(m_deviceType, m_relays.GetRevision(0)));
    return RESULT_OK;
}

bool CtlRelay::PreparePassword(const CtlOptions& options)
{
    if (!CtlTakePassword(m_context, options, "--password", "--password-file", CTL_PASSWORD_VARIABLE, &m_password))
        return false;
    // The unlock step sends the remembered (empty) password first and asks only when the
    // relay refuses it, once; a refusal is reported, never retried.
    m_session.SetPasswordPrompt([this](QString* text) {
        if (m_password.given) {
            *text = m_password.text;
            return true;
        }
        const QString prompt = WithoutMnemonic(CtlText(Language::TEXT_PASSWORD_ENTRY_PROMPT));
        if (!CtlPromptPassword(prompt, text)) {
            m_passwordMissing = true;
            return false;
        }
        m_prompted = true;
        m_password = {true, *text, QStringLiteral("the prompt")};
        return true;
    });
    return true;
}

int CtlRelay::Transfer(const CtlOptions& options, const std::function<int()>& operation)
{
    m_context.err.flush();
    if (options.Has("--quiet") || !CtlIsTerminal(2))
        return operation();
    CProgressBar bar;
    m_session.SetProgressCallback(
        [&bar](TransferDirection direction, int done, int total) { bar.Update(direction, done, total); });
    int result = RESULT_OK;
    std::unique_ptr<QThread> worker(QThread::create([&result, &operation] { result = operation(); }));
    worker->start();
    while (!worker->wait(100))
        bar.Draw();
    bar.Finish(result == RESULT_OK);
    m_session.SetProgressCallback({});
    return result;
}

int CtlRelay::Report(int result, ModelCode programModel, const QString& file, const VerifyReport* verify)
{
    using namespace Language;
    switch (result) {
    case RESULT_OK: return result;
    case RESULT_NO_PORT: {
        int text = TEXT_CTL_PORT_NOT_OPENED;
        switch (m_session.LastOpenFailure()) {
        case PortOpenFailure::NotFound: text = TEXT_CTL_NO_SUCH_PORT; break;
        case PortOpenFailure::AccessDenied: text = TEXT_PORT_ACCESS_DENIED; break;
        case PortOpenFailure::Busy: text = TEXT_CTL_PORT_BUSY; break;
        default: break;
        }
        return CtlFail(m_context, result, CtlFormat(text, {m_port}));
    }
    case RESULT_WRONG_MODEL:
        return CtlFail(m_context, result,
                       CtlFormat(TEXT_CTL_WRONG_MODEL, {m_port, CtlModelName(m_deviceType),
                                                        CtlModelName(ModelNumber(programModel))}));
    case RESULT_VIEW_MISMATCH: return CtlFail(m_context, result, CtlFormat(TEXT_CTL_VIEW_MISMATCH, {m_port, file}));
    case RESULT_PASSWORD_REFUSED:
        return CtlFail(m_context, result,
                       CtlFormat(m_passwordMissing ? TEXT_CTL_PASSWORD_WANTED : TEXT_CTL_PASSWORD_REFUSED, {m_port}));
    case RESULT_PASSWORD_MISMATCH: return CtlFail(m_context, result, CtlText(TEXT_CTL_PASSWORD_MISMATCH));
    case RESULT_RESET_REFUSED: return CtlFail(m_context, result, CtlFormat(TEXT_CTL_RESET_REFUSED, {m_port}));
    case RESULT_NO_PASSWORD:
        return CtlFail(m_context, result, CtlFormat(TEXT_CTL_NO_PASSWORD, {CtlModelName(m_deviceType)}));
    case RESULT_PASSWORD_TOO_LONG:
        return CtlFail(m_context, result,
                       CtlFormat(TEXT_CTL_PASSWORD_TOO_LONG, {m_password.source, PasswordByteLength(m_password.text)}));
    case RESULT_VERIFY_MISMATCH:
        if (verify)
            return CtlFail(m_context, result,
                           CtlFormat(TEXT_CTL_VERIFY_MISMATCH, {m_port, verify->differing,
                                                                ProgramImageSize(programModel), verify->firstDifference}));
        break;
    default: break;
    }
    return CtlReport(m_context, result, m_port);
}
