// The file identity check: what counts as a change of a program file on disk (the contents,
// not the time alone), what counts as vanished, and that the window's watched file announces
// each new state once while Save keeps seeing the change.

#include "FileIdentity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

Q_DECLARE_METATYPE(FileChange)

namespace {

const QByteArray PROGRAM("a program file of a few bytes");

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool SetTime(const QString& path, const QDateTime& time)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(time, QFileDevice::FileModificationTime);
}

} // namespace

class TestFileIdentity : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("door.qvp"));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(m_path);
        QDir(m_path).removeRecursively();
        QVERIFY(Write(m_path, PROGRAM));
        QVERIFY(SetTime(m_path, QDateTime::currentDateTimeUtc().addSecs(-3600)));
    }

    void changes_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<FileChange>("expected");
        QTest::newRow("untouched") << "untouched" << FileChange::Unchanged;
        QTest::newRow("same bytes written again") << "rewritten" << FileChange::Unchanged;
        QTest::newRow("other bytes, same size and time") << "same size and time" << FileChange::Changed;
        QTest::newRow("grown") << "grown" << FileChange::Changed;
        QTest::newRow("replaced by a rename") << "renamed over" << FileChange::Changed;
        QTest::newRow("removed") << "removed" << FileChange::Vanished;
        QTest::newRow("a folder in its place") << "folder" << FileChange::Vanished;
        QTest::newRow("no longer readable") << "unreadable" << FileChange::Changed;
    }
    void changes()
    {
        QFETCH(QString, what);
        QFETCH(FileChange, expected);
        const FileIdentity before = ReadFileIdentity(m_path);
        QVERIFY(before.exists && before.readable);
        QCOMPARE(before.size, PROGRAM.size());

        QByteArray other = PROGRAM;
        other[3] = 'X';
        if (what == QLatin1String("rewritten")) {
            QVERIFY(Write(m_path, PROGRAM));
            QVERIFY(ReadFileIdentity(m_path).modified != before.modified);
        } else if (what == QLatin1String("same size and time")) {
            QVERIFY(Write(m_path, other));
            QVERIFY(SetTime(m_path, before.modified));
            QCOMPARE(ReadFileIdentity(m_path).modified, before.modified);
        } else if (what == QLatin1String("grown")) {
            QVERIFY(Write(m_path, PROGRAM + "!"));
        } else if (what == QLatin1String("renamed over")) {
            const QString other2 = m_dir.filePath(QStringLiteral("new.qvp"));
            QVERIFY(Write(other2, other));
            QVERIFY(::rename(QFile::encodeName(other2).constData(), QFile::encodeName(m_path).constData()) == 0);
        } else if (what == QLatin1String("removed")) {
            QVERIFY(QFile::remove(m_path));
        } else if (what == QLatin1String("folder")) {
            QVERIFY(QFile::remove(m_path));
            QVERIFY(QDir().mkdir(m_path));
        } else if (what == QLatin1String("unreadable")) {
            if (::geteuid() == 0)
                QSKIP("root reads every file");
            QVERIFY(QFile::setPermissions(m_path, QFile::WriteOwner));
        }
        QCOMPARE(CompareFileIdentity(before, ReadFileIdentity(m_path)), expected);
    }

    // A change the user chose not to reload is announced once, not at every focus; Save still
    // sees it. A file changed back is no news and is as it was for Save.
    void watchedFileAnnouncesEachStateOnce()
    {
        CWatchedFile watched;
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);
        watched.Remember(m_path);
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);
        QCOMPARE(watched.CheckBeforeSave(), FileChange::Unchanged);

        QVERIFY(Write(m_path, "changed by a colleague"));
        QCOMPARE(watched.CheckForNews(), FileChange::Changed);
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);
        QCOMPARE(watched.CheckBeforeSave(), FileChange::Changed);

        QVERIFY(Write(m_path, "changed once more"));
        QCOMPARE(watched.CheckForNews(), FileChange::Changed);

        QVERIFY(Write(m_path, PROGRAM));
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);
        QCOMPARE(watched.CheckBeforeSave(), FileChange::Unchanged);

        QVERIFY(QFile::remove(m_path));
        QCOMPARE(watched.CheckForNews(), FileChange::Vanished);
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);
        QCOMPARE(watched.CheckBeforeSave(), FileChange::Vanished);

        // Saved again: what is on disk now is the window's.
        QVERIFY(Write(m_path, "saved by the window"));
        watched.Remember(m_path);
        QCOMPARE(watched.CheckBeforeSave(), FileChange::Unchanged);
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);

        watched.Forget();
        QVERIFY(QFile::remove(m_path));
        QCOMPARE(watched.CheckBeforeSave(), FileChange::Unchanged);
        QCOMPARE(watched.CheckForNews(), FileChange::Unchanged);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestFileIdentity)
#include "tst_file_identity.moc"
