#pragma once
// Small helpers the three format modules share. Locale plays no part in
// any of them, and none throws on bad input.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "subtitles/line_io.h"
#include "subtitles/read_outcome.h"

namespace cuemark::format {

// A reader's stop at the line it has just read.
inline ReadOutcome StoppedAt(const LineReader& in, ReadOutcome::Status status, const char* message,
                             bool onlyBlankLinesLeft = false) {
    ReadOutcome outcome;
    outcome.status = status;
    outcome.message = message;
    outcome.line = in.LineNumber();
    outcome.onlyBlankLinesLeft = onlyBlankLinesLeft;
    return outcome;
}

// Trimming removes spaces only; tabs and other characters stay.
inline std::string_view TrimBlanks(std::string_view s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// A line that is nothing but blanks (spaces, tabs), as LineReader counts them.
inline bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The number a text begins with: blanks skipped, digits with an optional sign
// and decimal point, up to the first other character; none gives 0. A number
// too large for a double reads as infinity, one too small as 0.
inline double LeadingNumber(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const size_t first = i;
    uint64_t whole = 0;
    bool nonZeroWhole = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        whole = whole * 10 + static_cast<uint64_t>(s[i] - '0');
        nonZeroWhole = nonZeroWhole || s[i] != '0';
        ++i;
    }
    double value = static_cast<double>(whole);
    const bool fraction = i < s.size() && s[i] == '.';
    // Up to 15 digits the sum above is exact; anything longer or with a
    // fraction goes through the correctly rounding parser.
    if (i - first > 15 || fraction) {
        if (fraction) ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        const auto parsed = std::from_chars(s.data() + first, s.data() + i, value, std::chars_format::fixed);
        if (parsed.ec == std::errc::result_out_of_range) {
            value = nonZeroWhole ? HUGE_VAL : 0.0;
        } else if (parsed.ec != std::errc()) {
            value = 0.0; // a lone "."
        }
    }
    return negative ? -value : value;
}

// Nearest whole number, halves to the even neighbour, whatever the
// floating-point rounding mode. NaN and infinities pass through.
inline double RoundHalfEven(double x) {
    double whole = std::floor(x);
    const double rest = x - whole; // exact for every finite double
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return whole;
}

// A rounded value as a 64-bit integer; false for NaN, infinities and values
// outside the range.
inline bool ToInt64(double whole, int64_t& out) {
    // 2^63 is exact in a double; NaN fails both comparisons.
    if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) return false;
    out = static_cast<int64_t>(whole);
    return true;
}

inline void AppendNumber(std::string& out, int64_t n) {
    char buffer[24];
    const auto printed = std::to_chars(buffer, buffer + sizeof buffer, n);
    out.append(buffer, printed.ptr);
}

} // namespace cuemark::format
