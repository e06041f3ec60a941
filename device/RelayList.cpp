#include "RelayList.h"

#include "DeviceProtocol.h"

#include <algorithm>

using namespace DeviceProtocol;

QString DeviceDisplayName(int deviceType)
{
    switch (deviceType) {
    case 1: return QStringLiteral("QVR USB Time Relay");
    case 2: return QStringLiteral("QVS USB Time Relay");
    default: return QStringLiteral("????");
    }
}

QString DeviceVersionText(std::uint8_t identification)
{
    return QStringLiteral("%1.%2").arg(DeviceType(identification)).arg(Revision(identification));
}

QString CRelayList::GetPortName(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].portName : QString();
}

QString CRelayList::GetDisplayName(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].displayName : QString();
}

int CRelayList::GetDeviceType(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].deviceType : 0;
}

int CRelayList::GetRevision(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].revision : 0;
}

void CRelayList::SelectDevice(int i)
{
    if (i >= 0 && i < GetCount())
        m_selected = i;
}

void CRelayList::Clear()
{
    m_entries.clear();
    m_selected = -1;
}

void CRelayList::BeginPass()
{
    for (DeviceEntry& entry : m_entries)
        entry.seen = false;
}

void CRelayList::AddOrMarkIdentified(const QString& portName, std::uint8_t identification)
{
    const std::uint8_t type = std::uint8_t(DeviceType(identification));
    const std::uint8_t revision = std::uint8_t(Revision(identification));
    const QString name = DeviceDisplayName(type);
    for (DeviceEntry& entry : m_entries) {
        if (entry.portName == portName && entry.displayName == name && entry.deviceType == type
            && entry.revision == revision) {
            entry.seen = true;
            return;
        }
    }
    m_entries.push_back(DeviceEntry{name, portName, type, revision, true, false});
}

void CRelayList::EndPass()
{
    if (m_selected >= 0 && m_selected < GetCount() && m_entries[std::size_t(m_selected)].seen)
        m_entries[std::size_t(m_selected)].selectionTag = true;
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [](const DeviceEntry& e) { return !e.seen; }),
                    m_entries.end());
    m_selected = -1;
    for (int i = 0; i < GetCount(); ++i) {
        if (m_entries[std::size_t(i)].selectionTag) {
            m_entries[std::size_t(i)].selectionTag = false;
            m_selected = i;
            break;
        }
    }
}

int CRelayList::Candidate(int deviceType, int limit) const
{
    int candidate = -1;
    const int count = std::min(GetCount(), limit);
    QString remembered = SelectedPort();
    for (int i = 0; i < count; ++i) {
        const bool matches = GetDeviceType(i) == deviceType;
        if (!remembered.isEmpty()) {
            // The selected relay's port: kept when its relay fits the program; a relay there
            // that does not fit gives up the remembered port, and the rule below applies.
            if (GetPortName(i) == remembered) {
                if (matches && candidate < 0)
                    candidate = i;
                if (!matches)
                    remembered.clear();
            }
        } else if (matches) {
            candidate = i;
        }
    }
    return candidate;
}
