// The relay list: entries, selection across discovery passes and the candidate ports; a
// session without a port.

#include "RelayList.h"
#include "RelaySession.h"
#include "Discovery.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QTest>

using namespace DeviceProtocol;

class TestDeviceList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void displayNames_data();
    void displayNames();
    void selectDevice();
    void selectionCarriedAcrossPass();
    void selectedRelayGone();
    void changedIdentificationReplacesEntry();
    void noSelectionMeansNoPort();
    void candidatePorts();
};

namespace {

// Fills a list through one pass with relays identified as given.
void Pass(CRelayList& device, const QList<QPair<QString, int>>& relays)
{
    device.BeginPass();
    for (const auto& relay : relays)
        device.AddOrMarkIdentified(relay.first, std::uint8_t(relay.second));
    device.EndPass();
}

QStringList Ports(const CRelayList& device)
{
    QStringList ports;
    for (int i = 0; i < device.GetCount(); ++i)
        ports << device.GetPortName(i);
    return ports;
}

} // namespace

void TestDeviceList::displayNames_data()
{
    QTest::addColumn<int>("identification");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::newRow("type 1") << 0x13 << QStringLiteral("QVR USB Time Relay") << QStringLiteral("1.3");
    QTest::newRow("type 2") << 0x2F << QStringLiteral("QVS USB Time Relay") << QStringLiteral("2.15");
    QTest::newRow("type 0") << 0x05 << QStringLiteral("????") << QStringLiteral("0.5");
    QTest::newRow("type 15") << 0xF0 << QStringLiteral("????") << QStringLiteral("15.0");
}

void TestDeviceList::displayNames()
{
    QFETCH(int, identification);
    CRelayList device;
    Pass(device, {{QStringLiteral("/dev/ttyACM0"), identification}});
    QCOMPARE(device.GetCount(), 1);
    QTEST(device.GetDisplayName(0), "name");
    QCOMPARE(device.GetDeviceType(0), identification >> 4);
    QCOMPARE(device.GetRevision(0), identification & 0x0F);
    QTEST(DeviceVersionText(std::uint8_t(identification)), "version");
    // Out of range: nothing.
    QCOMPARE(device.GetDisplayName(1), QString());
    QCOMPARE(device.GetPortName(-1), QString());
    QCOMPARE(device.GetDeviceType(1), 0);
}

void TestDeviceList::selectDevice()
{
    CRelayList device;
    QCOMPARE(device.GetSelected(), -1);
    Pass(device, {{QStringLiteral("a"), 0x11}, {QStringLiteral("b"), 0x21}});
    // A pass never selects by itself.
    QCOMPARE(device.GetSelected(), -1);
    device.SelectDevice(1);
    QCOMPARE(device.GetSelected(), 1);
    device.SelectDevice(2);
    device.SelectDevice(-1);
    QCOMPARE(device.GetSelected(), 1);
}

void TestDeviceList::selectionCarriedAcrossPass()
{
    CRelayList device;
    Pass(device, {{QStringLiteral("a"), 0x11}, {QStringLiteral("b"), 0x11}, {QStringLiteral("c"), 0x21}});
    device.SelectDevice(2);
    // "a" is gone, a new relay "d" appears: "c" stays selected at its new index, and a relay
    // seen again keeps its place.
    Pass(device, {{QStringLiteral("d"), 0x11}, {QStringLiteral("c"), 0x21}, {QStringLiteral("b"), 0x11}});
    QCOMPARE(Ports(device), (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
    QCOMPARE(device.GetSelected(), 1);
}

void TestDeviceList::selectedRelayGone()
{
    CRelayList device;
    Pass(device, {{QStringLiteral("a"), 0x11}, {QStringLiteral("b"), 0x11}});
    device.SelectDevice(0);
    Pass(device, {{QStringLiteral("b"), 0x11}});
    QCOMPARE(Ports(device), QStringList{QStringLiteral("b")});
    QCOMPARE(device.GetSelected(), -1);
}

void TestDeviceList::changedIdentificationReplacesEntry()
{
    CRelayList device;
    Pass(device, {{QStringLiteral("a"), 0x11}, {QStringLiteral("b"), 0x21}});
    device.SelectDevice(0);
    // Same port, other revision: a new entry at the end; the selection on the old one is lost.
    Pass(device, {{QStringLiteral("a"), 0x12}, {QStringLiteral("b"), 0x21}});
    QCOMPARE(Ports(device), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    QCOMPARE(device.GetSelected(), -1);
}

void TestDeviceList::noSelectionMeansNoPort()
{
    int made = 0;
    CRelaySession session([&made]() -> std::unique_ptr<IDeviceTransport> {
        ++made;
        return nullptr;
    });
    CQuorvex_QVR_K115_ZQX_Doc doc;
    const ModelCode model = doc.GetModelCode();
    std::uint8_t identification = 0;
    std::vector<std::uint8_t> image;
    QCOMPARE(session.SendProgram(model, doc.GetData(), doc.GetDataSize()), int(RESULT_NO_PORT));
    QCOMPARE(session.ReadProgramImage(model, &image), int(RESULT_NO_PORT));
    QCOMPARE(session.Identify(&identification), int(RESULT_NO_PORT));
    QCOMPARE(session.StartView(model, doc.GetData(), doc.GetDataSize()), int(RESULT_NO_PORT));
    QCOMPARE(session.LastOpenFailure(), PortOpenFailure::NoSelection);
    QCOMPARE(made, 0);
    // A relay whose port cannot be opened: 34 as well.
    session.SetPort(QStringLiteral("a"));
    QCOMPARE(session.SendProgram(model, doc.GetData(), doc.GetDataSize()), int(RESULT_NO_PORT));
    QCOMPARE(made, 1);
    QVERIFY(image.empty());
}

void TestDeviceList::candidatePorts()
{
    QStringList extra;
    for (int i = 0; i < 12; ++i)
        extra << QStringLiteral("/dev/pts/vr%1").arg(i);
    qunsetenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE);
    const QStringList attached = DeviceDiscovery::CandidatePorts();
    // Empty items and repeats do not count.
    qputenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE,
            (QStringLiteral("::/dev/pts/vr0:") + extra.join(QLatin1Char(':'))).toLocal8Bit());
    const QStringList ports = DeviceDiscovery::CandidatePorts();
    qunsetenv(DeviceDiscovery::EXTRA_PORTS_VARIABLE);
    // Attached relays come first, then the extra ports, ten in all.
    QCOMPARE(ports, (attached + extra).mid(0, DeviceDiscovery::PORTS_PER_PASS));
}

QTEST_GUILESS_MAIN(TestDeviceList)
#include "tst_device_list.moc"
