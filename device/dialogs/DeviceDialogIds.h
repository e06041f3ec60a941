#pragma once
// Template and control identifiers of the device dialogs. Tests and callers find a control by
// its ID (each control carries it as its "controlId" property).

namespace DeviceDialogIds {

// Standard buttons.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Relay model question (new program).
constexpr int IDD_QUERY_DEVICE_TYPE = 272;
constexpr int IDC_DEVICE_TYPE_GROUP = 1076;
constexpr int IDC_DEVICE_TYPE_FIRST = 1077;  // model QVR_K115_ZQX
constexpr int IDC_DEVICE_TYPE_SECOND = 1078; // model QVS_K115_318

// Password entry, asked when the relay refuses the remembered password.
constexpr int IDD_DEVICE_PASSWORD = 285;
constexpr int IDC_PASSWORD_PROMPT = 1084;
constexpr int IDC_PASSWORD = 1074;

// Change of the relay password.
constexpr int IDD_CHANGE_PASSWORD = 283;
constexpr int IDC_CURRENT_PASSWORD_LABEL = 1070;
constexpr int IDC_CURRENT_PASSWORD = 1067;
constexpr int IDC_NEW_PASSWORD_LABEL = 1071;
constexpr int IDC_NEW_PASSWORD = 1068;
constexpr int IDC_REPEAT_PASSWORD_LABEL = 1072;
constexpr int IDC_REPEAT_PASSWORD = 1069;

// Question before the relay password is reset.
constexpr int IDD_RESET_PASSWORD_QUERY = 284;
constexpr int IDC_RESET_QUESTION = 1073;

// Identification and version of a relay.
constexpr int IDD_DEVICE_VERSION = 230;
constexpr int IDC_VERSION_FIRST_LINE = 1055;
constexpr int IDC_VERSION_SECOND_LINE = 1056;
constexpr int IDC_VERSION_THIRD_LINE = 1054;

// Most characters a password field takes.
constexpr int PASSWORD_FIELD_LENGTH = 8;

} // namespace DeviceDialogIds
