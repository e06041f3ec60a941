#include "Fields_QVS_K115_318.h"

#include "BitLayout.h"
#include "LanguageManager.h"

#include <algorithm>
#include <iterator>

using namespace Layout_QVS_K115_318;

namespace {

int StoredOperation(int operation) { return operation >= 1 && operation <= 3 ? operation : 0; }

// Term expression bits, the same in the Condition and the Time field.
void SetTermBits(std::uint8_t* data, int term, int op, int source, int number, int negated)
{
    if (op < TERM_OP_NONE || op > TERM_OP_XOR)
        return;
    const bool validTerm = (source == 1 || source == 2) && (number == 1 || number == 2);
    const int code = TermCode(source, number, negated);
    switch (term) {
    case 0:
        if (op == TERM_OP_NONE && validTerm)
            Term0.Set(data, code);
        break;
    case 1:
        Operator1.Set(data, op);
        if (op != TERM_OP_NONE && validTerm)
            Term1.Set(data, code);
        break;
    case 2:
        Operator2.Set(data, op);
        if (op != TERM_OP_NONE && validTerm)
            Term2.Set(data, code);
        break;
    default:
        break;
    }
}

int GetTermBits(const std::uint8_t* data, int term, int* op, int* number, int* negated)
{
    int code = 0;
    int oper = TERM_OP_NONE;
    switch (term) {
    case 0: code = Term0.Get(data); break;
    case 1: code = Term1.Get(data); oper = Operator1.Get(data); break;
    case 2: code = Term2.Get(data); oper = Operator2.Get(data); break;
    default:
        if (op) *op = 0;
        if (number) *number = 0;
        if (negated) *negated = 0;
        return TERM_SOURCE_NONE;
    }
    if (op) *op = oper;
    if (number) *number = TermCodeNumber(code);
    if (negated) *negated = TermCodeNegated(code);
    return TermCodeSource(code);
}

template <typename Field>
bool Evaluate(const Field& field, const int inputs[2], const int outputs[2])
{
    auto value = [&](int term, int* op) {
        int number = 0, negated = 0;
        const int source = field.GetTerm(term, op, &number, &negated);
        const int* states = source == TERM_SOURCE_OUTPUT ? outputs : inputs;
        const bool on = number >= 1 && number <= 2 && states[number - 1] != 0;
        return on != (negated != 0);
    };
    int op = TERM_OP_NONE;
    bool result = value(0, &op);
    for (int term = 1; term <= 2; ++term) {
        const bool operand = value(term, &op);
        if (op == TERM_OP_NONE)
            break;
        if (op == TERM_OP_AND)
            result = result && operand;
        else if (op == TERM_OP_OR)
            result = result || operand;
        else
            result = result != operand;
    }
    return result;
}

template <typename Field>
QString Describe(const Field& field, const CQuorvexExpressionTexts& texts, bool forDrawing)
{
    if (!field.IsAttached())
        return QString();
    QString text = texts.label + QStringLiteral(" = ");
    for (int term = 0; term <= 2; ++term) {
        int op = TERM_OP_NONE, number = 0, negated = 0;
        const int source = field.GetTerm(term, &op, &number, &negated);
        if (term > 0) {
            if (op == TERM_OP_NONE)
                break;
            const QString sign = op == TERM_OP_AND ? (forDrawing ? QStringLiteral("&&") : QStringLiteral("&"))
                                 : op == TERM_OP_OR ? QStringLiteral("|")
                                                    : QStringLiteral("^");
            text += QLatin1Char(' ') + sign + QLatin1Char(' ');
        }
        if (source != TERM_SOURCE_NONE) {
            const int code = TermCode(source, number, negated);
            if (code >= 0 && code < 8)
                text += texts.terms[code];
        }
    }
    return text;
}

void ReadExpressionTexts(Language::CLanguageManager& manager, int labelId, int firstTermId,
                         CQuorvexExpressionTexts* texts)
{
    texts->label = manager.Text(labelId);
    for (int code = 0; code < 8; ++code)
        texts->terms[code] = manager.Text(firstTermId + code);
}

} // namespace

void CQuorvex_QVS_K115_318_FIELDCondition::OnLanguageChanged(Language::CLanguageManager& manager)
{
    ReadExpressionTexts(manager, Language::TEXT_QVS_CONDITION_EXPRESSION, Language::TEXT_QVS_CONDITION_TERM_0,
                        &m_expressionTexts);
}

QString CQuorvex_QVS_K115_318_FIELDCondition::DescribeExpression(bool forDrawing) const
{
    return Describe(*this, m_expressionTexts, forDrawing);
}

void CQuorvex_QVS_K115_318_FIELDTime::OnLanguageChanged(Language::CLanguageManager& manager)
{
    CTimeControlHelper::OnLanguageChanged(manager);
    ReadExpressionTexts(manager, Language::TEXT_QVS_STOP_EXPRESSION, Language::TEXT_QVS_STOP_TERM_0,
                        &m_expressionTexts);
}

QString CQuorvex_QVS_K115_318_FIELDTime::DescribeExpression(bool forDrawing) const
{
    return Describe(*this, m_expressionTexts, forDrawing);
}

bool EvaluateTermExpression(const CQuorvexFIELDCondition& field, const int inputs[2], const int outputs[2])
{
    return Evaluate(field, inputs, outputs);
}

bool EvaluateTermExpression(const CQuorvexFIELDTime& field, const int inputs[2], const int outputs[2])
{
    return Evaluate(field, inputs, outputs);
}

// --- Start ------------------------------------------------------------------------------

void CQuorvex_QVS_K115_318_FIELDStart::SetDefaults()
{
    m_pData[m_nChannel] = START_DEFAULT[m_nChannel];
}

void CQuorvex_QVS_K115_318_FIELDStart::SetInitialState(int relay, int state)
{
    const int stored = state == RELAY_STATE_OFF || state == RELAY_STATE_ON ? state : RELAY_STATE_NOT_SET;
    std::uint8_t* own = m_pData + m_nChannel; // this channel's byte of the shared field
    if (relay == 0)
        StartRelay1.Set(own, stored);
    else if (relay == 1)
        StartRelay2.Set(own, stored);
}

void CQuorvex_QVS_K115_318_FIELDStart::SetStartDelay(int option)
{
    StartDelay.Set(m_pData, option >= 1 && option <= 3 ? option : 0);
}

int CQuorvex_QVS_K115_318_FIELDStart::GetInitialState(int relay) const
{
    const std::uint8_t* own = m_pData + m_nChannel;
    int state = RELAY_STATE_OFF;
    if (relay == 0)
        state = StartRelay1.Get(own);
    else if (relay == 1)
        state = StartRelay2.Get(own);
    return state == 3 ? RELAY_STATE_OFF : state;
}

int CQuorvex_QVS_K115_318_FIELDStart::GetStartDelay() const { return StartDelay.Get(m_pData); }

// --- StateChange ------------------------------------------------------------------------

void CQuorvex_QVS_K115_318_FIELDStateChange::SetDefaults()
{
    std::copy(std::begin(STATE_CHANGE_DEFAULT), std::end(STATE_CHANGE_DEFAULT), m_pData);
}

void CQuorvex_QVS_K115_318_FIELDStateChange::SetRelayOperation(int relay, int operation)
{
    if (relay == 0)
        StateOperation1.Set(m_pData, StoredOperation(operation));
    else if (relay == 1)
        StateOperation2.Set(m_pData, StoredOperation(operation));
}

int CQuorvex_QVS_K115_318_FIELDStateChange::GetRelayOperation(int relay) const
{
    if (relay == 0)
        return StateOperation1.Get(m_pData);
    if (relay == 1)
        return StateOperation2.Get(m_pData);
    return 0;
}

void CQuorvex_QVS_K115_318_FIELDStateChange::SetJump(int target) { StateJump.Set(m_pData, target); }
int CQuorvex_QVS_K115_318_FIELDStateChange::GetJump() const { return StateJump.Get(m_pData); }

// --- Condition --------------------------------------------------------------------------

void CQuorvex_QVS_K115_318_FIELDCondition::SetDefaults()
{
    std::copy(std::begin(CONDITION_DEFAULT), std::end(CONDITION_DEFAULT), m_pData);
}

void CQuorvex_QVS_K115_318_FIELDCondition::SetConditionType(int type)
{
    ConditionType.Set(m_pData, type >= 1 && type <= 7 ? type : 0);
}

int CQuorvex_QVS_K115_318_FIELDCondition::GetConditionType() const { return ConditionType.Get(m_pData); }

void CQuorvex_QVS_K115_318_FIELDCondition::SetTerm(int term, int op, int source, int number, int negated)
{
    SetTermBits(m_pData, term, op, source, number, negated);
}

int CQuorvex_QVS_K115_318_FIELDCondition::GetTerm(int term, int* op, int* number, int* negated) const
{
    return GetTermBits(m_pData, term, op, number, negated);
}

void CQuorvex_QVS_K115_318_FIELDCondition::SetJump(int target) { ConditionJump.Set(m_pData, target); }
int CQuorvex_QVS_K115_318_FIELDCondition::GetJump() const { return ConditionJump.Get(m_pData); }
void CQuorvex_QVS_K115_318_FIELDCondition::SetAltJump(int target) { ConditionAltJump.Set(m_pData, target); }
int CQuorvex_QVS_K115_318_FIELDCondition::GetAltJump() const { return ConditionAltJump.Get(m_pData); }

// --- Time -------------------------------------------------------------------------------

void CQuorvex_QVS_K115_318_FIELDTime::SetDefaults()
{
    std::copy(std::begin(TIME_DEFAULT), std::end(TIME_DEFAULT), m_pData);
}

void CQuorvex_QVS_K115_318_FIELDTime::SetConditionType(int type)
{
    TimeStopType.Set(m_pData, type >= 1 && type <= 5 ? type : 0);
}

int CQuorvex_QVS_K115_318_FIELDTime::GetConditionType() const
{
    const int type = TimeStopType.Get(m_pData);
    return type <= CONDITION_EDGE ? type : CONDITION_NONE;
}

void CQuorvex_QVS_K115_318_FIELDTime::SetTerm(int term, int op, int source, int number, int negated)
{
    SetTermBits(m_pData, term, op, source, number, negated);
}

int CQuorvex_QVS_K115_318_FIELDTime::GetTerm(int term, int* op, int* number, int* negated) const
{
    return GetTermBits(m_pData, term, op, number, negated);
}

void CQuorvex_QVS_K115_318_FIELDTime::SetFixedTime(int flag) { TimeFixed.Set(m_pData, flag == 1 ? 1 : 0); }
int CQuorvex_QVS_K115_318_FIELDTime::IsFixedTime() const { return TimeFixed.Get(m_pData); }

void CQuorvex_QVS_K115_318_FIELDTime::SetTimeUnit(int unit)
{
    TimeUnitBits.Set(m_pData, unit >= 1 && unit <= 6 ? unit : 0);
}

int CQuorvex_QVS_K115_318_FIELDTime::GetTimeUnit() const
{
    const int unit = TimeUnitBits.Get(m_pData);
    return unit <= 6 ? unit : 0;
}

void CQuorvex_QVS_K115_318_FIELDTime::SetJump(int target) { TimeJump.Set(m_pData, target); }
int CQuorvex_QVS_K115_318_FIELDTime::GetJump() const { return TimeJump.Get(m_pData); }
void CQuorvex_QVS_K115_318_FIELDTime::SetTimeValue(int mantissa) { TimeMantissa.Set(m_pData, mantissa); }
int CQuorvex_QVS_K115_318_FIELDTime::GetTimeValue() const { return TimeMantissa.Get(m_pData); }
