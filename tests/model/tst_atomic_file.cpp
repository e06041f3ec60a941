// The shared atomic writer: what it replaces, what it refuses, and that a refusal leaves the
// target and its folder as they were.

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Type and identity of a directory entry itself (a link is not followed).
struct Entry {
    bool exists = false;
    mode_t mode = 0;
    ino_t inode = 0;
    bool operator==(const Entry&) const = default;
};

Entry Stat(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, info.st_mode, info.st_ino};
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestAtomicFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replacesFilesAndLinksToFiles_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("new file") << "new";
        QTest::newRow("regular file") << "file";
        QTest::newRow("link to a regular file") << "link";
    }
    void replacesFilesAndLinksToFiles()
    {
        QFETCH(QString, target);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("file"));
        QVERIFY(WriteBytes(file, "old"));
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(file, link));
        const Entry linkBefore = Stat(link);

        QVERIFY(IsReplaceableTarget(dir.filePath(target)));
        QVERIFY(WriteFileAtomically(dir.filePath(target), "new bytes"));
        QCOMPARE(ReadBytes(dir.filePath(target)), QByteArray("new bytes"));
        // Through a link, the file it names gets the bytes and the link stays a link.
        QCOMPARE(ReadBytes(file), QByteArray(target == u"new" ? "old" : "new bytes"));
        QCOMPARE(Stat(link), linkBefore);
    }

    // Anything but a regular file is refused and left exactly as it was: renaming over a
    // device node would replace it with a plain file (as root, /dev/null included).
    void refusesTargetsThatAreNoRegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "pipe";
        QTest::newRow("link to a named pipe") << "link to pipe";
        QTest::newRow("socket") << "socket";
        QTest::newRow("folder") << "folder";
        QTest::newRow("device node") << "device";
        QTest::newRow("link to a device node") << "link to device";
    }
    void refusesTargetsThatAreNoRegularFile()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString node = dir.filePath(QStringLiteral("node"));
        const QByteArray nodeName = QFile::encodeName(node);
        QString target = node;
        int socketFd = -1;
        if (kind.endsWith(u"pipe")) {
            QCOMPARE(::mkfifo(nodeName.constData(), 0600), 0);
        } else if (kind == u"socket") {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            if (socketFd < 0 || std::size_t(nodeName.size()) >= sizeof address.sun_path)
                QSKIP("no socket can be made here");
            memcpy(address.sun_path, nodeName.constData(), std::size_t(nodeName.size()));
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        } else if (kind == u"folder") {
            QVERIFY(QDir().mkdir(node));
        } else if (kind.endsWith(u"device")) {
            // The same device as /dev/null, made in our own folder; only root may make one.
            if (::mknod(nodeName.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                QSKIP("device nodes can only be made as root");
        }
        if (kind.startsWith(u"link")) {
            target = dir.filePath(QStringLiteral("link"));
            QVERIFY(QFile::link(node, target));
        }
        const Entry nodeBefore = Stat(node);
        const Entry targetBefore = Stat(target);
        const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden);

        QVERIFY(!IsReplaceableTarget(target));
        QVERIFY(!WriteFileAtomically(target, "bytes"));
        QCOMPARE(Stat(node), nodeBefore);
        QCOMPARE(Stat(target), targetBefore);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden), entriesBefore);
        if (socketFd >= 0)
            ::close(socketFd);
    }
};

QTEST_APPLESS_MAIN(TestAtomicFile)
#include "tst_atomic_file.moc"
