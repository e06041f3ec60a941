#pragma once
// Template and control identifiers of the step editor and common settings dialogs. The
// dialogs report a user change as (template ID, control ID) and the pane reads the control
// back by these IDs, so they are the dialogs' contract with the pane. A control ID is unique
// within its template only; the same number serves several templates.

namespace DialogIds {

// Step dialog templates, model QVR_K115_ZQX.
constexpr int IDD_QVR_START_ON_POWER_ON = 224;
constexpr int IDD_QVR_START_DELAY = 225;
constexpr int IDD_QVR_STATE_CHANGE_OPERATION = 226;
constexpr int IDD_QVR_STATE_CHANGE_JUMP = 227;
constexpr int IDD_QVR_CONDITION_CONDITION = 203;
constexpr int IDD_QVR_CONDITION_JUMP = 228;
constexpr int IDD_QVR_TIME_TIME = 201;
constexpr int IDD_QVR_TIME_CONDITION = 229;

// Step dialog templates, model QVS_K115_318.
constexpr int IDD_QVS_START_ON_POWER_ON = 274;
constexpr int IDD_QVS_START_DELAY = 273;
constexpr int IDD_QVS_STATE_CHANGE_OPERATION = 276;
constexpr int IDD_QVS_STATE_CHANGE_JUMP = 275;
constexpr int IDD_QVS_CONDITION_CONDITION = 277;
constexpr int IDD_QVS_CONDITION_JUMP = 278;
constexpr int IDD_QVS_TIME_TIME = 280;
constexpr int IDD_QVS_TIME_CONDITION = 279;

// Common settings templates.
constexpr int IDD_QVR_BUTTONS = 204;
constexpr int IDD_QVS_BUTTONS = 282;
constexpr int IDD_QVR_RELAY = 205;
constexpr int IDD_QVS_RELAY = 281;
constexpr int IDD_POTENTIOMETER = 206;

// Start: power-on state and start delay.
constexpr int IDC_POWER_ON_GROUP = 1036;
constexpr int IDC_QVR_POWER_ON = 1031;        // 2 entries: on, off
constexpr int IDC_QVS_POWER_ON_RELAY1 = 1060; // 3 entries: not set, on, off
constexpr int IDC_QVS_POWER_ON_RELAY2 = 1061;
constexpr int IDC_START_DELAY_GROUP = 1032;
constexpr int IDC_START_DELAY = 1033;         // 4 entries: option 0..3

// State change: relay operation and jump.
constexpr int IDC_OPERATION_GROUP = 1037;
constexpr int IDC_QVR_OPERATION = 1042;       // 4 entries: operation 0..3
constexpr int IDC_QVS_OPERATION_RELAY1 = 1061;
constexpr int IDC_QVS_OPERATION_RELAY2 = 1043;
constexpr int IDC_STATE_JUMP_GROUP = 1039;

// A jump: an on/off box (0 no jump, 1 jump) and a target box (index = step index 0..36).
// The state-change jump dialog and the time-condition dialog use 1040/1049.
constexpr int IDC_JUMP_ON_OFF = 1040;
constexpr int IDC_JUMP_TARGET = 1049;

// Condition: the condition box, the expression boxes of model QVS_K115_318, the jump dialog.
constexpr int IDC_CONDITION_GROUP = 1022;
constexpr int IDC_CONDITION = 1010;
constexpr int IDC_EXPRESSION_LABEL = 1079;
constexpr int IDC_EXPRESSION_LABEL_2 = 1086;  // time-condition dialog, model QVS_K115_318
constexpr int IDC_TERM_1 = 1011;
constexpr int IDC_OPERATOR_1 = 1012;
constexpr int IDC_TERM_2 = 1013;
constexpr int IDC_OPERATOR_2 = 1014;
constexpr int IDC_TERM_3 = 1015;
constexpr int IDC_CONDITION_JUMP_GROUP = 1050;
constexpr int IDC_CONDITION_JUMP_LABEL = 1052;     // text by condition class
constexpr int IDC_CONDITION_ALT_JUMP_LABEL = 1048;
constexpr int IDC_CONDITION_JUMP_ON_OFF = 1044;
constexpr int IDC_CONDITION_JUMP_TARGET = 1045;
constexpr int IDC_CONDITION_ALT_JUMP_ON_OFF = 1046;
constexpr int IDC_CONDITION_ALT_JUMP_TARGET = 1047;

// Time: source, unit, value and the resulting time text (the potentiometer dialog uses the
// same numbers for its unit label, unit box, track bar and time text).
constexpr int IDC_TIME_GROUP = 1000;
constexpr int IDC_TIME_SOURCE = 1001;
constexpr int IDC_TIME_SOURCE_LABEL = 1002;
constexpr int IDC_TIME_UNIT_LABEL = 1003;
constexpr int IDC_TIME_UNIT = 1004;
constexpr int IDC_TIME_VALUE = 1005;          // track bar 12..128
constexpr int IDC_TIME_TEXT = 1007;          // the time; a typed time sets unit and value

// Common settings: input buttons, relay pictures, potentiometer.
constexpr int IDC_BUTTONS_GROUP = 1023;
constexpr int IDC_QVR_MODE_MOMENTARY = 1014;
constexpr int IDC_QVR_MODE_LATCHING = 1015;
constexpr int IDC_QVR_BUTTON = 1051;
constexpr int IDC_QVS_INPUT1_MOMENTARY = 1063;
constexpr int IDC_QVS_INPUT1_LATCHING = 1064;
constexpr int IDC_QVS_INPUT1_BUTTON = 1065;
constexpr int IDC_QVS_INPUT2_MOMENTARY = 1016;
constexpr int IDC_QVS_INPUT2_LATCHING = 1017;
constexpr int IDC_QVS_INPUT2_BUTTON = 1052;
constexpr int IDC_RELAY_GROUP = 1025;
constexpr int IDC_QVR_RELAY_PICTURE = 1026;
constexpr int IDC_QVS_RELAY1_PICTURE = 1066;
constexpr int IDC_QVS_RELAY2_PICTURE = 1027;
constexpr int IDC_QVS_RELAY1_LABEL = 1082;
constexpr int IDC_QVS_RELAY2_LABEL = 1083;
constexpr int IDC_POT_GROUP = 1024;
constexpr int IDC_POT_UNIT_LABEL = 1003;
constexpr int IDC_POT_UNIT = 1004;
constexpr int IDC_POT_VALUE = 1005;
constexpr int IDC_POT_TEXT = 1007;           // the time; a typed time sets unit and value

// Range of every time and potentiometer track bar.
constexpr int TIME_VALUE_MIN = 12;
constexpr int TIME_VALUE_MAX = 128;

} // namespace DialogIds
