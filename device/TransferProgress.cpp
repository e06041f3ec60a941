#include "TransferProgress.h"

#include <algorithm>

void CTransferProgress::Start(int readBackBytes)
{
    *this = CTransferProgress{};
    m_readBack = std::max(0, readBackBytes);
}

void CTransferProgress::Report(TransferDirection direction, int done, int total, qint64 nowMs)
{
    if (direction == TransferDirection::Sending) {
        if (m_sendTotal == 0 || done == 0) {
            m_sendTotal = std::max(0, total);
            m_sendStart = nowMs;
            m_handed = 0;
        }
        m_handed = std::clamp(done, m_handed, m_sendTotal);
        return;
    }
    m_receiving = true;
    m_receiveTotal = std::max(0, total);
    m_received = std::clamp(done, 0, m_receiveTotal);
}

int CTransferProgress::Permille(qint64 nowMs) const
{
    // A read back after a send: the send is over once its bytes come back.
    const int receiveTotal = m_receiving ? m_receiveTotal : m_readBack;
    const bool sends = m_sendTotal > 0;
    const int total = (sends ? m_sendTotal : 0) + receiveTotal;
    if (total <= 0)
        return 0;
    double sent = 0.0;
    if (sends) {
        if (m_receiving) {
            sent = m_sendTotal;
        } else {
            const double onTheLine = double(std::max<qint64>(0, nowMs - m_sendStart)) / BYTE_TIME_MS;
            sent = std::min(double(m_handed), onTheLine);
        }
    }
    const double received = m_receiving ? m_received : 0.0;
    return std::clamp(int((sent + received) * 1000.0 / total), 0, 1000);
}
