// Rounding of song times: to the nearest integer, halves to the even neighbour, saturated to
// the 32-bit range (NaN gives 0) so no conversion is ever out of range.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline int32_t RoundHalfEvenToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (rounded >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (rounded <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(rounded);
}
