#include "Discovery.h"

#include "RelayList.h"
#include "RelaySession.h"
#include "ResultCodes.h"

#include <QSerialPortInfo>

namespace DeviceDiscovery {

QStringList CandidatePorts()
{
    QStringList ports;
    auto add = [&ports](const QString& port) {
        if (!port.isEmpty() && !ports.contains(port) && ports.size() < PORTS_PER_PASS)
            ports.append(port);
    };
    const QLatin1String description(RELAY_PORT_DESCRIPTION);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.description().startsWith(description))
            add(info.systemLocation());
    }
    const QString extra = qEnvironmentVariable(EXTRA_PORTS_VARIABLE);
    for (const QString& port : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        add(port.trimmed());
    return ports;
}

void RunPass(CRelayList& relays, CRelaySession& session, const QStringList& ports)
{
    relays.BeginPass();
    for (qsizetype i = 0; i < ports.size() && i < PORTS_PER_PASS; ++i) {
        std::uint8_t identification = 0;
        if (session.IdentifyPort(ports.at(i), &identification) == RESULT_OK)
            relays.AddOrMarkIdentified(ports.at(i), identification);
    }
    relays.EndPass();
}

} // namespace DeviceDiscovery
