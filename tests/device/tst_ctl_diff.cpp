// quorvexctl diff: the steps in which two programs differ, in the description's words, and
// its exit statuses; files against each other and a file against a virtual relay.

#include "VirtualRelayProcess.h"

#include "Fields.h"
#include "QuorvexDoc.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString BIN = QStringLiteral(QUORVEX_BIN_DIR);

struct CtlRun {
    int status = -1;
    QString out;
    QString err;
};

// English messages: no saved language, no locale language.
CtlRun Ctl(const QStringList& arguments)
{
    static QTemporaryDir config;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QUORVEX_PASSWORD"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    environment.insert(QStringLiteral("QUORVEX_EXTRA_PORTS"), QString());
    process.setProcessEnvironment(environment);
    process.start(BIN + QStringLiteral("/quorvexctl"), QStringList{QStringLiteral("diff")} + arguments);
    CtlRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The step titles the output lists.
QStringList Titles(const QString& out)
{
    QStringList titles;
    for (const QString& line : out.split(u'\n'))
        if (line.startsWith(QStringLiteral("Channel ")) || line.startsWith(QStringLiteral("Step ")))
            titles << line;
    return titles;
}

std::unique_ptr<CQuorvexDoc> DefaultProgram(ModelCode model)
{
    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    return doc;
}

} // namespace

class TestCtlDiff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The default two-channel program, and one with three steps changed: channel 1's
        // step 4 gets 1.5 s, channel 2's step 1 switches relay 2 on, and channel 2's power-on
        // state of relay 2 is "on" (the Start field both channels share).
        std::unique_ptr<CQuorvexDoc> base = DefaultProgram(MODEL_QVS_K115_318);
        QCOMPARE(base->Save(File("base.qvs")), 0);
        const auto fields = base->CreateFieldSet();
        static_cast<CQuorvexFIELDTime*>(fields->Bind(base.get(), 0, 4))->SetTimeValue(192);
        static_cast<CQuorvexFIELDStateChange*>(fields->Bind(base.get(), 1, 1))->SetRelayOperation(1, RELAY_OP_ON);
        static_cast<CQuorvexFIELDStart*>(fields->Bind(base.get(), 1, 0))->SetInitialState(1, RELAY_STATE_ON);
        QCOMPARE(base->Save(File("changed.qvs")), 0);

        std::unique_ptr<CQuorvexDoc> one = DefaultProgram(MODEL_QVR_K115_ZQX);
        QCOMPARE(one->Save(File("one.qvr")), 0);
        // Bit 7 of a condition's jump byte: stored, but no setting uses it.
        int kind = 0;
        std::uint8_t* condition = one->GetFieldData(0, 2, &kind);
        QCOMPARE(kind, int(FIELD_CONDITION));
        condition[1] ^= 0x80;
        QCOMPARE(one->Save(File("hidden.qvr")), 0);
    }

    void filesThatDiffer()
    {
        const CtlRun run = Ctl({File("base.qvs"), File("changed.qvs")});
        QCOMPARE(run.status, 1);
        QCOMPARE(Titles(run.out), (QStringList{QStringLiteral("Channel 1, step 4"), QStringLiteral("Channel 2, step Start"),
                                               QStringLiteral("Channel 2, step 1")}));
        QVERIFY2(run.out.contains(QStringLiteral("-   Time                          : 1.00 s\n"))
                     && run.out.contains(QStringLiteral("+   Time                          : 1.50 s\n")),
                 qPrintable(run.out));
        QVERIFY(run.out.endsWith(QStringLiteral("Steps that differ: 3\n")));
        // The other way round, the signs swap.
        const CtlRun back = Ctl({File("changed.qvs"), File("base.qvs")});
        QCOMPARE(back.status, 1);
        QVERIFY(back.out.contains(QStringLiteral("+   Time                          : 1.00 s\n")));
    }

    void equalAndOtherFiles_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown"); // a text of the output; empty: no output at all
        QTest::newRow("equal") << "base.qvs" << "base.qvs" << 0 << QString();
        QTest::newRow("other models") << "base.qvs" << "one.qvr" << 1
                                      << "The programs are for different relay models: QVS_K115_318 and QVR_K115_ZQX.";
        QTest::newRow("bits the description does not show")
            << "one.qvr" << "hidden.qvr" << 1 << "Step 2\n  differs only in bits that the description does not show\n";
    }
    void equalAndOtherFiles()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, status);
        QFETCH(QString, shown);
        const CtlRun run = Ctl({File(a), File(b)});
        QCOMPARE(run.status, status);
        if (shown.isEmpty())
            QVERIFY(run.out.isEmpty());
        else
            QVERIFY2(run.out.contains(shown), qPrintable(run.out));
    }

    void rejectsBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList{};
        QTest::newRow("three files") << QStringList{File("base.qvs"), File("base.qvs"), File("base.qvs")};
        QTest::newRow("two files and a port") << QStringList{File("base.qvs"), File("base.qvs"), "--port", "/dev/null"};
        QTest::newRow("standard input twice") << QStringList{"-", "-"};
    }
    void rejectsBadArguments()
    {
        QFETCH(QStringList, args);
        const CtlRun run = Ctl(args);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
    }

    void missingFile() { QCOMPARE(Ctl({File("base.qvs"), File("none.qvs")}).status, 23); }

    // A file against the program a virtual relay holds: it differs, then the file is sent
    // and they are equal; the relay's program is only read.
    void fileAgainstRelay()
    {
        CVirtualRelayProcess relay;
        QString error;
        const QString port = relay.Start(BIN + QStringLiteral("/quorvex-virtual-relay"),
                                         {QStringLiteral("--model"), QStringLiteral("QVS_K115_318")}, &error);
        QVERIFY2(!port.isEmpty(), qPrintable(error));

        const CtlRun differs = Ctl({File("changed.qvs"), "--port", port});
        QCOMPARE(differs.status, 1);
        QCOMPARE(Titles(differs.out).size(), 3);
        QVERIFY(differs.out.contains(QStringLiteral("+++ relay on ") + port));

        QProcess send;
        send.start(BIN + QStringLiteral("/quorvexctl"), {QStringLiteral("send"), File("changed.qvs"), QStringLiteral("--port"), port,
                                                         QStringLiteral("-q")});
        QVERIFY(send.waitForFinished(30000));
        QCOMPARE(send.exitCode(), 0);
        const CtlRun equal = Ctl({File("changed.qvs"), "--port", port});
        QCOMPARE(equal.status, 0);
        QVERIFY(equal.out.isEmpty());
        QCOMPARE(Ctl({File("base.qvs"), "--port", port}).status, 1);
    }

private:
    QString File(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QString File(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCtlDiff)
#include "tst_ctl_diff.moc"
