// quorvex-manpage: writes a program's manual page from the help the program prints, at build
// time, so that the page and --help never differ.
//
//   quorvex-manpage --program PATH --name NAME --summary TEXT --date YYYY-MM-DD
//                   --source TEXT [--see-also PAGE]... [--commands] -o FILE
//
// The help is PATH --help; with --commands it is PATH help, whose "Commands:" list names the
// commands, and PATH help COMMAND for each of them.

#include "ManPage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include <cstdio>

namespace {

bool RunHelp(const QString& program, const QStringList& arguments, QString* help)
{
    QProcess process;
    // The help is English whatever the build machine's locale, and needs no display.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(60000);
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString why = finished && process.exitStatus() == QProcess::NormalExit
                                ? QStringLiteral("exit status %1").arg(process.exitCode())
                                : process.errorString();
        std::fprintf(stderr, "quorvex-manpage: %s %s failed: %s\n", qPrintable(program),
                     qPrintable(arguments.join(QLatin1Char(' '))), qPrintable(why));
        return false;
    }
    *help = QString::fromUtf8(process.readAllStandardOutput());
    if (help->trimmed().isEmpty()) {
        std::fprintf(stderr, "quorvex-manpage: %s %s printed no help\n", qPrintable(program),
                     qPrintable(arguments.join(QLatin1Char(' '))));
        return false;
    }
    return true;
}

// The usage names the program as it was started (Qt's help prints its path): the page names
// it as it is installed.
void NameProgram(ManPage::Help& help, const QString& name)
{
    for (QString& form : help.usage) {
        const qsizetype space = form.indexOf(QLatin1Char(' '));
        const QString first = space < 0 ? form : form.left(space);
        if (QFileInfo(first).fileName() == name)
            form = name + (space < 0 ? QString() : form.mid(space));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption program(QStringLiteral("program"), QStringLiteral("The program."), QStringLiteral("PATH"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Its installed name."), QStringLiteral("NAME"));
    const QCommandLineOption summary(QStringLiteral("summary"), QStringLiteral("The NAME line."), QStringLiteral("TEXT"));
    const QCommandLineOption date(QStringLiteral("date"), QStringLiteral("The page's date."), QStringLiteral("DATE"));
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("Package and version."),
                                    QStringLiteral("TEXT"));
    const QCommandLineOption seeAlso(QStringLiteral("see-also"), QStringLiteral("A related page."), QStringLiteral("PAGE"));
    const QCommandLineOption commands(QStringLiteral("commands"), QStringLiteral("The program has commands."));
    const QCommandLineOption output(QStringLiteral("o"), QStringLiteral("The page to write."), QStringLiteral("FILE"));
    parser.addOptions({program, name, summary, date, source, seeAlso, commands, output});
    parser.addHelpOption();
    parser.process(app);
    for (const QCommandLineOption* required : {&program, &name, &summary, &date, &source, &output})
        if (!parser.isSet(*required)) {
            std::fprintf(stderr, "quorvex-manpage: --%s is required\n", qPrintable(required->names().first()));
            return 2;
        }

    const QString path = parser.value(program);
    const QString programName = parser.value(name);
    QString text;
    if (!RunHelp(path, {parser.isSet(commands) ? QStringLiteral("help") : QStringLiteral("--help")}, &text))
        return 1;
    ManPage::Help help = ManPage::ParseHelp(text);
    NameProgram(help, programName);

    std::vector<ManPage::CommandHelp> commandHelps;
    if (parser.isSet(commands)) {
        const ManPage::Section* list = help.Find(QStringLiteral("Commands"));
        if (!list) {
            std::fprintf(stderr, "quorvex-manpage: %s help lists no commands\n", qPrintable(path));
            return 1;
        }
        for (const ManPage::Block& block : list->blocks) {
            if (block.kind != ManPage::Block::Item)
                continue;
            const QString command = block.tag.section(QLatin1Char(' '), 0, 0);
            if (!RunHelp(path, {QStringLiteral("help"), command}, &text))
                return 1;
            ManPage::Help commandHelp = ManPage::ParseHelp(text);
            NameProgram(commandHelp, programName);
            commandHelps.push_back({command, commandHelp});
        }
    }

    const ManPage::PageInfo info{programName, parser.value(summary), parser.value(date), parser.value(source),
                                 parser.values(seeAlso)};
    QSaveFile file(parser.value(output));
    if (!file.open(QIODevice::WriteOnly) || file.write(ManPage::RenderPage(info, help, commandHelps).toUtf8()) < 0
        || !file.commit()) {
        std::fprintf(stderr, "quorvex-manpage: cannot write %s: %s\n", qPrintable(parser.value(output)),
                     qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
