// Relay commands: list, identify, send, read, watch and password.

#include "CtlRelay.h"
#include "Discovery.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <csignal>
#include <string>

namespace {

using namespace DeviceProtocol;

// Help texts: the command's own part, then the shared option lines.
std::string Help(const char* head, std::initializer_list<const char*> options, const char* tail = "")
{
    std::string text = head;
    for (const char* option : options)
        text += option;
    return text + tail;
}

const std::string LIST_HELP = Help(
    "Usage: quorvexctl list [--json]\n"
    "\n"
    "Finds the attached relays (serial ports whose USB description begins with \"QVR USB\n"
    "Time Relay\", and those named in QUORVEX_EXTRA_PORTS) and identifies each. Prints one\n"
    "line per relay, tab-separated: port, name, device type (1 or 2), revision, model.\n"
    "When none is found, says so on standard error; the exit status is still 0.\n"
    "\n"
    "Options:\n"
    "  --json               print a JSON list instead: [{\"port\": ..., \"name\": ..., \"model\":\n"
    "                       ..., \"type\": ..., \"revision\": ..., \"version\": ...}]\n",
    {CTL_VERBOSITY_HELP});

const std::string IDENTIFY_HELP = Help(
    "Usage: quorvexctl identify [--port PORT] [--json]\n"
    "\n"
    "Shows a relay's model and version, one \"key value\" line each: port, name, model,\n"
    "type, revision, version (type.revision).\n"
    "\n"
    "Options:\n",
    {CTL_PORT_HELP,
     "  --json               print one JSON object instead, with the same keys\n",
     CTL_VERBOSITY_HELP});

const std::string SEND_HELP = Help(
    "Usage: quorvexctl send FILE [--port PORT] [--no-verify] [--password-file FILE] [-q|-v]\n"
    "\n"
    "Writes the program of FILE into a relay of its model, then reads it back and\n"
    "compares it byte for byte. Prints \"sent N bytes to PORT\" and \"verified N bytes\".\n"
    "A relay that holds a different program afterwards is reported with the number of\n"
    "bytes that differ (exit status 43). On a terminal a progress bar shows the transfer\n"
    "(about 2 s each way at the relay's 1200 baud for model QVS_K115_318).\n"
    "\n"
    "Arguments:\n"
    "  FILE                 the program file; - reads it from standard input\n"
    "\n"
    "Options:\n",
    {CTL_PORT_HELP,
     "  --no-verify          do not read the program back after writing it\n",
     CTL_PASSWORD_HELP, CTL_VERBOSITY_HELP});

const std::string READ_HELP = Help(
    "Usage: quorvexctl read -o FILE [--port PORT] [--password-file FILE] [-q|-v]\n"
    "\n"
    "Reads a relay's program into a program file of the relay's model and prints \"read\n"
    "N bytes into FILE\". On a terminal a progress bar shows the transfer. A failed read\n"
    "writes no file.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE    the program file to write (replaced whole or not at all);\n"
    "                       - writes it to standard output, which must not be a terminal\n",
    {CTL_PORT_HELP, CTL_PASSWORD_HELP, CTL_VERBOSITY_HELP});

const std::string WATCH_HELP = Help(
    "Usage: quorvexctl watch [--port PORT] [--polls N] [--interval MS] [--file FILE] [--json]\n"
    "\n"
    "Watches a running relay: polls its state and prints one line per poll, beginning\n"
    "with the local time (hh:mm:ss.zzz), then per channel: the step (field) it runs, its\n"
    "input and relay output (1 = on), the time unit and mantissa in effect and the\n"
    "elapsed seconds of a running time step. Runs until interrupted (Ctrl+C) or N polls.\n"
    "\n"
    "Options:\n",
    {CTL_PORT_HELP,
     "  --polls N            stop after N polls (N from 1)\n"
     "  --interval MS        milliseconds from one poll to the next, 10 to 3600000\n"
     "                       (default 100, as the window's live view)\n"
     "  --file FILE          first check that the relay runs the program of FILE (exit\n"
     "                       status 36 if not); without it, whatever program it runs\n"
     "  --json               print one JSON object per poll instead: {\"time\": ISO 8601,\n"
     "                       \"ms\": since the first poll, \"channels\": [{\"channel\": 1, \"step\":\n"
     "                       ..., \"input\": ..., \"output\": ..., \"unit\": ..., \"mantissa\": ...,\n"
     "                       \"elapsed\": seconds}]}\n",
     CTL_PASSWORD_HELP, CTL_VERBOSITY_HELP});

const std::string PASSWORD_HELP = Help(
    "Usage: quorvexctl password change [--port PORT] [--password-file FILE] [--new-file FILE]\n"
    "       quorvexctl password reset [--port PORT]\n"
    "\n"
    "Changes or resets the password of a QVS_K115_318 relay (a QVR_K115_ZQX relay has\n"
    "none: exit status 39). A password has at most 8 bytes in UTF-8: 8 characters\n"
    "without accents; a longer one is refused before anything is sent.\n"
    "\n"
    "change: the current password comes from --password-file, QUORVEX_PASSWORD or a\n"
    "prompt (empty when there is none of them and no terminal); the new one from\n"
    "--new-file (its first line), QUORVEX_NEW_PASSWORD, or two prompts without echo\n"
    "(new, then the same again). The new password and its confirmation are compared\n"
    "before anything is sent (exit status 41 if they differ).\n"
    "reset: the relay forgets its password (it accepts the empty one afterwards).\n"
    "\n"
    "Options:\n",
    {CTL_PORT_HELP, CTL_PASSWORD_HELP,
     "  --new-file FILE      the new password: the first line of FILE (- reads standard\n"
     "                       input)\n"
     "  --new NEW            the new password on the command line (visible in the process\n"
     "                       list: prefer --new-file, the variable or the prompt)\n"
     "  --confirm NEW        with --new: the confirmation (default: the same as --new)\n",
     CTL_VERBOSITY_HELP});

QString JsonString(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString RelayJson(const QString& port, int type, int revision)
{
    return QStringLiteral("{\"port\": %1, \"name\": %2, \"model\": %3, \"type\": %4, \"revision\": %5, \"version\": %6}")
        .arg(JsonString(port), JsonString(DeviceDisplayName(type)), JsonString(CtlModelName(type)))
        .arg(type)
        .arg(revision)
        .arg(JsonString(QStringLiteral("%1.%2").arg(type).arg(revision)));
}

int RunList(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {{"--json", nullptr, false}, CTL_VERBOSITY_OPTIONS}))
        return CtlUsageError(context, options.Error());
    if (!options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("unexpected argument %1").arg(options.Arguments().first()));
    CtlRelay relay(context, options.Has("--verbose"));
    relay.Discover();
    const CRelayList& device = relay.Relays();
    const bool json = options.Has("--json");
    if (json)
        context.out << '[';
    for (int i = 0; i < device.GetCount(); ++i) {
        if (json) {
            context.out << (i ? ",\n " : "") << RelayJson(device.GetPortName(i), device.GetDeviceType(i), device.GetRevision(i));
            continue;
        }
        context.out << device.GetPortName(i) << '\t' << device.GetDisplayName(i) << '\t' << device.GetDeviceType(i)
                    << '\t' << device.GetRevision(i) << '\t' << CtlModelName(device.GetDeviceType(i)) << '\n';
    }
    if (json)
        context.out << "]\n";
    context.out.flush();
    if (device.GetCount() == 0 && !options.Has("--quiet"))
        context.err << "quorvexctl: " << CtlText(Language::TEXT_CTL_NO_RELAYS) << Qt::endl;
    return RESULT_OK;
}

int RunIdentify(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {CTL_PORT_OPTION, {"--json", nullptr, false}, CTL_VERBOSITY_OPTIONS}))
        return CtlUsageError(context, options.Error());
    if (!options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("unexpected argument %1").arg(options.Arguments().first()));
    CtlRelay relay(context, options.Has("--verbose"));
    if (const int result = relay.Select(options))
        return result;
    std::uint8_t identification = 0;
    if (const int result = relay.Session().Identify(&identification))
        return relay.Report(result);
    const int type = DeviceType(identification);
    if (options.Has("--json")) {
        context.out << RelayJson(relay.Port(), type, Revision(identification)) << Qt::endl;
        return RESULT_OK;
    }
    context.out << "port " << relay.Port() << "\nname " << DeviceDisplayName(type) << "\nmodel " << CtlModelName(type)
                << "\ntype " << type << "\nrevision " << Revision(identification) << "\nversion "
                << DeviceVersionText(identification) << Qt::endl;
    return RESULT_OK;
}

int RunSend(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args,
                       {CTL_PORT_OPTION, CTL_PASSWORD_OPTIONS, CTL_VERBOSITY_OPTIONS, {"--no-verify", nullptr, false}}))
        return CtlUsageError(context, options.Error());
    if (options.Arguments().size() != 1)
        return CtlUsageError(context, options.Arguments().isEmpty() ? QStringLiteral("no program file given")
                                                                    : QStringLiteral("one program file only"));
    if (CtlIsStandardStream(options.Arguments().first()) && CtlIsStandardStream(options.Value("--password-file")))
        return CtlUsageError(context, QStringLiteral("standard input can hold the program or the password, not both"));
    CtlRelay relay(context, options.Has("--verbose"));
    if (!relay.PreparePassword(options))
        return CTL_USAGE_ERROR;
    std::unique_ptr<CQuorvexDoc> doc;
    if (const int result = CtlLoadProgram(context, options.Arguments().first(), &doc))
        return result;
    if (const int result = relay.Select(options))
        return result;
    const bool verify = !options.Has("--no-verify");
    VerifyReport report;
    const int result = relay.Transfer(options, [&]() {
        return verify ? relay.Session().SendAndVerifyProgram(doc->GetModelCode(), doc->GetData(), doc->GetDataSize(), &report)
                      : relay.Session().SendProgram(doc->GetModelCode(), doc->GetData(), doc->GetDataSize());
    });
    if (result != RESULT_OK)
        return relay.Report(result, doc->GetModelCode(), QString(), &report);
    if (!options.Has("--quiet")) {
        context.out << "sent " << doc->GetDataSize() << " bytes to " << relay.Port() << '\n';
        if (verify)
            context.out << "verified " << doc->GetDataSize() << " bytes" << '\n';
        context.out.flush();
    }
    return RESULT_OK;
}

int RunRead(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {CTL_PORT_OPTION, CTL_PASSWORD_OPTIONS, CTL_VERBOSITY_OPTIONS, {"--output", "-o", true}}))
        return CtlUsageError(context, options.Error());
    if (!options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("unexpected argument %1").arg(options.Arguments().first()));
    const QString output = options.Value("--output");
    if (output.isEmpty())
        return CtlUsageError(context, QStringLiteral("-o FILE is required: the program file to write"));
    if (CtlIsStandardStream(output) && CtlIsTerminal(1))
        return CtlUsageError(context, QStringLiteral("a program file is binary; it is not written to a terminal "
                                                     "(redirect standard output, or name a file)"));
    CtlRelay relay(context, options.Has("--verbose"));
    if (!relay.PreparePassword(options))
        return CTL_USAGE_ERROR;
    if (const int result = relay.Select(options))
        return result;
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(relay.Model());
    if (!doc)
        return relay.Report(RESULT_WRONG_MODEL, relay.Model());
    doc->ResetProgram(0);
    const int result = relay.Transfer(options, [&]() { return relay.ReadProgram(*doc); });
    if (result != RESULT_OK)
        return relay.Report(result, doc->GetModelCode());
    if (const int saved = CtlSaveProgram(context, *doc, output))
        return saved;
    if (!options.Has("--quiet") && !CtlIsStandardStream(output)) {
        context.out << "read " << doc->GetDataSize() << " bytes into " << output << '\n';
        context.out.flush();
    }
    return RESULT_OK;
}

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int)
{
    g_interrupted = true;
}

int RunWatch(CtlContext& context)
{
    CtlOptions options;
    if (!options.Parse(context.args, {CTL_PORT_OPTION,
                                      CTL_PASSWORD_OPTIONS,
                                      CTL_VERBOSITY_OPTIONS,
                                      {"--polls", nullptr, true},
                                      {"--interval", nullptr, true},
                                      {"--file", nullptr, true},
                                      {"--json", nullptr, false}}))
        return CtlUsageError(context, options.Error());
    if (!options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("unexpected argument %1").arg(options.Arguments().first()));
    bool ok = true;
    const int polls = options.Has("--polls") ? options.Value("--polls").toInt(&ok) : -1;
    if (!ok || (options.Has("--polls") && polls < 1))
        return CtlUsageError(context, QStringLiteral("--polls needs a whole number from 1"));
    const int interval = options.Has("--interval") ? options.Value("--interval").toInt(&ok) : 100;
    if (!ok || interval < 10 || interval > 3600000)
        return CtlUsageError(context, QStringLiteral("--interval needs milliseconds from 10 to 3600000"));

    const QString file = options.Value("--file");
    if (CtlIsStandardStream(file) && CtlIsStandardStream(options.Value("--password-file")))
        return CtlUsageError(context, QStringLiteral("standard input can hold the program or the password, not both"));
    CtlRelay relay(context, options.Has("--verbose"));
    if (!relay.PreparePassword(options))
        return CTL_USAGE_ERROR;
    std::unique_ptr<CQuorvexDoc> doc;
    if (options.Has("--file")) {
        if (const int result = CtlLoadProgram(context, file, &doc))
            return result;
    }
    if (const int result = relay.Select(options))
        return result;
    int result = RESULT_OK;
    if (doc) {
        // The relay must run the program of the file.
        result = relay.Transfer(options, [&]() { return relay.Session().StartView(doc->GetModelCode(), doc->GetData(), doc->GetDataSize()); });
        if (result != RESULT_OK)
            return relay.Report(result, doc->GetModelCode(), file);
    } else {
        // Without a file, watch whatever program the relay holds: it is read once to know its
        // steps, and needs no comparison with itself.
        doc = CreateDocument(relay.Model());
        if (!doc)
            return relay.Report(RESULT_WRONG_MODEL, relay.Model());
        doc->ResetProgram(0);
        result = relay.Transfer(options, [&]() { return relay.ReadProgram(*doc); });
        if (result != RESULT_OK)
            return relay.Report(result, doc->GetModelCode());
    }

    g_interrupted = false;
    auto previous = std::signal(SIGINT, OnInterrupt);
    const ModelCode model = doc->GetModelCode();
    const int channels = ChannelCount(model);
    const bool json = options.Has("--json");
    QElapsedTimer clock;
    clock.start();
    // The output ends the watch too once it cannot be written; the loss is reported when the
    // command ends.
    for (int poll = 0; (polls < 0 || poll < polls) && !g_interrupted && context.out.status() == QTextStream::Ok;
         ++poll) {
        // Polls keep their rhythm: the next one is due a whole interval after the last was due.
        const qint64 due = qint64(poll) * interval;
        while (clock.elapsed() < due && !g_interrupted)
            QThread::msleep(qMin<qint64>(50, due - clock.elapsed()));
        if (g_interrupted)
            break;
        const QDateTime now = QDateTime::currentDateTime();
        const qint64 ms = clock.elapsed();
        ChannelState states[2];
        if ((result = relay.Session().PollView(model, states)) != RESULT_OK)
            break;
        if (json) {
            // With the offset from UTC, so that the stamp names one moment wherever it is read.
            const QString stamp = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs);
            context.out << "{\"time\": \"" << stamp << "\", \"ms\": " << ms << ", \"channels\": [";
            for (int c = 0; c < channels; ++c) {
                const ChannelState& s = states[c];
                context.out << (c ? ", " : "") << "{\"channel\": " << c + 1 << ", \"step\": " << s.fieldIndex
                            << ", \"input\": " << s.inputState << ", \"output\": " << s.outputState << ", \"unit\": "
                            << s.unit << ", \"mantissa\": " << s.mantissa
                            << ", \"elapsed\": " << QString::number(s.elapsedSeconds, 'f', 3) << '}';
            }
            context.out << "]}" << Qt::endl;
            continue;
        }
        context.out << now.toString(QStringLiteral("hh:mm:ss.zzz")) << ' ';
        for (int c = 0; c < channels; ++c) {
            const ChannelState& s = states[c];
            context.out << (c ? " | " : "") << "channel " << c + 1 << ": field " << s.fieldIndex << " input "
                        << s.inputState << " output " << s.outputState << " unit " << s.unit << " mantissa "
                        << s.mantissa << " elapsed " << QString::number(s.elapsedSeconds, 'f', 3);
        }
        context.out << Qt::endl;
    }
    std::signal(SIGINT, previous);
    return result == RESULT_OK ? RESULT_OK : relay.Report(result, model);
}

int RunPassword(CtlContext& context)
{
    if (context.args.isEmpty() || (context.args.first() != u"change" && context.args.first() != u"reset"))
        return CtlUsageError(context, context.args.isEmpty()
                                          ? QStringLiteral("change or reset?")
                                          : QStringLiteral("unknown action %1; expected change or reset").arg(context.args.first()));
    const QString action = context.args.takeFirst();
    CtlOptions options;
    if (action == u"reset") {
        if (!options.Parse(context.args, {CTL_PORT_OPTION, CTL_VERBOSITY_OPTIONS}))
            return CtlUsageError(context, options.Error());
    } else if (!options.Parse(context.args, {CTL_PORT_OPTION,
                                             CTL_PASSWORD_OPTIONS,
                                             CTL_VERBOSITY_OPTIONS,
                                             {"--new", nullptr, true},
                                             {"--new-file", nullptr, true},
                                             {"--confirm", nullptr, true}})) {
        return CtlUsageError(context, options.Error());
    }
    if (!options.Arguments().isEmpty())
        return CtlUsageError(context, QStringLiteral("unexpected argument %1").arg(options.Arguments().first()));
    const bool quiet = options.Has("--quiet");
    CtlRelay relay(context, options.Has("--verbose"));

    if (action == u"reset") {
        if (const int result = relay.Select(options))
            return result;
        if (const int result = relay.Session().ResetRelayPassword(relay.Model()))
            return relay.Report(result);
        if (!quiet)
            context.out << "password reset" << Qt::endl;
        return RESULT_OK;
    }

    CtlPassword current, next, confirmation;
    if (!CtlTakePassword(context, options, "--password", "--password-file", CTL_PASSWORD_VARIABLE, &current)
        || !CtlTakePassword(context, options, "--new", "--new-file", CTL_NEW_PASSWORD_VARIABLE, &next)
        || !CtlTakePassword(context, options, "--confirm", nullptr, nullptr, &confirmation))
        return CTL_USAGE_ERROR;
    if (confirmation.given && !options.Has("--new"))
        return CtlUsageError(context, QStringLiteral("--confirm goes with --new"));
    auto prompt = [&](int textId, CtlPassword* password) {
        password->given = CtlPromptPassword(CtlText(textId).remove(QLatin1Char('&')).trimmed(), &password->text);
        password->source = QStringLiteral("the prompt");
        if (password->given && !PasswordFits(password->text)) {
            CtlUsageError(context, CtlFormat(Language::TEXT_CTL_PASSWORD_TOO_LONG,
                                             {password->source, PasswordByteLength(password->text)}));
            return false;
        }
        return true;
    };
    if (!next.given && !CtlIsTerminal(0))
        return CtlUsageError(context, QStringLiteral("no new password: give it with --new-file FILE, in "
                                                     "QUORVEX_NEW_PASSWORD or at the prompt on a terminal"));
    // Without a terminal a missing current password is the empty one, as a relay without a
    // password has.
    if (!current.given && CtlIsTerminal(0) && !prompt(Language::TEXT_CHANGE_PASSWORD_CURRENT, &current))
        return CTL_USAGE_ERROR;
    if (!next.given) {
        if (!prompt(Language::TEXT_CHANGE_PASSWORD_NEW, &next) || !next.given
            || !prompt(Language::TEXT_CHANGE_PASSWORD_REPEAT, &confirmation) || !confirmation.given)
            return CtlUsageError(context, QStringLiteral("no new password given"));
    }
    if (!confirmation.given)
        confirmation = next;
    // The confirmation is checked before the relay is touched.
    if (MakePasswordBytes(next.text) != MakePasswordBytes(confirmation.text))
        return relay.Report(RESULT_PASSWORD_MISMATCH);
    if (const int result = relay.Select(options))
        return result;
    if (const int result = relay.Session().ChangeRelayPassword(relay.Model(), current.text, next.text, confirmation.text))
        return relay.Report(result);
    if (!quiet)
        context.out << "password changed" << Qt::endl;
    return RESULT_OK;
}

const CtlRegistrar registerList{{"list", "find the attached relays", LIST_HELP.c_str(), &RunList}};
const CtlRegistrar registerIdentify{{"identify", "show a relay's model and version", IDENTIFY_HELP.c_str(), &RunIdentify}};
const CtlRegistrar registerSend{{"send", "write a program into a relay and verify it", SEND_HELP.c_str(), &RunSend}};
const CtlRegistrar registerRead{{"read", "read a relay's program into a file", READ_HELP.c_str(), &RunRead}};
const CtlRegistrar registerWatch{{"watch", "show the running relay's state", WATCH_HELP.c_str(), &RunWatch}};
const CtlRegistrar registerPassword{
    {"password", "change or reset a relay's password", PASSWORD_HELP.c_str(), &RunPassword}};

} // namespace
