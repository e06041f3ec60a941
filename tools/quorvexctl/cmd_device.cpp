// Relay commands: list, identify, send, read, watch and password.

#include "CtlCommon.h"
#include "Device.h"
#include "Discovery.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QThread>

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted = true;
}

QString ModelName(int deviceType)
{
    switch (deviceType) {
    case 1: return QStringLiteral("QVR_K115_ZQX");
    case 2: return QStringLiteral("QVS_K115_318");
    default: return QStringLiteral("unknown");
    }
}

int Usage(CtlContext& context, const char* usage)
{
    context.err << "usage: quorvexctl " << usage << Qt::endl;
    return CTL_USAGE_ERROR;
}

// Takes --port (required) and --password (optional) and prepares a CDevice with the relay on
// that port identified and selected. Returns a usage error, a result code, or 0.
struct RelayOptions {
    QString port;
    QString password;
    bool hasPassword = false;
};

bool TakeRelayOptions(CtlContext& context, RelayOptions* options, bool passwordAllowed = true)
{
    if (!CtlTakeOption(context.args, QStringLiteral("--port"), &options->port) || options->port.isEmpty())
        return false;
    if (passwordAllowed) {
        if (!CtlTakeOption(context.args, QStringLiteral("--password"), &options->password, &options->hasPassword))
            return false;
        if (options->password.size() > DeviceProtocol::PASSWORD_MAX_CHARACTERS) {
            context.err << "quorvexctl: a password has at most 8 characters" << Qt::endl;
            return false;
        }
    }
    return true;
}

int SelectRelay(CtlContext& context, CDevice& device, const RelayOptions& options)
{
    device.BeginPass();
    const int result = device.AddOrMark(options.port);
    device.EndPass();
    if (result != RESULT_OK)
        return CtlReport(context, result, options.port);
    device.SelectDevice(0);
    // The unlock step asks once; a refusal is reported, never retried.
    const bool hasPassword = options.hasPassword;
    const QString password = options.password;
    device.SetPasswordPrompt([hasPassword, password](QString* text) {
        *text = password;
        return hasPassword;
    });
    return RESULT_OK;
}

// Reports a device result, with a hint when the relay wants a password that was not given.
int ReportDevice(CtlContext& context, int result, const RelayOptions& options)
{
    if (result == RESULT_PASSWORD_REFUSED)
        context.err << options.port << ": the relay refused the password"
                    << (options.hasPassword ? "" : " (give it with --password)") << Qt::endl;
    return CtlReport(context, result, options.port);
}

ModelCode ModelOfEntry(const CDevice& device)
{
    return ModelCode(device.GetDeviceType(0) << 4);
}

int RunList(CtlContext& context)
{
    if (!context.args.isEmpty())
        return Usage(context, "list");
    CDevice device;
    DeviceDiscovery::RunPass(device);
    for (int i = 0; i < device.GetCount(); ++i) {
        context.out << device.GetPortName(i) << '\t' << device.GetDisplayName(i) << '\t' << device.GetDeviceType(i)
                    << '\t' << device.GetRevision(i) << '\n';
    }
    context.out.flush();
    return RESULT_OK;
}

int RunIdentify(CtlContext& context)
{
    RelayOptions options;
    if (!TakeRelayOptions(context, &options, false) || !context.args.isEmpty())
        return Usage(context, "identify --port PORT");
    CDevice device;
    if (const int result = SelectRelay(context, device, options))
        return result;
    std::uint8_t identification = 0;
    if (const int result = device.IdentifySelected(&identification))
        return ReportDevice(context, result, options);
    const int type = DeviceProtocol::DeviceType(identification);
    context.out << "port " << options.port << "\nname " << DeviceDisplayName(type) << "\nmodel " << ModelName(type)
                << "\ntype " << type << "\nrevision " << DeviceProtocol::Revision(identification) << "\nversion "
                << DeviceVersionText(identification) << Qt::endl;
    return RESULT_OK;
}

int RunSend(CtlContext& context)
{
    RelayOptions options;
    if (!TakeRelayOptions(context, &options) || context.args.size() != 1)
        return Usage(context, "send FILE --port PORT [--password PW]");
    const QString path = context.args.first();
    ModelCode code = 0;
    int result = IdentifyProgramFile(path, &code);
    std::unique_ptr<CQuorvexDoc> doc = result == RESULT_OK ? CreateDocument(code) : nullptr;
    if (result == RESULT_OK)
        result = doc ? doc->Load(path) : RESULT_NOT_PROGRAM_FILE;
    if (result != RESULT_OK)
        return CtlReport(context, result, path);
    CDevice device;
    if ((result = SelectRelay(context, device, options)) != RESULT_OK)
        return result;
    if ((result = device.SendProgramToRelay(*doc)) != RESULT_OK)
        return ReportDevice(context, result, options);
    context.out << "sent " << doc->GetDataSize() << " bytes to " << options.port << Qt::endl;
    return RESULT_OK;
}

int RunRead(CtlContext& context)
{
    RelayOptions options;
    QString output;
    if (!TakeRelayOptions(context, &options) || !CtlTakeOption(context.args, QStringLiteral("-o"), &output)
        || output.isEmpty() || !context.args.isEmpty())
        return Usage(context, "read --port PORT -o FILE [--password PW]");
    CDevice device;
    int result = SelectRelay(context, device, options);
    if (result != RESULT_OK)
        return result;
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelOfEntry(device));
    if (!doc)
        return CtlReport(context, RESULT_WRONG_MODEL, options.port);
    doc->ResetProgram(0);
    if ((result = device.ReadProgramFromRelay(*doc)) != RESULT_OK)
        return ReportDevice(context, result, options);
    if ((result = doc->Save(output)) != RESULT_OK)
        return CtlReportWrite(context, result, output);
    context.out << "read " << doc->GetDataSize() << " bytes into " << output << Qt::endl;
    return RESULT_OK;
}

int RunWatch(CtlContext& context)
{
    RelayOptions options;
    QString pollsText;
    QString file;
    bool hasPolls = false;
    bool hasFile = false;
    if (!TakeRelayOptions(context, &options) || !CtlTakeOption(context.args, QStringLiteral("--polls"), &pollsText, &hasPolls)
        || !CtlTakeOption(context.args, QStringLiteral("--file"), &file, &hasFile) || !context.args.isEmpty())
        return Usage(context, "watch --port PORT [--polls N] [--file FILE] [--password PW]");
    bool pollsOk = true;
    const int polls = hasPolls ? pollsText.toInt(&pollsOk) : -1;
    if (!pollsOk || (hasPolls && polls < 1))
        return Usage(context, "watch --port PORT [--polls N] [--file FILE] [--password PW]");

    CDevice device;
    int result = SelectRelay(context, device, options);
    if (result != RESULT_OK)
        return result;
    std::unique_ptr<CQuorvexDoc> doc;
    if (hasFile) {
        ModelCode code = 0;
        result = IdentifyProgramFile(file, &code);
        doc = result == RESULT_OK ? CreateDocument(code) : nullptr;
        if (result == RESULT_OK)
            result = doc ? doc->Load(file) : RESULT_NOT_PROGRAM_FILE;
        if (result != RESULT_OK)
            return CtlReport(context, result, file);
    } else {
        // Without a file, watch whatever program the relay holds.
        doc = CreateDocument(ModelOfEntry(device));
        if (!doc)
            return CtlReport(context, RESULT_WRONG_MODEL, options.port);
        if ((result = device.ReadProgramFromRelay(*doc)) != RESULT_OK)
            return ReportDevice(context, result, options);
    }
    if ((result = device.StartView(*doc)) != RESULT_OK)
        return ReportDevice(context, result, options);

    g_interrupted = false;
    auto previous = std::signal(SIGINT, OnInterrupt);
    const ModelCode model = doc->GetModelCode();
    const int channels = DeviceProtocol::ChannelCount(model);
    for (int poll = 0; (polls < 0 || poll < polls) && !g_interrupted; ++poll) {
        if (poll > 0)
            QThread::msleep(100);
        DeviceProtocol::ChannelState states[2];
        if ((result = device.PollView(model, states)) != RESULT_OK)
            break;
        for (int c = 0; c < channels; ++c) {
            const DeviceProtocol::ChannelState& s = states[c];
            context.out << (c ? " | " : "") << "channel " << c + 1 << ": field " << s.fieldIndex << " input "
                        << s.inputState << " output " << s.outputState << " unit " << s.unit << " mantissa "
                        << s.mantissa << " elapsed " << QString::number(s.elapsedSeconds, 'f', 3);
        }
        context.out << Qt::endl;
        if (context.out.status() != QTextStream::Ok)
            break; // the output is lost: reported when the command ends
    }
    std::signal(SIGINT, previous);
    return result == RESULT_OK ? RESULT_OK : ReportDevice(context, result, options);
}

int RunPassword(CtlContext& context)
{
    const char* usage = "password change --port PORT [--password CURRENT] --new NEW [--confirm NEW]\n"
                        "  password reset --port PORT";
    if (context.args.isEmpty())
        return Usage(context, usage);
    const QString action = context.args.takeFirst();
    RelayOptions options;
    if (action == u"reset") {
        if (!TakeRelayOptions(context, &options, false) || !context.args.isEmpty())
            return Usage(context, usage);
        CDevice device;
        if (const int result = SelectRelay(context, device, options))
            return result;
        if (const int result = device.ResetRelayPassword(MODEL_QVS_K115_318))
            return CtlReport(context, result, options.port);
        context.out << "password reset" << Qt::endl;
        return RESULT_OK;
    }
    if (action != u"change")
        return Usage(context, usage);
    QString next;
    QString confirmation;
    bool hasNext = false;
    bool hasConfirmation = false;
    if (!TakeRelayOptions(context, &options) || !CtlTakeOption(context.args, QStringLiteral("--new"), &next, &hasNext)
        || !CtlTakeOption(context.args, QStringLiteral("--confirm"), &confirmation, &hasConfirmation) || !hasNext
        || !context.args.isEmpty() || next.size() > DeviceProtocol::PASSWORD_MAX_CHARACTERS
        || confirmation.size() > DeviceProtocol::PASSWORD_MAX_CHARACTERS)
        return Usage(context, usage);
    if (!hasConfirmation)
        confirmation = next;
    CDevice device;
    // The confirmation is checked before the relay is touched.
    if (DeviceProtocol::MakePasswordBytes(next) != DeviceProtocol::MakePasswordBytes(confirmation))
        return CtlReport(context, RESULT_PASSWORD_MISMATCH, options.port);
    if (const int result = SelectRelay(context, device, options))
        return result;
    if (const int result = device.ChangeRelayPassword(MODEL_QVS_K115_318, options.password, next, confirmation))
        return ReportDevice(context, result, options);
    context.out << "password changed" << Qt::endl;
    return RESULT_OK;
}

const CtlRegistrar registerList{{"list", "list   find attached relays: port, name, type, revision", &RunList}};
const CtlRegistrar registerIdentify{{"identify", "identify --port PORT   show a relay's model and version", &RunIdentify}};
const CtlRegistrar registerSend{{"send", "send FILE --port PORT [--password PW]   write a program into a relay", &RunSend}};
const CtlRegistrar registerRead{{"read", "read --port PORT -o FILE [--password PW]   read a relay's program", &RunRead}};
const CtlRegistrar registerWatch{
    {"watch", "watch --port PORT [--polls N] [--file FILE] [--password PW]   show the running relay's state", &RunWatch}};
const CtlRegistrar registerPassword{
    {"password", "password change --port PORT [--password CURRENT] --new NEW [--confirm NEW] | password reset --port PORT"
                 "   change or reset a relay's password", &RunPassword}};

} // namespace
