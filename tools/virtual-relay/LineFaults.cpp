#include "LineFaults.h"

const char* LineFaultName(LineFault fault)
{
    switch (fault) {
    case LineFault::None: break;
    case LineFault::Drop: return "drop";
    case LineFault::Change: return "change";
    case LineFault::Stall: return "stall";
    case LineFault::NearStall: return "near-stall";
    case LineFault::Vanish: return "vanish";
    }
    return "none";
}

CLineFaults::CLineFaults(const LineFaultOptions& options) : m_options(options), m_random(options.seed) {}

LineFault CLineFaults::Next(std::uint8_t* byte)
{
    if (!m_options.Any())
        return LineFault::None;
    // One draw per byte, uniform in [0, 1) from the generator's top 53 bits, so that the
    // faults a seed gives do not depend on the standard library's distributions.
    const double draw = double(m_random() >> 11) * 0x1.0p-53;
    double bound = m_options.dropRate;
    if (draw < bound)
        return LineFault::Drop;
    if (draw < (bound += m_options.changeRate)) {
        // Any other value, the escape and start bytes included.
        *byte = std::uint8_t(*byte ^ std::uint8_t(1 + m_random() % 255));
        return LineFault::Change;
    }
    if (draw < (bound += m_options.stallRate))
        return LineFault::Stall;
    if (draw < (bound += m_options.nearStallRate))
        return LineFault::NearStall;
    if (draw < bound + m_options.vanishRate)
        return LineFault::Vanish;
    return LineFault::None;
}

int CLineFaults::StallMs(LineFault fault) const
{
    switch (fault) {
    case LineFault::Stall: return m_options.stallMs;
    case LineFault::NearStall: return m_options.nearStallMs;
    default: return 0;
    }
}
