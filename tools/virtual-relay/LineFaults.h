#pragma once
// Faults of a bad serial line, for testing: each byte that crosses the line, either way, may be
// dropped, changed, held back past the client's per-byte time-out or just inside it, or the
// line may vanish at it (the relay closes its terminal, as an unplugged relay does). The
// choice is random per byte from a seeded generator, so a run with the same seed and the same
// traffic meets the same faults.

#include <cstdint>
#include <random>

enum class LineFault { None, Drop, Change, Stall, NearStall, Vanish };

// Name of a fault for reports ("drop", "change", "stall", "near-stall", "vanish"; "none").
const char* LineFaultName(LineFault fault);

struct LineFaultOptions {
    // Chance per byte of each fault, 0 to 1; together at most 1.
    double dropRate = 0;
    double changeRate = 0;
    double stallRate = 0;
    double nearStallRate = 0;
    double vanishRate = 0;
    std::uint64_t seed = 1;
    int stallMs = 3000;      // a stall past the client's per-byte time-out
    int nearStallMs = 1700;  // a stall just inside it

    bool Any() const { return dropRate + changeRate + stallRate + nearStallRate + vanishRate > 0; }
};

class CLineFaults {
public:
    explicit CLineFaults(const LineFaultOptions& options);

    // The fault of the next byte on the line. A changed byte gets a different value in
    // *byte; a stalled byte keeps its value and is held back by StallMs.
    LineFault Next(std::uint8_t* byte);
    // How long a fault holds the line back (0 for faults that do not stall).
    int StallMs(LineFault fault) const;

private:
    LineFaultOptions m_options;
    std::mt19937_64 m_random;
};
