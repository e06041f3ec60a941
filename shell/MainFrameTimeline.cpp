// The main window's timing diagram: its dock below the pane and the command that shows it.

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

void CMainFrame::BuildTimelineDock()
{
    m_pTimelineDock = new QDockWidget(this);
    m_pTimelineDock->setObjectName(QStringLiteral("timelineDock"));
    // Docked below the pane, or floating: never beside it, where it would squeeze the boxes.
    m_pTimelineDock->setAllowedAreas(Qt::BottomDockWidgetArea);
    m_pTimelineDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                                 | QDockWidget::DockWidgetFloatable);
    m_pTimelinePanel = new CTimelinePanel(m_pTimelineDock);
    m_pTimelineDock->setWidget(m_pTimelinePanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_pTimelineDock);
    m_pTimelineDock->hide();
    m_pTimelinePanel->SetSaveFileNameFunction([this](const char16_t* filterText, const QString& suffix) {
        // Beside the program file, named after it.
        const QFileInfo program(m_path);
        const QString suggestion = m_bHasFile ? program.absolutePath() + QLatin1Char('/') + program.completeBaseName()
                                                    + QLatin1Char('.') + suffix
                                              : QString();
        return m_pDialogs->SaveFileName(this, FileDialogFilters(filterText), suffix, suggestion);
    });
    connect(m_pTimelinePanel, &CTimelinePanel::showError, this, &CMainFrame::ShowError);
    // Closed with its own button, floated or docked again by the user: the window's height
    // follows.
    connect(m_pTimelineDock, &QDockWidget::visibilityChanged, this, [this] {
        ApplyTimelineSizing();
        UpdateCommandStates();
    });
    connect(m_pTimelineDock, &QDockWidget::topLevelChanged, this, [this] { ApplyTimelineSizing(); });
    // A program of the other model has other lanes: the panel's height changes.
    connect(m_pTimelinePanel, &CTimelinePanel::preferredHeightChanged, this, [this] {
        if (m_pTimelineDock->isVisible())
            ApplyTimelineSizing();
    });
}

int CMainFrame::TimelineExtraHeight() const
{
    if (!m_pTimelineDock || m_pTimelineDock->isHidden() || m_pTimelineDock->isFloating())
        return 0;
    return m_pTimelineDock->sizeHint().height() + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
}

void CMainFrame::ApplyTimelineSizing()
{
    if (!m_pPane || m_paneSizing.stripWidth <= 0)
        return;
    ApplyPaneSizing(m_paneSizing, true);
}

void CMainFrame::OnViewTimeline()
{
    if (!CommandEnabledNow(ID_VIEW_TIMELINE) || !m_pTimelineDock) {
        UpdateCommandStates();
        return;
    }
    if (!m_pTimelineDock->isHidden()) {
        m_pTimelineDock->hide();
    } else {
        m_pTimelinePanel->setFixedHeight(m_pTimelinePanel->PreferredHeight());
        m_pTimelineDock->show();
        // A window that would grow past the screen keeps its height: the diagram floats
        // below it instead.
        const QRect available = ScreenArea();
        const int grown = m_nFixedHeight + TimelineExtraHeight() + (frameGeometry().height() - geometry().height());
        if (!available.isEmpty() && !m_pTimelineDock->isFloating() && grown > available.height()) {
            m_pTimelineDock->setFloating(true);
            const QSize size(std::min(width(), available.width()), m_pTimelineDock->sizeHint().height());
            m_pTimelineDock->setGeometry(QRect(QPoint(available.left() + (available.width() - size.width()) / 2,
                                                      available.bottom() - size.height()),
                                               size));
        }
    }
    ApplyTimelineSizing();
    UpdateCommandStates();
}
