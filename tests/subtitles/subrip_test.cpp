#include "subtitles/subrip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "subtitles/messages.h"
#include "subtitles/sami.h"
#include "subtitles/time_text.h"
#include "format_test_support.h"

using namespace cuemark;
using cuemark::testing::Read;
using cuemark::testing::Title;
using Status = ReadOutcome::Status;

namespace {

Read ReadText(const std::string& text) {
    return cuemark::testing::ReadStyledWith(text, ReadSubRip);
}

std::string Written(const std::vector<Title>& titles) {
    LineWriter out;
    WriteSubRip(out, cuemark::testing::StoreOf(titles));
    return out.Text();
}

const std::vector<Title> twoTitles = {{1.0, 2.5, "Hello\r\nworld"}, {3.0, 4.0, "Bye"}};

} // namespace

TEST(SubRipReader, ReadsBlocksWithAnyLineEnds) {
    const std::string file =
        "1\n00:00:01,000 --> 00:00:02,500\nHello\nworld\n\n2\n00:00:03,000 --> 00:00:04,000\nBye\n";
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        const Read r = ReadText(cuemark::testing::WithLineEnds(file, lineEnd));
        EXPECT_TRUE(r.outcome.complete());
        EXPECT_EQ(r.titles, twoTitles);
    }
}

TEST(SubRipReader, TakesTimesFromFixedPositionsAndTextAsItIs) {
    const Read r = ReadText("1\n00:00:01,000 --> 00:00:02,500 X1:100\n  <b>indented</b>  \n\n");
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.5, "  <b>indented</b>  "}}));
}

TEST(SubRipReader, AcceptsAnyCounterThatBeginsWithANonZeroNumber) {
    const Read r = ReadText(
        "7\n00:00:01,000 --> 00:00:02,000\na\n\n  +3 x\n00:00:03,000 --> 00:00:04,000\nb\n\n"
        "-2\n00:00:05,000 --> 00:00:06,000\nc\n\n.5\n00:00:07,000 --> 00:00:08,000\nd\n\n"
        "7\n00:00:09,000 --> 00:00:10,000\ne\n");
    EXPECT_TRUE(r.outcome.complete());
    ASSERT_EQ(r.titles.size(), 5u);
    EXPECT_EQ(r.titles[4].text, "e");
}

TEST(SubRipReader, StopsAtZeroCounterAndKeepsEarlierTitles) {
    for (const char* counter : {"0", "0.0", "Hello", "+", ".", "\v1"}) {
        const Read r = ReadText("1\n00:00:01,000 --> 00:00:02,000\nKept\n\n" + std::string(counter) +
                                "\n00:00:03,000 --> 00:00:04,000\nLost\n");
        EXPECT_EQ(r.outcome.status, Status::BadInput) << counter;
        EXPECT_EQ(r.outcome.message, messages::SubRipCorrupt);
        EXPECT_EQ(r.outcome.line, 5);
        EXPECT_FALSE(r.outcome.onlyBlankLinesLeft);
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
    }
}

TEST(SubRipReader, StopsAtATimesLineThatHoldsNoTimeAndKeepsEarlierTitles) {
    const std::string fullWidth =
        "\xEF\xBC\x90\xEF\xBC\x90:\xEF\xBC\x90\xEF\xBC\x90:\xEF\xBC\x90\xEF\xBC\x93,"
        "\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x90"; // "００:００:０３,０００"
    for (const std::string& times : std::vector<std::string>{
             "nan:nan:nan,nan --> nan:nan:nan,nan",
             fullWidth + " --> " + fullWidth,
             "00:00:03,000 --> " + fullWidth,
             "99999:00:00,000 --> 99999:00:01,000",
             "00:00:03,000 --> 32768:00:00,000",
             "00:00:03,000 --> " + std::string(400, '9') + ":00:00,000",
             "00:00:03,000 -->",
             "Lost",
         }) {
        const Read r = ReadText("1\n00:00:01,000 --> 00:00:02,000\nKept\n\n2\n" + times + "\nLost\n\n");
        EXPECT_EQ(r.outcome.status, Status::BadInput) << times;
        EXPECT_EQ(r.outcome.message, messages::SubRipCorrupt);
        EXPECT_EQ(r.outcome.line, 6);
        EXPECT_FALSE(r.outcome.onlyBlankLinesLeft);
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
    }
}

// Times lines that miss the fixed positions give the times they always gave,
// wrong ones included, without a message.
TEST(SubRipReader, ReadsTimesLinesOffTheFixedPositionsAsBefore) {
    const std::pair<const char*, std::pair<double, double>> cases[] = {
        {"00:00:01.000 --> 00:00:02.500", {1.0, 2.5}},
        {"00:00:01,000 --> 00:00:02,500  X1:100 X2:600 Y1:10 Y2:50", {1.0, 2.5}},
        {"00:00:01,0000 --> 00:00:02,5000", {1.0, 2.5}},
        {"100:00:00,000 --> 100:00:05,000", {360000.0, 360005.0}},
        {"0:00:01,000 --> 0:00:02,500", {1.0, 0.5}}, // the end's cut misses its hours
        {"00:00:01,5 --> 00:00:02,5", {1.0, 0.5}},   // "5 -" is no fraction
        {"00:00:01 --> 00:00:02", {0.0, 0.0}},       // no separator, no whole part
        {"1000:00:00,000 --> 1000:00:05,000", {3600000.0, 0.0}},
    };
    for (const auto& [times, expected] : cases) {
        const Read r = ReadText("1\n" + std::string(times) + "\nText\n");
        EXPECT_TRUE(r.outcome.complete()) << times;
        EXPECT_EQ(r.titles, (std::vector<Title>{{expected.first, expected.second, "Text"}})) << times;
    }
}

TEST(SubRipReader, ASecondEmptyLineStopsReadingAndTellsWhetherOnlyBlankLinesFollow) {
    const std::string block = "1\n00:00:01,000 --> 00:00:02,000\nA\n\n";
    Read r = ReadText(block + "\n \t\n");
    EXPECT_EQ(r.outcome.status, Status::BadInput);
    EXPECT_EQ(r.outcome.line, 5);
    EXPECT_TRUE(r.outcome.onlyBlankLinesLeft);
    EXPECT_EQ(r.titles.size(), 1u);

    r = ReadText(block + "\n" + block);
    EXPECT_EQ(r.outcome.line, 5);
    EXPECT_FALSE(r.outcome.onlyBlankLinesLeft);
    EXPECT_EQ(r.titles.size(), 1u);
}

TEST(SubRipReader, IgnoresABlockCutOffBeforeItsText) {
    EXPECT_TRUE(ReadText("1").titles.empty());
    EXPECT_TRUE(ReadText("1\n00:00:01,000 --> 00:00:02,000").titles.empty());
    EXPECT_TRUE(ReadText("").outcome.complete());
}

TEST(SubRipReader, ConvertsStyleCodesAndClosesThemAtTheEndOfEachTitle) {
    const Read r = ReadText(
        "1\n00:00:01,000 --> 00:00:02,000\n{y:i}One\nTwo\n\n"
        "2\n00:00:03,000 --> 00:00:04,000\n{y:b}Bold{y} plain\n");
    ASSERT_EQ(r.titles.size(), 2u);
    EXPECT_EQ(r.titles[0].text, "<i>One\r\nTwo</i>");
    EXPECT_EQ(r.titles[1].text, "<b>Bold</b> plain");
}

TEST(SubRipReader, StopsWhenTheStoreIsFullAndKeepsWhatItHolds) {
    std::string file;
    for (int i = 1; i <= SUBTITLES::MaxTitles + 1; ++i) file += "1\n00:00:01,000 --> 00:00:02,000\nx\n\n";
    cuemark::testing::ExpectStoppedAtAFullStore(ReadText(file), 4 * SUBTITLES::MaxTitles + 4);
}

TEST(SubRipWriter, WritesNumberedBlocksWithoutMarkup) {
    EXPECT_EQ(Written({{1.0, 2.5, "<i>Hello</i>\r\nworld"}, {3.0, 4.0, "<B>kept</B>"}}),
              "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\nworld\r\n\r\n"
              "2\r\n00:00:03,000 --> 00:00:04,000\r\n<B>kept</B>\r\n\r\n");
    EXPECT_EQ(Written({}), "");
}

TEST(SubRipWriter, LetsATimeThatCannotBeWrittenThrow) {
    EXPECT_THROW(Written({{32768.0 * 3600, 0.0, "x"}}), TimeOverflow);
    EXPECT_THROW(Written({{0.0, std::numeric_limits<double>::quiet_NaN(), "x"}}), TimeOverflow);
}

TEST(SubRipRoundTrip, GivesBackTheTitlesToTheMillisecondWithoutMarkup) {
    std::mt19937 rng(cuemark::testing::TestSeed());
    const auto titles = cuemark::testing::RandomTitles(rng, 500, {.markup = true});
    cuemark::testing::ExpectTitlesBack(ReadText(Written(titles)), titles, StripTags);
}

TEST(SubRipRoundTrip, KeepsAnEmptyTextAndAnEmptyFirstLine) {
    Read r = ReadText(Written({{1.0, 2.0, ""}, {3.0, 4.0, "b"}}));
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, ""}, {3.0, 4.0, "b"}}));

    r = ReadText(Written({{1.0, 2.0, "\r\nB"}}));
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "\r\nB"}}));
}

TEST(SubRipRoundTrip, LeavesOutEmptyLinesThatWouldEndATitleEarly) {
    // Each text must read back whole, and the next title after it.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"A\r\n\r\nB", "A\r\nB"}, {"A\r\n\r\n\r\nB\r\n\r\nC", "A\r\nB\r\nC"},
        {"A\r\n", "A"},           {"A\n\nB", "A\r\nB"},
        {"A\r\rB", "A\r\nB"},     {"A\r\n<i></i>\r\nB", "A\r\nB"},
        {"\r\n\r\nB", "\r\nB"},
    };
    for (const auto& [text, back] : cases) {
        const Read r = ReadText(Written({{1.0, 2.0, text}, {3.0, 4.0, "next"}}));
        EXPECT_TRUE(r.outcome.complete()) << text;
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, back}, {3.0, 4.0, "next"}})) << text;
    }
}

TEST(SubRipRoundTrip, ASamiLineBreakTwiceConvertsToAFileThatReadsBack) {
    SamiState sami;
    const Read fromSami = cuemark::testing::ReadWith(
        "<SAMI>\n<BODY>\n<SYNC Start=1000><P>a<br><br>b\n<SYNC Start=2000><P>&nbsp;\n</BODY>\n</SAMI>\n",
        [&](LineReader& in, SUBTITLES& store) { return ReadSami(in, store, sami); });
    ASSERT_TRUE(fromSami.outcome.complete());
    ASSERT_EQ(fromSami.titles.size(), 2u);
    ASSERT_EQ(fromSami.titles[0], (Title{1.0, 2.0, "a\r\n\r\nb"}));

    std::vector<Title> expected = fromSami.titles;
    expected[0].text = "a\r\nb";
    const Read r = ReadText(Written(fromSami.titles));
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, expected);
}
