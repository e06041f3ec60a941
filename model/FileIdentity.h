#pragma once
// What a program file was when the window opened or last saved it, and whether it is still
// that: changed on disk by someone else, vanished, or as it was.
//
// An identity is the file's size, modification time and a hash of its contents. The contents
// decide: a file rewritten with the same bytes (a new time only) is as it was, and a file
// changed within the same second with the same size is changed. A file of another size is
// changed without reading it. Taking an identity reads the file (a program file is a few
// hundred bytes), so it is cheap enough to take whenever the window gets the focus.

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct FileIdentity {
    bool exists = false;   // a regular file was there
    bool readable = false; // and its contents could be read (hash is valid)
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash;       // SHA-256 of the contents; empty for a file too large to be a program
};

// The identity of the file at this path now. Only a regular file (or a link to one) is read.
FileIdentity ReadFileIdentity(const QString& path);

enum class FileChange {
    Unchanged, // the same contents
    Changed,   // other contents, or contents that cannot be read
    Vanished,  // no regular file at the path any more (removed, renamed, or a folder there)
};

// How the file `now` stands to the one `remembered`.
FileChange CompareFileIdentity(const FileIdentity& remembered, const FileIdentity& now);

// The file of a window's program, remembered when it is opened and saved.
//
//   Open, Save, Save As succeeded, Reload  -> Remember(path)
//   New, Read from relay                   -> Forget()
//   Before Save writes                     -> CheckBeforeSave(): ask unless Unchanged
//   The window got the focus               -> CheckForNews(): announce Changed or Vanished
//
// CheckForNews tells each new state of the file once: a change the user chose not to reload
// is not announced again at every focus, only when the file changes once more. Save still
// sees it, because it compares with the remembered file.
class CWatchedFile {
public:
    void Remember(const QString& path);
    void Forget();
    bool IsWatching() const { return !m_path.isEmpty(); }
    const QString& Path() const { return m_path; }
    const FileIdentity& Remembered() const { return m_remembered; }

    // Unchanged when no file is watched.
    FileChange CheckBeforeSave() const;
    FileChange CheckForNews();

private:
    QString m_path;
    FileIdentity m_remembered;
    FileIdentity m_lastSeen;
};
