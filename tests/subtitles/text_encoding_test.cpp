#include "subtitles/text_encoding.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace cuemark {
namespace {

std::string Sample(const std::string& name) {
    std::ifstream file(std::string(CUEMARK_TEST_DATA) + "/encodings/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

// "russian_koi8-r.srt" -> "russian_koi8_r": test names must be identifiers.
std::string TestNameOf(std::string file) {
    file = file.substr(0, file.rfind('.'));
    for (char& c : file)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return file;
}

std::string ErrorOf(auto&& call) {
    try {
        call();
    } catch (const EncodingError& error) {
        return error.what();
    }
    return "(no error)";
}

// Well-formed UTF-8 as the Unicode standard's table of byte sequences puts it,
// written for clarity, to check the fast validator against.
bool IsWellFormedUtf8(std::string_view text) {
    size_t i = 0;
    auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    auto in = [&](size_t k, unsigned low, unsigned high) { return k < text.size() && at(k) >= low && at(k) <= high; };
    while (i < text.size()) {
        const unsigned c = at(i);
        if (c <= 0x7F) {
            i += 1;
        } else if (c >= 0xC2 && c <= 0xDF && in(i + 1, 0x80, 0xBF)) {
            i += 2;
        } else if (c == 0xE0 && in(i + 1, 0xA0, 0xBF) && in(i + 2, 0x80, 0xBF)) {
            i += 3;
        } else if (((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) && in(i + 1, 0x80, 0xBF) &&
                   in(i + 2, 0x80, 0xBF)) {
            i += 3;
        } else if (c == 0xED && in(i + 1, 0x80, 0x9F) && in(i + 2, 0x80, 0xBF)) {
            i += 3;
        } else if (c == 0xF0 && in(i + 1, 0x90, 0xBF) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
            i += 4;
        } else if (c >= 0xF1 && c <= 0xF3 && in(i + 1, 0x80, 0xBF) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
            i += 4;
        } else if (c == 0xF4 && in(i + 1, 0x80, 0x8F) && in(i + 2, 0x80, 0xBF) && in(i + 3, 0x80, 0xBF)) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

bool DecodesAsUtf8(std::string_view bytes) {
    try {
        DecodeTextAs(bytes, "UTF-8");
        return true;
    } catch (const EncodingError&) {
        return false;
    }
}

struct LegacySample {
    const char* file;
    const char* encoding;
    const char* twin;
};

void PrintTo(const LegacySample& sample, std::ostream* out) {
    *out << sample.file;
}

class LegacySamples : public testing::TestWithParam<LegacySample> {};

TEST_P(LegacySamples, AreDetectedAndWrittenBackByteForByte) {
    const LegacySample& sample = GetParam();
    const std::string bytes = Sample(sample.file);
    const DecodedText decoded = DecodeText(bytes);
    EXPECT_EQ(decoded.encoding, (TextEncoding{sample.encoding, false}));
    EXPECT_EQ(decoded.utf8, Sample(sample.twin));
    EXPECT_EQ(EncodeText(Sample(sample.twin), decoded.encoding), bytes);
}

INSTANTIATE_TEST_SUITE_P(Samples, LegacySamples,
                         testing::Values(LegacySample{"french_windows-1252.srt", "windows-1252", "french_utf-8.srt"},
                                         LegacySample{"czech_polish_windows-1250.srt", "windows-1250",
                                                      "czech_polish_utf-8.srt"},
                                         LegacySample{"russian_windows-1251.srt", "windows-1251", "russian_utf-8.srt"},
                                         LegacySample{"russian_koi8-r.srt", "KOI8-R", "russian_utf-8.srt"}),
                         [](const auto& info) { return TestNameOf(info.param.file); });

struct UnicodeSample {
    const char* file;
    TextEncoding encoding;
};

void PrintTo(const UnicodeSample& sample, std::ostream* out) {
    *out << sample.file;
}

class UnicodeSamples : public testing::TestWithParam<UnicodeSample> {};

TEST_P(UnicodeSamples, LoseTheirByteOrderMarkAndGetItBackOnWriting) {
    const UnicodeSample& sample = GetParam();
    const std::string bytes = Sample(sample.file);
    const std::string twin = Sample("multilingual_utf-8.srt");
    const DecodedText decoded = DecodeText(bytes);
    EXPECT_EQ(decoded.encoding, sample.encoding);
    EXPECT_EQ(decoded.utf8, twin);
    EXPECT_EQ(EncodeText(twin, decoded.encoding), bytes);
    // A forced encoding removes its own mark as well.
    EXPECT_EQ(DecodeTextAs(bytes, sample.encoding.name).utf8, twin);
}

INSTANTIATE_TEST_SUITE_P(Samples, UnicodeSamples,
                         testing::Values(UnicodeSample{"multilingual_utf-8.srt", {"UTF-8", false}},
                                         UnicodeSample{"multilingual_utf-8-bom.srt", {"UTF-8", true}},
                                         UnicodeSample{"multilingual_utf-16le.srt", {"UTF-16LE", true}},
                                         UnicodeSample{"multilingual_utf-16be.srt", {"UTF-16BE", true}}),
                         [](const auto& info) { return TestNameOf(info.param.file); });

TEST(TextDecoding, TakesAsciiAndEmptyTextAsUtf8) {
    EXPECT_EQ(DecodeText("1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n").encoding, (TextEncoding{"UTF-8", false}));
    EXPECT_EQ(DecodeText("").encoding, (TextEncoding{"UTF-8", false}));
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF").utf8, "");
}

TEST(TextDecoding, ReplacesDamageInUtf16WithReplacementCharacters) {
    // Lone high surrogate, lone low surrogate, then an odd last byte.
    const std::string le(
        "\xFF\xFE"
        "A\0"
        "\x00\xD8"
        "B\0"
        "\x00\xDC"
        "C",
        11);
    EXPECT_EQ(DecodeText(le).utf8, "A\uFFFDB\uFFFD\uFFFD");
    const std::string be(
        "\xFE\xFF"
        "\xD8\x3D\xDE\x00"
        "\xD8\x3D",
        8);
    EXPECT_EQ(DecodeText(be).utf8, "\U0001F600\uFFFD");
    EXPECT_EQ(DecodeText(be).encoding, (TextEncoding{"UTF-16BE", true}));
}

TEST(TextDecoding, ReadsUtf32WithByteOrderMark) {
    const std::string le(
        "\xFF\xFE\0\0"
        "A\0\0\0"
        "\x00\xF6\x01\x00"
        "\x00\x00\x11\x00",
        16);
    const DecodedText decoded = DecodeText(le);
    EXPECT_EQ(decoded.encoding, (TextEncoding{"UTF-32LE", true}));
    EXPECT_EQ(decoded.utf8, "A\U0001F600\uFFFD"); // 0x110000 is beyond Unicode
    EXPECT_EQ(EncodeText("A\U0001F600", decoded.encoding), std::string("\xFF\xFE\0\0"
                                                                       "A\0\0\0"
                                                                       "\x00\xF6\x01\x00",
                                                                       12));
}

TEST(TextDecoding, FindsTheEncodingWhenTheFileStartsWithPagesOfAscii) {
    // ICU's detector looks at its first 8000 bytes only.
    std::string bytes;
    for (int i = 1; i <= 400; ++i) bytes += std::to_string(i) + "\r\n00:00:01,000 --> 00:00:02,000\r\nOK\r\n\r\n";
    ASSERT_GT(bytes.size(), 8000u);
    bytes += Sample("russian_windows-1251.srt");
    EXPECT_EQ(DecodeText(bytes).encoding.name, "windows-1251");
}

TEST(TextDecoding, PrefersTheWindowsVariantWhenC1BytesComeLate) {
    std::string text;
    for (int i = 0; i < 120; ++i)
        text += "Ołówek, róże i żółw czekaja przed domem.\r\nPójdę do żony, ona wie więcej niż ja.\r\n";
    text += "Śpiesz się, proszę.\r\n"; // Ś and ś are 0x8C and 0x9C in windows-1250
    const std::string bytes = EncodeText(text, {"windows-1250", false});
    const DecodedText decoded = DecodeText(bytes);
    EXPECT_EQ(decoded.encoding.name, "windows-1250");
    EXPECT_EQ(decoded.utf8, text);
}

TEST(TextDecoding, IgnoresUtf16GuessesWithoutByteOrderMark) {
    std::u16string text;
    for (int i = 0; i < 60; ++i) text += u"Caf\u00E9 cr\u00E8me, d\u00E9j\u00E0 vu. ";
    const std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    const DecodedText decoded = DecodeText(bytes);
    EXPECT_FALSE(decoded.encoding.name.starts_with("UTF")) << decoded.encoding.name;
    EXPECT_EQ(EncodeText(decoded.utf8, decoded.encoding), bytes);
}

TEST(TextDecoding, ReadsUtf16WithoutByteOrderMarkByItsNulBytes) {
    const std::string text = "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\u00E9 \u4E2D\u6587 cr\u00E8me\r\n\r\n";
    for (const char* name : {"UTF-16LE", "UTF-16BE"}) {
        const std::string bytes = EncodeText(text, {name, false});
        for (const DecodedText& decoded : {DecodeText(bytes), DecodeTextInPlace(bytes)}) {
            EXPECT_EQ(decoded.encoding, (TextEncoding{name, false}));
            EXPECT_EQ(decoded.utf8, text);
        }
    }
    // NULs in no such pattern (UTF-32 without its mark, stray NULs in 8-bit
    // text) are left in the text for the reader to stop on.
    for (const std::string& bytes : {EncodeText(text, {"UTF-32LE", false}), std::string("ab\0\0cd\0\0ef\0\0", 12),
                                     std::string("1\r\nx\0y\r\n", 8)}) {
        const DecodedText decoded = DecodeText(bytes);
        EXPECT_FALSE(decoded.encoding.name.starts_with("UTF-16")) << decoded.encoding.name;
        EXPECT_NE(decoded.utf8.find('\0'), std::string::npos);
    }
}

TEST(TextDecoding, FallsBackToWindows1252WhenNothingFits) {
    std::mt19937 random(7);
    std::string noise;
    for (int i = 0; i < 600; ++i) noise.push_back(static_cast<char>(random() & 0xFF));
    const DecodedText decoded = DecodeText(noise);
    EXPECT_EQ(decoded.encoding, (TextEncoding{"windows-1252", false}));
    EXPECT_EQ(EncodeText(decoded.utf8, decoded.encoding), noise);
}

TEST(TextDecoding, KeepsUtf8MarkInFrontOfLegacyText) {
    const std::string bytes = "\xEF\xBB\xBF" + Sample("french_windows-1252.srt");
    const DecodedText decoded = DecodeText(bytes);
    EXPECT_EQ(decoded.encoding, (TextEncoding{"windows-1252", true}));
    EXPECT_EQ(decoded.utf8, Sample("french_utf-8.srt"));
    EXPECT_EQ(EncodeText(decoded.utf8, decoded.encoding), bytes);
}

TEST(TextDecoding, ReadsEveryWindows1252ByteAndWritesItBack) {
    const DecodedText decoded = DecodeTextAs(AllBytes(), "windows-1252");
    EXPECT_EQ(EncodeText(decoded.utf8, decoded.encoding), AllBytes());
    EXPECT_EQ(DecodeTextAs("\x80\x81\x8D\x8F\x90\x9D\x9F", "windows-1252").utf8,
              "\u20AC\u0081\u008D\u008F\u0090\u009D\u0178");
}

TEST(TextDecoding, EveryByteADetectableEncodingDefinesWritesBackToItself) {
    for (const char* name : {"windows-1250", "windows-1251", "windows-1252", "windows-1253", "windows-1254",
                             "windows-1255", "windows-1256", "ISO-8859-1", "ISO-8859-2", "ISO-8859-5", "ISO-8859-6",
                             "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "KOI8-R"}) {
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            try {
                const DecodedText decoded = DecodeTextAs(byte, name);
                EXPECT_EQ(EncodeText(decoded.utf8, decoded.encoding), byte) << name << " " << b;
            } catch (const EncodingError&) {
                // A byte the encoding leaves undefined: refused, not guessed.
            }
        }
    }
}

TEST(TextDecoding, AcceptsIcuAliasesAndRecordsCanonicalNames) {
    EXPECT_EQ(DecodeTextAs("caf\xE9", "latin1").encoding.name, "ISO-8859-1");
    EXPECT_EQ(DecodeTextAs("caf\xE9", "latin1").utf8, "caf\u00E9");
    EXPECT_EQ(DecodeTextAs("\x9A", "cp1250").encoding.name, "windows-1250");
    EXPECT_EQ(DecodeTextAs("\x9A", "cp1250").utf8, "\u0161");
    EXPECT_EQ(DecodeTextAs("ok", "utf8").encoding.name, "UTF-8");
    EXPECT_EQ(DecodeTextAs("\xF0", "koi8-r").encoding.name, "KOI8-R");
    EXPECT_EQ(DecodeTextAs("\x82\xA0", "Shift_JIS").utf8, "\u3042");
}

TEST(TextDecoding, RefusesUnknownEncodingNames) {
    EXPECT_EQ(ErrorOf([] { DecodeTextAs("x", "klingon-8"); }), "unknown encoding: klingon-8");
    EXPECT_EQ(ErrorOf([] { DecodeTextAs("x", ""); }), "unknown encoding: ");
    EXPECT_EQ(ErrorOf([] { EncodeText("x", {"klingon-8", false}); }), "unknown encoding: klingon-8");
}

TEST(TextDecoding, ForcedEncodingRefusesBytesItCannotRead) {
    EXPECT_EQ(ErrorOf([] { DecodeTextAs("ab\xC3(", "UTF-8"); }), "cannot read the byte 0xC3 at offset 2 as UTF-8");
    EXPECT_EQ(ErrorOf([] { DecodeTextAs("\xEF\xBB\xBFok\xFF", "UTF-8"); }),
              "cannot read the byte 0xFF at offset 5 as UTF-8");
    EXPECT_EQ(ErrorOf([] { DecodeTextAs("abc\xAE", "ISO-8859-7"); }),
              "cannot read the byte 0xAE at offset 3 as ISO-8859-7");
}

TEST(TextDecoding, ForcedEncodingRemovesOnlyItsOwnByteOrderMark) {
    const DecodedText latin = DecodeTextAs("\xEF\xBB\xBFok", "windows-1252");
    EXPECT_EQ(latin.utf8, "\u00EF\u00BB\u00BFok");
    EXPECT_FALSE(latin.encoding.bom);
    EXPECT_EQ(DecodeTextAs("\xEF\xBB\xBFok", "UTF-8").encoding, (TextEncoding{"UTF-8", true}));
}

TEST(TextDecoding, GenericUtf16FollowsTheByteOrderMark) {
    EXPECT_EQ(DecodeTextAs(std::string("\xFF\xFEh\0", 4), "UTF-16").encoding, (TextEncoding{"UTF-16LE", true}));
    const DecodedText plain = DecodeTextAs(std::string("\0h", 2), "UTF-16");
    EXPECT_EQ(plain.encoding, (TextEncoding{"UTF-16BE", false}));
    EXPECT_EQ(plain.utf8, "h");
}

TEST(Utf8Validation, AcceptsBoundaryCodePointsAndRejectsMalformedForms) {
    for (const char* good : {"\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                             "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(DecodesAsUtf8(good)) << testing::PrintToString(good);
    for (const char* bad : {"\x80", "\xBF", "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF",
                            "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "\xC3", "\xE2\x82",
                            "\xF0\x9F\x98", "\xE2\x28\xA1", "\xC3\xC3"})
        EXPECT_FALSE(DecodesAsUtf8(bad)) << testing::PrintToString(bad);
}

TEST(Utf8Validation, FindsAFaultAtEveryPositionOfALongAsciiRun) {
    for (size_t at = 0; at < 40; ++at) {
        std::string text(40, 'a');
        text[at] = '\x80';
        EXPECT_FALSE(DecodesAsUtf8(text)) << at;
        text.replace(at, 1, "\xE2\x82\xAC"); // the euro sign across every word boundary
        EXPECT_TRUE(DecodesAsUtf8(text)) << at;
        text.erase(at + 2, 1);
        EXPECT_FALSE(DecodesAsUtf8(text)) << at;
    }
}

TEST(Utf8Validation, AgreesWithTheStandardOnRandomText) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const std::string pieces[] = {"a", " ", "\r\n", "\u00E9", "\u20AC", "\U0001F600", "\u0416"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) {
            if (random() % 8 == 0)
                text.push_back(static_cast<char>(0x80 + random() % 0x80));
            else
                text += pieces[random() % std::size(pieces)];
        }
        ASSERT_EQ(DecodesAsUtf8(text), IsWellFormedUtf8(text)) << testing::PrintToString(text);
        ASSERT_EQ(DecodeText(text).encoding.name == "UTF-8", IsWellFormedUtf8(text));
    }
}

TEST(TextWriting, NamesTheCharacterThatCannotBeWritten) {
    EXPECT_EQ(ErrorOf([] {
                  EncodeText("ok\r\n\u4E2D", {"windows-1252", false});
              }),
              "the character U+4E2D cannot be written in windows-1252 (line 2)");
    EXPECT_EQ(ErrorOf([] {
                  EncodeText("\U0001F3B5", {"KOI8-R", false});
              }),
              "the character U+1F3B5 cannot be written in KOI8-R (line 1)");
    // 0x80 is the euro sign there, so U+0080 has no byte of its own.
    EXPECT_EQ(ErrorOf([] {
                  EncodeText("\u0080", {"windows-1252", false});
              }),
              "the character U+0080 cannot be written in windows-1252 (line 1)");
}

TEST(TextWriting, RefusesTextThatIsNotUtf8) {
    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x82", "\x80"}) {
        EXPECT_NE(ErrorOf([&] {
                      EncodeText(bad, {"windows-1252", false});
                  }).find("not valid UTF-8"),
                  std::string::npos);
        EXPECT_THROW(EncodeText(bad, {"UTF-8", false}), EncodingError);
        EXPECT_THROW(EncodeText(bad, {"UTF-16LE", true}), EncodingError);
    }
}

TEST(TextWriting, WritesTheByteOrderMarkOfEachUnicodeForm) {
    EXPECT_EQ(EncodeText("h", {"UTF-8", true}), "\xEF\xBB\xBFh");
    EXPECT_EQ(EncodeText("h", {"UTF-16LE", true}), std::string("\xFF\xFEh\0", 4));
    EXPECT_EQ(EncodeText("h", {"UTF-16BE", false}), std::string("\0h", 2));
    EXPECT_EQ(EncodeText("\U0001F600", {"UTF-16BE", true}), std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6));
    EXPECT_EQ(EncodeText("h", {"UTF-32BE", true}), std::string("\0\0\xFE\xFF\0\0\0h", 8));
}

} // namespace
} // namespace cuemark

TEST(DecodeTextInPlace, GivesWhatDecodeTextGives) {
    for (std::string bytes :
         {std::string("plain"),
          std::string("\xEF\xBB\xBF"
                      "caf\xC3\xA9"),
          std::string("caf\xE9 cr\xE8me br\xFBl\xE9"), std::string("\xFF\xFEh\0i\0", 6), std::string()}) {
        const cuemark::DecodedText expected = cuemark::DecodeText(bytes);
        const cuemark::DecodedText got = cuemark::DecodeTextInPlace(bytes);
        EXPECT_EQ(got.utf8, expected.utf8);
        EXPECT_EQ(got.encoding, expected.encoding);
    }
}
