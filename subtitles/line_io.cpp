#include "subtitles/line_io.h"

#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace cuemark {

// A file is nothing but lines, so this is the reader's inner loop. Sixteen
// bytes a step where the processor compares them at once (every x86-64
// does), else eight: a byte equal to CR or LF shows as a zero byte after the
// XOR, and the usual trick finds a zero byte in a word without a branch per
// byte.
size_t FindLineEnd(const char* data, size_t at, size_t size) {
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (at + 16 <= size) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        const int marks = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
        if (marks != 0) return at + static_cast<size_t>(std::countr_zero(static_cast<unsigned>(marks)));
        at += 16;
    }
#endif
    constexpr uint64_t Ones = 0x0101010101010101u;
    constexpr uint64_t Highs = 0x8080808080808080u;
    const auto hasZero = [](uint64_t x) { return (x - Ones) & ~x & Highs; };
    while (at + 8 <= size) {
        uint64_t word;
        std::memcpy(&word, data + at, 8);
        // Little-endian: the lowest marked byte is the first; marks above
        // it may be false, never below it.
        if (const uint64_t marks = hasZero(word ^ (Ones * '\r')) | hasZero(word ^ (Ones * '\n')))
            return at + static_cast<size_t>(std::countr_zero(marks)) / 8;
        at += 8;
    }
    while (at < size && data[at] != '\r' && data[at] != '\n') ++at;
    return at;
}

std::string_view LineReader::NextLine() {
    if (AtEnd()) return {};
    const size_t start = pos_;
    // find_first_of with two characters costs a search per byte.
    const size_t end = FindLineEnd(text_.data(), start, text_.size());
    pos_ = end;
    // CR, CR LF and a lone LF all end a line (files from every system).
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[end] == '\r')) ++pos_;
    ++line_;
    return std::string_view(text_).substr(start, end - start);
}

bool LineReader::RestIsBlank() const {
    return text_.find_first_not_of(" \t\r\n", pos_) == std::string::npos;
}

} // namespace cuemark
