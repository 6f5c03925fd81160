// Choosing the media and subtitle files, the questions about unsaved
// titles, starting a new file and saving.
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <unistd.h>

#include "subtitles/file_io.h"
#include "subtitles/messages.h"
#include "tests/app/support/main_window_fixture.h"
#include "tests/app/support/scripted_editor.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

constexpr const char* TwoTitles =
    "1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\r\n"
    "2\r\n00:00:05,000 --> 00:00:06,000\r\nTwo\r\n";
constexpr const char* SaveFirst = "You have changed subtitles.\r\nSave them first?";

} // namespace

class MainWindowFilesTest : public QObject {
    Q_OBJECT
private slots:
    void mediaBrowseAsksForAnExistingMediaFile();
    void mediaBrowseOfAPlayableFileEnablesTheControls();
    void mediaBrowseCancelledStillRefreshesFromThePlayer();
    void mediaNameOfAMissingFileLeavesThePlayerAlone();
    void referenceButtonsNeedMediaAndTheEditor();
    void rememberedNameLosesOnlyItsExtension();
    void subtitleBrowseLoadsTheChosenFile();
    void choosingTheSameFileAgainReloadsIt();
    void openingAFileAsksAndLoadsOnceAndReopeningReloads();
    void newFileStartsWithOneTitle();
    void newFileDeclinedChangesNothing();
    void browseWithChangesAndCancelledSaveDoesNothingElse();
    void browseWithChangesAnsweredNoClearsTheFlagFirst();
    void typingANameAsksOnlyWhenItWouldLoad();
    void typedNameWithAFailedSaveKeepsTheTitles();
    void typedNameAnsweredNoLoadsAndClearsTheFlag();
    void saveWritesTheChosenFormatAndClearsTheFlag();
    void aFailedSaveKeepsTheFlagAndTheChosenName();
    void aFileTooLargeToBeSubtitlesSaysSo();
    void shortOrMissingNamesLoadNothing();
    void mediaFilterListsTodaysContainersInItsFirstEntry();
    void typedMediaNameEnablesThePositionStrip();
    void newFileCanBeSavedAtOnceAsSubRip();
    void loadingWhilePausedShowsTheNewFilesTitles();
    void saveOfANameWithoutExtensionWritesTheOfferedType();
    void saveAsShowsTheFileTheTitlesNowBelongTo();
};

void MainWindowFilesTest::mediaBrowseAsksForAnExistingMediaFile() {
    MainWindowFixture f;
    f.open();
    f.window->cmdBrowseAVI_Click();
    QCOMPARE(f.services.openRequests.size(), size_t(1));
    const OpenFileRequest& r = f.services.openRequests[0];
    QCOMPARE(r.title, std::string("Select an existing media file"));
    QVERIFY(r.fileMustExist);
    QVERIFY(r.hideReadOnly);
    QVERIFY(r.filter.rfind("Video and Audio Files|*.avi;*.mpg;*.mpeg;*.asf;*.mov;*.wav;*.mp3", 0) == 0);
    QVERIFY(r.filter.find("|Windows WAV audio|*.wav|All Files (*.*)|*.*") != std::string::npos);
}

void MainWindowFilesTest::mediaBrowseOfAPlayableFileEnablesTheControls() {
    MainWindowFixture f;
    f.open();
    const std::string media = f.mediaFile();
    f.services.openNames = {media};
    f.window->cmdBrowseAVI_Click();
    QVERIFY(f.window->AVIFileOK);
    QCOMPARE(f.player->FileName(), media);
    QCOMPARE(f.control<QLineEdit>("txtAVI")->text().toStdString(), media);
    QCOMPARE(f.dialogFileName(), media);
    for (const char* name : {"txtTime", "UDTime", "MP", "picButtons"})
        QVERIFY2(f.control<QWidget>(name)->isEnabled(), name);
    QCOMPARE(f.stripPicture(), 2);
}

void MainWindowFilesTest::mediaBrowseCancelledStillRefreshesFromThePlayer() {
    MainWindowFixture f;
    f.open();
    f.services.openNames = {f.mediaFile()};
    f.window->cmdBrowseAVI_Click();
    f.player->setFileName("gone");  // the player lost its media meanwhile
    f.window->cmdBrowseAVI_Click(); // cancelled
    QVERIFY(!f.window->AVIFileOK);
    QVERIFY(!f.control<QWidget>("picButtons")->isEnabled());
    QCOMPARE(f.stripPicture(), 1);
}

void MainWindowFilesTest::mediaNameOfAMissingFileLeavesThePlayerAlone() {
    MainWindowFixture f;
    f.open();
    const std::string media = f.mediaFile();
    f.window->OpenMediaFile(media);
    f.control<QLineEdit>("txtAVI")->setText(QString::fromStdString(f.path("nowhere.avi")));
    QCOMPARE(f.player->FileName(), media);
    QVERIFY(f.window->AVIFileOK);
    const std::string broken = f.writeFile("broken.avi", "x");
    f.control<QLineEdit>("txtAVI")->setText(QString::fromStdString(broken));
    QVERIFY(!f.window->AVIFileOK);
    QVERIFY(!f.control<QWidget>("txtTime")->isEnabled());
}

void MainWindowFilesTest::referenceButtonsNeedMediaAndTheEditor() {
    MainWindowFixture f;
    f.open();
    ScriptedEditor editor(*f.window);
    f.window->EditorOpened(&editor);
    QVERIFY(!f.control<QWidget>("cmdBlue")->isEnabled());
    f.window->OpenMediaFile(f.mediaFile());
    for (const char* name : {"cmdBlue", "cmdGreen", "cmdAdjust"}) QVERIFY2(f.control<QWidget>(name)->isEnabled(), name);
    f.window->EditorClosed();
    QVERIFY(!f.control<QWidget>("cmdAdjust")->isEnabled());
}

void MainWindowFilesTest::rememberedNameLosesOnlyItsExtension() {
    MainWindowFixture f;
    f.open();
    f.window->setDialogFileName("/home/ann/my.films/cut.srt");
    f.window->cmdBrowseAVI_Click();
    f.window->cmdBrowseSRT_Click();
    QCOMPARE(f.services.openRequests.at(0).fileName, std::string("/home/ann/my.films/cut"));
    QCOMPARE(f.services.openRequests.at(1).fileName, std::string("/home/ann/my.films/cut"));
}

void MainWindowFilesTest::subtitleBrowseLoadsTheChosenFile() {
    MainWindowFixture f;
    f.open();
    const std::string srt = f.writeFile("film.srt", TwoTitles);
    f.services.openNames = {srt};
    f.window->cmdBrowseSRT_Click();
    const OpenFileRequest& r = f.services.openRequests.at(0);
    QCOMPARE(r.title, std::string("Select an existing file or enter a new filename"));
    QVERIFY(!r.fileMustExist);
    QCOMPARE(r.filter, std::string(SubtitleFiles::SaveFilter));
    QCOMPARE(f.window->Subt.Count(), 2);
    QCOMPARE(f.window->Subt.Text(2), std::string("Two"));
    QVERIFY(f.control<QWidget>("cmdEdit")->isEnabled());
    QVERIFY(f.control<QWidget>("cmdSave")->isEnabled());
    QVERIFY(f.services.messages.empty());
    QCOMPARE(f.services.loadingNoticesShown, f.services.loadingNoticesHidden);
}

void MainWindowFilesTest::choosingTheSameFileAgainReloadsIt() {
    MainWindowFixture f;
    f.open();
    const std::string srt = f.writeFile("film.srt", TwoTitles);
    f.services.openNames = {srt, srt};
    f.window->cmdBrowseSRT_Click();
    f.window->Subt.SetText(1, "edited");
    f.window->cmdBrowseSRT_Click();
    QCOMPARE(f.window->Subt.Text(1), std::string("One"));
}

void MainWindowFilesTest::openingAFileAsksAndLoadsOnceAndReopeningReloads() {
    MainWindowFixture f;
    f.open();
    const std::string srt = f.writeFile("film.srt", TwoTitles);
    f.loadTitles({{1, 2}});
    f.window->setSubtitlesChanged(true);
    f.services.answers = {MessageAnswer::No, MessageAnswer::No};
    f.window->OpenSubtitleFile(srt); // a new name in the box
    QCOMPARE(f.window->Subt.Count(), 2);
    QCOMPARE(f.services.loadingNoticesShown, 1); // loaded once
    f.window->Subt.SetText(1, "edited");
    f.window->setSubtitlesChanged(true);
    f.window->OpenSubtitleFile(srt); // the name the box already shows
    QCOMPARE(f.services.messages, std::vector<std::string>(2, SaveFirst));
    QCOMPARE(f.services.loadingNoticesShown, 2);
    QCOMPARE(f.window->Subt.Text(1), std::string("One"));
    QVERIFY(!f.window->subtitlesChanged());
    QCOMPARE(f.control<QLineEdit>("txtSRT")->text().toStdString(), srt);
}

void MainWindowFilesTest::newFileStartsWithOneTitle() {
    MainWindowFixture f;
    f.open();
    f.loadTitles({{1, 2}, {3, 4}, {5, 6}});
    f.window->Subt.SetText(1, "journalled");
    f.services.openNames = {f.path("new.srt")};
    f.services.answers = {MessageAnswer::Yes};
    f.window->cmdBrowseSRT_Click();
    QCOMPARE(f.services.messages.back(),
             std::string("This file does not yet exist.\r\nDo you want to start a new file?"));
    QCOMPARE(f.window->Subt.Count(), 1);
    QCOMPARE(f.window->Subt.StartTime(1), 1.0);
    QCOMPARE(f.window->Subt.EndTime(1), 2.0);
    QCOMPARE(f.window->Subt.Text(1), std::string("First subtitle"));
    QVERIFY(f.control<QWidget>("cmdEdit")->isEnabled());
    QVERIFY(f.control<QWidget>("cmdSave")->isEnabled());
    // The old file's edits cannot be undone onto the new one; the new
    // file's own edits can.
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    f.window->Subt.SetText(1, "edited");
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void MainWindowFilesTest::newFileDeclinedChangesNothing() {
    MainWindowFixture f;
    f.open();
    f.loadTitles({{1, 2}, {3, 4}});
    f.services.openNames = {f.path("new.srt")};
    f.services.answers = {MessageAnswer::No};
    f.window->cmdBrowseSRT_Click();
    QCOMPARE(f.window->Subt.Count(), 2);
    QVERIFY(!f.control<QWidget>("cmdEdit")->isEnabled());
}

void MainWindowFilesTest::browseWithChangesAndCancelledSaveDoesNothingElse() {
    MainWindowFixture f;
    f.open();
    f.window->setSubtitlesChanged(true);
    f.services.answers = {MessageAnswer::Yes}; // and the save dialog is cancelled
    f.window->cmdBrowseSRT_Click();
    QCOMPARE(f.services.messages, std::vector<std::string>{SaveFirst});
    QCOMPARE(f.services.saveRequests.size(), size_t(1));
    QVERIFY(f.services.openRequests.empty());
    QVERIFY(f.window->subtitlesChanged());
}

void MainWindowFilesTest::browseWithChangesAnsweredNoClearsTheFlagFirst() {
    MainWindowFixture f;
    f.open();
    f.window->setSubtitlesChanged(true);
    f.services.answers = {MessageAnswer::No};
    f.window->cmdBrowseSRT_Click(); // cancelled
    QCOMPARE(f.services.openRequests.size(), size_t(1));
    QVERIFY(!f.window->subtitlesChanged());
}

void MainWindowFilesTest::typingANameAsksOnlyWhenItWouldLoad() {
    MainWindowFixture f;
    f.open();
    const std::string srt = f.writeFile("film.srt", TwoTitles);
    f.loadTitles({{1, 2}});
    f.window->setSubtitlesChanged(true);
    f.services.answers = {MessageAnswer::No};
    auto* box = f.control<QLineEdit>("txtSRT");
    for (int n = 1; n <= int(srt.size()); ++n) box->setText(QString::fromStdString(srt.substr(0, n)));
    QCOMPARE(f.services.messages, std::vector<std::string>{SaveFirst});
    QCOMPARE(f.window->Subt.Count(), 2);
}

void MainWindowFilesTest::typedNameWithAFailedSaveKeepsTheTitles() {
    MainWindowFixture f;
    f.open();
    const std::string srt = f.writeFile("film.srt", TwoTitles);
    f.loadTitles({{1, 2}});
    f.window->Subt.SetText(1, "precious");
    f.window->setSubtitlesChanged(true);
    f.services.answers = {MessageAnswer::Yes};
    f.services.saveNames = {std::nullopt}; // the save dialog is cancelled
    f.control<QLineEdit>("txtSRT")->setText(QString::fromStdString(srt));
    QCOMPARE(f.window->Subt.Count(), 1);
    QCOMPARE(f.window->Subt.Text(1), std::string("precious"));
    QVERIFY(f.window->subtitlesChanged());
}

void MainWindowFilesTest::typedNameAnsweredNoLoadsAndClearsTheFlag() {
    MainWindowFixture f;
    f.open();
    const std::string srt = f.writeFile("film.srt", TwoTitles);
    f.window->setSubtitlesChanged(true);
    f.services.answers = {MessageAnswer::No};
    f.control<QLineEdit>("txtSRT")->setText(QString::fromStdString(srt));
    QCOMPARE(f.window->Subt.Count(), 2);
    QVERIFY(!f.window->subtitlesChanged());
}

void MainWindowFilesTest::saveWritesTheChosenFormatAndClearsTheFlag() {
    MainWindowFixture f;
    f.open();
    f.services.openNames = {f.writeFile("film.srt", TwoTitles)};
    f.window->cmdBrowseSRT_Click();
    f.window->setSubtitlesChanged(true);
    f.services.saveNames = {f.path("film.sub")};
    f.services.frameRate = 25.0;
    f.window->cmdSave_Click();
    QCOMPARE(f.services.saveRequests.at(0).fileName, f.path("film"));
    QCOMPARE(f.services.frameRateQuestions, 1);
    QCOMPARE(f.readFile("film.sub"), std::string("{25}{50}One\r\n{125}{150}Two\r\n"));
    QVERIFY(!f.window->subtitlesChanged());
    QCOMPARE(f.dialogFileName(), f.path("film.sub"));
}

void MainWindowFilesTest::aFailedSaveKeepsTheFlagAndTheChosenName() {
    MainWindowFixture f;
    f.open();
    f.services.openNames = {f.writeFile("film.srt", TwoTitles)};
    f.window->cmdBrowseSRT_Click();
    f.window->setSubtitlesChanged(true);
    f.services.saveNames = {f.path("gone/film.srt")}; // a folder that does not exist
    f.window->cmdSave_Click();
    QCOMPARE(f.services.messages, std::vector<std::string>{messages::SaveErrors});
    QVERIFY(f.window->subtitlesChanged());
    QCOMPARE(f.dialogFileName(), f.path("gone/film.srt"));
}

void MainWindowFilesTest::aFileTooLargeToBeSubtitlesSaysSo() {
    MainWindowFixture f;
    f.open();
    const std::string huge = f.writeFile("huge.srt", "");
    QCOMPARE(::truncate(huge.c_str(), static_cast<off_t>(MaxInputBytes + 1)), 0);
    f.services.openNames = {huge};
    f.window->cmdBrowseSRT_Click();
    QCOMPARE(f.services.messages, std::vector<std::string>{messages::InputTooLarge});
    QVERIFY(!f.control<QWidget>("cmdSave")->isEnabled());
}

void MainWindowFilesTest::shortOrMissingNamesLoadNothing() {
    MainWindowFixture f;
    f.open();
    f.loadTitles({{1, 2}});
    QDir::setCurrent(f.folder.path());
    f.writeFile("a.sr", TwoTitles);
    f.control<QLineEdit>("txtSRT")->setText(QStringLiteral("a.sr"));
    f.control<QLineEdit>("txtSRT")->setText(QString::fromStdString(f.path("missing.srt")));
    f.control<QLineEdit>("txtSRT")->setText(f.folder.path()); // a folder is not a file
    QCOMPARE(f.window->Subt.Count(), 1);
}

void MainWindowFilesTest::mediaFilterListsTodaysContainersInItsFirstEntry() {
    MainWindowFixture f;
    f.open();
    f.window->cmdBrowseAVI_Click();
    const QString filter = QString::fromStdString(f.services.openRequests.at(0).filter);
    const QStringList first = filter.section(QLatin1Char('|'), 1, 1).split(QLatin1Char(';'));
    for (const char* pattern : {"*.avi", "*.mpg", "*.mpeg", "*.asf", "*.mov", "*.wav", "*.mp3", "*.mp4", "*.m4v",
                                "*.mkv", "*.webm", "*.ogg", "*.ogv", "*.m4a", "*.aac", "*.flac", "*.opus"})
        QVERIFY2(first.contains(QLatin1String(pattern)), pattern);
}

void MainWindowFilesTest::typedMediaNameEnablesThePositionStrip() {
    MainWindowFixture f;
    f.open();
    f.control<QLineEdit>("txtAVI")->setText(QString::fromStdString(f.mediaFile()));
    QVERIFY(f.window->AVIFileOK);
    QVERIFY(f.control<QWidget>("picButtons")->isEnabled());
    QCOMPARE(f.stripPicture(), 2);
    f.control<QLineEdit>("txtAVI")->setText(QString::fromStdString(f.writeFile("broken.avi", "x")));
    QVERIFY(!f.control<QWidget>("picButtons")->isEnabled());
    QCOMPARE(f.stripPicture(), 1);
}

void MainWindowFilesTest::newFileCanBeSavedAtOnceAsSubRip() {
    MainWindowFixture f;
    f.open();
    f.services.openNames = {f.path("new.txt")};
    f.services.answers = {MessageAnswer::Yes};
    f.window->cmdBrowseSRT_Click();
    QVERIFY(f.control<QPushButton>("cmdSave")->isEnabled());
    f.services.saveNames = {f.path("new")};
    f.control<QPushButton>("cmdSave")->click();
    QCOMPARE(f.services.saveRequests.at(0).filterIndex, 1); // SubRip
    QCOMPARE(f.readFile("new.srt"), std::string("1\r\n00:00:01,000 --> 00:00:02,000\r\nFirst subtitle\r\n\r\n"));
}

void MainWindowFilesTest::loadingWhilePausedShowsTheNewFilesTitles() {
    MainWindowFixture f;
    f.open();
    f.window->OpenMediaFile(f.mediaFile());
    f.window->OpenSubtitleFile(f.writeFile("film.srt", TwoTitles));
    const std::string other = f.writeFile("other.srt",
                                          "1\r\n00:00:01,000 --> 00:00:02,000\r\nUno\r\n\r\n"
                                          "2\r\n00:00:05,000 --> 00:00:06,000\r\nDos\r\n");
    auto* shown = f.control<QPlainTextEdit>("txtSubtitle");
    auto* next = f.control<QPlainTextEdit>("txtNextSubtitle");

    // Positioning: the boxes show the new file's titles at once.
    f.control<QRadioButton>("optPosition")->click();
    f.player->Play();
    f.player->advanceTo(0.5);
    f.player->Pause();
    QCOMPARE(shown->toPlainText(), QStringLiteral("One"));
    f.window->OpenSubtitleFile(other);
    QCOMPARE(shown->toPlainText(), QStringLiteral("Uno"));
    QCOMPARE(next->toPlainText(), QStringLiteral("Dos"));

    // Viewing: the old file's title on display goes; the new one's comes at its start.
    f.control<QRadioButton>("optShow")->click();
    f.player->Play();
    f.player->advanceTo(1.5);
    f.window->Timer1_Timer();
    f.player->Pause();
    QCOMPARE(shown->toPlainText(), QStringLiteral("Uno"));
    f.window->OpenSubtitleFile(f.path("film.srt"));
    QCOMPARE(shown->toPlainText(), QString());
    f.player->Play();
    f.player->advanceTo(5.0);
    f.window->Timer1_Timer();
    QCOMPARE(shown->toPlainText(), QStringLiteral("Two"));
}

void MainWindowFilesTest::saveOfANameWithoutExtensionWritesTheOfferedType() {
    MainWindowFixture f;
    f.open();
    f.services.openNames = {f.writeFile("film.smi", "<SAMI><BODY>\r\n<SYNC Start=1000><P>Hi\r\n</BODY>\r\n")};
    f.window->cmdBrowseSRT_Click();
    f.window->Subt.SetText(1, "Hello");
    f.window->setSubtitlesChanged(true);
    // The user presses Save on the suggested name, which has no extension.
    f.services.saveNames = {f.path("film")};
    f.window->cmdSave_Click();
    QCOMPARE(f.services.saveRequests.at(0).fileName, f.path("film"));
    QCOMPARE(f.services.saveRequests.at(0).filterIndex, 0); // SAMI, as read
    QVERIFY(f.readFile("film.smi").find("Hello") != std::string::npos);
    QVERIFY(!QFileInfo::exists(QString::fromStdString(f.path("film"))));
    QVERIFY(!f.window->subtitlesChanged());

    // Another type chosen in the dialog gives its extension.
    f.window->setSubtitlesChanged(true);
    f.services.saveNames = {f.path("film")};
    f.services.saveTypes = {1};
    f.window->cmdSave_Click();
    QVERIFY(f.readFile("film.srt").rfind("1\r\n00:00:01,000 --> ", 0) == 0);
    QCOMPARE(f.dialogFileName(), f.path("film.srt"));
    QVERIFY(!f.window->subtitlesChanged());
}

void MainWindowFilesTest::saveAsShowsTheFileTheTitlesNowBelongTo() {
    MainWindowFixture f;
    f.open();
    f.window->OpenSubtitleFile(f.writeFile("film.srt", TwoTitles));
    f.window->Subt.SetText(1, "edited");
    f.window->setSubtitlesChanged(true);
    const int loads = f.services.loadingNoticesShown;
    f.services.saveNames = {f.path("copy.sub")};
    f.services.frameRate = 25.0;
    f.window->cmdSave_Click();
    QCOMPARE(f.control<QLineEdit>("txtSRT")->text().toStdString(), f.path("copy.sub"));
    // Not read back: the titles and their journal stay as they were.
    QCOMPARE(f.services.loadingNoticesShown, loads);
    QCOMPARE(f.services.frameRateQuestions, 1);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
    QCOMPARE(f.window->Subt.Text(1), std::string("edited"));
    // The next save offers the format the titles now have.
    f.window->cmdSave_Click(); // cancelled
    QCOMPARE(f.services.saveRequests.at(1).fileName, f.path("copy"));
    QCOMPARE(f.services.saveRequests.at(1).filterIndex, 2);
}

QTEST_MAIN(MainWindowFilesTest)
#include "main_window_files_test.moc"
