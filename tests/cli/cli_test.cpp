#include "cli/commands.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "subtitles/file_io.h"
#include "subtitles/messages.h"
#include "temp_dir.h"

using cuemark::testing::TempDir;
namespace cli = cuemark::cli;

namespace {

const char* const sample =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Hello</i>\r\nworld\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nBye\r\n\r\n";

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result run(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    int status = cli::Run(args, in, out, err);
    return {status, out.str(), err.str()};
}

class CommandLine : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.write("in.srt", sample);
};

} // namespace

TEST_F(CommandLine, ConvertsByTheOutputExtension) {
    auto r = run({"convert", in, dir.file("out.sub"), "--fps", "25"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("out.sub")), "{25}{62}{y:i}Hello{y}|world\r\n{75}{100}Bye\r\n");
    r = run({"convert", dir.file("out.sub"), dir.file("back.srt"), "--fps", "25"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("back.srt")),
              "1\r\n00:00:01,000 --> 00:00:02,480\r\nHello\r\nworld\r\n\r\n2\r\n00:00:03,000 --> "
              "00:00:04,000\r\nBye\r\n\r\n");
}

TEST_F(CommandLine, ReadsStandardInputAndWritesStandardOutput) {
    auto r = run({"convert", "-", "-", "--to", "smi"}, sample);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("<SYNC Start=1000><P><i>Hello</i><br>world\r\n"), std::string::npos) << r.out;
    r = run({"convert", "-", "-"}, sample);
    EXPECT_EQ(r.out,
              "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\nworld\r\n\r\n2\r\n00:00:03,000 --> "
              "00:00:04,000\r\nBye\r\n\r\n");
}

TEST_F(CommandLine, ASamiFileWithAnEmptyLineConvertsToSubRipThatReadsBack) {
    const std::string smi = dir.write("in.smi",
                                      "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000><P>a<br><br>b\r\n"
                                      "<SYNC Start=2000><P>&nbsp;\r\n</BODY>\r\n</SAMI>\r\n");
    auto r = run({"convert", smi, dir.file("out.srt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("out.srt")).rfind("1\r\n00:00:01,000 --> 00:00:02,000\r\na\r\nb\r\n\r\n2\r\n", 0),
              0u);
    r = run({"convert", dir.file("out.srt"), dir.file("back.smi")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(TempDir::read(dir.file("back.smi")).find("<SYNC Start=1000><P>a<br>b\r\n"), std::string::npos);
}

TEST_F(CommandLine, ShiftsBySecondsOrByATimeText) {
    auto r = run({"shift", in, "-", "--by", "-0.5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00:00:00,500 --> 00:00:02,000"), std::string::npos);
    r = run({"shift", in, "-", "--by", "01:00:00,250"});
    EXPECT_NE(r.out.find("01:00:03,250 --> 01:00:04,250"), std::string::npos);
}

TEST_F(CommandLine, ShiftingTheFirstTitleBelowZeroIsRefusedAndWritesNothing) {
    auto r = run({"shift", in, dir.file("out.srt"), "--by", "-2"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("Cannot save: all starting times must be positive."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.srt")));
}

TEST_F(CommandLine, StretchesByTwoTimesByFrameRatesOrByAFactor) {
    auto r = run({"stretch", in, "-", "--map", "1=2", "--map", "3=7"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00:00:02,000 --> 00:00:05,750"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("00:00:07,000 --> 00:00:09,500"), std::string::npos) << r.out;
    r = run({"stretch", in, "-", "--fps-from", "25", "--fps-to", "50"});
    EXPECT_NE(r.out.find("00:00:06,000 --> 00:00:08,000"), std::string::npos) << r.out;
    r = run({"stretch", in, "-", "--factor", "1", "--offset", "00:00:10,000"});
    EXPECT_NE(r.out.find("00:00:13,000 --> 00:00:14,000"), std::string::npos) << r.out;
}

TEST_F(CommandLine, InfoTellsFormatEncodingCountAndSpan) {
    auto r = run({"info", in});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("format:      SubRip"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("titles:      2"), std::string::npos);
    EXPECT_NE(r.out.find("last end:    00:00:04,000"), std::string::npos);
    r = run({"info", in, "--json"});
    EXPECT_NE(r.out.find("\"format\": \"SubRip\", \"encoding\": \"UTF-8\", \"bom\": false, \"titles\": 2, "
                         "\"first_start\": 1.000, \"last_end\": 4.000"),
              std::string::npos)
        << r.out;
}

TEST(CommandLineUsage, BadCommandLinesExitWithOneAndSayWhy) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"convert", "a.srt"},
             {"convert", "a.srt", "b.srt", "--bogus"},
             {"shift", "a.srt", "b.srt"},
             {"shift", "a.srt", "b.srt", "--by", "1:xx:00,000"},
             {"stretch", "a.srt", "b.srt", "--map", "1=2"},
             {"stretch", "a.srt", "b.srt", "--map", "1=2", "--map", "1=3"},
             {"stretch", "a.srt", "b.srt", "--factor", "2", "--fps-from", "25", "--fps-to", "24"},
             {"convert", "a.srt", "b.srt", "--fps", "fast"},
             {"convert", "a.srt", "-", "--to", "ass"},
             {"info", "a.srt", "--by", "3"},
         }) {
        auto r = run(args);
        EXPECT_EQ(r.status, 1) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("cuemark-cli: "), std::string::npos);
    }
    EXPECT_EQ(run({"--help"}).status, 0);
    EXPECT_NE(run({"--help"}).out.find("Usage: cuemark-cli"), std::string::npos);
    EXPECT_EQ(run({"--version"}).status, 0);
}

TEST_F(CommandLine, AnInputThatCannotBeReadOrRecognisedExitsWithTwo) {
    auto r = run({"convert", dir.file("missing.srt"), dir.file("out.srt")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("missing.srt"), std::string::npos);
    r = run({"convert", dir.write("notes.txt", "Hello\r\n"), dir.file("out.srt")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Could not determine file format"), std::string::npos);
    r = run({"convert", in, dir.file("out.srt"), "--encoding", "no-such-encoding"});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.srt")));
}

TEST_F(CommandLine, Utf16WithoutByteOrderMarkIsReadAndOtherNulBytesExitWithTwo) {
    std::string utf16;
    for (const char c : std::string(sample)) utf16.append({c, '\0'});
    auto r = run({"info", dir.write("wide.srt", utf16)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("titles:      2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("UTF-16LE"), std::string::npos) << r.out;

    r = run({"info", dir.write("nul.srt", std::string(sample) + std::string("x\0y\r\n", 5))});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Could not determine file format"), std::string::npos) << r.err;
}

TEST_F(CommandLine, BadInputNamesTheLineAndWritesNothingUnlessAskedTo) {
    const std::string bad = dir.write("bad.srt",
                                      std::string(sample) + "x\r\n00:00:05,000 --> 00:00:06,000\r\nLost\r\n");
    auto r = run({"convert", bad, dir.file("out.sub")});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("bad.srt:10: File is corrupt or not in SubRip format."), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.sub")));
    r = run({"convert", bad, dir.file("out.sub"), "--keep-partial"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(TempDir::read(dir.file("out.sub")), "{25}{62}{y:i}Hello{y}|world\r\n{75}{100}Bye\r\n");
}

TEST_F(CommandLine, ExtraBlankLinesAtTheEndAreOnlyAWarning) {
    const std::string trailing = dir.write("trailing.srt", std::string(sample) + "\r\n\r\n");
    auto r = run({"convert", trailing, dir.file("out.srt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("warning: "), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.srt")));
}

TEST_F(CommandLine, AFailedWriteExitsWithFourAndKeepsTheOldOutput) {
    auto r = run({"convert", in, dir.file("no/such/folder/out.srt")});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("out.srt"), std::string::npos);
    std::filesystem::create_directory(dir.file("folder.srt"));
    dir.write("folder.srt/keep", "kept");
    r = run({"convert", in, dir.file("folder.srt")});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(TempDir::read(dir.file("folder.srt/keep")), "kept");
}

TEST_F(CommandLine, AnOutputThatIsNoFileOrAnotherUsersLinkExitsWithFour) {
    const std::string pipe = dir.file("pipe.srt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // With a reader waiting, a write into the pipe would go through.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    auto r = run({"convert", in, pipe});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "cuemark-cli: cannot write " + pipe + ": " + cuemark::messages::NotARegularFile + "\n");
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);

    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
    const std::string shared = dir.file("shared");
    ASSERT_EQ(::mkdir(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string victim = dir.write("victim.srt", "root's own");
    const std::string link = shared + "/out.srt";
    std::filesystem::create_symlink(victim, link);
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    r = run({"convert", in, link});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "cuemark-cli: cannot write " + link + ": " + cuemark::messages::ForeignLink + "\n");
    EXPECT_EQ(TempDir::read(victim), "root's own");
}

TEST_F(CommandLine, TheProgramReportsItsExitStatus) {
    const std::string program = std::string(CUEMARK_BIN_DIR) + "/cuemark-cli";
    EXPECT_EQ(std::system((program + " --help >/dev/null").c_str()), 0);
    EXPECT_EQ(WEXITSTATUS(std::system((program + " convert " + dir.file("none.srt") + " x.srt 2>/dev/null").c_str())),
              2);
    EXPECT_EQ(WEXITSTATUS(std::system((program + " bogus 2>/dev/null").c_str())), 1);
    EXPECT_EQ(WEXITSTATUS(std::system((program + " convert " + in + " - --to sub >/dev/null").c_str())), 0);
}

// No subtitle file comes near the limit; an input past it (or one that never
// ends) stops before it takes all the memory there is.
TEST_F(CommandLine, AnInputPastTheSizeLimitStopsWithTwo) {
    const std::string huge = dir.write("huge.srt", sample);
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(cuemark::MaxInputBytes + 1)), 0);
    auto r = run({"info", huge});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(cuemark::messages::InputTooLarge), std::string::npos) << r.err;

    const std::string program = std::string(CUEMARK_BIN_DIR) + "/cuemark-cli";
    const std::string err = dir.file("err.txt");
    for (const std::string& endless : {program + " info /dev/zero", program + " info - </dev/zero"}) {
        SCOPED_TRACE(endless);
        const int status = std::system((endless + " >/dev/null 2>" + err).c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2);
        EXPECT_NE(TempDir::read(err).find(cuemark::messages::InputTooLarge), std::string::npos);
    }
}
