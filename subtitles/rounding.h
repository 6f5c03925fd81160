#pragma once
// Rounding to whole numbers the way the program's file formats and settings
// round: halves to the even neighbour.

#include <cmath>

namespace cuemark {

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4,
// -2.5 -> -2), whatever the floating-point rounding mode. NaN and infinities
// pass through.
inline double RoundHalfEven(double x) {
    double whole = std::floor(x);
    const double rest = x - whole; // exact for every finite double
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return whole;
}

} // namespace cuemark
