#pragma once
// The boxes of one relay model: what each kind of step shows, read through that model's
// field accessors. Internal to the drawer; CStepDrawer picks one per model.

#include "BoxCanvas.h"

#include "Fields.h"

#include <QHash>

#include <memory>

class CQuorvexDoc;

namespace StepDrawing {

class CModelDrawer {
public:
    virtual ~CModelDrawer() = default;

    // Width of a box of the kind for a box height.
    int GetBoxWidth(FieldKind kind, int boxHeight) const;
    // Re-reads the texts and drops every text built from the old ones.
    virtual void OnLanguageChanged(Language::CLanguageManager& manager);
    // Paints (or records) the box of one field; nothing for a field that cannot be bound.
    void Draw(CBoxCanvas& canvas, const CQuorvexDoc& doc, int channel, int fieldIndex, const StepBoxState& state);

protected:
    // Box width over box height, times 850: the kind's ratio in hundredths.
    virtual int WidthRatio(FieldKind kind) const = 0;
    virtual CQuorvexFieldSet& Fields() = 0;
    virtual void ReadTexts(Language::CLanguageManager& manager) = 0;

    // Body texts of each kind (the frame, the bands and the header are common).
    virtual void DrawStart(CBoxCanvas& canvas, const CQuorvexFIELDStart& start) = 0;
    virtual void DrawStateChange(CBoxCanvas& canvas, const CQuorvexFIELDStateChange& change) = 0;
    virtual void DrawCondition(CBoxCanvas& canvas, const CQuorvexFIELDCondition& condition) = 0;
    // The stop condition of a Time box: the text ID of the first of its six type names, and
    // (for a type other than 0) the model's expression, empty where the model has none.
    virtual int StopConditionFirstText() const = 0;
    virtual QString StopExpression(const CQuorvexFIELDTime& /*time*/) { return QString(); }

    void DrawTime(CBoxCanvas& canvas, const CQuorvexFIELDTime& time, const StepBoxState& state);
    // The jump and, for the two-way types, the alternative jump of a Condition box.
    void DrawConditionJumps(CBoxCanvas& canvas, const CQuorvexFIELDCondition& condition, int type);
    // A jump: the no-jump caption alone at the first position, or the jump caption there and
    // the target (Start, Stop or the step number) at the second.
    void DrawJump(CBoxCanvas& canvas, int target, int firstTop, int secondTop, int noJumpId, int jumpId, int startId,
                  int stopId);
    // The fixed time of a Time box in the description formats, formatted once per value.
    const QString& TimeText(const CQuorvexFIELDTime& time);

    CBoxTexts m_texts;

private:
    QHash<int, QString> m_timeTexts;
};

// The drawer of a model; null for a code of no known model.
std::unique_ptr<CModelDrawer> CreateModelDrawer(ModelCode model);
std::unique_ptr<CModelDrawer> CreateDrawer_QVR_K115_ZQX();
std::unique_ptr<CModelDrawer> CreateDrawer_QVS_K115_318();

} // namespace StepDrawing
