#pragma once
// Field accessors of model QVS_K115_318: two channels, two relays, two inputs, conditions
// of up to three terms.

#include "Fields.h"

#include <QString>

// Cached texts of a term expression: its label and the names of the eight term codes.
struct CQuorvexExpressionTexts {
    QString label;
    QString terms[8];
};

class CQuorvex_QVS_K115_318_FIELDStart final : public CQuorvexFIELDStart {
public:
    // The Start field is shared: byte c holds channel c's power-on states, byte 0 the delay.
    void SetDefaults() override;
    int GetChannelCount() const override { return 2; }
    void SetInitialState(int relay, int state) override;
    void SetStartDelay(int option) override;
    int GetInitialState(int relay) const override;
    int GetStartDelay() const override;
};

class CQuorvex_QVS_K115_318_FIELDStateChange final : public CQuorvexFIELDStateChange {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 2; }
    void SetRelayOperation(int relay, int operation) override;
    int GetRelayOperation(int relay) const override;
    void SetJump(int target) override;
    int GetJump() const override;
};

class CQuorvex_QVS_K115_318_FIELDCondition final : public CQuorvexFIELDCondition {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 2; }
    void SetConditionType(int type) override;
    int GetConditionType() const override;
    void SetTerm(int term, int op, int source, int number, int negated) override;
    int GetTerm(int term, int* op, int* number, int* negated) const override;
    void SetJump(int target) override;
    int GetJump() const override;
    void SetAltJump(int target) override;
    int GetAltJump() const override;

    // Re-reads the expression label and term names of the new language.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    // "<label> = <term> <op> <term> ...": the terms of the expression with the operators
    // between them (& | ^; && for drawing, where a single & would mark a mnemonic).
    QString DescribeExpression(bool forDrawing) const;

private:
    CQuorvexExpressionTexts m_expressionTexts;
};

class CQuorvex_QVS_K115_318_FIELDTime final : public CQuorvexFIELDTime {
public:
    void SetDefaults() override;
    int GetChannelCount() const override { return 2; }
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

    // Re-reads the expression label and term names of the new language.
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    // "<label> = <term> <op> <term> ...": the terms of the expression with the operators
    // between them (& | ^; && for drawing, where a single & would mark a mnemonic).
    QString DescribeExpression(bool forDrawing) const;

private:
    CQuorvexExpressionTexts m_expressionTexts;
};

class CQuorvex_QVS_K115_318_FIELDStop final : public CQuorvexFIELDStop {
public:
    int GetChannelCount() const override { return 2; }
};

class CQuorvex_QVS_K115_318_FieldSet final : public CQuorvexFieldSet {
public:
    CQuorvexFIELDStart& Start() override { return m_start; }
    CQuorvexFIELDStateChange& StateChange() override { return m_stateChange; }
    CQuorvexFIELDCondition& Condition() override { return m_condition; }
    CQuorvexFIELDTime& Time() override { return m_time; }
    CQuorvexFIELDStop& Stop() override { return m_stop; }

private:
    CQuorvex_QVS_K115_318_FIELDStart m_start;
    CQuorvex_QVS_K115_318_FIELDStateChange m_stateChange;
    CQuorvex_QVS_K115_318_FIELDCondition m_condition;
    CQuorvex_QVS_K115_318_FIELDTime m_time;
    CQuorvex_QVS_K115_318_FIELDStop m_stop;
};

// Value of a term expression for the given input and output states (index 0 and 1 stand
// for input/relay 1 and 2): left to right, no precedence, operator 1 of 0 ends it.
bool EvaluateTermExpression(const CQuorvexFIELDCondition& field, const int inputs[2], const int outputs[2]);
bool EvaluateTermExpression(const CQuorvexFIELDTime& field, const int inputs[2], const int outputs[2]);
