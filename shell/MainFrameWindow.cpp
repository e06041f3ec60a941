// The main window's pane and size: the relay model's question, the pane of a model, and the
// window's size and place from what the pane needs and the screen offers.

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

// The share of the screen's width a window opens at, when its pane needs less.
constexpr double OPENING_SCREEN_SHARE = 0.9;

} // namespace

CMainFrame::QueryResult CMainFrame::QueryModelForNewProgram(int preselected, bool cancelDisabled, bool keepWidth)
{
    QueryResult result;
    const int choice = m_pDialogs->QueryModel(this, preselected, cancelDisabled);
    if (choice != 0 && choice != 1) {
        result.cancelled = true;
        return result;
    }
    result.paneReplaced = CreatePaneForModel(choice + 1, keepWidth);
    return result;
}

bool CMainFrame::CreatePaneForModel(int modelNumber, bool keepWidth)
{
    const int current = m_pPane ? ModelNumber(m_pPane->GetModelCode()) : 0;
    if (current == modelNumber)
        return false;
    // The new pane is made before the old one goes: a model without a pane changes nothing.
    CRelayPane* pane = CreateRelayPane(modelNumber, this);
    if (!pane)
        return false;
    DestroyPane();

    m_pPane = pane;
    connect(pane, &CRelayPane::updateTitle, this, [this](int modified) { UpdateTitle(modified != 0); });
    connect(pane, &CRelayPane::showError, this, &CMainFrame::ShowError);
    connect(pane, &CRelayPane::updateCommands, this, &CMainFrame::UpdateCommandStates);
    QUndoStack* history = pane->UndoStack();
    connect(history, &QUndoStack::indexChanged, this, &CMainFrame::UpdateUndoCommands);
    connect(history, &QUndoStack::canUndoChanged, this, &CMainFrame::UpdateUndoCommands);
    connect(history, &QUndoStack::canRedoChanged, this, &CMainFrame::UpdateUndoCommands);
    connect(pane, &CRelayPane::simulationTimeChanged, this, &CMainFrame::ShowSimulationStatus);
    connect(pane, &CRelayPane::notice, this, &CMainFrame::ShowNotice);
    m_pSafety->WatchPane(pane);
    pane->SetSimulationSpeed(m_nSimulationSpeed);
    ShowSimulationStatus(-1.0);
    if (m_pTimelinePanel) {
        // The diagram follows the pane's program, potentiometer and simulation.
        CTimelinePanel* panel = m_pTimelinePanel;
        connect(pane, &CRelayPane::programChanged, panel, &CTimelinePanel::ProgramChanged);
        connect(pane, &CRelayPane::potentiometerChanged, panel, &CTimelinePanel::ProgramChanged);
        connect(pane, &CRelayPane::simulationTimeChanged, panel, &CTimelinePanel::SetSimulationTime);
        // The live view's polled states make the recorded trace; each live view records anew.
        connect(pane, &CRelayPane::relayStatePolled, panel, &CTimelinePanel::RecordRelayState);
        connect(pane, &CRelayPane::workModeChanged, panel, [panel] { panel->EndRecording(); });
        panel->SetSimulationTime(-1.0);
        panel->SetDocument(pane->GetDocument());
    }
    ConnectProblems(pane);
    m_pRelay->controller.SetModel(pane->GetModelCode());
    UpdateRelayStatus();

    setUpdatesEnabled(false);
    const PaneSizing sizing = pane->CreatePaneWindow();
    delete takeCentralWidget(); // the grey area of the window without pane
    setCentralWidget(pane);
    pane->setFocus();
    pane->OnLanguageChanged(TheLanguageManager());
    pane->UpdatePaneLayout();
    UseDefaultFileName();
    UpdateTitle(pane->GetDocument() && pane->GetDocument()->IsModified());
    UpdateUndoCommands();
    ApplyPaneSizing(sizing, keepWidth);
    setUpdatesEnabled(true);
    return true;
}

void CMainFrame::DestroyPane()
{
    if (!m_pPane)
        return;
    m_pRelay->controller.SetModel(0);
    if (m_pTimelinePanel) {
        m_pTimelinePanel->SetDocument(nullptr);
        m_pTimelinePanel->SetSimulationTime(-1.0);
    }
    ConnectProblems(nullptr);
    CRelayPane* pane = m_pPane;
    m_pPane = nullptr;
    UpdateRelayStatus();
    takeCentralWidget();
    pane->disconnect(this);
    pane->UndoStack()->disconnect(this);
    pane->hide();
    // Later, in case the pane is still on the call stack.
    pane->deleteLater();
}

void CMainFrame::ApplyPaneSizing(const PaneSizing& sizing, bool keepWidth)
{
    // The first pane of the window opens it at a good size in the middle of the screen; later
    // ones keep it where the user put it.
    const bool first = m_paneSizing.stripWidth <= 0;
    m_paneSizing = sizing;
    int bars = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    for (QToolBar* bar : findChildren<QToolBar*>())
        if (!bar->isHidden() && toolBarArea(bar) != Qt::NoToolBarArea)
            bars += bar->sizeHint().height();

    WindowFitInputs inputs;
    inputs.pane = sizing;
    inputs.bars = bars;
    inputs.extraHeight = TimelineExtraHeight() + ProblemsExtraHeight();
    inputs.frame = FrameMargins();
    inputs.available = ScreenArea();
    inputs.currentWidth = normalGeometry().width();
    inputs.keepWidth = keepWidth;
    // Wide enough to show a good part of the chain: the height follows the narrowest width,
    // so extra width shows more steps.
    if (first && !inputs.available.isEmpty())
        inputs.preferredWidth = int(inputs.available.width() * OPENING_SCREEN_SHARE) - inputs.frame.left()
                                - inputs.frame.right();
    const WindowFit fit = FitWindow(inputs);
    m_nMinWidth = fit.minimumWidth;
    m_nFixedHeight = fit.paneHeight;
    // Any width from the minimum up; the height is the pane's, and the docked timing
    // diagram's below it.
    setMinimumSize(fit.minimumWidth, fit.height);
    setMaximumSize(QWIDGETSIZE_MAX, fit.height);
    resize(fit.width, fit.height);
    if (!inputs.available.isEmpty()) {
        const QSize outer = QSize(fit.width, fit.height).grownBy(inputs.frame);
        const QPoint at = first ? CentreOnScreen(outer, inputs.available)
                                : PlaceOnScreen(QRect(frameGeometry().topLeft(), outer), inputs.available);
        if (at != frameGeometry().topLeft())
            move(at);
    }
}

void CMainFrame::SetScreenArea(const QRect& area)
{
    m_screenArea = area;
}

QRect CMainFrame::ScreenArea() const
{
    if (!m_screenArea.isEmpty())
        return m_screenArea;
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return shown ? shown->availableGeometry() : QRect();
}

QMargins CMainFrame::FrameMargins() const
{
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    if (outer != inner)
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                        outer.bottom() - inner.bottom());
    // The window manager has not told its frame yet (it does once the window is shown): a
    // title bar and thin borders, unless the platform draws no frames at all.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return QMargins();
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    return QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + border, border, border);
}
