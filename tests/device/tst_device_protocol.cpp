// Frame layer and protocol encodings, with the wire scripted through the transport interface.

#include "RelayFrames.h"
#include "ResultCodes.h"
#include "ScriptedTransport.h"

#include <QTest>

using namespace DeviceProtocol;

namespace {

QByteArray Bytes(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size()));
}

const std::uint8_t* Data(const QByteArray& a)
{
    return reinterpret_cast<const std::uint8_t*>(a.constData());
}

QByteArray Wire(const QByteArray& data, std::uint8_t command)
{
    std::vector<std::uint8_t> wire;
    EncodeFrame(Data(data), int(data.size()), command, &wire);
    return Bytes(wire);
}

} // namespace

class TestDeviceProtocol : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildFrame_data();
    void buildFrame();
    void buildFrameTooLong();
    void frameChecksumWrapsAt0xFFFF();
    void writeFramePieces();
    void writeFrameFailures_data();
    void writeFrameFailures();
    void readFrame_data();
    void readFrame();
    void sendPasswordWithoutBytes();
    void channelState_data();
    void channelState();
    void elapsedRoundTrip_data();
    void elapsedRoundTrip();
    void passwordBytes_data();
    void passwordBytes();
    void passwordLength_data();
    void passwordLength();
    void progressLeavesTheWireAlone();
};

void TestDeviceProtocol::buildFrame_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("prefix");  // start of the expected wire form
    QTest::addColumn<QByteArray>("suffix");  // end of the expected wire form
    QTest::addColumn<int>("size");

    QTest::newRow("identify request") << QByteArray() << 1 << QByteArray::fromHex("aa04010005") << QByteArray() << 5;
    QTest::newRow("data 0xAA and 0x64 escaped") << QByteArray::fromHex("aa64") << 3
                                                << QByteArray::fromHex("aa060364026401") << QByteArray::fromHex("0117") << 9;
    // 5 + 1 + 0x5E = 0x64: the low checksum byte is escaped.
    QTest::newRow("checksum byte 0x64") << QByteArray::fromHex("5e") << 1 << QByteArray::fromHex("aa05015e006401")
                                        << QByteArray() << 7;
    // 5 + 0x55 + 0x50 = 0xAA: the low checksum byte is escaped as a start byte.
    QTest::newRow("checksum byte 0xAA") << QByteArray::fromHex("50") << 0x55 << QByteArray::fromHex("aa05555000")
                                        << QByteArray::fromHex("6402") << 7;
    // 96 data bytes: LEN 0x64; the sum 0x64 is escaped too.
    QTest::newRow("LEN 0x64") << QByteArray(96, '\0') << 0 << QByteArray::fromHex("aa640100") << QByteArray::fromHex("006401")
                              << 1 + 2 + 1 + 96 + 3;
    // 166 data bytes: LEN 0xAA; sum 0xAA + 0x10 = 0xBA.
    QTest::newRow("LEN 0xAA") << QByteArray(166, '\0') << 0x10 << QByteArray::fromHex("aa640210") << QByteArray::fromHex("00ba")
                              << 1 + 2 + 1 + 166 + 2;
}

void TestDeviceProtocol::buildFrame()
{
    QFETCH(QByteArray, data);
    QFETCH(int, command);
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, suffix);
    QFETCH(int, size);

    std::vector<std::uint8_t> wire;
    QCOMPARE(RelayFrames::BuildFrame(Data(data), int(data.size()), std::uint8_t(command), &wire), int(RESULT_OK));
    const QByteArray got = Bytes(wire);
    QCOMPARE(got.size(), size);
    QCOMPARE(got.left(prefix.size()).toHex(' '), prefix.toHex(' '));
    QCOMPARE(got.right(suffix.size()).toHex(' '), suffix.toHex(' '));

    // What WriteFrame sends is that frame, and the receiver turns it back into the data.
    CScriptedTransport port;
    QCOMPARE(RelayFrames::WriteFrame(port, Data(data), int(data.size()), std::uint8_t(command)), int(RESULT_OK));
    QCOMPARE(port.written, got);
    port.Script(got);
    QByteArray back(data.size(), '\x5a');
    std::uint8_t replyCommand = 0;
    QCOMPARE(RelayFrames::ReadFrame(port, reinterpret_cast<std::uint8_t*>(back.data()), int(data.size()), &replyCommand),
             int(RESULT_OK));
    QCOMPARE(back, data);
    QCOMPARE(int(replyCommand), command);
    QVERIFY(port.reads.empty());
}

void TestDeviceProtocol::buildFrameTooLong()
{
    // LEN cannot express more than 251 data bytes: no frame is formed and nothing is written.
    const QByteArray data(252, '\1');
    CScriptedTransport port;
    QCOMPARE(RelayFrames::WriteFrame(port, Data(data), int(data.size()), 3), int(RESULT_OUT_OF_MEMORY));
    QVERIFY(port.pieces.isEmpty());
    std::vector<std::uint8_t> wire;
    QCOMPARE(RelayFrames::BuildFrame(Data(data.left(251)), 251, 3, &wire), int(RESULT_OK));
}

void TestDeviceProtocol::frameChecksumWrapsAt0xFFFF()
{
    const std::uint8_t bytes[] = {1, 2};
    QCOMPARE(int(FrameChecksum(0xFFFE, bytes, 1)), 0);
    QCOMPARE(int(FrameChecksum(0xFFFE, bytes, 2)), 2);
    QCOMPARE(int(FrameChecksum(0, bytes, 2)), 3);
}

void TestDeviceProtocol::writeFramePieces()
{
    // 195 data bytes without escapes make 200 wire bytes: 64 + 64 + 64 + 8.
    const QByteArray data(195, '\1');
    CScriptedTransport port;
    QCOMPARE(RelayFrames::WriteFrame(port, Data(data), int(data.size()), 3), int(RESULT_OK));
    QList<int> sizes;
    for (const QByteArray& piece : port.pieces)
        sizes.append(int(piece.size()));
    QCOMPARE(sizes, (QList<int>{64, 64, 64, 8}));
    QCOMPARE(port.written.size(), 200);
    for (int timeout : port.writeTimeouts)
        QCOMPARE(timeout, WRITE_TIMEOUT_MS);
}

void TestDeviceProtocol::writeFrameFailures_data()
{
    QTest::addColumn<int>("acceptPerWrite");
    QTest::addColumn<int>("failOnWrite");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("pieces");  // write calls made

    QTest::newRow("short write") << 63 << 0 << int(RESULT_TIMEOUT) << 4;
    QTest::newRow("nothing written") << 0 << 0 << int(RESULT_TIMEOUT) << 4;
    QTest::newRow("failure stops the loop") << -1 << 2 << int(RESULT_WRITE_FAILED) << 2;
    QTest::newRow("failure of the last piece") << -1 << 4 << int(RESULT_WRITE_FAILED) << 4;
}

void TestDeviceProtocol::writeFrameFailures()
{
    QFETCH(int, acceptPerWrite);
    QFETCH(int, failOnWrite);
    QFETCH(int, result);
    QFETCH(int, pieces);

    const QByteArray data(195, '\1');
    CScriptedTransport port;
    port.acceptPerWrite = acceptPerWrite;
    port.failOnWrite = failOnWrite;
    QCOMPARE(RelayFrames::WriteFrame(port, Data(data), int(data.size()), 3), result);
    QCOMPARE(int(port.pieces.size()), pieces);
}

void TestDeviceProtocol::readFrame_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QList<int>>("events");  // scripted after the wire bytes
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("stored");  // the caller's buffer afterwards (filled with 0x5A first)
    QTest::addColumn<int>("left");           // scripted events left unread

    const QByteArray two = QByteArray::fromHex("1264");
    const QByteArray good = Wire(two, 2);
    QTest::newRow("good reply") << good << QList<int>() << 2 << int(RESULT_OK) << two << 0;
    QTest::newRow("escaped 0x64 and 0xAA") << Wire(QByteArray::fromHex("64aa"), 4) << QList<int>() << 2 << int(RESULT_OK)
                                           << QByteArray::fromHex("64aa") << 0;
    // A raw 0xAA inside a frame is taken as it stands.
    QTest::newRow("raw 0xAA data byte") << QByteArray::fromHex("aa0502aa00b1") << QList<int>() << 1 << int(RESULT_OK)
                                        << QByteArray::fromHex("aa") << 0;
    QTest::newRow("wrong start byte, start follows") << QByteArray::fromHex("55") + good << QList<int>() << 2
                                                     << int(RESULT_BAD_START) << QByteArray::fromHex("5a5a")
                                                     << int(good.size());
    QTest::newRow("length not the expected one") << Wire(QByteArray::fromHex("01"), 2) << QList<int>() << 2
                                                 << int(RESULT_BAD_LENGTH) << QByteArray::fromHex("5a5a") << 4;
    QTest::newRow("length below 4") << QByteArray::fromHex("aa0302") << QList<int>() << 0 << int(RESULT_BAD_LENGTH)
                                    << QByteArray() << 1;
    QTest::newRow("escape followed by 0x03") << QByteArray::fromHex("aa06026403") << QList<int>() << 2
                                             << int(RESULT_BAD_ESCAPE) << QByteArray::fromHex("5a5a") << 0;
    QByteArray badSum = good;
    badSum[badSum.size() - 1] = char(badSum.at(badSum.size() - 1) + 1);
    QTest::newRow("wrong checksum, data stored") << badSum << QList<int>() << 2 << int(RESULT_FRAME_CHECKSUM) << two << 0;
    QTest::newRow("silent relay") << QByteArray() << QList<int>() << 2 << int(RESULT_TIMEOUT) << QByteArray::fromHex("5a5a") << 0;
    QTest::newRow("stops mid-frame") << good.left(4) << QList<int>{CScriptedTransport::TIMEOUT} << 2 << int(RESULT_TIMEOUT)
                                     << QByteArray::fromHex("125a") << 0;
    QTest::newRow("stops after an escape byte") << QByteArray::fromHex("aa06026401") + QByteArray::fromHex("64")
                                                << QList<int>{CScriptedTransport::TIMEOUT} << 2 << int(RESULT_TIMEOUT)
                                                << QByteArray::fromHex("645a") << 0;
    QTest::newRow("read failure at start") << QByteArray() << QList<int>{CScriptedTransport::FAILURE} << 2
                                           << int(RESULT_READ_FAILED) << QByteArray::fromHex("5a5a") << 0;
    QTest::newRow("read failure in checksum") << good.left(good.size() - 1) << QList<int>{CScriptedTransport::FAILURE} << 2
                                              << int(RESULT_READ_FAILED) << two << 0;
}

void TestDeviceProtocol::readFrame()
{
    QFETCH(QByteArray, wire);
    QFETCH(QList<int>, events);
    QFETCH(int, size);
    QFETCH(int, result);
    QFETCH(QByteArray, stored);
    QFETCH(int, left);

    CScriptedTransport port;
    port.Script(wire);
    for (int event : events)
        port.ScriptEvent(event);
    // A guard byte after the buffer shows that nothing is written past it.
    QByteArray buffer(size + 1, '\x5a');
    std::uint8_t command = 0;
    QCOMPARE(RelayFrames::ReadFrame(port, reinterpret_cast<std::uint8_t*>(buffer.data()), size, &command), result);
    QCOMPARE(buffer.left(size).toHex(' '), stored.toHex(' '));
    QCOMPARE(buffer.at(size), '\x5a');
    QCOMPARE(int(port.reads.size()), left);
    for (int timeout : port.readTimeouts)
        QCOMPARE(timeout, READ_TIMEOUT_MS);
}

void TestDeviceProtocol::sendPasswordWithoutBytes()
{
    CScriptedTransport port;
    bool accepted = false;
    QCOMPARE(RelayFrames::SendPassword(port, nullptr, 0, &accepted), int(RESULT_OK));
    QVERIFY(accepted);
    QVERIFY(port.pieces.isEmpty());
}

void TestDeviceProtocol::channelState_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("mantissa");
    QTest::addColumn<double>("elapsed");

    // (128 * (9 + 1) - 64) / 128 = 9.5
    QTest::newRow("input, field 4") << QByteArray::fromHex("8401804009" "0000") << 1 << 0 << 4 << 1 << 128 << 9.5;
    QTest::newRow("output, field 36, unit bits above 2 ignored") << QByteArray::fromHex("64fa0a0100" "0000") << 0 << 1 << 36
                                                                << 2 << 10 << (10.0 - 1) / 128;
    // P is 24 bits, byte 4 least significant: (2 * (0x030201 + 1) - 0) / 128
    QTest::newRow("24-bit P") << QByteArray::fromHex("c000020001" "0203") << 1 << 1 << 0 << 0 << 2
                              << 2.0 * (0x030201 + 1) / 128;
    QTest::newRow("R above the product") << QByteArray::fromHex("03000164" "000000") << 0 << 0 << 3 << 0 << 1 << -99.0 / 128;
}

void TestDeviceProtocol::channelState()
{
    QFETCH(QByteArray, record);
    const ChannelState state = DecodeChannelState(Data(record));
    QTEST(state.inputState, "input");
    QTEST(state.outputState, "output");
    QTEST(state.fieldIndex, "field");
    QTEST(state.unit, "unit");
    QTEST(state.mantissa, "mantissa");
    QTEST(state.elapsedSeconds, "elapsed");

    std::uint8_t again[CHANNEL_RECORD_SIZE] = {};
    EncodeChannelState(state, again);
    // Encoding keeps every meaningful bit (the ignored unit bits come back clear).
    QByteArray expected = record;
    expected[1] = char(expected.at(1) & 0x07);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(again), CHANNEL_RECORD_SIZE).toHex(), expected.toHex());
}

void TestDeviceProtocol::elapsedRoundTrip_data()
{
    QTest::addColumn<int>("mantissa");
    QTest::addColumn<double>("seconds");
    QTest::newRow("start") << 128 << 0.0;
    QTest::newRow("fraction") << 128 << 0.25;
    QTest::newRow("many periods") << 3 << 5000.5;
    QTest::newRow("full mantissa") << 255 << 123.0;
}

void TestDeviceProtocol::elapsedRoundTrip()
{
    QFETCH(int, mantissa);
    QFETCH(double, seconds);
    ChannelState state;
    state.mantissa = mantissa;
    SetElapsed(&state, seconds);
    std::uint8_t record[CHANNEL_RECORD_SIZE] = {};
    EncodeChannelState(state, record);
    QCOMPARE(DecodeChannelState(record).elapsedSeconds, seconds);
}

void TestDeviceProtocol::passwordBytes_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray(8, '\0');
    QTest::newRow("3 characters") << QStringLiteral("abc") << QByteArray::fromHex("6162630000000000");
    QTest::newRow("8 characters, no zero") << QStringLiteral("abcdefgh") << QByteArray("abcdefgh");
    QTest::newRow("more than 8 characters") << QStringLiteral("abcdefghij") << QByteArray("abcdefgh");
    QTest::newRow("4 two-byte characters fill 8 bytes") << QStringLiteral("ąęść") << QStringLiteral("ąęść").toUtf8();
    QTest::newRow("a character that would be split is left out") << QStringLiteral("abcdefgą")
                                                                 << QByteArray("abcdefg") + QByteArray(1, '\0');
}

void TestDeviceProtocol::passwordBytes()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, bytes);
    const PasswordBytes got = MakePasswordBytes(password);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(got.data()), PASSWORD_SIZE).toHex(' '), bytes.toHex(' '));
}

void TestDeviceProtocol::passwordLength_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("fits");
    QTest::newRow("empty") << QString() << 0 << true;
    QTest::newRow("8 ASCII characters") << QStringLiteral("abcdefgh") << 8 << true;
    QTest::newRow("4 two-byte characters") << QStringLiteral("ąęść") << 8 << true;
    // Eight characters, but nine bytes: only a shorter password would reach the relay.
    QTest::newRow("8 characters, 9 bytes") << QStringLiteral("abcdefgą") << 9 << false;
    QTest::newRow("8 characters, 24 bytes") << QStringLiteral("€€€€€€€€") << 24 << false;
}

void TestDeviceProtocol::passwordLength()
{
    QFETCH(QString, password);
    QFETCH(int, bytes);
    QFETCH(bool, fits);
    QCOMPARE(PasswordByteLength(password), bytes);
    QCOMPARE(PasswordFits(password), fits);
}

// Progress reports what passes and changes none of it: the same pieces are written, and the
// same data read, as without it.
void TestDeviceProtocol::progressLeavesTheWireAlone()
{
    QByteArray data(195, '\1');
    data[7] = char(0xAA); // escaped: 201 wire bytes
    struct Call {
        TransferDirection direction;
        int done;
        int total;
    };
    std::vector<Call> calls;
    const RelayFrames::ProgressCallback progress = [&calls](TransferDirection direction, int done, int total) {
        calls.push_back({direction, done, total});
    };
    CScriptedTransport plain, watched;
    QCOMPARE(RelayFrames::WriteFrame(plain, Data(data), int(data.size()), 3), int(RESULT_OK));
    QCOMPARE(RelayFrames::WriteFrame(watched, Data(data), int(data.size()), 3, &progress), int(RESULT_OK));
    QCOMPARE(watched.pieces, plain.pieces);
    QList<int> sent;
    for (const Call& call : calls) {
        QVERIFY(call.direction == TransferDirection::Sending);
        QCOMPARE(call.total, 201);
        sent << call.done;
    }
    QCOMPARE(sent, (QList<int>{0, 64, 128, 192, 201}));

    calls.clear();
    watched.Script(Wire(data, 6));
    QByteArray back(data.size(), 0);
    std::uint8_t command = 0;
    QCOMPARE(RelayFrames::ReadFrame(watched, reinterpret_cast<std::uint8_t*>(back.data()), int(back.size()), &command, &progress),
             int(RESULT_OK));
    QCOMPARE(back, data);
    QCOMPARE(int(calls.size()), data.size() + 1);
    for (int i = 0; i <= data.size(); ++i) {
        QVERIFY(calls[std::size_t(i)].direction == TransferDirection::Receiving);
        QCOMPARE(calls[std::size_t(i)].done, i);
        QCOMPARE(calls[std::size_t(i)].total, int(data.size()));
    }
}

QTEST_GUILESS_MAIN(TestDeviceProtocol)
#include "tst_device_protocol.moc"
