#pragma once
// Times are doubles in seconds; as text they read hh:mm:ss,mmm with a comma
// in every locale.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cuemark {

// A time too large (32,768 hours or more) or not a number to be written.
class TimeOverflow : public std::overflow_error {
public:
    TimeOverflow() : std::overflow_error("time out of range") {}
};

// Never fails: pieces that cannot be read count as 0.
double TextToTime(std::string_view text);
// Throws TimeOverflow at 32,768 hours and above, and for NaN or infinity.
std::string TimeToText(double t);
double RoundToMs(double t);
int32_t MinLong(int32_t a, int32_t b);
double MinDouble(double a, double b);

} // namespace cuemark
