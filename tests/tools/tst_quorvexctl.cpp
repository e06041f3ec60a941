// quorvexctl as scripts use it: files it writes, what it prints and its exit status.

#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QtTest>

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>

namespace {

const QString CTL = QStringLiteral(QUORVEX_BIN_DIR "/quorvexctl");

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the tool in English (no saved language, no locale language); with stdoutFile its
// standard output goes to that file.
CtlRun RunCtl(const QStringList& args, const QString& program = CTL, const QString& stdoutFile = {})
{
    static QTemporaryDir config;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(program, args);
    CtlRun run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Runs the tool through the shell, so that arguments can hold bytes that are no UTF-8
// (QProcess passes text only); printf escapes in `script` make them.
CtlRun RunCtlInShell(const QString& folder, const QString& script)
{
    return RunCtl({QStringLiteral("-c"), QStringLiteral("cd \"$1\" && ") + script, CTL, folder}, QStringLiteral("/bin/sh"));
}

// The names in a folder as raw bytes (QDir would decode them).
QList<QByteArray> RawNames(const QString& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(QFile::encodeName(folder).constData())) {
        while (const dirent* entry = ::readdir(dir))
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names << QByteArray(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Type and identity of a directory entry itself (a link is not followed).
QPair<mode_t, ino_t> Identity(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {0, 0};
    return {info.st_mode, info.st_ino};
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestQuorvexctl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newWritesDefaultProgram_data();
    void newWritesDefaultProgram();
    void checkReports_data();
    void checkReports();
    void lostOutputIsReported_data();
    void lostOutputIsReported();
    void targetsThatAreNoFileAreLeftAlone_data();
    void targetsThatAreNoFileAreLeftAlone();
    void namesThatAreNoUtf8AreRefused_data();
    void namesThatAreNoUtf8AreRefused();
    void damagedModulesBesideGoodOnes_data();
    void damagedModulesBesideGoodOnes();
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

// Output that cannot be written (a full disk) is a failure: 22, never success.
void TestQuorvexctl::lostOutputIsReported_data()
{
    QTest::addColumn<QStringList>("args"); // "FILE" stands for a program file
    QTest::addColumn<bool>("quick");       // the command also runs to its end where it can write
    QTest::newRow("help") << QStringList{"help"} << true;
    QTest::newRow("--version") << QStringList{"--version"} << true;
    QTest::newRow("simulate") << QStringList{"simulate", "FILE", "--ticks", "3"} << true;
    // A hundred million lines would take minutes: the run must stop once its output is lost.
    QTest::newRow("long simulate stops early") << QStringList{"simulate", "FILE", "--ticks", "100000000"} << false;
}

void TestQuorvexctl::lostOutputIsReported()
{
    QFETCH(QStringList, args);
    QFETCH(bool, quick);
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("p.qvp"));
    QCOMPARE(RunCtl({"new", "--model", "QVS_K115_318", program}).exitCode, 0);
    args.replaceInStrings(QStringLiteral("FILE"), program);

    if (quick)
        QCOMPARE(RunCtl(args).exitCode, 0); // the same command succeeds where it can write
    const CtlRun lost = RunCtl(args, CTL, QStringLiteral("/dev/full"));
    QCOMPARE(lost.exitCode, int(RESULT_CANNOT_WRITE));
    QVERIFY2(lost.err.contains(QStringLiteral("standard output: ")) && lost.err.contains(QStringLiteral("(error 22)")),
             qPrintable(lost.err));
}

// Saving onto something that exists but is no regular file (a device such as /dev/null, a
// named pipe) is refused with 22 and a message; the node stays exactly as it was.
void TestQuorvexctl::targetsThatAreNoFileAreLeftAlone_data()
{
    QTest::addColumn<QString>("node");    // "pipe" or "device"
    QTest::addColumn<bool>("throughLink"); // the target is a symbolic link to the node
    QTest::addColumn<QStringList>("args"); // "TARGET" stands for the target, "FILE" for a program
    // With --force, so that the refusal is the writer's, not new's rule for existing files.
    const QStringList create{"new", "--model", "QVR_K115_ZQX", "--force", "TARGET"};
    const QStringList describe{"describe", "FILE", "-o", "TARGET"};
    QTest::newRow("new onto a named pipe") << "pipe" << false << create;
    QTest::newRow("describe onto a named pipe") << "pipe" << false << describe;
    QTest::newRow("new onto a device") << "device" << false << create;
    QTest::newRow("describe onto a device") << "device" << false << describe;
    QTest::newRow("new onto a link to a device") << "device" << true << create;
}

void TestQuorvexctl::targetsThatAreNoFileAreLeftAlone()
{
    QFETCH(QString, node);
    QFETCH(bool, throughLink);
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("p.qvp"));
    QCOMPARE(RunCtl({"new", "--model", "QVR_K115_ZQX", program}).exitCode, 0);
    const QString nodePath = dir.filePath(QStringLiteral("node"));
    const QByteArray nodeName = QFile::encodeName(nodePath);
    if (node == u"pipe")
        QCOMPARE(::mkfifo(nodeName.constData(), 0600), 0);
    else if (::mknod(nodeName.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) // as /dev/null
        QSKIP("device nodes can only be made as root");
    QString target = nodePath;
    if (throughLink) {
        target = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(nodePath, target));
    }
    const auto nodeBefore = Identity(nodePath);
    const auto targetBefore = Identity(target);
    const QStringList namesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);
    args.replaceInStrings(QStringLiteral("TARGET"), target).replaceInStrings(QStringLiteral("FILE"), program);

    const CtlRun run = RunCtl(args);
    QCOMPARE(run.exitCode, int(RESULT_CANNOT_WRITE));
    QVERIFY2(run.err.contains(target + QStringLiteral(" is not a regular file")), qPrintable(run.err));
    QCOMPARE(Identity(nodePath), nodeBefore);
    QCOMPARE(Identity(target), targetBefore);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden), namesBefore);
}

// A name whose bytes are no UTF-8 cannot be passed on unchanged: the tool refuses it and
// names it, instead of writing (or looking for) a file of another name.
void TestQuorvexctl::namesThatAreNoUtf8AreRefused_data()
{
    QTest::addColumn<QString>("command"); // shell words; printf makes the name
    QTest::addColumn<bool>("fileExists"); // the file with that name is made first
    QTest::newRow("new") << R"sh(exec "$0" new --model QVR_K115_ZQX "$(printf 'caf\351.qvp')")sh" << false;
    QTest::newRow("check") << R"sh(exec "$0" check "$(printf 'caf\351.qvp')")sh" << true;
    QTest::newRow("describe -o") << R"sh(exec "$0" describe p.qvp -o "$(printf 'caf\351.txt')")sh" << false;
}

void TestQuorvexctl::namesThatAreNoUtf8AreRefused()
{
    QFETCH(QString, command);
    QFETCH(bool, fileExists);
    QTemporaryDir dir;
    QCOMPARE(RunCtl({"new", "--model", "QVR_K115_ZQX", dir.filePath(QStringLiteral("p.qvp"))}).exitCode, 0);
    // QTemporaryDir cannot remove a name it cannot decode: the file goes by its bytes.
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\xE9.qvp";
    const auto removeRaw = qScopeGuard([&raw] { ::unlink(raw.constData()); });
    if (fileExists) {
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    const QList<QByteArray> before = RawNames(dir.path());

    const CtlRun run = RunCtlInShell(dir.path(), command);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(QStringLiteral("caf\\xE9.")) && run.err.contains(QStringLiteral("UTF-8")), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(RawNames(dir.path()), before); // nothing written under any name
}

// Module files cut short beside good ones: every command runs, the good languages load and
// the damaged files are not offered.
void TestQuorvexctl::damagedModulesBesideGoodOnes_data()
{
    QTest::addColumn<QStringList>("args"); // "FILE" stands for a program file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // expected in the standard output, or in the error stream for a failure
    QTest::newRow("help") << QStringList{"help"} << 0 << "Usage: quorvexctl";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "quorvexctl ";
    QTest::newRow("new") << QStringList{"new", "--model", "QVR_K115_ZQX", "FILE.new"} << 0 << "";
    QTest::newRow("check") << QStringList{"check", "FILE"} << 0 << "QVS_K115_318";
    QTest::newRow("describe in English") << QStringList{"describe", "FILE"} << 0 << "Channel 1, step Start";
    QTest::newRow("describe in Polish") << QStringList{"describe", "FILE", "--language", "1045"} << 0
                                        << "Kanał 1, krok Start";
    QTest::newRow("simulate") << QStringList{"simulate", "FILE", "--ticks", "2"} << 0 << "t=2 ";
    QTest::newRow("list") << QStringList{"list"} << 0 << "";
    QTest::newRow("message of a failure") << QStringList{"check", "/nonexistent/p.qvp"} << int(RESULT_CANNOT_READ)
                                          << "(error 23)";
    QTest::newRow("installed languages") << QStringList{"describe", "FILE", "--language", "1"} << 2
                                         << "installed: English (en, 2057); Polski (pl, 1045)";
}

void TestQuorvexctl::damagedModulesBesideGoodOnes()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("quorvexctl"));
    QVERIFY(QFile::copy(CTL, copy));
    QVERIFY(QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeUser));
    const QString shipped = QStringLiteral(QUORVEX_BIN_DIR "/Lang/Strings_%1" QUORVEX_MODULE_SUFFIX);
    const QString lang = dir.filePath(QStringLiteral("Lang/Strings_%1" QUORVEX_MODULE_SUFFIX));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("Lang"))));
    QByteArray english;
    {
        QFile file(shipped.arg(QStringLiteral("en")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        english = file.readAll();
    }
    QVERIFY(QFile::copy(shipped.arg(QStringLiteral("en")), lang.arg(QStringLiteral("en"))));
    QVERIFY(QFile::copy(shipped.arg(QStringLiteral("pl")), lang.arg(QStringLiteral("pl"))));
    QVERIFY(WriteFile(lang.arg(QStringLiteral("zz")), english.left(2000)));
    QVERIFY(WriteFile(lang.arg(QStringLiteral("zy")), english.left(english.size() / 2)));

    const QString program = dir.filePath(QStringLiteral("p.qvp"));
    QCOMPARE(RunCtl({"new", "--model", "QVS_K115_318", program}).exitCode, 0);
    args.replaceInStrings(QStringLiteral("FILE"), program);
    const CtlRun run = RunCtl(args, copy);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((exitCode == 0 ? run.out : run.err).contains(output), qPrintable(run.out + run.err));
}

QTEST_GUILESS_MAIN(TestQuorvexctl)
#include "tst_quorvexctl.moc"
