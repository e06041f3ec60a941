// Program files: checksum, exact bytes of saved files, identification, every load failure
// and saves that fail without harming the previous file.

#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QtTest>

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Image(const CQuorvexDoc& doc)
{
    return QByteArray(reinterpret_cast<const char*>(doc.GetData()), doc.GetDataSize());
}

QByteArray U32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (8 * i));
    return b;
}

// A program file built independently of the writer: version, length field, optional model
// byte, body, then the checksum in front (or a given wrong one).
QByteArray MakeFile(quint32 version, quint32 length, int model, const QByteArray& body)
{
    QByteArray rest = U32(version) + U32(length);
    if (model >= 0)
        rest += char(model);
    rest += body;
    const quint16 sum = ProgramChecksum(reinterpret_cast<const std::uint8_t*>(rest.constData()), rest.size());
    return QByteArray(1, char(sum & 0xFF)) + char(sum >> 8) + rest;
}

QByteArray RandomBody(int size)
{
    QByteArray body(size, 0);
    for (char& c : body)
        c = char(QRandomGenerator::global()->bounded(256));
    return body;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

class TestProgramFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void checksum();
    void defaultFilesAreExact();
    void roundTrip_data();
    void roundTrip();
    void loadFailures_data();
    void loadFailures();
    void identify_data();
    void identify();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
};

void TestProgramFile::checksum()
{
    QCOMPARE(ProgramChecksum(nullptr, 0), quint16(0x43D5));
    QCOMPARE(ProgramChecksum(reinterpret_cast<const std::uint8_t*>("abc"), 3), quint16(0x33F9));
}

void TestProgramFile::defaultFilesAreExact()
{
    QTemporaryDir dir;
    CQuorvex_QVR_K115_ZQX_Doc r;
    r.ResetProgram(1);
    QCOMPARE(r.Save(dir.filePath("r.qvp")), int(RESULT_OK));
    QCOMPARE(r.IsModified(), 0);
    const QByteArray rFile = ReadFile(dir.filePath("r.qvp"));
    QCOMPARE(rFile.size(), 81);
    QCOMPARE(rFile.left(20), QByteArray::fromHex("6E6E0200000046000000 10 023F003F3F3F103F80"));

    CQuorvex_QVS_K115_318_Doc s;
    s.ResetProgram(0);
    QCOMPARE(s.Save(dir.filePath("s.qvp")), int(RESULT_OK));
    const QByteArray sFile = ReadFile(dir.filePath("s.qvp"));
    QCOMPARE(sFile.size(), 237);
    QCOMPARE(sFile.left(11), QByteArray::fromHex("F1A9 02000000 E2000000 20"));
    QCOMPARE(sFile.mid(11), Image(s));
}

void TestProgramFile::roundTrip_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVR_K115_ZQX") << int(MODEL_QVR_K115_ZQX);
    QTest::newRow("QVS_K115_318") << int(MODEL_QVS_K115_318);
}

void TestProgramFile::roundTrip()
{
    QFETCH(int, model);
    QTemporaryDir dir;
    const QString path = dir.filePath("p.qvp");
    for (int i = 0; i < 50; ++i) {
        // A file written independently loads, and saving it again reproduces it byte for byte.
        std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
        const QByteArray body = RandomBody(doc->GetDataSize());
        const QByteArray file = MakeFile(2, body.size(), model, body);
        QVERIFY(WriteFile(path, file));
        doc->SetModified();
        QCOMPARE(doc->Load(path), int(RESULT_OK));
        QCOMPARE(doc->IsModified(), 0);
        QCOMPARE(Image(*doc), body);
        QVERIFY(QFile::remove(path));
        QCOMPARE(doc->Save(path), int(RESULT_OK));
        QCOMPARE(ReadFile(path), file);
    }
}

void TestProgramFile::loadFailures_data()
{
    QTest::addColumn<int>("model");       // of the loading document
    QTest::addColumn<QByteArray>("file"); // empty with missing=true: no file at all
    QTest::addColumn<int>("expected");

    const int R = MODEL_QVR_K115_ZQX, S = MODEL_QVS_K115_318;
    const QByteArray bodyR = RandomBody(70), bodyS = RandomBody(226);
    const QByteArray goodR = MakeFile(2, 70, R, bodyR);
    QByteArray flipped = goodR;
    flipped[40] = char(flipped[40] ^ 0x10);
    QByteArray badSum = goodR;
    badSum[0] = char(badSum[0] ^ 1);

    QTest::newRow("version 1 into QVR") << R << MakeFile(1, 70, -1, bodyR) << int(RESULT_OK);
    QTest::newRow("version 1 into QVS") << S << MakeFile(1, 226, -1, bodyS) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("QVS file into QVR") << R << MakeFile(2, 226, S, bodyS) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("QVR file into QVS") << S << goodR << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("model byte with low nibble") << R << MakeFile(2, 70, 0x11, bodyR) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("version 0") << R << MakeFile(0, 70, R, bodyR) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("version 3") << R << MakeFile(3, 70, R, bodyR) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("length field wrong") << R << MakeFile(2, 69, R, bodyR) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("extra byte") << R << goodR + char(0) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("extended with checksum") << R << MakeFile(2, 70, R, bodyR + char(1)) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("truncated") << R << goodR.left(80) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("header only") << R << goodR.left(11) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("ten bytes of version 2") << R << goodR.left(10) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("nine bytes") << R << goodR.left(9) << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("empty") << R << QByteArray() << int(RESULT_NOT_PROGRAM_FILE);
    QTest::newRow("body bit flipped") << R << flipped << int(RESULT_BAD_CHECKSUM);
    QTest::newRow("checksum wrong") << R << badSum << int(RESULT_BAD_CHECKSUM);
    QTest::newRow("missing file") << R << QByteArray("<missing>") << int(RESULT_CANNOT_READ);
    QTest::newRow("directory") << R << QByteArray("<directory>") << int(RESULT_CANNOT_READ);
    QTest::newRow("named pipe") << R << QByteArray("<fifo>") << int(RESULT_CANNOT_READ);
}

void TestProgramFile::loadFailures()
{
    QFETCH(int, model);
    QFETCH(QByteArray, file);
    QFETCH(int, expected);

    QTemporaryDir dir;
    QString path = dir.filePath("p.qvp");
    if (file == "<directory>")
        path = dir.path();
    else if (file == "<fifo>")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); // nobody ever writes to it
    else if (file != "<missing>")
        QVERIFY(WriteFile(path, file));

    std::unique_ptr<CQuorvexDoc> doc = CreateDocument(ModelCode(model));
    doc->ResetProgram(1);
    const QByteArray before = Image(*doc);
    QCOMPARE(doc->Load(path), expected);
    if (expected != RESULT_OK) {
        QCOMPARE(Image(*doc), before);
        QCOMPARE(doc->IsModified(), 1);
    } else {
        QCOMPARE(Image(*doc), file.right(doc->GetDataSize()));
    }
}

void TestProgramFile::identify_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("code");

    QTest::newRow("version 1") << MakeFile(1, 70, -1, RandomBody(70)) << int(RESULT_OK) << 0x10;
    QTest::newRow("version 2 QVS") << MakeFile(2, 226, 0x20, RandomBody(226)) << int(RESULT_OK) << 0x20;
    QTest::newRow("model byte unmasked") << MakeFile(2, 1, 0x21, QByteArray(1, 0)) << int(RESULT_OK) << 0x21;
    QTest::newRow("checksum not examined") << QByteArray::fromHex("0000 02000000 00000000 10") << int(RESULT_OK) << 0x10;
    QTest::newRow("ten bytes of version 2") << QByteArray::fromHex("0000 02000000 00000000") << int(RESULT_NOT_PROGRAM_FILE) << -1;
    QTest::newRow("version 3") << QByteArray::fromHex("0000 03000000 00000000 10") << int(RESULT_NOT_PROGRAM_FILE) << -1;
    QTest::newRow("nine bytes") << QByteArray(9, 1) << int(RESULT_NOT_PROGRAM_FILE) << -1;
    QTest::newRow("missing") << QByteArray("<missing>") << int(RESULT_CANNOT_READ) << -1;
    QTest::newRow("named pipe") << QByteArray("<fifo>") << int(RESULT_CANNOT_READ) << -1;
}

void TestProgramFile::identify()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    QFETCH(int, code);

    QTemporaryDir dir;
    const QString path = dir.filePath("p.qvp");
    if (file == "<fifo>")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (file != "<missing>")
        QVERIFY(WriteFile(path, file));
    ModelCode got = 0xFF;
    QCOMPARE(IdentifyProgramFile(path, &got), expected);
    if (code >= 0)
        QCOMPARE(int(got), code);
}

void TestProgramFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("read-only folder") << QStringLiteral("readonly");
    QTest::newRow("full disk") << QStringLiteral("full");
    QTest::newRow("target is a folder") << QStringLiteral("folder");
}

void TestProgramFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, situation);

    QTemporaryDir dir;
    struct Unmount {
        QString folder;
        ~Unmount() { if (!folder.isEmpty()) Run(QStringLiteral("umount"), {folder}); }
    } mounted; // before the folder itself is removed
    QString folder = dir.filePath("target");
    QVERIFY(QDir().mkpath(folder));
    const bool root = ::geteuid() == 0;
    if (situation != u"folder" && root) {
        // Permissions do not stop root: use a small file system of our own.
        if (!Run(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}))
            QSKIP("cannot mount a small file system here");
        mounted.folder = folder;
    }
    if (situation == u"full" && !root)
        QSKIP("a full disk can only be made here as root");

    const QString path = folder + QStringLiteral("/p.qvp");
    CQuorvex_QVS_K115_318_Doc old;
    old.ResetProgram(0);
    QCOMPARE(old.Save(path), int(RESULT_OK));
    const QByteArray oldBytes = ReadFile(path);

    if (situation == u"readonly") {
        if (root)
            QVERIFY(Run(QStringLiteral("mount"), {"-o", "remount,ro", folder}));
        else
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    } else if (situation == u"full") {
        QFile filler(folder + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size()) {
        }
    }

    CQuorvex_QVS_K115_318_Doc doc;
    doc.ResetProgram(1);
    const std::unique_ptr<CQuorvexFieldSet> fields = doc.CreateFieldSet();
    auto* time = dynamic_cast<CQuorvexFIELDTime*>(fields->Bind(&doc, 0, 4));
    QVERIFY(time);
    time->SetTimeValue(5); // differs from the old file
    const QString target = situation == u"folder" ? folder : path;
    QCOMPARE(doc.Save(target), int(RESULT_CANNOT_WRITE));
    QCOMPARE(doc.IsModified(), 1);
    QCOMPARE(ReadFile(path), oldBytes);
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(QStringLiteral("filler"));
    QCOMPARE(left, QStringList{QStringLiteral("p.qvp")});
    if (!root)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_APPLESS_MAIN(TestProgramFile)
#include "tst_programfile.moc"
