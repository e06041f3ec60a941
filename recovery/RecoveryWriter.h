#pragma once
// A window's recovery copy (RecoveryStore.h), kept up to date after every change without
// holding the window up.
//
// Update takes what it needs from the document at once (the program file's bytes, a few
// hundred) and hands the writing to a thread of its own, which writes the copy atomically.
// Changes that come faster than the disk takes them are coalesced: while one copy is being
// written, only the newest change waits, so the copy on disk is never older than the change
// before the newest. Discard removes the copy before it returns; a change that was waiting is
// dropped, and a write under way is finished first and then removed.
//
// A copy that cannot be written (a full disk, a folder that cannot be created or written)
// never fails the change: writeFailed tells it once, and writeRecovered when a copy is written
// again. Both are emitted on the thread that owns the writer. Every call belongs to that
// thread too.

#include "ProcessIdentity.h"
#include "RecoveryStore.h"

#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QWaitCondition>

#include <atomic>
#include <memory>

class CDocBase;
class QThread;

class CRecoveryWriter : public QObject {
    Q_OBJECT

public:
    // The copy of one window of this process in the given folder (created when the first copy
    // is written, readable by the user alone).
    explicit CRecoveryWriter(QString folder = DefaultRecoveryFolder(), QObject* parent = nullptr);
    // The same under another process's identity: for tests, which need copies of processes
    // that do not run.
    CRecoveryWriter(QString folder, const ProcessIdentity& process, QObject* parent = nullptr);
    // Finishes the write under way and the one waiting, then stops the thread. The copy stays:
    // a window that closes without saving discards it first.
    ~CRecoveryWriter() override;

    const QString& FileName() const { return m_fileName; }
    QString FilePath() const;

    // After every change, after a save and after undoing back to the saved program: a
    // modified program is written as this window's copy, an unmodified one removes it.
    // programPath is the file the program belongs to (empty for one never saved).
    void Update(const CDocBase& document, const QString& programPath);
    // The user saved or discarded the changes, or the window closes: the copy is removed.
    // True when no copy is left.
    bool Discard();

    // Restores a copy a dead process left (from CRecoveryStore::List): reads it, then renames
    // it to this window's copy, so that no other window restores it too and it survives a
    // crash of this window as well. On success the document holds the program, marked
    // modified, and the window's previous copy is replaced. Returns 0, 23 when the copy is gone
    // (another window took it) or cannot be read, 24 or 25 when it is damaged.
    int Adopt(const RecoveryCopy& copy, std::unique_ptr<CQuorvexDoc>* document);

    // Waits until the newest change is on disk (or failed). Tests and benchmarks use it.
    void Flush();
    // How many copies were written since the writer was made (coalesced changes count once).
    int WriteCount() const { return m_writeCount.load(); }
    // Whether the last write failed.
    bool WriteFailing() const { return m_failing.load(); }

Q_SIGNALS:
    // The copy could not be written to the folder; emitted once until a write succeeds again.
    void writeFailed(const QString& folder);
    void writeRecovered();

private:
    struct Pending {
        QByteArray programFile;
        QString programPath;
        QDateTime written;
    };

    void Run();
    bool WriteCopy(const Pending& pending);

    QString m_folder;
    QString m_fileName;
    QThread* m_thread = nullptr;

    QMutex m_mutex;
    QWaitCondition m_changed;         // a change waits, the thread is idle, or it stops
    std::unique_ptr<Pending> m_pending; // guarded by m_mutex
    bool m_busy = false;              // guarded: a write is under way
    bool m_stop = false;              // guarded
    bool m_folderReady = false;       // the writing thread's own

    std::atomic<int> m_writeCount{0};
    std::atomic<bool> m_failing{false};
};
