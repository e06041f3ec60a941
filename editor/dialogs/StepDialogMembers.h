#pragma once
// The member dialogs of the step dialog views, shared by both relay models where their steps
// agree; ModelStepDialogs.h names the final class of each model and template.

#include "StepDialogBase.h"
#include "TimeEntry.h"

#include <array>
#include <vector>

class CTimeEntryField;
class QGridLayout;
class QSlider;

// --- Start and StateChange: one combo box per relay ---------------------------------------

// One combo box of a relay: the entry index stands for a stored code (power-on state or
// relay operation).
struct RelayChoice {
    int controlId;
    int relay;             // 0 relay 1, 1 relay 2
    int firstText;         // texts of the entries, consecutive
    int count;             // number of entries
    std::array<int, 4> codes; // stored code of each entry index
};

class CRelayChoiceDialog : public CStepDialog {
    Q_OBJECT

public:
    CRelayChoiceDialog(int templateId, FieldKind kind, int groupControlId, int groupText,
                       std::vector<RelayChoice> choices, QWidget* parent);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

protected:
    // The stored code of a relay, and writing one; false when the step is of another kind.
    virtual bool ReadCode(const CQuorvexFIELDBase& field, int relay, int* code) const = 0;
    virtual bool WriteCode(CQuorvexFIELDBase& field, int relay, int code) const = 0;

private:
    std::vector<RelayChoice> m_choices;
    std::vector<QComboBox*> m_boxes;
    std::vector<int> m_shown; // selection index of each box as last shown
};

// Power-on state of the relays (Start).
class CStartOnPowerOnDialog : public CRelayChoiceDialog {
    Q_OBJECT
public:
    using CRelayChoiceDialog::CRelayChoiceDialog;

protected:
    bool ReadCode(const CQuorvexFIELDBase& field, int relay, int* code) const override;
    bool WriteCode(CQuorvexFIELDBase& field, int relay, int code) const override;
};

// Operation on the relays (StateChange).
class COperationOnRelayDialog : public CRelayChoiceDialog {
    Q_OBJECT
public:
    using CRelayChoiceDialog::CRelayChoiceDialog;

protected:
    bool ReadCode(const CQuorvexFIELDBase& field, int relay, int* code) const override;
    bool WriteCode(CQuorvexFIELDBase& field, int relay, int code) const override;
};

// --- Start delay ------------------------------------------------------------------------

class CStartDelayDialog : public CStepDialog {
    Q_OBJECT

public:
    CStartDelayDialog(int templateId, QWidget* parent);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

private:
    QComboBox* m_pDelay;
    int m_nShown = -1;
};

// --- StateChange jump -------------------------------------------------------------------

class CStateChangeJumpDialog : public CStepDialog {
    Q_OBJECT

public:
    CStateChangeJumpDialog(int templateId, QWidget* parent);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

private:
    CJumpControls m_jump;
};

// --- Term expressions of model QVS_K115_318 ---------------------------------------------

// Three term boxes with an operator box between each two. An operator showing "none" ends
// the expression there: the boxes after it are greyed (their stored values stay as they are).
class CExpressionControls {
public:
    // The controls, created by their dialog; label 1079 names the expression.
    QLabel* label = nullptr;
    std::array<QComboBox*, 3> terms{};     // 1011, 1013, 1015
    std::array<QComboBox*, 2> operators{}; // 1012, 1014

    static bool IsExpressionControl(int controlId);
    // Lays the controls out from a row of a three-column grid: label, operator, term.
    void Place(QGridLayout* grid, int firstRow);
    void OnLanguageChanged(Language::CLanguageManager& manager, int labelText, int firstOperatorText,
                           int firstTermText);

    // The expression of a step (Condition or Time).
    template <typename Field>
    void Load(const Field& field);
    // Writes term 0, then each further term with its operator, up to an operator of "none".
    template <typename Field>
    void Write(Field& field) const;

    // Whether the step's condition uses the expression at all (greys every box when not).
    void SetUsed(bool used);
    // Re-computes which boxes are usable after the user changed an operator.
    void UpdateEnabled();

    // The user picked an entry of one of the boxes; true when the shown value changed.
    bool UserChanged(int controlId, int index);

private:
    bool m_bUsed = true;
    std::array<int, 5> m_shown{-1, -1, -1, -1, -1}; // by control ID - 1011
};

// --- Condition --------------------------------------------------------------------------

// Base of both models' condition dialogs: the condition box (1010), whose selection index
// decides the condition class the jump dialog adapts to.
class CConditionDialog : public CStepDialog {
    Q_OBJECT

public:
    using CStepDialog::CStepDialog;
    // Selection index of the condition box (-1 when none).
    virtual int ConditionIndex() const = 0;

Q_SIGNALS:
    // The user changed the condition choice.
    void conditionChanged(int templateId, int controlId);
};

// Class of a condition choice: 0 unconditional, 1 wait, 2 branch (two-way).
constexpr int ConditionClass(int index) { return index <= 0 ? 0 : index <= 5 ? 1 : 2; }

// Model QVR_K115_ZQX: ten condition codes (0 unconditional, 1..5 wait on the input, 6 and 7
// branch on the input, 8 and 9 branch on the relay output).
class CSingleTermConditionDialog : public CConditionDialog {
    Q_OBJECT

public:
    CSingleTermConditionDialog(int templateId, QWidget* parent);

    int ConditionIndex() const override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

private:
    QComboBox* m_pCondition;
    int m_nShown = -1;
};

// Model QVS_K115_318: condition type 0..7 and a term expression.
class CExpressionConditionDialog : public CConditionDialog {
    Q_OBJECT

public:
    CExpressionConditionDialog(int templateId, QWidget* parent);

    int ConditionIndex() const override;
    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

private:
    QComboBox* m_pType;
    CExpressionControls m_expression;
    int m_nShown = -1;
};

// The two jumps of a condition step. The first jump is taken when a wait condition is met,
// or, for a two-way condition, on one of its branches; the second (alternative) jump is used
// by two-way conditions only.
class CConditionJumpDialog : public CStepDialog {
    Q_OBJECT

public:
    CConditionJumpDialog(int templateId, QWidget* parent);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

    // Adapts the jump controls to the class of the condition (0 unconditional, 1 wait,
    // 2 two-way).
    void SetConditionClass(int conditionClass);
    int GetConditionClass() const { return m_nClass; }

private:
    void ShowClass();

    QLabel* m_pJumpLabel;
    QLabel* m_pAltJumpLabel;
    CJumpControls m_jump;
    CJumpControls m_altJump;
    int m_nClass = 0;
    QString m_waitText;
    QString m_branchText;
};

// --- Time -------------------------------------------------------------------------------

// Time source (fixed or potentiometer), unit, value (track bar 12..128) and the resulting
// time in a field where a time can also be typed. While the potentiometer gives the time, unit,
// value and time are greyed and empty; the step keeps them, and switching back to a fixed time
// shows them again. A typed time sets unit and value together (the nearest setting when none
// gives it exactly, with a notice that says so).
class CTimeDialog : public CStepDialog {
    Q_OBJECT

public:
    CTimeDialog(int templateId, QWidget* parent);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

private:
    void OnSourceActivated(int index);
    void OnUnitActivated(int index);
    void OnTrackBarAction(int action);
    void OnTimeTyped(const QString& text);
    void Show();
    QString TimeText() const;

    TimeEntry::CTimeEntryReader m_reader;
    QLabel* m_pSourceLabel;
    QComboBox* m_pSource;
    QLabel* m_pUnitLabel;
    QComboBox* m_pUnit;
    QSlider* m_pValue;
    CTimeEntryField* m_pText;
    // What the step holds: the source index (0 fixed, 1 potentiometer), the unit and the
    // value (which may lie outside the track bar's range).
    int m_nSource = 0;
    int m_nUnit = 0;
    int m_nValue = TIME_MANTISSA_ONE;
};

// The stop (interrupt) condition of a time step and the jump taken when it is met; model
// QVS_K115_318 adds its term expression. With no stop condition the jump is greyed.
class CTimeConditionDialog : public CStepDialog {
    Q_OBJECT

public:
    // The texts that differ between the models.
    struct Texts {
        int group;
        int firstCondition;  // six consecutive entries
        int expressionLabel; // 0: no expression (model QVR_K115_ZQX)
        int jumpLabel;       // 0: no label
        int firstOperator;
        int firstTerm;
    };
    CTimeConditionDialog(int templateId, const Texts& texts, QWidget* parent);

    void OnLanguageChanged(Language::CLanguageManager& manager) override;
    void LoadStep(const CQuorvexFIELDBase& field) override;
    bool ApplyChange(int controlId, CQuorvexFIELDBase& field) override;

private:
    bool HasExpression() const { return m_texts.expressionLabel != 0; }
    void OnConditionActivated(int index);

    Texts m_texts;
    QComboBox* m_pCondition;
    CExpressionControls m_expression;
    QLabel* m_pJumpLabel = nullptr;
    CJumpControls m_jump;
    int m_nShown = -1;
};
