#include "cli/commands.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "cli/options.h"
#include "subtitles/file_io.h"
#include "subtitles/messages.h"
#include "subtitles/time_text.h"
#include "temp_dir.h"
#include "test_media.h"

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

TEST(CommandLineTime, ReadsSecondsAndClockTimesAsTheTimeBoxesDo) {
    const std::pair<std::string, double> cases[] = {
        {"12.5", 12.5},
        {"-3", -3.0},
        {"+2", 2.0},
        {".5", 0.5},
        {"00:00:01", 1.0},
        {"0:1:2", 62.0},
        {"01:02:03,5", 3723.5},
        {"-00:00:01.250", -1.25},
        {"100:00:00,001", 360000.001},
        {"32767:59:59,999", 117964799.999},
        {"00:99:99", 6039.0},
        {"0." + std::string(400, '0') + "1", 0.0}, // too small for a double: 0, not refused
        {std::string(300, '0') + "1:00:00", 3600.0},
    };
    for (const auto& [text, seconds] : cases) EXPECT_DOUBLE_EQ(cli::ParseTime(text, "--by"), seconds) << text;
}

TEST(CommandLineTime, RefusesTextsOfAnotherShape) {
    const std::vector<std::string> texts = {
        "",       "-",          "1e3",    "inf",    "nan",    "0x10",    "1:2",    "1:2:3:4",  "1:234:5", "1:2:345",
        "1:2:3,", "1:2:3,1234", "1:2:3 ", " 1:2:3", "+1:2:3", "--1:2:3", "1:-2:3", "１:00:00", "12 s"};
    for (const std::string& text : texts) {
        try {
            cli::ParseTime(text, "--by");
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const cli::UsageError& e) {
            EXPECT_NE(std::string(e.what()).find("--by must be seconds or [-]hh:mm:ss,mmm"), std::string::npos);
        }
    }
}

// Texts that read as a number but not as a time: beyond what a double holds,
// or at 32,768 hours or more. Each is refused with its option named and the
// text cut short, never read as 0 or as a time too large to write.
TEST_F(CommandLine, ATimeThatCannotBeHeldIsAUsageErrorAndNothingIsWritten) {
    const std::string digits308(308, '1');
    const std::string digits20000(20000, '1');
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"--by", {"shift", in, dir.file("out.srt"), "--by", digits308 + ":00:00"}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", digits20000 + ":00:00,000"}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", "-" + digits20000 + ":00:00"}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", digits308}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", digits20000}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", "32768:00:00"}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", "32767:99:99"}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", "-117964800"}},
        {"--by", {"shift", in, dir.file("out.srt"), "--by", "117964799.9996"}}, // 32,768 hours to the millisecond
        {"--offset", {"stretch", in, dir.file("out.srt"), "--factor", "1", "--offset", digits308 + ":00:00"}},
        {"--map", {"stretch", in, dir.file("out.srt"), "--map", "1=" + digits308 + ":00:00", "--map", "2=3"}},
        {"--map", {"stretch", in, dir.file("out.srt"), "--map", "1=2", "--map", digits20000 + "=3"}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        const auto& [option, args] = cases[i];
        const Result r = run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("less than 32,768 hours"), std::string::npos) << r.err.substr(0, 200);
        EXPECT_LT(r.err.size(), 200u) << "the text is shown cut short";
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.srt")));
    }
    const Result r = run({"stretch", in, "-", "--factor", std::string(400, '9')});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--factor is too large to be a number: '99999999999999999999...'"), std::string::npos)
        << r.err.substr(0, 200);
}

// The clock-time form once went through a recursive pattern matcher that
// ran out of stack on long digit runs.
TEST_F(CommandLine, TheProgramRefusesAHundredThousandDigitTimeWithoutCrashing) {
    const std::string program = std::string(CUEMARK_BIN_DIR) + "/cuemark-cli";
    const std::string err = dir.file("err.txt");
    const int status = std::system(
        (program + " shift " + in + " " + dir.file("out.srt") + " --by " + std::string(100000, '1') + ":00:00 2>" + err)
            .c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(TempDir::read(err).find("--by must be less than 32,768 hours"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.srt")));
}

// Whether a result is too large depends on the file: found after reading,
// it is a failed write (4) that names the title and leaves OUT as it was.
TEST_F(CommandLine, AShiftOrStretchBeyondWhatATimeCanHoldExitsWithFourAndKeepsTheOldOutput) {
    const std::string out = dir.write("out.srt", "old");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"shift", in, out, "--by", "32767:59:58"},
             {"stretch", in, out, "--factor", "100000000"},
             {"stretch", in, out, "--fps-from", "0.0000001", "--fps-to", "25"},
             {"stretch", in, out, "--map", "0=0", "--map", "1=32767:00:00"},
         }) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Result r = run(args);
        EXPECT_EQ(r.status, 4);
        EXPECT_NE(r.err.find("cannot write " + out + ": the " + args[0] + " puts title "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("at 32,768 hours or more"), std::string::npos) << r.err;
        EXPECT_EQ(TempDir::read(out), "old");
    }
    // The same shift for a title early enough still works.
    const Result r = run(
        {"shift", dir.write("early.srt", "1\r\n00:00:00,000 --> 00:00:01,000\r\nx\r\n"), "-", "--by", "32767:59:58"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("32767:59:58,000 --> 32767:59:59,000"), std::string::npos) << r.out;
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

// ICU is opened only for a file that needs it; without the code-page library
// beside the program, UTF-8 still works and a legacy file says what is missing.
TEST_F(CommandLine, OnlyALegacyEncodingOpensTheCodePageLibrary) {
    const std::string built = std::string(CUEMARK_BIN_DIR) + "/cuemark-cli";
    const std::string legacy = dir.write("legacy.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xe9\r\n\r\n");
    const std::string log = dir.file("loaded.log");
    const auto run = [&](const std::string& program, const std::string& file) {
        const int status = std::system(
            ("LD_DEBUG=files " + program + " info " + file + " >/dev/null 2>" + log).c_str());
        return WEXITSTATUS(status);
    };
    EXPECT_EQ(run(built, in), 0);
    EXPECT_EQ(TempDir::read(log).find("libicu"), std::string::npos) << "UTF-8 loaded ICU";
    EXPECT_EQ(run(built, legacy), 0);
    EXPECT_NE(TempDir::read(log).find("libcuemark_codepages.so"), std::string::npos);

    // The program alone, as a broken installation would leave it.
    const std::string alone = dir.file("cuemark-cli");
    std::filesystem::copy_file(built, alone);
    std::filesystem::permissions(alone, std::filesystem::perms::owner_all);
    EXPECT_EQ(run(alone, in), 0);
    EXPECT_EQ(run(alone, legacy), 2);
    const std::string said = TempDir::read(log);
    EXPECT_NE(said.find("cuemark-cli: cannot read " + legacy +
                        ": the encoding of this text needs the code-page library, which cannot be opened"),
              std::string::npos)
        << said.substr(said.size() > 400 ? said.size() - 400 : 0);
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

namespace {

// A spoken line from 1.25 s in a WAV file, a film without sound, and a cache
// folder of the test's own.
class SpeechCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        media = new TempDir;
        const std::string quiet = " >/dev/null 2>&1";
        made = std::system(
                   ("espeak-ng -w '" + media->file("line.wav") + "' 'Hello there, this is a test.'" + quiet).c_str()) ==
                   0 &&
               std::system(
                   ("sox -R '" + media->file("line.wav") + "' '" + media->file("padded.wav") + "' pad 1.25 1" + quiet)
                       .c_str()) == 0 &&
               std::system(("ffmpeg -nostdin -y -f lavfi -i color=c=black:s=64x64:r=25:d=1 -c:v libx264 '" +
                            media->file("silent.mp4") + "'" + quiet)
                               .c_str()) == 0;
    }
    static void TearDownTestSuite() { delete media; }
    void SetUp() override {
        ASSERT_TRUE(made) << "espeak-ng, sox or ffmpeg could not make the test media";
        setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_CACHE_HOME"); }

    static TempDir* media;
    static bool made;
    TempDir cache;
};

TempDir* SpeechCommand::media = nullptr;
bool SpeechCommand::made = false;

} // namespace

TEST_F(SpeechCommand, PrintsWhereTheLineIsSpokenAsTimesOrJson) {
    const std::string padded = media->file("padded.wav");
    auto r = run({"speech", padded});
    ASSERT_EQ(r.status, 0) << r.err;
    // One line, starting within a few milliseconds of 1.25 s.
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_EQ(r.out.substr(0, 10), "00:00:01,2") << r.out;
    EXPECT_NE(r.out.find(" --> 00:00:0"), std::string::npos) << r.out;
    const std::string lines = r.out;

    r = run({"speech", padded, "--json", "--mode", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"media\": \"" + padded + "\", \"duration\": ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(", \"segments\": [{\"start\": 1.2"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "}]}\n");

    // Asked again, the answer comes from the cache, and is the same.
    EXPECT_EQ(cache.entries(), 1u);
    EXPECT_EQ(run({"speech", padded}).out, lines);
}

TEST_F(SpeechCommand, MediaWithoutSoundExitsWithTwoAndSaysWhy) {
    const struct {
        std::string path, reason;
    } cases[] = {
        {media->file("missing.mkv"), "No such file or directory"},
        {media->write("notes.txt", "not a film\n"), "Invalid data found when processing input"},
        {media->file("silent.mp4"), "no audio stream"},
    };
    for (const auto& c : cases) {
        const auto r = run({"speech", c.path});
        EXPECT_EQ(r.status, 2) << c.path;
        EXPECT_EQ(r.err, "cuemark-cli: cannot read " + c.path + ": " + c.reason + "\n");
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(cache.entries(), 0u);
}

TEST(CommandLineUsage, SpeechOptionsAreChecked) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"speech"},
             {"speech", "a.mkv", "b.mkv"},
             {"speech", "a.mkv", "--mode", "4"},
             {"speech", "a.mkv", "--mode", "-1"},
             {"speech", "a.mkv", "--mode"},
             {"info", "a.srt", "--mode", "2"},
             {"convert", "a.srt", "b.srt", "--json"},
         }) {
        auto r = run(args);
        EXPECT_EQ(r.status, 1) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("cuemark-cli: "), std::string::npos);
    }
    EXPECT_NE(run({"--help"}).out.find("speech MEDIA [--json] [--mode N]"), std::string::npos);
}

namespace {

// A subtitle file of `count` titles at seeded, irregular times, each moved
// by `offset` plus `cutAmount` from title `cutAfter` + 1 on.
std::string TitlesFile(int count, unsigned seed, double offset = 0.0, int cutAfter = 0, double cutAmount = 0.0) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(800, 4000), gap(200, 3000);
    std::string text;
    long ms = 5000;
    for (int i = 1; i <= count; ++i) {
        const long start = ms, end = ms + length(random);
        ms = end + gap(random);
        const double moved = offset + (cutAfter && i > cutAfter ? cutAmount : 0.0);
        text += std::to_string(i) + "\r\n" + cuemark::TimeToText(start / 1000.0 + moved) + " --> " +
                cuemark::TimeToText(end / 1000.0 + moved) + "\r\nLine " + std::to_string(i) + "\r\n\r\n";
    }
    return text;
}

// The times lines of a SubRip file, in order.
std::vector<std::string> TimesLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(TempDir::read(path));
    for (std::string line; std::getline(in, line);)
        if (line.find(" --> ") != std::string::npos) lines.push_back(line);
    return lines;
}

} // namespace

TEST_F(CommandLine, SyncsToAReferenceFileAcrossACutAndPrintsTheMap) {
    const std::string reference = dir.write("reference.srt", TitlesFile(300, 7));
    const std::string wrong = dir.write("wrong.srt", TitlesFile(300, 7, 3.0, 150, 12.0));
    const std::string out = dir.file("out.srt");
    auto r = run({"sync", reference, wrong, out, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find(", \"score\"")),
              "{\"factor\": 1, \"segments\": [{\"first\": 1, \"last\": 150, \"offset\": -3.000}, "
              "{\"first\": 151, \"last\": 300, \"offset\": -15.000}]")
        << r.out;
    EXPECT_NE(r.out.find(", \"on_speech\": 1.000}\n"), std::string::npos) << r.out;
    EXPECT_EQ(TimesLines(out), TimesLines(reference));

    // In words without --json; with --no-split one shift for every title.
    r = run({"sync", reference, wrong, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Shift -3.000 s; a cut after title 150: -12.000 s from there");
    r = run({"sync", reference, wrong, out, "--json", "--no-split"});
    EXPECT_NE(r.out.find("\"segments\": [{\"first\": 1, \"last\": 300, \"offset\": "), std::string::npos) << r.out;
}

TEST_F(CommandLine, SyncWritesNothingWhenItIsNotSure) {
    const std::string reference = dir.write("reference.srt", TitlesFile(300, 7));
    const std::string other = dir.write("other.srt", TitlesFile(300, 8));
    const std::string out = dir.write("out.srt", "kept\n");
    auto r = run({"sync", reference, other, out});
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err.rfind("cuemark-cli: No confident alignment found. (", 0), 0u) << r.err;
    EXPECT_EQ(TempDir::read(out), "kept\n");
    // The map it would not trust is still shown with --json.
    r = run({"sync", reference, other, out, "--json"});
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out.rfind("{\"factor\": ", 0), 0u) << r.out;
    EXPECT_EQ(TempDir::read(out), "kept\n");
    // A titles file too far off for --max-offset is no better.
    const std::string far = dir.write("far.srt", TitlesFile(300, 7, 50.0));
    EXPECT_EQ(run({"sync", reference, far, out, "--max-offset", "30"}).status, 5);
    EXPECT_EQ(run({"sync", reference, far, out, "--max-offset", "60"}).status, 0);
}

TEST_F(CommandLine, SyncInputsThatCannotBeReadExitAsForTheOtherCommands) {
    const std::string reference = dir.write("reference.srt", TitlesFile(50, 7));
    const std::string out = dir.file("out.srt");
    const struct {
        std::string reference, input;
        int status;
    } cases[] = {
        {reference, dir.file("missing.srt"), 2},
        {dir.file("missing.srt"), in, 2},
        {reference, dir.write("bad.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\nnonsense\r\n"), 3},
        {dir.write("bad-reference.srt", "nonsense\r\n"), in, 3},
        {reference, dir.write("empty.srt", ""), 3},
    };
    for (const auto& c : cases) {
        const auto r = run({"sync", c.reference, c.input, out});
        EXPECT_EQ(r.status, c.status) << c.reference << " " << c.input << ": " << r.err;
        EXPECT_NE(r.err.find("cuemark-cli: "), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(CommandLineUsage, SyncOptionsAreChecked) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"sync"},
             {"sync", "film.mkv", "in.srt"},
             {"sync", "film.mkv", "in.srt", "out.srt", "more.srt"},
             {"sync", "film.mkv", "in.srt", "out.srt", "--max-offset", "0"},
             {"sync", "film.mkv", "in.srt", "out.srt", "--max-offset", "soon"},
             {"sync", "film.mkv", "in.srt", "-", "--json"},
             {"convert", "a.srt", "b.srt", "--no-split"},
             {"shift", "a.srt", "b.srt", "--by", "1", "--max-offset", "10"},
         }) {
        auto r = run(args);
        EXPECT_EQ(r.status, 1) << ::testing::PrintToString(args);
        EXPECT_NE(r.err.find("cuemark-cli: "), std::string::npos);
    }
    EXPECT_NE(run({"--help"}).out.find("sync REFERENCE IN OUT [--no-split] [--max-offset SECONDS] [--json]"),
              std::string::npos);
}

TEST_F(SpeechCommand, SyncPutsAShiftedFileBackOnTheFilmsSpeech) {
    // Lines at known times over silence, noise and music, 30 s of each.
    cuemark::testing::SpokenTrack track;
    TempDir work;
    ASSERT_TRUE(track.make(work, 30.0)) << track.error;
    cuemark::testing::writeWav(work.file("film.wav"), track.samples);
    ASSERT_EQ(cuemark::testing::shell("ffmpeg -nostdin -y -i '" + work.file("film.wav") + "' -c:a aac '" +
                                      work.file("film.m4a") + "'"),
              0);
    std::string wrong;
    for (size_t i = 0; i < track.phrases.size(); ++i)
        wrong += std::to_string(i + 1) + "\r\n" + cuemark::TimeToText(track.phrases[i].start + 6.4) + " --> " +
                 cuemark::TimeToText(track.phrases[i].end + 6.4) + "\r\nLine\r\n\r\n";
    const std::string in = work.write("wrong.srt", wrong), out = work.file("out.srt");
    const auto r = run({"sync", work.file("film.m4a"), in, out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Shift -6.4", 0), 0u) << r.out;
    std::istringstream times(TempDir::read(out));
    size_t i = 0;
    for (std::string line; std::getline(times, line);) {
        if (line.find(" --> ") == std::string::npos) continue;
        ASSERT_LT(i, track.phrases.size());
        EXPECT_NEAR(cuemark::TextToTime(line.substr(0, 12)), track.phrases[i].start, 0.1) << i;
        ++i;
    }
    EXPECT_EQ(i, track.phrases.size());
    EXPECT_EQ(cache.entries(), 1u);

    // A film without sound exits with 2 and writes nothing.
    const std::string none = work.file("none.srt");
    EXPECT_EQ(run({"sync", media->file("silent.mp4"), in, none}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(none));
}
