#pragma once
// Base of the relay panes. A pane is the main window's whole client area for one program
// document: the program view(s) of the step chain, the step dialogs of the selected step,
// the common settings (input buttons, relay pictures, potentiometer), the simulation and
// the live view of a relay. One final class per relay model; the main frame owns at most one
// pane and replaces it when the program's model changes.

#include "Device.h"
#include "LanguageSupport.h"
#include "ModelTypes.h"
#include "RealTimeRun.h"

#include <QWidget>

#include <cstdint>

class CQuorvexDoc;
class QUndoStack;

// What the pane is doing; decides which commands and controls are usable.
enum WorkMode : int {
    WORK_MODE_EDIT = 0,
    WORK_MODE_DEVICE_VIEW = 1,
    WORK_MODE_SIMULATION = 2,
};

// Timer periods of the pane.
constexpr int DEVICE_VIEW_PERIOD_MS = 100; // live view poll
constexpr int SIMULATION_PERIOD_MS = 250;  // simulation tick
constexpr int REAL_TIME_PERIOD_MS = 50;    // refresh of a simulation in relay time

// Speeds of the simulation: the design's compressed run (every time step animated in twenty
// ticks of 250 ms, whatever its length), or relay time at 1, 10 or 60 times the wall clock.
constexpr int SIMULATION_COMPRESSED = 0;

// What CreatePaneWindow reports to the main frame for sizing its window.
struct PaneSizing {
    int stripWidth = 0;  // step dialog area + common settings view
    int height = 0;      // the tallest of the dialog strip's views
    double ratio = 0.5;  // window height to width (0.5 one channel, 0.75 two channels)
    // The pane's height at which its program views still show the step boxes' texts at a
    // readable size: the window is made wide enough (its height follows the width) to give
    // the pane at least this.
    int readableHeight = 0;
    // The lowest height of one program view whose boxes show every text whole. On a screen
    // too low for readableHeight the views shrink down to this, then they scroll.
    int readableViewHeight = 0;
};

class CRelayPaneBase : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CRelayPaneBase(QWidget* parent = nullptr) : QWidget(parent) {}

    // The pane's operations, in the order of the main frame's calls.
    void OnLanguageChanged(Language::CLanguageManager& manager) override = 0;
    // Builds the pane's children; reports the sizes the main frame sizes its window from.
    virtual PaneSizing CreatePaneWindow() = 0;
    // Lays the dialog strip out again and reloads the selected step into its dialogs.
    virtual void UpdatePaneLayout() = 0;
    // Simulation (mode 2): one tick (skip 1 finishes a running time step), the mode toggle,
    // back to the start of the program, stop and start of the 250 ms tick.
    virtual void SimulationTick(int skip) = 0;
    virtual void ToggleSimulationMode() = 0;
    virtual void ResetSimulation() = 0;
    virtual void StopSimulation() = 0;
    virtual void StartSimulation() = 0;
    // SIMULATION_COMPRESSED, or relay time at 1, 10 or 60 times the wall clock. A change
    // between the compressed run and relay time during the simulation mode starts the
    // simulation afresh (it runs on if it ran); between relay-time speeds it goes on from the
    // present relay time.
    virtual void SetSimulationSpeed(int speed) = 0;
    int GetSimulationSpeed() const { return m_nSimulationSpeed; }
    // Loads a program file into the document; the load's result code (0 on success). On
    // failure the document is unchanged.
    virtual int OpenProgramFile(const QString& path) = 0;
    // The default program.
    virtual void NewProgram() = 0;
    // Puts a whole program image (of the pane's model, as loaded from a file or read from a
    // relay) into the document, marks it modified or not, and shows it. False when the
    // image does not have the size of the model's image; nothing changes then.
    // Not modified (a program opened from a file) starts a fresh undo history; modified (a
    // program read from a relay) is one change that Undo takes back.
    virtual bool ReplaceProgram(const std::uint8_t* image, int size, bool modified) = 0;
    // Puts the program read again from its file (which changed on disk) into the document as
    // one change that Undo takes back; the program then counts as saved, since it is what the
    // file holds. False when the image does not have the size of the model's image; nothing
    // changes then.
    virtual bool ReloadProgram(const std::uint8_t* image, int size) = 0;
    // The history of the program's changes: every change made in the step dialogs and every
    // program read from a relay. Its clean state is the program as last created, opened or
    // saved, and the document counts as modified exactly while the history is elsewhere.
    // New and a program opened from a file start it afresh.
    virtual QUndoStack* UndoStack() = 0;
    // The program has been saved: its present state becomes the clean state.
    virtual void MarkSaved() = 0;
    // Height of the step boxes as the program views show them now (a picture of the program
    // is drawn at this height, so that it is the picture on the screen).
    virtual int GetBoxHeight() const = 0;
    virtual CQuorvexDoc* GetDocument() = 0;
    virtual const CQuorvexDoc* GetDocument() const = 0;
    // Selects channel 0, step 0.
    virtual void ResetSelection() = 0;
    virtual void SetWorkMode(int mode) = 0;
    // The live view of a relay, once the relay was found to hold the program: device view
    // mode and the 100 ms poll timer, which asks for a poll with viewPollDue on every tick.
    virtual void StartView() = 0;
    // Back to editing: no active step shown, the poll timer stopped.
    virtual void StopView() = 0;
    // Shows one poll of a relay's live state, one record per channel.
    virtual void ShowRelayState(const DeviceProtocol::ChannelState* states) = 0;

    // The attached relays with the user's choice, and the password the relay last accepted.
    // The pane's own: a pane of another model starts with an empty list and no password. It
    // never opens a port itself (the transfers run on the main window's device worker).
    CDevice& GetDevice() { return m_device; }
    const CDevice& GetDevice() const { return m_device; }

    int GetWorkMode() const { return m_nMode; }
    bool IsSimulationRunning() const { return m_bSimulationRunning; }
    ModelCode GetModelCode() const;

Q_SIGNALS:
    // The document became modified (the main frame redraws the title with its mark).
    void updateTitle(int modified);
    // A failure the main frame reports in a message box (the result code is its text ID).
    void showError(int code);
    // The pane's mode or state changed on its own: command states must be recomputed.
    void updateCommands();
    // The live view's poll timer ticked: the relay's state is due.
    void viewPollDue();
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
    CDevice m_device;
    int m_nMode = WORK_MODE_EDIT;
    bool m_bSimulationRunning = false;
    int m_nSimulationSpeed = SIMULATION_COMPRESSED;
};

// The pane of a model number (1 or 2, the high nibble of the model code); null for another.
CRelayPaneBase* CreateRelayPane(int modelNumber, QWidget* parent = nullptr);
