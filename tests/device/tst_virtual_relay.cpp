// The virtual relay's frame reception: it answers well-formed requests only. Its faulty line:
// the faults chosen per byte at the rates asked for, the same ones for the same seed.

#include "LineFaults.h"
#include "VirtualRelay.h"

#include <QTest>

#include <cmath>
#include <map>

using namespace DeviceProtocol;

namespace {

QByteArray Wire(const QByteArray& data, std::uint8_t command)
{
    std::vector<std::uint8_t> wire;
    EncodeFrame(reinterpret_cast<const std::uint8_t*>(data.constData()), int(data.size()), command, &wire);
    return QByteArray(reinterpret_cast<const char*>(wire.data()), qsizetype(wire.size()));
}

QByteArray Feed(CVirtualRelay& relay, const QByteArray& bytes)
{
    std::vector<std::uint8_t> reply;
    for (char c : bytes)
        relay.Receive(std::uint8_t(c), &reply);
    return QByteArray(reinterpret_cast<const char*>(reply.data()), qsizetype(reply.size()));
}

} // namespace

class TestVirtualRelay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reception_data();
    void reception();
    void passwordLock();
    void lineFaultRates_data();
    void lineFaultRates();
    void lineFaultsFollowTheSeed();
};

void TestVirtualRelay::reception_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("reply");

    const QByteArray identify = Wire({}, CMD_IDENTIFY);
    const QByteArray qvr = Wire(QByteArray(1, '\x13'), CMD_IDENTIFY + 1);
    const int one = MODEL_QVR_K115_ZQX;
    QTest::newRow("identify") << one << identify << qvr;
    QTest::newRow("garbage first") << one << QByteArray::fromHex("0001026401ff") + identify << qvr;
    QTest::newRow("cut off by a new start byte") << one << identify.left(3) + identify << qvr;
    QByteArray badSum = identify;
    badSum[4] = 6;
    QTest::newRow("wrong checksum ignored") << one << badSum << QByteArray();
    QTest::newRow("bad escape spoils the frame") << one << QByteArray::fromHex("aa04016403") + QByteArray::fromHex("0005")
                                                 << QByteArray();
    QTest::newRow("length below 4 ignored") << one << QByteArray::fromHex("aa03010004") << QByteArray();
    QTest::newRow("identify with data ignored") << one << Wire(QByteArray(1, '\0'), CMD_IDENTIFY) << QByteArray();
    QTest::newRow("unknown command ignored") << one << Wire({}, 2) << QByteArray();
    QTest::newRow("no password commands on QVR_K115_ZQX") << one << Wire(QByteArray(8, '\0'), CMD_SEND_PASSWORD)
                                                           << QByteArray();
    QTest::newRow("program of the wrong size ignored") << one << Wire(QByteArray(69, '\0'), CMD_WRITE_PROGRAM)
                                                       << QByteArray();
    QTest::newRow("state: one record") << one << Wire({}, CMD_READ_STATE) << Wire(QByteArray(7, '\0'), CMD_READ_STATE + 1);
    QTest::newRow("state: two records") << int(MODEL_QVS_K115_318) << Wire({}, CMD_READ_STATE)
                                        << Wire(QByteArray(14, '\0'), CMD_READ_STATE + 1);
}

void TestVirtualRelay::reception()
{
    QFETCH(int, model);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, reply);
    VirtualRelayOptions options;
    options.model = ModelCode(model);
    options.revision = 3;
    CVirtualRelay relay(options);
    QCOMPARE(Feed(relay, input).toHex(' '), reply.toHex(' '));
}

void TestVirtualRelay::passwordLock()
{
    VirtualRelayOptions options;
    options.model = MODEL_QVS_K115_318;
    options.password = MakePasswordBytes(QStringLiteral("pw"));
    CVirtualRelay relay(options);
    const QByteArray program(226, '\x21');
    const QByteArray refused = Wire(QByteArray(1, char(REPLY_REFUSED)), CMD_WRITE_PROGRAM + 1);
    const QByteArray accepted = Wire(QByteArray(1, char(REPLY_ACCEPTED)), CMD_WRITE_PROGRAM + 1);

    QCOMPARE(Feed(relay, Wire(program, CMD_WRITE_PROGRAM)), refused);
    QCOMPARE(Feed(relay, Wire({}, CMD_READ_PROGRAM)), QByteArray());  // locked: no answer
    QCOMPARE(Feed(relay, Wire(QByteArray("pw", 2) + QByteArray(6, '\0'), CMD_SEND_PASSWORD)),
             Wire(QByteArray(1, char(REPLY_ACCEPTED)), CMD_SEND_PASSWORD + 1));
    QCOMPARE(Feed(relay, Wire(program, CMD_WRITE_PROGRAM)), accepted);
    QCOMPARE(Feed(relay, Wire({}, CMD_READ_PROGRAM)), Wire(program, CMD_READ_PROGRAM + 1));
    // The next operation's identification locks the relay again.
    Feed(relay, Wire({}, CMD_IDENTIFY));
    QCOMPARE(Feed(relay, Wire(program, CMD_WRITE_PROGRAM)), refused);
}

void TestVirtualRelay::lineFaultRates_data()
{
    // Rates of drop, change, stall, near-stall and vanish.
    QTest::addColumn<QList<double>>("rates");
    QTest::newRow("sound line") << QList<double>{0, 0, 0, 0, 0};
    QTest::newRow("every byte lost") << QList<double>{1, 0, 0, 0, 0};
    QTest::newRow("every byte changed") << QList<double>{0, 1, 0, 0, 0};
    QTest::newRow("every byte vanishes") << QList<double>{0, 0, 0, 0, 1};
    QTest::newRow("each kind at its own rate") << QList<double>{0.05, 0.1, 0.15, 0.2, 0.25};
}

void TestVirtualRelay::lineFaultRates()
{
    QFETCH(QList<double>, rates);
    LineFaultOptions options;
    options.dropRate = rates[0];
    options.changeRate = rates[1];
    options.stallRate = rates[2];
    options.nearStallRate = rates[3];
    options.vanishRate = rates[4];
    CLineFaults faults(options);
    constexpr int BYTES = 100000;
    const LineFault kinds[] = {LineFault::Drop, LineFault::Change, LineFault::Stall, LineFault::NearStall,
                               LineFault::Vanish};
    std::map<LineFault, int> met;
    for (int i = 0; i < BYTES; ++i) {
        const std::uint8_t sent = std::uint8_t(i);
        std::uint8_t byte = sent;
        const LineFault fault = faults.Next(&byte);
        ++met[fault];
        // Only a changed byte has another value, and it always has.
        QCOMPARE(byte != sent, fault == LineFault::Change);
    }
    for (int k = 0; k < 5; ++k) {
        const double expected = rates[k] * BYTES;
        QVERIFY2(std::abs(met[kinds[k]] - expected) <= 0.05 * expected + 1,
                 qPrintable(QStringLiteral("%1: %2 of %3").arg(LineFaultName(kinds[k])).arg(met[kinds[k]]).arg(expected)));
    }
    QCOMPARE(faults.StallMs(LineFault::Stall), options.stallMs);
    QCOMPARE(faults.StallMs(LineFault::NearStall), options.nearStallMs);
    QCOMPARE(faults.StallMs(LineFault::Change), 0);
    // The stalls lie on either side of the client's per-byte time-out.
    QVERIFY(options.stallMs > READ_TIMEOUT_MS && options.nearStallMs < READ_TIMEOUT_MS);
}

void TestVirtualRelay::lineFaultsFollowTheSeed()
{
    const auto run = [](std::uint64_t seed) {
        LineFaultOptions options;
        options.dropRate = options.changeRate = options.stallRate = options.nearStallRate = options.vanishRate = 0.1;
        options.seed = seed;
        CLineFaults faults(options);
        QByteArray trace;
        for (int i = 0; i < 2000; ++i) {
            std::uint8_t byte = 0x64;
            trace += char(faults.Next(&byte));
            trace += char(byte);
        }
        return trace;
    };
    QCOMPARE(run(7), run(7));
    QVERIFY(run(7) != run(8));
}

QTEST_GUILESS_MAIN(TestVirtualRelay)
#include "tst_virtual_relay.moc"
