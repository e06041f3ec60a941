#pragma once
// Relays inside the test's own process: the virtual relay's protocol engine behind the device
// layer's transport interface, one relay per port name. The window's device worker talks to
// them exactly as to a serial port, and the test can make a relay misbehave: refuse the open,
// fall silent or send a wrong byte after a number of reply bytes, hold its reply until
// released, or answer one command late. Like a serial line, a relay's reply stays on the line
// when the port closes; opening the port drops what has arrived by then, and a late reply
// comes in whoever has the port open. It also records how many ports were open at once.

#include "DeviceTransport.h"
#include "VirtualRelay.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class CInProcessRelays {
public:
    struct Fault {
        PortOpenFailure refuseOpen = PortOpenFailure::None;  // the open fails for this reason
        int silentAfter = -1;   // reply bytes sent from now on before the relay falls silent
        int corruptAt = -1;     // reply byte (counted from now on) sent with its bits inverted
        int lateCommand = -1;   // the next reply to this command comes lateMs after its request
        int lateMs = 0;
    };

    void Add(const QString& port, const VirtualRelayOptions& options)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        Relay& relay = m_relays[port];
        relay.engine = std::make_unique<CVirtualRelay>(options);
        relay.fault = Fault{};
        relay.sent = 0;
        relay.pending.clear();
    }
    // Unplugs the relay: its port is gone.
    void Remove(const QString& port)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_relays.erase(port);
    }
    void SetFault(const QString& port, const Fault& fault)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        Relay& relay = m_relays.at(port);
        relay.fault = fault;
        relay.sent = 0;
    }
    // While held, no reply byte is delivered (a read waits for one as long as its time-out).
    void Hold(bool held)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_held = held;
        }
        m_changed.notify_all();
    }
    // Each reply byte takes this long, as on a slow line.
    void SetByteTime(std::chrono::microseconds time)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_byteTime = time;
    }
    std::vector<std::uint8_t> Program(const QString& port) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_relays.at(port).engine->Program();
    }
    int OpenCount() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_openNow;
    }
    int MostOpenAtOnce() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_mostOpen;
    }
    int Opens(const QString& port) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_relays.find(port);
        return found == m_relays.end() ? 0 : found->second.opens;
    }
    // Requests of a command code received by the relay on a port.
    int Requests(const QString& port, std::uint8_t command) const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_relays.find(port);
        if (found == m_relays.end())
            return 0;
        const auto count = found->second.requests.find(command);
        return count == found->second.requests.end() ? 0 : count->second;
    }

    TransportFactory Factory()
    {
        return [this] { return std::unique_ptr<IDeviceTransport>(new CTransport(this)); };
    }

private:
    using Clock = std::chrono::steady_clock;
    struct ReplyByte {
        std::uint8_t byte;
        Clock::time_point due;  // when it has crossed the line
    };
    struct Relay {
        std::unique_ptr<CVirtualRelay> engine;
        Fault fault;
        std::deque<ReplyByte> pending;  // reply bytes on the line
        int sent = 0;       // reply bytes sent since the fault was set
        bool open = false;
        int opens = 0;
        std::map<std::uint8_t, int> requests;
    };

    class CTransport final : public IDeviceTransport {
    public:
        explicit CTransport(CInProcessRelays* owner) : m_owner(owner) {}
        ~CTransport() override { Close(); }

        bool Open(const QString& portName) override
        {
            const std::lock_guard<std::mutex> lock(m_owner->m_mutex);
            const auto found = m_owner->m_relays.find(portName);
            if (found == m_owner->m_relays.end()) {
                m_failure = PortOpenFailure::NotFound;
                return false;
            }
            Relay& relay = found->second;
            if (relay.fault.refuseOpen != PortOpenFailure::None || relay.open) {
                m_failure = relay.open ? PortOpenFailure::Busy : relay.fault.refuseOpen;
                return false;
            }
            relay.open = true;
            ++relay.opens;
            // What arrived while nobody listened is dropped, as the serial port's open does.
            const auto now = Clock::now();
            while (!relay.pending.empty() && relay.pending.front().due <= now)
                relay.pending.pop_front();
            m_port = portName;
            m_owner->m_mostOpen = std::max(m_owner->m_mostOpen, ++m_owner->m_openNow);
            return true;
        }
        PortOpenFailure OpenFailure() const override { return m_failure; }
        void Configure() override {}

        ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
        {
            std::unique_lock<std::mutex> lock(m_owner->m_mutex);
            const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
            Relay* relay = nullptr;
            for (;;) {
                relay = Find();
                if (!relay)
                    return ReadStatus::Failed;  // unplugged while open
                if (relay->pending.empty())
                    return ReadStatus::TimedOut;
                const auto now = Clock::now();
                const auto due = relay->pending.front().due;
                if (!m_owner->m_held && due <= now)
                    break;
                if (now >= deadline)
                    return ReadStatus::TimedOut;
                m_owner->m_changed.wait_until(lock, m_owner->m_held ? deadline : std::min(deadline, due));
            }
            if (relay->fault.silentAfter >= 0 && relay->sent >= relay->fault.silentAfter)
                return ReadStatus::TimedOut;
            const auto byteTime = m_owner->m_byteTime;
            *byte = relay->pending.front().byte;
            relay->pending.pop_front();
            if (relay->sent == relay->fault.corruptAt)
                *byte = std::uint8_t(~*byte);
            ++relay->sent;
            if (byteTime.count() > 0) {
                lock.unlock();
                std::this_thread::sleep_for(byteTime);
            }
            return ReadStatus::Ok;
        }

        std::int64_t Write(const std::uint8_t* data, std::int64_t size, int) override
        {
            const std::lock_guard<std::mutex> lock(m_owner->m_mutex);
            Relay* relay = Find();
            if (!relay)
                return -1;
            std::vector<std::uint8_t> reply;
            for (std::int64_t i = 0; i < size; ++i) {
                // The command byte follows the start byte and the length (no escape among the
                // requests this counts: their lengths are small).
                if (m_position == 2) {
                    ++relay->requests[data[i]];
                    m_command = data[i];
                }
                m_position = data[i] == 0xAA ? 1 : m_position + 1;
                reply.clear();
                relay->engine->Receive(data[i], &reply);
                auto due = Clock::now();
                if (!reply.empty() && m_command == relay->fault.lateCommand) {
                    due += std::chrono::milliseconds(relay->fault.lateMs);
                    relay->fault.lateCommand = -1;
                }
                // A reply queues behind the one still on the line.
                if (!relay->pending.empty())
                    due = std::max(due, relay->pending.back().due);
                for (std::uint8_t byte : reply)
                    relay->pending.push_back({byte, due});
            }
            return size;
        }

        void Close() override
        {
            if (m_port.isEmpty())
                return;
            const std::lock_guard<std::mutex> lock(m_owner->m_mutex);
            if (Relay* relay = Find())
                relay->open = false;
            --m_owner->m_openNow;
            m_port.clear();
        }

    private:
        Relay* Find()
        {
            const auto found = m_owner->m_relays.find(m_port);
            return found == m_owner->m_relays.end() ? nullptr : &found->second;
        }

        CInProcessRelays* m_owner;
        QString m_port;
        PortOpenFailure m_failure = PortOpenFailure::None;
        int m_position = 0;
        int m_command = -1;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<QString, Relay> m_relays;
    bool m_held = false;
    std::chrono::microseconds m_byteTime{0};
    int m_openNow = 0;
    int m_mostOpen = 0;
};
