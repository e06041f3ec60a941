#pragma once
// Replacing a file safely: the bytes go to a temporary file beside the target, which is
// renamed over the target only when everything was written. On any failure the previous
// file is untouched and no temporary file is left behind.

#include <QByteArray>
#include <QString>

// Returns true when the file now holds exactly the given bytes.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);
