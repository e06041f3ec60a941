#include "AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>

bool IsReplaceableTarget(const QString& path)
{
    // QFileInfo follows symbolic links: a link is judged by what it names.
    const QFileInfo target(path);
    return !target.exists() || target.isFile();
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (!IsReplaceableTarget(path))
        return false;
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() alone does not report every failed flush (a full disk can leave an empty file
    // renamed over the target), so the buffered bytes are flushed and checked first.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    // Checked again right before the rename: the target may have been replaced meanwhile.
    if (!IsReplaceableTarget(path)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
