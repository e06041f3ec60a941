// quorvexctl as scripts use it: files it writes, what it prints and its exit status.

#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CtlRun RunCtl(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl"), args);
    CtlRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestQuorvexctl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newWritesDefaultProgram_data();
    void newWritesDefaultProgram();
    void checkReports_data();
    void checkReports();
};

void TestQuorvexctl::newWritesDefaultProgram_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("start");

    QTest::newRow("QVR_K115_ZQX") << "QVR_K115_ZQX" << 81 << QByteArray::fromHex("6E6E020000004600000010023F003F3F3F103F80");
    QTest::newRow("QVS_K115_318") << "QVS_K115_318" << 237 << QByteArray::fromHex("F1A902000000E200000020");
}

void TestQuorvexctl::newWritesDefaultProgram()
{
    QFETCH(QString, model);
    QFETCH(int, size);
    QFETCH(QByteArray, start);

    QTemporaryDir dir;
    const QString path = dir.filePath("p.qvp");
    const CtlRun made = RunCtl({"new", "--model", model, path});
    QCOMPARE(made.exitCode, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), size);
    QVERIFY(bytes.startsWith(start));

    const CtlRun checked = RunCtl({"check", path});
    QCOMPARE(checked.exitCode, 0);
    QCOMPARE(checked.out.trimmed(), model);
}

void TestQuorvexctl::checkReports_data()
{
    QTest::addColumn<QStringList>("args");  // "FILE" stands for a file with the given content
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("missing file") << QStringList{"check", "FILE"} << QByteArray() << int(RESULT_CANNOT_READ);
    QTest::newRow("too short") << QStringList{"check", "FILE"} << QByteArray(9, 0) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("unknown model byte") << QStringList{"check", "FILE"}
        << QByteArray::fromHex("000002000000460000003F") + QByteArray(70, 0) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("no file argument") << QStringList{"check"} << QByteArray() << 2;
    QTest::newRow("unknown model") << QStringList{"new", "--model", "X", "FILE"} << QByteArray() << 2;
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << QByteArray() << 2;
    QTest::newRow("cannot write") << QStringList{"new", "--model", "QVR_K115_ZQX", "/nonexistent/dir/p.qvp"}
        << QByteArray() << int(RESULT_CANNOT_WRITE);
}

void TestQuorvexctl::checkReports()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, content);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    const QString path = dir.filePath("p.qvp");
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    args.replaceInStrings(QStringLiteral("FILE"), path);
    const CtlRun run = RunCtl(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.err.trimmed().isEmpty());
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestQuorvexctl)
#include "tst_quorvexctl.moc"
