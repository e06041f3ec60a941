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
    BuildProblemsDock();
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
        action->setCheckable(command.Checkable());
        if (command.handler)
            connect(action, &QAction::triggered, this, command.handler);
        m_actions[command.id] = action;
        addAction(action);
    }
    WatchGuideKey();

    // The recent files: captions are their paths, shown while the list has them.
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        auto* action = new QAction(this);
        action->setData(ID_FILE_MRU_FILE1 + i);
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, i] { OnOpenRecentFile(i); });
        m_actions[ID_FILE_MRU_FILE1 + i] = action;
    }

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

// ---------------------------------------------------------------- errors and command states

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
    inputs.problemsShown = m_pProblemsDock && !m_pProblemsDock->isHidden();
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

QAction* CMainFrame::Action(int commandId) const
{
    const auto found = m_actions.find(commandId);
    return found == m_actions.end() ? nullptr : found->second;
}

// ---------------------------------------------------------------- edit and window commands

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
