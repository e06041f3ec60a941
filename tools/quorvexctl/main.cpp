// quorvexctl: the command-line companion of the desktop program, for scripting and automation.

#include "CtlCommon.h"

#include <QCoreApplication>

#include <algorithm>
#include <clocale>
#include <vector>

namespace {

void PrintHelp(QTextStream& out)
{
    out << "Usage: quorvexctl COMMAND [ARGUMENTS]\n\nCommands:\n";
    auto commands = CtlCommands();
    std::sort(commands.begin(), commands.end(),
              [](const CtlCommand& a, const CtlCommand& b) { return qstrcmp(a.name, b.name) < 0; });
    for (const CtlCommand& command : commands)
        out << "  " << command.usage << "\n";
    out << "\nExit status: 0 on success, 2 for a usage error, 1 when no language module\n"
           "can be loaded for a description, otherwise the result code.\n";
    out.flush();
}

} // namespace

int main(int argc, char* argv[])
{
    // The arguments as the system passed them, before anything decodes them.
    std::vector<QByteArray> rawArguments(argv, argv + argc);
    std::vector<const char*> raw;
    for (const QByteArray& argument : rawArguments)
        raw.push_back(argument.constData());

    QCoreApplication app(argc, argv);
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

    QStringList args = app.arguments().mid(1);
    CtlContext bare{{}, out, err};
    if (args.isEmpty() || args.first() == u"help" || args.first() == u"--help" || args.first() == u"-h") {
        PrintHelp(args.isEmpty() ? err : out);
        return args.isEmpty() ? CTL_USAGE_ERROR : CtlFinishOutput(bare);
    }
    if (args.first() == u"--version") {
        out << "quorvexctl " << QUORVEX_VERSION << Qt::endl;
        return CtlFinishOutput(bare);
    }
    const QString name = args.takeFirst();
    for (const CtlCommand& command : CtlCommands()) {
        if (name == QLatin1String(command.name)) {
            CtlContext context{args, out, err};
            int result = command.run(context);
            // Output that could not be written is no success, whatever the command did.
            if (result == 0)
                result = CtlFinishOutput(context);
            out.flush();
            err.flush();
            return result;
        }
    }
    err << "quorvexctl: unknown command '" << name << "'\n";
    PrintHelp(err);
    return CTL_USAGE_ERROR;
}
