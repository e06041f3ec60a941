#pragma once
// Finding attached relays: candidate ports and one discovery pass over them.

#include <QStringList>

class CRelayList;
class CRelaySession;

namespace DeviceDiscovery {

// Description with which relays present their serial ports.
inline constexpr char RELAY_PORT_DESCRIPTION[] = "QVR USB Time Relay";
// Colon-separated port paths that are considered as well (virtual relays).
inline constexpr char EXTRA_PORTS_VARIABLE[] = "QUORVEX_EXTRA_PORTS";
// Ports considered per pass.
constexpr int PORTS_PER_PASS = 10;

// Serial ports whose description begins with the relay description, then the extra ports;
// at most PORTS_PER_PASS, each once.
QStringList CandidatePorts();

// One pass over the list: BeginPass, identify every candidate through the session, EndPass.
// Ports that cannot be opened or do not answer are absent for this pass.
void RunPass(CRelayList& relays, CRelaySession& session, const QStringList& ports);
inline void RunPass(CRelayList& relays, CRelaySession& session) { RunPass(relays, session, CandidatePorts()); }

} // namespace DeviceDiscovery
