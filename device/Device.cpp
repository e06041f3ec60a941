#include "Device.h"

#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <algorithm>
#include <new>

using namespace DeviceProtocol;

namespace {

// Closes the port of an operation on every path out of it.
struct PortCloser {
    CDevice::Port& port;
    ~PortCloser() { CDevice::ClosePort(&port); }
};

int ReadStatusResult(IDeviceTransport::ReadStatus status)
{
    switch (status) {
    case IDeviceTransport::ReadStatus::Ok: return RESULT_OK;
    case IDeviceTransport::ReadStatus::TimedOut: return RESULT_TIMEOUT;
    case IDeviceTransport::ReadStatus::Failed: break;
    }
    return RESULT_READ_FAILED;
}

// One request with a one-byte reply; *reply receives the byte.
int ByteTransaction(IDeviceTransport& port, bool configure, std::uint8_t command, const std::uint8_t* data,
                    int size, std::uint8_t* reply, const CDevice::ProgressCallback* progress = nullptr)
{
    if (configure)
        CDevice::ConfigurePort(port);
    int result = CDevice::WriteFrame(port, data, size, command, progress);
    if (result != RESULT_OK)
        return result;
    std::uint8_t replyCommand = 0;
    return CDevice::ReadFrame(port, reply, 1, &replyCommand);
}

} // namespace

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

CDevice::CDevice(TransportFactory factory) : m_factory(std::move(factory)) {}

// ---------------------------------------------------------------- relay list

QString CDevice::GetPortName(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].portName : QString();
}

QString CDevice::GetDisplayName(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].displayName : QString();
}

int CDevice::GetDeviceType(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].deviceType : 0;
}

int CDevice::GetRevision(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[std::size_t(i)].revision : 0;
}

void CDevice::SelectDevice(int i)
{
    if (i >= 0 && i < GetCount()) {
        if (i != m_selected)
            m_trustIdentification = false;
        m_selected = i;
    }
}

void CDevice::TrustSelectedIdentification()
{
    m_trustIdentification = m_selected >= 0 && m_selected < GetCount();
}

void CDevice::SelectPort(const QString& portName)
{
    m_entries.assign(1, DeviceEntry{QString(), portName, 0, 0, true, false});
    m_selected = 0;
    m_trustIdentification = false;
}

void CDevice::BeginPass()
{
    m_trustIdentification = false;
    for (DeviceEntry& entry : m_entries)
        entry.seen = false;
}

int CDevice::AddOrMark(const QString& portName)
{
    Port port;
    int result = OpenPort(portName, &port);
    if (result != RESULT_OK)
        return result;
    std::uint8_t identification = 0;
    result = Identify(*port, &identification);
    ClosePort(&port);
    if (result == RESULT_OK)
        AddOrMarkIdentified(portName, identification);
    return result;
}

void CDevice::AddOrMarkIdentified(const QString& portName, std::uint8_t identification)
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

void CDevice::EndPass()
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

// ---------------------------------------------------------------- serial link

int CDevice::OpenSelectedPort(Port* port)
{
    if (m_selected < 0 || m_selected >= GetCount()) {
        m_lastOpenFailure = PortOpenFailure::NoSelection;
        return RESULT_NO_PORT;
    }
    return OpenPort(m_entries[std::size_t(m_selected)].portName, port);
}

int CDevice::OpenPort(const QString& portName, Port* port)
{
    port->reset();
    m_lastOpenFailure = PortOpenFailure::NotFound;
    if (portName.isEmpty() || !m_factory)
        return RESULT_NO_PORT;
    Port opened = m_factory();
    if (!opened) {
        m_lastOpenFailure = PortOpenFailure::Other;
        return RESULT_NO_PORT;
    }
    if (!opened->Open(portName)) {
        m_lastOpenFailure = opened->OpenFailure();
        return RESULT_NO_PORT;
    }
    m_lastOpenFailure = PortOpenFailure::None;
    *port = std::move(opened);
    return RESULT_OK;
}

void CDevice::ClosePort(Port* port)
{
    if (*port) {
        (*port)->Close();
        port->reset();
    }
}

void CDevice::ConfigurePort(IDeviceTransport& port)
{
    port.Configure();
}

int CDevice::BuildFrame(const std::uint8_t* data, int size, std::uint8_t command, std::vector<std::uint8_t>* wire)
{
    try {
        return EncodeFrame(data, size, command, wire) ? RESULT_OK : RESULT_OUT_OF_MEMORY;
    } catch (const std::bad_alloc&) {
        return RESULT_OUT_OF_MEMORY;
    }
}

int CDevice::WriteFrame(IDeviceTransport& port, const std::uint8_t* data, int size, std::uint8_t command,
                        const ProgressCallback* progress)
{
    std::vector<std::uint8_t> wire;
    const int built = BuildFrame(data, size, command, &wire);
    if (built != RESULT_OK)
        return built;
    const std::int64_t length = std::int64_t(wire.size());
    std::int64_t total = 0;
    if (progress)
        (*progress)(TransferDirection::Sending, 0, int(length));
    for (std::int64_t at = 0; at < length;) {
        const std::int64_t piece = std::min<std::int64_t>(WRITE_PIECE, length - at);
        const std::int64_t written = port.Write(wire.data() + at, piece, WRITE_TIMEOUT_MS);
        if (written < 0)
            return RESULT_WRITE_FAILED;
        total += std::min(written, piece);
        at += piece;
        if (progress)
            (*progress)(TransferDirection::Sending, int(total), int(length));
    }
    return total < length ? RESULT_TIMEOUT : RESULT_OK;
}

int CDevice::ReadUnescapedByte(IDeviceTransport& port, std::uint8_t* byte)
{
    std::uint8_t raw = 0;
    int result = ReadStatusResult(port.ReadByte(&raw, READ_TIMEOUT_MS));
    if (result != RESULT_OK)
        return result;
    if (raw != FRAME_ESCAPE) {
        *byte = raw;
        return RESULT_OK;
    }
    result = ReadStatusResult(port.ReadByte(&raw, READ_TIMEOUT_MS));
    if (result != RESULT_OK)
        return result;
    if (raw == ESCAPED_ESCAPE)
        *byte = FRAME_ESCAPE;
    else if (raw == ESCAPED_START)
        *byte = FRAME_START;
    else
        return RESULT_BAD_ESCAPE;
    return RESULT_OK;
}

int CDevice::ReadFrame(IDeviceTransport& port, std::uint8_t* data, int size, std::uint8_t* command,
                       const ProgressCallback* progress)
{
    std::uint8_t start = 0;
    int result = ReadStatusResult(port.ReadByte(&start, READ_TIMEOUT_MS));
    if (result != RESULT_OK)
        return result;
    if (start != FRAME_START)
        return RESULT_BAD_START;

    std::uint8_t head[2] = {};
    if ((result = ReadUnescapedByte(port, &head[0])) != RESULT_OK)
        return result;
    if (head[0] < FRAME_OVERHEAD || head[0] - FRAME_OVERHEAD != size)
        return RESULT_BAD_LENGTH;
    if ((result = ReadUnescapedByte(port, &head[1])) != RESULT_OK)
        return result;
    *command = head[1];
    if (progress)
        (*progress)(TransferDirection::Receiving, 0, size);
    for (int i = 0; i < size; ++i) {
        if ((result = ReadUnescapedByte(port, &data[i])) != RESULT_OK)
            return result;
        if (progress)
            (*progress)(TransferDirection::Receiving, i + 1, size);
    }
    std::uint8_t hi = 0;
    std::uint8_t lo = 0;
    if ((result = ReadUnescapedByte(port, &hi)) != RESULT_OK)
        return result;
    if ((result = ReadUnescapedByte(port, &lo)) != RESULT_OK)
        return result;
    const std::uint16_t sum = FrameChecksum(FrameChecksum(0, head, 2), data, std::size_t(size));
    return sum == ((hi << 8) | lo) ? RESULT_OK : RESULT_FRAME_CHECKSUM;
}

// ---------------------------------------------------------------- transactions

int CDevice::Identify(IDeviceTransport& port, std::uint8_t* identification)
{
    return ByteTransaction(port, true, CMD_IDENTIFY, nullptr, 0, identification);
}

int CDevice::WriteProgram(IDeviceTransport& port, const std::uint8_t* image, int size, std::uint8_t* reply,
                          const ProgressCallback* progress)
{
    return ByteTransaction(port, true, CMD_WRITE_PROGRAM, image, size, reply, progress);
}

int CDevice::ReadProgram(IDeviceTransport& port, std::uint8_t* buffer, int size, const ProgressCallback* progress)
{
    std::fill(buffer, buffer + size, std::uint8_t(0));
    ConfigurePort(port);
    const int result = WriteFrame(port, nullptr, 0, CMD_READ_PROGRAM);
    if (result != RESULT_OK)
        return result;
    std::uint8_t replyCommand = 0;
    return ReadFrame(port, buffer, size, &replyCommand, progress);
}

int CDevice::ReadChannelState(IDeviceTransport& port, int records, ChannelState* states)
{
    if (records < 1 || records > 2)
        return RESULT_BAD_LENGTH;
    ConfigurePort(port);
    int result = WriteFrame(port, nullptr, 0, CMD_READ_STATE);
    if (result != RESULT_OK)
        return result;
    std::uint8_t reply[2 * CHANNEL_RECORD_SIZE] = {};
    std::uint8_t replyCommand = 0;
    result = ReadFrame(port, reply, records * CHANNEL_RECORD_SIZE, &replyCommand);
    if (result != RESULT_OK)
        return result;
    for (int i = 0; i < records; ++i)
        states[i] = DecodeChannelState(reply + i * CHANNEL_RECORD_SIZE);
    return RESULT_OK;
}

int CDevice::SendPassword(IDeviceTransport& port, const std::uint8_t* bytes, int size, bool* accepted)
{
    *accepted = false;
    if (size <= 0) {
        *accepted = true;
        return RESULT_OK;
    }
    std::uint8_t reply = 0;
    const int result = ByteTransaction(port, false, CMD_SEND_PASSWORD, bytes, size, &reply);
    *accepted = result == RESULT_OK && reply == REPLY_ACCEPTED;
    return result;
}

int CDevice::ChangePassword(IDeviceTransport& port, const PasswordBytes& current, const PasswordBytes& next,
                            bool* accepted)
{
    std::uint8_t data[2 * PASSWORD_SIZE];
    std::copy(current.begin(), current.end(), data);
    std::copy(next.begin(), next.end(), data + PASSWORD_SIZE);
    std::uint8_t reply = 0;
    const int result = ByteTransaction(port, true, CMD_CHANGE_PASSWORD, data, int(sizeof data), &reply);
    *accepted = result == RESULT_OK && reply == REPLY_ACCEPTED;
    return result;
}

int CDevice::PasswordReset(IDeviceTransport& port, bool* accepted)
{
    std::uint8_t reply = 0;
    const int result = ByteTransaction(port, true, CMD_RESET_PASSWORD, nullptr, 0, &reply);
    *accepted = result == RESULT_OK && reply == REPLY_ACCEPTED;
    return result;
}

// ---------------------------------------------------------------- operations

int CDevice::OpenAndIdentify(ModelCode model, Port* port)
{
    int result = OpenSelectedPort(port);
    if (result != RESULT_OK)
        return result;
    std::uint8_t identification = 0;
    if (m_trustIdentification) {
        // Identified a moment ago: the identification's own configuring of the port is
        // still needed, since the password command that may follow does not configure it.
        ConfigurePort(**port);
        const DeviceEntry& entry = m_entries[std::size_t(m_selected)];
        identification = IdentificationByte(entry.deviceType, entry.revision);
    } else {
        result = Identify(**port, &identification);
    }
    if (result == RESULT_OK && DeviceType(identification) != ModelNumber(model))
        result = RESULT_WRONG_MODEL;
    if (result != RESULT_OK)
        ClosePort(port);
    return result;
}

int CDevice::IdentifySelected(std::uint8_t* identification)
{
    if (m_trustIdentification) {
        const DeviceEntry& entry = m_entries[std::size_t(m_selected)];
        *identification = IdentificationByte(entry.deviceType, entry.revision);
        return RESULT_OK;
    }
    Port port;
    int result = OpenSelectedPort(&port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return Identify(*port, identification);
}

int CDevice::UnlockRelay(IDeviceTransport& port)
{
    bool accepted = false;
    int result = SendPassword(port, m_passwordCache.data(), PASSWORD_SIZE, &accepted);
    if (result != RESULT_OK || accepted)
        return result;
    QString text;
    if (!m_prompt || !m_prompt(&text))
        return RESULT_PASSWORD_REFUSED;
    if (!PasswordFits(text))
        return RESULT_PASSWORD_TOO_LONG;
    const PasswordBytes bytes = MakePasswordBytes(text);
    result = SendPassword(port, bytes.data(), PASSWORD_SIZE, &accepted);
    if (result != RESULT_OK)
        return result;
    if (!accepted)
        return RESULT_PASSWORD_REFUSED;
    m_passwordCache = bytes;
    return RESULT_OK;
}

int CDevice::WriteProgramOnPort(ModelCode model, IDeviceTransport& port, const std::uint8_t* image, int size)
{
    int result = RESULT_OK;
    const bool locked = (model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318;
    if (locked && (result = UnlockRelay(port)) != RESULT_OK)
        return result;
    std::uint8_t reply = 0;
    if ((result = WriteProgram(port, image, size, &reply, m_progress ? &m_progress : nullptr)) != RESULT_OK)
        return result;
    if (reply == REPLY_ACCEPTED)
        return RESULT_OK;
    // A refusal is never reported as success: the program is not in the relay. Model
    // QVS_K115_318 refuses for a missing unlock, so the password message fits there.
    if (reply == REPLY_REFUSED && locked)
        return RESULT_PASSWORD_REFUSED;
    return RESULT_WRITE_NOT_ACCEPTED;
}

int CDevice::SendProgramToRelay(ModelCode model, const std::uint8_t* image, int size)
{
    Port port;
    const int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return WriteProgramOnPort(model, *port, image, size);
}

int CDevice::SendProgramToRelay(const CQuorvexDoc& doc)
{
    return SendProgramToRelay(doc.GetModelCode(), doc.GetData(), doc.GetDataSize());
}

int CDevice::SendAndVerifyProgram(ModelCode model, const std::uint8_t* image, int size, VerifyReport* report)
{
    VerifyReport local;
    VerifyReport& outcome = report ? *report : local;
    outcome = VerifyReport{};
    const int imageSize = ProgramImageSize(model);
    if (imageSize == 0)
        return RESULT_WRONG_MODEL;
    Port port;
    int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    if ((result = WriteProgramOnPort(model, *port, image, size)) != RESULT_OK)
        return result;
    // Read back on the same port. The password goes again first (the cached bytes that were
    // just accepted, so nobody is asked), in case a relay locks itself after a write.
    std::vector<std::uint8_t> stored;
    if ((result = UnlockAndReadProgram(model, *port, &stored)) != RESULT_OK)
        return result;
    outcome.compared = true;
    for (int i = 0; i < imageSize; ++i) {
        if (i >= size || stored[std::size_t(i)] != image[i]) {
            if (outcome.firstDifference < 0)
                outcome.firstDifference = i;
            ++outcome.differing;
        }
    }
    outcome.stored = std::move(stored);
    return outcome.differing == 0 ? RESULT_OK : RESULT_VERIFY_MISMATCH;
}

int CDevice::UnlockAndReadProgram(ModelCode model, IDeviceTransport& port, std::vector<std::uint8_t>* image)
{
    int result = RESULT_OK;
    if ((model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318 && (result = UnlockRelay(port)) != RESULT_OK)
        return result;
    // Filled only on success, so a failed read leaves the caller's image as it was.
    std::vector<std::uint8_t> buffer(std::size_t(ProgramImageSize(model)), 0);
    if ((result = ReadProgram(port, buffer.data(), int(buffer.size()), m_progress ? &m_progress : nullptr))
        != RESULT_OK)
        return result;
    *image = std::move(buffer);
    return RESULT_OK;
}

int CDevice::ReadProgramImage(ModelCode model, std::vector<std::uint8_t>* image)
{
    if (ProgramImageSize(model) == 0)
        return RESULT_WRONG_MODEL;
    Port port;
    int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    // With an identification taken a moment ago the port opened above is used at once;
    // otherwise it is opened anew after the identification, as the window has always done.
    if (!m_trustIdentification) {
        ClosePort(&port);
        if ((result = OpenSelectedPort(&port)) != RESULT_OK)
            return result;
    }
    PortCloser closer{port};
    return UnlockAndReadProgram(model, *port, image);
}

int CDevice::ReadProgramFromRelay(CQuorvexDoc& doc, bool* newlyModified)
{
    if (newlyModified)
        *newlyModified = false;
    std::vector<std::uint8_t> image;
    const int result = ReadProgramImage(doc.GetModelCode(), &image);
    if (result != RESULT_OK)
        return result;
    const int count = std::min(doc.GetDataSize(), int(image.size()));
    std::copy(image.begin(), image.begin() + count, doc.GetData());
    const bool wasModified = doc.IsModified() != 0;
    doc.SetModified();
    if (newlyModified)
        *newlyModified = !wasModified;
    return RESULT_OK;
}

int CDevice::StartView(const CQuorvexDoc& doc)
{
    const ModelCode model = doc.GetModelCode();
    const int size = ProgramImageSize(model);
    if (size == 0)
        return RESULT_WRONG_MODEL;
    Port port;
    int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    std::vector<std::uint8_t> buffer;
    if ((result = UnlockAndReadProgram(model, *port, &buffer)) != RESULT_OK)
        return result;
    ClosePort(&port);
    const int count = std::min(doc.GetDataSize(), size);
    return std::equal(buffer.begin(), buffer.begin() + count, doc.GetData()) ? RESULT_OK : RESULT_VIEW_MISMATCH;
}

int CDevice::PollView(ModelCode model, ChannelState* states)
{
    const int records = ChannelCount(model);
    if (records == 0)
        return RESULT_WRONG_MODEL;
    Port port;
    const int result = OpenSelectedPort(&port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return ReadChannelState(*port, records, states);
}

int CDevice::PasswordModelCheck(ModelCode model)
{
    switch (model & MODEL_NUMBER_MASK) {
    case MODEL_QVS_K115_318: return RESULT_OK;
    case MODEL_QVR_K115_ZQX: return RESULT_NO_PASSWORD;
    default: return RESULT_WRONG_MODEL;
    }
}

int CDevice::ChangeRelayPassword(ModelCode model, const PasswordBytes& current, const PasswordBytes& next)
{
    if (const int refused = PasswordModelCheck(model))
        return refused;
    Port port;
    int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    bool accepted = false;
    if ((result = ChangePassword(*port, current, next, &accepted)) != RESULT_OK)
        return result;
    if (!accepted)
        return RESULT_PASSWORD_REFUSED;
    m_passwordCache = next;
    return RESULT_OK;
}

int CDevice::ChangeRelayPassword(ModelCode model, const QString& current, const QString& next,
                                 const QString& confirmation)
{
    if (const int refused = PasswordModelCheck(model))
        return refused;
    if (!PasswordFits(current) || !PasswordFits(next) || !PasswordFits(confirmation))
        return RESULT_PASSWORD_TOO_LONG;
    const PasswordBytes nextBytes = MakePasswordBytes(next);
    if (nextBytes != MakePasswordBytes(confirmation))
        return RESULT_PASSWORD_MISMATCH;
    return ChangeRelayPassword(model, MakePasswordBytes(current), nextBytes);
}

int CDevice::ResetRelayPassword(ModelCode model)
{
    if (const int refused = PasswordModelCheck(model))
        return refused;
    Port port;
    int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    bool accepted = false;
    if ((result = PasswordReset(*port, &accepted)) != RESULT_OK)
        return result;
    if (!accepted)
        return RESULT_RESET_REFUSED;
    m_passwordCache = PasswordBytes{};
    return RESULT_OK;
}
