// quorvexctl describe and its messages: the description in the chosen language, on standard
// output or in a file, and failures reported with the language's message text.

#include "LanguageManager.h"
#include "ProgramDescription.h"
#include "QuorvexDoc.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Language;

namespace {

struct Run {
    int status;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestCtlDescribe : public QObject {
    Q_OBJECT

private:
    // Runs the tool; with stdoutFile its standard output goes to that file instead.
    Run Ctl(const QStringList& args, const QString& program = QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"),
            const QString& stdoutFile = QString())
    {
        QProcess process;
        if (!stdoutFile.isEmpty())
            process.setStandardOutputFile(stdoutFile);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path()); // no saved language
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));    // no locale language
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        process.setProcessEnvironment(environment);
        process.start(program, args);
        if (!process.waitForFinished(30000))
            return {-1, {}, {}};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    // The description the tool should write, made here with the same modules.
    QByteArray Expected(const QString& programFile, std::uint32_t lcid)
    {
        ModelCode code = 0;
        if (IdentifyProgramFile(programFile, &code) != 0)
            return {};
        const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(code);
        if (!doc || doc->Load(programFile) != 0 || m_manager.SelectLanguageByLcid(lcid) != lcid)
            return {};
        return DescribeProgram(*doc, m_manager).toUtf8();
    }

    QTemporaryDir m_dir;
    CLanguageManager m_manager;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_manager.SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        QVERIFY(m_manager.ScanModules() >= 2);
        QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), QStringLiteral("QVS_K115_318"),
                      m_dir.filePath(QStringLiteral("two.qvp"))})
                     .status,
                 0);
        QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), QStringLiteral("QVR_K115_ZQX"),
                      m_dir.filePath(QStringLiteral("one.qvp"))})
                     .status,
                 0);
    }

    void describesInTheChosenLanguage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("lcid");
        QTest::newRow("default English") << "one.qvp" << QStringList{} << 2057;
        QTest::newRow("Polish") << "two.qvp" << QStringList{QStringLiteral("--language"), QStringLiteral("1045")} << 1045;
        QTest::newRow("English by LCID") << "two.qvp" << QStringList{QStringLiteral("--language"), QStringLiteral("2057")}
                                         << 2057;
    }
    void describesInTheChosenLanguage()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, options);
        QFETCH(int, lcid);
        const QString program = m_dir.filePath(file);
        const QByteArray expected = Expected(program, std::uint32_t(lcid));
        QVERIFY(!expected.isEmpty());

        const Run toStdout = Ctl(QStringList{QStringLiteral("describe"), program} + options);
        QCOMPARE(toStdout.status, 0);
        QCOMPARE(toStdout.out, expected);

        const QString output = m_dir.filePath(file + QStringLiteral(".txt"));
        const Run toFile = Ctl(QStringList{QStringLiteral("describe"), program, QStringLiteral("-o"), output} + options);
        QCOMPARE(toFile.status, 0);
        QVERIFY(toFile.out.isEmpty());
        QFile written(output);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), expected);
    }

    void failuresUseTheLanguageText_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("outputFull"); // standard output goes to a device that is always full
        QTest::addColumn<int>("status");
        QTest::newRow("missing program file") << QStringList{QStringLiteral("describe"), QStringLiteral("/nonexistent/x.qvp")}
                                              << false << 23;
        QTest::newRow("output folder missing")
            << QStringList{QStringLiteral("describe"), m_dir.filePath(QStringLiteral("one.qvp")), QStringLiteral("-o"),
                           QStringLiteral("/nonexistent/x.txt")}
            << false << 22;
        QTest::newRow("check of a missing file") << QStringList{QStringLiteral("check"), QStringLiteral("/nonexistent/x.qvp")}
                                                 << false << 23;
        QTest::newRow("description lost on standard output")
            << QStringList{QStringLiteral("describe"), m_dir.filePath(QStringLiteral("two.qvp"))} << true << 22;
        QTest::newRow("model lost on standard output")
            << QStringList{QStringLiteral("check"), m_dir.filePath(QStringLiteral("one.qvp"))} << true << 22;
    }
    void failuresUseTheLanguageText()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, outputFull);
        QFETCH(int, status);
        const QString fullDevice = QStringLiteral("/dev/full");
        if (outputFull && !QFile::exists(fullDevice))
            QSKIP("no /dev/full on this system");
        const Run run = outputFull ? Ctl(args, QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), fullDevice) : Ctl(args);
        QCOMPARE(run.status, status);
        QVERIFY(m_manager.SelectLanguageByLcid(2057) == 2057);
        const QString message = m_manager.Text(status);
        QVERIFY(!message.isEmpty());
        QVERIFY2(QString::fromUtf8(run.err).contains(message + QStringLiteral(" (error %1)").arg(status)), run.err);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList{QStringLiteral("describe")};
        QTest::newRow("two files") << QStringList{QStringLiteral("describe"), QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("-o without a name") << QStringList{QStringLiteral("describe"), QStringLiteral("a"), QStringLiteral("-o")};
        QTest::newRow("language not installed")
            << QStringList{QStringLiteral("describe"), m_dir.filePath(QStringLiteral("one.qvp")), QStringLiteral("--language"),
                           QStringLiteral("1036")};
        QTest::newRow("language neither a code nor a number")
            << QStringList{QStringLiteral("describe"), m_dir.filePath(QStringLiteral("one.qvp")), QStringLiteral("--language"),
                           QStringLiteral("english")};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run run = Ctl(args);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
    }

    // Without a Lang folder the tool still reports failures, by number, and refuses to
    // describe a program in no language.
    void withoutLanguageModules()
    {
        QTemporaryDir bare;
        const QString copy = bare.filePath(QStringLiteral("quorvexctl"));
        QVERIFY(QFile::copy(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), copy));
        QVERIFY(QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeUser));

        const Run check = Ctl({QStringLiteral("check"), QStringLiteral("/nonexistent/x.qvp")}, copy);
        QCOMPARE(check.status, 23);
        QVERIFY2(check.err.contains(": error 23"), check.err);

        const Run describe = Ctl({QStringLiteral("describe"), m_dir.filePath(QStringLiteral("one.qvp"))}, copy);
        QCOMPARE(describe.status, 1);
        QVERIFY(describe.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCtlDescribe)
#include "tst_ctl_describe.moc"
