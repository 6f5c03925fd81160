// The subtitle display during playback, the time box with its up-down
// arrows, and the selection buttons.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/desktop/twips.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/main_window_fixture.h"
#include "tests/app/support/scripted_editor.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using namespace cuemark::testing;

namespace {

struct Playing : MainWindowFixture {
    explicit Playing(std::initializer_list<std::pair<double, double>> times) {
        open();
        OpenMediaFile();
        loadTitles(times);
    }
    void OpenMediaFile() { window->OpenMediaFile(mediaFile()); }
    QString shown() { return control<QPlainTextEdit>("txtSubtitle")->toPlainText(); }
    QString next() { return control<QPlainTextEdit>("txtNextSubtitle")->toPlainText(); }
    void tickAt(double position) {
        player->advanceTo(position);
        window->Timer1_Timer();
    }
    void positioningMode() { control<QRadioButton>("optPosition")->click(); }
};

} // namespace

class PlaybackDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void viewModeShowsATitleFromItsStartToItsEnd();
    void seekIntoATitleWaitsForTheNextOne();
    void positioningModeShowsTheNextTwoTitles();
    void modeOptionsShowTheKeyBoxOnlyForPositioning();
    void playingDisablesTheLeftPanelAndRunsTheTimer();
    void stoppingEmptiesBothBoxes();
    void timeBoxShowsTheStartOnceARealFilmLoads();
    void emptyStoreShowsNothingAndNeverFails();
    void pastTheLastTitleTheTimerKeepsGoingHarmlessly();
    void editorRowFollowsTheTitleOnDisplay();
    void timeBoxMovesThePlayerOnlyWhenNotPlaying();
    void focusedTimeBoxIsNotOverwrittenWhilePlaying();
    void heldUpArrowRepeatsWithGrowingSteps();
    void clickAfterARepeatIsSwallowed();
    void repeatReleasedOffTheArrowKeepsTheNextClick();
    void arrowClicksJumpTwentySecondsWithinTheSelection();
    void mouseDownPicksTheDirectionByHalf_data();
    void mouseDownPicksTheDirectionByHalf();
    void selectionButtonsSetAndShowTheRange();
    void stateChangeShowsASetSelection();
    void selectionBoxesShowATimeOnlyWhenThereIsOne();
};

void PlaybackDisplayTest::viewModeShowsATitleFromItsStartToItsEnd() {
    Playing f({{1, 2}, {5, 6}});
    f.player->Play();
    f.tickAt(0.95);
    QCOMPARE(f.shown(), QString());
    f.tickAt(1.0);
    QCOMPARE(f.shown(), QStringLiteral("T1"));
    f.tickAt(1.95);
    QCOMPARE(f.shown(), QStringLiteral("T1"));
    f.tickAt(2.0);
    QCOMPARE(f.shown(), QString());
    f.tickAt(4.95);
    QCOMPARE(f.shown(), QString());
    f.tickAt(5.0);
    QCOMPARE(f.shown(), QStringLiteral("T2"));
    QCOMPARE(f.control<QLineEdit>("txtTime")->text(), QStringLiteral("00:00:05,000"));
}

void PlaybackDisplayTest::seekIntoATitleWaitsForTheNextOne() {
    Playing f({{1, 2}, {5, 6}});
    f.player->Play();
    f.player->setCurrentPosition(1.5);
    f.tickAt(1.6);
    QCOMPARE(f.shown(), QString());
    f.tickAt(5.0);
    QCOMPARE(f.shown(), QStringLiteral("T2"));
}

void PlaybackDisplayTest::positioningModeShowsTheNextTwoTitles() {
    Playing f({{1, 2}, {5, 6}, {8, 9}});
    f.window->Subt.SetText(3, "two\r\nlines");
    f.positioningMode();
    f.player->Play();
    f.player->setCurrentPosition(3.0);
    QCOMPARE(f.shown(), QStringLiteral("T2"));
    QCOMPARE(f.next(), QStringLiteral("two\nlines"));
    f.tickAt(5.5); // ticks leave the boxes alone in this mode
    QCOMPARE(f.shown(), QStringLiteral("T2"));
}

void PlaybackDisplayTest::modeOptionsShowTheKeyBoxOnlyForPositioning() {
    Playing f({{1, 2}});
    f.positioningMode();
    QVERIFY(!f.control<QWidget>("txtKey")->isHidden());
    QVERIFY(!f.control<QWidget>("Label4")->isHidden());
    f.control<QRadioButton>("optShow")->click();
    QVERIFY(f.control<QWidget>("txtKey")->isHidden());
}

void PlaybackDisplayTest::playingDisablesTheLeftPanelAndRunsTheTimer() {
    Playing f({{1, 2}});
    auto* timer = f.window->findChild<QTimer*>("Timer1");
    QCOMPARE(timer->interval(), 50);
    f.player->Play();
    QVERIFY(!f.control<QWidget>("PB")->isEnabled());
    QVERIFY(timer->isActive());
    f.player->Pause();
    QVERIFY(f.control<QWidget>("PB")->isEnabled());
    QVERIFY(!timer->isActive());
}

void PlaybackDisplayTest::stoppingEmptiesBothBoxes() {
    Playing f({{1, 2}, {5, 6}});
    f.positioningMode();
    f.player->Play();
    QCOMPARE(f.shown(), QStringLiteral("T1"));
    f.player->Stop();
    QCOMPARE(f.shown(), QString());
    QCOMPARE(f.next(), QString());
    QVERIFY(f.control<QWidget>("PB")->isEnabled());
}

void PlaybackDisplayTest::emptyStoreShowsNothingAndNeverFails() {
    Playing f({});
    f.player->Play();
    QCOMPARE(f.currentTitle(), 1);
    for (double t = 0; t < 1; t += 0.05) f.tickAt(t);
    f.positioningMode();
    f.player->setCurrentPosition(3);
    QCOMPARE(f.shown(), QString());
}

void PlaybackDisplayTest::pastTheLastTitleTheTimerKeepsGoingHarmlessly() {
    Playing f({{1, 2}});
    f.player->Play();
    f.tickAt(1);
    f.tickAt(2);
    for (int i = 0; i < 10; ++i) f.tickAt(3 + i * 0.05);
    QVERIFY(f.currentTitle() > 2);
    QCOMPARE(f.shown(), QString());
}

void PlaybackDisplayTest::editorRowFollowsTheTitleOnDisplay() {
    Playing f({});
    for (int i = 0; i < 20; ++i) f.window->Subt.Add(i * 2 + 1, i * 2 + 2, "T");
    ScriptedEditor editor(*f.window);
    f.window->EditorOpened(&editor);
    editor.selectedRow = 3;
    f.player->Play();
    f.player->setCurrentPosition(12.5); // title 7 starts at 13
    f.tickAt(13);
    f.tickAt(14);
    QCOMPARE(editor.selectedRow, 8);
    QCOMPARE(editor.visibleRows, std::vector<std::int32_t>{11});
}

void PlaybackDisplayTest::timeBoxMovesThePlayerOnlyWhenNotPlaying() {
    Playing f({{1, 2}});
    auto* box = f.control<QLineEdit>("txtTime");
    f.player->Pause();
    f.player->seeks.clear();
    box->setText(QStringLiteral("00:01:02,500"));
    QCOMPARE(f.player->CurrentPosition(), 62.5);
    f.player->Stop();
    box->setText(QStringLiteral("00:00:10,000"));
    QCOMPARE(f.player->CurrentPosition(), 10.0);
    f.player->Play();
    f.player->seeks.clear();
    box->setText(QStringLiteral("00:00:30,000"));
    QVERIFY(f.player->seeks.empty());
}

void PlaybackDisplayTest::focusedTimeBoxIsNotOverwrittenWhilePlaying() {
    Playing f({{1, 2}});
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto* box = f.control<QLineEdit>("txtTime");
    f.player->Play();
    box->setFocus();
    QTRY_COMPARE(f.window->focusWidget(), box);
    box->setText(QStringLiteral("00:00:4"));
    f.tickAt(7);
    QCOMPARE(box->text(), QStringLiteral("00:00:4"));
    QCOMPARE(f.player->CurrentPosition(), 7.0);
}

void PlaybackDisplayTest::timeBoxShowsTheStartOnceARealFilmLoads() {
    MainWindowFixture f;
    f.openOnRealPlayer();
    const std::string film = f.makeFilm("film.mp4", 1);
    if (film.empty()) QSKIP("ffmpeg is needed to make the test film");
    f.window->OpenMediaFile(film);
    QVERIFY(f.window->AVIFileOK);
    QCOMPARE(f.control<QLineEdit>("txtTime")->text(), QStringLiteral("00:00:00,000"));
}

void PlaybackDisplayTest::heldUpArrowRepeatsWithGrowingSteps() {
    Playing f({{1, 2}});
    f.player->Pause();
    f.player->setCurrentPosition(100);
    auto* repeat = f.window->findChild<QTimer*>("tmrUDTime");
    f.window->UDTime_MouseDown(1, 0, 100, 10); // upper half
    QCOMPARE(repeat->interval(), 300);
    QVERIFY(repeat->isActive());
    f.window->tmrUDTime_Timer();
    QCOMPARE(repeat->interval(), 200);
    for (int tick = 2; tick <= 14; ++tick) f.window->tmrUDTime_Timer();
    QCOMPARE(f.player->CurrentPosition(), 105.0); // 5 x 0.1 s, then 9 x 0.5 s
    for (int tick = 15; tick <= 25; ++tick) f.window->tmrUDTime_Timer();
    QCOMPARE(f.player->CurrentPosition(), 116.0);
    for (int tick = 26; tick <= 33; ++tick) f.window->tmrUDTime_Timer();
    QCOMPARE(f.player->CurrentPosition(), 135.0); // 7 x 2 s, then 5 s
    f.window->UDTime_MouseUp(1, 0, 100, 10);
    QVERIFY(!repeat->isActive());
}

void PlaybackDisplayTest::clickAfterARepeatIsSwallowed() {
    Playing f({{1, 2}});
    f.player->Pause();
    f.player->setCurrentPosition(100);
    f.window->UDTime_MouseDown(1, 0, 100, 10);
    f.window->tmrUDTime_Timer();
    f.window->UDTime_MouseUp(1, 0, 100, 10);
    f.window->UDTime_UpClick();
    QCOMPARE(f.player->CurrentPosition(), 100.1);
    f.window->UDTime_UpClick();
    QCOMPARE(f.player->CurrentPosition(), 120.1);
}

void PlaybackDisplayTest::repeatReleasedOffTheArrowKeepsTheNextClick() {
    Playing f({{1, 2}});
    f.player->Pause();
    f.player->setCurrentPosition(100);
    f.window->UDTime_MouseDown(1, 0, 100, 10);
    f.window->tmrUDTime_Timer();
    f.window->UDTime_MouseUp(1, 0, 100, -500); // away from the arrow: no click
    QCOMPARE(f.player->CurrentPosition(), 100.1);
    f.window->UDTime_MouseDown(1, 0, 100, 10);
    f.window->UDTime_MouseUp(1, 0, 100, 10);
    f.window->UDTime_UpClick();
    QCOMPARE(f.player->CurrentPosition(), 120.1);
}

void PlaybackDisplayTest::arrowClicksJumpTwentySecondsWithinTheSelection() {
    Playing f({{1, 2}});
    f.player->Pause();
    f.player->setCurrentPosition(30);
    f.window->UDTime_DownClick();
    QCOMPARE(f.player->CurrentPosition(), 10.0);
    f.window->UDTime_DownClick(); // would go below the start of the media
    QCOMPARE(f.player->CurrentPosition(), 10.0);
    f.player->setCurrentPosition(590);
    f.window->UDTime_UpClick(); // would pass the end of the selection
    QCOMPARE(f.player->CurrentPosition(), 590.0);
    f.player->setCurrentPosition(100);
    f.player->Play();
    f.window->UDTime_DownClick(); // not while playing
    QCOMPARE(f.player->CurrentPosition(), 100.0);
    f.window->UDTime_UpClick(); // but forward, in any state
    QCOMPARE(f.player->CurrentPosition(), 120.0);
}

void PlaybackDisplayTest::mouseDownPicksTheDirectionByHalf_data() {
    AddColumns<bool, double>("upper", "expected");
    QTest::newRow("upper half goes forward") << true << 50.1;
    QTest::newRow("lower half goes back") << false << 49.9;
}

void PlaybackDisplayTest::mouseDownPicksTheDirectionByHalf() {
    QFETCH(bool, upper);
    QFETCH(double, expected);
    Playing f({{1, 2}});
    f.player->Pause();
    f.player->setCurrentPosition(50);
    const double height = PixelsToTwips(f.control<QWidget>("UDTime")->height(), f.window.get());
    f.window->UDTime_MouseDown(1, 0, 50, upper ? height / 4 : height * 3 / 4);
    f.window->tmrUDTime_Timer();
    QCOMPARE(f.player->CurrentPosition(), expected);
}

void PlaybackDisplayTest::selectionButtonsSetAndShowTheRange() {
    Playing f({{1, 2}});
    f.player->setCurrentPosition(12);
    f.window->cmdSelStart_Click();
    QCOMPARE(f.player->SelectionStart(), 12.0);
    QCOMPARE(f.control<QLineEdit>("txtSelStart")->text(), QStringLiteral("00:00:12,000"));
    QCOMPARE(f.control<QLineEdit>("txtSelEnd")->text(), QStringLiteral("00:10:00,000"));
    f.player->setCurrentPosition(75.25);
    f.window->cmdSelEnd_Click();
    QCOMPARE(f.player->SelectionEnd(), 75.25);
    QCOMPARE(f.control<QLineEdit>("txtSelEnd")->text(), QStringLiteral("00:01:15,250"));
}

void PlaybackDisplayTest::stateChangeShowsASetSelection() {
    Playing f({{1, 2}});
    f.player->Play();
    QCOMPARE(f.control<QLineEdit>("txtSelStart")->text(), QString()); // no start yet
    f.player->setSelectionStart(3);
    f.player->Pause();
    QCOMPARE(f.control<QLineEdit>("txtSelStart")->text(), QStringLiteral("00:00:03,000"));
}

void PlaybackDisplayTest::selectionBoxesShowATimeOnlyWhenThereIsOne() {
    MainWindowFixture f;
    f.open();
    auto* start = f.control<QLineEdit>("txtSelStart");
    auto* end = f.control<QLineEdit>("txtSelEnd");
    f.window->cmdSelEnd_Click(); // no media
    QCOMPARE(start->text(), QString());
    QCOMPARE(end->text(), QString());
    f.window->OpenMediaFile(f.mediaFile());
    f.player->setCurrentPosition(40);
    f.window->cmdSelEnd_Click(); // no start set
    QCOMPARE(start->text(), QString());
    QCOMPARE(end->text(), QStringLiteral("00:00:40,000"));
    f.player->setCurrentPosition(0);
    f.window->cmdSelStart_Click(); // a start at the very beginning is a time
    QCOMPARE(start->text(), QStringLiteral("00:00:00,000"));
}

QTEST_MAIN(PlaybackDisplayTest)
#include "playback_display_test.moc"
