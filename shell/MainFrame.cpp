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

CMainFrame* s_pInstance = nullptr;

// Client area of the window before the first pane: plain grey.
QWidget* CreateEmptyClientArea(QWidget* parent)
{
    auto* area = new QWidget(parent);
    area->setObjectName(QStringLiteral("emptyClientArea"));
    area->setAutoFillBackground(true);
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    area->setPalette(palette);
    area->setMinimumSize(640, 320);
    return area;
}

// File menu captions, set by command.
constexpr std::pair<int, int> FILE_MENU_TEXTS[] = {
    {ID_FILE_NEW, Language::TEXT_MENU_FILE_NEW},       {ID_FILE_OPEN, Language::TEXT_MENU_FILE_OPEN},
    {ID_FILE_NEW_FROM_EXAMPLE, Language::TEXT_MENU_NEW_FROM_EXAMPLE},
    {ID_FILE_SAVE, Language::TEXT_MENU_FILE_SAVE},     {ID_FILE_SAVE_AS, Language::TEXT_MENU_FILE_SAVE_AS},
    {ID_FILE_EXPORTDOC, Language::TEXT_MENU_FILE_EXPORT}, {ID_APP_EXIT, Language::TEXT_MENU_FILE_EXIT},
    {ID_FILE_EXPORT_PICTURE, Language::TEXT_MENU_EXPORT_PICTURE}, {ID_FILE_PRINT, Language::TEXT_MENU_PRINT},
    {ID_FILE_PRINT_PREVIEW, Language::TEXT_MENU_PRINT_PREVIEW},
};

// A menu text without its mnemonic marks ("&&" stays a literal "&"), for a tool tip.
QString WithoutMnemonic(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// A path as a menu shows it: the mnemonic's "&" doubled, long paths shortened in the middle.
QString MenuPath(const QString& path, const QFontMetrics& metrics)
{
    constexpr int MAX_PATH_CHARACTERS = 60;
    QString shown = QDir::toNativeSeparators(path);
    shown = metrics.elidedText(shown, Qt::ElideMiddle, metrics.averageCharWidth() * MAX_PATH_CHARACTERS);
    return shown.replace(QLatin1Char('&'), QLatin1String("&&"));
}

constexpr int TOP_MENU_COUNT = 5;          // File, Device, Transmission, View, About (texts 45..49)

// The share of the screen's width a window opens at, when its pane needs less.
constexpr double OPENING_SCREEN_SHARE = 0.9;

} // namespace

CMainFrame::CMainFrame(std::unique_ptr<CFrameDialogs> dialogs)
    : m_pDialogs(dialogs ? std::move(dialogs) : std::make_unique<CFrameDialogs>()),
      m_pRelay(std::make_unique<RelayState>())
{
    s_pInstance = this;
    setObjectName(QStringLiteral("CMainFrame"));
    // The menu bar and the tool bar are fixed: no menu to hide them.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setCentralWidget(CreateEmptyClientArea(this));
    // Program files dropped anywhere on the window open.
    setAcceptDrops(true);
    // Alt+letter that no mnemonic takes must not reach a drop-down list (see eventFilter).
    qApp->installEventFilter(this);
    m_pSafety = new CProgramSafety(this, *m_pDialogs);
    connect(m_pSafety, &CProgramSafety::openRequested, this, &CMainFrame::OpenProgramFrom);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    if (m_bCreated)
        TheLanguageManager().SaveLanguageChoice();
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

CMainFrame* CMainFrame::Instance()
{
    return s_pInstance;
}

bool CMainFrame::Create()
{
    CLanguageManager& manager = TheLanguageManager();
    manager.ScanModules(Language::LANGUAGE_INTERFACE_VERSION, Language::MAX_LANGUAGES);
    manager.SelectStartupLanguage();

    BuildActions();
    BuildMenus();
    BuildToolBar();
    if (!BuildLanguageMenu()) {
        m_pDialogs->ShowFatalError();
        return false;
    }
    BuildStatusBar();
    SetUpRelays();
    // The Device menu holds its search and "No relay found" before the first pass.
    FillDeviceMenu();
    BuildLanguageControls();
    BuildTimelineDock();
    // The height is the pane's: no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    OnLanguageChanged(manager);
    UpdateRecentFileCommands();
    UpdateCommandStates();
    // In the middle of the screen from the start: the questions and messages shown before the
    // first pane (the relay model, a program named on the command line that cannot be
    // opened) are centred on the window, and so on the screen.
    adjustSize();
    const QRect area = ScreenArea();
    if (!area.isEmpty())
        move(CentreOnScreen(size().grownBy(FrameMargins()), area));
    m_bCreated = true;
    // The model question comes once the window is up and the event loop runs.
    QTimer::singleShot(0, this, &CMainFrame::QueryModelAtStartup);
    return true;
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // A key with Alt that no mnemonic of the window took would go on to the focused drop-down
    // list, which picks the first entry that begins with the letter: Alt+E, meant for a menu,
    // switched a Polish window to English through the language list, and would change a step
    // through a step dialog's list. Such keys end here instead.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) && !key->text().isEmpty()) {
            auto* list = qobject_cast<QComboBox*>(watched);
            if (list && list->window() == this && !list->isEditable())
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- building

void CMainFrame::BuildActions()
{
    using Handler = void (CMainFrame::*)();
    const std::pair<int, Handler> handlers[] = {
        {ID_FILE_NEW, &CMainFrame::OnFileNew},
        {ID_FILE_NEW_FROM_EXAMPLE, &CMainFrame::OnFileNewFromExample},
        {ID_HELP_USER_GUIDE, &CMainFrame::OnHelpUserGuide},
        {ID_FILE_OPEN, &CMainFrame::OnFileOpen},
        {ID_FILE_SAVE, &CMainFrame::OnFileSave},
        {ID_FILE_SAVE_AS, &CMainFrame::OnFileSaveAs},
        {ID_FILE_EXPORTDOC, &CMainFrame::OnFileExportDoc},
        {ID_FILE_EXPORT_PICTURE, &CMainFrame::OnFileExportPicture},
        {ID_FILE_PRINT, &CMainFrame::OnFilePrint},
        {ID_FILE_PRINT_PREVIEW, &CMainFrame::OnFilePrintPreview},
        {ID_EDIT_UNDO, &CMainFrame::OnEditUndo},
        {ID_EDIT_REDO, &CMainFrame::OnEditRedo},
        {ID_APP_EXIT, &CMainFrame::OnAppExit},
        {ID_TRANSMISSION_SENDSETTINGS, &CMainFrame::OnSendProgramToRelay},
        {ID_TRANSMISSION_READSETTINGS, &CMainFrame::OnReadProgramFromRelay},
        {ID_TRANSMISSION_COMPARE, &CMainFrame::OnCompareWithRelay},
        {ID_TRANSMISSION_VERSION, &CMainFrame::OnRelayVersion},
        {ID_TRANSMISSION_CHANGEPASSWORD, &CMainFrame::OnChangeRelayPassword},
        {ID_TRANSMISSION_RESETPASSWORD, &CMainFrame::OnResetRelayPassword},
        {ID_TRANSMISSION_STARTVIEW, &CMainFrame::OnStartView},
        {ID_TRANSMISSION_STOPVIEW, &CMainFrame::OnStopView},
        {ID_TRANSMISSION_SIMULATIONMODE, &CMainFrame::OnSimulationMode},
        {ID_TRANSMISSION_STARTSIMULATION, &CMainFrame::OnStartSimulation},
        {ID_TRANSMISSION_STEPPING, &CMainFrame::OnStepping},
        {ID_TRANSMISSION_SKIP, &CMainFrame::OnSkip},
        {ID_TRANSMISSION_STOPSIMULATION, &CMainFrame::OnStopSimulation},
        {ID_TRANSMISSION_RESET, &CMainFrame::OnResetSimulation},
        {ID_TRANSMISSION_VERIFYAFTERSEND, &CMainFrame::OnVerifyAfterSend},
        {ID_APP_ABOUT, &CMainFrame::OnAppAbout},
        {ID_VIEW_TIMELINE, &CMainFrame::OnViewTimeline},
        {ID_DEVICE_SEARCH, &CMainFrame::OnSearchRelays},
    };
    for (const CommandInfo& command : Commands()) {
        auto* action = new QAction(QString::fromLatin1(command.key), this);
        action->setData(command.id);
        if (command.shortcut)
            action->setShortcuts(
                QKeySequence::listFromString(QLatin1String(command.shortcut), QKeySequence::PortableText));
        if (command.image)
            action->setIcon(QIcon(QLatin1String(command.image)));
        // Keys work while the window is active, whichever of its children has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        m_actions[command.id] = action;
        addAction(action);
    }
    for (const auto& [id, handler] : handlers)
        connect(m_actions.at(id), &QAction::triggered, this, handler);
    m_actions.at(ID_TRANSMISSION_SIMULATIONMODE)->setCheckable(true);
    m_actions.at(ID_TRANSMISSION_VERIFYAFTERSEND)->setCheckable(true);
    WatchGuideKey();

    // The recent files: captions are their paths, shown while the list has them.
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        auto* action = new QAction(this);
        action->setData(ID_FILE_MRU_FILE1 + i);
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
        m_actions[ID_FILE_MRU_FILE1 + i] = action;
    }
    m_actions.at(ID_VIEW_TIMELINE)->setCheckable(true);

    // The attached relays: captions are the relays' names, set when the Device menu is built.
    // One of them carries the radio check, or none while no relay fits the program.
    auto* relays = new QActionGroup(this);
    relays->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < DEVICE_COMMAND_COUNT; ++i) {
        auto* action = new QAction(QStringLiteral("SUBMENU_DEVICE_%1").arg(i + 1), relays);
        action->setData(ID_DEVICE_1 + i);
        connect(action, &QAction::triggered, this, [this, i] { OnSelectDevice(i); });
        m_actions[ID_DEVICE_1 + i] = action;
    }
}

void CMainFrame::BuildMenus()
{
    QMenuBar* bar = menuBar();
    auto fill = [this](QMenu* menu, std::span<const int> items) {
        for (int id : items) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_actions.at(id));
        }
    };
    fill(bar->addMenu(QStringLiteral("MENU_FILE")), FileMenuItems());
    m_pEditMenu = bar->addMenu(QStringLiteral("MENU_EDIT"));
    fill(m_pEditMenu, EditMenuItems());
    m_pDeviceMenu = bar->addMenu(QStringLiteral("MENU_DEVICE"));
    // An entry of the other model explains itself in its tool tip.
    m_pDeviceMenu->setToolTipsVisible(true);
    connect(m_pDeviceMenu, &QMenu::aboutToShow, this, &CMainFrame::OnDeviceMenuAboutToShow);
    m_pTransmissionMenu = bar->addMenu(QStringLiteral("MENU_TRANSMISSION"));
    fill(m_pTransmissionMenu, TransmissionMenuItems());
    BuildSimulationSpeedMenu();
    m_pViewMenu = bar->addMenu(QStringLiteral("MENU_VIEW"));
    m_pAboutMenu = bar->addMenu(QStringLiteral("MENU_ABOUT"));
    m_pAboutMenu->addAction(m_actions.at(ID_HELP_USER_GUIDE));
    m_pAboutMenu->addSeparator();
    m_pAboutMenu->addAction(m_actions.at(ID_APP_ABOUT));
}

void CMainFrame::BuildToolBar()
{
    m_pToolBar = new QToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setMovable(false);
    m_pToolBar->setFloatable(false);
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    for (int id : ToolBarItems()) {
        if (id == 0)
            m_pToolBar->addSeparator();
        else
            m_pToolBar->addAction(m_actions.at(id));
    }
}

bool CMainFrame::BuildLanguageMenu()
{
    const CLanguageManager& manager = TheLanguageManager();
    m_pViewMenu->clear();
    delete m_pLanguageGroup;
    m_pLanguageGroup = new QActionGroup(this);
    // Exclusive, but with none checked while the current language is not offered here.
    m_pLanguageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const int count = std::min(manager.GetLanguageCount(), LANGUAGE_COMMAND_COUNT);
    if (count == 0)
        return false;
    for (int i = 0; i < count; ++i) {
        QString name;
        manager.GetLanguageEntry(i, nullptr, &name);
        QAction* action = m_pViewMenu->addAction(name);
        action->setData(ID_VIEW_LANGUAGE[i]);
        action->setCheckable(true);
        m_pLanguageGroup->addAction(action);
        m_actions[ID_VIEW_LANGUAGE[i]] = action;
        connect(action, &QAction::triggered, this, [this, i] { OnSelectLanguage(i); });
    }
    return manager.GetCurrentLanguage(nullptr, nullptr, nullptr);
}

void CMainFrame::BuildLanguageControls()
{
    const CLanguageManager& manager = TheLanguageManager();
    m_pToolBar->addSeparator();

    m_pLanguageIcon = new CLanguageIcon(m_pToolBar);
    m_pLanguageIcon->setObjectName(QStringLiteral("languageIcon"));
    m_pLanguageIcon->setProperty("controlId", IDC_LANGUAGE_ICON);
    m_pLanguageIcon->SetIconSize(m_pToolBar->iconSize());
    // As large as a button of the tool bar.
    if (QWidget* reset = m_pToolBar->widgetForAction(m_actions.at(ID_TRANSMISSION_RESET)))
        m_pLanguageIcon->setFixedSize(reset->sizeHint());
    m_pToolBar->addWidget(m_pLanguageIcon);

    m_pLanguageList = new QComboBox(m_pToolBar);
    m_pLanguageList->setObjectName(QStringLiteral("languageList"));
    m_pLanguageList->setProperty("controlId", IDC_LANGUAGE_LIST);
    m_pLanguageList->setMinimumWidth(100);
    m_pLanguageList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (const Language::LanguageEntry& entry : manager.Entries())
        m_pLanguageList->addItem(entry.name);
    m_pToolBar->addWidget(m_pLanguageList);
    ShowCurrentLanguage();
    connect(m_pLanguageList, &QComboBox::currentIndexChanged, this, &CMainFrame::OnLanguageListChanged);
}

void CMainFrame::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(true);
    m_pStatusPane = new QLabel(bar);
    m_pStatusPane->setObjectName(QStringLiteral("statusPane"));
    m_pStatusPane->setTextFormat(Qt::PlainText);
    bar->addWidget(m_pStatusPane, 1);
    BuildSimulationStatus();
}

// ---------------------------------------------------------------- timing diagram

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

// ---------------------------------------------------------------- pane and window size

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
    inputs.extraHeight = TimelineExtraHeight();
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

// ---------------------------------------------------------------- title, errors, states

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

void CMainFrame::ShowError(int code)
{
    if (code == RESULT_OK)
        return;
    ShowErrorWithHelp(TheLanguageManager().Text(code), code);
}

void CMainFrame::SetStatusText(const QString& text)
{
    if (m_pStatusPane)
        m_pStatusPane->setText(text);
}

CommandStateInputs CMainFrame::StateInputs() const
{
    CommandStateInputs inputs;
    inputs.hasPane = m_pPane != nullptr;
    inputs.relayCommandRunning = RelayCommandRunning();
    inputs.verifyAfterSend = m_pRelay->controller.VerifyAfterSend();
    inputs.timelineShown = m_pTimelineDock && !m_pTimelineDock->isHidden();
    if (m_pPane) {
        inputs.mode = m_pPane->GetWorkMode();
        inputs.simulationRunning = m_pPane->IsSimulationRunning();
        inputs.selectedRelayIsModel2 = m_pRelay->controller.SelectedDeviceType() == 2;
        inputs.canUndo = m_pPane->UndoStack()->canUndo();
        inputs.canRedo = m_pPane->UndoStack()->canRedo();
    }
    inputs.simulationSpeed = m_nSimulationSpeed;
    return inputs;
}

bool CMainFrame::CommandEnabledNow(int commandId) const
{
    return IsCommandEnabled(commandId, StateInputs());
}

void CMainFrame::UpdateCommandStates()
{
    const CommandStateInputs inputs = StateInputs();
    for (const CommandInfo& command : Commands()) {
        QAction* action = m_actions.at(command.id);
        action->setEnabled(IsCommandEnabled(command.id, inputs));
        if (action->isCheckable())
            action->setChecked(IsCommandChecked(command.id, inputs));
    }
    for (int id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE8; ++id)
        m_actions.at(id)->setEnabled(IsCommandEnabled(id, inputs));
}

void CMainFrame::UpdateUndoCommands()
{
    const CLanguageManager& manager = TheLanguageManager();
    const QUndoStack* history = m_pPane ? m_pPane->UndoStack() : nullptr;
    struct Command {
        int id;
        bool can;
        QString change;
        int plainText;
        int changeText;
        int helpText;
    };
    const Command commands[] = {
        {ID_EDIT_UNDO, history && history->canUndo(), history ? history->undoText() : QString(),
         Language::TEXT_MENU_UNDO, Language::TEXT_MENU_UNDO_CHANGE, Language::TEXT_HELP_UNDO},
        {ID_EDIT_REDO, history && history->canRedo(), history ? history->redoText() : QString(),
         Language::TEXT_MENU_REDO, Language::TEXT_MENU_REDO_CHANGE, Language::TEXT_HELP_REDO},
    };
    for (const Command& command : commands) {
        QAction* action = m_actions.at(command.id);
        // "Undo time of step 4", also as the button's tool tip; plain "Undo" with nothing to undo.
        const bool named = command.can && !command.change.isEmpty();
        const QString text = named ? manager.Format(command.changeText, {command.change}) : manager.Text(command.plainText);
        if (!text.isEmpty())
            action->setText(text);
        action->setToolTip(named && !text.isEmpty() ? WithoutMnemonic(text)
                                                    : HelpToolTip(manager.Text(command.helpText)));
    }
    UpdateCommandStates();
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

QAction* CMainFrame::Action(int commandId) const
{
    const auto found = m_actions.find(commandId);
    return found == m_actions.end() ? nullptr : found->second;
}

// ---------------------------------------------------------------- languages

void CMainFrame::OnLanguageChanged(CLanguageManager& manager)
{
    if (m_bPathIsDefault)
        UseDefaultFileName();

    // File, then Edit (which has a text of its own), then Device to About.
    Language::SetMenuTexts(manager, menuBar(), 0, Language::TEXT_MENU_TOP_0, 1);
    Language::SetMenuTexts(manager, menuBar(), 2, Language::TEXT_MENU_TOP_0 + 1, TOP_MENU_COUNT - 1);
    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        for (const auto& [id, textId] : FILE_MENU_TEXTS)
            if (const char16_t* text = manager.GetText(textId))
                m_actions.at(id)->setText(Language::TextString(text));
        if (const char16_t* text = manager.GetText(Language::TEXT_MENU_EDIT))
            m_pEditMenu->menuAction()->setText(Language::TextString(text));
    }
    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        for (const auto& [id, textId] : TransmissionMenuTexts())
            if (const char16_t* text = manager.GetText(textId))
                m_actions.at(id)->setText(Language::TextString(text));
    }
    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        for (const auto& [id, textId] : {std::pair{ID_HELP_USER_GUIDE, int(Language::TEXT_MENU_USER_GUIDE)},
                                         std::pair{ID_APP_ABOUT, int(Language::TEXT_MENU_ABOUT)}})
            if (const char16_t* text = manager.GetText(textId))
                m_actions.at(id)->setText(Language::TextString(text));
    }
    if (m_pHelpWindow)
        m_pHelpWindow->OnLanguageChanged(manager);
    RetranslateSimulationSpeed(manager);

    if (manager.GetCurrentLanguage(nullptr, nullptr, nullptr)) {
        if (const char16_t* text = manager.GetText(Language::TEXT_MENU_VIEW_TIMELINE))
            m_actions.at(ID_VIEW_TIMELINE)->setText(Language::TextString(text));
        if (const char16_t* text = manager.GetText(Language::TEXT_MENU_SEARCH_RELAYS))
            m_actions.at(ID_DEVICE_SEARCH)->setText(Language::TextString(text));
    }
    if (m_pTimelineDock) {
        m_pTimelineDock->setWindowTitle(manager.Text(Language::TEXT_TIMELINE_TITLE));
        m_pTimelinePanel->OnLanguageChanged(manager);
    }
    for (const CommandInfo& command : Commands()) {
        if (command.helpTextId < 0)
            continue;
        const QString help = manager.Text(command.helpTextId);
        QAction* action = m_actions.at(command.id);
        action->setStatusTip(HelpPrompt(help));
        action->setToolTip(HelpToolTip(help));
    }

    if (m_pPane) {
        UpdateTitle(m_pPane->GetDocument() && m_pPane->GetDocument()->IsModified());
        m_pPane->OnLanguageChanged(manager);
        // Longer texts may widen the dialogs: the window keeps room for them.
        m_pPane->UpdatePaneLayout();
        ApplyPaneSizing(m_pPane->CreatePaneWindow(), true);
    } else {
        m_title = manager.Text(Language::TEXT_PROGRAM_NAME);
        setWindowTitle(EscapeWindowTitle(m_title));
    }
    // After the pane: it renames the changes in its history.
    UpdateUndoCommands();
    ShowRelayStatusText(manager);
}

void CMainFrame::SwitchLanguage(int index)
{
    CLanguageManager& manager = TheLanguageManager();
    // A module that fails to load leaves no language: every text reads "????" until another
    // language is chosen.
    manager.SelectLanguage(index);
    ShowCurrentLanguage();
    OnLanguageChanged(manager);
}

void CMainFrame::ShowCurrentLanguage()
{
    int current = -1;
    std::uint32_t lcid = 0;
    const bool loaded = TheLanguageManager().GetCurrentLanguage(&current, &lcid, nullptr);
    for (int i = 0; i < LANGUAGE_COMMAND_COUNT; ++i)
        if (QAction* action = Action(ID_VIEW_LANGUAGE[i]))
            action->setChecked(loaded && i == current);
    if (m_pLanguageList && loaded) {
        const QSignalBlocker blocker(m_pLanguageList);
        m_pLanguageList->setCurrentIndex(current);
    }
    if (m_pLanguageIcon)
        m_pLanguageIcon->SetLanguage(loaded ? lcid : 0);
}

void CMainFrame::OnSelectLanguage(int index)
{
    if (index < 0 || index >= LANGUAGE_COMMAND_COUNT || !Action(ID_VIEW_LANGUAGE[index]))
        return;
    SwitchLanguage(index);
}

void CMainFrame::OnLanguageListChanged(int index)
{
    if (index < 0)
        return;
    SwitchLanguage(index);
}

// ---------------------------------------------------------------- document commands

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
    if (!result.paneReplaced) {
        m_pPane->NewProgram();
        UseDefaultFileName();
    }
    m_bHasFile = false;
    m_pSafety->SetProgramFile({});
    UpdateTitle(m_pPane->GetDocument() && m_pPane->GetDocument()->IsModified());
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
    m_bHasFile = true;
    m_path = path;
    m_bPathIsDefault = false;
    m_pSafety->SetProgramFile(path);
    UpdateTitle(m_pPane->GetDocument()->IsModified());
    m_recentFiles.Add(path);
    UpdateRecentFileCommands();
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
    CQuorvexDoc* doc = m_pPane->GetDocument();
    if (const int result = doc->Save(m_path)) {
        ShowError(result);
        return false;
    }
    m_pPane->MarkSaved();
    m_pSafety->SetProgramFile(m_path);
    UpdateTitle(doc->IsModified());
    m_recentFiles.Add(m_path);
    UpdateRecentFileCommands();
    return true;
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
    CQuorvexDoc* doc = m_pPane->GetDocument();
    if (const int result = doc->Save(path)) {
        ShowError(result);
        return false;
    }
    m_pPane->MarkSaved();
    m_bHasFile = true;
    m_path = path;
    m_bPathIsDefault = false;
    m_pSafety->SetProgramFile(path);
    UpdateTitle(doc->IsModified());
    m_recentFiles.Add(path);
    UpdateRecentFileCommands();
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
    // The boxes as the program views show them now, in the language shown.
    CStepDrawer drawer(doc.GetModelCode());
    drawer.OnLanguageChanged(manager);
    ShowError(WriteChainPicture(doc, drawer, m_pPane->GetBoxHeight(), format, path));
}

namespace {

// A printer set up for a print-out: the chains are wide, the margins those of a filed page.
void PreparePrinter(QPrinter& printer, const QString& documentName)
{
    printer.setDocName(documentName);
    printer.setPageMargins(QMarginsF(15.0, 12.0, 12.0, 12.0), QPageLayout::Millimeter);
}

} // namespace

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
    CStepDrawer drawer(doc.GetModelCode());
    drawer.OnLanguageChanged(manager);
    if (PrintProgram(printer, doc, drawer, manager, {PrintedFileName(), QDateTime::currentDateTime()}) == 0
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
    CStepDrawer drawer(doc.GetModelCode());
    drawer.OnLanguageChanged(manager);
    const PrintoutHeader header{PrintedFileName(), QDateTime::currentDateTime()};
    m_pDialogs->ShowPrintPreview(this, &printer, [&](QPrinter* target) {
        PrintProgram(*target, doc, drawer, manager, header);
    });
}

void CMainFrame::OnEditUndo()
{
    if (CommandEnabledNow(ID_EDIT_UNDO))
        m_pPane->UndoStack()->undo();
}

void CMainFrame::OnEditRedo()
{
    if (CommandEnabledNow(ID_EDIT_REDO))
        m_pPane->UndoStack()->redo();
}

void CMainFrame::OnAppExit()
{
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!AskSaveChanges()) {
        event->ignore();
        return;
    }
    m_pSafety->Close();
    // A transfer that runs is cut short: the relay keeps the program it had (it takes a
    // program only from a complete frame), and the port is closed before the program ends.
    StopRelayWork();
    // The guide goes with the program.
    if (m_pHelpWindow)
        m_pHelpWindow->close();
    event->accept();
}

void CMainFrame::OnAppAbout()
{
    m_pDialogs->ShowAbout(this);
}

// ---------------------------------------------------------------- simulation

void CMainFrame::OnSimulationMode()
{
    if (CommandEnabledNow(ID_TRANSMISSION_SIMULATIONMODE))
        m_pPane->ToggleSimulationMode();
    // Also after a refused toggle: the action's check mark flipped when it was triggered.
    UpdateCommandStates();
}

void CMainFrame::OnStartSimulation()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STARTSIMULATION))
        return;
    m_pPane->StartSimulation();
    UpdateCommandStates();
}

void CMainFrame::OnStepping()
{
    if (CommandEnabledNow(ID_TRANSMISSION_STEPPING))
        m_pPane->SimulationTick(0);
}

void CMainFrame::OnSkip()
{
    if (CommandEnabledNow(ID_TRANSMISSION_SKIP))
        m_pPane->SimulationTick(1);
}

void CMainFrame::OnStopSimulation()
{
    if (!CommandEnabledNow(ID_TRANSMISSION_STOPSIMULATION))
        return;
    m_pPane->StopSimulation();
    UpdateCommandStates();
}

void CMainFrame::OnResetSimulation()
{
    if (CommandEnabledNow(ID_TRANSMISSION_RESET))
        m_pPane->ResetSimulation();
}
