// Boxes of model QVS_K115_318: two relays, two inputs, conditions of up to three terms.

#include "ModelDrawer.h"

#include "Fields_QVS_K115_318.h"

using namespace Language;

namespace StepDrawing {

namespace {

// Power-on state in the order of its texts: not set, on, off.
int PowerOnTextIndex(int state)
{
    switch (state) {
    case RELAY_STATE_ON: return 1;
    case RELAY_STATE_OFF: return 2;
    default: return 0;
    }
}

// The terms and operators of an expression as one number, to find its text again.
template <typename Field>
int ExpressionKey(const Field& field)
{
    int key = 0;
    for (int term = 0; term <= 2; ++term) {
        int op = TERM_OP_NONE, number = 0, negated = 0;
        const int source = field.GetTerm(term, &op, &number, &negated);
        const int code = source != TERM_SOURCE_NONE ? TermCode(source, number, negated) : 0;
        key = (key * 4 + (op & 3)) * 8 + (code & 7);
    }
    return key;
}

// The expression text of a field, built once per expression and language. The text is the
// one of the description, with a single "&" for AND: the boxes draw it as it is.
template <typename Field>
const QString& ExpressionText(const Field& field, QHash<int, QString>& cache)
{
    const int key = ExpressionKey(field);
    auto found = cache.constFind(key);
    if (found == cache.constEnd())
        found = cache.insert(key, field.DescribeExpression(false));
    return *found;
}

class CDrawer_QVS_K115_318 final : public CModelDrawer {
public:
    void OnLanguageChanged(CLanguageManager& manager) override
    {
        CModelDrawer::OnLanguageChanged(manager);
        m_conditionExpressions.clear();
        m_timeExpressions.clear();
    }

protected:
    int WidthRatio(FieldKind kind) const override
    {
        switch (kind) {
        case FIELD_START: return 400;
        case FIELD_STATE_CHANGE: return 460;
        case FIELD_CONDITION: return 540;
        case FIELD_TIME: return 540;
        case FIELD_STOP: break;
        }
        return 290;
    }

    CQuorvexFieldSet& Fields() override { return m_fields; }

    void ReadTexts(CLanguageManager& manager) override
    {
        m_texts.Read(
            manager,
            {TEXT_START_NAME, TEXT_BOX_START_DELAY, TEXT_QVS_POWER_ON_RELAY1_0, TEXT_QVS_POWER_ON_RELAY1_0 + 1,
             TEXT_QVS_POWER_ON_RELAY1_0 + 2, TEXT_QVS_POWER_ON_RELAY2_0, TEXT_QVS_POWER_ON_RELAY2_0 + 1,
             TEXT_QVS_POWER_ON_RELAY2_0 + 2, TEXT_START_DELAY_0, TEXT_START_DELAY_0 + 1, TEXT_START_DELAY_0 + 2,
             TEXT_START_DELAY_0 + 3, TEXT_BOX_QVS_RELAY1_OPERATION_0, TEXT_BOX_QVS_RELAY1_OPERATION_0 + 1,
             TEXT_BOX_QVS_RELAY1_OPERATION_0 + 2, TEXT_BOX_QVS_RELAY1_OPERATION_0 + 3, TEXT_BOX_QVS_RELAY2_OPERATION_0,
             TEXT_BOX_QVS_RELAY2_OPERATION_0 + 1, TEXT_BOX_QVS_RELAY2_OPERATION_0 + 2,
             TEXT_BOX_QVS_RELAY2_OPERATION_0 + 3, TEXT_STATE_NO_JUMP, TEXT_STATE_JUMP_TO, TEXT_STATE_TARGET_START,
             TEXT_STATE_TARGET_STOP, TEXT_QVS_CONDITION_TYPE_0, TEXT_QVS_CONDITION_TYPE_0 + 1,
             TEXT_QVS_CONDITION_TYPE_0 + 2, TEXT_QVS_CONDITION_TYPE_0 + 3, TEXT_QVS_CONDITION_TYPE_0 + 4,
             TEXT_QVS_CONDITION_TYPE_0 + 5, TEXT_QVS_CONDITION_TYPE_0 + 6, TEXT_QVS_CONDITION_TYPE_0 + 7,
             TEXT_CONDITION_NO_JUMP, TEXT_CONDITION_JUMP_TO, TEXT_CONDITION_TARGET_START, TEXT_CONDITION_TARGET_STOP,
             TEXT_CONDITION_ALT_JUMP, TEXT_BOX_TIME_FIXED, TEXT_BOX_TIME_POTENTIOMETER, TEXT_QVS_STOP_CONDITION_0,
             TEXT_QVS_STOP_CONDITION_0 + 1, TEXT_QVS_STOP_CONDITION_0 + 2, TEXT_QVS_STOP_CONDITION_0 + 3,
             TEXT_QVS_STOP_CONDITION_0 + 4, TEXT_QVS_STOP_CONDITION_0 + 5, TEXT_TIME_NO_JUMP, TEXT_TIME_JUMP_TO,
             TEXT_TIME_TARGET_START, TEXT_TIME_TARGET_STOP, TEXT_STOP_NAME});
    }

    void DrawStart(CBoxCanvas& canvas, const CQuorvexFIELDStart& start) override
    {
        // The accessor is bound through this box's channel, so it reads this channel's byte.
        const BoxMetrics& m = canvas.M();
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.b15, 1,
                    m_texts.Run(TEXT_QVS_POWER_ON_RELAY1_0, PowerOnTextIndex(start.GetInitialState(0)), 3));
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.b95, 1,
                    m_texts.Run(TEXT_QVS_POWER_ON_RELAY2_0, PowerOnTextIndex(start.GetInitialState(1)), 3));
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.j1, 1, m_texts.Get(TEXT_BOX_START_DELAY));
        canvas.Text(BODY_FONT, Colour::START_TEXT, m.j2, 1, m_texts.Run(TEXT_START_DELAY_0, start.GetStartDelay(), 4));
    }

    void DrawStateChange(CBoxCanvas& canvas, const CQuorvexFIELDStateChange& change) override
    {
        const BoxMetrics& m = canvas.M();
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p24, 1,
                    m_texts.Run(TEXT_BOX_QVS_RELAY1_OPERATION_0, change.GetRelayOperation(0), 4));
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p32, 1,
                    m_texts.Run(TEXT_BOX_QVS_RELAY2_OPERATION_0, change.GetRelayOperation(1), 4));
        DrawJump(canvas, change.GetJump(), m.j2, m.j3, TEXT_STATE_NO_JUMP, TEXT_STATE_JUMP_TO, TEXT_STATE_TARGET_START,
                 TEXT_STATE_TARGET_STOP);
    }

    void DrawCondition(CBoxCanvas& canvas, const CQuorvexFIELDCondition& condition) override
    {
        const BoxMetrics& m = canvas.M();
        const int type = condition.GetConditionType();
        canvas.Text(BODY_FONT, Colour::BODY_TEXT, m.p16, 2, m_texts.Run(TEXT_QVS_CONDITION_TYPE_0, type, 8));
        if (type != CONDITION_NONE)
            canvas.FittedText(Colour::BODY_TEXT, m.p32, 2,
                        ExpressionText(static_cast<const CQuorvex_QVS_K115_318_FIELDCondition&>(condition),
                                       m_conditionExpressions));
        DrawConditionJumps(canvas, condition, type);
    }

    int StopConditionFirstText() const override { return TEXT_QVS_STOP_CONDITION_0; }

    QString StopExpression(const CQuorvexFIELDTime& time) override
    {
        return ExpressionText(static_cast<const CQuorvex_QVS_K115_318_FIELDTime&>(time), m_timeExpressions);
    }

private:
    CQuorvex_QVS_K115_318_FieldSet m_fields;
    QHash<int, QString> m_conditionExpressions;
    QHash<int, QString> m_timeExpressions;
};

} // namespace

std::unique_ptr<CModelDrawer> CreateDrawer_QVS_K115_318() { return std::make_unique<CDrawer_QVS_K115_318>(); }

} // namespace StepDrawing
