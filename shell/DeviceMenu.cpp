#include "DeviceMenu.h"

#include "CommandIds.h"
#include "Device.h"

#include <algorithm>

DeviceMenuPlan PlanDeviceMenu(const CDevice& device, int documentType)
{
    DeviceMenuPlan plan;
    const int count = std::min(device.GetCount(), CommandIds::DEVICE_COMMAND_COUNT);
    QString remembered = device.GetPortName(device.GetSelected());
    for (int i = 0; i < count; ++i) {
        const bool matches = device.GetDeviceType(i) == documentType;
        plan.entries.push_back({device.GetDisplayName(i), device.GetPortName(i), matches});
        if (!remembered.isEmpty()) {
            // The selected relay's port: kept when its relay fits the program; a relay there
            // that does not fit gives up the remembered port, and the rule below applies.
            if (device.GetPortName(i) == remembered) {
                if (matches && plan.candidate < 0)
                    plan.candidate = i;
                if (!matches)
                    remembered.clear();
            }
        } else if (matches) {
            plan.candidate = i;
        }
    }
    return plan;
}
