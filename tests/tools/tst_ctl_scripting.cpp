// quorvexctl for scripts: help by the conventions, usage errors that name what is wrong,
// programs written and changed as text, standard input and output for "-", and messages in
// the language of the user's locale.

#include "Fields.h"
#include "ProgramText.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestCtlScripting : public QObject {
    Q_OBJECT

private:
    // Runs the tool with `input` on standard input and the extra environment variables.
    Run Ctl(const QStringList& args, const QByteArray& input = {}, const QStringList& environment = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path()); // no saved language choice
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        env.insert(QStringLiteral("QUORVEX_EXTRA_PORTS"), QString());
        for (const QString& variable : environment)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), args);
        process.write(input);
        process.closeWriteChannel();
        Run run;
        if (!process.waitForFinished(30000))
            return run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void helpOfEveryCommand_data();
    void helpOfEveryCommand();
    void usageErrorsNameTheProblem_data();
    void usageErrorsNameTheProblem();
    void programAsTextRoundTrip();
    void jumpPastStopRoundTrip();
    void importRefusesBadTextAndWritesNothing_data();
    void importRefusesBadTextAndWritesNothing();
    void setChangesStepsInPlace();
    void newKeepsExistingFiles();
    void simulateForScripts();
    void messagesInPolish();
};

void TestCtlScripting::helpOfEveryCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("options"); // each must be explained in the help

    const QStringList relay{"--port", "-q", "--quiet", "-v", "--verbose"};
    const QStringList password{"--password-file", "--password", "QUORVEX_PASSWORD"};
    QTest::newRow("new") << "new" << QStringList{"--model", "--force", "QVR_K115_ZQX", "QVS_K115_318"};
    QTest::newRow("check") << "check" << QStringList{"FILE"};
    QTest::newRow("describe") << "describe" << QStringList{"-o", "--output", "--language", "en", "pl", "de", "ru", "es", "2057"};
    QTest::newRow("export") << "export" << QStringList{"-o", "--output"};
    QTest::newRow("import") << "import" << QStringList{"-o", "--output", "TEXT"};
    QTest::newRow("set") << "set" << QStringList{"--channel", "STEP", "FIELD=VALUE"};
    QTest::newRow("simulate") << "simulate" << QStringList{"--ticks", "--pot", "--set", "--skip", "--changes-only", "--json",
                                                           "250 ms", "128ths", "100 h"};
    QTest::newRow("lint") << "lint" << QStringList{"--json", "--warnings-as-errors", "--language", "FILE:CHANNEL:STEP",
                                                   "loop without time", "jump past Stop"};
    QTest::newRow("test") << "test" << QStringList{"PROGRAM", "SCENARIO", "--language", "pass", "FAIL", "within"};
    QTest::newRow("list") << "list" << QStringList{"--json", "-q", "-v"};
    QTest::newRow("identify") << "identify" << relay + QStringList{"--json"};
    QTest::newRow("send") << "send" << relay + password + QStringList{"--no-verify", "8 bytes"};
    QTest::newRow("read") << "read" << relay + password + QStringList{"-o", "--output"};
    QTest::newRow("watch") << "watch" << relay + password + QStringList{"--polls", "--interval", "--file", "--json"};
    QTest::newRow("password") << "password" << relay + password + QStringList{"change", "reset", "--new-file", "--new",
                                                                               "--confirm", "QUORVEX_NEW_PASSWORD", "8 bytes"};
}

void TestCtlScripting::helpOfEveryCommand()
{
    QFETCH(QString, command);
    QFETCH(QStringList, options);
    const Run forms[] = {Ctl({command, QStringLiteral("--help")}), Ctl({command, QStringLiteral("-h")}),
                         Ctl({QStringLiteral("help"), command})};
    for (const Run& run : forms) {
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.isEmpty());
        QVERIFY2(run.out.startsWith("Usage: quorvexctl " + command.toUtf8()), run.out.constData());
        for (const QString& option : options)
            QVERIFY2(run.out.contains(option.toUtf8()), qPrintable(option));
        // The exit-status table, with the statuses of its own.
        QVERIFY(run.out.contains("Exit status:"));
        QVERIFY(run.out.contains("43      send: the program read back"));
        QCOMPARE(run.out, forms[0].out);
    }
    // Help wins over everything else on the line, even a missing argument.
    QCOMPARE(Ctl({command, QStringLiteral("--port"), QStringLiteral("x"), QStringLiteral("--help")}).out, forms[0].out);
}

void TestCtlScripting::usageErrorsNameTheProblem_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown model") << QStringList{"new", "--model", "FOO", "FILE"} << QStringList()
                                   << "unknown model FOO; expected QVR_K115_ZQX or QVS_K115_318";
    QTest::newRow("unknown option") << QStringList{"check", "--fast", "FILE"} << QStringList() << "unknown option --fast";
    QTest::newRow("option without its value") << QStringList{"describe", "FILE", "--language"} << QStringList()
                                              << "option --language needs a value";
    QTest::newRow("option given twice") << QStringList{"new", "--model=QVR_K115_ZQX", "--model", "QVS_K115_318", "FILE"}
                                        << QStringList() << "option --model is given twice";
    QTest::newRow("flag with a value") << QStringList{"new", "--model", "QVR_K115_ZQX", "--force=yes", "FILE"}
                                       << QStringList() << "option --force takes no value";
    QTest::newRow("help on an unknown command") << QStringList{"help", "frobnicate"} << QStringList()
                                                << "unknown command 'frobnicate'";
    QTest::newRow("import without -o") << QStringList{"import", "FILE"} << QStringList() << "-o FILE is required";
    QTest::newRow("set a field that step lacks") << QStringList{"set", "FILE", "1", "time=fixed 1 s"} << QStringList()
                                                 << "step 1, field \"time\": unknown field";
    QTest::newRow("set without =") << QStringList{"set", "FILE", "1", "jump"} << QStringList() << "jump is not FIELD=VALUE";
    QTest::newRow("set step 40") << QStringList{"set", "FILE", "40", "jump=stop"} << QStringList()
                                 << "step 40 is out of range";
    // A password longer than the relay holds is refused before any relay is looked for.
    QTest::newRow("password too long, from the environment")
        << QStringList{"send", "FILE"} << QStringList{"QUORVEX_PASSWORD=zażółćgęś"}
        << "the password from QUORVEX_PASSWORD is 15 bytes long in UTF-8";
    QTest::newRow("password file missing") << QStringList{"send", "FILE", "--password-file", "/nonexistent/pw"}
                                           << QStringList() << "the password file /nonexistent/pw cannot be read";
    QTest::newRow("interval too short") << QStringList{"watch", "--interval", "5"} << QStringList()
                                        << "--interval needs milliseconds from 10 to 3600000";
}

void TestCtlScripting::usageErrorsNameTheProblem()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, environment);
    QFETCH(QString, message);
    const QString file = Path(QStringLiteral("usage.qvp"));
    QCOMPARE(Ctl({"new", "--force", "--model", "QVR_K115_ZQX", file}).status, 0);
    const QByteArray before = ReadAll(file);
    args.replaceInStrings(QStringLiteral("FILE"), file);
    const Run run = Ctl(args, {}, environment);
    QCOMPARE(run.status, 2);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QCOMPARE(ReadAll(file), before);
}

void TestCtlScripting::programAsTextRoundTrip()
{
    // A program written as text by hand: only what differs from the default program.
    const QByteArray text = "{\"model\": \"qvs_k115_318\", \"steps\": [\n"
                            "  {\"channel\": 1, \"step\": 1, \"relay 1 operation\": \"on\"},\n"
                            "  {\"channel\": 1, \"step\": 4, \"time\": \"fixed 2.5 s\", \"interrupt condition\": \"rising\","
                            " \"signal\": \"input 2 and not relay 1\", \"jump\": \"stop\"},\n"
                            "  {\"channel\": 2, \"step\": 2, \"condition\": \"branch if on\", \"otherwise\": 9}]}\n";
    QVERIFY(WriteAll(Path(QStringLiteral("hand.json")), text));
    const QString program = Path(QStringLiteral("hand.qvs"));
    const Run imported = Ctl({"import", Path(QStringLiteral("hand.json")), "--output=" + program});
    QCOMPARE(imported.status, 0);
    QVERIFY(imported.out.isEmpty() && imported.err.isEmpty());
    QCOMPARE(Ctl({"check", program}).out, QByteArray("QVS_K115_318\n"));

    // export then import gives back the same bytes; "-" is standard input and output.
    const Run exported = Ctl({"export", program});
    QCOMPARE(exported.status, 0);
    QVERIFY(exported.out.contains("{\"channel\": 1, \"step\": 4, \"kind\": \"time\", \"time\": \"fixed 2.5 s\", \"range\": "
                                  "\"10 s\", \"interrupt condition\": \"rising\", \"signal\": \"input 2 and not relay 1\", "
                                  "\"jump\": \"stop\"}"));
    const Run back = Ctl({"import", "-", "-o", "-"}, exported.out);
    QCOMPARE(back.status, 0);
    QCOMPARE(back.out, ReadAll(program));
    const Run piped = Ctl({"export", "-", "-o", Path(QStringLiteral("piped.json"))}, ReadAll(program));
    QCOMPARE(piped.status, 0);
    QCOMPARE(ReadAll(Path(QStringLiteral("piped.json"))), exported.out);
}

// A program file holding a jump past the Stop step (as a relay may hold one) goes through
// export and import unchanged, both saying the same on standard error.
void TestCtlScripting::jumpPastStopRoundTrip()
{
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVR_K115_ZQX);
    doc->ResetProgram(0);
    const std::unique_ptr<CQuorvexFieldSet> fields = doc->CreateFieldSet();
    static_cast<CQuorvexFIELDStateChange*>(fields->Bind(doc.get(), 0, 5))->SetJump(40);
    const QString program = Path(QStringLiteral("past.qvp"));
    QCOMPARE(doc->Save(program), int(RESULT_OK));
    const QByteArray warning = "warning: step 5, field \"jump\": jump target step 40 lies past the Stop step (36); kept as "
                               "it is; the program check reports it as an error\n";

    const Run exported = Ctl({"export", program});
    QCOMPARE(exported.status, 0);
    QCOMPARE(exported.err, "quorvexctl export: " + warning);
    const QString back = Path(QStringLiteral("back.qvp"));
    const Run imported = Ctl({"import", "-", "-o", back}, exported.out);
    QCOMPARE(imported.status, 0);
    QCOMPARE(imported.err, "quorvexctl import: " + warning);
    QCOMPARE(ReadAll(back).toHex(), ReadAll(program).toHex());
}

void TestCtlScripting::importRefusesBadTextAndWritesNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message"); // after "TEXT:"

    const QByteArray head = "{\"model\": \"QVR_K115_ZQX\", \"steps\": [\n";
    QTest::newRow("unknown field") << head + "{\"step\": 3, \"colour\": \"red\"}]}"
                                   << "2:13: step 3, field \"colour\": unknown field; the fields here are: relay "
                                      "operation, jump";
    QTest::newRow("value out of range") << head + "{\"step\": 2, \"condition\": \"code 16\"}]}"
                                        << "2:26: step 2, field \"condition\": code 16 is out of range; expected code 0..15";
    QTest::newRow("jump target beyond the field") << head + "{\"step\": 5, \"jump\": 63}]}"
                                                  << "2:21: step 5, field \"jump\": 63 is out of range; expected step 0..62";
    QTest::newRow("not JSON") << QByteArray("{\"model\" \"QVR_K115_ZQX\"}")
                              << "1:10: not valid JSON: expected ':', found '\"'";
}

void TestCtlScripting::importRefusesBadTextAndWritesNothing()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    const QString input = Path(QStringLiteral("bad.json"));
    QVERIFY(WriteAll(input, text));
    const QString fresh = Path(QStringLiteral("never.qvp"));
    const Run run = Ctl({"import", input, "-o", fresh});
    QCOMPARE(run.status, 44);
    QCOMPARE(QString::fromUtf8(run.err), input + u':' + message + u'\n');
    QVERIFY(!QFile::exists(fresh));

    // An existing output file stays as it was.
    const QString existing = Path(QStringLiteral("kept.qvp"));
    QCOMPARE(Ctl({"new", "--force", "--model", "QVS_K115_318", existing}).status, 0);
    const QByteArray before = ReadAll(existing);
    QCOMPARE(Ctl({"import", input, "-o", existing}).status, 44);
    QCOMPARE(ReadAll(existing), before);
}

void TestCtlScripting::setChangesStepsInPlace()
{
    const QString file = Path(QStringLiteral("set.qvp"));
    QCOMPARE(Ctl({"new", "--force", "--model", "QVS_K115_318", file}).status, 0);
    QCOMPARE(Ctl({"set", file, "--channel", "2", "4", "time=fixed 1.5 min", "jump=step 1"}).status, 0);
    QCOMPARE(Ctl({"set", file, "0", "relay 2 at power-on=on"}).status, 0);

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(MODEL_QVS_K115_318);
    QCOMPARE(doc->Load(file), 0);
    const QByteArray image(reinterpret_cast<const char*>(doc->GetData()), doc->GetDataSize());
    QCOMPARE(image.mid(0, 1).toHex(), QByteArray("62"));
    // Channel 2, step 4: byte 2 fixed time in range 1 min, byte 3 the jump, byte 4 mantissa 192.
    QCOMPARE(image.mid(2 + 112 + 8, 5).toHex(), QByteArray("00001201c0"));

    // As a filter: standard input to standard output.
    const Run filtered = Ctl({"set", "-", "1", "relay 1 operation=toggle"}, ReadAll(file));
    QCOMPARE(filtered.status, 0);
    QCOMPARE(doc->LoadBytes(filtered.out), 0);
    QCOMPARE(int(doc->GetData()[2]), 0xC0);

    // A wrong value changes nothing.
    const QByteArray before = ReadAll(file);
    QCOMPARE(Ctl({"set", file, "1", "relay 1 operation=toggle", "jump=step 99"}).status, 2);
    QCOMPARE(ReadAll(file), before);
}

void TestCtlScripting::newKeepsExistingFiles()
{
    const QString file = Path(QStringLiteral("existing.qvp"));
    QVERIFY(WriteAll(file, "someone's work"));
    const Run refused = Ctl({"new", "--model", "QVR_K115_ZQX", file});
    QCOMPARE(refused.status, int(RESULT_CANNOT_WRITE));
    QVERIFY2(refused.err.contains("already exists; give --force to replace it"), refused.err.constData());
    QCOMPARE(ReadAll(file), QByteArray("someone's work"));
    QCOMPARE(Ctl({"new", "--model", "QVR_K115_ZQX", "--force", file}).status, 0);
    QCOMPARE(ReadAll(file).size(), 81);
}

void TestCtlScripting::simulateForScripts()
{
    const QString file = Path(QStringLiteral("sim.qvp"));
    QCOMPARE(Ctl({"new", "--force", "--model", "QVR_K115_ZQX", file}).status, 0);
    QCOMPARE(Ctl({"set", file, "1", "relay operation=toggle"}).status, 0);
    const QStringList args{"simulate", file, "--ticks", "60"};
    const QList<QByteArray> all = Ctl(args).out.split('\n');

    // Only the lines whose step or output differs from the line before.
    QList<QByteArray> expected;
    QByteArray previous;
    for (const QByteArray& line : all) {
        if (line.isEmpty())
            continue;
        const QByteArray state = line.mid(line.indexOf(" step="), line.indexOf(" elapsed=") - line.indexOf(" step="));
        if (expected.isEmpty() || state != previous)
            expected << line;
        previous = state;
    }
    const Run changes = Ctl(args + QStringList{"--changes-only"});
    QCOMPARE(changes.status, 0);
    QList<QByteArray> got = changes.out.split('\n');
    got.removeAll(QByteArray());
    QCOMPARE(got, expected);
    QVERIFY(got.size() < all.size() / 2);

    // The same values as JSON, one object per line.
    const QList<QByteArray> json = Ctl({"simulate", file, "--json", "--ticks=3"}).out.split('\n');
    QCOMPARE(json.size(), 4);
    const QJsonObject first = QJsonDocument::fromJson(json[0]).object();
    QCOMPARE(first.value("tick").toInt(), 1);
    QCOMPARE(first.value("step").toArray().at(0).toInt(), 1);
    QCOMPARE(first.value("out").toArray().at(0).toInt(), 0);
    QCOMPARE(QJsonDocument::fromJson(json[1]).object().value("out").toArray().at(0).toInt(), 1);
}

void TestCtlScripting::messagesInPolish()
{
    const QString input = Path(QStringLiteral("pl.json"));
    QVERIFY(WriteAll(input, "{\"model\": \"QVR_K115_ZQX\", \"steps\": [{\"step\": 5, \"jump\": 63}]}"));
    const QStringList polish{"LC_ALL=pl_PL.UTF-8", "LANG=pl_PL.UTF-8"};
    const Run run = Ctl({"import", input, "-o", Path(QStringLiteral("pl.qvp"))}, {}, polish);
    QCOMPARE(run.status, 44);
    QCOMPARE(QString::fromUtf8(run.err),
             input + QStringLiteral(":1:57: krok 5, pole \"jump\": 63 jest poza zakresem; oczekiwano: step 0..62\n"));
    // A jump past the Stop step is kept, with the warning in the language.
    QVERIFY(WriteAll(input, "{\"model\": \"QVR_K115_ZQX\", \"steps\": [{\"step\": 5, \"jump\": 44}]}"));
    const Run kept = Ctl({"import", input, "-o", Path(QStringLiteral("pl.qvp"))}, {}, polish);
    QCOMPARE(kept.status, 0);
    QCOMPARE(QString::fromUtf8(kept.err),
             QStringLiteral("quorvexctl import: ostrzeżenie: krok 5, pole \"jump\": cel skoku step 44 leży za krokiem Stop "
                            "(36); pozostaje bez zmian; sprawdzanie programu zgłasza to jako błąd\n"));
    const Run exists = Ctl({"new", "--model", "QVR_K115_ZQX", input}, {}, polish);
    QVERIFY2(QString::fromUtf8(exists.err).contains(QStringLiteral("już istnieje")), exists.err.constData());
}

QTEST_GUILESS_MAIN(TestCtlScripting)
#include "tst_ctl_scripting.moc"
