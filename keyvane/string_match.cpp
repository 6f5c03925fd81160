#include "keyvane/string_match.h"

#include <algorithm>
#include <cstdint>

namespace keyvane {
namespace {

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char fold(char c) {
    // Only ASCII capitals: bytes from 0x80 up belong to the code page and pass as they are.
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// One attempt from an anchor where T[anchor] == P[0]. The path it takes
// does not depend on the budget, which only decides how soon it gives up.
bool attemptAt(const PreparedText& t, const PreparedText& p, std::size_t anchor, std::uint64_t budget) {
    std::size_t ti = anchor;
    std::size_t pi = 0;
    for (;;) {
        // Advance over matching pairs.
        for (;;) {
            if (pi + 1 >= p.size()) {
                return true;
            }
            ++ti;
            ++pi;
            if (ti >= t.size()) {
                // The text ends while the phrase goes on: give up rather
                // than look past the text.
                return false;
            }
            if (t[ti] != p[pi]) {
                break;
            }
        }
        // Mismatch: an extra character in the text, then one in the
        // phrase; neither makes it a substitution. Either way the pair is used up.
        if (ti + 1 < t.size() && t[ti + 1] == p[pi]) {
            ++ti;
        }
        if (pi + 1 < p.size() && p[pi + 1] == t[ti]) {
            ++pi;
        }
        if (--budget == 0) {
            return false;
        }
    }
}

} // namespace

PreparedText::PreparedText(std::string_view raw) {
    size_ = static_cast<std::size_t>(
        std::count_if(raw.begin(), raw.end(), [](char c) { return !isBlank(static_cast<unsigned char>(c)); }));
    bytes_ = std::make_unique<char[]>(size_);
    std::size_t out = 0;
    for (char c : raw) {
        if (!isBlank(static_cast<unsigned char>(c))) {
            bytes_[out++] = fold(c);
        }
    }
}

bool stringMatch(std::string_view text, std::string_view phrase, int level) {
    const PreparedText t(text);
    const PreparedText p(phrase);
    if (t.size() == 0 || p.size() == 0) {
        return false;
    }
    if (t.view().find(p.view()) != std::string_view::npos) {
        return true;
    }
    const auto tenths = static_cast<std::uint64_t>(std::max(level, 0));
    const std::uint64_t budget = static_cast<std::uint64_t>(p.size()) * tenths / 10 + 1;
    for (std::size_t anchor = t.view().find(p[0]); anchor != std::string_view::npos;
         anchor = t.view().find(p[0], anchor + 1)) {
        if (attemptAt(t, p, anchor, budget)) {
            return true;
        }
    }
    return false;
}

} // namespace keyvane
