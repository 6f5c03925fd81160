#pragma once
// A tolerant "does this text contain that phrase" test: letter case and
// white space are ignored, and a number of wrong, missing or extra
// characters proportional to the phrase's length is allowed.

#include <cstddef>
#include <memory>
#include <string_view>

namespace keyvane {

// The level the library starts with: one error per five characters.
inline constexpr int defaultMatchLevel = 2;

// A text with A-Z folded to a-z and the six ASCII white-space characters
// removed. Its storage holds exactly size() bytes and no terminator, so a
// read past the end is a heap overflow that AddressSanitizer reports.
class PreparedText {
public:
    explicit PreparedText(std::string_view raw);
    std::size_t size() const { return size_; }
    char operator[](std::size_t i) const { return bytes_[i]; }
    std::string_view view() const { return {bytes_.get(), size_}; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
};

// level counts tenths of an error per phrase character; below 0 it counts
// as 0. Throws std::bad_alloc when the prepared copies cannot be had.
bool stringMatch(std::string_view text, std::string_view phrase, int level);

} // namespace keyvane
