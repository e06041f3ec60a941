#include "PacedRun.h"

#include <algorithm>
#include <chrono>

CPacedRun::CPacedRun(ModelCode model, Clock clock) : m_run(model), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] {
            return std::int64_t(
                std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                    .count());
        };
}

RelayTime CPacedRun::ClockTime() const
{
    if (!m_bRunning)
        return m_run.Now();
    // A clock that went backwards (it never should) moves nothing.
    const std::int64_t passed = std::max<std::int64_t>(m_clock() - m_anchorClock, 0);
    return m_anchorRelay + passed * m_nSpeed;
}

void CPacedRun::Anchor()
{
    m_anchorClock = m_clock();
    m_anchorRelay = m_run.Now();
}

void CPacedRun::SetSpeed(int factor)
{
    factor = std::max(factor, 1);
    if (factor == m_nSpeed)
        return;
    Update();
    m_nSpeed = factor;
    Anchor();
}

bool CPacedRun::PowerOn(const std::uint8_t* image, int size, int potUnit, int potValue, const int* inputs)
{
    m_bRunning = false;
    if (!m_run.SetProgram(image, size))
        return false;
    m_run.SetPotentiometer(potUnit, potValue);
    m_run.PowerOn(inputs);
    Anchor();
    return true;
}

void CPacedRun::Start()
{
    if (m_bRunning)
        return;
    m_bRunning = true;
    Anchor();
}

void CPacedRun::Stop()
{
    if (!m_bRunning)
        return;
    Update();
    m_bRunning = false;
}

RelayTime CPacedRun::Update()
{
    const RelayTime now = ClockTime();
    m_run.AdvanceTo(now);
    return m_run.Now();
}

void CPacedRun::SetInputs(const int* inputs)
{
    Update();
    m_run.SetInputs(inputs);
}

void CPacedRun::ChangePotentiometer(int unit, int mantissa)
{
    Update();
    m_run.ChangePotentiometer(unit, mantissa);
}

bool CPacedRun::SkipToNextEvent()
{
    Update();
    const RelayTime next = m_run.NextEvent();
    if (next == RELAY_TIME_NEVER)
        return false;
    m_run.AdvanceTo(next);
    Anchor();
    return true;
}
