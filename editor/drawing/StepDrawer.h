#pragma once
// Painting of step boxes. A drawer paints one field of a program into any QPainter (the
// program view, an image in a test, a print-out, an exported picture) from its parameters
// alone: it keeps no widget state. It reads the field through its own field accessors and
// caches the texts it draws, re-read on a language change.

#include "LanguageSupport.h"
#include "ModelTypes.h"

#include <QRect>

#include <memory>

class CQuorvexDoc;
class QPainter;

// What the view knows about a box beyond the program: selection, the active step of a
// simulation or live view, and the time display of an active Time step.
struct StepBoxState {
    bool selected = false;
    bool active = false;
    int potUnit = 0;       // potentiometer unit and value shown for a potentiometer-timed step
    int potValue = 0;
    double elapsed = -1.0; // elapsed seconds of the active Time step; negative for none
};

class CStepDrawer : public Language::CLanguageSupport {
public:
    // A drawer for the steps of a model (MODEL_QVR_K115_ZQX or MODEL_QVS_K115_318).
    explicit CStepDrawer(ModelCode model);
    ~CStepDrawer() override;
    CStepDrawer(const CStepDrawer&) = delete;
    CStepDrawer& operator=(const CStepDrawer&) = delete;

    ModelCode GetModelCode() const;

    // Width of a box of the kind for a box height.
    int GetBoxWidth(FieldKind kind, int boxHeight) const;

    // Paints field (channel, index) of the document into the box. The document is only read.
    void Draw(QPainter& painter, const CQuorvexDoc& doc, int channel, int fieldIndex, const QRect& box,
              const StepBoxState& state) const;

    // Re-reads every text the boxes show.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
