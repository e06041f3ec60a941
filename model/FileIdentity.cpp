#include "FileIdentity.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

// Larger files are not program files; they are told apart by size and time without reading.
constexpr qint64 MAX_HASHED_SIZE = 16 << 20;

} // namespace

FileIdentity ReadFileIdentity(const QString& path)
{
    FileIdentity identity;
    const QFileInfo info(path);
    // A named pipe or a device is never opened: reading one could block.
    if (!info.isFile())
        return identity;
    identity.exists = true;
    identity.size = info.size();
    identity.modified = info.lastModified().toUTC();
    if (identity.size > MAX_HASHED_SIZE) {
        identity.readable = info.isReadable();
        return identity;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return identity;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError)
        return identity;
    identity.readable = true;
    identity.hash = hash.result();
    return identity;
}

FileChange CompareFileIdentity(const FileIdentity& remembered, const FileIdentity& now)
{
    if (!now.exists)
        return remembered.exists ? FileChange::Vanished : FileChange::Unchanged;
    if (!remembered.exists || now.size != remembered.size || !now.readable || !remembered.readable)
        return FileChange::Changed;
    if (now.hash.isEmpty() || remembered.hash.isEmpty())
        return now.hash.isEmpty() && remembered.hash.isEmpty() && now.modified == remembered.modified
            ? FileChange::Unchanged
            : FileChange::Changed;
    return now.hash == remembered.hash ? FileChange::Unchanged : FileChange::Changed;
}

void CWatchedFile::Remember(const QString& path)
{
    m_path = path;
    m_remembered = ReadFileIdentity(path);
    m_lastSeen = m_remembered;
}

void CWatchedFile::Forget()
{
    m_path.clear();
    m_remembered = {};
    m_lastSeen = {};
}

FileChange CWatchedFile::CheckBeforeSave() const
{
    if (!IsWatching())
        return FileChange::Unchanged;
    return CompareFileIdentity(m_remembered, ReadFileIdentity(m_path));
}

FileChange CWatchedFile::CheckForNews()
{
    if (!IsWatching())
        return FileChange::Unchanged;
    const FileIdentity now = ReadFileIdentity(m_path);
    if (CompareFileIdentity(m_lastSeen, now) == FileChange::Unchanged && now.exists == m_lastSeen.exists)
        return FileChange::Unchanged;
    m_lastSeen = now;
    return CompareFileIdentity(m_remembered, now);
}
