#include "subtitles/subtitle_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "subtitles/messages.h"
#include "subtitles/text_encoding.h"
#include "temp_dir.h"

using namespace cuemark;
using cuemark::testing::TempDir;

namespace {

// Answers for a person: records every message and question, gives scripted
// answers to the frame-rate question and the save dialog.
class ScriptedSeam : public UserSeam {
public:
    std::vector<std::string> messages;
    std::vector<std::string> calls;
    std::optional<double> frameRateAnswer;
    std::optional<std::string> saveAnswer;
    // The file type chosen in the save dialog; nothing keeps the one offered.
    std::optional<int> saveTypeAnswer;
    SaveFileRequest lastRequest;

    MessageAnswer MessageBox(const std::string& text, MessageButtons, MessageIcon) override {
        messages.push_back(text);
        return MessageAnswer::OK;
    }
    void AskFrameRate(double& FrameRate) override {
        calls.push_back("frame rate");
        if (frameRateAnswer) FrameRate = *frameRateAnswer;
    }
    void ShowLoadingNotice() override { calls.push_back("show notice"); }
    void HideLoadingNotice() override {}
    std::optional<SaveFileChoice> ChooseSaveFile(const SaveFileRequest& request) override {
        calls.push_back("save dialog");
        lastRequest = request;
        if (!saveAnswer) return std::nullopt;
        return SaveFileChoice{*saveAnswer, saveTypeAnswer.value_or(request.filterIndex)};
    }
};

struct JournalWatch : StoreListener {
    std::vector<bool> possible;
    void UndoPossible(bool Status) override { possible.push_back(Status); }
    void UndoChangedListLength() override {}
};

class SubtitleFilesTest : public ::testing::Test {
protected:
    TempDir dir;
    SUBTITLES Subt;
    ScriptedSeam seam;
    SubtitleFiles files{Subt, seam};

    // The name the save dialog starts from, as the window keeps it.
    std::string dialogFileName;

    LoadReport load(const std::string& name, const std::string& bytes) {
        return files.LoadSubtitles(dir.write(name, bytes));
    }
    bool save() { return files.SaveSubtitles(dialogFileName); }
};

const char* const twoTitles =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\nworld\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nBye\r\n\r\n";

} // namespace

TEST_F(SubtitleFilesTest, PicksTheFormatByExtensionInAnyCase) {
    auto report = load("x.SRT", twoTitles);
    EXPECT_EQ(report.format, SubtitleFormat::SubRip);
    EXPECT_EQ(Subt.Count(), 2);
    EXPECT_EQ(Subt.Text(1), "Hello\r\nworld");
    EXPECT_TRUE(seam.messages.empty());
}

TEST_F(SubtitleFilesTest, RecognisesTheContentOfAFileWithAnotherExtension) {
    EXPECT_EQ(load("a.txt", twoTitles).format, SubtitleFormat::SubRip);
    EXPECT_EQ(Subt.Count(), 2); // the reader starts again at the first line
    // Recognition skips empty lines, the reader does not: its first counter is empty.
    EXPECT_EQ(load("a.txt", std::string("\r\n") + twoTitles).format, SubtitleFormat::SubRip);
    EXPECT_EQ(Subt.Count(), 0);
    EXPECT_EQ(seam.messages, std::vector<std::string>{messages::SubRipCorrupt});
    EXPECT_EQ(load("b.txt", "{10}{20}Hi\r\n").format, SubtitleFormat::MicroDVD);
    EXPECT_EQ(Subt.Text(1), "Hi");
    EXPECT_EQ(load("c.txt", "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000><P>Hi\r\n</BODY>\r\n").format, SubtitleFormat::Sami);
    EXPECT_EQ(Subt.Count(), 1);
}

TEST_F(SubtitleFilesTest, UnrecognisedContentEndsInTheFormatMessageWithAnEmptyStore) {
    for (const char* content : {"0\r\n", "Hello\r\n", "", "\r\n\r\n\n", "   \r\n1\r\n"}) {
        Subt.Add(1, 2, "old");
        auto report = load("x.txt", content);
        EXPECT_TRUE(report.opened);
        EXPECT_EQ(report.format, SubtitleFormat::Unknown) << content;
        EXPECT_EQ(Subt.Count(), 0);
        EXPECT_TRUE(Subt.UndoEnabled());
        ASSERT_FALSE(seam.messages.empty());
        EXPECT_EQ(seam.messages.back(), messages::UnknownFormat);
    }
}

TEST_F(SubtitleFilesTest, AFileThatCannotBeOpenedLeavesAnEmptyStoreSilently) {
    Subt.Add(1, 2, "old");
    auto report = files.LoadSubtitles(dir.file("missing.srt"));
    EXPECT_FALSE(report.opened);
    EXPECT_FALSE(report.openError.empty());
    EXPECT_EQ(Subt.Count(), 0);
    EXPECT_FALSE(Subt.UndoEnabled());
    EXPECT_TRUE(seam.messages.empty());
}

TEST_F(SubtitleFilesTest, AFileTooLargeToBeSubtitlesIsRefusedWithAMessage) {
    Subt.Add(1, 2, "old");
    const std::string huge = dir.write("huge.srt", "");
    // Sparse: the size is refused before a byte is read.
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(MaxInputBytes + 1)), 0);
    auto report = files.LoadSubtitles(huge);
    EXPECT_FALSE(report.opened);
    EXPECT_EQ(Subt.Count(), 0);
    EXPECT_EQ(seam.messages, std::vector<std::string>{messages::InputTooLarge});
}

TEST_F(SubtitleFilesTest, ALoadEmptiesTheJournal) {
    JournalWatch watch;
    Subt.setListener(&watch);
    load("x.srt", twoTitles);
    Subt.SetText(1, "edited");
    load("y.srt", twoTitles);
    EXPECT_EQ(Subt.UndoCount(), 0);
    EXPECT_EQ(Subt.Undo(), 0);
    EXPECT_EQ(Subt.Text(1), "Hello\r\nworld");
    EXPECT_EQ(watch.possible, (std::vector<bool>{true, false}));
    EXPECT_TRUE(Subt.UndoEnabled());
}

TEST_F(SubtitleFilesTest, MicroDVDAsksTheFrameRateBeforeTheLoadingNotice) {
    seam.frameRateAnswer = 10.0 + 15.0;
    load("x.sub", "{25}{50}One\r\n");
    EXPECT_EQ(seam.calls, (std::vector<std::string>{"frame rate", "show notice"}));
    EXPECT_DOUBLE_EQ(Subt.StartTime(1), 1.0);
    seam.calls.clear();
    load("x.smi", "<SAMI><BODY>\r\n<SYNC Start=1000><P>Hi\r\n</BODY>\r\n");
    EXPECT_TRUE(seam.calls.empty()); // SAMI shows no notice
}

TEST_F(SubtitleFilesTest, AReaderThatStopsShowsItsMessageAndKeepsEarlierTitles) {
    auto report = load("x.srt", std::string(twoTitles) + "garbage\r\n");
    EXPECT_EQ(Subt.Count(), 2);
    EXPECT_EQ(report.outcome.status, ReadOutcome::Status::BadInput);
    EXPECT_EQ(report.outcome.line, 10);
    EXPECT_EQ(seam.messages, std::vector<std::string>{messages::SubRipCorrupt});
}

TEST_F(SubtitleFilesTest, NulBytesOutsideUtf16EndInTheFormatMessageWithAnEmptyStore) {
    const std::string stray = std::string(twoTitles) + std::string("x\0y\r\n", 5);
    const std::string utf32 = EncodeText(twoTitles, {"UTF-32LE", false});
    for (const std::string& content : {stray, utf32}) {
        for (const char* name : {"x.srt", "x.txt"}) {
            auto report = load(name, content);
            EXPECT_EQ(report.format, SubtitleFormat::Unknown) << name;
            EXPECT_EQ(Subt.Count(), 0);
            ASSERT_FALSE(seam.messages.empty());
            EXPECT_EQ(seam.messages.back(), messages::UnknownFormat);
        }
    }
    seam.messages.clear();
    auto report = load("x.srt", EncodeText(twoTitles, {"UTF-16LE", false}));
    EXPECT_TRUE(seam.messages.empty());
    EXPECT_EQ(report.encoding, (TextEncoding{"UTF-16LE", false}));
    EXPECT_EQ(Subt.Count(), 2);
}

TEST_F(SubtitleFilesTest, ReadsAUtf8FileWithAByteOrderMark) {
    auto report = load("bom.srt", "\xEF\xBB\xBF" + std::string(twoTitles));
    EXPECT_TRUE(seam.messages.empty());
    EXPECT_EQ(Subt.Count(), 2);
    EXPECT_TRUE(report.encoding.bom);
}

// ---- saving -------------------------------------------------------------

TEST_F(SubtitleFilesTest, SaveRefusesANegativeFirstStart) {
    Subt.Add(-0.5, 1, "x");
    EXPECT_FALSE(save());
    EXPECT_EQ(seam.messages, std::vector<std::string>{messages::NegativeStart});
    EXPECT_TRUE(seam.calls.empty());
}

TEST_F(SubtitleFilesTest, SaveDialogSuggestsTheLastNameWithoutItsExtension) {
    dialogFileName = "/home/ann/my.films/cut.srt";
    EXPECT_FALSE(save()); // cancelled
    EXPECT_EQ(seam.lastRequest.fileName, "/home/ann/my.films/cut");
    EXPECT_EQ(dialogFileName, "/home/ann/my.films/cut.srt"); // nothing chosen, nothing kept
    EXPECT_EQ(seam.lastRequest.filter,
              "SAMI files (*.smi)|*.smi|SubRip files (*.srt)|*.srt|MicroDVD Subtitle files (*.sub)|*.sub");
    EXPECT_TRUE(seam.lastRequest.overwritePrompt);
    EXPECT_TRUE(seam.messages.empty());
    EXPECT_EQ(WithoutExtension("/a.b/c"), "/a.b/c");
    EXPECT_EQ(WithoutExtension("movie.en.srt"), "movie.en");
    EXPECT_EQ(WithoutExtension("/x/.hidden"), "/x/.hidden");
}

TEST_F(SubtitleFilesTest, SavesInTheFormatOfTheChosenName) {
    load("in.srt", twoTitles);
    seam.saveAnswer = dir.file("out.sub");
    seam.frameRateAnswer = 25.0;
    EXPECT_TRUE(save());
    EXPECT_EQ(TempDir::read(dir.file("out.sub")), "{25}{62}Hello|world\r\n{75}{100}Bye\r\n");
    EXPECT_EQ(dialogFileName, dir.file("out.sub"));
    seam.saveAnswer = dir.file("out.srt");
    EXPECT_TRUE(save());
    EXPECT_EQ(TempDir::read(dir.file("out.srt")), twoTitles);
}

TEST_F(SubtitleFilesTest, AnEmptyStoreWritesAnEmptyFile) {
    seam.saveAnswer = dir.file("empty.srt");
    EXPECT_TRUE(save());
    EXPECT_EQ(TempDir::read(dir.file("empty.srt")), "");
}

TEST_F(SubtitleFilesTest, SaveDialogOffersTheFormatTheTitlesWereReadIn) {
    // SAMI, SubRip, MicroDVD: the order of the save filter.
    save();
    EXPECT_EQ(seam.lastRequest.filterIndex, 1); // nothing read yet: SubRip
    load("in.smi", "<SAMI><BODY>\r\n<SYNC Start=1000><P>Hi\r\n</BODY>\r\n");
    save();
    EXPECT_EQ(seam.lastRequest.filterIndex, 0);
    seam.frameRateAnswer = 25.0;
    load("in.sub", "{25}{50}Hi\r\n");
    save();
    EXPECT_EQ(seam.lastRequest.filterIndex, 2);
    load("in.srt", twoTitles);
    save();
    EXPECT_EQ(seam.lastRequest.filterIndex, 1);
}

TEST_F(SubtitleFilesTest, ANameWithoutAKnownExtensionGetsTheChosenTypes) {
    load("in.srt", twoTitles);
    seam.saveAnswer = dir.file("notes");
    EXPECT_TRUE(save()); // the type offered: SubRip, as read
    EXPECT_EQ(TempDir::read(dir.file("notes.srt")), twoTitles);
    EXPECT_EQ(dialogFileName, dir.file("notes.srt"));
    seam.saveAnswer = dir.file("notes.txt");
    seam.saveTypeAnswer = 2;
    seam.frameRateAnswer = 25.0;
    EXPECT_TRUE(save());
    EXPECT_EQ(TempDir::read(dir.file("notes.txt.sub")), "{25}{62}Hello|world\r\n{75}{100}Bye\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("notes.txt")));
    // A name with one of the three extensions keeps it, whatever the type.
    seam.saveAnswer = dir.file("kept.SRT");
    EXPECT_TRUE(save());
    EXPECT_EQ(TempDir::read(dir.file("kept.SRT")), twoTitles);
}

TEST_F(SubtitleFilesTest, WritingToANameOfNoFormatWritesNothingAndFails) {
    Subt.Add(1, 2, "x");
    EXPECT_FALSE(files.WriteSubtitles(dir.file("notes.txt")));
    EXPECT_EQ(seam.messages, std::vector<std::string>{messages::SaveErrors});
    EXPECT_FALSE(std::filesystem::exists(dir.file("notes.txt")));
}

TEST_F(SubtitleFilesTest, WritesBackInTheEncodingItRead) {
    load("latin.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xE9 cr\xE8me\r\n\r\n");
    EXPECT_EQ(Subt.Text(1), "Caf\xC3\xA9 cr\xC3\xA8me");
    seam.saveAnswer = dir.file("back.srt");
    EXPECT_TRUE(save());
    EXPECT_EQ(TempDir::read(dir.file("back.srt")), "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xE9 cr\xE8me\r\n\r\n");
}

namespace {
struct FailAt : WriteFaults {
    WriteStep step;
    explicit FailAt(WriteStep s) : step(s) {}
    bool failAt(WriteStep s) override { return s == step; }
};
} // namespace

TEST_F(SubtitleFilesTest, AFailedWriteKeepsTheOldFile) {
    load("in.srt", twoTitles);
    const std::string target = dir.write("target.srt", "precious old content\r\n");
    for (WriteStep step : {WriteStep::CreateTemp, WriteStep::Write, WriteStep::Sync, WriteStep::Rename}) {
        FailAt fault(step);
        seam.messages.clear();
        EXPECT_FALSE(files.WriteSubtitles(target, &fault));
        EXPECT_EQ(seam.messages, std::vector<std::string>{messages::SaveErrors});
        EXPECT_EQ(TempDir::read(target), "precious old content\r\n");
        EXPECT_FALSE(files.lastSaveError.empty());
        EXPECT_EQ(dir.entries(), 2u); // in.srt and target.srt, no temporary file
    }
}

TEST_F(SubtitleFilesTest, ACharacterTheEncodingCannotHoldFailsTheSave) {
    load("latin.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xE9\r\n\r\n");
    Subt.SetText(1, "\xE4\xB8\xAD"); // a Chinese character, not in windows-1252
    const std::string target = dir.write("target.srt", "old");
    seam.saveAnswer = target;
    EXPECT_FALSE(save());
    EXPECT_EQ(seam.messages.back(), messages::SaveErrors);
    EXPECT_EQ(TempDir::read(target), "old");
}

TEST_F(SubtitleFilesTest, ATimeTooLargeToWriteFailsTheSave) {
    Subt.Add(0, 1e12, "x");
    seam.saveAnswer = dir.file("big.srt");
    EXPECT_FALSE(save());
    EXPECT_EQ(seam.messages.back(), messages::SaveErrors);
    EXPECT_FALSE(std::filesystem::exists(dir.file("big.srt")));
}

TEST_F(SubtitleFilesTest, AFileBeyondTheStoresCapacityLoadsWhatFitsAndSaysSo) {
    std::string big;
    for (int i = 1; i <= SUBTITLES::MaxTitles + 5; ++i)
        big += std::to_string(i) + "\r\n00:00:01,000 --> 00:00:02,000\r\nx\r\n\r\n";
    auto report = load("big.srt", big);
    EXPECT_EQ(Subt.Count(), SUBTITLES::MaxTitles);
    EXPECT_EQ(report.outcome.status, ReadOutcome::Status::StoreFull);
    EXPECT_EQ(report.outcome.line, 4 * SUBTITLES::MaxTitles + 4); // the end of the block that did not fit
    EXPECT_EQ(seam.messages, std::vector<std::string>{messages::StoreFull});
    EXPECT_TRUE(Subt.UndoEnabled());
}
