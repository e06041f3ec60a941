// Recovery copies: whose process still runs, what the listing offers and passes over in a
// folder of copies, damaged and foreign files and leftovers; the window's writer (a copy
// that restores the edit, removal that wins over a write under way, one report of a copy that
// cannot be written, never a write over the user's file) and a copy restored by one window
// only.

#include "RecoveryFixtures.h"
#include "RecoveryStore.h"
#include "RecoveryWriter.h"
#include "ResultCodes.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace RecoveryFixtures;

namespace {

// The contents of a copy with one member changed (or removed, for an undefined value).
QByteArray WithMember(const QByteArray& contents, const QString& key, const QJsonValue& value)
{
    QJsonObject object = QJsonDocument::fromJson(contents).object();
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    return QJsonDocument(object).toJson();
}

} // namespace

class TestRecoveryStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The tests tell live and ended processes apart by their start on Linux.
        QVERIFY(CurrentProcessIdentity().start.contains(QLatin1Char('.')));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_folder = m_dir->filePath(QStringLiteral("state/quorvex/recovery"));
    }

    // A child that has ended but is not reaped yet still has its /proc entry: it has ended all
    // the same. (First, before any QProcess installs its handling of ended children.)
    void zombieHasEnded()
    {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::pause();
            ::_exit(0);
        }
        const ProcessIdentity identity{child, ProcessStartToken(child)};
        QVERIFY(!identity.start.isEmpty());
        QVERIFY(IsProcessRunning(identity));
        ::kill(child, SIGKILL);
        QTRY_VERIFY(!IsProcessRunning(identity));
        QVERIFY(QFileInfo::exists(QStringLiteral("/proc/%1").arg(child)));
        QCOMPARE(::waitpid(child, nullptr, 0), child);
    }

    void processes_data()
    {
        QTest::addColumn<qint64>("pid");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("running");
        const ProcessIdentity self = CurrentProcessIdentity();
        const QString boot = self.start.section(QLatin1Char('.'), 0, 0);
        const QString ticks = self.start.section(QLatin1Char('.'), 1);
        QTest::newRow("this process") << self.pid << self.start << true;
        QTest::newRow("same ID, started later") << self.pid << (boot + QStringLiteral(".1") + ticks) << false;
        QTest::newRow("same ID and start, another boot") << self.pid << (QStringLiteral("0123456789abcdef.") + ticks)
                                                         << false;
        QTest::newRow("no such process") << qint64(0x7ffffff0) << (boot + QStringLiteral(".5")) << false;
        QTest::newRow("no ID") << qint64(0) << self.start << false;
        // A name not written by /proc: only the ID can tell.
        QTest::newRow("other system, running ID") << self.pid << QStringLiteral("t1700000000000") << true;
    }
    void processes()
    {
        QFETCH(qint64, pid);
        QFETCH(QString, start);
        QFETCH(bool, running);
        QCOMPARE(IsProcessRunning({pid, start}), running);
    }

    void childProcessEnds()
    {
        QProcess child;
        child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(child.waitForStarted());
        const ProcessIdentity identity{child.processId(), ProcessStartToken(child.processId())};
        QVERIFY(IsProcessRunning(identity));
        child.kill();
        QVERIFY(child.waitForFinished());
        QVERIFY(!IsProcessRunning(identity));
    }

    // One file in the folder, and what the listing makes of it.
    void listing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("copy of an ended process") << "ended" << "offered";
        QTest::newRow("copy of this process") << "live" << "ignored";
        QTest::newRow("cut short") << "cut short" << "damaged";
        QTest::newRow("program with a bad checksum") << "bad checksum" << "damaged";
        QTest::newRow("model other than the program's") << "model" << "damaged";
        QTest::newRow("program missing") << "no program" << "damaged";
        QTest::newRow("program not base64") << "bad base64" << "damaged";
        QTest::newRow("time not a time") << "bad time" << "damaged";
        QTest::newRow("very large") << "large" << "damaged";
        QTest::newRow("newer format version") << "newer" << "not a copy";
        QTest::newRow("another program's JSON") << "foreign JSON" << "not a copy";
        QTest::newRow("another file") << "foreign name" << "not a copy";
        QTest::newRow("named pipe named as a copy") << "pipe" << "not a copy";
        QTest::newRow("unreadable") << "unreadable" << "unreadable";
        QTest::newRow("temporary file of an ended writer") << "ended temporary" << "removed";
        QTest::newRow("temporary file of a running writer") << "live temporary" << "ignored";
    }
    void listing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, outcome);
        QVERIFY(QDir().mkpath(m_folder));
        const auto program = EditedProgram(MODEL_QVS_K115_318, 40, 0x5A);
        const QDateTime written = QDateTime::fromString(QStringLiteral("2025-03-04T05:06:07.089Z"), Qt::ISODateWithMs);
        const QByteArray valid = EncodeRecoveryCopy(QStringLiteral("/plant/door.qvp"), FileBytes(*program), written);
        const QString ended = RecoveryFileName(EndedProcess(), 1);
        const QString live = RecoveryFileName(CurrentProcessIdentity(), 1);

        QString name = ended;
        QByteArray contents = valid;
        if (kind == QLatin1String("live")) {
            name = live;
        } else if (kind == QLatin1String("cut short")) {
            contents.chop(contents.size() / 3);
        } else if (kind == QLatin1String("bad checksum")) {
            QByteArray bytes = FileBytes(*program);
            bytes[20] = char(bytes[20] ^ 1);
            contents = EncodeRecoveryCopy(QString(), bytes, written);
        } else if (kind == QLatin1String("model")) {
            contents = WithMember(valid, QStringLiteral("model"), int(MODEL_QVR_K115_ZQX));
        } else if (kind == QLatin1String("no program")) {
            contents = WithMember(valid, QStringLiteral("program"), QJsonValue::Undefined);
        } else if (kind == QLatin1String("bad base64")) {
            contents = WithMember(valid, QStringLiteral("program"), QStringLiteral("not*base64"));
        } else if (kind == QLatin1String("bad time")) {
            contents = WithMember(valid, QStringLiteral("written"), QStringLiteral("yesterday"));
        } else if (kind == QLatin1String("large")) {
            contents = valid + QByteArray(2 << 20, ' ');
        } else if (kind == QLatin1String("newer")) {
            contents = WithMember(valid, QStringLiteral("version"), 2);
        } else if (kind == QLatin1String("foreign JSON")) {
            contents = R"({"format": "something else", "version": 1})";
        } else if (kind == QLatin1String("foreign name")) {
            name = QStringLiteral("notes.txt");
        } else if (kind == QLatin1String("ended temporary")) {
            name = ended + QStringLiteral(".Ab12Cd");
            contents.chop(10);
        } else if (kind == QLatin1String("live temporary")) {
            name = live + QStringLiteral(".Ab12Cd");
        }
        const QString path = m_folder + QLatin1Char('/') + name;
        if (kind == QLatin1String("pipe")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QVERIFY(WriteFile(path, contents));
        }
        if (kind == QLatin1String("unreadable")) {
            if (::geteuid() == 0)
                QSKIP("root reads every file");
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        }
        // A folder inside is none of the listing's business.
        QVERIFY(QDir(m_folder).mkdir(QStringLiteral("inside")));

        const CRecoveryStore store(m_folder);
        const RecoveryListing listing = store.List();
        const QStringList left = QDir(m_folder).entryList(QDir::Files | QDir::System);
        if (outcome == QLatin1String("offered")) {
            QCOMPARE(listing.copies.size(), std::size_t(1));
            QVERIFY(listing.skipped.empty());
            const RecoveryCopy& copy = listing.copies.front();
            QCOMPARE(copy.fileName, name);
            QCOMPARE(copy.programPath, QStringLiteral("/plant/door.qvp"));
            QCOMPARE(copy.model, MODEL_QVS_K115_318);
            QCOMPARE(copy.written, written);
        } else if (outcome == QLatin1String("ignored") || outcome == QLatin1String("removed")) {
            QVERIFY(listing.copies.empty());
            QVERIFY(listing.skipped.empty());
            QCOMPARE(left.contains(name), outcome == QLatin1String("ignored"));
        } else {
            const RecoverySkip reason = outcome == QLatin1String("damaged") ? RecoverySkip::Damaged
                : outcome == QLatin1String("not a copy")                  ? RecoverySkip::NotRecoveryCopy
                                                                          : RecoverySkip::Unreadable;
            QVERIFY(listing.copies.empty());
            QCOMPARE(listing.skipped.size(), std::size_t(1));
            QCOMPARE(listing.skipped.front().fileName, name);
            QCOMPARE(int(listing.skipped.front().reason), int(reason));
            // Passed over, never removed: the user may still want it.
            QVERIFY(left.contains(name));
        }
    }

    void missingFolderHoldsNothing()
    {
        const RecoveryListing listing = CRecoveryStore(m_folder).List();
        QVERIFY(listing.copies.empty() && listing.skipped.empty());
        QVERIFY(!QFileInfo::exists(m_folder));
    }

    // The copy a window wrote, found after its process ended, restores the edit: a program of
    // the model, the same image, modified, with its path. Discarding it leaves nothing.
    void writtenCopyRestoresTheEdit_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("programPath");
        QTest::newRow("one-channel, saved before") << int(MODEL_QVR_K115_ZQX) << QStringLiteral("/plant/Tür 1.qvp");
        QTest::newRow("two-channel, never saved") << int(MODEL_QVS_K115_318) << QString();
    }
    void writtenCopyRestoresTheEdit()
    {
        QFETCH(int, model);
        QFETCH(QString, programPath);
        const auto program = EditedProgram(ModelCode(model), 30, 0xA5);
        const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
        QString fileName;
        {
            CRecoveryWriter writer(m_folder, EndedProcess());
            writer.Update(*program, programPath);
            writer.Flush();
            fileName = writer.FileName();
            QVERIFY(QFileInfo(writer.FilePath()).isFile());
            QCOMPARE(QFile::permissions(m_folder) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        }
        const CRecoveryStore store(m_folder);
        const RecoveryListing listing = store.List();
        QCOMPARE(listing.copies.size(), std::size_t(1));
        const RecoveryCopy& copy = listing.copies.front();
        QCOMPARE(copy.fileName, fileName);
        QCOMPARE(copy.programPath, programPath);
        QCOMPARE(int(copy.model), model);
        QVERIFY(copy.written >= before && copy.written <= QDateTime::currentDateTimeUtc());

        std::unique_ptr<CQuorvexDoc> restored;
        QByteArray programFile;
        QCOMPARE(store.Load(copy, &restored, &programFile), int(RESULT_OK));
        QCOMPARE(programFile, FileBytes(*program));
        QCOMPARE(int(restored->GetModelCode()), model);
        QVERIFY(restored->IsModified());
        QCOMPARE(restored->GetData()[30], std::uint8_t(0xA5));

        QVERIFY(store.Remove(copy.fileName));
        QVERIFY(store.List().copies.empty());
    }

    // An unmodified program has no copy: saving, or undoing back to the saved program, removes
    // it. Removal wins over a write still waiting or under way.
    void removalWinsOverWrites()
    {
        CRecoveryWriter writer(m_folder);
        auto program = EditedProgram(MODEL_QVR_K115_ZQX, 12, 1);
        writer.Update(*program, QString());
        writer.Flush();
        QVERIFY(QFileInfo::exists(writer.FilePath()));
        program->ClearModified();
        writer.Update(*program, QString());
        QVERIFY(!QFileInfo::exists(writer.FilePath()));

        // Discard at different moments of the write that the update started.
        program->SetModified();
        for (int i = 0; i < 50; ++i) {
            program->GetData()[12] = std::uint8_t(i);
            writer.Update(*program, QString());
            std::this_thread::sleep_for(std::chrono::microseconds(i * 20));
            QVERIFY(writer.Discard());
            QVERIFY(!QFileInfo::exists(writer.FilePath()));
        }
        writer.Flush();
        QVERIFY(!QFileInfo::exists(writer.FilePath()));
    }

    // Changes faster than the disk: the copy ends with the newest one.
    void newestChangeIsWritten()
    {
        CRecoveryWriter writer(m_folder, EndedProcess());
        auto program = EditedProgram(MODEL_QVS_K115_318, 50, 0);
        for (int i = 1; i <= 300; ++i) {
            program->GetData()[50] = std::uint8_t(i);
            writer.Update(*program, QStringLiteral("/p.qvp"));
        }
        writer.Flush();
        QVERIFY(writer.WriteCount() >= 1 && writer.WriteCount() <= 300);
        const CRecoveryStore store(m_folder);
        const RecoveryListing listing = store.List();
        QCOMPARE(listing.copies.size(), std::size_t(1));
        std::unique_ptr<CQuorvexDoc> restored;
        QCOMPARE(store.Load(listing.copies.front(), &restored), int(RESULT_OK));
        QCOMPARE(restored->GetData()[50], std::uint8_t(300 % 256));
    }

    // A copy that cannot be written costs the copy, not the change, and is told once until a
    // copy is written again.
    void failureIsReportedOnce()
    {
        // A file where the folder should be: the folder cannot be made, even by root.
        QVERIFY(WriteFile(m_dir->filePath(QStringLiteral("state")), "in the way"));
        CRecoveryWriter writer(m_folder);
        QSignalSpy failed(&writer, &CRecoveryWriter::writeFailed);
        QSignalSpy recovered(&writer, &CRecoveryWriter::writeRecovered);
        auto program = EditedProgram(MODEL_QVR_K115_ZQX, 12, 1);
        for (int i = 0; i < 3; ++i) {
            program->GetData()[12] = std::uint8_t(i);
            writer.Update(*program, QString());
            writer.Flush();
        }
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.front().front().toString(), m_folder);
        QVERIFY(writer.WriteFailing());
        QCOMPARE(program->GetData()[12], std::uint8_t(2));

        QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("state"))));
        writer.Update(*program, QString());
        writer.Flush();
        QTRY_COMPARE(recovered.size(), 1);
        QCOMPARE(failed.size(), 1);
        QVERIFY(QFileInfo(writer.FilePath()).isFile());
    }

    // The copy never lands on the program's own file, nor where a link at its name leads.
    void neverWritesOverTheUsersFile_data()
    {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("program file at the copy's name") << false;
        QTest::newRow("link at the copy's name") << true;
    }
    void neverWritesOverTheUsersFile()
    {
        QFETCH(bool, throughLink);
        QVERIFY(QDir().mkpath(m_folder));
        CRecoveryWriter writer(m_folder);
        QSignalSpy failed(&writer, &CRecoveryWriter::writeFailed);
        const QString users = throughLink ? m_dir->filePath(QStringLiteral("door.qvp")) : writer.FilePath();
        QVERIFY(WriteFile(users, "the user's file"));
        if (throughLink)
            QVERIFY(QFile::link(users, writer.FilePath()));
        const auto program = EditedProgram(MODEL_QVR_K115_ZQX, 12, 1);
        writer.Update(*program, users);
        writer.Flush();
        QCOMPARE(ReadFile(users), QByteArray("the user's file"));
        QTRY_COMPARE(failed.size(), 1);
    }

    // Two windows starting at once offer the same copy; only one restores it, and it becomes
    // that window's copy (not offered while it runs, offered again if it dies).
    void oneWindowAdoptsACopy()
    {
        const auto program = EditedProgram(MODEL_QVS_K115_318, 60, 0x3C);
        {
            CRecoveryWriter crashed(m_folder, EndedProcess());
            crashed.Update(*program, QStringLiteral("/plant/press.qvp"));
        }
        const CRecoveryStore store(m_folder);
        const RecoveryListing listing = store.List();
        QCOMPARE(listing.copies.size(), std::size_t(1));

        CRecoveryWriter first(m_folder);
        CRecoveryWriter second(m_folder);
        std::unique_ptr<CQuorvexDoc> restored;
        QCOMPARE(first.Adopt(listing.copies.front(), &restored), int(RESULT_OK));
        QVERIFY(restored && restored->IsModified());
        QCOMPARE(FileBytes(*restored), FileBytes(*program));
        std::unique_ptr<CQuorvexDoc> again;
        QCOMPARE(second.Adopt(listing.copies.front(), &again), int(RESULT_CANNOT_READ));
        QVERIFY(!again);

        QVERIFY(QFileInfo(first.FilePath()).isFile());
        QVERIFY(!QFileInfo::exists(store.FilePath(listing.copies.front().fileName)));
        QVERIFY(store.List().copies.empty());
        // Its next change goes to the same copy.
        restored->GetData()[60] = 0x3D;
        first.Update(*restored, QStringLiteral("/plant/press.qvp"));
        first.Flush();
        QCOMPARE(QDir(m_folder).entryList(QDir::Files), QStringList{first.FileName()});
    }

    void defaultFolder_data()
    {
        QTest::addColumn<QByteArray>("stateHome");
        QTest::addColumn<QString>("expected");
        const QString home = QDir::homePath() + QStringLiteral("/.local/state/quorvex/recovery");
        QTest::newRow("set") << QByteArray("/srv/state/") << QStringLiteral("/srv/state/quorvex/recovery");
        QTest::newRow("unset") << QByteArray() << home;
        QTest::newRow("relative, ignored") << QByteArray("state") << home;
    }
    void defaultFolder()
    {
        QFETCH(QByteArray, stateHome);
        QFETCH(QString, expected);
        const QByteArray saved = qgetenv("XDG_STATE_HOME");
        const bool wasSet = qEnvironmentVariableIsSet("XDG_STATE_HOME");
        if (stateHome.isNull())
            qunsetenv("XDG_STATE_HOME");
        else
            qputenv("XDG_STATE_HOME", stateHome);
        const QString folder = DefaultRecoveryFolder();
        if (wasSet)
            qputenv("XDG_STATE_HOME", saved);
        else
            qunsetenv("XDG_STATE_HOME");
        QCOMPARE(folder, expected);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

QTEST_GUILESS_MAIN(TestRecoveryStore)
#include "tst_recovery_store.moc"
