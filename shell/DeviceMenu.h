#pragma once
// The Device menu as data: one entry per attached relay, which of them can be chosen for the
// open program, and which one is chosen for it (when the menu opens and after every discovery
// pass). No widgets here.

#include <QString>

#include <vector>

class CRelayList;

struct DeviceMenuEntry {
    QString caption;     // the relay's display name
    QString port;        // its port: two relays of one model are told apart by it
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
// of the program's model is chosen. The same rule chooses the relay after a discovery pass,
// so that the relay commands find one without the menu having been opened.
DeviceMenuPlan PlanDeviceMenu(const CRelayList& device, int documentType);
