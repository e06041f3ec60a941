#pragma once
// How long an event loop stalls: the longest gap between two ticks of a short precise timer on
// its thread, less the timer's period.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class CStallProbe {
public:
    static constexpr int PROBE_MS = 5;

    CStallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(PROBE_MS);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_worst = std::max(m_worst, now - m_last);
            m_last = now;
        });
    }
    void Start()
    {
        m_worst = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    // The longest stall since Start, in milliseconds.
    double StopMs()
    {
        m_timer.stop();
        return std::max(0.0, double(m_worst) / 1e6 - PROBE_MS);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};
