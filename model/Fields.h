#pragma once
// Field accessors: short-lived views bound to one field of a document. They hold no copy of
// the field; every setter changes the bound bytes at once, and only its own bits.

#include "LanguageSupport.h"
#include "ModelTypes.h"
#include "TimeControlHelper.h"

#include <cstdint>

class CQuorvexDoc;

// Relay state of a Start field.
enum RelayState : int { RELAY_STATE_NOT_SET = 0, RELAY_STATE_OFF = 1, RELAY_STATE_ON = 2 };
// Relay operation of a StateChange field.
enum RelayOperation : int { RELAY_OP_UNCHANGED = 0, RELAY_OP_OFF = 1, RELAY_OP_ON = 2, RELAY_OP_TOGGLE = 3 };
// Source of a condition term.
enum TermSource : int { TERM_SOURCE_NONE = 0, TERM_SOURCE_INPUT = 1, TERM_SOURCE_OUTPUT = 2 };
// Operator between condition terms; evaluated strictly left to right.
enum TermOperator : int { TERM_OP_NONE = 0, TERM_OP_AND = 1, TERM_OP_OR = 2, TERM_OP_XOR = 3 };
// Condition type: what a Condition waits for, or what stops a Time field.
enum ConditionTypeCode : int {
    CONDITION_NONE = 0,
    CONDITION_OFF = 1,
    CONDITION_ON = 2,
    CONDITION_RISING = 3,
    CONDITION_FALLING = 4,
    CONDITION_EDGE = 5,
    CONDITION_BRANCH_ON_ALT = 6, // signal on -> alternative target, off -> jump target
    CONDITION_BRANCH_ON_JUMP = 7, // signal on -> jump target, off -> alternative target
};

// 3-bit term code of model QVS_K115_318: (source - 1) * 4 + (number - 1) * 2 + negated.
constexpr int TermCode(int source, int number, int negated)
{
    return (source - 1) * 4 + (number - 1) * 2 + (negated ? 1 : 0);
}
constexpr int TermCodeSource(int code) { return code / 4 + 1; }
constexpr int TermCodeNumber(int code) { return (code / 2) % 2 + 1; }
constexpr int TermCodeNegated(int code) { return code % 2; }

class CQuorvexFIELDBase {
public:
    virtual ~CQuorvexFIELDBase() = default;

    virtual void SetDefaults() = 0;
    virtual int GetChannelCount() const = 0;
    virtual FieldKind GetKind() const = 0;

    // Binds the accessor; returns 1, or 0 (binding nothing) for a null document or address,
    // a channel outside the accessor's model or an index outside 0..36. The kind of the field
    // at that index is not checked: callers pick the accessor from GetFieldData's kind.
    int Attach(CQuorvexDoc* doc, int channel, int fieldIndex, std::uint8_t* data);

    CQuorvexDoc* GetDoc() { return m_pDoc; }
    const CQuorvexDoc* GetDoc() const { return m_pDoc; }
    int GetChannel() const { return m_nChannel; }
    int GetFieldIndex() const { return m_nFieldIndex; }
    bool IsAttached() const { return m_pData != nullptr; }

protected:
    friend class CQuorvexFieldSet;
    // Binding for CQuorvexFieldSet::BindReadOnly, which hands the accessor out only as const:
    // the stored pointers are those a setter would need, but no setter can be reached.
    int AttachReadOnly(const CQuorvexDoc* doc, int channel, int fieldIndex, const std::uint8_t* data)
    {
        return Attach(const_cast<CQuorvexDoc*>(doc), channel, fieldIndex, const_cast<std::uint8_t*>(data));
    }

    CQuorvexDoc* m_pDoc = nullptr;
    int m_nChannel = 0;
    int m_nFieldIndex = 0;
    std::uint8_t* m_pData = nullptr;
};

class CQuorvexFIELDStart : public CQuorvexFIELDBase, public Language::CLanguageSupport {
public:
    FieldKind GetKind() const override { return FIELD_START; }
    virtual void SetInitialState(int relay, int state) = 0;
    virtual void SetStartDelay(int option) = 0;
    virtual int GetInitialState(int relay) const = 0;
    virtual int GetStartDelay() const = 0;
};

class CQuorvexFIELDStateChange : public CQuorvexFIELDBase, public Language::CLanguageSupport {
public:
    FieldKind GetKind() const override { return FIELD_STATE_CHANGE; }
    virtual void SetRelayOperation(int relay, int operation) = 0;
    virtual int GetRelayOperation(int relay) const = 0;
    virtual void SetJump(int target) = 0;
    virtual int GetJump() const = 0;
};

class CQuorvexFIELDCondition : public CQuorvexFIELDBase, public Language::CLanguageSupport {
public:
    FieldKind GetKind() const override { return FIELD_CONDITION; }
    virtual void SetConditionType(int type) = 0;
    virtual int GetConditionType() const = 0;
    virtual void SetTerm(int term, int op, int source, int number, int negated) = 0;
    virtual int GetTerm(int term, int* op, int* number, int* negated) const = 0;
    virtual void SetJump(int target) = 0;
    virtual int GetJump() const = 0;
    virtual void SetAltJump(int target) = 0;
    virtual int GetAltJump() const = 0;
};

class CQuorvexFIELDTime : public CQuorvexFIELDBase, public CTimeControlHelper {
public:
    FieldKind GetKind() const override { return FIELD_TIME; }
    virtual void SetConditionType(int type) = 0;
    virtual int GetConditionType() const = 0;
    virtual void SetTerm(int term, int op, int source, int number, int negated) = 0;
    virtual int GetTerm(int term, int* op, int* number, int* negated) const = 0;
    virtual void SetFixedTime(int flag) = 0;
    virtual int IsFixedTime() const = 0;
    virtual void SetTimeUnit(int unit) = 0;
    virtual int GetTimeUnit() const = 0;
    virtual void SetJump(int target) = 0;
    virtual int GetJump() const = 0;
    virtual void SetTimeValue(int mantissa) = 0;
    virtual int GetTimeValue() const = 0;
};

class CQuorvexFIELDStop : public CQuorvexFIELDBase, public Language::CLanguageSupport {
public:
    FieldKind GetKind() const override { return FIELD_STOP; }
    void SetDefaults() override {}
};

// One accessor of each kind for one model, and the binding of the right one to a field.
// Panes keep such sets (one for drawing, one for the simulator); callers rebind per field.
class CQuorvexFieldSet {
public:
    virtual ~CQuorvexFieldSet() = default;
    virtual CQuorvexFIELDStart& Start() = 0;
    virtual CQuorvexFIELDStateChange& StateChange() = 0;
    virtual CQuorvexFIELDCondition& Condition() = 0;
    virtual CQuorvexFIELDTime& Time() = 0;
    virtual CQuorvexFIELDStop& Stop() = 0;

    CQuorvexFIELDBase& OfKind(FieldKind kind);
    // Asks the document for the field's address and kind and binds the accessor of that kind;
    // null when the field cannot be bound (channel or index out of range).
    CQuorvexFIELDBase* Bind(CQuorvexDoc* doc, int channel, int fieldIndex);
    // The same for reading a const document (painting, printing): the accessor comes back
    // const, so only its getters can be called. Null when the field cannot be bound.
    const CQuorvexFIELDBase* BindReadOnly(const CQuorvexDoc* doc, int channel, int fieldIndex);
};
