#pragma once
// The progress of one program transfer as the user should see it.
//
// Bytes written to a port are taken at once by the driver (or the pseudo-terminal) and then
// cross the line at 1200 baud, so the count of bytes handed over would show a send as done
// long before the relay has them. The sent part therefore advances with the line's pace,
// never ahead of the bytes handed over; received bytes count as they arrive. A send that is
// read back afterwards covers both halves in one bar.

#include "RelayFrames.h"

class CTransferProgress {
public:
    // Time one byte takes on the line: start bit, 8 data bits, stop bit at 1200 baud.
    static constexpr double BYTE_TIME_MS = 10.0 * 1000.0 / DeviceProtocol::BAUD_RATE;

    // A new transfer. readBackBytes: the program bytes a send reads back afterwards (0 for a
    // send without verify and for a read).
    void Start(int readBackBytes);
    // A report of the device layer (its progress callback), at time nowMs.
    void Report(TransferDirection direction, int done, int total, qint64 nowMs);
    // Shown progress at time nowMs, 0..1000.
    int Permille(qint64 nowMs) const;
    bool Started() const { return m_sendTotal > 0 || m_receiveTotal > 0; }

private:
    int m_readBack = 0;
    int m_sendTotal = 0;     // wire bytes of the program frame
    int m_handed = 0;        // of these, handed to the port
    qint64 m_sendStart = 0;  // when the first byte was handed over
    bool m_receiving = false;
    int m_receiveTotal = 0;  // program bytes expected back
    int m_received = 0;
};
