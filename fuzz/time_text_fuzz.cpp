// TextToTime on any text; whatever it reads, below 100 hours, must come back
// to the millisecond through TimeToText, and a text canBeTime lets through
// must give a time that can be written.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "subtitles/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double t = cuemark::TextToTime(text);
    if (std::isnan(t)) __builtin_trap();
    // What a reader lets through must be writable.
    if (cuemark::canBeTime(text) && !cuemark::withinTimeRange(t)) __builtin_trap();
    if (std::fabs(t) < 360000.0) {
        const double back = cuemark::TextToTime(cuemark::TimeToText(t));
        if (std::fabs(back - t) > 0.0005 + 1e-9) __builtin_trap();
    } else {
        try {
            cuemark::TimeToText(t);
        } catch (const cuemark::TimeOverflow&) {
        }
    }
    return 0;
}
