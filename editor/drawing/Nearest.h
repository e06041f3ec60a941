#pragma once
// The rounding of every drawing position: the floor of v, plus one when the fraction is at
// least one half (so 48.5 gives 49 and -0.5 gives 0).

#include <cmath>

inline int Nearest(double v)
{
    const double whole = std::floor(v);
    return int(whole) + (v - whole >= 0.5 ? 1 : 0);
}
