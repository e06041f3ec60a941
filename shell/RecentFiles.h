#pragma once
// The programs opened or saved last, newest first, kept in the user's settings (the key
// "RecentFiles" beside the language choice). Every change reads the list again first, so two
// windows of the program add to one list instead of overwriting each other's.

#include "CommandIds.h"

#include <QString>
#include <QStringList>

class CRecentFiles {
public:
    static constexpr int MAX_FILES = CommandIds::RECENT_FILE_COUNT;

    // The list, newest first, at most MAX_FILES absolute paths.
    QStringList Files() const;
    // Puts a program at the top (moving it there when it is listed already).
    void Add(const QString& path);
    // Takes a program off the list.
    void Remove(const QString& path);

    // The form a path is kept in: absolute and cleaned ("a/../b" as "b").
    static QString Normalized(const QString& path);

private:
    void Store(const QStringList& files) const;
};
