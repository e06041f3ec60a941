// The main window's part of the program check: the Problems panel in a dock below the pane,
// the marks and tool tips of the step boxes, and the count of errors and warnings in the
// status bar, all computed again whenever the pane's program changes; the question before a
// program with errors is sent; and the timing diagram's scenario files.

#include "MainFrame.h"

#include "Commands.h"
#include "LanguageManager.h"
#include "ProblemsPanel.h"
#include "QuorvexDoc.h"
#include "QuorvexView.h"
#include "RelayPane.h"
#include "StepDialogs.h"
#include "TextIds.h"
#include "FrameText.h"
#include "TimelinePanel.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

using namespace CommandIds;
using Language::CLanguageManager;
using Language::TheLanguageManager;

void CMainFrame::BuildProblemsDock()
{
    m_pProblemsDock = new QDockWidget(this);
    m_pProblemsDock->setObjectName(QStringLiteral("problemsDock"));
    // Below the pane like the timing diagram (above it when both are shown), or floating.
    m_pProblemsDock->setAllowedAreas(Qt::BottomDockWidgetArea);
    m_pProblemsDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                                 | QDockWidget::DockWidgetFloatable);
    m_pProblemsPanel = new CProblemsPanel(m_pProblemsDock);
    m_pProblemsDock->setWidget(m_pProblemsPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_pProblemsDock, Qt::Vertical);
    if (m_pTimelineDock)
        splitDockWidget(m_pProblemsDock, m_pTimelineDock, Qt::Vertical);
    m_pProblemsDock->hide();
    connect(m_pProblemsPanel, &CProblemsPanel::stepActivated, this, &CMainFrame::ShowProblemStep);
    connect(m_pProblemsDock, &QDockWidget::visibilityChanged, this, [this] {
        if (!isVisible())
            return; // the window is being closed or destroyed: it hides its docks too
        ApplyTimelineSizing();
        UpdateCommandStates();
    });
    connect(m_pProblemsDock, &QDockWidget::topLevelChanged, this, [this] { ApplyTimelineSizing(); });

    // The count in the status bar opens the panel.
    auto* count = new QToolButton(statusBar());
    count->setObjectName(QStringLiteral("problemsCount"));
    count->setAutoRaise(true);
    count->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    count->setFocusPolicy(Qt::NoFocus);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    count->setIconSize(QSize(side, side));
    count->hide();
    connect(count, &QToolButton::clicked, this, [this] {
        if (m_pProblemsDock->isHidden())
            OnViewProblems();
        else
            m_pProblemsPanel->TakeFocus();
    });
    statusBar()->addPermanentWidget(count);
    m_pProblemsCount = count;

    // The timing diagram's scenarios: opened from the program's folder, refused with their
    // place in the text.
    if (m_pTimelinePanel) {
        m_pTimelinePanel->SetOpenFileNameFunction([this](const char16_t* filterText) {
            return m_pDialogs->OpenFileName(this, FileDialogFilters(filterText),
                                            m_bHasFile ? QFileInfo(m_path).absolutePath() : QString());
        });
        connect(m_pTimelinePanel, &CTimelinePanel::showErrorText, this, [this](const QString& text) {
            m_pDialogs->ShowError(this, TheLanguageManager().Text(Language::TEXT_ERROR_CAPTION), text);
        });
    }
}

// Shows the panel with the keyboard in its list, or hides it.
void CMainFrame::OnViewProblems()
{
    if (!CommandEnabledNow(ID_VIEW_PROBLEMS) || !m_pProblemsDock) {
        UpdateCommandStates();
        return;
    }
    if (!m_pProblemsDock->isHidden()) {
        const bool focused = m_pProblemsDock->isAncestorOf(QApplication::focusWidget());
        m_pProblemsDock->hide();
        // The keyboard goes back to the program.
        if (focused && m_pPane)
            m_pPane->setFocus();
    } else {
        m_pProblemsPanel->setFixedHeight(m_pProblemsPanel->PreferredHeight());
        m_pProblemsDock->show();
        // A window that would grow past the screen keeps its height: the panel floats below it.
        const QRect available = ScreenArea();
        const int grown = m_nFixedHeight + TimelineExtraHeight() + ProblemsExtraHeight()
                          + (frameGeometry().height() - geometry().height());
        if (!available.isEmpty() && !m_pProblemsDock->isFloating() && grown > available.height()) {
            m_pProblemsDock->setFloating(true);
            const QSize size(std::min(width(), available.width()), m_pProblemsDock->sizeHint().height());
            m_pProblemsDock->setGeometry(QRect(QPoint(available.left() + (available.width() - size.width()) / 2,
                                                      available.bottom() - size.height()),
                                               size));
        }
        m_pProblemsPanel->TakeFocus();
    }
    ApplyTimelineSizing();
    UpdateCommandStates();
}

int CMainFrame::ProblemsExtraHeight() const
{
    if (!m_pProblemsDock || m_pProblemsDock->isHidden() || m_pProblemsDock->isFloating())
        return 0;
    return m_pProblemsDock->sizeHint().height() + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
}

void CMainFrame::ConnectProblems(CRelayPane* pane)
{
    if (pane)
        connect(pane, &CRelayPane::programChanged, this, &CMainFrame::RefreshProblems);
    RefreshProblems();
}

void CMainFrame::RefreshProblems()
{
    if (!m_pProblemsPanel)
        return;
    CProblemsModel& model = m_pProblemsPanel->Model();
    model.Refresh(m_pPane ? m_pPane->GetDocument() : nullptr);
    if (m_pPane)
        for (CQuorvexView* view : m_pPane->findChildren<CQuorvexView*>())
            view->SetStepMarks(model.Marks(view->GetChannel()), model.Notes(view->GetChannel()));

    const ProgramCheck::FindingCounts counts = model.Counts();
    const CLanguageManager& manager = TheLanguageManager();
    m_pProblemsCount->setText(manager.Format(Language::TEXT_PROBLEMS_COUNT, {counts.errors, counts.warnings}));
    m_pProblemsCount->setToolTip(manager.Text(Language::TEXT_PROBLEMS_COUNT_TIP));
    if (counts.errors + counts.warnings == 0)
        m_pProblemsCount->setIcon(QIcon());
    else
        m_pProblemsCount->setIcon(model.Icon(counts.errors ? ProgramCheck::Severity::Error : ProgramCheck::Severity::Warning));
    m_pProblemsCount->setVisible(m_pPane != nullptr);
}

void CMainFrame::RetranslateProblems(CLanguageManager& manager)
{
    if (!m_pProblemsDock)
        return;
    m_pProblemsDock->setWindowTitle(manager.Text(Language::TEXT_PROBLEMS_TITLE));
    m_pProblemsPanel->OnLanguageChanged(manager);
    // The tool tips and the count in the new language.
    RefreshProblems();
}

void CMainFrame::ShowProblemStep(int channel, int step)
{
    CRelayPane* pane = m_pPane;
    if (!pane)
        return;
    pane->SelectStep(step, channel);
    // The keyboard goes on in the step's dialog: its first control that takes the focus.
    QWidget* strip = pane->StepDialogs();
    if (!strip || pane->GetSelectedStep() != step || pane->GetSelectedChannel() != channel)
        return;
    for (QWidget* widget = strip->nextInFocusChain(); widget && widget != strip; widget = widget->nextInFocusChain()) {
        if (strip->isAncestorOf(widget) && widget->isVisible() && widget->isEnabled()
            && (widget->focusPolicy() & Qt::TabFocus)) {
            widget->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

bool CMainFrame::ConfirmSendWithErrors()
{
    if (!m_pPane || !m_pProblemsPanel)
        return true;
    // The program as it is now, whatever the panel showed last.
    RefreshProblems();
    const CProblemsModel& model = m_pProblemsPanel->Model();
    const int errors = model.Counts().errors;
    if (errors == 0)
        return true;
    const CLanguageManager& manager = TheLanguageManager();
    QString text = errors == 1 ? manager.Text(Language::TEXT_SEND_WITH_ONE_ERROR)
                               : manager.Format(Language::TEXT_SEND_WITH_ERRORS, {errors});
    text += QStringLiteral("\n");
    // Each error with its step (and channel); a long list ends in "...".
    constexpr int LISTED = 8;
    int listed = 0;
    const std::vector<ProgramCheck::Finding>& findings = model.Findings();
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const ProgramCheck::Finding& finding = findings[i];
        if (finding.severity != ProgramCheck::Severity::Error)
            continue;
        if (listed++ == LISTED) {
            text += QStringLiteral("\n\u2022 \u2026");
            break;
        }
        QString where = manager.Format(Language::TEXT_PT_WHERE_STEP, {finding.steps.front()});
        if (model.Channels() == 2)
            where = manager.Format(Language::TEXT_CHANGE_IN_CHANNEL, {where, finding.channel + 1});
        if (!where.isEmpty())
            where[0] = where[0].toUpper();
        text += QStringLiteral("\n\u2022 ") + manager.Format(Language::TEXT_PROBLEMS_NOTE, {where, model.Text(int(i))});
    }
    return m_pDialogs->AskYesNoWarning(this, manager.Text(Language::TEXT_SEND_WITH_ERRORS_CAPTION), text);
}
