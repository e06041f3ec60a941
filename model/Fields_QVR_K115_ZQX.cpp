#include "Fields_QVR_K115_ZQX.h"

#include "BitLayout.h"

#include <algorithm>
#include <iterator>

using namespace Layout_QVR_K115_ZQX;

namespace {
// Condition codes for the two-way types tested on the relay output instead of the input.
constexpr int CODE_OUTPUT_BRANCH_OFFSET = 2; // type 6 -> 8, type 7 -> 9

int StoredOperation(int operation) { return operation >= 1 && operation <= 3 ? operation : 0; }
} // namespace

// --- Start ------------------------------------------------------------------------------

void CQuorvex_QVR_K115_ZQX_FIELDStart::SetDefaults()
{
    std::copy(std::begin(START_DEFAULT), std::end(START_DEFAULT), m_pData);
}

void CQuorvex_QVR_K115_ZQX_FIELDStart::SetInitialState(int relay, int state)
{
    if (relay == 0)
        StartPowerOn.Set(m_pData, state == RELAY_STATE_ON ? 1 : 0);
}

void CQuorvex_QVR_K115_ZQX_FIELDStart::SetStartDelay(int option)
{
    StartDelay.Set(m_pData, option >= 1 && option <= 3 ? option : 0);
}

int CQuorvex_QVR_K115_ZQX_FIELDStart::GetInitialState(int relay) const
{
    if (relay != 0)
        return RELAY_STATE_OFF;
    return StartPowerOn.Get(m_pData) ? RELAY_STATE_ON : RELAY_STATE_OFF;
}

int CQuorvex_QVR_K115_ZQX_FIELDStart::GetStartDelay() const { return StartDelay.Get(m_pData); }

// --- StateChange ------------------------------------------------------------------------

void CQuorvex_QVR_K115_ZQX_FIELDStateChange::SetDefaults()
{
    std::copy(std::begin(STATE_CHANGE_DEFAULT), std::end(STATE_CHANGE_DEFAULT), m_pData);
}

void CQuorvex_QVR_K115_ZQX_FIELDStateChange::SetRelayOperation(int relay, int operation)
{
    if (relay == 0)
        StateOperation.Set(m_pData, StoredOperation(operation));
}

int CQuorvex_QVR_K115_ZQX_FIELDStateChange::GetRelayOperation(int relay) const
{
    return relay == 0 ? StateOperation.Get(m_pData) : 0;
}

void CQuorvex_QVR_K115_ZQX_FIELDStateChange::SetJump(int target) { StateJump.Set(m_pData, target); }
int CQuorvex_QVR_K115_ZQX_FIELDStateChange::GetJump() const { return StateJump.Get(m_pData); }

// --- Condition --------------------------------------------------------------------------

void CQuorvex_QVR_K115_ZQX_FIELDCondition::SetDefaults()
{
    std::copy(std::begin(CONDITION_DEFAULT), std::end(CONDITION_DEFAULT), m_pData);
}

void CQuorvex_QVR_K115_ZQX_FIELDCondition::WriteCode()
{
    if (m_nType == CONDITION_NONE || m_nSource == TERM_SOURCE_NONE)
        ConditionCode.Set(m_pData, 0);
    else if (m_nType >= CONDITION_OFF && m_nType <= CONDITION_EDGE && m_nSource == TERM_SOURCE_INPUT)
        ConditionCode.Set(m_pData, m_nType);
    else if ((m_nType == CONDITION_BRANCH_ON_ALT || m_nType == CONDITION_BRANCH_ON_JUMP)
             && (m_nSource == TERM_SOURCE_INPUT || m_nSource == TERM_SOURCE_OUTPUT))
        ConditionCode.Set(m_pData, m_nType + (m_nSource == TERM_SOURCE_OUTPUT ? CODE_OUTPUT_BRANCH_OFFSET : 0));
    // Any other combination leaves the stored code as it is.
}

void CQuorvex_QVR_K115_ZQX_FIELDCondition::SetConditionType(int type)
{
    m_nType = type;
    WriteCode();
}

int CQuorvex_QVR_K115_ZQX_FIELDCondition::GetConditionCode() const { return ConditionCode.Get(m_pData); }

int CQuorvex_QVR_K115_ZQX_FIELDCondition::GetConditionType() const
{
    const int code = GetConditionCode();
    if (code >= 1 && code <= 7)
        return code;
    if (code == 8 || code == 9)
        return code - CODE_OUTPUT_BRANCH_OFFSET;
    return CONDITION_NONE;
}

void CQuorvex_QVR_K115_ZQX_FIELDCondition::SetTerm(int term, int op, int source, int number, int negated)
{
    if (term != 0 || op != TERM_OP_NONE || number != 1 || negated != 0)
        return;
    m_nSource = source;
    WriteCode();
}

int CQuorvex_QVR_K115_ZQX_FIELDCondition::GetTerm(int term, int* op, int* number, int* negated) const
{
    const int code = GetConditionCode();
    int source = TERM_SOURCE_NONE;
    if (term == 0 && code >= 1 && code <= 7)
        source = TERM_SOURCE_INPUT;
    else if (term == 0 && (code == 8 || code == 9))
        source = TERM_SOURCE_OUTPUT;
    if (op) *op = TERM_OP_NONE;
    if (number) *number = source ? 1 : 0;
    if (negated) *negated = 0;
    return source;
}

void CQuorvex_QVR_K115_ZQX_FIELDCondition::SetJump(int target) { ConditionJump.Set(m_pData, target); }
int CQuorvex_QVR_K115_ZQX_FIELDCondition::GetJump() const { return ConditionJump.Get(m_pData); }
void CQuorvex_QVR_K115_ZQX_FIELDCondition::SetAltJump(int target) { ConditionAltJump.Set(m_pData, target); }
int CQuorvex_QVR_K115_ZQX_FIELDCondition::GetAltJump() const { return ConditionAltJump.Get(m_pData); }

// --- Time -------------------------------------------------------------------------------

void CQuorvex_QVR_K115_ZQX_FIELDTime::SetDefaults()
{
    std::copy(std::begin(TIME_DEFAULT), std::end(TIME_DEFAULT), m_pData);
}

void CQuorvex_QVR_K115_ZQX_FIELDTime::WriteCode()
{
    // A stop condition of this model always tests the input.
    if (m_nType == CONDITION_NONE || m_nSource == TERM_SOURCE_NONE)
        TimeStopType.Set(m_pData, 0);
    else if (m_nType >= CONDITION_OFF && m_nType <= CONDITION_EDGE && m_nSource == TERM_SOURCE_INPUT)
        TimeStopType.Set(m_pData, m_nType);
}

void CQuorvex_QVR_K115_ZQX_FIELDTime::SetConditionType(int type)
{
    m_nType = type;
    WriteCode();
}

int CQuorvex_QVR_K115_ZQX_FIELDTime::GetConditionType() const
{
    const int type = TimeStopType.Get(m_pData);
    return type >= CONDITION_OFF && type <= CONDITION_EDGE ? type : CONDITION_NONE;
}

void CQuorvex_QVR_K115_ZQX_FIELDTime::SetTerm(int term, int op, int source, int number, int negated)
{
    if (term != 0 || op != TERM_OP_NONE || number != 1 || negated != 0)
        return;
    m_nSource = source;
    WriteCode();
}

int CQuorvex_QVR_K115_ZQX_FIELDTime::GetTerm(int term, int* op, int* number, int* negated) const
{
    const int source = term == 0 && GetConditionType() != CONDITION_NONE ? TERM_SOURCE_INPUT : TERM_SOURCE_NONE;
    if (op) *op = TERM_OP_NONE;
    if (number) *number = source ? 1 : 0;
    if (negated) *negated = 0;
    return source;
}

void CQuorvex_QVR_K115_ZQX_FIELDTime::SetFixedTime(int flag) { TimeFixed.Set(m_pData, flag == 1 ? 1 : 0); }
int CQuorvex_QVR_K115_ZQX_FIELDTime::IsFixedTime() const { return TimeFixed.Get(m_pData); }

void CQuorvex_QVR_K115_ZQX_FIELDTime::SetTimeUnit(int unit)
{
    TimeUnitBits.Set(m_pData, unit >= 1 && unit <= 6 ? unit : 0);
}

int CQuorvex_QVR_K115_ZQX_FIELDTime::GetTimeUnit() const
{
    const int unit = TimeUnitBits.Get(m_pData);
    return unit <= 6 ? unit : 0;
}

void CQuorvex_QVR_K115_ZQX_FIELDTime::SetJump(int target) { TimeJump.Set(m_pData, target); }
int CQuorvex_QVR_K115_ZQX_FIELDTime::GetJump() const { return TimeJump.Get(m_pData); }
void CQuorvex_QVR_K115_ZQX_FIELDTime::SetTimeValue(int mantissa) { TimeMantissa.Set(m_pData, mantissa); }
int CQuorvex_QVR_K115_ZQX_FIELDTime::GetTimeValue() const { return TimeMantissa.Get(m_pData); }
