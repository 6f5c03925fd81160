// Timing titles with the action key, the position buttons over the player,
// the key picker and the reference-time buttons.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/editor/frm_list.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/main_window_fixture.h"
#include "tests/app/support/scripted_editor.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using namespace cuemark::testing;

namespace {

struct Timing : MainWindowFixture {
    Timing() {
        open();
        window->OpenMediaFile(mediaFile());
        window->setGeometry(100, 100, 700, 450);
        for (int i = 1; i <= 7; ++i) window->Subt.Add(i * 2.0, i * 2.0 + 1, "T" + std::to_string(i));
        window->Subt.SetUndoEnabled(true); // as after a load
        control<QRadioButton>("optPosition")->click();
    }
    void showActive() {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void press(double at) {
        player->advanceTo(at);
        window->Form_KeyDown(32, 0);
    }
    void release(double at) {
        player->advanceTo(at);
        window->Form_KeyUp(32, 0);
    }
    // A key event as the keyboard sends it, to the focused control.
    void key(QEvent::Type type, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false,
             const QString& text = QStringLiteral(" ")) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QKeyEvent event(type, k, modifiers, text, autoRepeat);
        QApplication::sendEvent(target, &event);
    }
    QString shown() { return control<QPlainTextEdit>("txtSubtitle")->toPlainText(); }
    QString next() { return control<QPlainTextEdit>("txtNextSubtitle")->toPlainText(); }
    void hover(double x, double y, int button = 0) { window->picButtons_MouseMove(button, 0, x, y); }
};

// A window on the real player with a film made for the test, timing in
// positioning mode.
struct OnFilm : MainWindowFixture {
    bool load(double seconds, std::initializer_list<std::pair<double, double>> titles) {
        openOnRealPlayer();
        const std::string film = makeFilm("film.mp4", seconds);
        if (film.empty()) return false;
        window->setGeometry(100, 100, 700, 450);
        window->OpenMediaFile(film);
        if (!window->AVIFileOK) return false;
        loadTitles(titles);
        control<QRadioButton>("optPosition")->click();
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    void key(QEvent::Type type) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(target, &event);
    }
};

} // namespace

class ActionKeyTest : public QObject {
    Q_OBJECT
private slots:
    void pressAndReleaseTimeTheCurrentTitle();
    void heldKeyWithAutoRepeatTimesOnce();
    void shiftSpaceAlsoTimesATitle();
    void otherKeysDoNothing();
    void pausedPlayerGivesAStartEqualToTheEnd();
    void stoppedPlayerIgnoresTheKey();
    void releasePastTheLastTitleChangesNothing();
    void releaseWithoutAnAcceptedPressStoresNothing();
    void heldKeyIsDroppedWhenPlaybackStops();
    void heldKeyIsDroppedWhenTheWindowLosesFocus();
    void heldKeyIsDroppedWhenTheRealFilmEndsUnderIt();
    void releaseNeverStoresAStartAfterItsEnd();
    void viewModeTimesEachTitleInOrder();
    void viewModeTimesEachTitleInOrderOnTheRealFilm();
    void pauseOrSeekUnderTheHeldKeyKeepsItsTitle();
    void aPressWithNothingToTimeLeavesTheTitlesUnchanged();
    void charactersAreDiscardedWhilePlaying();
    void timingKeyDoesNotAlsoPressAFocusedButton();
    void spaceTypedWhilePausedGoesToTheFocusedTextBox_data();
    void spaceTypedWhilePausedGoesToTheFocusedTextBox();
    void stripPicturesFollowTheMouse_data();
    void stripPicturesFollowTheMouse();
    void disabledStripShowsTheDisabledPicture();
    void positionButtonsMoveThePlayer_data();
    void positionButtonsMoveThePlayer();
    void heldPositionButtonRepeats();
    void keyPickerChoosesTheActionKey();
    void adjustRefusesReferenceTimesOutOfOrder();
    void adjustRunsTheStretchWhenInOrder();
    void installedAdjustStretchesThroughTheOpenEditor();
};

void ActionKeyTest::pressAndReleaseTimeTheCurrentTitle() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(9.5); // title 5 starts next, at 10
    QCOMPARE(f.currentTitle(), 5);
    f.press(12.340);
    QVERIFY(f.window->subtitlesChanged());
    f.release(14.100);
    QCOMPARE(f.window->Subt.StartTime(5), 12.340);
    QCOMPARE(f.window->Subt.EndTime(5), 14.100);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
    QCOMPARE(f.shown(), QStringLiteral("T6"));
    QCOMPARE(f.next(), QStringLiteral("T7"));
    QCOMPARE(f.currentTitle(), 6);
}

void ActionKeyTest::heldKeyWithAutoRepeatTimesOnce() {
    Timing f;
    f.showActive();
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.player->advanceTo(1.5);
    f.key(QEvent::KeyPress, Qt::Key_Space);
    for (int i = 0; i < 20; ++i) {
        f.player->advanceTo(1.6 + i * 0.1);
        f.key(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, true);
        f.key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true);
    }
    f.player->advanceTo(3.5);
    f.key(QEvent::KeyRelease, Qt::Key_Space);
    QCOMPARE(f.window->Subt.StartTime(1), 1.5);
    QCOMPARE(f.window->Subt.EndTime(1), 3.5);
    QCOMPARE(f.window->Subt.StartTime(2), 4.0); // untouched
    QCOMPARE(f.window->Subt.UndoCount(), 1);
    QCOMPARE(f.currentTitle(), 2);
}

void ActionKeyTest::shiftSpaceAlsoTimesATitle() {
    Timing f;
    f.showActive();
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.player->advanceTo(1.25);
    f.key(QEvent::KeyPress, Qt::Key_Space, Qt::ShiftModifier);
    f.player->advanceTo(2.75);
    f.key(QEvent::KeyRelease, Qt::Key_Space, Qt::ShiftModifier);
    QCOMPARE(f.window->Subt.StartTime(1), 1.25);
    QCOMPARE(f.window->Subt.EndTime(1), 2.75);
}

void ActionKeyTest::otherKeysDoNothing() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.window->Form_KeyDown(65, 0);
    f.window->Form_KeyUp(65, 0);
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QVERIFY(!f.window->subtitlesChanged());
    QCOMPARE(f.currentTitle(), 1);
}

void ActionKeyTest::pausedPlayerGivesAStartEqualToTheEnd() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.player->Pause();
    f.press(7.5);
    f.release(7.5);
    QCOMPARE(f.window->Subt.StartTime(1), 7.5);
    QCOMPARE(f.window->Subt.EndTime(1), 7.5);
}

void ActionKeyTest::stoppedPlayerIgnoresTheKey() {
    Timing f;
    f.press(3);
    f.release(4);
    QVERIFY(!f.window->subtitlesChanged());
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QCOMPARE(f.window->Subt.StartTime(1), 2.0);
}

void ActionKeyTest::releasePastTheLastTitleChangesNothing() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(13.5); // title 7, the last
    f.press(14);
    f.release(15);
    QCOMPARE(f.currentTitle(), 8);
    QCOMPARE(f.shown(), QString());
    f.press(16);
    f.release(17);
    QCOMPARE(f.currentTitle(), 9);
    QCOMPARE(f.window->Subt.Count(), 7);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void ActionKeyTest::releaseWithoutAnAcceptedPressStoresNothing() {
    Timing f;
    f.press(3); // stopped: not accepted
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.release(5);
    QCOMPARE(f.window->Subt.StartTime(1), 2.0);
    QCOMPARE(f.window->Subt.EndTime(1), 3.0);
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QCOMPARE(f.currentTitle(), 1);
}

void ActionKeyTest::heldKeyIsDroppedWhenPlaybackStops() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(13.5); // title 7
    f.press(14.0);
    f.player->Stop(); // the media ended under the held key
    f.release(0.0);
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.press(1.5);
    f.release(2.5);
    QCOMPARE(f.window->Subt.StartTime(1), 1.5);
    QCOMPARE(f.window->Subt.EndTime(1), 2.5);
    QCOMPARE(f.window->Subt.StartTime(7), 14.0);
    QCOMPARE(f.window->Subt.EndTime(7), 15.0);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void ActionKeyTest::heldKeyIsDroppedWhenTheWindowLosesFocus() {
    Timing f;
    f.showActive();
    f.player->Play();
    f.player->setCurrentPosition(9.5); // title 5
    f.player->advanceTo(10.0);
    f.key(QEvent::KeyPress, Qt::Key_Space);
    {
        // The key comes up in another window.
        QWidget other;
        other.setGeometry(300, 300, 200, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    f.showActive();
    f.player->setCurrentPosition(1.0);
    f.player->advanceTo(1.5);
    f.key(QEvent::KeyPress, Qt::Key_Space);
    f.player->advanceTo(2.5);
    f.key(QEvent::KeyRelease, Qt::Key_Space);
    QCOMPARE(f.window->Subt.StartTime(1), 1.5);
    QCOMPARE(f.window->Subt.EndTime(1), 2.5);
    QCOMPARE(f.window->Subt.StartTime(5), 10.0);
    QCOMPARE(f.window->Subt.EndTime(5), 11.0);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void ActionKeyTest::heldKeyIsDroppedWhenTheRealFilmEndsUnderIt() {
    OnFilm f;
    if (!f.load(1.5, {{0.2, 0.4}, {0.6, 0.8}})) QSKIP("ffmpeg is needed to make the test film");
    MediaPlayer& player = f.window->MP();
    player.Play();
    QTRY_VERIFY_WITH_TIMEOUT(player.CurrentPosition() >= 1.0, 5000);
    f.key(QEvent::KeyPress);
    QTRY_COMPARE_WITH_TIMEOUT(player.PlayState(), int(psStopped), 5000); // the film ended
    f.key(QEvent::KeyRelease);
    QCOMPARE(f.window->Subt.UndoCount(), 0);

    player.Play(); // from the start again
    QTRY_VERIFY_WITH_TIMEOUT(player.PlayState() == psPlaying && player.CurrentPosition() >= 0.1, 5000);
    f.key(QEvent::KeyPress);
    QTest::qWait(200);
    f.key(QEvent::KeyRelease);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
    QVERIFY(f.window->Subt.StartTime(1) < f.window->Subt.EndTime(1));
    QVERIFY(f.window->Subt.EndTime(1) < 1.0);
}

void ActionKeyTest::releaseNeverStoresAStartAfterItsEnd() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(7.5); // title 4
    f.press(8.0);
    f.player->setCurrentPosition(3.0); // a seek back under the held key
    f.release(3.5);
    QCOMPARE(f.window->Subt.StartTime(4), 8.0);
    QCOMPARE(f.window->Subt.EndTime(4), 9.0);
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    f.press(4.0); // the next hold is taken again
    f.release(4.5);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void ActionKeyTest::viewModeTimesEachTitleInOrder() {
    Timing f;
    f.control<QRadioButton>("optShow")->click();
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    auto tick = [&](double at) {
        f.player->advanceTo(at);
        f.window->Timer1_Timer();
    };
    tick(2.0); // title 1 on display
    f.press(2.2);
    f.release(2.8);
    tick(3.0); // title 1's old end
    f.press(3.5);
    tick(4.0); // title 2's old start and end pass under the held key
    tick(5.0);
    tick(5.5);
    f.release(5.6);
    tick(6.0); // title 3's old times pass with no key

    tick(7.0);
    f.press(7.6);
    f.release(7.9);
    QCOMPARE(f.window->Subt.StartTime(1), 2.2);
    QCOMPARE(f.window->Subt.EndTime(1), 2.8);
    QCOMPARE(f.window->Subt.StartTime(2), 3.5);
    QCOMPARE(f.window->Subt.EndTime(2), 5.6);
    QCOMPARE(f.window->Subt.StartTime(3), 7.6);
    QCOMPARE(f.window->Subt.EndTime(3), 7.9);
    QCOMPARE(f.window->Subt.StartTime(4), 8.0);
    QCOMPARE(f.window->Subt.UndoCount(), 3);
}

void ActionKeyTest::viewModeTimesEachTitleInOrderOnTheRealFilm() {
    OnFilm f;
    if (!f.load(4, {{0.5, 1.0}, {1.5, 2.0}, {2.5, 3.0}})) QSKIP("ffmpeg is needed to make the test film");
    f.control<QRadioButton>("optShow")->click();
    MediaPlayer& player = f.window->MP();
    const auto holdFromTo = [&](double from, double to) {
        QTRY_VERIFY_WITH_TIMEOUT(player.CurrentPosition() >= from, 5000);
        f.key(QEvent::KeyPress);
        QTRY_VERIFY_WITH_TIMEOUT(player.CurrentPosition() >= to, 5000);
        f.key(QEvent::KeyRelease);
    };
    player.Play();
    holdFromTo(0.6, 0.8); // title 1, while it is on display
    holdFromTo(1.1, 1.3); // after its old end has passed
    QCOMPARE(f.window->Subt.UndoCount(), 2);
    QVERIFY(f.window->Subt.StartTime(2) >= 1.1);
    QVERIFY(f.window->Subt.EndTime(2) < 1.5);
    QCOMPARE(f.window->Subt.StartTime(3), 2.5);
    QCOMPARE(f.window->Subt.EndTime(3), 3.0);
}

void ActionKeyTest::pauseOrSeekUnderTheHeldKeyKeepsItsTitle() {
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(5.5); // title 3
    f.press(6.1);
    f.player->setCurrentPosition(6.5); // the seek chooses title 4
    f.release(6.9);
    QCOMPARE(f.window->Subt.StartTime(3), 6.1);
    QCOMPARE(f.window->Subt.EndTime(3), 6.9);
    QCOMPARE(f.currentTitle(), 4);
    f.press(8.1);
    f.player->advanceTo(8.6);
    f.player->Pause(); // the pause chooses title 5
    f.release(8.6);
    QCOMPARE(f.window->Subt.StartTime(4), 8.1);
    QCOMPARE(f.window->Subt.EndTime(4), 8.6);
    QCOMPARE(f.window->Subt.StartTime(5), 10.0);
    QCOMPARE(f.currentTitle(), 5);
}

void ActionKeyTest::charactersAreDiscardedWhilePlaying() {
    Timing f;
    f.showActive();
    auto* box = f.control<QLineEdit>("txtTime");
    box->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    box->setText(QString());
    f.player->Play();
    f.key(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, false, QStringLiteral("5"));
    QCOMPARE(box->text(), QString());
    int keyAscii = '5';
    f.window->Form_KeyPress(keyAscii);
    QCOMPARE(keyAscii, 0);
    f.player->Pause();
    keyAscii = '5';
    f.window->Form_KeyPress(keyAscii);
    QCOMPARE(keyAscii, int('5'));
}

void ActionKeyTest::timingKeyDoesNotAlsoPressAFocusedButton() {
    Timing f;
    f.showActive();
    auto* button = f.control<QPushButton>("cmdSelStart");
    button->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(button));
    QSignalSpy clicks(button, &QPushButton::clicked);
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.player->Pause();
    f.key(QEvent::KeyPress, Qt::Key_Space);
    f.key(QEvent::KeyRelease, Qt::Key_Space);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void ActionKeyTest::spaceTypedWhilePausedGoesToTheFocusedTextBox_data() {
    AddColumns<QString>("box");
    QTest::newRow("media file name") << QStringLiteral("txtAVI");
    QTest::newRow("time box") << QStringLiteral("txtTime");
}

void ActionKeyTest::spaceTypedWhilePausedGoesToTheFocusedTextBox() {
    QFETCH(QString, box);
    Timing f;
    f.showActive();
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.player->Pause();
    auto* edit = f.window->findChild<QLineEdit*>(box);
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    edit->setText(QStringLiteral("My"));
    f.key(QEvent::KeyPress, Qt::Key_Space);
    f.key(QEvent::KeyRelease, Qt::Key_Space);
    QCOMPARE(edit->text(), QStringLiteral("My "));
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QCOMPARE(f.window->Subt.StartTime(1), 2.0);
    QCOMPARE(f.window->Subt.EndTime(1), 3.0);

    // While playing the key times, wherever the focus is.
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.player->advanceTo(1.5);
    f.key(QEvent::KeyPress, Qt::Key_Space);
    f.player->advanceTo(2.5);
    f.key(QEvent::KeyRelease, Qt::Key_Space);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
    QCOMPARE(f.window->Subt.StartTime(1), 1.5);
    QCOMPARE(f.window->Subt.EndTime(1), 2.5);
}

void ActionKeyTest::stripPicturesFollowTheMouse_data() {
    AddColumns<double, double, int, int, int>("x", "y", "button", "hover", "picture");
    QTest::newRow("button 1") << 150.0 << 150.0 << 0 << 1 << 3;
    QTest::newRow("button 2 right edge") << 705.0 << 150.0 << 0 << 2 << 4;
    QTest::newRow("button 3") << 900.0 << 280.0 << 0 << 3 << 5;
    QTest::newRow("button 4 held") << 1410.0 << 100.0 << 1 << 4 << 10;
    QTest::newRow("button 1 held") << 200.0 << 200.0 << 1 << 1 << 7;
    QTest::newRow("gap between buttons") << 450.0 << 150.0 << 0 << 0 << 2;
    QTest::newRow("gap held") << 450.0 << 150.0 << 1 << 0 << 2;
    QTest::newRow("top edge is outside") << 200.0 << 75.0 << 0 << 0 << 2;
    QTest::newRow("bottom edge is outside") << 200.0 << 285.0 << 0 << 0 << 2;
}

void ActionKeyTest::stripPicturesFollowTheMouse() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, button);
    QFETCH(int, hover);
    QFETCH(int, picture);
    Timing f;
    f.window->cmdBrowseAVI_Click(); // cancelled, but enables the strip for the loaded media
    f.hover(x, y, button);
    QCOMPARE(f.hoverButton(), hover);
    QCOMPARE(f.stripPicture(), picture);
}

void ActionKeyTest::disabledStripShowsTheDisabledPicture() {
    Timing f;
    f.player->setFileName("gone");
    f.window->cmdBrowseAVI_Click(); // cancelled: the strip follows the player, now empty
    f.hover(200, 150);
    QCOMPARE(f.hoverButton(), 0);
    QCOMPARE(f.stripPicture(), 1);
}

void ActionKeyTest::positionButtonsMoveThePlayer_data() {
    AddColumns<double, double, double, double, double>("x", "selectionStart", "selectionEnd", "position", "expected");
    QTest::newRow("1 to the selection start") << 200.0 << 10.0 << 50.0 << 30.0 << 10.0;
    QTest::newRow("1 without a start goes to 0") << 200.0 << -1.0 << 50.0 << 30.0 << 0.0;
    QTest::newRow("2 half a second back") << 600.0 << 10.0 << 50.0 << 12.0 << 11.5;
    QTest::newRow("2 stops at the start") << 600.0 << 10.0 << 50.0 << 10.2 << 10.0;
    QTest::newRow("3 half a second on") << 900.0 << 10.0 << 50.0 << 12.0 << 12.5;
    QTest::newRow("3 stops at the end") << 900.0 << 10.0 << 50.0 << 49.8 << 50.0;
    QTest::newRow("4 to the selection end") << 1300.0 << 10.0 << 50.0 << 12.0 << 50.0;
}

void ActionKeyTest::positionButtonsMoveThePlayer() {
    QFETCH(double, x);
    QFETCH(double, selectionStart);
    QFETCH(double, selectionEnd);
    QFETCH(double, position);
    QFETCH(double, expected);
    Timing f;
    f.window->cmdBrowseAVI_Click();
    f.player->setSelectionStart(selectionStart);
    f.player->setSelectionEnd(selectionEnd);
    f.player->advanceTo(position);
    f.hover(x, 150);
    f.window->picButtons_MouseDown(1, 0, x, 150);
    QCOMPARE(f.stripPicture(), f.hoverButton() + 6);
    QCOMPARE(f.player->CurrentPosition(), position); // a click acts on release
    f.window->picButtons_MouseUp(1, 0, x, 150);
    QCOMPARE(f.player->CurrentPosition(), expected);
}

void ActionKeyTest::heldPositionButtonRepeats() {
    Timing f;
    f.window->cmdBrowseAVI_Click();
    f.player->advanceTo(20);
    auto* repeat = f.window->findChild<QTimer*>("tmrPosButtons");
    f.hover(900, 150);
    f.window->picButtons_MouseDown(1, 0, 900, 150);
    QCOMPARE(repeat->interval(), 750);
    QVERIFY(repeat->isActive());
    f.window->tmrPosButtons_Timer();
    QCOMPARE(repeat->interval(), 250);
    QVERIFY(repeat->isActive());
    f.window->tmrPosButtons_Timer();
    f.window->picButtons_MouseUp(1, 0, 900, 150);
    QVERIFY(!repeat->isActive());
    QCOMPARE(f.player->CurrentPosition(), 21.5);
}

void ActionKeyTest::keyPickerChoosesTheActionKey() {
    Timing f;
    f.showActive();
    QTimer::singleShot(50, [] {
        QWidget* picker = QApplication::activeModalWidget();
        QVERIFY(picker);
        QCOMPARE(picker->objectName(), QStringLiteral("frmPickKey"));
        QCOMPARE(picker->windowTitle(), QStringLiteral("Select key"));
        QTest::keyPress(picker, Qt::Key_A);
        QTest::keyRelease(picker, Qt::Key_A);
    });
    f.window->txtKey_Click();
    QCOMPARE(f.control<QLineEdit>("txtKey")->text(), QStringLiteral("[65]"));
    QCOMPARE(f.window->ActionKey, std::int16_t(65));
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.window->Form_KeyDown(65, 0);
    f.window->Form_KeyUp(65, 0);
    QCOMPARE(f.window->Subt.UndoCount(), 1);
}

void ActionKeyTest::adjustRefusesReferenceTimesOutOfOrder() {
    Timing f;
    int stretches = 0;
    f.window->adjustByReferences = [&](frmCuemark&) { ++stretches; };
    f.window->cmdAdjust_Click();
    f.player->advanceTo(100);
    f.window->cmdBlue_Click();
    f.player->advanceTo(50);
    f.window->cmdGreen_Click();
    f.window->cmdAdjust_Click();
    QCOMPARE(f.services.messages, std::vector<std::string>(2, "Title times have been set to an illegal order."));
    QCOMPARE(stretches, 0);
}

void ActionKeyTest::adjustRunsTheStretchWhenInOrder() {
    Timing f;
    std::pair<double, double> seen;
    f.window->adjustByReferences = [&](frmCuemark& w) { seen = {w.FirstRefTime, w.SecondRefTime}; };
    f.player->advanceTo(10);
    f.window->cmdBlue_Click();
    f.player->advanceTo(3600);
    f.window->cmdGreen_Click();
    f.window->cmdAdjust_Click();
    QCOMPARE(seen, std::make_pair(10.0, 3600.0));
    QVERIFY(f.services.messages.empty());
}

void ActionKeyTest::installedAdjustStretchesThroughTheOpenEditor() {
    Timing f;
    InstallEditor(*f.window);
    f.window->FirstRefTime = 10.0;
    f.window->SecondRefTime = 3600.0;
    f.window->cmdAdjust_Click(); // no editor open: nothing to stretch
    ScriptedEditor editor(*f.window);
    f.window->EditorOpened(&editor);
    f.window->cmdAdjust_Click();
    QCOMPARE(editor.stretches, (std::vector<std::pair<double, double>>{{10.0, 3600.0}}));
}

void ActionKeyTest::aPressWithNothingToTimeLeavesTheTitlesUnchanged() {
    {
        MainWindowFixture f; // no subtitles loaded
        f.open();
        f.window->OpenMediaFile(f.mediaFile());
        f.player->Play();
        f.player->advanceTo(3);
        f.window->Form_KeyDown(32, 0);
        f.player->advanceTo(4);
        f.window->Form_KeyUp(32, 0);
        QVERIFY(!f.window->subtitlesChanged());
        f.player->Pause();
        QVERIFY(f.close()); // Exit asks nothing
        QVERIFY(f.services.messages.empty());
    }
    Timing f;
    f.player->Play();
    f.player->setCurrentPosition(13.5); // title 7, the last
    f.press(14);
    f.release(15);
    f.window->setSubtitlesChanged(false); // saved
    f.press(16);
    f.release(17);
    QVERIFY(!f.window->subtitlesChanged());
}

QTEST_MAIN(ActionKeyTest)
#include "action_key_test.moc"
