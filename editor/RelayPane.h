#pragma once
// The relay pane: the main window's whole client area for one program document. It owns the
// document, the drawer and the program view of each channel, the step dialogs of the selected
// step, the common settings (input buttons, relay pictures, potentiometer), the simulator
// engine and the history of the program's changes; it applies every user change to the
// document, drives the simulation and shows a relay's live state. One class for both relay
// models; what differs between them is the document and a small traits value (PaneTypes.h).
// The main frame owns at most one pane and replaces it when the program's model changes.
//
// RelayPane.cpp: building, layout, selection, edits, modes, program replacement, input keys.
// RelayPaneRun.cpp: the simulation and the live view's display.

#include "DeviceProtocol.h"
#include "LanguageSupport.h"
#include "PacedRun.h"
#include "PaneTypes.h"
#include "ProgramUndo.h"
#include "QuorvexDoc.h"
#include "RealTimeRun.h"
#include "StepDrawer.h"

#include <QTimer>
#include <QUndoStack>
#include <QWidget>

#include <cstdint>
#include <memory>

class CCOMMONDialogsView;
class CPaneKeyboard;
class CQuorvexSimulator;
class CQuorvexView;
class CStepDialogStrip;
class QScrollArea;

// The strip right of the common settings: an empty face that fills the rest of the width.
class CDummyDialogsView : public QWidget {
    Q_OBJECT
public:
    explicit CDummyDialogsView(QWidget* parent = nullptr);
};

class CRelayPane : public QWidget, public Language::CLanguageSupport, private IProgramImageTarget {
    Q_OBJECT

public:
    CRelayPane(const RelayPaneTraits& traits, QWidget* parent = nullptr);
    ~CRelayPane() override;

    // ---- in the order of the main frame's calls
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    // Builds the pane's children; reports the sizes the main frame sizes its window from.
    PaneSizing CreatePaneWindow();
    // Lays the dialog strip out again and reloads the selected step into its dialogs.
    void UpdatePaneLayout();

    // ---- the program
    CQuorvexDoc* GetDocument() { return m_doc.get(); }
    const CQuorvexDoc* GetDocument() const { return m_doc.get(); }
    ModelCode GetModelCode() const { return m_doc->GetModelCode(); }
    // The default program.
    void NewProgram();
    // Puts a whole program image (of the pane's model, as loaded from a file or read from a
    // relay) into the document, marks it modified or not, and shows it. False when the
    // image does not have the size of the model's image; nothing changes then.
    // Not modified (a program opened from a file) starts a fresh undo history; modified (a
    // program read from a relay) is one change that Undo takes back.
    bool ReplaceProgram(const std::uint8_t* image, int size, bool modified);
    // Puts the program read again from its file (which changed on disk) into the document as
    // one change that Undo takes back; the program then counts as saved, since it is what the
    // file holds. False when the image does not have the size of the model's image; nothing
    // changes then.
    bool ReloadProgram(const std::uint8_t* image, int size);
    // The history of the program's changes: every change made in the step dialogs and every
    // program read from a relay. Its clean state is the program as last created, opened or
    // saved, and the document counts as modified exactly while the history is elsewhere.
    QUndoStack* UndoStack() { return &m_undoStack; }
    // The program has been saved: its present state becomes the clean state.
    void MarkSaved() { m_undoStack.setClean(); }
    // Height of the step boxes as the program views show them now (a picture of the program
    // is drawn at this height, so that it is the picture on the screen).
    int GetBoxHeight() const;

    // ---- modes
    WorkMode GetWorkMode() const { return m_nMode; }
    void SetWorkMode(WorkMode mode);
    bool IsSimulationRunning() const { return m_bSimulationRunning; }

    // ---- simulation (mode 2): one tick (skip 1 finishes a running time step), the mode
    // toggle, back to the start of the program, stop and start of the 250 ms tick.
    void SimulationTick(int skip);
    void ToggleSimulationMode();
    void ResetSimulation();
    void StopSimulation();
    void StartSimulation();
    // SIMULATION_COMPRESSED, or relay time at 1, 10 or 60 times the wall clock. A change
    // between the compressed run and relay time during the simulation mode starts the
    // simulation afresh (it runs on if it ran); between relay-time speeds it goes on from the
    // present relay time.
    void SetSimulationSpeed(int speed);
    int GetSimulationSpeed() const { return m_nSimulationSpeed; }
    // The clock that paces a simulation in relay time (tests pass one they control); it
    // counts from the next reset of the simulation.
    void SetSimulationClock(CPacedRun::Clock clock) { m_simulationClock = std::move(clock); }
    // The run of a simulation in relay time; null in the compressed run.
    const CPacedRun* PacedSimulation() const { return m_pPaced.get(); }
    bool IsSimulationTimerActive() const { return m_simulationTimer.isActive(); }
    // What the simulation timer does on each timeout: a tick of the compressed run, or the
    // relay-time run catching up with its clock.
    void OnSimulationTimer();

    // ---- the live view of a relay, once the relay was found to hold the program: device
    // view mode (the window's relay controller polls the relay and hands each state here).
    void StartView();
    // Back to editing: no active step shown.
    void StopView();
    // Shows one poll of a relay's live state (one record per channel): the input on the
    // input button, the output on the relay picture, the step the relay executes as the
    // active step with the progress of a running Time step, and its time display.
    void ShowRelayState(const DeviceProtocol::ChannelState* states);

    // ---- the selected step (channel, index) and the parts of the pane, for the frame and tests
    // Selects channel 0, step 0.
    void ResetSelection();
    int GetSelectedChannel() const { return m_nSelectedChannel; }
    int GetSelectedStep() const { return m_nSelectedStep; }
    int GetViewCount() const { return m_nChannels; }
    CQuorvexView* View(int channel) const;
    CStepDialogStrip* StepDialogs() const { return m_pStrip; }
    CCOMMONDialogsView* CommonSettings() const { return m_pCommon; }
    const CStepDrawer& Drawer() const { return m_drawer; }

public Q_SLOTS:
    // A program view asks to select a step; nothing happens when it is already selected.
    void SelectStep(int index, int channel);

Q_SIGNALS:
    // The document's modified mark changed (the main frame redraws the title with its mark).
    void updateTitle(int modified);
    // A failure the main frame reports in a message box (the result code is its text ID).
    void showError(int code);
    // The pane's mode or state changed on its own: command states must be recomputed.
    void updateCommands();
    // The document's program image changed: a step was edited, or a whole program was put
    // in (opened, read, new).
    void programChanged();
    // The potentiometer setting that time steps without a fixed time use changed.
    void potentiometerChanged();
    // The simulation's position in relay time: the simulated seconds since its reset, or a
    // negative value when the pane leaves simulation mode.
    void simulationTimeChanged(double seconds);
    // The relay's state polled during the live view was shown (inputs, relay outputs and the
    // step of each channel).
    void relayStatePolled(const RelayStatus& state);
    // The pane's work mode changed (edit, live view of the relay, simulation).
    void workModeChanged(int mode);
    // Something the user should read about what just happened (a typed time that could not be
    // set exactly): the main window shows it in its status bar for a while.
    void notice(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildWindows();
    void Select(int index, int channel, bool force);
    // Puts the selected step into its dialogs (not in the live view) and the document's
    // simulated inputs, outputs and potentiometer into the common settings.
    void LoadSelectedStep();
    void LoadCommonSettings();
    void OnStepValueChanged(int templateId, int controlId);
    void OnCommonValueChanged(int templateId, int controlId);
    // One engine tick, shown at once.
    void RunTick(int skip, int hold);
    // The relay-time run's state on the relay pictures and in the views.
    void ShowPacedState();
    bool IsRelayTime() const { return m_nSimulationSpeed != SIMULATION_COMPRESSED; }
    void RepaintViews();
    // The input of a function key, or -1.
    int InputOfKey(int key) const;
    // The program image as it is now.
    QByteArray ImageBytes() const;
    // The height of a program view (frame and scroll bar included) whose boxes show their
    // texts whole.
    int ReadableViewHeight() const;
    // The dialog row's height: its own, and a scroll bar's while it is wider than the pane.
    void FitDialogRow();
    // Undo and redo put an image back and show the step the change concerned.
    void ApplyProgramImage(const QByteArray& image, int channel, int step) override;

    const RelayPaneTraits& m_traits;
    std::unique_ptr<CQuorvexDoc> m_doc;
    std::unique_ptr<CQuorvexFieldSet> m_editFields;       // binds the selected step for its dialogs
    std::unique_ptr<CQuorvexSimulator> m_engine;
    CStepDrawer m_drawer;
    int m_nChannels;
    WorkMode m_nMode = WORK_MODE_EDIT;
    bool m_bSimulationRunning = false;
    int m_nSimulationSpeed = SIMULATION_COMPRESSED;

    QScrollArea* m_pViewsArea = nullptr;
    QScrollArea* m_pStripArea = nullptr;
    QSize m_dialogRow;  // the dialog row's size with its margins, as the dialogs need it
    CQuorvexView* m_pViews[2] = {nullptr, nullptr};
    CStepDialogStrip* m_pStrip = nullptr;
    CCOMMONDialogsView* m_pCommon = nullptr;
    CDummyDialogsView* m_pDummy = nullptr;
    CPaneKeyboard* m_pKeyboard = nullptr;
    QTimer m_simulationTimer;
    QUndoStack m_undoStack;

    int m_nSelectedChannel = -1;
    int m_nSelectedStep = -1;

    // The simulation's relay time since its reset, and each channel's step and elapsed time
    // after the last tick, from which the next tick's simulated time is told.
    double m_dSimulatedTime = 0.0;
    int m_nLastSteps[2] = {0, 0};
    double m_dLastElapsed[2] = {0.0, 0.0};
    // The simulation in relay time (the speeds other than the compressed run).
    std::unique_ptr<CPacedRun> m_pPaced;
    CPacedRun::Clock m_simulationClock;
};

// The pane of a model number (1 or 2, the high nibble of the model code); null for another.
CRelayPane* CreateRelayPane(int modelNumber, QWidget* parent = nullptr);
