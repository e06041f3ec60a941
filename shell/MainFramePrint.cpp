// The main window's print-outs and pictures: the program's description, its picture, printing
// and the print preview.

#include "MainFrame.h"

#include "Commands.h"
#include "FrameRelayState.h"
#include "FrameText.h"
#include "HelpWindow.h"
#include "LanguageIcon.h"
#include "LanguageManager.h"
#include "LanguageWidgets.h"
#include "ProgramPictures.h"
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

// A drawer of the program's model in the language shown: the boxes as the program views show
// them now.
std::unique_ptr<CStepDrawer> ShownDrawer(const CQuorvexDoc& doc, CLanguageManager& manager)
{
    auto drawer = std::make_unique<CStepDrawer>(doc.GetModelCode());
    drawer->OnLanguageChanged(manager);
    return drawer;
}

// A printer set up for a print-out: the chains are wide, the margins those of a filed page.
void PreparePrinter(QPrinter& printer, const QString& documentName)
{
    printer.setDocName(documentName);
    printer.setPageMargins(QMarginsF(15.0, 12.0, 12.0, 12.0), QPageLayout::Millimeter);
}

} // namespace

void CMainFrame::OnFileExportDoc()
{
    if (!CommandEnabledNow(ID_FILE_EXPORTDOC) || !m_pPane || !m_pPane->GetDocument())
        return;
    const CLanguageManager& manager = TheLanguageManager();
    const QString path = m_pDialogs->SaveFileName(
        this, FileDialogFilters(manager.GetText(Language::TEXT_DESCRIPTION_FILE_FILTER)),
        BareExtension(manager.Text(Language::TEXT_DESCRIPTION_FILE_EXTENSION)), DescriptionFileSuggestion(m_path));
    if (path.isEmpty())
        return;
    ShowError(m_pPane->GetDocument()->WriteReport(path));
}

QString CMainFrame::PrintedFileName() const
{
    return m_bHasFile ? QDir::toNativeSeparators(m_path) : TheLanguageManager().Text(Language::TEXT_UNTITLED);
}

void CMainFrame::OnFileExportPicture()
{
    if (!CommandEnabledNow(ID_FILE_EXPORT_PICTURE) || !m_pPane || !m_pPane->GetDocument())
        return;
    CLanguageManager& manager = TheLanguageManager();
    const char16_t* filterText = manager.GetText(Language::TEXT_PICTURE_FILE_FILTER);
    const QString path = m_pDialogs->SavePictureFileName(this, FileDialogFilters(filterText),
                                                         FileDialogSuffixes(filterText),
                                                         SuggestedFileName(m_path, QStringLiteral("pdf")));
    if (path.isEmpty())
        return;
    PictureFormat format;
    if (!PictureFormatOfPath(path, &format)) {
        m_pDialogs->ShowError(this, manager.Text(Language::TEXT_ERROR_CAPTION),
                              manager.Format(Language::TEXT_PICTURE_UNKNOWN_TYPE, {QFileInfo(path).fileName()}));
        return;
    }
    const CQuorvexDoc& doc = *m_pPane->GetDocument();
    const std::unique_ptr<CStepDrawer> drawer = ShownDrawer(doc, manager);
    ShowError(WriteChainPicture(doc, *drawer, m_pPane->GetBoxHeight(), format, path));
}


void CMainFrame::OnFilePrint()
{
    if (!CommandEnabledNow(ID_FILE_PRINT) || !m_pPane || !m_pPane->GetDocument())
        return;
    CLanguageManager& manager = TheLanguageManager();
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, QFileInfo(m_path).fileName());
    if (!m_pDialogs->SetUpPrinter(this, &printer))
        return;
    const CQuorvexDoc& doc = *m_pPane->GetDocument();
    const std::unique_ptr<CStepDrawer> drawer = ShownDrawer(doc, manager);
    if (PrintProgram(printer, doc, *drawer, manager, {PrintedFileName(), QDateTime::currentDateTime()}) == 0
        || printer.printerState() == QPrinter::Error)
        m_pDialogs->ShowError(this, manager.Text(Language::TEXT_ERROR_CAPTION), manager.Text(Language::TEXT_PRINT_FAILED));
}

void CMainFrame::OnFilePrintPreview()
{
    if (!CommandEnabledNow(ID_FILE_PRINT_PREVIEW) || !m_pPane || !m_pPane->GetDocument())
        return;
    CLanguageManager& manager = TheLanguageManager();
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, QFileInfo(m_path).fileName());
    const CQuorvexDoc& doc = *m_pPane->GetDocument();
    const std::unique_ptr<CStepDrawer> drawer = ShownDrawer(doc, manager);
    const PrintoutHeader header{PrintedFileName(), QDateTime::currentDateTime()};
    m_pDialogs->ShowPrintPreview(this, &printer, [&](QPrinter* target) {
        PrintProgram(*target, doc, *drawer, manager, header);
    });
}
