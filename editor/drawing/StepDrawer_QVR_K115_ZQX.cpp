// Boxes of model QVR_K115_ZQX: one relay, one input, a condition is one stored code.

#include "ModelDrawer.h"

#include "Fields_QVR_K115_ZQX.h"

using namespace Language;

namespace StepDrawing {

namespace {

// Condition code 0..9 as the box and the text description show it. Codes 10..15 fit the
// four stored bits but name no condition; the accessor reads them as type 0 with no source,
// which is code 0.
int ShownConditionCode(const CQuorvex_QVR_K115_ZQX_FIELDCondition& condition)
{
    const int code = condition.GetConditionCode();
    return code >= 0 && code <= 9 ? code : 0;
}

class CDrawer_QVR_K115_ZQX final : public CModelDrawer {
protected:
    int WidthRatio(FieldKind kind) const override
    {
        switch (kind) {
        case FIELD_START: return 290;
        case FIELD_STATE_CHANGE: return 445;
        case FIELD_CONDITION: return 540;
        case FIELD_TIME: return 445;
        case FIELD_STOP: break;
        }
        return 290;
    }

    CQuorvexFieldSet& Fields() override { return m_fields; }

    void ReadTexts(CLanguageManager& manager) override
    {
        m_texts.Read(manager,
                     {TEXT_START_NAME, TEXT_BOX_START_DELAY, TEXT_QVR_POWER_ON_ON, TEXT_QVR_POWER_ON_OFF,
                      TEXT_START_DELAY_0, TEXT_START_DELAY_0 + 1, TEXT_START_DELAY_0 + 2, TEXT_START_DELAY_0 + 3,
                      TEXT_BOX_QVR_OPERATION_0, TEXT_BOX_QVR_OPERATION_0 + 1, TEXT_BOX_QVR_OPERATION_0 + 2,
                      TEXT_BOX_QVR_OPERATION_0 + 3, TEXT_BOX_QVR_OPERATION_CAPTION, TEXT_STATE_NO_JUMP,
                      TEXT_STATE_JUMP_TO, TEXT_STATE_TARGET_START, TEXT_STATE_TARGET_STOP,
                      TEXT_QVR_CONDITION_CODE_0, TEXT_QVR_CONDITION_CODE_0 + 1, TEXT_QVR_CONDITION_CODE_0 + 2,
                      TEXT_QVR_CONDITION_CODE_0 + 3, TEXT_QVR_CONDITION_CODE_0 + 4, TEXT_QVR_CONDITION_CODE_0 + 5,
                      TEXT_QVR_CONDITION_CODE_0 + 6, TEXT_QVR_CONDITION_CODE_0 + 7, TEXT_QVR_CONDITION_CODE_0 + 8,
                      TEXT_QVR_CONDITION_CODE_0 + 9, TEXT_CONDITION_NO_JUMP, TEXT_CONDITION_JUMP_TO,
                      TEXT_CONDITION_TARGET_START, TEXT_CONDITION_TARGET_STOP, TEXT_CONDITION_ALT_JUMP,
                      TEXT_BOX_TIME_FIXED, TEXT_BOX_TIME_POTENTIOMETER, TEXT_QVR_STOP_CONDITION_0,
                      TEXT_QVR_STOP_CONDITION_0 + 1, TEXT_QVR_STOP_CONDITION_0 + 2, TEXT_QVR_STOP_CONDITION_0 + 3,
                      TEXT_QVR_STOP_CONDITION_0 + 4, TEXT_QVR_STOP_CONDITION_0 + 5, TEXT_TIME_NO_JUMP,
                      TEXT_TIME_JUMP_TO, TEXT_TIME_TARGET_START, TEXT_TIME_TARGET_STOP, TEXT_STOP_NAME});
    }

    void DrawStart(CBoxCanvas& canvas, const CQuorvexFIELDStart& start) override
    {
        const BoxMetrics& m = canvas.M();
        const bool on = start.GetInitialState(0) == RELAY_STATE_ON;
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.b15, 1,
                    m_texts.Get(on ? TEXT_QVR_POWER_ON_ON : TEXT_QVR_POWER_ON_OFF));
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.j1, 1, m_texts.Get(TEXT_BOX_START_DELAY));
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.j2, 1, m_texts.Run(TEXT_START_DELAY_0, start.GetStartDelay(), 4));
    }

    void DrawStateChange(CBoxCanvas& canvas, const CQuorvexFIELDStateChange& change) override
    {
        const BoxMetrics& m = canvas.M();
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p24, 1,
                    m_texts.Run(TEXT_BOX_QVR_OPERATION_0, change.GetRelayOperation(0), 4));
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p32, 1, m_texts.Get(TEXT_BOX_QVR_OPERATION_CAPTION));
        DrawJump(canvas, change.GetJump(), m.j2, m.j3, TEXT_STATE_NO_JUMP, TEXT_STATE_JUMP_TO, TEXT_STATE_TARGET_START,
                 TEXT_STATE_TARGET_STOP);
    }

    void DrawCondition(CBoxCanvas& canvas, const CQuorvexFIELDCondition& condition) override
    {
        const auto& own = static_cast<const CQuorvex_QVR_K115_ZQX_FIELDCondition&>(condition);
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, canvas.M().p24, 2,
                    m_texts.Run(TEXT_QVR_CONDITION_CODE_0, ShownConditionCode(own), 10));
        DrawConditionJumps(canvas, condition, condition.GetConditionType());
    }

    int StopConditionFirstText() const override { return TEXT_QVR_STOP_CONDITION_0; }

private:
    CQuorvex_QVR_K115_ZQX_FieldSet m_fields;
};

} // namespace

std::unique_ptr<CModelDrawer> CreateDrawer_QVR_K115_ZQX() { return std::make_unique<CDrawer_QVR_K115_ZQX>(); }

} // namespace StepDrawing
