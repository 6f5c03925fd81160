// The waveform strip in the main window: where it sits and when it shows,
// the settings that keep it, a dragged edge stored as one undo step, and the
// editor's row and the strip's title following each other.
#include <QAction>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>

#include "app/desktop/twips.h"
#include "app/player/event_wait.h"
#include "app/waveform/waveform_strip.h"
#include "tests/app/support/main_window_fixture.h"
#include "tests/app/support/mouse_events.h"
#include "tests/app/support/scripted_editor.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

// A shown window with a film of a tone, its strip read and showing 0 to 10 s.
struct WithFilm : MainWindowFixture {
    WithFilm() {
        film = makeFilm("film.mp4", 12.0);
        open();
        player->playableFiles = {film};
        window->resize(TwipsToPixels(12000, window.get()), TwipsToPixels(8000, window.get()));
        window->show();
        exposed = QTest::qWaitForWindowExposed(window.get());
    }
    bool openFilm() {
        if (film.empty() || !exposed) return false;
        window->OpenMediaFile(film);
        strip = control<WaveformStrip>("picWave");
        if (!strip || !RunUntil([&] { return strip->soundDone(); }, 20000)) return false;
        strip->setView(0.0, 10.0);
        return true;
    }
    QAction* menuEntry() {
        for (QAction* action : player->options)
            if (action->objectName() == QLatin1String("mnuWaveform")) return action;
        return nullptr;
    }
    std::string film;
    bool exposed = false;
    WaveformStrip* strip = nullptr;
};

} // namespace

class WaveformWindowTest : public QObject {
    Q_OBJECT
private slots:
    void withoutMediaThePlayerHasAllItsRoom();
    void withMediaTheStripSitsBetweenPlayerAndPanels();
    void theMenuHidesItAndTheSettingsKeepItsStateAndHeight();
    void aHeightDraggedPastThePlayersShareKeepsWhatItShows();
    void aDraggedEdgeIsOneUndoStepThatMarksTheTitlesChanged();
    void theEditorsRowAndTheStripsTitleFollowEachOther();
};

void WaveformWindowTest::withoutMediaThePlayerHasAllItsRoom() {
    MainWindowFixture f;
    frmCuemark& w = f.open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* strip = f.control<WaveformStrip>("picWave");
    QVERIFY(strip);
    QVERIFY(strip->isHidden());
    QCOMPARE(f.control<QWidget>("MP")->geometry(), QRect(0, 0, w.width(), f.control<QWidget>("PB")->y()));
}

void WaveformWindowTest::withMediaTheStripSitsBetweenPlayerAndPanels() {
    WithFilm f;
    QVERIFY(f.openFilm());
    QVERIFY(f.strip->isVisible());
    QCOMPARE(f.strip->statusText(), QString());
    const int panelsTop = f.control<QWidget>("PB")->y();
    const int height = TwipsToPixels(1200, f.window.get());
    QCOMPARE(f.strip->geometry(), QRect(0, panelsTop - height, f.window->width(), height));
    QCOMPARE(f.control<QWidget>("MP")->geometry(), QRect(0, 0, f.window->width(), panelsTop - height));
    // The position buttons stay over the player's lower edge.
    QVERIFY(f.control<QWidget>("picButtons")->geometry().bottom() < panelsTop - height);

    // It follows the window's width.
    f.window->resize(f.window->width() + 100, f.window->height());
    QTRY_COMPARE(f.strip->width(), f.window->width());
}

void WaveformWindowTest::theMenuHidesItAndTheSettingsKeepItsStateAndHeight() {
    WithFilm f;
    QVERIFY(f.openFilm());
    QAction* entry = f.menuEntry();
    QVERIFY(entry);
    QCOMPARE(entry->text(), QStringLiteral("Waveform"));
    QVERIFY(entry->isCheckable() && entry->isChecked());

    // Its top edge dragged 30 pixels up.
    const int before = f.strip->height();
    SendMouse(f.strip, QEvent::MouseButtonPress, {200, 1});
    SendMouse(f.strip, QEvent::MouseMove, {200, -29});
    SendMouse(f.strip, QEvent::MouseButtonRelease, {200, -29});
    QCOMPARE(f.strip->height(), before + 30);

    entry->trigger();
    QVERIFY(f.strip->isHidden());
    QCOMPARE(f.control<QWidget>("MP")->geometry(),
             QRect(0, 0, f.window->width(), f.control<QWidget>("PB")->y()));
    QVERIFY(f.close());

    // The next start remembers both: hidden, and the height for when it shows.
    f.open();
    f.player->playableFiles = {f.film};
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    f.window->OpenMediaFile(f.film);
    f.strip = f.control<WaveformStrip>("picWave");
    QVERIFY(f.strip->isHidden());
    QVERIFY(!f.menuEntry()->isChecked());
    f.menuEntry()->trigger();
    QVERIFY(f.strip->isVisible());
    QCOMPARE(f.strip->height(), before + 30);
}

void WaveformWindowTest::aHeightDraggedPastThePlayersShareKeepsWhatItShows() {
    WithFilm f;
    QVERIFY(f.openFilm());
    SendMouse(f.strip, QEvent::MouseButtonPress, {200, 1});
    SendMouse(f.strip, QEvent::MouseMove, {200, -2000});
    SendMouse(f.strip, QEvent::MouseButtonRelease, {200, -2000});
    const int shown = f.strip->height();
    QCOMPARE(shown, f.control<QWidget>("PB")->y() * 2 / 3); // the player keeps a third
    // A taller window shows the height the user saw, not the 2000 pixels asked for.
    f.window->resize(f.window->width(), f.window->height() + 300);
    QTRY_COMPARE(f.control<QWidget>("PB")->y() + f.control<QWidget>("PB")->height(), f.window->height());
    QVERIFY(qAbs(f.strip->height() - shown) <= 1);
}

void WaveformWindowTest::aDraggedEdgeIsOneUndoStepThatMarksTheTitlesChanged() {
    WithFilm f;
    QVERIFY(f.openFilm());
    f.loadTitles({{0.5, 1.2}, {2.3, 3.0}, {6.0, 7.0}});
    ScriptedEditor editor(*f.window);
    f.window->EditorOpened(&editor);
    QVERIFY(!f.window->subtitlesChanged());

    const int y = f.strip->height() / 2;
    const int from = qRound(f.strip->xAtTime(3.0));
    const int to = qRound(f.strip->xAtTime(4.0));
    SendMouse(f.strip, QEvent::MouseButtonPress, {from, y}, Qt::ShiftModifier);
    SendMouse(f.strip, QEvent::MouseMove, {(from + to) / 2, y}, Qt::ShiftModifier);
    SendMouse(f.strip, QEvent::MouseMove, {to, y}, Qt::ShiftModifier);
    QCOMPARE(f.window->Subt.EndTime(2), 3.0); // nothing stored while dragging
    SendMouse(f.strip, QEvent::MouseButtonRelease, {to, y}, Qt::ShiftModifier);

    const double end = std::round(f.strip->timeAtX(to) * 1000.0) / 1000.0;
    QCOMPARE(f.window->Subt.EndTime(2), end);
    QCOMPARE(f.window->Subt.StartTime(2), 2.3);
    QVERIFY(f.window->subtitlesChanged());
    QCOMPARE(editor.refreshedRows, std::vector<std::int32_t>{2});
    QCOMPARE(f.window->Subt.UndoCount(), std::int16_t(1));
    f.window->Subt.Undo();
    QCOMPARE(f.window->Subt.EndTime(2), 3.0);
    QCOMPARE(f.window->Subt.UndoCount(), std::int16_t(0));
}

void WaveformWindowTest::theEditorsRowAndTheStripsTitleFollowEachOther() {
    WithFilm f;
    QVERIFY(f.openFilm());
    f.loadTitles({{0.5, 1.2}, {2.3, 3.0}, {6.0, 7.0}});
    ScriptedEditor editor(*f.window);
    f.window->EditorOpened(&editor);

    f.window->EditorRowChanged(3);
    QCOMPARE(f.strip->currentTitle(), 3);

    const int x = qRound(f.strip->xAtTime(2.6));
    QTest::mouseClick(f.strip, Qt::LeftButton, {}, {x, f.strip->height() / 2});
    QCOMPARE(editor.selectedRow, 2);
    QCOMPARE(editor.visibleRows.back(), 2);
    QCOMPARE(f.strip->currentTitle(), 2);
    QVERIFY(!f.player->seeks.empty());
    QCOMPARE(f.player->seeks.back(), f.strip->timeAtX(x));

    // Playback moving on to another title moves the highlight with it.
    f.player->setState(psPlaying);
    f.player->setCurrentPosition(6.5);
    QCOMPARE(f.strip->currentTitle(), 3);
}

QTEST_MAIN(WaveformWindowTest)
#include "waveform_window_test.moc"
