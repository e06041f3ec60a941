#pragma once
// The timing diagram panel: the trace of the program in relay time (CTimelineView), the list
// of input changes it is computed with, and its exports. It sits in a dock of the main
// window below the relay pane.
//
// Sources. The panel shows the trace computed from the document (ComputeTimeline, on a
// worker thread, again after every change of the program, the potentiometer, the input
// changes or the end time). A recorded trace can take its place: whoever records the states
// of a relay (the live view) appends them to a CTimelineTrace of source Recorded, hands it to
// ShowRecordedTrace once and calls RecordedTraceGrew after each append; ShowComputedTrace
// goes back.

#include "LanguageSupport.h"
#include "Scenario.h"
#include "ScenarioRun.h"
#include "Timeline.h"
#include "TimelinePainter.h"
#include "TimelineScriptModel.h"
#include "TimelineView.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CQuorvexDoc;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QThreadPool;

class CTimelinePanel : public QWidget, public Language::CLanguageSupport {
    Q_OBJECT

public:
    explicit CTimelinePanel(QWidget* parent = nullptr);
    ~CTimelinePanel() override;

    void OnLanguageChanged(Language::CLanguageManager& manager) override;

    // The program the computed trace shows (not owned; null: none). Input changes of inputs
    // the program's model does not have are dropped. Computes the trace.
    void SetDocument(const CQuorvexDoc* doc);
    // The program or its potentiometer setting changed: computes the trace again.
    void ProgramChanged();
    // The on-screen simulation's relay time in seconds; negative: no simulation running.
    void SetSimulationTime(double seconds);

    // A recorded trace in place of the computed one; RecordedTraceGrew after appends.
    void ShowRecordedTrace(std::shared_ptr<const CTimelineTrace> trace);
    void RecordedTraceGrew();
    void ShowComputedTrace();

    // The relay's state polled during a live view, stamped with the wall-clock time since
    // the first poll of the recording; the first one starts a recorded trace and shows it.
    void RecordRelayState(const RelayStatus& state);
    // The live view ended: the next poll starts a new recording. The recorded trace stays
    // shown, and can be chosen again after the computed one.
    void EndRecording();
    bool IsRecording() const { return m_recording != nullptr; }

    // The script the trace is computed with: the input changes the table shows and edits,
    // and the end (one the user chose, or, at first and when the end field is emptied, the
    // end the program gives, known once the trace is computed). Every change of it computes
    // the trace again.
    CTimelineScriptModel& Script() { return m_script; }
    const CTimelineScriptModel& Script() const { return m_script; }

    // The trace shown; waits (running the event loop) until a computation under way ends.
    std::shared_ptr<const CTimelineTrace> Trace() const { return m_shown; }
    bool WaitForComputation(int timeoutMs = 10000);
    CTimelineView* View() const { return m_pView; }
    QTableView* ChangeTable() const { return m_pTable; }
    QLabel* StatusLabel() const { return m_pStatus; }

    // Exports of the trace shown: CSV, and a picture (SVG, or PNG for a path ending in .png)
    // of the stretch the view shows. 0, or 22 when the file cannot be written.
    int ExportCsv(const QString& path) const;
    int ExportPicture(const QString& path) const;
    // How the panel asks for a file to export to: the filter text of the language (NUL-
    // separated pairs) and the default suffix; empty when cancelled. Without one, a plain
    // save dialog.
    using SaveFileNameFunction = std::function<QString(const char16_t* filterText, const QString& suffix)>;
    void SetSaveFileNameFunction(SaveFileNameFunction function) { m_saveFileName = std::move(function); }

    // Scenarios (docs/scenarios.md). Loading one takes its input changes, potentiometer and
    // end into the script and keeps its expectations: every computation from then on judges
    // them on the trace (RunScenario, with the script as it is then) and the diagram draws
    // them green where they hold and red where they fail. A scenario that cannot be read or
    // does not fit the program changes nothing; its message comes with showErrorText.
    // Saving writes the script as a scenario, with the expectations of the scenario loaded.
    // Both return whether they succeeded.
    bool LoadScenario(const QString& path);
    bool SaveScenario(const QString& path);
    // Forgets the loaded scenario's expectations (the script stays).
    void ClearScenario();
    bool HasScenario() const { return m_scenario.has_value(); }
    // The loaded scenario's expectations as the last computation judged them (empty before).
    const Scenarios::RunResult& ScenarioResult() const { return m_scenarioRun; }
    QLabel* ScenarioLabel() const { return m_pScenarioLabel; }
    // How the panel asks for a scenario to load, given the filter text of the language (NUL-
    // separated pairs); empty when cancelled. Without one, a plain open dialog.
    using OpenFileNameFunction = std::function<QString(const char16_t* filterText)>;
    void SetOpenFileNameFunction(OpenFileNameFunction function) { m_openFileName = std::move(function); }

    // The height the panel needs to show every lane without scrolling.
    int PreferredHeight() const;

Q_SIGNALS:
    // A failure to report (the result code is its text ID).
    void showError(int code);
    // A failure to report in words of its own (a scenario that cannot be read).
    void showErrorText(const QString& text);
    // A new trace is shown.
    void traceChanged();
    // The panel's height changed (a program of the other model has other lanes).
    void preferredHeightChanged();

private:
    void BuildWidgets();
    void ScheduleComputation();
    void StartComputation();
    void OnComputed(unsigned generation, std::shared_ptr<CTimelineTrace> trace, TimelineEnd end,
                    std::shared_ptr<Scenarios::RunResult> judged);
    // The loaded scenario with the script's input changes and potentiometer as they are now.
    Scenarios::Scenario ScenarioOfScript() const;
    // The expectations on the diagram and their account beside the trace's notes.
    void ShowScenarioResult();
    void LoadScenarioAsked();
    void SaveScenarioAsked();
    void ShowTrace(std::shared_ptr<const CTimelineTrace> trace, bool fit);
    void UpdateStatus();
    void UpdateTexts();
    void AddChange();
    void RemoveChanges();
    void FitColumns();
    // The end field shows the script's end unless it holds a time being written.
    void ShowUntil();
    void OnUntilEdited();
    void OnCursorMoved(qint64 time);
    void ExportCsvAsked();
    void ExportPictureAsked();
    QString AskFileName(int filterTextId, const QString& suffix) const;
    int Channels() const;
    // Fixes the panel's height to what its lanes need; tells when it changed.
    void UpdateHeight();
    // The last moment worth showing at once: the last change of the trace or of the script.
    RelayTime FitEnd() const;

    CTimelinePainter m_painter;
    CTimelineScriptModel m_script;
    const CQuorvexDoc* m_pDoc = nullptr;
    std::shared_ptr<const CTimelineTrace> m_computed;
    std::shared_ptr<const CTimelineTrace> m_recorded;
    std::shared_ptr<CTimelineTrace> m_recording;              // being recorded now
    std::shared_ptr<const CTimelineTrace> m_lastRecorded;     // the last recorded trace
    QElapsedTimer m_recordClock;
    std::shared_ptr<const CTimelineTrace> m_shown;
    unsigned m_generation = 0;
    bool m_computing = false;
    bool m_fitPending = true;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::unique_ptr<QThreadPool> m_pool;
    QTimer m_recompute;
    SaveFileNameFunction m_saveFileName;
    OpenFileNameFunction m_openFileName;
    std::optional<Scenarios::Scenario> m_scenario; // the expectations loaded, and the rest as read
    QString m_scenarioName;                         // its file's name
    Scenarios::RunResult m_scenarioRun;
    bool m_editingUntil = false; // the user's edit of the end field is being taken

    CTimelineView* m_pView = nullptr;
    QComboBox* m_pSource = nullptr; // computed or recorded trace
    QLabel* m_pStatus = nullptr;
    QLabel* m_pCursor = nullptr;
    QLabel* m_pUntilLabel = nullptr;
    QLineEdit* m_pUntil = nullptr;
    QPushButton* m_pFit = nullptr;
    QPushButton* m_pExportCsv = nullptr;
    QPushButton* m_pExportPicture = nullptr;
    QLabel* m_pChangesLabel = nullptr;
    QTableView* m_pTable = nullptr;
    QPushButton* m_pAdd = nullptr;
    QPushButton* m_pRemove = nullptr;
    QPushButton* m_pScenario = nullptr; // its menu loads and saves scenarios
    QAction* m_pLoadScenario = nullptr;
    QAction* m_pSaveScenario = nullptr;
    QLabel* m_pScenarioLabel = nullptr;
};
