#pragma once
// The list of attached relays with the user's choice: the entries a discovery pass leaves, the
// selection carried across passes, and the rule that chooses the relay for a program's model.
// Pure data: no port is opened here (discovery identifies the relays, Discovery.h).

#include <QString>

#include <cstdint>
#include <vector>

// One relay found by discovery.
struct DeviceEntry {
    QString displayName;     // by device type; also the menu caption
    QString portName;        // system location of the port (e.g. /dev/ttyACM0)
    std::uint8_t deviceType = 0;
    std::uint8_t revision = 0;
    bool seen = true;        // found by the current discovery pass
    bool selectionTag = false;  // carries the selection while a pass ends
};

// Caption of a relay of a device type: fixed texts, not language texts.
QString DeviceDisplayName(int deviceType);
// Version text "type.revision" of an identification byte, e.g. "2.3".
QString DeviceVersionText(std::uint8_t identification);

class CRelayList {
public:
    int GetCount() const { return int(m_entries.size()); }
    // Nothing (empty, 0) for an index out of range.
    QString GetPortName(int i) const;
    QString GetDisplayName(int i) const;
    int GetDeviceType(int i) const;
    int GetRevision(int i) const;
    int GetSelected() const { return m_selected; }
    // The selected relay's port; empty when none is selected.
    QString SelectedPort() const { return GetPortName(m_selected); }
    // Takes i only when 0 <= i < count; any other value leaves the selection as it is.
    void SelectDevice(int i);
    // Forgets every entry and the selection.
    void Clear();

    // One discovery pass: BeginPass, AddOrMarkIdentified for each relay that answered, EndPass.
    void BeginPass();
    // Marks the matching entry (same port, name, type and revision) as seen, or appends one.
    void AddOrMarkIdentified(const QString& portName, std::uint8_t identification);
    // Removes the entries not seen; a selected relay still attached stays selected (at its
    // new index), one that went away leaves no selection.
    void EndPass();

    // The relay chosen for a program of a device type (model number) among the first `limit`
    // entries: the selected relay while it fits the program; otherwise the last relay of the
    // program's model. -1 when none fits (the selection is then left as it is).
    int Candidate(int deviceType, int limit) const;

private:
    std::vector<DeviceEntry> m_entries;
    int m_selected = -1;
};
