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

} // namespace DeviceDialogIds
