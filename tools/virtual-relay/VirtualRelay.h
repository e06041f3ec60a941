#pragma once
// The relay's side of the protocol: frame reception, the command set, program memory and
// the password lock. Bytes go in one at a time; complete replies come out as wire bytes.

#include "DeviceProtocol.h"
#include "LiveProgram.h"

#include <cstdint>
#include <memory>
#include <vector>

struct VirtualRelayOptions {
    ModelCode model = MODEL_QVR_K115_ZQX;
    int revision = 1;
    DeviceProtocol::PasswordBytes password{};  // model QVS_K115_318 only
    bool refuseWrites = false;  // answer every program write with "refused"
    bool refuseReset = false;   // answer every password reset with "refused"
    bool storeCorrupted = false;  // store every written program with one byte changed, yet accept it
    std::vector<std::uint8_t> program;  // program memory at power-up; empty: the model's default program
};

class CVirtualRelay {
public:
    explicit CVirtualRelay(const VirtualRelayOptions& options);

    // Takes one received byte; appends the wire form of any reply to `reply`.
    void Receive(std::uint8_t byte, std::vector<std::uint8_t>* reply);
    void Advance(double seconds) { m_live->Advance(seconds); }

    const std::vector<std::uint8_t>& Program() const { return m_program; }
    // How many programs the relay has stored since power-up.
    int StoreCount() const { return m_stores; }

private:
    void Handle(std::uint8_t command, const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>* reply);
    void Answer(std::uint8_t command, const std::uint8_t* data, int size, std::vector<std::uint8_t>* reply);
    bool HasPasswordLock() const;

    VirtualRelayOptions m_options;
    std::vector<std::uint8_t> m_program;
    std::unique_ptr<ILiveProgram> m_live;
    bool m_unlocked = false;
    int m_stores = 0;

    // Frame reception.
    enum class RxState { Idle, Body };
    RxState m_rx = RxState::Idle;
    bool m_escape = false;
    std::vector<std::uint8_t> m_frame;  // LEN, CMD, data, SUM_HI, SUM_LO, unescaped
};
