#pragma once
// Which process wrote something, told apart from a later process that got the same number.
//
// A process is named by its ID and a start token. On Linux the token is the boot's ID (its
// first 16 hex digits) and the process's start time in clock ticks since boot, both from /proc,
// written "<boot>.<ticks>": a process ID used again later, or again after a reboot, gives
// another token. Elsewhere the token is "t" and the time in milliseconds since the epoch at
// which the process first asked for it; such a token only makes names unique, and whether
// its process runs is told by the process ID alone.
//
// Tokens hold only lower-case letters, digits and full stops, so they fit in file names and
// never hold the '-' that separates the parts of a recovery file's name.

#include <QString>
#include <QtGlobal>

struct ProcessIdentity {
    qint64 pid = 0;
    QString start;
    bool operator==(const ProcessIdentity&) const = default;
};

// This process.
ProcessIdentity CurrentProcessIdentity();

// The identity of a running process by its ID, as that process's CurrentProcessIdentity
// gives it; an empty token when it cannot be told (no such process, or not on Linux). Tests
// use it to name their child processes.
QString ProcessStartToken(qint64 pid);

// Whether the process that had this identity still runs. A process that has ended but was not
// yet reaped by its parent (a zombie) has ended. When the system cannot say, the answer is
// yes: a caller that offers a dead process's leftovers never takes a living one's.
bool IsProcessRunning(const ProcessIdentity& identity);
