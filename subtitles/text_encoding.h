#pragma once
// Users' files come in many encodings; inside, every text is UTF-8. A file is
// written back in the encoding it was read in, so nothing changes under the
// user's feet; a new file is UTF-8.

#include <stdexcept>
#include <string>
#include <string_view>

namespace cuemark {

struct TextEncoding {
    // Canonical name as ICU knows it: "UTF-8", "UTF-16LE", "UTF-16BE",
    // "windows-1252", "ISO-8859-2", ...
    std::string name = "UTF-8";
    bool bom = false; // the file began with a byte-order mark (kept on writing)

    bool operator==(const TextEncoding&) const = default;
};

// An unknown encoding name, bytes that cannot be decoded in a forced
// encoding, or a character that the target encoding cannot hold.
class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DecodedText {
    std::string utf8; // byte-order mark removed
    TextEncoding encoding;
};

// Detection order: byte-order mark (UTF-8, UTF-16LE/BE); valid UTF-8 (plain
// ASCII included); else a legacy 8-bit encoding guessed by ICU, with
// windows-1252 as the fallback. Throws EncodingError only for a legacy
// encoding when the code-page library (codepages.h) cannot be opened.
DecodedText DecodeText(std::string_view bytes);
// The same on bytes the caller gives up: valid UTF-8 is kept without a copy.
DecodedText DecodeTextInPlace(std::string bytes);
// Decodes in the named encoding (a BOM of that encoding is still removed).
// Throws EncodingError for an unknown name.
DecodedText DecodeTextAs(std::string_view bytes, const std::string& encodingName);
// Throws EncodingError naming the first character the encoding cannot hold.
std::string EncodeText(std::string_view utf8, const TextEncoding& encoding);
// The same on a text the caller gives up: UTF-8 without a mark is returned
// as it is, without a copy.
std::string EncodeTextInPlace(std::string utf8, const TextEncoding& encoding);

} // namespace cuemark
