#pragma once
// The member dialogs of each relay model, one final class per template. Model QVS_K115_318
// differs where its steps differ: two relays, and condition expressions of up to three terms.

#include "DialogIds.h"
#include "StepDialogMembers.h"
#include "TextIds.h"

// Entry index -> stored code of the power-on and operation boxes.
inline constexpr std::array<int, 4> QVR_POWER_ON_CODES = {RELAY_STATE_ON, RELAY_STATE_OFF, 0, 0};
inline constexpr std::array<int, 4> QVS_POWER_ON_CODES = {RELAY_STATE_NOT_SET, RELAY_STATE_ON, RELAY_STATE_OFF, 0};
inline constexpr std::array<int, 4> OPERATION_CODES = {RELAY_OP_UNCHANGED, RELAY_OP_OFF, RELAY_OP_ON, RELAY_OP_TOGGLE};

// --- Model QVR_K115_ZQX -----------------------------------------------------------------

class CQVR_K115_ZQXStartOnPowerOnDialog final : public CStartOnPowerOnDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_START_ON_POWER_ON;
    explicit CQVR_K115_ZQXStartOnPowerOnDialog(QWidget* parent = nullptr)
        : CStartOnPowerOnDialog(TEMPLATE_ID, FIELD_START, DialogIds::IDC_POWER_ON_GROUP,
                                Language::TEXT_POWER_ON_STATE,
                                {{DialogIds::IDC_QVR_POWER_ON, 0, Language::TEXT_QVR_POWER_ON_ON, 2, QVR_POWER_ON_CODES}},
                                parent)
    {
    }
};

class CQVR_K115_ZQXStartDelayDialog final : public CStartDelayDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_START_DELAY;
    explicit CQVR_K115_ZQXStartDelayDialog(QWidget* parent = nullptr) : CStartDelayDialog(TEMPLATE_ID, parent) {}
};

class CQVR_K115_ZQXStateChangeOperationOnRelayDialog final : public COperationOnRelayDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_STATE_CHANGE_OPERATION;
    explicit CQVR_K115_ZQXStateChangeOperationOnRelayDialog(QWidget* parent = nullptr)
        : COperationOnRelayDialog(TEMPLATE_ID, FIELD_STATE_CHANGE, DialogIds::IDC_OPERATION_GROUP,
                                  Language::TEXT_RELAY_OPERATION,
                                  {{DialogIds::IDC_QVR_OPERATION, 0, Language::TEXT_QVR_OPERATION_0, 4, OPERATION_CODES}},
                                  parent)
    {
    }
};

class CQVR_K115_ZQXStateChangeJumpOperationDialog final : public CStateChangeJumpDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_STATE_CHANGE_JUMP;
    explicit CQVR_K115_ZQXStateChangeJumpOperationDialog(QWidget* parent = nullptr)
        : CStateChangeJumpDialog(TEMPLATE_ID, parent)
    {
    }
};

class CQVR_K115_ZQXConditionConditionDialog final : public CSingleTermConditionDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_CONDITION_CONDITION;
    explicit CQVR_K115_ZQXConditionConditionDialog(QWidget* parent = nullptr)
        : CSingleTermConditionDialog(TEMPLATE_ID, parent)
    {
    }
};

class CQVR_K115_ZQXConditionJumpOperationDialog final : public CConditionJumpDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_CONDITION_JUMP;
    explicit CQVR_K115_ZQXConditionJumpOperationDialog(QWidget* parent = nullptr)
        : CConditionJumpDialog(TEMPLATE_ID, parent)
    {
    }
};

class CQVR_K115_ZQXTimeTimeDialog final : public CTimeDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_TIME_TIME;
    explicit CQVR_K115_ZQXTimeTimeDialog(QWidget* parent = nullptr) : CTimeDialog(TEMPLATE_ID, parent) {}
};

class CQVR_K115_ZQXTimeConditionDialog final : public CTimeConditionDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVR_TIME_CONDITION;
    explicit CQVR_K115_ZQXTimeConditionDialog(QWidget* parent = nullptr)
        : CTimeConditionDialog(TEMPLATE_ID,
                               {Language::TEXT_STOP_CONDITION, Language::TEXT_QVR_STOP_CONDITION_0, 0, 0, 0, 0},
                               parent)
    {
    }
};

// --- Model QVS_K115_318 -----------------------------------------------------------------

class CQVS_K115_318StartOnPowerOnDialog final : public CStartOnPowerOnDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_START_ON_POWER_ON;
    explicit CQVS_K115_318StartOnPowerOnDialog(QWidget* parent = nullptr)
        : CStartOnPowerOnDialog(
              TEMPLATE_ID, FIELD_START, DialogIds::IDC_POWER_ON_GROUP, Language::TEXT_QVS_POWER_ON_GROUP,
              {{DialogIds::IDC_QVS_POWER_ON_RELAY1, 0, Language::TEXT_QVS_POWER_ON_RELAY1_0, 3, QVS_POWER_ON_CODES},
               {DialogIds::IDC_QVS_POWER_ON_RELAY2, 1, Language::TEXT_QVS_POWER_ON_RELAY2_0, 3, QVS_POWER_ON_CODES}},
              parent)
    {
    }
};

class CQVS_K115_318StartDelayDialog final : public CStartDelayDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_START_DELAY;
    explicit CQVS_K115_318StartDelayDialog(QWidget* parent = nullptr) : CStartDelayDialog(TEMPLATE_ID, parent) {}
};

class CQVS_K115_318StateChangeOperationOnRelayDialog final : public COperationOnRelayDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_STATE_CHANGE_OPERATION;
    explicit CQVS_K115_318StateChangeOperationOnRelayDialog(QWidget* parent = nullptr)
        : COperationOnRelayDialog(
              TEMPLATE_ID, FIELD_STATE_CHANGE, DialogIds::IDC_OPERATION_GROUP, Language::TEXT_QVS_OPERATION_GROUP,
              {{DialogIds::IDC_QVS_OPERATION_RELAY1, 0, Language::TEXT_QVS_OPERATION_RELAY1_0, 4, OPERATION_CODES},
               {DialogIds::IDC_QVS_OPERATION_RELAY2, 1, Language::TEXT_QVS_OPERATION_RELAY2_0, 4, OPERATION_CODES}},
              parent)
    {
    }
};

class CQVS_K115_318StateChangeJumpOperationDialog final : public CStateChangeJumpDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_STATE_CHANGE_JUMP;
    explicit CQVS_K115_318StateChangeJumpOperationDialog(QWidget* parent = nullptr)
        : CStateChangeJumpDialog(TEMPLATE_ID, parent)
    {
    }
};

class CQVS_K115_318ConditionConditionDialog final : public CExpressionConditionDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_CONDITION_CONDITION;
    explicit CQVS_K115_318ConditionConditionDialog(QWidget* parent = nullptr)
        : CExpressionConditionDialog(TEMPLATE_ID, parent)
    {
    }
};

class CQVS_K115_318ConditionJumpOperationDialog final : public CConditionJumpDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_CONDITION_JUMP;
    explicit CQVS_K115_318ConditionJumpOperationDialog(QWidget* parent = nullptr)
        : CConditionJumpDialog(TEMPLATE_ID, parent)
    {
    }
};

class CQVS_K115_318TimeTimeDialog final : public CTimeDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_TIME_TIME;
    explicit CQVS_K115_318TimeTimeDialog(QWidget* parent = nullptr) : CTimeDialog(TEMPLATE_ID, parent) {}
};

class CQVS_K115_318TimeConditionDialog final : public CTimeConditionDialog {
public:
    static constexpr int TEMPLATE_ID = DialogIds::IDD_QVS_TIME_CONDITION;
    explicit CQVS_K115_318TimeConditionDialog(QWidget* parent = nullptr)
        : CTimeConditionDialog(TEMPLATE_ID,
                               {Language::TEXT_QVS_STOP_CONDITION_GROUP, Language::TEXT_QVS_STOP_CONDITION_0,
                                Language::TEXT_QVS_STOP_CONDITION_LABEL_1, Language::TEXT_QVS_STOP_CONDITION_LABEL_2,
                                Language::TEXT_QVS_STOP_OPERATOR_0, Language::TEXT_QVS_STOP_TERM_0},
                               parent)
    {
    }
};
