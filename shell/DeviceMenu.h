#pragma once
// The Device menu as data: one entry per attached relay, which of them can be chosen for the
// open program, and which one the menu chooses when it opens. No widgets here.

#include <QString>

#include <vector>

class CDevice;

struct DeviceMenuEntry {
    QString caption;     // the relay's display name
    bool matches = false; // a relay of the open program's model
};

struct DeviceMenuPlan {
    std::vector<DeviceMenuEntry> entries;  // at most the ten Device menu commands
    // The entry the menu selects and checks; -1 for none (the selection is then left as it is
    // and no entry carries the check).
    int candidate = -1;
};

// The menu for a relay list and the device type (model number) of the open program. A relay
// still selected keeps the selection when it matches the program; otherwise the last relay
// of the program's model is chosen.
DeviceMenuPlan PlanDeviceMenu(const CDevice& device, int documentType);
