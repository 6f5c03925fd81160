// Arbitrary bytes through detection, decoding and writing back.
#include "subtitles/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool IsSingleByte(const std::string& name) {
    return name.starts_with("windows-") || name.starts_with("ISO-8859-") || name.starts_with("KOI8-");
}

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cuemark;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedText decoded = DecodeText(bytes);
    // Whatever was detected, the text inside is UTF-8.
    Check(EncodeText(decoded.utf8, {"UTF-8", false}) == decoded.utf8);
    try {
        const std::string written = EncodeText(decoded.utf8, decoded.encoding);
        // Single-byte tables and valid UTF-8 give back exactly what was read
        // (a UTF-8 mark before legacy text included).
        if (IsSingleByte(decoded.encoding.name) || decoded.encoding.name == "UTF-8") Check(written == bytes);
    } catch (const EncodingError&) {
        // Multibyte legacy text may hold characters with two spellings.
        Check(!IsSingleByte(decoded.encoding.name) && decoded.encoding.name != "UTF-8");
    }
    for (const char* forced : {"UTF-8", "UTF-16", "ISO-8859-7", "Shift_JIS", "GB18030"}) {
        try {
            const DecodedText again = DecodeTextAs(bytes, forced);
            Check(EncodeText(again.utf8, {"UTF-8", false}) == again.utf8);
        } catch (const EncodingError&) {
        }
    }
    return 0;
}
