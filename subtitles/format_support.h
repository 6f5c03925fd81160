#pragma once
// Small helpers the three format modules share; none depends on the locale.

#include <charconv>
#include <optional>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "subtitles/line_io.h"
#include "subtitles/markup.h"
#include "subtitles/messages.h"
#include "subtitles/read_outcome.h"
#include "subtitles/rounding.h"
#include "subtitles/store.h"

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

// Ends a title, closing the styles still open, and adds it; the stop to
// return when the store has no room left.
inline std::optional<ReadOutcome> AddTitle(const LineReader& in, SUBTITLES& Subt, MarkupState& markup, double start,
                                           double end, std::string text) {
    markup.CloseOpenTags(text);
    try {
        Subt.Add(start, end, std::move(text));
    } catch (const StoreFull&) {
        return StoppedAt(in, ReadOutcome::Status::StoreFull, messages::StoreFull);
    }
    return std::nullopt;
}

// A line that is nothing but blanks (spaces, tabs), as LineReader counts them.
inline bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// A rounded value as a 64-bit integer; false for NaN, infinities and values
// outside the range.
inline bool ToInt64(double whole, int64_t& out) {
    // 2^63 is exact in a double; NaN fails both comparisons.
    if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0)) return false;
    out = static_cast<int64_t>(whole);
    return true;
}

// Written by hand from the right, two digits a step: two per title in
// MicroDVD and SAMI files, where the general conversion cost more than all
// else on the line.
inline void AppendNumber(std::string& out, int64_t n) {
    static constexpr char Pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char buffer[24];
    char* at = buffer + sizeof buffer;
    // Negated as unsigned, so the most negative value has its digits too.
    uint64_t rest = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    while (rest >= 100) {
        const auto pair = static_cast<size_t>(rest % 100) * 2;
        rest /= 100;
        *--at = Pairs[pair + 1];
        *--at = Pairs[pair];
    }
    if (rest >= 10) {
        *--at = Pairs[rest * 2 + 1];
        *--at = Pairs[rest * 2];
    } else {
        *--at = static_cast<char>('0' + rest);
    }
    if (n < 0) *--at = '-';
    out.append(at, static_cast<size_t>(buffer + sizeof buffer - at));
}

} // namespace cuemark::format
