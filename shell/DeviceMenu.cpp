#include "DeviceMenu.h"

#include "CommandIds.h"
#include "RelayList.h"

#include <algorithm>

DeviceMenuPlan PlanDeviceMenu(const CRelayList& device, int documentType)
{
    DeviceMenuPlan plan;
    const int count = std::min(device.GetCount(), CommandIds::DEVICE_COMMAND_COUNT);
    for (int i = 0; i < count; ++i)
        plan.entries.push_back({device.GetDisplayName(i), device.GetPortName(i), device.GetDeviceType(i) == documentType});
    plan.candidate = device.Candidate(documentType, CommandIds::DEVICE_COMMAND_COUNT);
    return plan;
}
