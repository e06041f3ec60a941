#pragma once
// The main window: menus, tool bar with the language controls, status bar, and the relay
// pane of the open program's model as its client area. It keeps the widgets and wires the
// commands (the command table, Commands.h) to the pane, the document, the language manager
// and the relay controller; shows the program in the title; reports failures; and sizes
// itself to the pane. Its files, one per job:
//   MainFrame.cpp           building, command states, errors, edit and window commands
//   MainFrameFile.cpp       where the program lives, New, Open, Save, recent and dropped files
//   MainFramePrint.cpp      the description, the picture, printing and the preview
//   MainFrameLanguage.cpp   the language controls and the window's texts
//   MainFrameWindow.cpp     the pane of a model and the window's size and place
//   MainFrameTimeline.cpp   the timing diagram's dock
//   MainFrameSimulation.cpp the simulation's commands, speeds and status
//   MainFrameRelays.cpp     the Device menu and the relay commands' wiring
//   MainFrameHelp.cpp       the user guide and the examples

#include "FrameDialogs.h"
#include "LanguageSupport.h"
#include "RecentFiles.h"
#include "RelayPane.h"
#include "TimeControlHelper.h"

#include <QMainWindow>

#include <map>
#include <memory>

class CProgramSafety;
class CQuorvexDoc;
class CHelpWindow;
namespace Guide {
struct Place;
}
class CLanguageIcon;
class CRelayController;
class CRelayPane;
class QProgressBar;
enum class RelayCommand;
struct RelayOutcome;
class CTimelinePanel;
class CProblemsPanel;
class QAbstractButton;
class QDockWidget;
class QActionGroup;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QMimeData;
class QToolBar;
struct CommandStateInputs;

class CMainFrame : public QMainWindow, public Language::CLanguageSupport {
    Q_OBJECT

public:
    // dialogs: how the window asks the user; null for the real dialogs.
    explicit CMainFrame(std::unique_ptr<CFrameDialogs> dialogs = nullptr);
    ~CMainFrame() override;

    // Finds the language modules, chooses the language, builds menus, tool bar and status bar,
    // and asks for the relay model as soon as the event loop runs. Without a usable language
    // module it shows the fatal message and returns false: the program must end.
    bool Create();
    // A program file to open instead of asking for the relay model at start-up (the program
    // started as "quorvex FILE"); set before Create. If it cannot be opened, the user is told
    // why and then asked for the model as usual.
    void SetStartupFile(const QString& path);

    // The one main window while it exists (null otherwise).
    static CMainFrame* Instance();

    // ---- operations used by the pane and the relay commands
    CRelayPane* ActivePane() const { return m_pPane; }
    // Title "<program> - <file or untitled>", with "*" when modified.
    void UpdateTitle(bool modified);
    // Message box with the text of a result code; nothing for 0.
    void ShowError(int code);
    // Enabled and checked states of every command from the pane's state.
    void UpdateCommandStates();
    // The status bar's pane (the transfer texts while a program is sent or read).
    void SetStatusText(const QString& text);
    // The current path becomes the language's default file name.
    void UseDefaultFileName();
    // The program now lives at this path (opened from it or saved to it): the title names it,
    // the recent files list it first, and the window watches the file on disk.
    void ProgramLivesAt(const QString& path);
    // The program has no file (new, an example, read from a relay): the default name, and
    // the next Save asks for one.
    void ProgramIsUntitled();
    // Offers to save a modified program; true when the pending action may go on (nothing to
    // save, saved, or the user chose not to save). A save that fails or is cancelled stops it.
    bool AskSaveChanges();

    struct QueryResult {
        bool paneReplaced = false;
        bool cancelled = false;
    };
    // Asks which relay model a new program is for (preselected 0 or 1) and makes the pane of
    // that model unless it is already shown.
    QueryResult QueryModelForNewProgram(int preselected, bool cancelDisabled, bool keepWidth);
    // Replaces the pane by one of the model number (1 or 2) unless that model is shown; true
    // when a new pane was made. Another number changes nothing. keepWidth keeps a window that
    // is wider than the new pane needs at its width.
    bool CreatePaneForModel(int modelNumber, bool keepWidth);
    // Opens a program file: checks and loads it completely, then shows it in the pane of its
    // model. Returns its result code; on failure the pane, the program, its path and the title
    // are as they were.
    int LoadProgramFile(const QString& path);
    // Opens a program from outside the File menu's dialog (a dropped file, a recent file, the
    // command line) after offering to save the present one; a failure is reported with the
    // file's name. False when nothing was opened.
    bool OpenProgramFrom(const QString& path);
    // The programs opened or saved last, as the File menu lists them.
    QStringList RecentFiles() const { return m_recentFiles.Files(); }
    // Opens an example program (by its name) as a new, untitled program of its model; the
    // example file is only read. Reports a missing or damaged example; false then.
    bool OpenExample(const QString& name);

    // The recovery copy of the program and the watch over its file (ProgramSafety.h).
    CProgramSafety* ProgramSafety() const { return m_pSafety; }

    // ---- the user guide (MainFrameHelp.cpp)
    // Shows a place of the guide in the help window (an empty page: where the reader left
    // it, or the contents); a guide that is not installed is reported instead.
    void ShowGuide(const Guide::Place& place);
    // The help window, once the guide has been shown (null before).
    CHelpWindow* HelpWindow() const { return m_pHelpWindow.get(); }
    // Where F1 leads from the widget that has the focus: in the step dialogs the section of
    // the step kind they show, on the potentiometer its section, on the input buttons and
    // relay pictures the simulation's; an empty place elsewhere.
    Guide::Place ContextHelpPlace(const QWidget* focus) const;

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // ---- state, for the relay commands and for tests
    QAction* Action(int commandId) const;
    QString CurrentPath() const { return m_path; }
    bool HasFile() const { return m_bHasFile; }
    bool PathIsDefault() const { return m_bPathIsDefault; }
    QString Title() const { return m_title; } // as shown (windowTitle() holds it escaped)
    int MinimumFrameWidth() const { return m_nMinWidth; }
    int FixedFrameHeight() const { return m_nFixedHeight; }
    // The area the window keeps within: by default its screen's available area (a test gives
    // the area of the screen it stands for). Takes effect at the next sizing.
    void SetScreenArea(const QRect& area);
    QRect ScreenArea() const;
    QComboBox* LanguageList() const { return m_pLanguageList; }
    CLanguageIcon* LanguageIcon() const { return m_pLanguageIcon; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* StatusPane() const { return m_pStatusPane; }
    // The status bar's account of the simulation: how its time runs and the relay time it has
    // reached (hidden outside the simulation mode).
    QLabel* SimulationStatus() const { return m_pSimulationStatus; }
    int SimulationSpeed() const { return m_nSimulationSpeed; }
    QMenu* SimulationSpeedMenu() const { return m_pSpeedMenu; }
    QDockWidget* TimelineDock() const { return m_pTimelineDock; }
    CTimelinePanel* TimelinePanel() const { return m_pTimelinePanel; }
    // The height the docked timing diagram adds to the window (0 when hidden or floating).
    int TimelineExtraHeight() const;
    // The Problems panel: the program check's findings of the pane's program, in a dock below
    // the pane (hidden at first), and their count in the status bar (MainFrameProblems.cpp).
    QDockWidget* ProblemsDock() const { return m_pProblemsDock; }
    CProblemsPanel* ProblemsPanel() const { return m_pProblemsPanel; }
    QAbstractButton* ProblemsCount() const { return m_pProblemsCount; }

    // ---- relays
    // The window's relays: discovery, the chosen relay, the commands and the live view (tests
    // and benchmarks give it a transport that scripts the wire).
    CRelayController* Relays() const;
    // The status bar's progress of a program send or read (hidden otherwise).
    QProgressBar* TransferProgressBar() const;
    // The status bar's permanent area that names the relay the commands go to.
    QLabel* RelayStatusLabel() const;
    // A relay command of the user (send, read, version, password, start of the view) has not
    // ended yet.
    bool RelayCommandRunning() const;

public Q_SLOTS:
    // File menu.
    void OnFileNew();
    void OnFileNewFromExample();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileExportDoc();
    void OnFileExportPicture();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnOpenRecentFile(int index);
    void OnAppExit();
    // Edit menu.
    void OnEditUndo();
    void OnEditRedo();
    // Simulation.
    void OnSimulationMode();
    void OnStartSimulation();
    void OnStepping();
    void OnSkip();
    void OnStopSimulation();
    void OnResetSimulation();
    // The simulation's speed (0: compressed time steps; 1, 10, 60: relay time at that pace).
    void OnSimulationSpeed(int speed);
    // Languages: from the View menu (index 0..9) and from the tool bar list.
    void OnSelectLanguage(int index);
    void OnLanguageListChanged(int index);
    void OnAppAbout();
    // Help menu and F1: the user guide; F1 with the focus in the pane opens the section of
    // what has the focus.
    void OnHelpUserGuide();
    // Relay menu: shows or hides the timing diagram.
    void OnViewTimeline();
    // Relay menu: shows the Problems panel with the focus in its list, or hides it
    // (MainFrameProblems.cpp).
    void OnViewProblems();

    // Relay commands. Each runs as a job of the device worker; its result is applied and
    // reported when the job ends, so the window never waits for a relay.
    void OnSendProgramToRelay();
    void OnReadProgramFromRelay();
    // Reads the relay's program (the open one stays as it is) and shows the steps that differ,
    // with the choice to send the open program or to load the relay's.
    void OnCompareWithRelay();
    void OnRelayVersion();
    void OnChangeRelayPassword();
    void OnResetRelayPassword();
    void OnStartView();
    void OnStopView();
    void OnSelectDevice(int index);
    void OnDeviceMenuAboutToShow();
    // Device menu: a discovery pass at once; the status bar says when it is done.
    void OnSearchRelays();
    void OnVerifyAfterSend();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A program file dropped onto the window opens as File > Open would open it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    bool BuildLanguageMenu();
    void BuildLanguageControls();
    void BuildStatusBar();
    // The simulation speed submenu of the Relay menu and the simulation's status (MainFrameSimulation.cpp).
    void BuildSimulationSpeedMenu();
    void BuildSimulationStatus();
    void RetranslateSimulationSpeed(Language::CLanguageManager& manager);
    // The simulation's relay time in seconds; negative: the simulation mode is off.
    void ShowSimulationStatus(double seconds);
    // A notice of the pane in the status bar, for a while.
    void ShowNotice(const QString& text);
    // The timing diagram's dock below the pane (hidden at first) and its View menu command.
    void BuildTimelineDock();
    // The window's size again after the dock was shown, hidden, floated or docked.
    void ApplyTimelineSizing();
    // The Problems panel (MainFrameProblems.cpp): its dock and status bar count; the pane whose
    // program it checks (null: none); the check again after a change of the program; the
    // height the docked panel adds; its texts.
    void BuildProblemsDock();
    void ConnectProblems(CRelayPane* pane);
    void RefreshProblems();
    int ProblemsExtraHeight() const;
    void RetranslateProblems(Language::CLanguageManager& manager);
    // Shows a finding's step: selects it and puts the focus into its dialog.
    void ShowProblemStep(int channel, int step);
    // Before a program is written to a relay: true when it has no errors, or the user, told of
    // them, chose to send it anyway (warnings never ask).
    bool ConfirmSendWithErrors();
    void QueryModelAtStartup();
    void DestroyPane();
    void ApplyPaneSizing(const PaneSizing& sizing, bool keepWidth);
    // The window manager's frame around the window.
    QMargins FrameMargins() const;
    // The language switch from either control.
    void SwitchLanguage(int index);
    // Check mark of the language menu, list selection and icon after a switch.
    void ShowCurrentLanguage();
    CommandStateInputs StateInputs() const;
    // Whether a command may run now; every handler asks this first, because a key or a late
    // call can reach a command whose state has changed.
    bool CommandEnabledNow(int commandId) const;
    // The message of a program file that could not be opened, naming the file; nothing for 0.
    void ShowOpenFailure(const QString& path, int result);
    // The Save and Save As commands; true when the program was saved.
    bool SaveProgram();
    bool SaveProgramAs();
    // Writes the program to a file; a failure is reported and changes nothing.
    bool SaveProgramTo(const QString& path);
    // Texts and states of Undo and Redo from the pane's history.
    void UpdateUndoCommands();
    // The File menu's recent files from the list.
    void UpdateRecentFileCommands();
    // The program file a drag carries: the first local file of its URLs, or empty.
    static QString DroppedProgramFile(const QMimeData* data);
    // The name the print-out's header shows: the program's file, or the untitled name.
    QString PrintedFileName() const;

    // A program restored from a recovery copy into a pane of its model: modified, and
    // belonging to `path` (empty: never saved) (MainFrameSafety.cpp).
    bool ShowRecoveredProgram(const CQuorvexDoc& program, const QString& path);

    // Relays (MainFrameRelays.cpp).
    void SetUpRelays();
    // Closing: the view and discovery stop, the running job is cancelled.
    void StopRelayWork();
    // What the relay controller reports.
    void OnRelaysChanged();
    void OnRelayCommandStarted(RelayCommand command);
    // The command is over: its status text and progress go, the commands come back.
    void OnRelayCommandEnded(RelayCommand command);
    void OnRelayCommandFinished(const RelayOutcome& outcome);
    void OnPasswordWanted();
    // The relay's program, read for a comparison, beside the open one; acts on the user's
    // choice.
    void ShowComparison(const std::vector<std::uint8_t>& relayImage, const QString& relayName);
    // The relay's program replaces the open one as one undoable change and becomes a new,
    // unsaved program without a file (as Read does).
    bool LoadRelayProgram(const std::vector<std::uint8_t>& image);
    // The Device menu's entries, its empty line and its search command.
    void FillDeviceMenu();
    // The permanent status area from the selection.
    void UpdateRelayStatus();
    // "<relay name> on <port>" for the relay on a port (the port alone when it is not listed).
    QString RelayName(const QString& port) const;
    // What a relay command did, in the status bar for a few seconds.
    void ShowRelayOutcome(const QString& text);
    void StopRelayView();
    // ShowError, with the helpful text for a port this user may not open.
    void ShowRelayError(const RelayOutcome& outcome);
    // A failure's message; with a Help button that opens its troubleshooting section when
    // the guide has one for the result code.
    void ShowErrorWithHelp(const QString& text, int resultCode);
    // Watches the user guide's key, so that F1 can open the section of the focused widget.
    void WatchGuideKey();
    // The running command's status text again, in the language now chosen.
    void ShowRelayStatusText(const Language::CLanguageManager& manager);

    std::unique_ptr<CFrameDialogs> m_pDialogs;
    CProgramSafety* m_pSafety = nullptr; // a child of the window
    std::map<int, QAction*> m_actions;
    QMenu* m_pEditMenu = nullptr;
    QMenu* m_pDeviceMenu = nullptr;
    QMenu* m_pTransmissionMenu = nullptr;
    QMenu* m_pViewMenu = nullptr;
    QMenu* m_pAboutMenu = nullptr;
    QActionGroup* m_pLanguageGroup = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QComboBox* m_pLanguageList = nullptr;
    CLanguageIcon* m_pLanguageIcon = nullptr;
    QLabel* m_pStatusPane = nullptr;
    QLabel* m_pSimulationStatus = nullptr;
    QMenu* m_pSpeedMenu = nullptr;
    int m_nSimulationSpeed = 0;     // the design's compressed run until the user chooses
    double m_dSimulationTime = -1.0;
    CTimeControlHelper m_simulationTimeText;
    CRelayPane* m_pPane = nullptr;
    bool m_bCreated = false;

    QString m_path;              // the program's file, or the default file name
    bool m_bHasFile = false;     // the program was loaded from or saved to m_path
    bool m_bPathIsDefault = false;
    QString m_title;
    QString m_startupFile;
    CRecentFiles m_recentFiles;

    int m_nMinWidth = 0;
    int m_nFixedHeight = 0;

    struct RelayState;
    std::unique_ptr<RelayState> m_pRelay;
    QDockWidget* m_pTimelineDock = nullptr;
    CTimelinePanel* m_pTimelinePanel = nullptr;
    QDockWidget* m_pProblemsDock = nullptr;
    CProblemsPanel* m_pProblemsPanel = nullptr;
    QAbstractButton* m_pProblemsCount = nullptr;
    PaneSizing m_paneSizing;   // the pane's last report, for sizing again
    QRect m_screenArea;        // set: the area the window keeps within instead of its screen's
    std::unique_ptr<CHelpWindow> m_pHelpWindow;
    bool m_bGuideByKey = false; // the user guide's command came from its key (F1)
};
