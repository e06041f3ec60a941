#pragma once
// The relay panes of both models. A pane owns its document, the drawer and the program
// view(s) of the chain, the step dialogs, the common settings, the simulator engine and its
// accessor sets; it applies every user change to the document and drives the simulation.

#include "RelayPaneBase.h"

#include "DeviceProtocol.h"
#include "PacedRun.h"
#include "ProgramUndo.h"
#include "QuorvexDoc.h"
#include "StepDrawer.h"

#include <QTimer>
#include <QUndoStack>

#include <memory>

class CCOMMONDialogsView;
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

// Shared body of both panes; one final class per model below.
class CRelayPane : public CRelayPaneBase, private IProgramImageTarget {
    Q_OBJECT

public:
    ~CRelayPane() override;

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    PaneSizing CreatePaneWindow() override;
    void UpdatePaneLayout() override;
    void SimulationTick(int skip) override;
    void ToggleSimulationMode() override;
    void ResetSimulation() override;
    void StopSimulation() override;
    void StartSimulation() override;
    void SetSimulationSpeed(int speed) override;
    int OpenProgramFile(const QString& path) override;
    void NewProgram() override;
    bool ReplaceProgram(const std::uint8_t* image, int size, bool modified) override;
    bool ReloadProgram(const std::uint8_t* image, int size) override;
    CQuorvexDoc* GetDocument() override { return m_doc.get(); }
    const CQuorvexDoc* GetDocument() const override { return m_doc.get(); }
    void ResetSelection() override;
    void SetWorkMode(int mode) override;
    QUndoStack* UndoStack() override { return &m_undoStack; }
    void MarkSaved() override { m_undoStack.setClean(); }
    int GetBoxHeight() const override;

    // Shows one poll of a relay's live state (one record per channel): the input on the
    // input button, the output on the relay picture, the step the relay executes as the
    // active step with the progress of a running Time step, and its time display.
    void ShowRelayState(const DeviceProtocol::ChannelState* states) override;
    void StartView() override;
    void StopView() override;
    bool IsViewTimerActive() const { return m_viewTimer.isActive(); }

    // The selected step (channel, index) and the parts of the pane, for the frame and tests.
    int GetSelectedChannel() const { return m_nSelectedChannel; }
    int GetSelectedStep() const { return m_nSelectedStep; }
    int GetViewCount() const { return m_nChannels; }
    CQuorvexView* View(int channel) const;
    CStepDialogStrip* StepDialogs() const { return m_pStrip; }
    CCOMMONDialogsView* CommonSettings() const { return m_pCommon; }
    const CStepDrawer& Drawer() const { return m_drawer; }
    bool IsSimulationTimerActive() const { return m_simulationTimer.isActive(); }
    // The clock that paces a simulation in relay time (tests pass one they control); it
    // counts from the next reset of the simulation.
    void SetSimulationClock(CPacedRun::Clock clock) { m_simulationClock = std::move(clock); }
    // The run of a simulation in relay time; null in the compressed run.
    const CPacedRun* PacedSimulation() const { return m_pPaced.get(); }
    // What the simulation timer does on each timeout: a tick of the compressed run, or the
    // relay-time run catching up with its clock.
    void OnSimulationTimer();

public Q_SLOTS:
    // A program view asks to select a step; nothing happens when it is already selected.
    void SelectStep(int index, int channel);

protected:
    CRelayPane(ModelCode model, double ratio, QWidget* parent);
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

    std::unique_ptr<CQuorvexDoc> m_doc;
    std::unique_ptr<CQuorvexFieldSet> m_editFields;       // binds the selected step for its dialogs
    std::unique_ptr<CQuorvexSimulator> m_engine;
    CStepDrawer m_drawer;
    double m_dRatio;
    int m_nChannels;

    QScrollArea* m_pViewsArea = nullptr;
    QScrollArea* m_pStripArea = nullptr;
    QSize m_dialogRow;  // the dialog row's size with its margins, as the dialogs need it
    CQuorvexView* m_pViews[2] = {nullptr, nullptr};
    CStepDialogStrip* m_pStrip = nullptr;
    CCOMMONDialogsView* m_pCommon = nullptr;
    CDummyDialogsView* m_pDummy = nullptr;
    QTimer m_simulationTimer;
    QUndoStack m_undoStack;
    QTimer m_viewTimer;

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

class CRelayQVR_K115_ZQX_Pane final : public CRelayPane {
    Q_OBJECT
public:
    explicit CRelayQVR_K115_ZQX_Pane(QWidget* parent = nullptr);
};

class CRelayQVS_K115_318_Pane final : public CRelayPane {
    Q_OBJECT
public:
    explicit CRelayQVS_K115_318_Pane(QWidget* parent = nullptr);
};
