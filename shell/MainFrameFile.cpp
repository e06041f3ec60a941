// The main window's program file: where the program lives (its path, the title, the recent
// files), the start-up file, the save question, New, Open (also recent and dropped files),
// Save and Save As.

#include "MainFrame.h"

#include "Commands.h"
#include "FrameRelayState.h"
#include "FrameText.h"
#include "HelpWindow.h"
#include "LanguageIcon.h"
#include "LanguageManager.h"
#include "LanguageWidgets.h"
#include "ProgramPictures.h"
#include "ProgramSafety.h"
#include "QuorvexDoc.h"
#include "RelayPane.h"
#include "ResultCodes.h"
#include "StepDrawer.h"
#include "TimelinePanel.h"
#include "WindowFit.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

using namespace CommandIds;
using Language::CLanguageManager;
using Language::TheLanguageManager;

namespace {

// A path as a menu shows it: the mnemonic's "&" doubled, long paths shortened in the middle.
QString MenuPath(const QString& path, const QFontMetrics& metrics)
{
    constexpr int MAX_PATH_CHARACTERS = 60;
    QString shown = QDir::toNativeSeparators(path);
    shown = metrics.elidedText(shown, Qt::ElideMiddle, metrics.averageCharWidth() * MAX_PATH_CHARACTERS);
    return shown.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

void CMainFrame::SetStartupFile(const QString& path)
{
    // Relative to the folder the program was started in, which may change later.
    m_startupFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void CMainFrame::QueryModelAtStartup()
{
    // Programs a window left unsaved when it ended come first; a restored one takes the place
    // of the model question.
    m_pSafety->OfferRecoveredPrograms(
        [this](const CQuorvexDoc& program, const QString& path) { return ShowRecoveredProgram(program, path); });
    // A program named on the command line takes the place of the model question; when it
    // cannot be opened the user learns why and then chooses a model as usual.
    if (!m_startupFile.isEmpty()) {
        const QString path = std::exchange(m_startupFile, QString());
        if (OpenProgramFrom(path))
            return;
    }
    if (!m_pPane)
        QueryModelForNewProgram(0, true, false);
}

void CMainFrame::UpdateTitle(bool modified)
{
    const CLanguageManager& manager = TheLanguageManager();
    m_title = FrameTitle(manager.GetText(Language::TEXT_PROGRAM_NAME), m_bHasFile, m_path,
                         manager.Text(Language::TEXT_UNTITLED), modified);
    setWindowTitle(EscapeWindowTitle(m_title));
}

void CMainFrame::UseDefaultFileName()
{
    m_path = TheLanguageManager().Text(Language::TEXT_DEFAULT_FILE_NAME);
    m_bPathIsDefault = true;
}

void CMainFrame::ProgramLivesAt(const QString& path)
{
    m_bHasFile = true;
    m_path = path;
    m_bPathIsDefault = false;
    m_pSafety->SetProgramFile(path);
    UpdateTitle(m_pPane && m_pPane->GetDocument() && m_pPane->GetDocument()->IsModified());
    m_recentFiles.Add(path);
    UpdateRecentFileCommands();
}

void CMainFrame::ProgramIsUntitled()
{
    UseDefaultFileName();
    m_bHasFile = false;
    m_pSafety->SetProgramFile({});
    UpdateTitle(m_pPane && m_pPane->GetDocument() && m_pPane->GetDocument()->IsModified());
}

void CMainFrame::UpdateRecentFileCommands()
{
    const QStringList files = m_recentFiles.Files();
    const QFontMetrics metrics = menuBar()->fontMetrics();
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        QAction* action = m_actions.at(ID_FILE_MRU_FILE1 + i);
        const bool listed = i < files.size();
        action->setVisible(listed);
        if (!listed)
            continue;
        action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(MenuPath(files.at(i), metrics)));
        action->setStatusTip(QDir::toNativeSeparators(files.at(i)));
    }
}

bool CMainFrame::AskSaveChanges()
{
    if (!m_pPane || !m_pPane->GetDocument() || !m_pPane->GetDocument()->IsModified())
        return true;
    const CLanguageManager& manager = TheLanguageManager();
    const QString name = QFileInfo(m_path).fileName();
    switch (m_pDialogs->AskYesNoCancel(this, manager.Text(Language::TEXT_SAVE_CHANGES_CAPTION),
                                       manager.Format(Language::TEXT_SAVE_CHANGES_QUESTION, {name}))) {
    case CFrameDialogs::Yes:
        // Only a program that was really saved may be replaced or closed.
        return SaveProgram();
    case CFrameDialogs::No:
        return true;
    default:
        return false;
    }
}

void CMainFrame::OnFileNew()
{
    if (!CommandEnabledNow(ID_FILE_NEW) || !AskSaveChanges())
        return;
    const int preselected = m_pPane && ModelNumber(m_pPane->GetModelCode()) == 2 ? 1 : 0;
    const QueryResult result = QueryModelForNewProgram(preselected, false, true);
    if (result.cancelled || !m_pPane)
        return;
    if (!result.paneReplaced)
        m_pPane->NewProgram();
    ProgramIsUntitled();
}

void CMainFrame::OnFileOpen()
{
    if (!CommandEnabledNow(ID_FILE_OPEN) || !AskSaveChanges())
        return;
    const QStringList filters = FileDialogFilters(TheLanguageManager().GetText(Language::TEXT_PROGRAM_FILE_FILTER));
    const QString folder = m_bHasFile ? QFileInfo(m_path).absolutePath() : QString();
    const QString path = m_pDialogs->OpenFileName(this, filters, folder);
    if (path.isEmpty())
        return;
    ShowOpenFailure(path, LoadProgramFile(path));
}

void CMainFrame::ShowOpenFailure(const QString& path, int result)
{
    if (result == RESULT_OK)
        return;
    // The message names the file: "the file cannot be opened" alone does not say which.
    const CLanguageManager& manager = TheLanguageManager();
    ShowErrorWithHelp(manager.Format(Language::TEXT_OPEN_ARGUMENT_FAILED, {QDir::toNativeSeparators(path)})
                          + QStringLiteral("\n\n") + manager.Text(result),
                      result);
}

int CMainFrame::LoadProgramFile(const QString& path)
{
    // The whole file is checked in a document of its own before anything on screen changes.
    ModelCode model = 0;
    if (const int result = IdentifyProgramFile(path, &model))
        return result;
    const std::unique_ptr<CQuorvexDoc> loaded = CreateDocument(model);
    if (!loaded)
        return RESULT_NOT_PROGRAM_FILE; // the model code names neither relay model
    if (const int result = loaded->Load(path))
        return result;

    CreatePaneForModel(ModelNumber(model), true);
    if (!m_pPane || !m_pPane->ReplaceProgram(loaded->GetData(), loaded->GetDataSize(), false))
        return RESULT_NOT_PROGRAM_FILE;
    ProgramLivesAt(path);
    return RESULT_OK;
}

bool CMainFrame::OpenProgramFrom(const QString& path)
{
    if (!CommandEnabledNow(ID_FILE_OPEN) || !AskSaveChanges())
        return false;
    const int result = LoadProgramFile(path);
    ShowOpenFailure(path, result);
    return result == RESULT_OK;
}

void CMainFrame::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= RECENT_FILE_COUNT || !CommandEnabledNow(ID_FILE_MRU_FILE1 + index))
        return;
    const QStringList files = m_recentFiles.Files();
    if (index >= files.size())
        return;
    const QString path = files.at(index);
    if (!QFileInfo::exists(path)) {
        // Gone (deleted, renamed, on a disk that is not there): off the list, and the user is
        // told before anything else is asked.
        m_recentFiles.Remove(path);
        UpdateRecentFileCommands();
        const CLanguageManager& manager = TheLanguageManager();
        m_pDialogs->ShowError(this, manager.Text(Language::TEXT_ERROR_CAPTION),
                              manager.Format(Language::TEXT_RECENT_FILE_MISSING, {QDir::toNativeSeparators(path)}));
        return;
    }
    OpenProgramFrom(path);
}

QString CMainFrame::DroppedProgramFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        return QFileInfo(path).isFile() ? path : QString();
    }
    return QString();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (CommandEnabledNow(ID_FILE_OPEN) && !DroppedProgramFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    const QString path = DroppedProgramFile(event->mimeData());
    if (path.isEmpty() || !CommandEnabledNow(ID_FILE_OPEN))
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that the save question does not keep the application
    // the file came from waiting for the end of the drag.
    QTimer::singleShot(0, this, [this, path] { OpenProgramFrom(path); });
}

bool CMainFrame::SaveProgram()
{
    if (!m_pPane || !m_pPane->GetDocument())
        return false;
    if (!m_bHasFile)
        return SaveProgramAs();
    if (const auto decision = m_pSafety->BeforeSave(); decision != CProgramSafety::SaveDecision::Write)
        return decision == CProgramSafety::SaveDecision::SaveAs && SaveProgramAs();
    return SaveProgramTo(m_path);
}

bool CMainFrame::SaveProgramAs()
{
    if (!m_pPane || !m_pPane->GetDocument())
        return false;
    const CLanguageManager& manager = TheLanguageManager();
    const QString path = m_pDialogs->SaveFileName(
        this, FileDialogFilters(manager.GetText(Language::TEXT_PROGRAM_FILE_FILTER)),
        BareExtension(manager.Text(Language::TEXT_PROGRAM_FILE_EXTENSION)), m_path);
    if (path.isEmpty())
        return false;
    return SaveProgramTo(path);
}

bool CMainFrame::SaveProgramTo(const QString& path)
{
    if (const int result = m_pPane->GetDocument()->Save(path)) {
        ShowError(result);
        return false;
    }
    m_pPane->MarkSaved();
    ProgramLivesAt(path);
    return true;
}

void CMainFrame::OnFileSave()
{
    if (CommandEnabledNow(ID_FILE_SAVE))
        SaveProgram();
}

void CMainFrame::OnFileSaveAs()
{
    if (CommandEnabledNow(ID_FILE_SAVE_AS))
        SaveProgramAs();
}
