#pragma once
// A relay session: the device operations on the relay of one port, built from the
// transactions of RelayFrames.h, with the password the relay last accepted.
//
// Every operation opens the port, runs its transactions and closes the port again on every
// path; no port stays open between operations. Operations hold no widgets: where a password
// must be asked for, they call the prompt supplied with SetPasswordPrompt. A session may run
// on a worker QThread: the port is created, used and destroyed inside it, and the prompt is
// called on that same thread. A session is not locked; its owner runs one operation at a time.

#include "RelayFrames.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Outcome of the comparison after a send (SendAndVerifyProgram).
struct VerifyReport {
    bool compared = false;   // the program was read back and compared
    int differing = 0;       // bytes that differ
    int firstDifference = -1;  // offset of the first differing byte in the image, -1 if none
    std::vector<std::uint8_t> stored;  // what the relay holds, when it was read back
};

class CRelaySession {
public:
    // Open port of one operation; null when not open.
    using Port = std::unique_ptr<IDeviceTransport>;
    // Asks the user for the relay's password; false when the user cancels.
    using PasswordPrompt = std::function<bool(QString* password)>;
    using ProgressCallback = RelayFrames::ProgressCallback;

    explicit CRelaySession(TransportFactory factory = CreateSerialTransport);

    // The relay the operations go to; empty: none (every operation ends with 34).
    void SetPort(const QString& portName);
    const QString& PortName() const { return m_port; }
    // Lets the operations take this identification of the relay instead of asking it again,
    // until the port changes. For a caller that has just identified the relay itself (a
    // command-line tool running one command on a relay it found a moment ago): it saves one
    // identification, about 90 ms at 1200 baud. A list that can be seconds old (the window's)
    // should not be trusted this way.
    void TrustIdentification(std::uint8_t identification) { m_trusted = identification; }

    // ---- the serial link
    // Opens the session's port (34 with NoSelection when it has none), or any port.
    int OpenPort(Port* port);
    int OpenPort(const QString& portName, Port* port);
    // Why the last open of this session failed (34 keeps its number whatever the reason; this
    // tells the user what to do, e.g. join the group that may use serial ports).
    PortOpenFailure LastOpenFailure() const { return m_lastOpenFailure; }
    static void ClosePort(Port* port);

    // ---- password and progress
    void SetPasswordPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }
    void SetProgressCallback(ProgressCallback progress) { m_progress = std::move(progress); }
    const DeviceProtocol::PasswordBytes& PasswordCache() const { return m_passwordCache; }
    // The last accepted password, as learnt by an earlier session of the same relays.
    void SetPasswordCache(const DeviceProtocol::PasswordBytes& bytes) { m_passwordCache = bytes; }

    // ---- operations
    // Opens a port, identifies its relay and closes the port (one step of a discovery pass).
    int IdentifyPort(const QString& portName, std::uint8_t* identification);
    // Identification byte of the session's relay, whatever its model (the version command).
    int Identify(std::uint8_t* identification);
    // Writes the program image into the relay of the model.
    int SendProgram(ModelCode model, const std::uint8_t* image, int size);
    // Writes the program image, then reads it back on the same open port and compares it
    // byte for byte: 460 when the relay holds something else (the report says where).
    int SendAndVerifyProgram(ModelCode model, const std::uint8_t* image, int size, VerifyReport* report = nullptr);
    // Reads the relay's program image (the model's image size); `image` is written only on
    // success.
    int ReadProgramImage(ModelCode model, std::vector<std::uint8_t>* image);
    // Checks that the relay runs this program before viewing starts (36 if not): the first
    // min(size, model's image size) bytes are compared.
    int StartView(ModelCode model, const std::uint8_t* image, int size);
    // One poll of the view: the state of each channel of the model (1 or 2 records).
    int PollView(ModelCode model, DeviceProtocol::ChannelState* states);
    // Password commands of model QVS_K115_318. Model QVR_K115_ZQX has no password: they
    // return 462 for it before anything is sent.
    int ChangeRelayPassword(ModelCode model, const DeviceProtocol::PasswordBytes& current,
                            const DeviceProtocol::PasswordBytes& next);
    // Refuses a password longer than the relay's 8 bytes (461), then checks the confirmation
    // (41), both before any transfer; then changes the password.
    int ChangeRelayPassword(ModelCode model, const QString& current, const QString& next, const QString& confirmation);
    int ResetRelayPassword(ModelCode model);

    // Runs on an open, identified port of model QVS_K115_318: cached password first, then
    // one prompt. A prompted password longer than 8 bytes is not sent (461).
    int UnlockRelay(IDeviceTransport& port);

private:
    int OpenAndIdentify(ModelCode model, Port* port);
    // 0 for model QVS_K115_318; 462 for model QVR_K115_ZQX; 39 for any other code.
    static int PasswordModelCheck(ModelCode model);
    // The write of SendProgram on an open, identified port.
    int WriteProgramOnPort(ModelCode model, IDeviceTransport& port, const std::uint8_t* image, int size);
    // On an open port: unlocks a relay of model QVS_K115_318, then reads its program image.
    int UnlockAndReadProgram(ModelCode model, IDeviceTransport& port, std::vector<std::uint8_t>* image);
    const ProgressCallback* Progress() const { return m_progress ? &m_progress : nullptr; }

    TransportFactory m_factory;
    QString m_port;
    std::optional<std::uint8_t> m_trusted;
    PortOpenFailure m_lastOpenFailure = PortOpenFailure::None;
    DeviceProtocol::PasswordBytes m_passwordCache{};
    PasswordPrompt m_prompt;
    ProgressCallback m_progress;
};
