#include "subtitles/markup.h"

#include <gtest/gtest.h>

#include <random>

using namespace cuemark;

namespace {

// The conversion as plainly written: one first occurrence of each code per
// round. Slow, but obviously right; the real one must agree with it.
void plainCodesToTags(std::string& s, bool& italic, bool& bold) {
    auto has = [&](const char* code) { return s.find(code) != std::string::npos; };
    while (has("{y}") || has("{y:b}") || has("{y:i}")) {
        if (size_t at = s.find("{y:i}"); at != std::string::npos) {
            s.replace(at, 5, "<i>");
            italic = true;
        }
        if (size_t at = s.find("{y:b}"); at != std::string::npos) {
            s.replace(at, 5, "<b>");
            bold = true;
        }
        if (size_t at = s.find("{y}"); at != std::string::npos) {
            std::string part = s.substr(0, at);
            if (italic) part += "</i>";
            italic = false;
            if (bold) part += "</b>";
            bold = false;
            s = part + s.substr(at + 3);
        }
    }
}

std::string converted(std::string s, MarkupState& state) {
    state.CodesToTags(s);
    return s;
}

} // namespace

TEST(CodesToTags, OpensAndClosesStyles) {
    MarkupState m;
    std::string s = "{y:i}Hello";
    m.CodesToTags(s);
    m.CloseOpenTags(s);
    EXPECT_EQ(s, "<i>Hello</i>");
    EXPECT_EQ(converted("{y:b}Bold{y} plain", m), "<b>Bold</b> plain");
    EXPECT_FALSE(m.italicOpen);
    EXPECT_FALSE(m.boldOpen);
}

TEST(CodesToTags, AClosingCodeClosesItalicFirstThenBold) {
    MarkupState m;
    EXPECT_EQ(converted("{y:i}{y:b}x{y}", m), "<i><b>x</i></b>");
}

TEST(CodesToTags, AStyleOpenedOnOneLineStaysOpenToTheEndOfTheTitle) {
    MarkupState m;
    std::string one = "{y:i}One", two = "Two";
    m.CodesToTags(one);
    m.CodesToTags(two);
    std::string title = one + "\r\n" + two;
    m.CloseOpenTags(title);
    EXPECT_EQ(title, "<i>One\r\nTwo</i>");
    EXPECT_FALSE(m.italicOpen);
}

TEST(CodesToTags, MatchesCodesCaseSensitively) {
    MarkupState m;
    EXPECT_EQ(converted("{Y:I}x{Y}", m), "{Y:I}x{Y}");
    EXPECT_FALSE(m.italicOpen);
}

TEST(CodesToTags, AgreesWithThePlainRoundByRoundRewrite) {
    const char alphabet[] = "{y:ib}x";
    std::mt19937 rng(99);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int n = static_cast<int>(rng() % 24);
        for (int i = 0; i < n; ++i) {
            switch (rng() % 6) {
            case 0: s += "{y}"; break;
            case 1: s += "{y:i}"; break;
            case 2: s += "{y:b}"; break;
            default: s += alphabet[rng() % 7];
            }
        }
        bool italic = rng() % 2, bold = rng() % 2;
        MarkupState m;
        m.italicOpen = italic;
        m.boldOpen = bold;
        std::string expected = s;
        plainCodesToTags(expected, italic, bold);
        ASSERT_EQ(converted(s, m), expected) << "input: " << s;
        ASSERT_EQ(m.italicOpen, italic) << s;
        ASSERT_EQ(m.boldOpen, bold) << s;
    }
}

TEST(CodesToTags, HandlesAHugeLineOfCodesInLinearTime) {
    std::string s;
    for (int i = 0; i < 200000; ++i) s += (i % 3 == 0) ? "{y:i}a" : (i % 3 == 1 ? "{{y}y}" : "{y}");
    MarkupState m;
    m.CodesToTags(s); // quadratic work here would take minutes
    EXPECT_EQ(s.find("{y}"), std::string::npos);
}

TEST(TagsToCodes, ReplacesEveryTag) {
    EXPECT_EQ(TagsToCodes("<b><i>x</i></b>"), "{y:b}{y:i}x{y}{y}");
    EXPECT_EQ(TagsToCodes("<I>x</I> <u>y</u>"), "<I>x</I> <u>y</u>");
}

TEST(StripTags, RemovesOnlyTheFourLowerCaseTags) {
    EXPECT_EQ(StripTags("<i>a</i> <b>b</b>"), "a b");
    EXPECT_EQ(StripTags("<I>a</I> <u>b</u> <font>"), "<I>a</I> <u>b</u> <font>");
    EXPECT_EQ(StripTags("<<i>i>x"), "x"); // removing one can expose another
}
