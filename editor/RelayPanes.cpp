// First cut of the panes: the document and the mode logic. The program view, the dialog
// strip and the simulation are being added.
#include "RelayPanes.h"

#include <cstring>

CRelayPane::CRelayPane(ModelCode model, double ratio, QWidget* parent)
    : CRelayPaneBase(parent), m_doc(CreateDocument(model)), m_dRatio(ratio)
{
    m_doc->ResetProgram(0);
}

void CRelayPane::OnLanguageChanged(Language::CLanguageManager&) {}

PaneSizing CRelayPane::CreatePaneWindow()
{
    PaneSizing sizing;
    sizing.stripWidth = 900;
    sizing.height = 200;
    sizing.ratio = m_dRatio;
    return sizing;
}

void CRelayPane::UpdatePaneLayout() {}

void CRelayPane::SimulationTick(int) {}

void CRelayPane::ToggleSimulationMode()
{
    SetWorkMode(m_nMode == WORK_MODE_SIMULATION ? WORK_MODE_EDIT : WORK_MODE_SIMULATION);
}

void CRelayPane::ResetSimulation() {}

void CRelayPane::StopSimulation()
{
    m_bSimulationRunning = false;
}

void CRelayPane::StartSimulation()
{
    m_bSimulationRunning = true;
}

int CRelayPane::OpenProgramFile(const QString& path)
{
    return m_doc->Load(path);
}

void CRelayPane::NewProgram()
{
    m_doc->ResetProgram(0);
    ResetSelection();
}

bool CRelayPane::ReplaceProgram(const std::uint8_t* image, int size, bool modified)
{
    if (!image || size != m_doc->GetDataSize())
        return false;
    std::memcpy(m_doc->GetData(), image, std::size_t(size));
    if (modified)
        m_doc->SetModified();
    else
        m_doc->ClearModified();
    ResetSelection();
    return true;
}

void CRelayPane::ResetSelection() {}

void CRelayPane::SetWorkMode(int mode)
{
    if (mode != WORK_MODE_SIMULATION)
        m_bSimulationRunning = false;
    m_nMode = mode;
}

CRelayQVR_K115_ZQX_Pane::CRelayQVR_K115_ZQX_Pane(QWidget* parent) : CRelayPane(MODEL_QVR_K115_ZQX, 0.5, parent) {}

CRelayQVS_K115_318_Pane::CRelayQVS_K115_318_Pane(QWidget* parent) : CRelayPane(MODEL_QVS_K115_318, 0.75, parent) {}

CRelayPaneBase* CreateRelayPane(int modelNumber, QWidget* parent)
{
    switch (modelNumber) {
    case 1: return new CRelayQVR_K115_ZQX_Pane(parent);
    case 2: return new CRelayQVS_K115_318_Pane(parent);
    default: return nullptr;
    }
}
