// Sends a 226-byte program to a virtual relay that paces its line at 1200 baud and compares
// the time the operation takes with the wire time of the bytes that crossed the line.
// Usage: bench_device_send [RUNS]

#include "RelaySession.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>

namespace {

// Counts the bytes that pass through a production transport.
class CCountingTransport final : public IDeviceTransport {
public:
    explicit CCountingTransport(std::int64_t* counter) : m_inner(CreateSerialTransport()), m_counter(counter) {}
    bool Open(const QString& portName) override { return m_inner->Open(portName); }
    void Configure() override { m_inner->Configure(); }
    ReadStatus ReadByte(std::uint8_t* byte, int timeoutMs) override
    {
        const ReadStatus status = m_inner->ReadByte(byte, timeoutMs);
        if (status == ReadStatus::Ok)
            ++*m_counter;
        return status;
    }
    std::int64_t Write(const std::uint8_t* data, std::int64_t size, int timeoutMs) override
    {
        const std::int64_t written = m_inner->Write(data, size, timeoutMs);
        if (written > 0)
            *m_counter += written;
        return written;
    }
    void Close() override { m_inner->Close(); }

private:
    std::unique_ptr<IDeviceTransport> m_inner;
    std::int64_t* m_counter;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    QProcess relay;
    relay.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    relay.start(QStringLiteral(QUORVEX_BIN_DIR "/quorvex-virtual-relay"),
                {QStringLiteral("--model"), QStringLiteral("QVS_K115_318"), QStringLiteral("--baud-pacing")});
    if (!relay.waitForStarted(5000) || !relay.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench_device_send: the virtual relay did not start\n");
        return 1;
    }
    const QString port = QString::fromLocal8Bit(relay.readLine()).trimmed();

    std::int64_t bytes = 0;
    CRelaySession device([&bytes]() { return std::make_unique<CCountingTransport>(&bytes); });
    std::uint8_t identification = 0;
    int result = device.IdentifyPort(port, &identification);
    device.SetPort(port);

    CQuorvex_QVS_K115_318_Doc doc;
    doc.ResetProgram(0);
    for (int i = 0; i < doc.GetDataSize(); ++i)
        doc.GetData()[i] = std::uint8_t(i * 37 + 11);

    // 1200 baud, 10 bits per byte on the line (start, 8 data, stop).
    constexpr double secondsPerByte = 10.0 / 1200.0;
    std::printf("send of a %d-byte program at 1200 baud (virtual relay with pacing)\n", doc.GetDataSize());
    std::printf("%4s %8s %12s %12s %8s\n", "run", "bytes", "wire_s", "elapsed_s", "ratio");
    double worst = 0;
    for (int run = 1; run <= runs && result == RESULT_OK; ++run) {
        bytes = 0;
        QElapsedTimer timer;
        timer.start();
        result = device.SendProgram(doc.GetModelCode(), doc.GetData(), doc.GetDataSize());
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        const double wire = double(bytes) * secondsPerByte;
        const double ratio = elapsed / wire;
        worst = std::max(worst, ratio);
        std::printf("%4d %8lld %12.3f %12.3f %8.4f\n", run, static_cast<long long>(bytes), wire, elapsed, ratio);
    }
    relay.terminate();
    relay.waitForFinished(3000);
    if (result != RESULT_OK) {
        std::fprintf(stderr, "bench_device_send: operation failed with %d\n", result);
        return 1;
    }
    std::printf("worst ratio %.4f (target at most 1.05)\n", worst);
    return 0;
}
