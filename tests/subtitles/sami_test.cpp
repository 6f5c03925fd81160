#include "subtitles/sami.h"

#include <gtest/gtest.h>

#include <limits>

#include "format_test_support.h"
#include "subtitles/messages.h"
#include "subtitles/time_text.h"

using namespace cuemark;
using cuemark::testing::Read;
using cuemark::testing::Title;
using cuemark::testing::WithLineEnds;
using Status = ReadOutcome::Status;

namespace {

Read ReadText(const std::string& text, SamiState& sami) {
    return cuemark::testing::ReadWith(text,
                                      [&](LineReader& in, SUBTITLES& store) { return ReadSami(in, store, sami); });
}

Read ReadText(const std::string& text) {
    SamiState sami;
    return ReadText(text, sami);
}

std::string Written(const std::vector<Title>& titles, const SamiState& sami = {}) {
    LineWriter out;
    WriteSami(out, cuemark::testing::StoreOf(titles), sami);
    return out.Text();
}

std::string Body(const std::string& lines) {
    return "<SAMI>\n<BODY>\n" + lines + "</BODY>\n</SAMI>\n";
}

const std::string fixedHeader = WithLineEnds(R"(<SAMI>
<HEAD>
<STYLE TYPE="Text/css"><!--
P {margin-left: 29pt; margin-right: 29pt; font-size: 14pt;
text-align: center; font-family: tahoma, arial, sans-serif;
font-weight: bold; color: white; background-color: black;}
.SUBTTL {Name: 'Subtitles'; SAMIType: CC;}
-->
</STYLE>
</HEAD>

<BODY>
<SYNC Start=0><P Class=SUBTTL><br>
)",
                                             "\r\n");

} // namespace

TEST(SamiWriter, WritesTheFixedHeaderAndEndsOnlyTitlesThatLeaveAGap) {
    EXPECT_EQ(Written({{1.0, 2.5, "Hello\r\nworld"}, {3.0, 4.0, "Bye"}, {4.0, 5.0, "<i>x</i>"}}),
              fixedHeader +
                  "<SYNC Start=1000><P>Hello<br>world\r\n<SYNC Start=2500><P><br>\r\n"
                  "<SYNC Start=3000><P>Bye\r\n<SYNC Start=4000><P><i>x</i>\r\n<SYNC Start=5000><P><br>\r\n"
                  "</BODY>\r\n</SAMI>\r\n");
}

TEST(SamiWriter, RoundsMillisecondsHalfToEvenAndThrowsForTimesItCannotWrite) {
    EXPECT_NE(Written({{0.0625, 0.1875, "a"}}).find("<SYNC Start=62><P>a\r\n<SYNC Start=188><P><br>"),
              std::string::npos);
    EXPECT_THROW(Written({{std::numeric_limits<double>::quiet_NaN(), 1.0, "x"}}), TimeOverflow);
    EXPECT_THROW(Written({{0.0, 1e300, "x"}}), TimeOverflow);
}

TEST(SamiReader, ReadsWhatTheWriterWroteAndKeepsItsHeaderFooterAndClass) {
    const std::vector<Title> titles = {{1.0, 2.5, "Hello\r\nworld"}, {3.0, 4.0, "Bye"}, {4.0, 5.0, "&nbsp;"}};
    SamiState sami;
    const Read r = ReadText(Written(titles), sami);
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, titles);
    EXPECT_TRUE(sami.SamiHeaderKept);
    EXPECT_EQ(sami.SamiHeader, fixedHeader.substr(0, fixedHeader.find("<SYNC")));
    EXPECT_EQ(sami.SamiClass, "SUBTTL");
    EXPECT_EQ(sami.SamiFooter, "</BODY>\r\n</SAMI>\r\n");
}

TEST(SamiReader, JoinsTextAndSpacesItalicTags) {
    const Read r = ReadText(
        Body("<SYNC Start=1000><P>Hello <i>world</i>\n<SYNC Start=2000><P>One<br>Two\n"
             "<SYNC Start=3000><P>  spread  \n  over <font color=red>lines\n"
             "<SYNC\nStart = \"4000\"><P><br>\n"));
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Hello <i> world </i>"},
                                            {2.0, 3.0, "One\r\nTwo"},
                                            {3.0, 4.0, "spread over<font color=red>lines"}}));
}

TEST(SamiReader, GivesTheLastTitleTenSecondsAndAddsNoEmptyTitle) {
    const Read r = ReadText(Body("<SYNC Start=500><P><br>\n<SYNC Start=1500><P>Last\n"));
    EXPECT_EQ(r.titles, (std::vector<Title>{{1.5, 11.5, "Last"}}));
}

TEST(SamiReader, ReadsTagsThatFollowOnTheLastLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"<SAMI><BODY><SYNC Start=1000><P>a<SYNC Start=2000><P>b</BODY></SAMI>", "</BODY></SAMI>\r\n"},
        {"<SAMI>\n<body>\n<SYNC Start=1000><P>a\n<SYNC Start=2000><P>b</body></SAMI>", "</body></SAMI>\r\n"},
    };
    for (const auto& [file, footer] : cases) {
        SamiState sami;
        const Read r = ReadText(file, sami);
        EXPECT_TRUE(r.outcome.complete()) << file;
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "a"}, {2.0, 12.0, "b"}}));
        EXPECT_EQ(sami.SamiFooter, footer);
    }
}

TEST(SamiReader, ReadsAnyLineEnds) {
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        const Read r = ReadText(WithLineEnds(Body("<SYNC Start=1000><P>x\n<SYNC Start=2000><P><br>\n"), lineEnd));
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "x"}}));
    }
}

TEST(SamiReader, RefusesAFileWithoutBodyAndLeavesTheStoreEmpty) {
    for (const char* file : {"", "<SAMI>\n<BODY id=x>\n<SYNC Start=1>x\n</BODY>\n", "<SAMI>\n<Body>  \n"}) {
        SamiState sami;
        sami.SamiHeaderKept = true;
        const Read r = ReadText(file, sami);
        EXPECT_EQ(r.outcome.status, Status::BadInput) << file;
        EXPECT_EQ(r.outcome.message, messages::SamiCorrupt);
        EXPECT_TRUE(r.titles.empty());
        EXPECT_FALSE(sami.SamiHeaderKept);
    }
}

TEST(SamiReader, StopsAtABadTagAndKeepsEarlierTitles) {
    for (const char* bad : {"<SYNC Begin=3000>", "<SYNC Start 3000>", "<P Class ENCC>"}) {
        const Read r = ReadText(Body("<SYNC Start=1000><P>Kept\n<SYNC Start=2000><P>Lost\n" + std::string(bad) + "\n"));
        EXPECT_EQ(r.outcome.status, Status::BadInput) << bad;
        EXPECT_EQ(r.outcome.message, messages::SamiCorrupt);
        EXPECT_EQ(r.outcome.line, 5);
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
    }
}

TEST(SamiReader, StopsAtATimeThatCannotBeHeldAndKeepsEarlierTitles) {
    // 117,964,800,000 ms is 32,768 hours; a last title lasts 10 seconds.
    const std::vector<std::string> syncs = {"<SYNC Start=117964800000><P>Lost", "<SYNC Start=-117964800000><P>Lost",
                                            "<SYNC Start=" + std::string(400, '9') + "><P>Lost",
                                            "<SYNC Start=117964795000><P>Lost"};
    for (const std::string& bad : syncs) {
        const Read r = ReadText(Body("<SYNC Start=1000><P>Kept\n<SYNC Start=2000><P><br>\n" + bad + "\n"));
        EXPECT_EQ(r.outcome.status, Status::BadInput) << bad;
        EXPECT_EQ(r.outcome.message, messages::SamiCorrupt);
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
    }
    const Read r = ReadText(Body("<SYNC Start=117964789000><P>Last\n"));
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(r.titles, (std::vector<Title>{{117964789.0, 117964799.0, "Last"}}));
}

TEST(SamiReader, StopsAtTheEndOfABodyWithoutItsClosingTag) {
    for (const char* end : {"", "<SYNC Start=3000><P>Lost\n", "<SYNC Start=3000", ">>>\n<<\n"}) {
        const Read r = ReadText("<SAMI>\n<BODY>\n<SYNC Start=1000><P>Kept\n<SYNC Start=2000>\n" + std::string(end));
        EXPECT_EQ(r.outcome.status, Status::BadInput) << end;
        EXPECT_EQ(r.outcome.message, messages::SamiCorrupt);
        EXPECT_EQ(r.titles, (std::vector<Title>{{1.0, 2.0, "Kept"}}));
    }
}

TEST(SamiRoundTrip, KeepsTheLoadedFilesHeaderFooterAndClass) {
    const std::string file =
        "<SAMI>\n<HEAD><STYLE>.ENCC {Name: English;}</STYLE></HEAD>\n<Body><SYNC Start=0>"
        "<P Class=ENCC>\n<SYNC Start=1000><P Class = ENCC >Hi\n</Body> tail\n<!-- end -->\n";
    SamiState sami;
    ASSERT_TRUE(ReadText(file, sami).outcome.complete());
    EXPECT_EQ(Written({{1.0, 2.0, "x"}}, sami),
              "<SAMI>\r\n<HEAD><STYLE>.ENCC {Name: English;}</STYLE></HEAD>\r\n<Body>\r\n"
              "<SYNC Start=0><P Class=ENCC><br>\r\n<SYNC Start=1000><P>x\r\n<SYNC Start=2000><P><br>\r\n"
              "</Body> tail\r\n<!-- end -->\r\n\r\n"); // the kept footer, then an empty line
}

TEST(SamiRoundTrip, WritesAValidFileFromAHeaderWithoutClassOrFooter) {
    SamiState sami;
    sami.SamiClass = "FROM_AN_EARLIER_FILE";
    sami.SamiFooter = "</BODY>from an earlier file\r\n";
    ReadText("<SAMI>\n<BODY>\n<SYNC Start=1000><P>cut off\n", sami);
    EXPECT_TRUE(sami.SamiHeaderKept);
    EXPECT_EQ(Written({{1.0, 2.0, "x"}}, sami),
              "<SAMI>\r\n<BODY>\r\n<SYNC Start=0><P><br>\r\n<SYNC Start=1000><P>x\r\n<SYNC Start=2000><P><br>\r\n"
              "</BODY>\r\n</SAMI>\r\n");
}

TEST(SamiRoundTrip, GivesBackRandomTitlesToTheMillisecond) {
    std::mt19937 rng(cuemark::testing::TestSeed());
    const auto titles = cuemark::testing::RandomTitles(rng, 500, {.touching = true});
    cuemark::testing::ExpectTitlesBack(ReadText(Written(titles)), titles);
}

TEST(SamiReader, StopsWhenTheStoreIsFullAndKeepsWhatItHolds) {
    std::string body;
    for (int i = 0; i <= SUBTITLES::MaxTitles; ++i) body += "<SYNC Start=" + std::to_string(i) + "><P>x\n";
    cuemark::testing::ExpectStoppedAtAFullStore(ReadText(Body(body)));
}
