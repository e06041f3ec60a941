// The quorvex program as a process: it starts and paints its main window with the language
// modules beside it, and without a usable module it shows the fatal message and ends with a
// non-zero status; its help and version need no display.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString BIN_DIR = QStringLiteral(QUORVEX_BIN_DIR);

struct Run {
    QString firstFrame; // the window that painted first, as the program reports it
    int exitCode = -1;
    bool finished = false;
};

// Runs a copy of the program until its first painted frame.
Run RunProgram(const QString& program, const QString& configHome)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QUORVEX_EXIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("XDG_STATE_HOME"), configHome);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, {});
    Run run;
    run.finished = process.waitForFinished(30000);
    if (!run.finished)
        process.kill();
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (line.startsWith("first frame: "))
            run.firstFrame = QString::fromUtf8(line.mid(13));
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithItsLanguages()
    {
        QTemporaryDir config;
        const Run run = RunProgram(BIN_DIR + QStringLiteral("/quorvex"), config.path());
        QVERIFY(run.finished);
        QCOMPARE(run.firstFrame, QStringLiteral("CMainFrame"));
        QCOMPARE(run.exitCode, 0);
    }

    // The Lang folder beside the executable: missing, empty, or holding no usable module.
    void withoutUsableLanguageExitsWithFailure_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::newRow("no Lang folder") << QString();
        QTest::newRow("empty Lang folder") << QStringLiteral("empty");
        QTest::newRow("a file that is no module") << QStringLiteral("junk");
    }
    void withoutUsableLanguageExitsWithFailure()
    {
        QFETCH(QString, lang);
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("quorvex"));
        QVERIFY(QFile::copy(BIN_DIR + QStringLiteral("/quorvex"), program));
        if (!lang.isEmpty())
            QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Lang")));
        if (lang == QLatin1String("junk")) {
            QFile junk(folder.filePath(QStringLiteral("Lang/Strings_en" QUORVEX_MODULE_SUFFIX)));
            QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a library") > 0);
        }
        const Run run = RunProgram(program, folder.path());
        QVERIFY(run.finished);
        QCOMPARE(run.firstFrame, QStringLiteral("FatalError"));
        QVERIFY(run.exitCode != 0);
    }

    // On a terminal without a display: the X11 platform, which would end the program without
    // one, is what it would use.
    void helpAndVersionWithoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("output");
        QTest::newRow("--help") << "--help" << "Usage: quorvex [FILE]\n";
        QTest::newRow("-h") << "-h" << "Usage: quorvex [FILE]\n";
        QTest::newRow("--version") << "--version" << "quorvex " QUORVEX_VERSION "\n";
    }
    void helpAndVersionWithoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QString, output);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(environment);
        process.start(BIN_DIR + QStringLiteral("/quorvex"), {option});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardError(), QByteArray());
        const QString printed = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(printed.startsWith(output), qPrintable(printed));
        if (option != QLatin1String("--version"))
            for (const char* part : {"\nOptions:\n", "\nEnvironment:\n", "\nFiles:\n", "\nExit status:\n"})
                QVERIFY2(printed.contains(QLatin1String(part)), part);
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
