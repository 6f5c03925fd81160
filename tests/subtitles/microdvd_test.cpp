#include "subtitles/microdvd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "format_test_support.h"
#include "subtitles/messages.h"
#include "subtitles/time_text.h"

using namespace cuemark;
using cuemark::testing::Read;
using cuemark::testing::Title;
using Status = ReadOutcome::Status;

namespace {

Read ReadText(const std::string& text, double frameRate = 25.0) {
    return cuemark::testing::ReadStyledWith(text, [&](LineReader& in, SUBTITLES& store, MarkupState& markup) {
        return ReadMicroDVD(in, store, markup, frameRate);
    });
}

std::string Written(const std::vector<Title>& titles, double frameRate = 25.0) {
    LineWriter out;
    WriteMicroDVD(out, cuemark::testing::StoreOf(titles), frameRate);
    return out.Text();
}

} // namespace

TEST(MicroDVDReader, TurnsFramesIntoSecondsWithoutRounding) {
    const Read r = ReadText("{0}{25}Hello\n{62}{75.5}x\n{ 10}{\t20} spaced \n");
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{0.0, 1.0, "Hello"}, {2.48, 3.02, "x"}, {0.4, 0.8, " spaced"}}));
}

TEST(MicroDVDReader, ConvertsCodesAndKeepsAStyleOpenToTheEndOfTheTitle) {
    const Read r = ReadText("{10}{20}{y:i}Hello\n{10}{20}{y:b}Bold{y} plain\n{10}{20}{y:i}One|Two\n{1}{2}a||b|\n");
    ASSERT_EQ(r.titles.size(), 4u);
    EXPECT_EQ(r.titles[0].text, "<i>Hello</i>");
    EXPECT_EQ(r.titles[1].text, "<b>Bold</b> plain");
    EXPECT_EQ(r.titles[2].text, "<i>One\r\nTwo</i>");
    EXPECT_EQ(r.titles[3].text, "a\r\n\r\nb\r\n");
}

TEST(MicroDVDReader, SkipsBlankLinesWithAnyLineEnds) {
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        const Read r = ReadText(cuemark::testing::WithLineEnds("\n{25}{50}a\n   \n\n{75}{100}b\n\n", lineEnd));
        EXPECT_TRUE(r.outcome.complete());
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "a"}, {3.0, 4.0, "b"}}));
    }
}

TEST(MicroDVDReader, ReadsALineWithoutSecondBraceAsEndingAtZero) {
    EXPECT_EQ(ReadText("{25}Hello\n").titles, (std::vector<Title>{{1.0, 0.0, "Hello"}}));
    EXPECT_EQ(ReadText("{25}{50\n").titles, (std::vector<Title>{{1.0, 2.0, "{25}{50"}}));
}

TEST(MicroDVDReader, StopsAtALineNotBeginningWithABraceAndKeepsEarlierTitles) {
    const Read r = ReadText("{25}{50}Kept\n\n1\n{75}{100}Lost\n");
    EXPECT_EQ(r.outcome.status, Status::BadInput);
    EXPECT_EQ(r.outcome.message, messages::MicroDVDCorrupt);
    EXPECT_EQ(r.outcome.line, 3);
    EXPECT_FALSE(r.outcome.onlyBlankLinesLeft);
    EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
}

// At 25 frames a second, frame 2,949,120,000 is 32,768 hours.
TEST(MicroDVDReader, StopsAtAFrameWhoseTimeCannotBeHeldAndKeepsEarlierTitles) {
    for (const std::string& line :
         std::vector<std::string>{"{2949120000}{2949120025}Lost", "{25}{2949120000}Lost", "{-2949120000}{0}Lost",
                                  "{25}{" + std::string(400, '9') + "}Lost", "{2949119988}{2949119999.99}Lost"}) {
        const Read r = ReadText("{25}{50}Kept\n" + line + "\n{75}{100}Lost\n");
        EXPECT_EQ(r.outcome.status, Status::BadInput) << line;
        EXPECT_EQ(r.outcome.message, messages::MicroDVDCorrupt);
        EXPECT_EQ(r.outcome.line, 2);
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
    }
    const Read r = ReadText("{2949119975}{2949119987}Last\n");
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{117964799.0, 117964799.48, "Last"}}));
}

TEST(MicroDVDReader, StopsWhenTheStoreIsFullAndKeepsWhatItHolds) {
    std::string file;
    for (int i = 1; i <= SUBTITLES::MaxTitles + 1; ++i) file += "{1}{2}x\n";
    cuemark::testing::ExpectStoppedAtAFullStore(ReadText(file), SUBTITLES::MaxTitles + 1);
}

TEST(MicroDVDWriter, WritesFramesRoundedHalfToEvenAndTextAsCodes) {
    EXPECT_EQ(Written({{1.0, 2.5, "<i>Hello</i>\r\nworld"}, {2.54, 2.58, "x"}, {-0.02, 0.0, ""}}),
              "{25}{62}{y:i}Hello{y}|world\r\n{64}{64}x\r\n{0}{0}\r\n");
    EXPECT_EQ(Written({{0.1, 1.0, "a"}}, 23.976), "{2}{24}a\r\n");
}

TEST(MicroDVDWriter, ThrowsForAFrameThatCannotBeWritten) {
    EXPECT_THROW(Written({{std::numeric_limits<double>::quiet_NaN(), 1.0, "x"}}), TimeOverflow);
    EXPECT_THROW(Written({{0.0, 1e300, "x"}}), TimeOverflow);
    EXPECT_THROW(Written({{-std::numeric_limits<double>::infinity(), 1.0, "x"}}), TimeOverflow);
}

TEST(MicroDVDRoundTrip, GivesBackTheTitlesToTheFrame) {
    std::mt19937 rng(cuemark::testing::TestSeed());
    for (double frameRate : {23.976, 25.0, 29.97}) {
        auto titles = cuemark::testing::RandomTitles(rng, 300, {.timeStep = 1.0, .markup = true});
        for (Title& t : titles) {
            t.start /= frameRate;
            t.end /= frameRate;
        }
        const Read r = ReadText(Written(titles, frameRate), frameRate);
        EXPECT_TRUE(r.outcome.complete());
        EXPECT_EQ(r.titles, titles) << "at " << frameRate << " frames per second";
    }
}
