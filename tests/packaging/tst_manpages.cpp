// Manual pages: help texts read into their parts and written as roff that shows every line,
// and the built pages, as man renders them, list what the programs' --help lists.

#include "ManPage.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString BIN_DIR = QStringLiteral(QUORVEX_BIN_DIR);
const QString MAN_DIR = QStringLiteral(QUORVEX_MANPAGE_DIR);

QString Run(const QString& program, const QStringList& arguments, int* status = nullptr, QString* err = nullptr,
            const QStringList& environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : environment)
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    if (status)
        *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page as man shows it, plain text; groff's warnings in `warnings`.
QString RenderedPage(const QString& page, QString* warnings)
{
    int status = -1;
    const QString text =
        Run(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                                    QStringLiteral("-l"), page},
            &status, warnings,
            {QStringLiteral("LC_ALL=C.UTF-8"), QStringLiteral("MANWIDTH=100"), QStringLiteral("MANPAGER=cat"),
             QStringLiteral("PAGER=cat")});
    if (status != 0)
        return QString();
    // Bold and underlined letters as a terminal would overprint them.
    return QString(text).remove(QRegularExpression(QStringLiteral(".\b")));
}

// Everything a reader types from a help text: its options, and the environment variables it
// names.
QStringList Typed(const QString& help)
{
    static const QRegularExpression token(
        QStringLiteral("(?<![\\w-])(--?[A-Za-z][A-Za-z0-9-]*|(?:QUORVEX|QT|XDG)_[A-Z_]+)"));
    QStringList words;
    for (const QRegularExpressionMatch& match : token.globalMatch(help))
        if (!words.contains(match.captured(1)))
            words << match.captured(1);
    return words;
}

bool HasWord(const QString& text, const QString& word)
{
    const QRegularExpression pattern(QStringLiteral("(?<![\\w-])") + QRegularExpression::escape(word)
                                     + QStringLiteral("(?![\\w-])"));
    return pattern.match(text).hasMatch();
}

// A section of a help text: from its heading to the next blank line that precedes a line at
// the left margin, or to the end.
QString HelpSection(const QString& help, const QString& heading)
{
    const qsizetype start = help.indexOf(QStringLiteral("\n") + heading + QStringLiteral(":\n"));
    if (start < 0)
        return QString();
    const QRegularExpression end(QStringLiteral("\n\n(?=\\S)"));
    const QRegularExpressionMatch match = end.match(help, start + 1);
    return help.mid(start + 1, match.hasMatch() ? match.capturedStart() - start - 1 : -1);
}

// A section of a rendered page: from its heading to the next one.
QString PageSection(const QString& text, const QString& heading)
{
    const QRegularExpression start(QStringLiteral("^") + heading + QStringLiteral("$"),
                                   QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = start.match(text);
    if (!match.hasMatch())
        return QString();
    const QRegularExpression next(QStringLiteral("^\\S"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch end = next.match(text, match.capturedEnd());
    return text.mid(match.capturedStart(), end.hasMatch() ? end.capturedStart() - match.capturedStart() : -1);
}

// The commands of "quorvexctl help", read from its "Commands:" list.
QStringList CtlCommands()
{
    QStringList commands;
    static const QRegularExpression item(QStringLiteral("^  ([a-z][a-z0-9-]*)  "), QRegularExpression::MultilineOption);
    const QString list = HelpSection(Run(BIN_DIR + QStringLiteral("/quorvexctl"), {QStringLiteral("help")}),
                                     QStringLiteral("Commands"));
    for (const QRegularExpressionMatch& match : item.globalMatch(list))
        commands << match.captured(1);
    return commands;
}

} // namespace

class TestManPages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What roff would take for a request or an escape is written so that it prints as is.
    void escape_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("roff");
        QTest::newRow("leading dot") << ".qvp files" << "\\&.qvp files";
        QTest::newRow("leading apostrophe") << "'quoted'" << "\\&'quoted'";
        QTest::newRow("dot inside") << "a.qvp" << "a.qvp";
        QTest::newRow("backslash") << "C:\\relay" << "C:\\erelay";
        QTest::newRow("minus signs") << "--port -o" << "\\-\\-port \\-o";
        QTest::newRow("beyond ASCII") << QStringLiteral("1 µs, 5 °C") << "1 \\[u00B5]s, 5 \\[u00B0]C";
        QTest::newRow("beyond the BMP") << QStringLiteral("\U0001F50C") << "\\[u1F50C]";
    }
    void escape()
    {
        QFETCH(QString, text);
        QFETCH(QString, roff);
        QCOMPARE(ManPage::Escape(text), roff);
    }

    // A help of every shape the programs print: forms of the usage (one wrapped), running
    // text, an indented example, and lists whose tags end at the description column, at two
    // spaces, or alone on their line.
    void parsesHelp()
    {
        const QString help = QStringLiteral(
            "Usage: tool run FILE [--ticks N]\n"
            "                [--json]\n"
            "       tool run --help\n"
            "\n"
            "Runs a program and prints\n"
            "one line per step:\n"
            "\n"
            "  t=TICK step=S\n"
            "\n"
            "Options:\n"
            "  --ticks N            ticks to run\n"
            "  --password-file FILE the first line of FILE\n"
            "                       (- reads standard input)\n"
            "  --set INPUT=VALUE@TICK  set an input\n"
            "  --output FILE, -o FILE\n"
            "                       the file to write\n"
            "\n"
            ".qvp files are program files.\n"
            "\n"
            "Exit status:\n"
            "  0       success\n"
            "  28..31  the reply is damaged\n");
        const ManPage::Help parsed = ManPage::ParseHelp(help);
        QCOMPARE(parsed.usage, (QStringList{"tool run FILE [--ticks N] [--json]", "tool run --help"}));
        QCOMPARE(parsed.sections.size(), std::size_t(3));

        const ManPage::Section& lead = parsed.sections.at(0);
        QVERIFY(lead.heading.isEmpty());
        QCOMPARE(lead.blocks.size(), std::size_t(2));
        QCOMPARE(lead.blocks.at(0).kind, ManPage::Block::Paragraph);
        QCOMPARE(lead.blocks.at(0).lines, (QStringList{"Runs a program and prints", "one line per step:"}));
        QCOMPARE(lead.blocks.at(1).kind, ManPage::Block::Example);
        QCOMPARE(lead.blocks.at(1).lines, QStringList{"t=TICK step=S"});

        const ManPage::Section* options = parsed.Find(QStringLiteral("Options"));
        QVERIFY(options);
        QStringList tags, descriptions;
        for (const ManPage::Block& block : options->blocks) {
            tags << block.tag;
            descriptions << block.lines.join(QLatin1Char(' '));
        }
        QCOMPARE(tags, (QStringList{"--ticks N", "--password-file FILE", "--set INPUT=VALUE@TICK",
                                    "--output FILE, -o FILE", ""}));
        QCOMPARE(descriptions, (QStringList{"ticks to run", "the first line of FILE (- reads standard input)",
                                            "set an input", "the file to write", ".qvp files are program files."}));
        QCOMPARE(options->blocks.back().kind, ManPage::Block::Paragraph);

        const ManPage::Section* exits = parsed.Find(QStringLiteral("Exit status"));
        QVERIFY(exits);
        QCOMPARE(exits->blocks.size(), std::size_t(2));
        QCOMPARE(exits->blocks.at(1).tag, QStringLiteral("28..31"));

        // The page: options in bold, the paragraph that begins with a dot kept as text, the
        // sections in the order of a manual page.
        const QString page = ManPage::RenderPage({"tool", "a tool", "2026-01-02", "Tool 1.0", {"other(1)"}}, parsed);
        QVERIFY(page.startsWith(QStringLiteral(".TH TOOL 1 \"2026-01-02\" \"Tool 1.0\"")));
        QVERIFY(page.contains(QStringLiteral("\n\\fB\\-\\-output\\fR FILE, \\fB\\-o\\fR FILE\n")));
        QVERIFY(page.contains(QStringLiteral("\n\\&.qvp files are program files.\n")));
        QVERIFY(page.indexOf(QStringLiteral(".SH OPTIONS")) < page.indexOf(QStringLiteral(".SH EXIT STATUS")));
        QVERIFY(page.indexOf(QStringLiteral(".SH EXIT STATUS")) < page.indexOf(QStringLiteral(".SH \"SEE ALSO\"")));
    }

    // Each built page, as man shows it, names every option and variable of its program's help,
    // under the headings the help has; a command's options stand in the command's own part of
    // the page.
    void pageListsTheHelp_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("program"); // program and arguments that print the help
        QTest::addColumn<QString>("part");        // the page's subsection, or empty for all of it

        QTest::newRow("quorvex") << "quorvex" << QStringList{"quorvex", "--help"} << QString();
        QTest::newRow("quorvex-virtual-relay")
            << "quorvex-virtual-relay" << QStringList{"quorvex-virtual-relay", "--help"} << QString();
        QTest::newRow("quorvexctl") << "quorvexctl" << QStringList{"quorvexctl", "help"} << QString();
        const QStringList commands = CtlCommands();
        QVERIFY(commands.contains(QStringLiteral("send")) && commands.contains(QStringLiteral("timeline")));
        for (const QString& command : commands)
            QTest::addRow("quorvexctl %s", qPrintable(command))
                << "quorvexctl" << QStringList{"quorvexctl", "help", command} << command;
    }
    void pageListsTheHelp()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, program);
        QFETCH(QString, part);
        if (QStandardPaths::findExecutable(QStringLiteral("man")).isEmpty())
            QSKIP("man is not installed");

        const QString path = MAN_DIR + QLatin1Char('/') + page + QStringLiteral(".1.gz");
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        // Compressed as Debian wants it: gzip without a time stamp.
        const QByteArray head = file.read(8);
        QVERIFY(head.startsWith("\x1f\x8b"));
        QCOMPARE(head.mid(4, 4), QByteArray(4, '\0'));

        QString warnings;
        QString text = RenderedPage(path, &warnings);
        QVERIFY2(!text.isEmpty(), qPrintable(warnings));
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings));

        int status = -1;
        QString help = Run(BIN_DIR + QLatin1Char('/') + program.first(), program.mid(1), &status);
        QCOMPARE(status, 0);
        if (!part.isEmpty()) {
            // The command's subsection: from its heading to the next one or the next section.
            const QRegularExpression heading(QStringLiteral("^   ") + part + QStringLiteral("$"),
                                             QRegularExpression::MultilineOption);
            const QRegularExpressionMatch start = heading.match(text);
            QVERIFY2(start.hasMatch(), qPrintable(part));
            const QRegularExpression next(QStringLiteral("^(   [a-z][a-z0-9-]*|\\S.*)$"),
                                          QRegularExpression::MultilineOption);
            const QRegularExpressionMatch end = next.match(text, start.capturedEnd());
            text = text.mid(start.capturedStart(), end.hasMatch() ? end.capturedStart() - start.capturedStart() : -1);
            // The exit statuses every command's help repeats stand once, in their own section.
            help.remove(HelpSection(Run(BIN_DIR + QStringLiteral("/quorvexctl"), {QStringLiteral("help")}),
                                    QStringLiteral("Exit status")));
        } else {
            for (const QString heading : {"Options", "Commands", "Exit status", "Environment", "Files"})
                if (!HelpSection(help, heading).isEmpty())
                    QVERIFY2(!PageSection(text, heading.toUpper()).isEmpty(), qPrintable(heading));
        }
        // The usage, as the page's synopsis or the command's first line.
        const QString usage = help.section(QLatin1Char('\n'), 0, 0).remove(BIN_DIR + QLatin1Char('/'));
        QVERIFY(usage.startsWith(QStringLiteral("Usage: ")));
        QVERIFY2(text.simplified().contains(usage.mid(7).simplified()), qPrintable(usage));
        const QStringList words = Typed(help);
        for (const QString& word : words)
            QVERIFY2(HasWord(text, word), qPrintable(word + QStringLiteral(" is not on the page")));
        if (part.isEmpty() && program.first() == QLatin1String("quorvexctl"))
            for (const QString& command : CtlCommands())
                QVERIFY2(HasWord(PageSection(text, QStringLiteral("COMMANDS")), command), qPrintable(command));
    }
};

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_manpages.moc"
