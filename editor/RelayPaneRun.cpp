// The relay pane's runs: the simulation (the compressed run of the design, or relay time
// paced by a clock) and the display of a relay's live state.

#include "RelayPane.h"

#include "CommonSettings.h"
#include "QuorvexSimulator.h"
#include "QuorvexView.h"

#include <algorithm>

// --- Simulation ----------------------------------------------------------------------------

void CRelayPane::ToggleSimulationMode()
{
    if (m_nMode == WORK_MODE_DEVICE_VIEW)
        return;
    StopSimulation();
    SetWorkMode(m_nMode == WORK_MODE_SIMULATION ? WORK_MODE_EDIT : WORK_MODE_SIMULATION);
    ResetSimulation();
}

void CRelayPane::StartSimulation()
{
    if (m_nMode != WORK_MODE_SIMULATION)
        return;
    m_bSimulationRunning = true;
    if (m_pPaced) {
        m_pPaced->Start();
        m_simulationTimer.start(REAL_TIME_PERIOD_MS);
    } else {
        m_simulationTimer.start(SIMULATION_PERIOD_MS);
    }
}

void CRelayPane::StopSimulation()
{
    m_simulationTimer.stop();
    m_bSimulationRunning = false;
    if (m_pPaced) {
        m_pPaced->Stop();
        if (m_nMode == WORK_MODE_SIMULATION)
            ShowPacedState();
    }
}

void CRelayPane::SimulationTick(int skip)
{
    if (m_nMode != WORK_MODE_SIMULATION)
        return;
    if (m_pPaced) {
        // In relay time a single step and a skip both go on to the next moment at which the
        // program acts on its own: the end of the time step that runs out first.
        m_pPaced->SkipToNextEvent();
        ShowPacedState();
        return;
    }
    RunTick(skip, 0);
}

void CRelayPane::OnSimulationTimer()
{
    if (m_nMode != WORK_MODE_SIMULATION)
        return;
    if (m_pPaced) {
        m_pPaced->Update();
        ShowPacedState();
        return;
    }
    RunTick(0, 0);
}

void CRelayPane::SetSimulationSpeed(int speed)
{
    if (speed != SIMULATION_COMPRESSED
        && std::find(std::begin(CPacedRun::SPEEDS), std::end(CPacedRun::SPEEDS), speed) == std::end(CPacedRun::SPEEDS))
        return;
    if (speed == m_nSimulationSpeed)
        return;
    const bool otherEngine = (speed == SIMULATION_COMPRESSED) != (m_nSimulationSpeed == SIMULATION_COMPRESSED);
    m_nSimulationSpeed = speed;
    if (m_nMode != WORK_MODE_SIMULATION)
        return;
    if (otherEngine) {
        // The compressed run and the run in relay time keep different states: the simulation
        // starts again from power-on, and runs on if it ran.
        const bool running = m_bSimulationRunning;
        StopSimulation();
        ResetSimulation();
        if (running)
            StartSimulation();
    } else if (m_pPaced) {
        m_pPaced->SetSpeed(speed);
        ShowPacedState();
    }
}

void CRelayPane::ShowPacedState()
{
    const CRealTimeRun& run = m_pPaced->Run();
    const RelayStatus& state = run.State();
    for (int c = 0; c < m_nChannels; ++c) {
        const std::size_t i = std::size_t(c);
        m_doc->SetOutputState(c, state.outputs[i]);
        m_pCommon->RelayPicture(c)->SetState(state.outputs[i]);
        const int step = state.steps[i];
        // A channel resting past the Stop step (a jump beyond it) has no box: no active step.
        if (step >= FIELD_COUNT) {
            m_pViews[c]->SetActiveStep(-1, 0.0, true);
            m_pViews[c]->ClearTimeDisplay();
            continue;
        }
        RelayTime elapsed = 0, duration = 0;
        if (run.TimeStep(c, &elapsed, &duration)) {
            m_pViews[c]->SetActiveStep(step, duration > 0 ? double(elapsed) / double(duration) : 0.0, true);
            m_pViews[c]->SetTimeDisplay(m_doc->GetPotUnit(), m_doc->GetPotValue(),
                                        double(elapsed) / double(RELAY_TIME_PER_SECOND));
        } else {
            m_pViews[c]->SetActiveStep(step, 0.0, true);
            m_pViews[c]->ClearTimeDisplay();
        }
    }
    Q_EMIT simulationTimeChanged(double(run.Now()) / double(RELAY_TIME_PER_SECOND));
}

void CRelayPane::ResetSimulation()
{
    int inputs[2] = {0, 0};
    const int outputs[2] = {0, 0};
    for (int c = 0; c < m_nChannels; ++c) {
        inputs[c] = m_doc->GetButtonSState(c) ? 1 : 0;
        m_doc->SetOutputState(c, 0);
        m_pCommon->RelayPicture(c)->SetState(0);
        m_pViews[c]->SetActiveStep(0, 0.0, true);
        m_pViews[c]->ClearTimeDisplay();
        m_nLastSteps[c] = 0;
        m_dLastElapsed[c] = 0.0;
    }
    m_engine->Reset(inputs, outputs);
    m_dSimulatedTime = 0.0;
    if (m_nMode == WORK_MODE_SIMULATION && IsRelayTime()) {
        // Power-on in relay time: the steps that take no time have run at once.
        m_pPaced = std::make_unique<CPacedRun>(m_doc->GetModelCode(), m_simulationClock);
        m_pPaced->SetSpeed(m_nSimulationSpeed);
        m_pPaced->PowerOn(m_doc->GetData(), m_doc->GetDataSize(), m_doc->GetPotUnit(), m_doc->GetPotValue(), inputs);
        ShowPacedState();
        return;
    }
    m_pPaced.reset();
    Q_EMIT simulationTimeChanged(m_nMode == WORK_MODE_SIMULATION ? 0.0 : -1.0);
}

void CRelayPane::RunTick(int skip, int hold)
{
    int steps[2] = {0, 0};
    int inputs[2] = {0, 0};
    int outputs[2] = {0, 0};
    int changed[2] = {0, 0};
    double elapsed[2] = {0.0, 0.0};
    double fraction[2] = {0.0, 0.0};
    for (int c = 0; c < m_nChannels; ++c) {
        inputs[c] = m_doc->GetButtonSState(c) ? 1 : 0;
        outputs[c] = m_doc->GetOutputState(c) ? 1 : 0;
    }
    if (!m_engine->Step(steps, inputs, outputs, changed, skip, hold, elapsed, fraction))
        return;
    if (!hold)
        m_dSimulatedTime += TickSimulatedSeconds(*m_doc, m_nChannels, m_nLastSteps, m_dLastElapsed, steps, elapsed);
    for (int c = 0; c < m_nChannels; ++c) {
        m_nLastSteps[c] = steps[c];
        m_dLastElapsed[c] = elapsed[c];
    }
    Q_EMIT simulationTimeChanged(m_dSimulatedTime);
    for (int c = 0; c < m_nChannels; ++c) {
        m_doc->SetOutputState(c, outputs[c]);
        m_pCommon->RelayPicture(c)->SetState(outputs[c]);
        // A channel resting past the Stop step (a jump beyond it) has no box: no active step.
        const bool inChain = steps[c] >= 0 && steps[c] < FIELD_COUNT;
        m_pViews[c]->SetActiveStep(inChain ? steps[c] : -1, fraction[c], true);
        if (inChain && FieldKindAt(steps[c]) == FIELD_TIME)
            m_pViews[c]->SetTimeDisplay(m_doc->GetPotUnit(), m_doc->GetPotValue(), elapsed[c]);
        else
            m_pViews[c]->ClearTimeDisplay();
    }
}

// --- Live view ----------------------------------------------------------------------------

void CRelayPane::ShowRelayState(const DeviceProtocol::ChannelState* states)
{
    RelayStatus polled;
    for (int c = 0; c < m_nChannels; ++c) {
        polled.inputs[std::size_t(c)] = states[c].inputState ? 1 : 0;
        polled.outputs[std::size_t(c)] = states[c].outputState ? 1 : 0;
        polled.steps[std::size_t(c)] = std::uint8_t(states[c].fieldIndex);
    }
    for (int c = 0; c < m_nChannels; ++c) {
        const DeviceProtocol::ChannelState& state = states[c];
        m_pCommon->InputButton(c)->SetPressed(state.inputState != 0);
        m_pCommon->RelayPicture(c)->SetState(state.outputState ? 1 : 0);
        // The relay reports a 6-bit index; one that names no step leaves no active step.
        const int index = state.fieldIndex;
        if (index < 0 || index >= FIELD_COUNT) {
            m_pViews[c]->SetActiveStep(-1, 0.0, false);
            m_pViews[c]->ClearTimeDisplay();
            continue;
        }
        CQuorvexFIELDBase* field = m_editFields->Bind(m_doc.get(), c, index);
        if (!field || field->GetKind() != FIELD_TIME) {
            m_pViews[c]->SetActiveStep(index, 0.0, true);
            m_pViews[c]->ClearTimeDisplay();
            continue;
        }
        const auto& time = static_cast<const CQuorvexFIELDTime&>(*field);
        const bool fixed = time.IsFixedTime() != 0;
        const int unit = fixed ? time.GetTimeUnit() : state.unit;
        const int mantissa = fixed ? time.GetTimeValue() : state.mantissa;
        // A unit the encoding does not know (7) or a zero time gives no duration: no
        // progress rather than a division by zero.
        const double duration = TimeSeconds(unit, mantissa);
        const double progress = duration > 0.0 ? state.elapsedSeconds / duration : 0.0;
        m_pViews[c]->SetActiveStep(index, progress, true);
        m_pViews[c]->SetTimeDisplay(fixed ? 0 : state.unit, fixed ? 0 : state.mantissa, state.elapsedSeconds);
    }
    Q_EMIT relayStatePolled(polled);
}

void CRelayPane::StartView()
{
    StopSimulation();
    SetWorkMode(WORK_MODE_DEVICE_VIEW);
}

void CRelayPane::StopView()
{
    for (int c = 0; c < m_nChannels; ++c)
        m_pViews[c]->SetActiveStep(0, 0.0, false);
    SetWorkMode(WORK_MODE_EDIT);
    // Steps selected during the view were only shown: their values go into the dialogs now.
    LoadSelectedStep();
}
