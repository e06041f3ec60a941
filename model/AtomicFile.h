#pragma once
// Replacing a file safely: the bytes go to a temporary file beside the target, which is
// renamed over the target only when everything was written. On any failure the previous
// file is untouched and no temporary file is left behind.
//
// Only regular files are replaced. A target that exists as something else (a device such
// as /dev/null, a named pipe, a socket, a folder) is refused: renaming over it would put a
// plain file in its place, which for a system device run as root breaks the system. A
// symbolic link to a regular file is followed: the file it names is replaced, the link stays.

#include <QByteArray>
#include <QString>

// Whether the target may be replaced: it does not exist yet, or it is a regular file or a
// symbolic link to one.
bool IsReplaceableTarget(const QString& path);

// Returns true when the file now holds exactly the given bytes; false, with nothing
// changed, when the target cannot be replaced (see IsReplaceableTarget) or written.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);
