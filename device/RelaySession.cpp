#include "RelaySession.h"

#include "ResultCodes.h"

#include <algorithm>

using namespace DeviceProtocol;
using namespace RelayFrames;

namespace {

// Closes the port of an operation on every path out of it.
struct PortCloser {
    CRelaySession::Port& port;
    ~PortCloser() { CRelaySession::ClosePort(&port); }
};

bool IsLockedModel(ModelCode model)
{
    return (model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318;
}

} // namespace

CRelaySession::CRelaySession(TransportFactory factory) : m_factory(std::move(factory)) {}

void CRelaySession::SetPort(const QString& portName)
{
    m_port = portName;
    m_trusted.reset();
}

// ---------------------------------------------------------------- serial link

int CRelaySession::OpenPort(Port* port)
{
    if (m_port.isEmpty()) {
        port->reset();
        m_lastOpenFailure = PortOpenFailure::NoSelection;
        return RESULT_NO_PORT;
    }
    return OpenPort(m_port, port);
}

int CRelaySession::OpenPort(const QString& portName, Port* port)
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

void CRelaySession::ClosePort(Port* port)
{
    if (*port) {
        (*port)->Close();
        port->reset();
    }
}

// ---------------------------------------------------------------- operations

int CRelaySession::IdentifyPort(const QString& portName, std::uint8_t* identification)
{
    Port port;
    const int result = OpenPort(portName, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return RelayFrames::Identify(*port, identification);
}

int CRelaySession::OpenAndIdentify(ModelCode model, Port* port)
{
    int result = OpenPort(port);
    if (result != RESULT_OK)
        return result;
    std::uint8_t identification = 0;
    if (m_trusted) {
        // Identified a moment ago: the identification's own configuring of the port is
        // still needed, since the password command that may follow does not configure it.
        (*port)->Configure();
        identification = *m_trusted;
    } else {
        result = RelayFrames::Identify(**port, &identification);
    }
    if (result == RESULT_OK && DeviceType(identification) != ModelNumber(model))
        result = RESULT_WRONG_MODEL;
    if (result != RESULT_OK)
        ClosePort(port);
    return result;
}

int CRelaySession::Identify(std::uint8_t* identification)
{
    if (m_trusted) {
        *identification = *m_trusted;
        return RESULT_OK;
    }
    Port port;
    const int result = OpenPort(&port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return RelayFrames::Identify(*port, identification);
}

int CRelaySession::UnlockRelay(IDeviceTransport& port)
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

int CRelaySession::WriteProgramOnPort(ModelCode model, IDeviceTransport& port, const std::uint8_t* image, int size)
{
    int result = RESULT_OK;
    const bool locked = IsLockedModel(model);
    if (locked && (result = UnlockRelay(port)) != RESULT_OK)
        return result;
    std::uint8_t reply = 0;
    if ((result = WriteProgram(port, image, size, &reply, Progress())) != RESULT_OK)
        return result;
    if (reply == REPLY_ACCEPTED)
        return RESULT_OK;
    // A refusal is never reported as success: the program is not in the relay. Model
    // QVS_K115_318 refuses for a missing unlock, so the password message fits there.
    if (reply == REPLY_REFUSED && locked)
        return RESULT_PASSWORD_REFUSED;
    return RESULT_WRITE_NOT_ACCEPTED;
}

int CRelaySession::SendProgram(ModelCode model, const std::uint8_t* image, int size)
{
    Port port;
    const int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return WriteProgramOnPort(model, *port, image, size);
}

int CRelaySession::SendAndVerifyProgram(ModelCode model, const std::uint8_t* image, int size, VerifyReport* report)
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

int CRelaySession::UnlockAndReadProgram(ModelCode model, IDeviceTransport& port, std::vector<std::uint8_t>* image)
{
    int result = RESULT_OK;
    if (IsLockedModel(model) && (result = UnlockRelay(port)) != RESULT_OK)
        return result;
    // Filled only on success, so a failed read leaves the caller's image as it was.
    std::vector<std::uint8_t> buffer(std::size_t(ProgramImageSize(model)), 0);
    if ((result = ReadProgram(port, buffer.data(), int(buffer.size()), Progress())) != RESULT_OK)
        return result;
    *image = std::move(buffer);
    return RESULT_OK;
}

int CRelaySession::ReadProgramImage(ModelCode model, std::vector<std::uint8_t>* image)
{
    if (ProgramImageSize(model) == 0)
        return RESULT_WRONG_MODEL;
    Port port;
    int result = OpenAndIdentify(model, &port);
    if (result != RESULT_OK)
        return result;
    // With an identification taken a moment ago the port opened above is used at once;
    // otherwise it is opened anew after the identification, as the window has always done.
    if (!m_trusted) {
        ClosePort(&port);
        if ((result = OpenPort(&port)) != RESULT_OK)
            return result;
    }
    PortCloser closer{port};
    return UnlockAndReadProgram(model, *port, image);
}

int CRelaySession::StartView(ModelCode model, const std::uint8_t* image, int size)
{
    const int imageSize = ProgramImageSize(model);
    if (imageSize == 0)
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
    const int count = std::min(size, imageSize);
    return std::equal(buffer.begin(), buffer.begin() + count, image) ? RESULT_OK : RESULT_VIEW_MISMATCH;
}

int CRelaySession::PollView(ModelCode model, ChannelState* states)
{
    const int records = ChannelCount(model);
    if (records == 0)
        return RESULT_WRONG_MODEL;
    Port port;
    const int result = OpenPort(&port);
    if (result != RESULT_OK)
        return result;
    PortCloser closer{port};
    return ReadChannelState(*port, records, states);
}

int CRelaySession::PasswordModelCheck(ModelCode model)
{
    switch (model & MODEL_NUMBER_MASK) {
    case MODEL_QVS_K115_318: return RESULT_OK;
    case MODEL_QVR_K115_ZQX: return RESULT_NO_PASSWORD;
    default: return RESULT_WRONG_MODEL;
    }
}

int CRelaySession::ChangeRelayPassword(ModelCode model, const PasswordBytes& current, const PasswordBytes& next)
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

int CRelaySession::ChangeRelayPassword(ModelCode model, const QString& current, const QString& next,
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

int CRelaySession::ResetRelayPassword(ModelCode model)
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
