#pragma once
// A scratch folder for the files a target writes for every input. Where the system has a
// file system in memory (/dev/shm) it is used: on a disk, thousands of rewrites and
// flushes per second would make the disk, not the code, the measure of a run.

#include <QFileInfo>
#include <QTemporaryDir>

inline QTemporaryDir& FuzzScratchFolder()
{
    static QTemporaryDir dir = [] {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        if (memory.isDir() && memory.isWritable()) {
            QTemporaryDir inMemory(QStringLiteral("/dev/shm/quorvex-fuzz-XXXXXX"));
            if (inMemory.isValid())
                return inMemory;
        }
        return QTemporaryDir();
    }();
    return dir;
}
