// The example programs from the command line, and what the user guide says the tool prints:
// every "$ quorvexctl ..." block of a guide page runs against the built tool and the built
// examples, and its output must be the page's, line for line. So each example's page, with
// its run in relay time, is checked, and a broken example or a page that no longer tells the
// truth fails here; so does each example's scenario. Then quorvexctl new --example and
// --list-examples themselves.

#include "Examples.h"
#include "GuideIndex.h"

#include <QtTest>

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString CTL = QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl");
const QString DATA = QStringLiteral(QUORVEX_BIN_DIR "/../share/quorvex");
const QString GUIDE = QStringLiteral(QUORVEX_SOURCE_DIR "/docs/guide");

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool in a folder, in English, with the examples of the data folder given (the
// built one unless told otherwise).
CtlRun RunCtl(const QStringList& args, const QString& folder, const QString& data = DATA)
{
    static QTemporaryDir config;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("QUORVEX_DATA_DIR"), data);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(CTL, args);
    CtlRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One command of a guide page and the output the page shows for it.
struct PageCommand {
    int line = 0;
    QStringList args;     // after "quorvexctl"
    QStringList output;   // the lines that follow the command in its block
};
// The blocks of a page with "$ quorvexctl" commands (indented code), each a list of commands.
QList<QList<PageCommand>> PageBlocks(const QString& text)
{
    QList<QList<PageCommand>> blocks;
    QList<PageCommand> block;
    int number = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        ++number;
        const bool code = line.startsWith(QLatin1String("    "));
        if (!code) {
            if (!block.isEmpty())
                blocks.append(block);
            block.clear();
            continue;
        }
        const QString content = line.mid(4);
        if (content.startsWith(QLatin1String("$ quorvexctl "))) {
            PageCommand command;
            command.line = number;
            command.args = QProcess::splitCommand(content.mid(13));
            block.append(command);
        } else if (!block.isEmpty()) {
            block.last().output.append(content);
        }
    }
    if (!block.isEmpty())
        blocks.append(block);
    return blocks;
}

} // namespace

class TestCtlExamples : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void guideRuns_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("block");
        QDirIterator it(GUIDE, {QStringLiteral("*.md")}, QDir::Files);
        QStringList pages;
        while (it.hasNext())
            pages << it.next();
        pages.sort();
        int runs = 0;
        for (const QString& page : pages) {
            const auto blocks = PageBlocks(Guide::ReadText(page));
            for (int i = 0; i < blocks.size(); ++i)
                QTest::addRow("%s %d", qPrintable(QFileInfo(page).fileName()), i) << page << i;
            runs += int(blocks.size());
        }
        // Every example page shows its run; so does the page of the tool.
        QVERIFY(runs >= int(Examples().size()) + 1);
    }
    void guideRuns()
    {
        QFETCH(QString, page);
        QFETCH(int, block);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QList<QList<PageCommand>> blocks = PageBlocks(Guide::ReadText(page));
        for (const PageCommand& command : blocks.at(block)) {
            const CtlRun run = RunCtl(command.args, folder.path());
            const QString where = QStringLiteral("%1:%2").arg(QFileInfo(page).fileName()).arg(command.line);
            QVERIFY2(run.exitCode == 0, qPrintable(where + QStringLiteral(": ") + run.err));
            QStringList out = run.out.split(QLatin1Char('\n'));
            if (!out.isEmpty() && out.last().isEmpty())
                out.removeLast();
            QCOMPARE(out, command.output);
        }
    }

    // Each example has a page with its run, which starts from the installed example.
    void everyExampleRunsOnItsPage_data()
    {
        QTest::addColumn<QString>("name");
        for (const ExampleInfo& example : Examples())
            QTest::newRow(example.name) << QString::fromLatin1(example.name);
    }
    void everyExampleRunsOnItsPage()
    {
        QFETCH(QString, name);
        const QString page = GUIDE + QLatin1Char('/') + QLatin1String(FindExample(name)->guidePage);
        bool made = false;
        bool timed = false;
        for (const QList<PageCommand>& block : PageBlocks(Guide::ReadText(page)))
            for (const PageCommand& command : block) {
                made = made || (command.args.mid(0, 3) == QStringList({"new", "--example", name}));
                timed = timed || (made && command.args.value(0) == QLatin1String("timeline") && command.output.size() > 2);
            }
        QVERIFY2(made && timed, qPrintable(page));
    }

    // The file written is the installed example, byte for byte, and it is a program the
    // tool loads.
    void newExampleIsTheInstalledFile_data() { everyExampleRunsOnItsPage_data(); }
    void newExampleIsTheInstalledFile()
    {
        QFETCH(QString, name);
        QTemporaryDir folder;
        const CtlRun run = RunCtl({QStringLiteral("new"), QStringLiteral("--example"), name, QStringLiteral("p.qvp")},
                                  folder.path());
        QCOMPARE(run.exitCode, 0);
        const QByteArray installed = FileBytes(DATA + QStringLiteral("/examples/") + name + QStringLiteral(".qvp"));
        QVERIFY(!installed.isEmpty());
        QCOMPARE(FileBytes(folder.filePath(QStringLiteral("p.qvp"))), installed);
        const ExampleInfo* example = FindExample(name);
        const CtlRun check = RunCtl({QStringLiteral("check"), QStringLiteral("p.qvp")}, folder.path());
        QCOMPARE(check.out.trimmed(),
                 QLatin1String(example->model == MODEL_QVR_K115_ZQX ? "QVR_K115_ZQX" : "QVS_K115_318"));
    }

    // Each example holds what its scenario expects (quorvexctl test) and passes the program
    // check (quorvexctl lint); a scenario fails on a program that does something else.
    void scenarios_data() { everyExampleRunsOnItsPage_data(); }
    void scenarios()
    {
        QFETCH(QString, name);
        QTemporaryDir folder;
        const QString scenario = DATA + QStringLiteral("/examples/") + name + QStringLiteral(".scenario.json");
        const CtlRun run = RunCtl({QStringLiteral("test"), DATA + QStringLiteral("/examples/") + name + QStringLiteral(".qvp"),
                                   scenario},
                                  folder.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY(!run.out.contains(QLatin1String("FAIL")));
        // The program check finds nothing in an example.
        const CtlRun lint = RunCtl({QStringLiteral("lint"), DATA + QStringLiteral("/examples/") + name + QStringLiteral(".qvp")},
                                   folder.path());
        QVERIFY2(lint.exitCode == 0, qPrintable(lint.out + lint.err));
        // Another example of the same model does not pass it.
        const ExampleInfo* example = FindExample(name);
        for (const ExampleInfo& other : Examples()) {
            if (&other == example || other.model != example->model)
                continue;
            const CtlRun wrong = RunCtl({QStringLiteral("test"),
                                         DATA + QStringLiteral("/examples/") + QLatin1String(other.name) + QStringLiteral(".qvp"),
                                         scenario},
                                        folder.path());
            QVERIFY2(wrong.exitCode == 1, qPrintable(QLatin1String(other.name) + QLatin1Char(' ') + wrong.err));
        }
    }

    // One example per line, its name first: what shell completion reads.
    void listExamples()
    {
        QTemporaryDir folder;
        const CtlRun run = RunCtl({QStringLiteral("new"), QStringLiteral("--list-examples")}, folder.path());
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), int(Examples().size()));
        for (int i = 0; i < lines.size(); ++i) {
            const ExampleInfo& example = Examples()[std::size_t(i)];
            QCOMPARE(lines[i].section(QLatin1Char(' '), 0, 0), QLatin1String(example.name));
            QVERIFY(lines[i].contains(QLatin1String(example.model == MODEL_QVR_K115_ZQX ? "QVR_K115_ZQX" : "QVS_K115_318")));
        }
        // Titles in the language asked for.
        const CtlRun polish =
            RunCtl({QStringLiteral("new"), QStringLiteral("--list-examples"), QStringLiteral("--language"), QStringLiteral("pl")},
                   folder.path());
        QCOMPARE(polish.exitCode, 0);
        QVERIFY(polish.out.contains(QStringLiteral("Automat schodowy")));
    }

    void mistakes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown example") << QStringList{"new", "--example", "staircase", "p.qvp"} << 2
                                         << "the examples are: impulse-relay, staircase-light";
        QTest::newRow("model and example") << QStringList{"new", "--example", "flasher", "--model", "QVR_K115_ZQX", "p.qvp"}
                                           << 2 << "not both";
        QTest::newRow("list with a file") << QStringList{"new", "--list-examples", "p.qvp"} << 2 << "takes no file";
        QTest::newRow("no file") << QStringList{"new", "--example", "flasher"} << 2 << "no file given";
    }
    void mistakes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir folder;
        const CtlRun run = RunCtl(args, folder.path());
        QCOMPARE(run.exitCode, status);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    // An existing file is kept; an installation without the example says what is missing and
    // writes nothing.
    void nothingOverwrittenOrMadeUp()
    {
        QTemporaryDir folder;
        QFile existing(folder.filePath(QStringLiteral("p.qvp")));
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("mine") == 4);
        existing.close();
        const QStringList args{"new", "--example", "flasher", "p.qvp"};
        QCOMPARE(RunCtl(args, folder.path()).exitCode, 22);
        QCOMPARE(FileBytes(existing.fileName()), QByteArray("mine"));

        QTemporaryDir empty;
        const CtlRun missing = RunCtl({"new", "--example", "flasher", "q.qvp"}, folder.path(), empty.path());
        QCOMPARE(missing.exitCode, 23);
        QVERIFY2(missing.err.contains(QStringLiteral("flasher")) && missing.err.contains(empty.path() + "/examples/flasher.qvp"),
                 qPrintable(missing.err));
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("q.qvp"))));
        // With --force the example replaces the file.
        QCOMPARE(RunCtl({"new", "--example", "flasher", "--force", "p.qvp"}, folder.path()).exitCode, 0);
        QCOMPARE(FileBytes(existing.fileName()), FileBytes(DATA + QStringLiteral("/examples/flasher.qvp")));
    }
};

QTEST_GUILESS_MAIN(TestCtlExamples)
#include "tst_ctl_examples.moc"
