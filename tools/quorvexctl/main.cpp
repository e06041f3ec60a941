// quorvexctl: the command-line companion of the desktop program, for scripting and automation.

#include "CtlCommon.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void PrintOverview(QTextStream& out)
{
    out << "Usage: quorvexctl COMMAND [ARGUMENTS]\n"
           "       quorvexctl help [COMMAND]     (also: quorvexctl COMMAND --help)\n"
           "       quorvexctl --version\n"
           "\n"
           "Works on the program files of the time relays QVR_K115_ZQX and QVS_K115_318 and on\n"
           "the relays themselves, for scripts and automation. A file named \"-\" is standard\n"
           "input or output. Options may be written --name VALUE or --name=VALUE, anywhere\n"
           "after the command.\n"
           "\n"
           "Commands:\n";
    auto commands = CtlCommands();
    std::sort(commands.begin(), commands.end(),
              [](const CtlCommand& a, const CtlCommand& b) { return qstrcmp(a.name, b.name) < 0; });
    for (const CtlCommand& command : commands)
        out << "  " << QString::fromLatin1(command.name).leftJustified(10) << command.summary << "\n";
    out << "\n"
        << CTL_ENVIRONMENT_HELP << "\n"
        << CTL_EXIT_STATUS_HELP;
    out.flush();
}

void PrintHelp(QTextStream& out, const CtlCommand& command)
{
    out << command.help << "\n" << CTL_EXIT_STATUS_HELP;
    out.flush();
}

// True when the arguments ask for help: --help or -h before any "--".
bool AsksForHelp(const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == u"--")
            return false;
        if (arg == u"--help" || arg == u"-h")
            return true;
    }
    return false;
}

QtMessageHandler s_defaultMessageHandler = nullptr;

void DropRuntimeFolderNotice(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (s_defaultMessageHandler)
        s_defaultMessageHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    // The arguments as the system passed them, before anything decodes them.
    std::vector<QByteArray> rawArguments(argv, argv + argc);
    std::vector<const char*> raw;
    for (const QByteArray& argument : rawArguments)
        raw.push_back(argument.constData());

    // Drawing pictures needs fonts and painting, which a GUI application brings. It draws off
    // screen, so the tool works where there is no display (a server, a build job); a platform
    // the user names explicitly is used instead.
    const bool drawsPictures = argc > 1 && std::strcmp(argv[1], "render") == 0;
    if (drawsPictures && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Off screen, Qt asks for the session's runtime folder, which a script run by cron or in
    // a container has no need of; the notice about its absence would only be noise.
    if (drawsPictures)
        s_defaultMessageHandler = qInstallMessageHandler(DropRuntimeFolderNotice);
    const std::unique_ptr<QCoreApplication> application =
        drawsPictures ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    // QCoreApplication takes the C library locale from the environment; numbers in the
    // output are meant for scripts and stay in C notation, whatever the user's locale. The
    // descriptions take their decimal separator from the chosen language instead.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("quorvexctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEX_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!CtlCheckArguments(int(raw.size()), raw.data(), err))
        return CTL_USAGE_ERROR;
    // Output that could not be written is no success, whatever printed it.
    CtlContext bare{{}, out, err, {}};

    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        PrintOverview(err);
        return CTL_USAGE_ERROR;
    }
    const QString first = args.first();
    if (first == u"--help" || first == u"-h" || (first == u"help" && args.size() == 1)) {
        PrintOverview(out);
        return CtlFinishOutput(bare);
    }
    if (first == u"--version") {
        out << "quorvexctl " << QUORVEX_VERSION << Qt::endl;
        return CtlFinishOutput(bare);
    }
    if (first == u"help") {
        const CtlCommand* command = CtlFindCommand(args.at(1));
        if (!command || args.size() > 2) {
            err << "quorvexctl help: " << (command ? QStringLiteral("one command at a time")
                                                   : QStringLiteral("unknown command '%1'").arg(args.at(1)))
                << "\nTry 'quorvexctl help' for the list of commands." << Qt::endl;
            return CTL_USAGE_ERROR;
        }
        PrintHelp(out, *command);
        return CtlFinishOutput(bare);
    }
    const QString name = args.takeFirst();
    const CtlCommand* command = CtlFindCommand(name);
    if (!command) {
        err << "quorvexctl: unknown command '" << name << "'\nTry 'quorvexctl help' for the list of commands."
            << Qt::endl;
        return CTL_USAGE_ERROR;
    }
    if (AsksForHelp(args)) {
        PrintHelp(out, *command);
        return CtlFinishOutput(bare);
    }
    CtlContext context{args, out, err, name};
    int result = command->run(context);
    if (result == 0)
        result = CtlFinishOutput(context);
    out.flush();
    err.flush();
    return CtlExitStatus(result);
}
