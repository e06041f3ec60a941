#pragma once
// Keeps the window's program from being lost: a recovery copy of an unsaved program after every
// change (offered again at the next start when the window ended without saving), and the
// program's file watched, so that Save does not overwrite a file that changed behind the window
// and the window tells when its file changed on disk.
//
// The main window calls it at a handful of moments:
//   start-up, before the model question     -> OfferRecoveredPrograms
//   a pane was made                         -> WatchPane (its changes, undo and redo update the copy)
//   opened, saved, saved as, restored       -> SetProgramFile(path)
//   new, example, read from a relay         -> SetProgramFile({})
//   Save, before it writes over the file    -> BeforeSave
//   the window closes with the user's leave -> Close
// It watches the window's activation itself: when the window gets the focus, a change of the
// file on disk is announced once, with the choice to reload it as one undoable change.

#include "FileIdentity.h"
#include "RecoveryStore.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CFrameDialogs;
class CQuorvexDoc;
class CRecoveryWriter;
class CRelayPane;
class QMainWindow;

class CProgramSafety : public QObject {
    Q_OBJECT

public:
    // window: whose status bar tells about copies that cannot be written, and over which the
    // questions are asked. folder: where the recovery copies are kept.
    CProgramSafety(QMainWindow* window, CFrameDialogs& dialogs, QString folder = DefaultRecoveryFolder());
    ~CProgramSafety() override;

    // Puts a restored program into the window: a modified program that belongs to `path`
    // (empty: never saved). False when the window cannot show it.
    using ShowRestored = std::function<bool(const CQuorvexDoc& program, const QString& path)>;
    // Tells about files of the recovery folder that cannot be restored (one message), then
    // offers the copies of ended processes, newest first, each to restore or to discard. The
    // first one restored goes into the window; the copies after it stay for the next start.
    // True when a program was restored.
    bool OfferRecoveredPrograms(const ShowRestored& show);

    // The pane whose program is kept safe from now on (null: none).
    void WatchPane(CRelayPane* pane);
    // The program now belongs to this file, as it is on disk now (opened, saved, restored), or
    // to no file (empty path). The copy follows at once: a saved program leaves none.
    void SetProgramFile(const QString& path);

    enum class SaveDecision {
        Write,  // the file is as it was, or the user chose to write over it again
        SaveAs, // the user chose to save under another name
        Cancel,
    };
    // Asks before Save writes over the program's file when it changed or vanished on disk
    // since it was opened or last saved.
    SaveDecision BeforeSave();

    // The window closes and the user saved or discarded the changes: the copy goes, and no
    // copy is written any more.
    void Close();

    // What the window's activation does: a file changed or vanished on disk is announced, once
    // per change. Not while a question of the window is open, nor while the pane simulates or
    // shows a relay's live state.
    void CheckFileOnDisk();

    const CRecoveryWriter& Writer() const { return *m_pWriter; }
    CRecoveryWriter& Writer() { return *m_pWriter; }
    const CWatchedFile& WatchedFile() const { return m_watched; }

Q_SIGNALS:
    // A file of another relay model replaced the program's file on disk: the window opens it
    // as it opens any file (after offering to save the program it holds).
    void openRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The copy, brought up to date with the pane's program (written off this thread).
    void UpdateCopy();
    // Soon, once the change that asked for it has settled (the undo stack tells the document
    // whether it is modified after its other signals).
    void ScheduleUpdate();
    void Reload();
    CQuorvexDoc* Document() const;
    void ShowWriteFailure(const QString& folder);
    void ClearWriteFailure();

    QMainWindow* m_pWindow;
    CFrameDialogs& m_dialogs;
    CRecoveryStore m_store;
    CRecoveryWriter* m_pWriter;
    CWatchedFile m_watched;
    QPointer<CRelayPane> m_pPane;
    bool m_bUpdateDue = false;
    bool m_bClosed = false;
    bool m_bAsking = false;   // a question of this class is open
    QString m_failureText;    // the status bar's message about copies not written, while shown
};
