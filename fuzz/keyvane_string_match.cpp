// Input: one byte for the level (signed, so negative levels come too),
// then the text, a NUL, and the phrase.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keyvane/string_match.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int level = static_cast<std::int8_t>(data[0]);
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t cut = rest.find('\0');
    const std::string_view text = rest.substr(0, cut);
    const std::string_view phrase = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);

    const bool matched = keyvane::stringMatch(text, phrase, level);
    // A larger budget only lets an attempt go on longer, so a match stays a match.
    if (matched && !keyvane::stringMatch(text, phrase, level < 0 ? 1 : level + 1)) {
        std::abort();
    }
    if (level < 0 && matched != keyvane::stringMatch(text, phrase, 0)) {
        std::abort();
    }
    const keyvane::PreparedText t(text);
    const keyvane::PreparedText p(phrase);
    if (p.size() > 0 && t.view().find(p.view()) != std::string_view::npos && !matched) {
        std::abort();
    }
    return 0;
}
