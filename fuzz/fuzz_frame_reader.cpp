// Replies of a hostile or broken relay: the input scripts the wire through the scripted
// transport of the device tests.
//
//   byte 0   what runs (below)
//   byte 1   a read failure after that many wire bytes, minus one (0: none)
//   byte 2   a parameter: frame size, number of state records, model
//   rest     the bytes the relay sends; when they run out, every read times out
//
// What runs: one frame read, each transaction on an open port, or a whole device operation
// (discovery, unlocking, reading, viewing, sending, password commands) as the window and
// quorvexctl run them, with a port that opens and a password prompt that answers.

#include "FuzzTarget.h"

#include "QuorvexDoc.h"
#include "RelayList.h"
#include "RelaySession.h"
#include "ResultCodes.h"
#include "ScriptedTransport.h"

#include <memory>
#include <set>
#include <vector>

namespace {

// Every result a device operation may give.
bool IsDeviceResult(int result)
{
    static const std::set<int> results = {RESULT_OK,          RESULT_OUT_OF_MEMORY,   RESULT_BAD_ESCAPE,
                                          RESULT_BAD_START,   RESULT_BAD_LENGTH,      RESULT_FRAME_CHECKSUM,
                                          RESULT_WRITE_FAILED, RESULT_READ_FAILED,    RESULT_NO_PORT,
                                          RESULT_WRITE_NOT_ACCEPTED, RESULT_VIEW_MISMATCH, RESULT_TIMEOUT,
                                          RESULT_WRONG_MODEL, RESULT_PASSWORD_REFUSED, RESULT_PASSWORD_MISMATCH,
                                          RESULT_RESET_REFUSED, RESULT_VERIFY_MISMATCH,
                                          RESULT_PASSWORD_TOO_LONG, RESULT_NO_PASSWORD};
    return results.count(result) != 0;
}

// A port of a device operation: every port the operation opens reads from the same wire.
class CSharedWire final : public IDeviceTransport {
public:
    explicit CSharedWire(CScriptedTransport& wire) : m_wire(wire) {}
    bool Open(const QString& name) override { return m_wire.Open(name); }
    void Configure() override { m_wire.Configure(); }
    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override { return m_wire.ReadByte(byte, timeoutMs); }
    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        return m_wire.Write(data, size, timeoutMs);
    }
    void Close() override { m_wire.Close(); }

private:
    CScriptedTransport& m_wire;
};

// A frame that was read is read back the same from its own encoding.
void CheckFrameRoundTrip(const std::uint8_t* data, int size, std::uint8_t command)
{
    std::vector<std::uint8_t> wire;
    FUZZ_CHECK(DeviceProtocol::EncodeFrame(data, size, command, &wire), "a frame that was read cannot be encoded");
    CScriptedTransport again;
    again.Script(QByteArray(reinterpret_cast<const char*>(wire.data()), qsizetype(wire.size())));
    std::vector<std::uint8_t> back(std::size_t(size) + 1);
    std::uint8_t backCommand = 0;
    FUZZ_CHECK(RelayFrames::ReadFrame(again, back.data(), size, &backCommand) == RESULT_OK, "an encoded frame is not read");
    FUZZ_CHECK(backCommand == command && std::equal(data, data + size, back.begin()), "a frame changed on its way");
    FUZZ_CHECK(again.reads.empty(), "an encoded frame is longer than what is read of it");
}

int RunTransaction(int what, int parameter, CScriptedTransport& wire)
{
    using namespace DeviceProtocol;
    switch (what) {
    case 0: { // one frame of any size
        const int size = parameter % (MAX_FRAME_DATA + 2);
        std::vector<std::uint8_t> data(std::size_t(size) + 1);
        std::uint8_t command = 0;
        const int result = RelayFrames::ReadFrame(wire, data.data(), size, &command);
        if (result == RESULT_OK)
            CheckFrameRoundTrip(data.data(), size, command);
        return result;
    }
    case 1: {
        std::uint8_t identification = 0;
        return RelayFrames::Identify(wire, &identification);
    }
    case 2: {
        const int size = parameter & 1 ? 226 : 70;
        std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
        return RelayFrames::ReadProgram(wire, image.data(), size);
    }
    case 3: {
        ChannelState states[2];
        return RelayFrames::ReadChannelState(wire, 1 + (parameter & 1), states);
    }
    case 4: {
        const PasswordBytes bytes = MakePasswordBytes(QStringLiteral("pw"));
        bool accepted = false;
        return RelayFrames::SendPassword(wire, bytes.data(), int(bytes.size()), &accepted);
    }
    case 5: {
        std::vector<std::uint8_t> image(70, 0x3F);
        std::uint8_t reply = 0;
        return RelayFrames::WriteProgram(wire, image.data(), int(image.size()), &reply);
    }
    case 6: {
        bool accepted = false;
        return RelayFrames::ChangePassword(wire, MakePasswordBytes(QStringLiteral("old")), MakePasswordBytes(QStringLiteral("new")),
                                       &accepted);
    }
    default: {
        bool accepted = false;
        return RelayFrames::PasswordReset(wire, &accepted);
    }
    }
}

int RunOperation(int what, int parameter, CScriptedTransport& wire)
{
    CRelaySession device([&wire] { return std::make_unique<CSharedWire>(wire); });
    const QString port = QStringLiteral("fuzz");
    std::uint8_t found = 0;
    int result = device.IdentifyPort(port, &found);
    if (result != RESULT_OK)
        return result;
    CRelayList relays;
    relays.BeginPass();
    relays.AddOrMarkIdentified(port, found);
    relays.EndPass();
    FUZZ_CHECK(relays.GetCount() == 1, "an identified relay is not listed");
    device.SetPort(port);
    int prompts = 0;
    device.SetPasswordPrompt([&prompts](QString* password) {
        *password = QStringLiteral("pw");
        return ++prompts == 1; // answers once, then the user cancels
    });
    const ModelCode model = parameter & 1 ? MODEL_QVS_K115_318 : MODEL_QVR_K115_ZQX;
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(model);
    doc->ResetProgram(0);
    switch (what) {
    case 0: {
        std::uint8_t identification = 0;
        return device.Identify(&identification);
    }
    case 1: {
        const std::vector<std::uint8_t> before(3, 0xA5);
        std::vector<std::uint8_t> image = before;
        result = device.ReadProgramImage(model, &image);
        FUZZ_CHECK(result == RESULT_OK ? int(image.size()) == doc->GetDataSize() : image == before,
                   "a failed read changed the image, or a read one has the wrong size");
        return result;
    }
    case 2: {
        result = device.StartView(model, doc->GetData(), doc->GetDataSize());
        for (int poll = 0; result == RESULT_OK && poll < 4; ++poll) {
            DeviceProtocol::ChannelState states[2];
            result = device.PollView(model, states);
        }
        return result;
    }
    case 3: return device.SendProgram(model, doc->GetData(), doc->GetDataSize());
    case 4: return device.ChangeRelayPassword(model, QStringLiteral("pw"), QStringLiteral("new"), QStringLiteral("new"));
    default: return device.ResetRelayPassword(model);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const int what = data[0];
    const int failAfter = data[1];
    const int parameter = data[2];
    CScriptedTransport wire;
    for (std::size_t i = 3; i < size; ++i) {
        if (failAfter != 0 && int(i - 3) == failAfter - 1)
            wire.ScriptEvent(CScriptedTransport::FAILURE);
        wire.reads.push_back(data[i]);
    }
    const int result = what < 128 ? RunTransaction(what % 8, parameter, wire) : RunOperation(what % 6, parameter, wire);
    FUZZ_CHECK(IsDeviceResult(result), "a result that no device operation gives");
    FUZZ_CHECK(!wire.opened, "a port was left open");
    return 0;
}
