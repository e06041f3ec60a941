#include "VirtualRelay.h"

#include "QuorvexDoc.h"

#include <algorithm>

using namespace DeviceProtocol;

CVirtualRelay::CVirtualRelay(const VirtualRelayOptions& options)
    : m_options(options), m_live(CreateLiveProgram(options.model))
{
    // Program memory starts with the program it held before, or the default program of the model.
    const std::unique_ptr<CQuorvexDoc> doc = CreateDocument(options.model);
    if (doc && int(options.program.size()) == doc->GetDataSize()) {
        m_program = options.program;
    } else if (doc) {
        doc->ResetProgram(0);
        m_program.assign(doc->GetData(), doc->GetData() + doc->GetDataSize());
    }
    m_live->Restart(m_program.data(), int(m_program.size()));
}

bool CVirtualRelay::HasPasswordLock() const
{
    return (m_options.model & MODEL_NUMBER_MASK) == MODEL_QVS_K115_318;
}

void CVirtualRelay::Receive(std::uint8_t byte, std::vector<std::uint8_t>* reply)
{
    // The start byte never appears escaped, so it always begins a new frame; whatever was
    // collected before is dropped.
    if (byte == FRAME_START) {
        m_rx = RxState::Body;
        m_escape = false;
        m_frame.clear();
        return;
    }
    if (m_rx == RxState::Idle)
        return;
    if (m_escape) {
        m_escape = false;
        if (byte == ESCAPED_ESCAPE)
            byte = FRAME_ESCAPE;
        else if (byte == ESCAPED_START)
            byte = FRAME_START;
        else {
            m_rx = RxState::Idle;  // a bad escape spoils the frame
            return;
        }
    } else if (byte == FRAME_ESCAPE) {
        m_escape = true;
        return;
    }
    m_frame.push_back(byte);
    if (m_frame.front() < FRAME_OVERHEAD) {
        m_rx = RxState::Idle;
        return;
    }
    // LEN counts itself, CMD, the data and both checksum bytes.
    if (int(m_frame.size()) < m_frame.front())
        return;
    m_rx = RxState::Idle;
    const int size = m_frame[0] - FRAME_OVERHEAD;
    const std::uint16_t sum = FrameChecksum(0, m_frame.data(), std::size_t(size + 2));
    const std::uint16_t sent = std::uint16_t((m_frame[std::size_t(size + 2)] << 8) | m_frame[std::size_t(size + 3)]);
    if (sum != sent)
        return;
    const std::vector<std::uint8_t> data(m_frame.begin() + 2, m_frame.begin() + 2 + size);
    Handle(m_frame[1], data, reply);
}

void CVirtualRelay::Answer(std::uint8_t command, const std::uint8_t* data, int size, std::vector<std::uint8_t>* reply)
{
    std::vector<std::uint8_t> wire;
    // The reply carries the request's command + 1 in its CMD place.
    if (EncodeFrame(data, size, std::uint8_t(command + 1), &wire))
        reply->insert(reply->end(), wire.begin(), wire.end());
}

void CVirtualRelay::Handle(std::uint8_t command, const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>* reply)
{
    const int imageSize = int(m_program.size());
    std::uint8_t answer = 0;
    switch (command) {
    case CMD_IDENTIFY: {
        if (!data.empty())
            return;
        // Every operation begins with an identification: it locks the relay again.
        m_unlocked = false;
        answer = IdentificationByte(ModelNumber(m_options.model), m_options.revision);
        break;
    }
    case CMD_WRITE_PROGRAM:
        if (int(data.size()) != imageSize)
            return;
        if (m_options.refuseWrites || (HasPasswordLock() && !m_unlocked)) {
            answer = REPLY_REFUSED;
        } else {
            m_program = data;
            // A relay whose memory went wrong: what it keeps differs from what it got.
            if (m_options.storeCorrupted)
                m_program[std::size_t(imageSize / 2)] ^= 0x01;
            m_live->Restart(m_program.data(), imageSize);
            ++m_stores;
            answer = REPLY_ACCEPTED;
        }
        break;
    case CMD_READ_PROGRAM:
        // A locked relay keeps its program to itself and does not answer.
        if (!data.empty() || (HasPasswordLock() && !m_unlocked))
            return;
        Answer(command, m_program.data(), imageSize, reply);
        return;
    case CMD_READ_STATE: {
        if (!data.empty())
            return;
        const int channels = ChannelCount(m_options.model);
        std::uint8_t records[2 * CHANNEL_RECORD_SIZE] = {};
        for (int c = 0; c < channels; ++c)
            EncodeChannelState(m_live->State(c), records + c * CHANNEL_RECORD_SIZE);
        Answer(command, records, channels * CHANNEL_RECORD_SIZE, reply);
        return;
    }
    case CMD_SEND_PASSWORD:
        if (!HasPasswordLock() || data.size() != PASSWORD_SIZE)
            return;
        m_unlocked = std::equal(data.begin(), data.end(), m_options.password.begin());
        answer = m_unlocked ? REPLY_ACCEPTED : REPLY_REFUSED;
        break;
    case CMD_CHANGE_PASSWORD:
        if (!HasPasswordLock() || data.size() != 2 * PASSWORD_SIZE)
            return;
        if (std::equal(data.begin(), data.begin() + PASSWORD_SIZE, m_options.password.begin())) {
            std::copy(data.begin() + PASSWORD_SIZE, data.end(), m_options.password.begin());
            answer = REPLY_ACCEPTED;
        } else {
            answer = REPLY_REFUSED;
        }
        break;
    case CMD_RESET_PASSWORD:
        if (!HasPasswordLock() || !data.empty())
            return;
        if (m_options.refuseReset) {
            answer = REPLY_REFUSED;
        } else {
            m_options.password = PasswordBytes{};
            answer = REPLY_ACCEPTED;
        }
        break;
    default:
        return;  // unknown commands get no answer
    }
    Answer(command, &answer, 1, reply);
}
