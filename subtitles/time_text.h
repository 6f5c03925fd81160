#pragma once
// Times are doubles in seconds; as text they read hh:mm:ss,mmm with a comma
// in every locale.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cuemark {

// A time too large (32,768 hours or more) or not a number to be written.
class TimeOverflow : public std::overflow_error {
public:
    TimeOverflow() : std::overflow_error("time out of range") {}
};

// Times of this many hours or more cannot be written: the hours of a time
// text are a 16-bit signed number.
inline constexpr int TimeLimitHours = 32768;

// Never fails: pieces that cannot be read count as 0.
double TextToTime(std::string_view text);
// Whether a time text read from a file can be a time at all. The leniency
// real files need stays (blanks, a full stop for the comma, any number of
// digits, pieces a fixed-position cut leaves empty, text after the
// milliseconds); what TextToTime reads of it (up to the third character after
// the separator, or the first three without one) must hold an ASCII digit
// and nothing but ASCII digits, blanks and punctuation, and the time it gives
// must be within range.
bool canBeTime(std::string_view text);
// TextToTime of a time text read from a file, or nothing when canBeTime says
// it is no time. The usual "hh:mm:ss,mmm" is read in one pass: a file holds
// two of them per title.
std::optional<double> TimeFromFile(std::string_view text);
// Finite and below TimeLimitHours once rounded to the millisecond: a time
// TimeToText can write.
bool withinTimeRange(double seconds);
// Throws TimeOverflow at TimeLimitHours and above, and for NaN or infinity.
std::string TimeToText(double t);
// The same text written into `out`, which has room for TimeTextMax
// characters; returns the end of what was written.
inline constexpr size_t TimeTextMax = 16;
char* TimeToChars(double t, char* out);
double RoundToMs(double t);
int32_t MinLong(int32_t a, int32_t b);
double MinDouble(double a, double b);

} // namespace cuemark
