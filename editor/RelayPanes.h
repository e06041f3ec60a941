#pragma once
// The relay panes of both models.

#include "RelayPaneBase.h"

#include "QuorvexDoc.h"

#include <memory>

// Shared body of both panes; one final class per model below.
class CRelayPane : public CRelayPaneBase {
    Q_OBJECT

public:
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    PaneSizing CreatePaneWindow() override;
    void UpdatePaneLayout() override;
    void SimulationTick(int skip) override;
    void ToggleSimulationMode() override;
    void ResetSimulation() override;
    void StopSimulation() override;
    void StartSimulation() override;
    int OpenProgramFile(const QString& path) override;
    void NewProgram() override;
    bool ReplaceProgram(const std::uint8_t* image, int size, bool modified) override;
    CQuorvexDoc* GetDocument() override { return m_doc.get(); }
    const CQuorvexDoc* GetDocument() const override { return m_doc.get(); }
    void ResetSelection() override;
    void SetWorkMode(int mode) override;

protected:
    CRelayPane(ModelCode model, double ratio, QWidget* parent);

    std::unique_ptr<CQuorvexDoc> m_doc;
    double m_dRatio;
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
