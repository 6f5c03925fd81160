// Reaction time on the real Qt Multimedia player: its options menu offers
// calibration and compensation, and the clip the build makes plays and gives
// the user's film back. A program of its own: under the sanitizers its leak
// check at exit runs without the player (see CMakeLists.txt).
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>

#include "tests/app/support/dialog_controls.h"
#include "tests/app/support/main_window_fixture.h"

using namespace cuemark;
using namespace cuemark::testing;

class ReactionTimeRealPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void theRealPlayersOptionsMenuOffersBoth();
    void theBuiltClipPlaysInTheRealPlayerAndGivesTheFilmBack();
};

void ReactionTimeRealPlayerTest::theRealPlayersOptionsMenuOffersBoth() {
    MainWindowFixture f;
    f.settings->SetDword("PressLag", 190);
    f.settings->SetDword("ReleaseLag", 140);
    f.openOnRealPlayer();
    auto* options = f.window->findChild<QMenu*>(QStringLiteral("playerOptions"));
    QVERIFY(options);
    QStringList texts;
    for (QAction* action : options->actions()) texts << action->text();
    QVERIFY2(texts.contains(QStringLiteral("Calibrate reaction time\u2026")), qPrintable(texts.join('|')));
    QVERIFY2(texts.contains(QStringLiteral("Compensate reaction time (press 190 ms, release 140 ms)")),
             qPrintable(texts.join('|')));
    // Still the player's own entries before them.
    QVERIFY(options->findChild<QAction*>(QStringLiteral("playerMute")));
}

void ReactionTimeRealPlayerTest::theBuiltClipPlaysInTheRealPlayerAndGivesTheFilmBack() {
    MainWindowFixture f;
    f.openOnRealPlayer();
    const std::string film = f.makeFilm("film.mp4", 6);
    if (film.empty()) QSKIP("ffmpeg could not make a test film");
    const std::string built = std::string(CUEMARK_BIN_DIR) + "/../share/cuemark/calibration";
    if (!QFile::exists(QString::fromStdString(built + "/calibration.mp4"))) QSKIP("no calibration clip was built");
    f.setCalibrationFolder(built);
    f.window->setGeometry(100, 100, 700, 450);
    f.window->OpenMediaFile(film);
    f.window->MP().setCurrentPosition(2.0);
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    QString told;
    f.services.modalDrivers.push_back([&](QDialog& dialog) {
        told = label(dialog, "lblTooFew");
        click(dialog, "cmdCancel");
    });
    auto* options = f.window->findChild<QMenu*>(QStringLiteral("playerOptions"));
    for (QAction* action : options->actions())
        if (action->objectName() == QLatin1String("mnuCalibrate")) action->trigger();
    QVERIFY(f.window->calibrating());
    QTRY_COMPARE(f.window->MP().PlayState(), int(psPlaying));
    QVERIFY(f.window->MP().Duration() > 55);
    // The first cue's text is shown ahead, as a title to be timed.
    QVERIFY(f.control<QPlainTextEdit>("txtSubtitle")->toPlainText().startsWith(QStringLiteral("Cue 1")));
    f.window->MP().Stop();
    QTRY_VERIFY(!f.window->calibrating());
    QVERIFY2(told.startsWith(QStringLiteral("Only 0 of the 16 cues")), qPrintable(told));
    QCOMPARE(f.window->MP().FileName(), film);
    QVERIFY(std::fabs(f.window->MP().CurrentPosition() - 2.0) < 0.05);
}

QTEST_MAIN(ReactionTimeRealPlayerTest)
#include "reaction_time_real_player_test.moc"
