#include "subtitles/format_detection.h"

#include <gtest/gtest.h>

#include "subtitles/number_text.h"

using namespace cuemark;

TEST(FormatFromName, UsesTheLastFourCharactersOfTheTrimmedNameInLowerCase) {
    EXPECT_EQ(FormatFromName("x.SRT"), SubtitleFormat::SubRip);
    EXPECT_EQ(FormatFromName("  film.Sub  "), SubtitleFormat::MicroDVD);
    EXPECT_EQ(FormatFromName("/a.srt/b.smi"), SubtitleFormat::Sami);
    EXPECT_EQ(FormatFromName("x.srt\t"), SubtitleFormat::Unknown); // only spaces are trimmed
    EXPECT_EQ(FormatFromName("srt"), SubtitleFormat::Unknown);
    EXPECT_EQ(FormatFromName(""), SubtitleFormat::Unknown);
}

TEST(FormatFromContent, LooksAtTheFirstNonEmptyLine) {
    auto detect = [](const char* text) {
        LineReader in(text);
        return FormatFromContent(in);
    };
    EXPECT_EQ(detect("\r\n\r\n1\r\n"), SubtitleFormat::SubRip);
    EXPECT_EQ(detect("  +2.5 anything"), SubtitleFormat::SubRip);
    EXPECT_EQ(detect("{10}{20}Hi"), SubtitleFormat::MicroDVD);
    EXPECT_EQ(detect("<SAMI>"), SubtitleFormat::Sami);
    EXPECT_EQ(detect("0\r\n1\r\n"), SubtitleFormat::Unknown);
    EXPECT_EQ(detect("-1"), SubtitleFormat::Unknown);
    EXPECT_EQ(detect(" {10}{20}"), SubtitleFormat::Unknown); // a blank line is not empty
    EXPECT_EQ(detect(""), SubtitleFormat::Unknown);
    EXPECT_EQ(detect("\n\n\n"), SubtitleFormat::Unknown);
}

TEST(LeadingNumber, ReadsSignDigitsAndDecimalsUpToTheFirstOtherCharacter) {
    EXPECT_EQ(LeadingNumber("12abc"), 12.0);
    EXPECT_EQ(LeadingNumber(" \t-3.25x"), -3.25);
    EXPECT_EQ(LeadingNumber("+.5"), 0.5);
    EXPECT_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_EQ(LeadingNumber(""), 0.0);
    EXPECT_GT(LeadingNumber(std::string(400, '9')), 1e300);
    EXPECT_EQ(TrimSpaces("  a b\t "), "a b\t");
    EXPECT_EQ(TrimSpaces("   "), "");
}
