#include "ModelDrawer.h"

#include "QuorvexDoc.h"

#include <cmath>
#include <cstdint>

using namespace Language;

namespace StepDrawing {

int CModelDrawer::GetBoxWidth(FieldKind kind, int boxHeight) const
{
    if (boxHeight <= 0)
        return 0;
    // Nearest(h * r / 8.5) in whole numbers, with r in hundredths: exact at every half.
    const std::int64_t twice = 2 * std::int64_t(boxHeight) * WidthRatio(kind);
    return int((twice + 850) / 1700);
}

void CModelDrawer::OnLanguageChanged(CLanguageManager& manager)
{
    ReadTexts(manager);
    // The Time accessor formats times; the expression texts live in the accessors too.
    Fields().Start().OnLanguageChanged(manager);
    Fields().StateChange().OnLanguageChanged(manager);
    Fields().Condition().OnLanguageChanged(manager);
    Fields().Time().OnLanguageChanged(manager);
    Fields().Stop().OnLanguageChanged(manager);
    m_timeTexts.clear();
}

void CModelDrawer::Draw(CBoxCanvas& canvas, const CQuorvexDoc& doc, int channel, int fieldIndex,
                        const StepBoxState& state)
{
    const CQuorvexFIELDBase* field = Fields().BindReadOnly(&doc, channel, fieldIndex);
    if (!field)
        return;
    const FieldKind kind = field->GetKind();
    const BoxMetrics& m = canvas.M();

    // The Stop box cannot be edited: its header never shows the selection.
    const bool selectedHeader = state.selected && kind != FIELD_STOP;
    canvas.Frame();
    switch (kind) {
    case FIELD_START:
    case FIELD_STOP:
        canvas.Bands(selectedHeader, Colour::START_STOP);
        canvas.Fill(m.p12 + 1, m.h - m.p12 - 2, Colour::START_STOP);
        break;
    case FIELD_STATE_CHANGE:
        canvas.Bands(selectedHeader, Colour::STATE_CHANGE_BAND);
        canvas.Fill(m.p12 + 1, m.h - m.p12 - 2, Colour::STATE_CHANGE_BODY);
        canvas.Fill(1 + m.a, m.accent, Colour::STATE_CHANGE_BAND);
        break;
    case FIELD_CONDITION:
        canvas.Bands(selectedHeader, Colour::CONDITION_BAND);
        canvas.Fill(m.p12 + 1, m.h - m.p12 - 2, Colour::CONDITION_BODY);
        canvas.Fill(1 + m.a, m.accent, Colour::CONDITION_BAND);
        canvas.Fill(1 + m.bc, m.c, Colour::CONDITION_TWO_WAY);
        break;
    case FIELD_TIME:
        canvas.Bands(selectedHeader, Colour::TIME_BAND);
        canvas.Fill(m.p12 + 1, m.h - m.p12 - 2, Colour::TIME_BODY);
        canvas.Fill(1 + m.a, m.accent, Colour::TIME_BAND);
        break;
    }

    switch (kind) {
    case FIELD_START:
        canvas.HeaderText(m_texts.Get(TEXT_START_NAME), selectedHeader);
        DrawStart(canvas, Fields().Start());
        break;
    case FIELD_STATE_CHANGE:
        canvas.HeaderText(CBoxTexts::Number(fieldIndex), selectedHeader);
        DrawStateChange(canvas, Fields().StateChange());
        break;
    case FIELD_CONDITION:
        canvas.HeaderText(CBoxTexts::Number(fieldIndex), selectedHeader);
        DrawCondition(canvas, Fields().Condition());
        break;
    case FIELD_TIME:
        canvas.HeaderText(CBoxTexts::Number(fieldIndex), selectedHeader);
        DrawTime(canvas, Fields().Time(), state);
        break;
    case FIELD_STOP:
        canvas.HeaderText(m_texts.Get(TEXT_STOP_NAME), false);
        break;
    }

    if (state.selected)
        canvas.SelectionFrames();
}

void CModelDrawer::DrawTime(CBoxCanvas& canvas, const CQuorvexFIELDTime& time, const StepBoxState& state)
{
    const BoxMetrics& m = canvas.M();
    const int group = (time.GetFieldIndex() - 1) / 4 + 1;
    canvas.Text(HEADER_FONT, Colour::BODY_TEXT, m.p6 + 2, 1, m_texts.GroupCaption(group));

    const bool fixed = time.IsFixedTime() != 0;
    // The elapsed time of a running step, in the unit its time is shown in: the field's own
    // or the potentiometer's. A time that is not a number shows nothing.
    if (state.active && std::isfinite(state.elapsed) && state.elapsed >= 0.0) {
        const int unit = fixed ? time.GetTimeUnit() : state.potUnit;
        canvas.Text(BODY_FONT, Colour::ELAPSED_TEXT, m.p12 + 2, 1,
                    time.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, unit, 0, state.elapsed));
    }

    canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p24, 1,
                m_texts.Get(fixed ? TEXT_BOX_TIME_FIXED : TEXT_BOX_TIME_POTENTIOMETER));
    if (fixed)
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p32, 1, TimeText(time));

    const int type = time.GetConditionType();
    canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.b, 2, m_texts.Run(StopConditionFirstText(), type, 6), m.c);
    if (type != CONDITION_NONE) {
        canvas.FittedText(Colour::BODY_TEXT, m.p63, 2, StopExpression(time));
        DrawJump(canvas, time.GetJump(), m.j2, m.j3, TEXT_TIME_NO_JUMP, TEXT_TIME_JUMP_TO, TEXT_TIME_TARGET_START,
                 TEXT_TIME_TARGET_STOP);
    }
}

void CModelDrawer::DrawConditionJumps(CBoxCanvas& canvas, const CQuorvexFIELDCondition& condition, int type)
{
    const BoxMetrics& m = canvas.M();
    DrawJump(canvas, condition.GetJump(), m.b15, m.b95, TEXT_CONDITION_NO_JUMP, TEXT_CONDITION_JUMP_TO,
             TEXT_CONDITION_TARGET_START, TEXT_CONDITION_TARGET_STOP);
    if (type == CONDITION_BRANCH_ON_ALT || type == CONDITION_BRANCH_ON_JUMP) {
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.bc, 2, m_texts.Get(TEXT_CONDITION_ALT_JUMP), m.c);
        DrawJump(canvas, condition.GetAltJump(), m.j2, m.j3, TEXT_CONDITION_NO_JUMP, TEXT_CONDITION_JUMP_TO,
                 TEXT_CONDITION_TARGET_START, TEXT_CONDITION_TARGET_STOP);
    }
}

void CModelDrawer::DrawJump(CBoxCanvas& canvas, int target, int firstTop, int secondTop, int noJumpId, int jumpId,
                            int startId, int stopId)
{
    if (target == NO_JUMP) {
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, firstTop, 1, m_texts.Get(noJumpId));
        return;
    }
    canvas.Text(BODY_FONT, Colour::BODY_TEXT, firstTop, 1, m_texts.Get(jumpId));
    // Stored targets 37..62 name no step; they show as their number, as in the description.
    const QString& name = target == 0           ? m_texts.Get(startId)
                          : target == STOP_FIELD ? m_texts.Get(stopId)
                                                 : CBoxTexts::Number(target);
    canvas.Text(BODY_FONT, Colour::BODY_TEXT, secondTop, 1, name);
}

const QString& CModelDrawer::TimeText(const CQuorvexFIELDTime& time)
{
    const int unit = time.GetTimeUnit();
    const int mantissa = time.GetTimeValue();
    const int key = unit * 256 + mantissa;
    auto found = m_timeTexts.constFind(key);
    if (found == m_timeTexts.constEnd())
        found = m_timeTexts.insert(key, time.FormatTime(CTimeControlHelper::DESCRIPTION_FORMATS, unit, mantissa));
    return *found;
}

std::unique_ptr<CModelDrawer> CreateModelDrawer(ModelCode model)
{
    switch (model & MODEL_NUMBER_MASK) {
    case MODEL_QVR_K115_ZQX: return CreateDrawer_QVR_K115_ZQX();
    case MODEL_QVS_K115_318: return CreateDrawer_QVS_K115_318();
    default: return nullptr;
    }
}

} // namespace StepDrawing
