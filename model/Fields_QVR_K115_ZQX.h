#pragma once
// Field accessors of model QVR_K115_ZQX: one channel, one relay, one input.

#include "Fields.h"

class CQuorvex_QVR_K115_ZQX_FIELDStart final : public CQuorvexFIELDStart {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 1; }
    void SetInitialState(int relay, int state) override;
    void SetStartDelay(int option) override;
    int GetInitialState(int relay) const override;
    int GetStartDelay() const override;
};

class CQuorvex_QVR_K115_ZQX_FIELDStateChange final : public CQuorvexFIELDStateChange {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 1; }
    void SetRelayOperation(int relay, int operation) override;
    int GetRelayOperation(int relay) const override;
    void SetJump(int target) override;
    int GetJump() const override;
};

// The single-term condition of this model is one code; the accessor remembers the last type
// and source it was given and rewrites the code from both after either changes.
class CQuorvex_QVR_K115_ZQX_FIELDCondition final : public CQuorvexFIELDCondition {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 1; }
    void SetConditionType(int type) override;
    int GetConditionType() const override;
    void SetTerm(int term, int op, int source, int number, int negated) override;
    int GetTerm(int term, int* op, int* number, int* negated) const override;
    void SetJump(int target) override;
    int GetJump() const override;
    void SetAltJump(int target) override;
    int GetAltJump() const override;

    // Condition code 0..9 stored in the field.
    int GetConditionCode() const;

private:
    void WriteCode();
    int m_nType = 0;
    int m_nSource = 0;
};

class CQuorvex_QVR_K115_ZQX_FIELDTime final : public CQuorvexFIELDTime {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 1; }
    void SetConditionType(int type) override;
    int GetConditionType() const override;
    void SetTerm(int term, int op, int source, int number, int negated) override;
    int GetTerm(int term, int* op, int* number, int* negated) const override;
    void SetFixedTime(int flag) override;
    int IsFixedTime() const override;
    void SetTimeUnit(int unit) override;
    int GetTimeUnit() const override;
    void SetJump(int target) override;
    int GetJump() const override;
    void SetTimeValue(int mantissa) override;
    int GetTimeValue() const override;

private:
    void WriteCode();
    int m_nType = 0;
    int m_nSource = 0;
};

class CQuorvex_QVR_K115_ZQX_FIELDStop final : public CQuorvexFIELDStop {
public:
    int GetChannelCount() const override { return 1; }
};

class CQuorvex_QVR_K115_ZQX_FieldSet final : public CQuorvexFieldSet {
public:
    CQuorvexFIELDStart& Start() override { return m_start; }
    CQuorvexFIELDStateChange& StateChange() override { return m_stateChange; }
    CQuorvexFIELDCondition& Condition() override { return m_condition; }
    CQuorvexFIELDTime& Time() override { return m_time; }
    CQuorvexFIELDStop& Stop() override { return m_stop; }

private:
    CQuorvex_QVR_K115_ZQX_FIELDStart m_start;
    CQuorvex_QVR_K115_ZQX_FIELDStateChange m_stateChange;
    CQuorvex_QVR_K115_ZQX_FIELDCondition m_condition;
    CQuorvex_QVR_K115_ZQX_FIELDTime m_time;
    CQuorvex_QVR_K115_ZQX_FIELDStop m_stop;
};
