#include "subtitles/line_io.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using cuemark::LineReader;
using cuemark::LineWriter;

namespace {
std::vector<std::string> allLines(LineReader& r) {
    std::vector<std::string> lines;
    while (!r.AtEnd()) lines.push_back(r.ReadLine());
    return lines;
}
} // namespace

TEST(LineReader, EndsLinesAtCrCrLfAndLoneLf) {
    LineReader r("a\r\nb\rc\nd");
    EXPECT_EQ(allLines(r), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(r.LineNumber(), 4);
}

TEST(LineReader, KeepsEmptyLinesAndStopsAfterTheLastLineEnd) {
    LineReader r("1\r\n\r\n\n\r");
    EXPECT_EQ(allLines(r), (std::vector<std::string>{"1", "", "", ""}));
    EXPECT_EQ(r.ReadLine(), "");
    EXPECT_TRUE(r.AtEnd());
}

TEST(LineReader, LfCrIsTwoLineEnds) {
    LineReader r("a\n\rb");
    EXPECT_EQ(allLines(r), (std::vector<std::string>{"a", "", "b"}));
}

TEST(LineReader, TellsWhetherOnlyBlankLinesRemainAndRewinds) {
    LineReader r("x\r\n \t\r\n\r\n");
    r.ReadLine();
    EXPECT_TRUE(r.RestIsBlank());
    r.Rewind();
    EXPECT_FALSE(r.RestIsBlank());
    EXPECT_EQ(r.ReadLine(), "x");
    EXPECT_EQ(r.LineNumber(), 1);
}

TEST(LineWriter, EndsEveryLineWithCrLf) {
    LineWriter w;
    w.WriteLine("a");
    w.WriteLine("");
    w.Write("b\r\n");
    EXPECT_EQ(w.Text(), "a\r\n\r\nb\r\n");
}

TEST(LineReader, ReadsLongFilesOfEachLineEndInOneSweep) {
    for (const char* end : {"\r\n", "\r", "\n"}) {
        std::string text;
        for (int i = 0; i < 200000; ++i) text += "line" + std::to_string(i) + end;
        LineReader r(text);
        int n = 0;
        while (!r.AtEnd()) ASSERT_EQ(r.ReadLine(), "line" + std::to_string(n++));
        EXPECT_EQ(n, 200000);
    }
}

// The line search steps over many bytes at once: a line end at any place in a
// step, and lines of every length, must split as a byte-by-byte reading does.
TEST(LineReader, SplitsAsAByteByByteReadingWouldAtEveryOffset) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const std::string alphabet = "ab\r\n\x0d\x8a\xff ";
    for (int round = 0; round < 2000; ++round) {
        std::string text(static_cast<size_t>(random() % 80), ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        std::vector<std::string> expected;
        for (size_t at = 0; at < text.size();) {
            size_t end = at;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
            expected.push_back(text.substr(at, end - at));
            at = end;
            if (at < text.size() && text[at] == '\r') ++at;
            if (at < text.size() && text[at] == '\n' && (at == end || text[end] == '\r')) ++at;
        }
        LineReader reader(text);
        ASSERT_EQ(allLines(reader), expected) << testing::PrintToString(text);
    }
}
