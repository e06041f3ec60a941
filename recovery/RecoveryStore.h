#pragma once
// Recovery copies of unsaved programs, kept in a folder of their own so that a program edited
// and never saved survives a crash, a kill or a power loss.
//
// A copy holds the program file exactly as Save writes it, the path of the file the program
// belongs to (empty for a program never saved), its relay model and the time of the change it
// holds. Each window keeps one copy, named after its process and that process's start
// (ProcessIdentity.h) and a number per window: "<pid>-<start token>-<window>.recovery". The
// name says whose a copy is: a copy of a process that still runs is never offered, and a
// window that restores a copy renames it to its own name, which claims it against any other
// window starting at the same time.
//
// The file is a small JSON object (UTF-8):
//   {"format": "quorvex-recovery", "version": 1, "path": "...", "model": 16,
//    "written": "2025-01-31T17:04:05.123Z", "program": "<the program file, base64>"}
// "model" is the program file's model byte; it must agree with the program file.

#include "ModelTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

class CQuorvexDoc;
struct ProcessIdentity;

// $XDG_STATE_HOME/quorvex/recovery, or ~/.local/state/quorvex/recovery when the variable is
// unset or not an absolute path. Elsewhere than on Linux and the BSDs: the application's local
// data folder, then "recovery".
QString DefaultRecoveryFolder();

// A copy left by a process that no longer runs, as the listing found it.
struct RecoveryCopy {
    QString fileName;    // the copy's name in the recovery folder
    QString programPath; // the program file it belongs to; empty for a program never saved
    ModelCode model = 0; // the model code as the program file stores it (MODEL_...)
    QDateTime written;   // when the change it holds was made (UTC)
};

// Why a file in the recovery folder was passed over; each has the text of its message.
enum class RecoverySkip {
    Damaged,         // named as a copy, but its contents are not a whole, valid copy
    NotRecoveryCopy, // another file, or a copy of a newer format than this version reads
    Unreadable,      // it cannot be opened or read
};
int RecoverySkipTextId(RecoverySkip reason);

struct SkippedRecoveryFile {
    QString fileName;
    RecoverySkip reason = RecoverySkip::Damaged;
};

struct RecoveryListing {
    std::vector<RecoveryCopy> copies;         // newest first
    std::vector<SkippedRecoveryFile> skipped; // by name
};

// The contents of a copy file (see above), and back. DecodeRecoveryCopy fills the copy's
// path, model and time and the program file's bytes, or says why it cannot.
QByteArray EncodeRecoveryCopy(const QString& programPath, const QByteArray& programFile, const QDateTime& written);
bool DecodeRecoveryCopy(const QByteArray& contents, RecoveryCopy* copy, QByteArray* programFile, RecoverySkip* reason);

// The name of a window's copy, and the process a name belongs to (false for a name that is
// not a copy's).
QString RecoveryFileName(const ProcessIdentity& process, int window);
bool RecoveryFileOwner(const QString& fileName, ProcessIdentity* process);

// The folder of recovery copies, as the start of the program sees it: what is there to offer,
// a copy restored as a program, a copy discarded. Nothing here writes copies (see
// RecoveryWriter.h) or changes a file outside the folder.
class CRecoveryStore {
public:
    explicit CRecoveryStore(QString folder = DefaultRecoveryFolder());

    const QString& Folder() const { return m_folder; }
    QString FilePath(const QString& fileName) const;

    // The copies of processes that no longer run, and the files passed over, with the reason.
    // Copies of running processes (this one's too) are neither offered nor passed over.
    // Temporary files a dead process left mid-write are removed. A folder that does not
    // exist holds nothing.
    RecoveryListing List() const;

    // Reads a listed copy again and makes it a program: a new document of its model holding
    // the program, marked modified. Returns 0, or a result code (23: gone or unreadable;
    // 24, 25: damaged since it was listed).
    int Load(const RecoveryCopy& copy, std::unique_ptr<CQuorvexDoc>* document, QByteArray* programFile = nullptr) const;

    // Deletes a copy (the user discarded it). True when it is gone.
    bool Remove(const QString& fileName) const;

private:
    QString m_folder;
};
