// The virtual relay's frame reception: it answers well-formed requests only.

#include "VirtualRelay.h"

#include <QTest>

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

QTEST_GUILESS_MAIN(TestVirtualRelay)
#include "tst_virtual_relay.moc"
