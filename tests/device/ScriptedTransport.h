#pragma once
// A transport whose wire is a script: each read takes the next scripted event (a byte, a
// time-out or a failure; an exhausted script times out), each write is recorded and accepts
// as many bytes as the test allows.

#include "DeviceTransport.h"

#include <QByteArray>
#include <QList>

#include <deque>
#include <vector>

class CScriptedTransport final : public IDeviceTransport {
public:
    static constexpr int TIMEOUT = -1;
    static constexpr int FAILURE = -2;

    void Script(const QByteArray& bytes)
    {
        for (char c : bytes)
            reads.push_back(std::uint8_t(c));
    }
    void ScriptEvent(int event) { reads.push_back(event); }

    bool Open(const QString&) override { return opened = true; }
    void Configure() override { ++configured; }
    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
    {
        readTimeouts.push_back(timeoutMs);
        if (reads.empty())
            return ReadStatus::TimedOut;
        const int event = reads.front();
        reads.pop_front();
        if (event == TIMEOUT)
            return ReadStatus::TimedOut;
        if (event == FAILURE)
            return ReadStatus::Failed;
        *byte = std::uint8_t(event);
        return ReadStatus::Ok;
    }
    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        writeTimeouts.push_back(timeoutMs);
        pieces.append(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        if (int(pieces.size()) == failOnWrite)
            return -1;
        const std::int64_t accepted = acceptPerWrite < 0 ? size : std::min<std::int64_t>(size, acceptPerWrite);
        written += QByteArray(reinterpret_cast<const char*>(data), qsizetype(accepted));
        return accepted;
    }
    void Close() override { opened = false; }

    std::deque<int> reads;
    std::vector<int> readTimeouts;
    std::vector<int> writeTimeouts;
    QList<QByteArray> pieces;  // every write call's bytes
    QByteArray written;        // the bytes accepted
    int acceptPerWrite = -1;   // -1: everything
    int failOnWrite = 0;       // 1-based write call that fails; 0: none
    int configured = 0;
    bool opened = false;
};
