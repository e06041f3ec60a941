// quorvexctl under every shipped language and under a C library locale with a decimal comma:
// a description differs between languages only in its words and in the decimal separator of
// its times, which is the language's own; program files, simulation traces and the other
// machine-readable output never change with the language or the locale.

#include "Fields_QVR_K115_ZQX.h"
#include "LanguageManager.h"
#include "QuorvexDoc.h"
#include "TestCLocale.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Language;

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Numbers of a line as written (digits, with a decimal separator where there is one).
QStringList Numbers(const QString& line)
{
    static const QRegularExpression number(QStringLiteral("\\d+(?:[.,]\\d+)?"));
    QStringList numbers;
    for (auto match = number.globalMatch(line); match.hasNext();)
        numbers << match.next().captured();
    return numbers;
}

// Label of a description line ("   <label padded>: <value>"), empty for other lines.
QString LabelOf(const QString& line)
{
    const qsizetype colon = line.indexOf(QStringLiteral(": "));
    return line.startsWith(QStringLiteral("   ")) && colon > 0 ? line.mid(3, colon - 3).trimmed() : QString();
}

} // namespace

class TestCtlLocale : public QObject {
    Q_OBJECT

private:
    // Runs the tool with no saved language unless savedLcid is given, and with the C locale
    // unless withCommaLocale asks for the German C library locale.
    Run Ctl(const QStringList& args, int savedLcid = 0, bool withCommaLocale = false)
    {
        QTemporaryDir config;
        if (savedLcid) {
            QDir(config.path()).mkpath(QStringLiteral("Morvik"));
            QFile settings(config.filePath(QStringLiteral("Morvik/Quorvex.conf")));
            if (!settings.open(QIODevice::WriteOnly))
                return {};
            settings.write("[General]\nLCID=" + QByteArray::number(savedLcid) + "\n");
        }
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.remove(QStringLiteral("LC_NUMERIC"));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        environment.insert(QStringLiteral("LC_ALL"), withCommaLocale ? CTestCLocale::Name() : QStringLiteral("C"));
        if (withCommaLocale)
            environment.insert(QStringLiteral("LOCPATH"), m_locale.Path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), args);
        if (!process.waitForFinished(30000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    QString File(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    CTestCLocale m_locale;
    bool m_haveLocale = false;
    CLanguageManager m_manager;
    QStringList m_english; // description of timed.qvp in English
    // Commands whose output must not depend on the language or the locale, and that output
    // with English saved and the C locale.
    QList<QStringList> m_commands;
    QList<QByteArray> m_references;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_manager.SetModuleFolder(QStringLiteral(QUORVEX_BIN_DIR "/Lang"));
        m_manager.ScanModules();
        m_haveLocale = m_locale.Build();

        // Fixed times in every unit, among them fractions that round on an exact tie
        // (0.375 s, 0.875 s), and one potentiometer time.
        CQuorvex_QVR_K115_ZQX_Doc doc;
        doc.ResetProgram(0);
        CQuorvex_QVR_K115_ZQX_FieldSet fields;
        const int times[][2] = {{0, 192}, {0, 48}, {1, 144}, {0, 112}, {2, 200}, {3, 77}, {4, 255}, {6, 255}};
        for (int group = 0; group < 8; ++group) {
            auto* time = static_cast<CQuorvexFIELDTime*>(fields.Bind(&doc, 0, 4 + 4 * group));
            QVERIFY(time);
            time->SetFixedTime(group != 5);
            time->SetTimeUnit(times[group][0]);
            time->SetTimeValue(times[group][1]);
        }
        QCOMPARE(doc.Save(File(QStringLiteral("timed.qvp"))), 0);

        const Run english = Ctl({QStringLiteral("describe"), File(QStringLiteral("timed.qvp")), QStringLiteral("--language"),
                                 QStringLiteral("2057")});
        QCOMPARE(english.status, 0);
        m_english = QString::fromUtf8(english.out).split(QStringLiteral("\r\n"));
        QVERIFY(m_english.contains(QStringLiteral("   Time                          : 1.50 s")));
        QVERIFY(m_english.contains(QStringLiteral("   Time                          : 0.38 s")));

        const QString program = File(QStringLiteral("timed.qvp"));
        m_commands = {
            {QStringLiteral("simulate"), program, QStringLiteral("--ticks"), QStringLiteral("60"), QStringLiteral("--pot"),
             QStringLiteral("0:200")},
            {QStringLiteral("check"), program},
            {QStringLiteral("describe"), program, QStringLiteral("--language"), QStringLiteral("2057")},
            {QStringLiteral("describe"), program, QStringLiteral("--language"), QStringLiteral("1045")},
        };
        for (const QStringList& command : m_commands) {
            const Run reference = Ctl(command, 2057);
            QCOMPARE(reference.status, 0);
            m_references << reference.out;
        }
        QVERIFY2(m_references[0].contains("elapsed=0.075000"), m_references[0].left(400)); // numbers with a point
        for (const QString& model : {QStringLiteral("QVR_K115_ZQX"), QStringLiteral("QVS_K115_318")})
            QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), model, File(model + QStringLiteral(".qvp"))}, 2057)
                         .status,
                     0);
    }

    // The same program in each shipped language, on a machine with only the C locale: the
    // same lines with the same numbers, the times of seconds with the language's separator.
    void describesEveryShippedLanguage_data()
    {
        QTest::addColumn<int>("lcid");
        QTest::addColumn<QString>("separator");
        QTest::newRow("English") << 2057 << ".";
        QTest::newRow("Polish") << 1045 << ",";
        QTest::newRow("German") << 1031 << ",";
        QTest::newRow("Russian") << 1049 << ",";
        QTest::newRow("Spanish") << 1034 << ",";
    }
    void describesEveryShippedLanguage()
    {
        QFETCH(int, lcid);
        QFETCH(QString, separator);
        const QString program = File(QStringLiteral("timed.qvp"));
        QFile file(program);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();

        const Run run = Ctl({QStringLiteral("describe"), program, QStringLiteral("--language"), QString::number(lcid)});
        QCOMPARE(run.status, 0);
        QVERIFY(m_manager.SelectLanguageByLcid(lcid) == lcid);
        const QString timeLabel = m_manager.Text(TEXT_DESC_TIME);
        const QStringList lines = QString::fromUtf8(run.out).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), m_english.size());

        int fractions = 0;
        for (int i = 0; i < lines.size(); ++i) {
            const QString& line = lines[i];
            const QString& english = m_english[i];
            const QByteArray where = "line " + QByteArray::number(i + 1) + ": " + line.toUtf8();
            if (english.startsWith(u'-') || english.isEmpty())
                QVERIFY2(line == english, where);
            QStringList expected = Numbers(english);
            for (QString& number : expected)
                number.replace(QLatin1Char('.'), separator);
            QVERIFY2(Numbers(line) == expected, where);
            // A number with a fraction is a time in seconds, on the time line only.
            if (line.contains(QRegularExpression(QStringLiteral("\\d[.,]\\d")))) {
                QVERIFY2(LabelOf(line) == timeLabel, where);
                QVERIFY2(line.contains(QRegularExpression(QStringLiteral("\\d") + QRegularExpression::escape(separator)
                                                          + QStringLiteral("\\d\\d\\b"))),
                         where);
                ++fractions;
            }
        }
        QCOMPARE(fractions, 4);

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // Traces, program files and model reports are the same in every language and under a C
    // library locale with a decimal comma; descriptions depend on the language alone.
    void outputIgnoresLanguageAndLocale_data()
    {
        QTest::addColumn<int>("savedLcid");
        QTest::addColumn<bool>("commaLocale");
        QTest::newRow("Russian saved") << 1049 << false;
        QTest::newRow("German saved") << 1031 << false;
        QTest::newRow("English saved, comma locale") << 2057 << true;
        QTest::newRow("Spanish saved, comma locale") << 1034 << true;
    }
    void outputIgnoresLanguageAndLocale()
    {
        QFETCH(int, savedLcid);
        QFETCH(bool, commaLocale);
        if (commaLocale && !m_haveLocale)
            QSKIP("localedef cannot build a German locale on this machine");
        for (int i = 0; i < m_commands.size(); ++i) {
            const Run run = Ctl(m_commands[i], savedLcid, commaLocale);
            QCOMPARE(run.status, 0);
            QCOMPARE(run.out, m_references[i]);
        }

        // The saved language is in force for the tool (a description without --language).
        QVERIFY(m_manager.SelectLanguageByLcid(savedLcid) == savedLcid);
        const Run described = Ctl({QStringLiteral("describe"), File(QStringLiteral("timed.qvp"))}, savedLcid, commaLocale);
        QVERIFY(QString::fromUtf8(described.out).contains(m_manager.Text(TEXT_DESC_TIME)));

        for (const QString& model : {QStringLiteral("QVR_K115_ZQX"), QStringLiteral("QVS_K115_318")}) {
            const QString written = File(model + QStringLiteral("-written.qvp"));
            QFile::remove(written);
            QCOMPARE(Ctl({QStringLiteral("new"), QStringLiteral("--model"), model, written}, savedLcid, commaLocale).status,
                     0);
            QFile a(File(model + QStringLiteral(".qvp"))), b(written);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QCOMPARE(b.readAll(), a.readAll());
        }
    }
};

QTEST_GUILESS_MAIN(TestCtlLocale)
#include "tst_ctl_locale.moc"
