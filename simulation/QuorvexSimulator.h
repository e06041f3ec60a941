#pragma once
// Simulator engines: run a relay program tick by tick without a relay.
//
// An engine reads the program only through its document (GetFieldData, the potentiometer
// values) and a set of field accessors; it never touches a widget. Use:
//
//   CQuorvex_QVR_K115_ZQX_Simulator engine;        // or pass the pane's accessor set
//   engine.SetDocument(&doc);                       // not owned; must be of the engine's model
//   engine.Reset(inputs, outputs);                  // start of the program
//   engine.Step(steps, inputs, outputs, changed, skip, hold, elapsed, fraction);  // per tick
//
// Every array has one element per channel (GetChannelCount(): 1 or 2); element i of the
// inputs and outputs stands for input or relay i + 1. A tick is not tied to wall-clock time:
// a time step running alone takes twenty ticks whatever its length, and `elapsed` reports the
// simulated seconds of the running time step. A driver that animates the program calls Step
// with skip 0 and hold 0 from its timer; when an input changes it stores the new input and
// calls Step at once with hold 1, in which only steps waiting on a signal react and no
// simulated time passes.

#include "Fields_QVR_K115_ZQX.h"
#include "Fields_QVS_K115_318.h"
#include "ViewDocHolder.h"

#include <memory>

class CQuorvexSimulator : public CViewDocHolder {
public:
    // Number of channels, inputs and relays of the engine's model.
    virtual int GetChannelCount() const = 0;
    // Model of the documents this engine runs.
    virtual ModelCode GetModelCode() const = 0;

    // Puts the engine at the start of the program with the given input and relay states
    // (GetChannelCount() values each). Durations and increments of time steps are kept; they
    // are set again when a time step begins.
    virtual void Reset(const int* inputs, const int* outputs) = 0;

    // Executes one tick. Returns 1, or 0 (doing nothing) when no document of the engine's
    // model is attached or an array is missing.
    //   stepIndex  out: current step index per channel after the tick
    //   inputs     in:  present input values (0/1)
    //   outputs    in/out: the caller's relay outputs; the outputs after the tick
    //   changed    out: per relay, set to 1 when the tick changed the output (the caller
    //                   passes zeros; the two-channel engine ORs into them)
    //   skip       1 finishes a running time step at once
    //   hold       1 reacts to an input change only: steps that wait on a signal may move on,
    //              nothing else runs and no simulated time passes
    //   elapsed    out: simulated seconds of the running time step per channel
    //   fraction   out: elapsed / duration of a running time step; written only while a time
    //                   step is under way with a non-zero duration, so the caller passes 0
    virtual int Step(int* stepIndex, const int* inputs, int* outputs, int* changed, int skip, int hold,
                     double* elapsed, double* fraction) = 0;

    // One tick for a driver that keeps the time itself and runs the program as a relay runs
    // it (CRealTimeRun): no simulated time passes in it and time steps count no ticks. Every
    // step that takes no time runs and every wait tests its condition, as in Step with skip 0
    // and hold 0; a time step tests its stop condition and otherwise stays, unless
    // finish[c] is 1: then channel c's time step has run out and the channel continues with
    // the next step. interrupted[c] is set to 1 when channel c's stop condition held in this
    // tick (the caller passes zeros). Returns 1, or 0 as Step does.
    virtual int StepInstant(int* stepIndex, const int* inputs, int* outputs, int* changed, const int* finish,
                            int* interrupted) = 0;

    // Duration of a time setting (seconds = mantissa * factor / 128) and the simulated time
    // per tick (a twentieth of it); a unit code outside 0..6 gives 0 for both.
    static void StepTiming(int unit, int mantissa, double* increment, double* duration);
    // The step that a jump to `target` leads to from `current`: NO_JUMP continues with the
    // next step; any other value is taken as it is (a target above the Stop step names no
    // step, and an engine that gets there stays).
    static int JumpTo(int current, int target) { return target == NO_JUMP ? current + 1 : target; }

    // Slack of the two-channel engine's end-of-step test: one relay time quantum (1/128 s).
    static constexpr double TIME_QUANTUM = 1.0 / TIME_MANTISSA_ONE;

protected:
    explicit CQuorvexSimulator(CQuorvexFieldSet* fields) : m_pFields(fields) {}
    // The document when one of the engine's model is attached, else null.
    CQuorvexDoc* RunnableDocument() const;

    CQuorvexFieldSet* m_pFields; // not owned unless the final class says so
};

// Single-channel engine of model QVR_K115_ZQX: one input, one relay.
class CQuorvex_QVR_K115_ZQX_Simulator final : public CQuorvexSimulator {
public:
    CQuorvex_QVR_K115_ZQX_Simulator(); // with an accessor set of its own
    // With the caller's accessor set, which must outlive the engine.
    explicit CQuorvex_QVR_K115_ZQX_Simulator(CQuorvex_QVR_K115_ZQX_FieldSet& fields);

    int GetChannelCount() const override { return 1; }
    ModelCode GetModelCode() const override { return MODEL_QVR_K115_ZQX; }
    void Reset(const int* inputs, const int* outputs) override;
    int Step(int* stepIndex, const int* inputs, int* outputs, int* changed, int skip, int hold,
             double* elapsed, double* fraction) override;
    int StepInstant(int* stepIndex, const int* inputs, int* outputs, int* changed, const int* finish,
                    int* interrupted) override;

private:
    // How a tick treats a running time step.
    struct TimeControl {
        int skip = 0;
        int hold = 0;
        bool instant = false;      // StepInstant: no ticks are counted
        int finish = 0;            // StepInstant: the time has run out
        int* interrupted = nullptr;
    };
    int Run(int* stepIndex, const int* inputs, int* outputs, int* changed, const TimeControl& control,
            double* elapsed, double* fraction);
    void RunTime(CQuorvexFIELDTime& time, int input, const TimeControl& control, double* fraction);

    std::unique_ptr<CQuorvex_QVR_K115_ZQX_FieldSet> m_ownFields;
    int m_nPrevInput = 0;
    int m_nOutput = 0;
    double m_dIncrement = 0.0;
    int m_nTickCounter = 0;
    double m_dDuration = 0.0;
    int m_nStep = 0;
    double m_dElapsed = 0.0;
};

// Two-channel engine of model QVS_K115_318: two inputs, two relays, two channels that run side
// by side on a common time base.
class CQuorvex_QVS_K115_318_Simulator final : public CQuorvexSimulator {
public:
    CQuorvex_QVS_K115_318_Simulator(); // with an accessor set of its own
    // With the caller's accessor set, which must outlive the engine.
    explicit CQuorvex_QVS_K115_318_Simulator(CQuorvex_QVS_K115_318_FieldSet& fields);

    int GetChannelCount() const override { return 2; }
    ModelCode GetModelCode() const override { return MODEL_QVS_K115_318; }
    void Reset(const int* inputs, const int* outputs) override;
    int Step(int* stepIndex, const int* inputs, int* outputs, int* changed, int skip, int hold,
             double* elapsed, double* fraction) override;
    int StepInstant(int* stepIndex, const int* inputs, int* outputs, int* changed, const int* finish,
                    int* interrupted) override;

private:
    // Values that one call of Step shares between the executions of its channels.
    struct Tick {
        CQuorvexDoc* doc;
        int inputs[2];        // present inputs, 0 or 1
        int startOutputs[2];  // relay outputs at the start of the tick
        int changed[2];       // outputs changed so far in this tick
        int* stepIndex;
        int* outputs;
        int* changedOut;
        double* elapsed;
        double* fraction;
        const int* finish = nullptr; // StepInstant: which channels' time steps have run out
        int* interrupted = nullptr;  // StepInstant: stop conditions that held
    };

    FieldKind KindOf(CQuorvexDoc* doc, int channel) const;
    void PrepareTime(CQuorvexDoc* doc, int channel);
    void ComputeCommonIncrement(bool timing0, bool timing1, int skip);
    void ReportTime(const Tick& tick, int channel) const;
    // Runs the current step of one channel; true when it is a condition still waiting.
    bool Exec(Tick& tick, int channel, int hold);
    // Whether a wait-type condition (types 1..5) holds, from the expression now and before.
    template <typename Field>
    bool WaitMet(const Tick& tick, const Field& field, int type) const;

    std::unique_ptr<CQuorvex_QVS_K115_318_FieldSet> m_ownFields;
    int m_nStep[2] = {0, 0};
    int m_nPrevInput[2] = {0, 0};
    int m_nOutput[2] = {0, 0};
    double m_dIncrement[2] = {0.0, 0.0};
    double m_dDuration[2] = {0.0, 0.0};
    double m_dElapsed[2] = {0.0, 0.0};
    double m_dCommonIncrement = 0.0;
};

// The simulated seconds that one tick without hold stood for, from each channel's step and
// elapsed time before and after it: a time step that goes on counts what it advanced, one
// that left for the next step what it had left; steps that take no time count nothing. The
// channels share one time base, so the largest count is the tick's. (A stop condition that
// leads to the next step counts like a time that ran out.) The relay pane measures the
// simulation's position on the timing diagram with it.
double TickSimulatedSeconds(const CQuorvexDoc& doc, int channels, const int* stepsBefore, const double* elapsedBefore,
                            const int* stepsAfter, const double* elapsedAfter);
