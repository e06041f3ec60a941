#pragma once
// CDevice: the list of attached relays with the user's selection, the frame layer on a serial
// port, the relay transactions and the device operations built from them.
//
// Every operation opens the selected port, runs its transactions and closes the port again
// on every path; no port stays open between operations. Operations hold no widgets: where a
// password must be asked for, they call the prompt supplied with SetPasswordPrompt. An
// operation may run on a worker QThread: the port is created, used and destroyed inside it,
// and the prompt is called on that same thread (a window shows its dialog on the interface
// thread, e.g. through a blocking queued call). CDevice itself is not locked; its owner lets
// one operation or one discovery pass use it at a time.

#include "DeviceProtocol.h"
#include "DeviceTransport.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CQuorvexDoc;

// One relay found by discovery.
struct DeviceEntry {
    QString displayName;     // by device type; also the menu caption
    QString portName;        // system location of the port (e.g. /dev/ttyACM0)
    std::uint8_t deviceType = 0;
    std::uint8_t revision = 0;
    bool seen = true;        // found by the current discovery pass
    bool selectionTag = false;  // carries the selection while a pass ends
};

// Caption of a relay of a device type: fixed texts, not language texts.
QString DeviceDisplayName(int deviceType);
// Version text "type.revision" of an identification byte, e.g. "2.3".
QString DeviceVersionText(std::uint8_t identification);

// Which way the bytes of a program transfer go.
enum class TransferDirection { Sending, Receiving };

// Outcome of the comparison after a send (SendAndVerifyProgram).
struct VerifyReport {
    bool compared = false;   // the program was read back and compared
    int differing = 0;       // bytes that differ
    int firstDifference = -1;  // offset of the first differing byte in the image, -1 if none
    std::vector<std::uint8_t> stored;  // what the relay holds, when it was read back
};

class CDevice {
public:
    // Open port of one operation; null when not open.
    using Port = std::unique_ptr<IDeviceTransport>;
    // Asks the user for the relay's password; false when the user cancels.
    using PasswordPrompt = std::function<bool(QString* password)>;
    // Progress of a program transfer, called on the operation's thread: sending, the wire
    // bytes of the program frame handed to the port so far (including escapes); receiving,
    // the program bytes received so far. Called with 0 before the first byte and once per
    // piece written or byte received; the bytes on the wire are the same with or without it.
    using ProgressCallback = std::function<void(TransferDirection direction, int done, int total)>;

    explicit CDevice(TransportFactory factory = CreateSerialTransport);

    // ---- relay list and selection
    int GetCount() const { return int(m_entries.size()); }
    QString GetPortName(int i) const;
    QString GetDisplayName(int i) const;
    int GetDeviceType(int i) const;
    int GetRevision(int i) const;  // 0 when i is out of range
    int GetSelected() const { return m_selected; }
    void SelectDevice(int i);
    // Lets the operations take the selected relay's identification from the list instead of
    // asking the relay again, until the selection or the list changes. For a caller that has
    // just identified the relay itself (a command-line tool running one command on a relay
    // it found a moment ago): it saves one identification, about 90 ms at 1200 baud. A list
    // that can be seconds old (the window's) should not be trusted this way.
    void TrustSelectedIdentification();
    // Makes the relay on `portName` the only entry of the list, selected, with nothing known
    // about it: every operation identifies it anew. For a CDevice that runs one operation for
    // another one that keeps the list (a worker thread's, given a copy of the selected port).
    void SelectPort(const QString& portName);
    // One discovery pass: BeginPass, AddOrMark for each candidate port, EndPass.
    void BeginPass();
    // Opens the port, identifies the relay and closes the port; marks the matching entry as
    // seen or appends a new one. Returns the result of open and identify (the entry is left
    // alone on failure).
    int AddOrMark(const QString& portName);
    // The list rule of AddOrMark for a relay already identified.
    void AddOrMarkIdentified(const QString& portName, std::uint8_t identification);
    void EndPass();

    // ---- serial link
    int OpenSelectedPort(Port* port);
    int OpenPort(const QString& portName, Port* port);
    // Why the last open of this device failed (34 keeps its number whatever the reason;
    // this tells the user what to do, e.g. join the group that may use serial ports).
    PortOpenFailure LastOpenFailure() const { return m_lastOpenFailure; }
    static void ClosePort(Port* port);
    static void ConfigurePort(IDeviceTransport& port);
    // Wire form of one frame; 21 when it cannot be formed.
    static int BuildFrame(const std::uint8_t* data, int size, std::uint8_t command, std::vector<std::uint8_t>* wire);
    static int WriteFrame(IDeviceTransport& port, const std::uint8_t* data, int size, std::uint8_t command,
                          const ProgressCallback* progress = nullptr);
    // Receives one reply carrying exactly `size` data bytes into `data`.
    static int ReadFrame(IDeviceTransport& port, std::uint8_t* data, int size, std::uint8_t* command,
                         const ProgressCallback* progress = nullptr);
    static int ReadUnescapedByte(IDeviceTransport& port, std::uint8_t* byte);

    // ---- transactions on an open port
    static int Identify(IDeviceTransport& port, std::uint8_t* identification);
    static int WriteProgram(IDeviceTransport& port, const std::uint8_t* image, int size, std::uint8_t* reply,
                            const ProgressCallback* progress = nullptr);
    static int ReadProgram(IDeviceTransport& port, std::uint8_t* buffer, int size,
                           const ProgressCallback* progress = nullptr);
    static int ReadChannelState(IDeviceTransport& port, int records, DeviceProtocol::ChannelState* states);
    static int SendPassword(IDeviceTransport& port, const std::uint8_t* bytes, int size, bool* accepted);
    static int ChangePassword(IDeviceTransport& port, const DeviceProtocol::PasswordBytes& current,
                              const DeviceProtocol::PasswordBytes& next, bool* accepted);
    static int PasswordReset(IDeviceTransport& port, bool* accepted);

    // ---- operations (each opens and closes the selected port)
    void SetPasswordPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }
    void SetProgressCallback(ProgressCallback progress) { m_progress = std::move(progress); }
    const DeviceProtocol::PasswordBytes& PasswordCache() const { return m_passwordCache; }
    // The last accepted password, as another CDevice of the same relay list learnt it.
    void SetPasswordCache(const DeviceProtocol::PasswordBytes& bytes) { m_passwordCache = bytes; }

    // Identification byte of the selected relay, whatever its model (the version command).
    int IdentifySelected(std::uint8_t* identification);
    // Writes the program image into the relay of the model.
    int SendProgramToRelay(ModelCode model, const std::uint8_t* image, int size);
    int SendProgramToRelay(const CQuorvexDoc& doc);
    // Writes the program image, then reads it back on the same open port and compares it
    // byte for byte: 460 when the relay holds something else (the report says where).
    int SendAndVerifyProgram(ModelCode model, const std::uint8_t* image, int size, VerifyReport* report = nullptr);
    // Reads the relay's program image (the model's image size); `image` is written only on
    // success.
    int ReadProgramImage(ModelCode model, std::vector<std::uint8_t>* image);
    // Reads the relay's program into the document; on failure the document is untouched. On
    // success the document is marked modified; *newlyModified tells whether it was not
    // marked before.
    int ReadProgramFromRelay(CQuorvexDoc& doc, bool* newlyModified = nullptr);
    // Checks that the relay runs the document's program before viewing starts (36 if not).
    int StartView(const CQuorvexDoc& doc);
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
    // The write of SendProgramToRelay on an open, identified port.
    int WriteProgramOnPort(ModelCode model, IDeviceTransport& port, const std::uint8_t* image, int size);
    // On an open port: unlocks a relay of model QVS_K115_318, then reads its program image.
    int UnlockAndReadProgram(ModelCode model, IDeviceTransport& port, std::vector<std::uint8_t>* image);

    TransportFactory m_factory;
    std::vector<DeviceEntry> m_entries;
    int m_selected = -1;
    bool m_trustIdentification = false;
    PortOpenFailure m_lastOpenFailure = PortOpenFailure::None;
    DeviceProtocol::PasswordBytes m_passwordCache{};
    PasswordPrompt m_prompt;
    ProgressCallback m_progress;
};
