#include "ProgramSafety.h"

#include "FrameDialogs.h"
#include "LanguageManager.h"
#include "ModelDesignation.h"
#include "QuorvexDoc.h"
#include "RecoveryWriter.h"
#include "RelayPane.h"
#include "ResultCodes.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>

#include <memory>

using Language::CLanguageManager;
using Language::TheLanguageManager;

namespace {

// At most this many skipped files are named in the message; a folder full of strange files
// does not make a message taller than the screen.
constexpr std::size_t MAX_SKIPPED_NAMED = 8;

QString ShownFileName(const QString& path, const CLanguageManager& manager)
{
    return path.isEmpty() ? manager.Text(Language::TEXT_UNTITLED) : QFileInfo(path).fileName();
}

} // namespace

CProgramSafety::CProgramSafety(QMainWindow* window, CFrameDialogs& dialogs, QString folder)
    : QObject(window), m_pWindow(window), m_dialogs(dialogs), m_store(folder),
      m_pWriter(new CRecoveryWriter(std::move(folder), this))
{
    connect(m_pWriter, &CRecoveryWriter::writeFailed, this, &CProgramSafety::ShowWriteFailure);
    connect(m_pWriter, &CRecoveryWriter::writeRecovered, this, &CProgramSafety::ClearWriteFailure);
    if (m_pWindow)
        m_pWindow->installEventFilter(this);
}

CProgramSafety::~CProgramSafety() = default;

// ---------------------------------------------------------------- start-up

bool CProgramSafety::OfferRecoveredPrograms(const ShowRestored& show)
{
    const CLanguageManager& manager = TheLanguageManager();
    const QString caption = manager.Text(Language::TEXT_RECOVERY_CAPTION);
    const RecoveryListing listing = m_store.List();
    if (!listing.skipped.empty()) {
        QStringList lines;
        for (std::size_t i = 0; i < listing.skipped.size() && i < MAX_SKIPPED_NAMED; ++i) {
            const SkippedRecoveryFile& file = listing.skipped[i];
            lines << manager.Format(Language::TEXT_RECOVERY_SKIPPED,
                                    {QDir::toNativeSeparators(m_store.FilePath(file.fileName)),
                                     manager.Text(RecoverySkipTextId(file.reason))});
        }
        if (listing.skipped.size() > MAX_SKIPPED_NAMED)
            lines << QStringLiteral("…");
        m_bAsking = true;
        m_dialogs.ShowError(m_pWindow, caption, lines.join(QStringLiteral("\n\n")));
        m_bAsking = false;
    }

    const QStringList buttons{manager.Text(Language::TEXT_RECOVERY_RESTORE),
                              manager.Text(Language::TEXT_RECOVERY_DISCARD)};
    for (const RecoveryCopy& copy : listing.copies) {
        const QString text = manager.Format(
            Language::TEXT_RECOVERY_OFFER,
            {ShownFileName(copy.programPath, manager), ModelDesignation(copy.model),
             copy.written.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))});
        m_bAsking = true;
        // No way out but a choice: closing the box must neither lose the copy silently nor
        // leave the user wondering where the program went.
        const int choice = m_dialogs.AskChoice(m_pWindow, caption, text, buttons, 0, -1);
        m_bAsking = false;
        if (choice == 1) {
            m_store.Remove(copy.fileName);
            continue;
        }
        if (choice != 0)
            continue; // kept for the next start
        std::unique_ptr<CQuorvexDoc> restored;
        const int result = m_pWriter->Adopt(copy, &restored);
        if (result != RESULT_OK) {
            // Gone (another window took it) or damaged since it was listed.
            m_dialogs.ShowError(m_pWindow, manager.Text(Language::TEXT_ERROR_CAPTION),
                                manager.Format(Language::TEXT_RECOVERY_SKIPPED,
                                               {QDir::toNativeSeparators(m_store.FilePath(copy.fileName)),
                                                manager.Text(result)}));
            continue;
        }
        if (!show || !show(*restored, copy.programPath))
            return false; // the copy is this window's now and stays until the window decides
        // The restored program belongs to its file as that file is now; the copy, named for
        // this window from now on, keeps protecting it.
        SetProgramFile(copy.programPath);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- the program and its copy

void CProgramSafety::WatchPane(CRelayPane* pane)
{
    if (m_pPane)
        m_pPane->disconnect(this);
    m_pPane = pane;
    if (!pane)
        return;
    // Every change, undo and redo shows in the program (programChanged) or in the saved state
    // (cleanChanged, also when a save marks the program clean).
    connect(pane, &CRelayPane::programChanged, this, &CProgramSafety::ScheduleUpdate);
    connect(pane->UndoStack(), &QUndoStack::cleanChanged, this, &CProgramSafety::ScheduleUpdate);
    connect(pane->UndoStack(), &QUndoStack::indexChanged, this, &CProgramSafety::ScheduleUpdate);
}

CQuorvexDoc* CProgramSafety::Document() const
{
    return m_pPane ? m_pPane->GetDocument() : nullptr;
}

void CProgramSafety::ScheduleUpdate()
{
    if (m_bUpdateDue || m_bClosed)
        return;
    m_bUpdateDue = true;
    QTimer::singleShot(0, this, [this] {
        m_bUpdateDue = false;
        UpdateCopy();
    });
}

void CProgramSafety::UpdateCopy()
{
    if (m_bClosed)
        return;
    const CQuorvexDoc* document = Document();
    if (!document) {
        m_pWriter->Discard();
        return;
    }
    m_pWriter->Update(*document, m_watched.Path());
}

void CProgramSafety::SetProgramFile(const QString& path)
{
    if (path.isEmpty())
        m_watched.Forget();
    else
        m_watched.Remember(path);
    // A saved or freshly opened program leaves no copy before Save returns; a program that is
    // still modified (one read from a relay) gets a copy with its new place.
    UpdateCopy();
}

void CProgramSafety::Close()
{
    m_bClosed = true;
    m_pWriter->Discard();
}

// ---------------------------------------------------------------- the file on disk

CProgramSafety::SaveDecision CProgramSafety::BeforeSave()
{
    const FileChange change = m_watched.CheckBeforeSave();
    if (change == FileChange::Unchanged)
        return SaveDecision::Write;
    const CLanguageManager& manager = TheLanguageManager();
    const QString path = QDir::toNativeSeparators(m_watched.Path());
    const bool vanished = change == FileChange::Vanished;
    const QString text = manager.Format(
        vanished ? Language::TEXT_FILE_VANISHED_BEFORE_SAVE : Language::TEXT_FILE_CHANGED_BEFORE_SAVE, {path});
    const QStringList buttons{manager.Text(vanished ? Language::TEXT_FILE_SAVE_AGAIN : Language::TEXT_FILE_OVERWRITE),
                              manager.Text(Language::TEXT_FILE_SAVE_AS), manager.Text(Language::TEXT_BUTTON_CANCEL)};
    m_bAsking = true;
    // Return does not write over someone else's work: Save As is the default.
    const int choice = m_dialogs.AskChoice(m_pWindow, manager.Text(Language::TEXT_FILE_CHANGED_CAPTION), text,
                                           buttons, 1, 2);
    m_bAsking = false;
    // The user has heard of this change: the focus does not announce it again.
    m_watched.CheckForNews();
    switch (choice) {
    case 0: return SaveDecision::Write;
    case 1: return SaveDecision::SaveAs;
    default: return SaveDecision::Cancel;
    }
}

bool CProgramSafety::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pWindow && event->type() == QEvent::ActivationChange && m_pWindow->isActiveWindow()) {
        // Asked once the activation is over, never from inside its event.
        QTimer::singleShot(0, this, &CProgramSafety::CheckFileOnDisk);
    }
    return QObject::eventFilter(watched, event);
}

void CProgramSafety::CheckFileOnDisk()
{
    // A question of the window is open (this class's, or any modal dialog): its answer comes
    // first, and the window is activated again when it closes.
    if (m_bAsking || m_bClosed || !m_pPane || QApplication::activeModalWidget())
        return;
    // The simulation and the live view run the program as it is; the change is told once the
    // window is back to editing and gets the focus again.
    if (m_pPane->GetWorkMode() != WORK_MODE_EDIT)
        return;
    const FileChange change = m_watched.CheckForNews();
    if (change == FileChange::Unchanged)
        return;
    const CLanguageManager& manager = TheLanguageManager();
    const QString caption = manager.Text(Language::TEXT_FILE_CHANGED_CAPTION);
    const QString path = QDir::toNativeSeparators(m_watched.Path());
    m_bAsking = true;
    if (change == FileChange::Vanished) {
        m_dialogs.ShowInformation(m_pWindow, caption, manager.Format(Language::TEXT_FILE_VANISHED, {path}));
        m_bAsking = false;
        return;
    }
    const QStringList buttons{manager.Text(Language::TEXT_FILE_RELOAD), manager.Text(Language::TEXT_FILE_KEEP)};
    const int choice = m_dialogs.AskChoice(m_pWindow, caption, manager.Format(Language::TEXT_FILE_CHANGED_RELOAD, {path}),
                                           buttons, 0, 1);
    m_bAsking = false;
    if (choice == 0)
        Reload();
}

void CProgramSafety::Reload()
{
    CQuorvexDoc* document = Document();
    if (!document || !m_watched.IsWatching())
        return;
    const QString path = m_watched.Path();
    const CLanguageManager& manager = TheLanguageManager();
    // The whole file is checked in a document of its own before the window's program changes.
    ModelCode model = 0;
    int result = IdentifyProgramFile(path, &model);
    std::unique_ptr<CQuorvexDoc> loaded = result == RESULT_OK ? CreateDocument(model) : nullptr;
    if (result == RESULT_OK && !loaded)
        result = RESULT_NOT_PROGRAM_FILE;
    if (result == RESULT_OK)
        result = loaded->Load(path);
    if (result != RESULT_OK) {
        m_dialogs.ShowError(m_pWindow, manager.Text(Language::TEXT_ERROR_CAPTION),
                            manager.Format(Language::TEXT_OPEN_ARGUMENT_FAILED, {QDir::toNativeSeparators(path)})
                                + QStringLiteral("\n\n") + manager.Text(result));
        return;
    }
    if (model != document->GetModelCode()) {
        // Another relay model needs another pane: the window opens the file as any other.
        Q_EMIT openRequested(path);
        return;
    }
    if (!m_pPane->ReloadProgram(loaded->GetData(), loaded->GetDataSize()))
        return;
    SetProgramFile(path);
}

// ---------------------------------------------------------------- copies not written

void CProgramSafety::ShowWriteFailure(const QString& folder)
{
    if (!m_pWindow)
        return;
    m_failureText = TheLanguageManager().Format(Language::TEXT_RECOVERY_NOT_WRITTEN, {QDir::toNativeSeparators(folder)});
    m_pWindow->statusBar()->showMessage(m_failureText);
}

void CProgramSafety::ClearWriteFailure()
{
    if (m_pWindow && !m_failureText.isEmpty() && m_pWindow->statusBar()->currentMessage() == m_failureText)
        m_pWindow->statusBar()->clearMessage();
    m_failureText.clear();
}
