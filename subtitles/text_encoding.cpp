#include "subtitles/text_encoding.h"

#include "subtitles/codepages.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace cuemark {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kUtf32LeBom{"\xFF\xFE\0\0", 4};
constexpr std::string_view kUtf32BeBom{"\0\0\xFE\xFF", 4};
constexpr char32_t kReplacement = 0xFFFD;

// ICU's guesses below this are little better than noise (its multibyte
// recognisers report 10 for any text they cannot rule out).
constexpr int32_t kMinimumConfidence = 20;
// ICU's detector looks at no more than its first 8000 bytes.
constexpr size_t kDetectionSample = 8000;

// Length of the longest prefix of `text` that is well-formed UTF-8: no
// overlong forms, no surrogates, nothing above U+10FFFF.
size_t ValidUtf8Prefix(std::string_view text) {
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* p = begin;
    const unsigned char* const end = begin + text.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            // Subtitle text is mostly ASCII: skip runs of it sixteen (or
            // eight) bytes at a time. Only after an ASCII byte, so that text
            // in a non-Latin script does not pay for a failing test at every
            // letter.
#ifdef __SSE2__
            while (end - p >= 16) {
                const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
                if (high != 0) {
                    p += std::countr_zero(static_cast<unsigned>(high));
                    break;
                }
                p += 16;
            }
#endif
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                const uint64_t high = word & 0x8080808080808080u;
                if (high != 0) {
                    // Little-endian: the lowest set bit belongs to the first byte.
                    if constexpr (std::endian::native == std::endian::little) p += std::countr_zero(high) / 8;
                    break;
                }
                p += 8;
            }
            continue;
        }
        const auto left = end - p;
        if (c < 0xC2) // a stray continuation byte, or an overlong two-byte form
            return p - begin;
        if (c < 0xE0) {
            if (left < 2 || (p[1] & 0xC0) != 0x80) return p - begin;
            p += 2;
        } else if (c < 0xF0) {
            const unsigned low = c == 0xE0 ? 0xA0 : 0x80;  // overlong
            const unsigned high = c == 0xED ? 0x9F : 0xBF; // surrogates
            if (left < 3 || p[1] < low || p[1] > high || (p[2] & 0xC0) != 0x80) return p - begin;
            p += 3;
        } else if (c < 0xF5) {
            const unsigned low = c == 0xF0 ? 0x90 : 0x80;  // overlong
            const unsigned high = c == 0xF4 ? 0x8F : 0xBF; // above U+10FFFF
            if (left < 4 || p[1] < low || p[1] > high || (p[2] & 0xC0) != 0x80 || (p[3] & 0xC0) != 0x80)
                return p - begin;
            p += 4;
        } else {
            return p - begin;
        }
    }
    return text.size();
}

char* PutUtf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    char buffer[4];
    out.append(buffer, PutUtf8(buffer, cp));
}

// Decodes one code point of text already known to be valid UTF-8.
char32_t NextCodePoint(const unsigned char*& p) {
    const char32_t c = *p++;
    if (c < 0x80) return c;
    if (c < 0xE0) {
        const char32_t cp = ((c & 0x1F) << 6) | (p[0] & 0x3F);
        p += 1;
        return cp;
    }
    if (c < 0xF0) {
        const char32_t cp = ((c & 0x0F) << 12) | ((p[0] & 0x3Fu) << 6) | (p[1] & 0x3F);
        p += 2;
        return cp;
    }
    const char32_t cp = ((c & 0x07) << 18) | ((p[0] & 0x3Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3F);
    p += 3;
    return cp;
}

bool IsHighSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// A lone surrogate cannot be carried in UTF-8; it becomes U+FFFD.
void AppendUtf16AsUtf8(std::string& out, const char16_t* units, size_t count) {
    const size_t start = out.size();
    out.resize(start + 3 * count); // the most one unit takes, a pair taking four
    char* put = out.data() + start;
    for (size_t i = 0; i < count; ++i) {
        const char32_t u = units[i];
        if (IsHighSurrogate(u) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
            put = PutUtf8(put, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            put = PutUtf8(put, kReplacement);
        } else {
            put = PutUtf8(put, u);
        }
    }
    out.resize(static_cast<size_t>(put - out.data()));
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string units;
    units.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        const char32_t cp = NextCodePoint(p);
        if (cp < 0x10000) {
            units.push_back(static_cast<char16_t>(cp));
        } else {
            units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

// UTF-16 and UTF-32 are decoded by hand so that damage (an odd last byte, a
// lone surrogate, a value above U+10FFFF) becomes U+FFFD instead of an error.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    std::string out;
    AppendUtf16AsUtf8(out, units.data(), units.size());
    if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);
    return out;
}

std::string DecodeUtf32(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4, p += 4) {
        const char32_t cp = bigEndian ? (char32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]
                                      : (char32_t{p[3]} << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
        const bool valid = cp <= 0x10FFFF && !IsHighSurrogate(cp) && !IsLowSurrogate(cp);
        AppendUtf8(out, valid ? cp : kReplacement);
    }
    if (bytes.size() % 4 != 0) AppendUtf8(out, kReplacement);
    return out;
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian, bool bom) {
    std::u16string units = Utf8ToUtf16(utf8);
    if (bom) units.insert(units.begin(), u'\uFEFF');
    std::string out(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto high = static_cast<char>(units[i] >> 8);
        const auto low = static_cast<char>(units[i] & 0xFF);
        out[2 * i] = bigEndian ? high : low;
        out[2 * i + 1] = bigEndian ? low : high;
    }
    return out;
}

std::string EncodeUtf32(std::string_view utf8, bool bigEndian, bool bom) {
    std::string out;
    out.reserve(utf8.size() * 4 + 4);
    auto put = [&](char32_t cp) {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian ? 24 - 8 * i : 8 * i;
            out.push_back(static_cast<char>((cp >> shift) & 0xFF));
        }
    };
    if (bom) put(0xFEFF);
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) put(NextCodePoint(p));
    return out;
}

// The code-page library, or the reason an encoding that needs it cannot be had.
const codepages::Library& CodePages(const std::string& encoding) {
    std::string why;
    if (const codepages::Library* library = codepages::Load(&why)) return *library;
    throw EncodingError("the encoding " + encoding + " needs the code-page library, which cannot be opened: " + why);
}

struct ConverterCloser {
    void operator()(CmConverter* converter) const { codepages::Load()->close(converter); }
};
using Converter = std::unique_ptr<CmConverter, ConverterCloser>;

struct OpenedEncoding {
    Converter converter;
    std::string name; // canonical
};

bool IsBlankName(const std::string& name) {
    // ICU opens its default converter for an empty name; a NUL would cut the
    // name short without the caller knowing.
    return name.empty() || name.find('\0') != std::string::npos;
}

// Opens the converter for `name` (any ICU alias) and finds its canonical
// name: the MIME name, else the IANA one, else ICU's own.
OpenedEncoding OpenEncoding(const std::string& name) {
    if (IsBlankName(name)) throw EncodingError("unknown encoding: " + name);
    const codepages::Library& library = CodePages(name);
    char canonical[128];
    Converter converter(library.open(name.c_str(), canonical, sizeof canonical));
    if (!converter) throw EncodingError("unknown encoding: " + name);
    return OpenedEncoding{std::move(converter), canonical};
}

struct DecodeFailure {
    size_t offset = 0;
    unsigned char byte = 0;
};

// Converts with ICU, stopping at the first byte the encoding leaves
// undefined rather than substituting for it.
bool DecodeWithIcu(CmConverter* converter, std::string_view bytes, std::string& utf8, DecodeFailure& failure) {
    const codepages::Library& library = *codepages::Load();
    uint16_t* units = nullptr;
    size_t length = 0;
    size_t failedAt = 0;
    const int result = library.toUtf16(converter, bytes.data(), bytes.size(), &units, &length, &failedAt);
    if (result < 0) throw std::bad_alloc();
    if (result > 0) {
        failure.offset = failedAt;
        failure.byte = failedAt < bytes.size() ? static_cast<unsigned char>(bytes[failedAt]) : 0;
        return false;
    }
    utf8.clear();
    AppendUtf16AsUtf8(utf8, reinterpret_cast<const char16_t*>(units), length);
    library.free(units);
    return true;
}

std::string EncodeWithIcu(CmConverter* converter, const std::u16string& units, const std::string& name) {
    const codepages::Library& library = *codepages::Load();
    char* bytes = nullptr;
    size_t length = 0;
    size_t at = 0;
    const int result = library.fromUtf16(converter, reinterpret_cast<const uint16_t*>(units.data()), units.size(),
                                         &bytes, &length, &at);
    if (result < 0) throw std::bad_alloc();
    if (result > 0) {
        char32_t cp = at < units.size() ? units[at] : kReplacement;
        if (IsHighSurrogate(cp) && at + 1 < units.size() && IsLowSurrogate(units[at + 1]))
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[at + 1] - 0xDC00);
        const auto line = 1 + std::count(units.begin(), units.begin() + std::min(at, units.size()), u'\n');
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
        throw EncodingError("the character " + std::string(code) + " cannot be written in " + name + " (line " +
                            std::to_string(line) + ")");
    }
    std::string out(bytes, length);
    library.free(bytes);
    return out;
}

bool IsLegacyCandidate(std::string_view name) {
    // EBCDIC (IBM420/424) would not even keep line ends, and UTF-16/32
    // without a byte-order mark is a guess we do not take. ISO-2022 is 7-bit
    // text, which is valid UTF-8 and never gets here.
    for (std::string_view prefix : {"windows-", "ISO-8859-", "KOI8-"})
        if (name.starts_with(prefix)) return true;
    for (std::string_view cjk : {"Shift_JIS", "EUC-JP", "EUC-KR", "GB18030", "Big5"})
        if (name == cjk) return true;
    return false;
}

// The detector only looks at its first few thousand bytes; feed it the lines
// that carry non-ASCII bytes, since a file may start with pages of numbers
// and times.
std::string DetectionSample(std::string_view bytes) {
    if (bytes.size() <= kDetectionSample) return std::string(bytes);
    std::string sample;
    size_t start = 0;
    while (start < bytes.size() && sample.size() < kDetectionSample) {
        size_t end = bytes.find('\n', start);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        const std::string_view line = bytes.substr(start, end - start);
        if (std::any_of(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; }))
            sample.append(line.substr(0, kDetectionSample - sample.size()));
        start = end;
    }
    return sample;
}

std::vector<std::string> DetectLegacyEncodings(std::string_view bytes) {
    std::vector<std::string> names;
    const codepages::Library* library = codepages::Load();
    if (library == nullptr) return names;
    const std::string sample = DetectionSample(bytes);
    char found[1024];
    library->detect(sample.data(), sample.size(), kMinimumConfidence, found, sizeof found);
    for (const char* name = found; *name != '\0'; name += std::strlen(name) + 1)
        if (IsLegacyCandidate(name)) names.emplace_back(name);
    return names;
}

bool HasC1Bytes(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x80 && b <= 0x9F;
    });
}

// ICU names the ISO variant when its sample held no byte 0x80-0x9F. The
// Windows variant reads such text the same way and can also hold the euro
// sign and curly quotes on writing; if C1 bytes occur later in the file, they
// are letters and punctuation there, not control characters.
std::string PreferredVariant(const std::string& detected, std::string_view bytes) {
    if (detected == "ISO-8859-1") return "windows-1252";
    if (detected == "ISO-8859-9") return "windows-1254";
    if (!HasC1Bytes(bytes)) return detected;
    if (detected == "ISO-8859-2") return "windows-1250";
    if (detected == "ISO-8859-7") return "windows-1253";
    if (detected == "ISO-8859-8" || detected == "ISO-8859-8-I") return "windows-1255";
    return detected;
}

DecodedText DecodeLegacy(std::string_view bytes, bool bom) {
    // Without the converters a guess would misread the text without a word.
    CodePages("of this text");
    std::vector<std::string> candidates;
    for (const std::string& detected : DetectLegacyEncodings(bytes))
        candidates.push_back(PreferredVariant(detected, bytes));
    // Every byte is defined in windows-1252, its five gaps being read as the
    // C1 controls U+0081, U+008D, U+008F, U+0090, U+009D, so nothing is lost.
    candidates.emplace_back("windows-1252");
    DecodedText decoded;
    decoded.encoding.bom = bom;
    for (const std::string& candidate : candidates) {
        try {
            OpenedEncoding opened = OpenEncoding(candidate);
            DecodeFailure failure;
            if (DecodeWithIcu(opened.converter.get(), bytes, decoded.utf8, failure)) {
                decoded.encoding.name = opened.name;
                return decoded;
            }
        } catch (const EncodingError&) {
            // ICU built without that table: try the next guess.
        }
    }
    // Only with an ICU built without these tables: Latin-1 maps every byte to
    // the same code point.
    decoded.utf8.clear();
    for (const char c : bytes) AppendUtf8(decoded.utf8, static_cast<unsigned char>(c));
    decoded.encoding.name = "ISO-8859-1";
    return decoded;
}

std::string ByteText(unsigned byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

DecodedText DecodeUtf8Strictly(std::string_view bytes) {
    DecodedText decoded;
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
        decoded.encoding.bom = true;
    }
    const size_t valid = ValidUtf8Prefix(bytes);
    if (valid != bytes.size())
        throw EncodingError("cannot read the byte " + ByteText(static_cast<unsigned char>(bytes[valid])) +
                            " at offset " + std::to_string(valid + (decoded.encoding.bom ? 3 : 0)) + " as UTF-8");
    decoded.utf8.assign(bytes);
    return decoded;
}

DecodedText DecodeUtfUnits(std::string_view bytes, const std::string& name) {
    const bool utf32 = name.starts_with("UTF-32");
    bool bigEndian = name.ends_with("BE");
    if (name == "UTF-16" || name == "UTF-32") {
        // Without a byte-order mark these mean big-endian.
        bigEndian = !bytes.starts_with(utf32 ? kUtf32LeBom : kUtf16LeBom);
    }
    const std::string_view mark = utf32 ? (bigEndian ? kUtf32BeBom : kUtf32LeBom)
                                        : (bigEndian ? kUtf16BeBom : kUtf16LeBom);
    DecodedText decoded;
    decoded.encoding.name = std::string(utf32 ? "UTF-32" : "UTF-16") + (bigEndian ? "BE" : "LE");
    if (bytes.starts_with(mark)) {
        bytes.remove_prefix(mark.size());
        decoded.encoding.bom = true;
    }
    decoded.utf8 = utf32 ? DecodeUtf32(bytes, bigEndian) : DecodeUtf16(bytes, bigEndian);
    return decoded;
}

bool IsUtfUnits(const std::string& name) {
    return name == "UTF-16" || name == "UTF-16LE" || name == "UTF-16BE" || name == "UTF-32" || name == "UTF-32LE" ||
           name == "UTF-32BE";
}

// UTF-16 without a byte-order mark shows itself by its NUL bytes: the high
// byte of every ASCII character, and a subtitle file is full of digits,
// arrows and line ends. NULs on (almost) only the odd bytes mean
// little-endian, on only the even ones big-endian; any other NULs are left
// for the reader to stop on. A line end in the same byte order is asked for
// too, so that a few stray NULs in a short file do not pass. Returns nullptr
// for no UTF-16.
const char* Utf16ByItsNuls(std::string_view bytes) {
    const std::string_view sample = bytes.substr(0, kDetectionSample);
    size_t evenNuls = 0;
    size_t oddNuls = 0;
    for (size_t i = 0; i < sample.size(); ++i)
        if (sample[i] == '\0') ++(i % 2 == 0 ? evenNuls : oddNuls);
    const size_t units = sample.size() / 2;
    const size_t most = std::max(evenNuls, oddNuls);
    const size_t fewest = std::min(evenNuls, oddNuls);
    if (most == 0 || most < units / 4 || fewest * 16 > most) return nullptr;
    const bool littleEndian = oddNuls > evenNuls;
    for (size_t i = 0; i + 1 < sample.size(); i += 2) {
        const char low = littleEndian ? sample[i] : sample[i + 1];
        const char high = littleEndian ? sample[i + 1] : sample[i];
        if (high == '\0' && (low == '\n' || low == '\r')) return littleEndian ? "UTF-16LE" : "UTF-16BE";
    }
    return nullptr;
}

} // namespace

DecodedText DecodeText(std::string_view bytes) {
    if (bytes.starts_with(kUtf32LeBom)) return DecodeUtfUnits(bytes, "UTF-32LE");
    if (bytes.starts_with(kUtf32BeBom)) return DecodeUtfUnits(bytes, "UTF-32BE");
    if (bytes.starts_with(kUtf16LeBom)) return DecodeUtfUnits(bytes, "UTF-16LE");
    if (bytes.starts_with(kUtf16BeBom)) return DecodeUtfUnits(bytes, "UTF-16BE");
    if (const char* utf16 = Utf16ByItsNuls(bytes)) return DecodeUtfUnits(bytes, utf16);
    const bool bom = bytes.starts_with(kUtf8Bom);
    if (bom) bytes.remove_prefix(kUtf8Bom.size());
    if (ValidUtf8Prefix(bytes) == bytes.size()) return DecodedText{std::string(bytes), TextEncoding{"UTF-8", bom}};
    // A UTF-8 mark before text that is not UTF-8 is still kept on writing, so
    // the file comes back byte for byte.
    return DecodeLegacy(bytes, bom);
}

DecodedText DecodeTextInPlace(std::string bytes) {
    const std::string_view view(bytes);
    const bool bom = view.starts_with(kUtf8Bom);
    const bool unitBom = view.starts_with(kUtf16LeBom) || view.starts_with(kUtf16BeBom) ||
                         view.starts_with(kUtf32BeBom);
    const std::string_view body = view.substr(bom ? kUtf8Bom.size() : 0);
    if (unitBom || ValidUtf8Prefix(body) != body.size() || Utf16ByItsNuls(view)) return DecodeText(view);
    if (bom) bytes.erase(0, kUtf8Bom.size());
    return DecodedText{std::move(bytes), TextEncoding{"UTF-8", bom}};
}

DecodedText DecodeTextAs(std::string_view bytes, const std::string& encodingName) {
    OpenedEncoding opened = OpenEncoding(encodingName);
    if (opened.name == "UTF-8") return DecodeUtf8Strictly(bytes);
    if (IsUtfUnits(opened.name)) return DecodeUtfUnits(bytes, opened.name);
    DecodedText decoded;
    decoded.encoding.name = opened.name;
    DecodeFailure failure;
    if (!DecodeWithIcu(opened.converter.get(), bytes, decoded.utf8, failure))
        throw EncodingError("cannot read the byte " + ByteText(failure.byte) + " at offset " +
                            std::to_string(failure.offset) + " as " + opened.name);
    if (opened.name.starts_with("UTF-") && decoded.utf8.starts_with(kUtf8Bom)) {
        decoded.utf8.erase(0, kUtf8Bom.size()); // U+FEFF of UTF-7 and the like
        decoded.encoding.bom = true;
    }
    return decoded;
}

namespace {

void requireUtf8(std::string_view utf8) {
    const size_t valid = ValidUtf8Prefix(utf8);
    if (valid != utf8.size())
        throw EncodingError("the text to write is not valid UTF-8 (byte " +
                            ByteText(static_cast<unsigned char>(utf8[valid])) + " at offset " + std::to_string(valid) +
                            ")");
}

} // namespace

std::string EncodeTextInPlace(std::string utf8, const TextEncoding& encoding) {
    // The name a read gives UTF-8; it needs no converter to be written.
    if (encoding.name != "UTF-8" || encoding.bom) return EncodeText(std::string_view(utf8), encoding);
    requireUtf8(utf8);
    return utf8;
}

std::string EncodeText(std::string_view utf8, const TextEncoding& encoding) {
    requireUtf8(utf8);
    if (encoding.name == "UTF-8") return (encoding.bom ? std::string(kUtf8Bom) : std::string()).append(utf8);
    // The Unicode forms are written here; only other names need the converters.
    OpenedEncoding opened;
    if (IsUtfUnits(encoding.name))
        opened.name = encoding.name;
    else
        opened = OpenEncoding(encoding.name);
    const std::string& name = opened.name;
    if (name == "UTF-8") return (encoding.bom ? std::string(kUtf8Bom) : std::string()).append(utf8);
    if (name == "UTF-16LE" || name == "UTF-16BE" || name == "UTF-16")
        return EncodeUtf16(utf8, name != "UTF-16LE", encoding.bom);
    if (name == "UTF-32LE" || name == "UTF-32BE" || name == "UTF-32")
        return EncodeUtf32(utf8, name != "UTF-32LE", encoding.bom);
    std::u16string units = Utf8ToUtf16(utf8);
    const bool unicodeMark = encoding.bom && name.starts_with("UTF-");
    if (unicodeMark) units.insert(units.begin(), u'\uFEFF');
    std::string bytes = EncodeWithIcu(opened.converter.get(), units, name);
    // A legacy text read after a UTF-8 mark gets that mark back.
    if (encoding.bom && !unicodeMark) bytes.insert(0, kUtf8Bom);
    return bytes;
}

} // namespace cuemark
