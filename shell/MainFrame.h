#pragma once
// The main window: menus, tool bar with the language controls, status bar, and the relay
// pane of the open program's model as its client area. It turns commands into operations on
// the pane, the document, the language manager and (later) the relays; shows the program in
// the title; reports failures; and sizes itself to the pane.

#include "FrameDialogs.h"
#include "LanguageSupport.h"

#include <QMainWindow>

#include <map>
#include <memory>

class CLanguageIcon;
class CRelayPaneBase;
class CTimelinePanel;
class QDockWidget;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QToolBar;
struct CommandStateInputs;
struct PaneSizing;

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

    // The one main window while it exists (null otherwise).
    static CMainFrame* Instance();

    // ---- operations used by the pane and the relay commands
    CRelayPaneBase* ActivePane() const { return m_pPane; }
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

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // ---- state, for the relay commands and for tests
    QAction* Action(int commandId) const;
    QString CurrentPath() const { return m_path; }
    bool HasFile() const { return m_bHasFile; }
    bool PathIsDefault() const { return m_bPathIsDefault; }
    QString Title() const { return m_title; } // as shown (windowTitle() holds it escaped)
    int MinimumFrameWidth() const { return m_nMinWidth; }
    int FixedFrameHeight() const { return m_nFixedHeight; }
    QComboBox* LanguageList() const { return m_pLanguageList; }
    CLanguageIcon* LanguageIcon() const { return m_pLanguageIcon; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QLabel* StatusPane() const { return m_pStatusPane; }
    QDockWidget* TimelineDock() const { return m_pTimelineDock; }
    CTimelinePanel* TimelinePanel() const { return m_pTimelinePanel; }
    // The height the docked timing diagram adds to the window (0 when hidden or floating).
    int TimelineExtraHeight() const;

public Q_SLOTS:
    // File menu.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileExportDoc();
    void OnAppExit();
    // Simulation.
    void OnSimulationMode();
    void OnStartSimulation();
    void OnStepping();
    void OnSkip();
    void OnStopSimulation();
    void OnResetSimulation();
    // Languages: from the View menu (index 0..9) and from the tool bar list.
    void OnSelectLanguage(int index);
    void OnLanguageListChanged(int index);
    void OnAppAbout();
    // View menu: shows or hides the timing diagram.
    void OnViewTimeline();

    // Relay commands. Their actions, keys, texts and enabled rules are complete; the
    // operations behind them arrive with the device integration, and until then these
    // handlers are empty on purpose.
    void OnSendProgramToRelay();
    void OnReadProgramFromRelay();
    void OnRelayVersion();
    void OnChangeRelayPassword();
    void OnResetRelayPassword();
    void OnStartView();
    void OnStopView();
    void OnSelectDevice(int index);
    void OnDeviceMenuAboutToShow();

protected:
    void closeEvent(QCloseEvent* event) override;

    // Relay discovery while a pane exists, and whether the relay chosen in the Device menu
    // is of model QVS_K115_318 (which enables the password commands). Filled in by the device
    // integration; until then there is no discovery and no chosen relay.
    virtual void StartDiscovery() {}
    virtual void StopDiscovery() {}
    virtual bool SelectedRelayIsModel2() const { return false; }

private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    bool BuildLanguageMenu();
    void BuildLanguageControls();
    void BuildStatusBar();
    // The timing diagram's dock below the pane (hidden at first) and its View menu command.
    void BuildTimelineDock();
    // The window's size again after the dock was shown, hidden, floated or docked.
    void ApplyTimelineSizing();
    void QueryModelAtStartup();
    void DestroyPane();
    void ApplyPaneSizing(const PaneSizing& sizing, bool keepWidth);
    // The language switch from either control.
    void SwitchLanguage(int index);
    // Check mark of the language menu, list selection and icon after a switch.
    void ShowCurrentLanguage();
    CommandStateInputs StateInputs() const;
    // Whether a command may run now; every handler asks this first, because a key or a late
    // call can reach a command whose state has changed.
    bool CommandEnabledNow(int commandId) const;
    // The Save and Save As commands; true when the program was saved.
    bool SaveProgram();
    bool SaveProgramAs();

    std::unique_ptr<CFrameDialogs> m_pDialogs;
    std::map<int, QAction*> m_actions;
    QMenu* m_pDeviceMenu = nullptr;
    QMenu* m_pTransmissionMenu = nullptr;
    QMenu* m_pViewMenu = nullptr;
    QMenu* m_pAboutMenu = nullptr;
    QActionGroup* m_pLanguageGroup = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QComboBox* m_pLanguageList = nullptr;
    CLanguageIcon* m_pLanguageIcon = nullptr;
    QLabel* m_pStatusPane = nullptr;
    CRelayPaneBase* m_pPane = nullptr;
    bool m_bCreated = false;

    QString m_path;              // the program's file, or the default file name
    bool m_bHasFile = false;     // the program was loaded from or saved to m_path
    bool m_bPathIsDefault = false;
    QString m_title;

    int m_nMinWidth = 0;
    int m_nFixedHeight = 0;

    QDockWidget* m_pTimelineDock = nullptr;
    CTimelinePanel* m_pTimelinePanel = nullptr;
    double m_dPaneRatio = 0.0; // height-to-width ratio of the pane, for sizing again
    int m_nReadableHeight = 0;
    int m_nStripWidth = 0;
};
