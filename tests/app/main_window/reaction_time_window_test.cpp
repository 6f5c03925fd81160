// Reaction time in the main window: compensation of the action key's times,
// its settings, the calibration through the key path on a store of its own,
// and key events stamped when they happened.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

#include "app/calibration/reaction_time.h"
#include "session/journal.h"
#include "subtitles/line_io.h"
#include "subtitles/subrip.h"
#include "tests/app/support/simulated_user.h"
#include "tests/app/support/dialog_controls.h"
#include "tests/app/support/main_window_fixture.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

struct Reacting : MainWindowFixture {
    Reacting() { open(); }
    frmCuemark& open() {
        MainWindowFixture::open();
        film = mediaFile();
        window->OpenMediaFile(film);
        window->setGeometry(100, 100, 700, 450);
        return *window;
    }
    QAction* option(const char* name) {
        for (QAction* action : player->options)
            if (action->objectName() == QLatin1String(name)) return action;
        return nullptr;
    }
    void hold(double press, double release) {
        player->advanceTo(press);
        window->Form_KeyDown(32, 0);
        player->advanceTo(release);
        window->Form_KeyUp(32, 0);
    }
    // A calibration clip the scripted player plays, with these cues.
    std::string calibration(const std::vector<Cue>& cues) {
        SUBTITLES schedule;
        for (size_t i = 0; i < cues.size(); ++i)
            schedule.Add(cues[i].start, cues[i].end, "Cue " + std::to_string(i + 1));
        LineWriter out;
        WriteSubRip(out, schedule);
        QDir(folder.path()).mkdir(QStringLiteral("calibration"));
        writeFile("calibration/calibration.srt", out.Text());
        player->playableFiles.push_back(writeFile("calibration/calibration.mp4", "clip"));
        setCalibrationFolder(path("calibration"));
        return path("calibration/calibration.mp4");
    }
    // Runs a calibration in which `user` holds the key for every cue; the
    // dialog is worked by `driver`.
    void calibrate(const std::vector<Cue>& cues, SimulatedUser& user, std::function<void(QDialog&)> driver) {
        services.modalDrivers.push_back(std::move(driver));
        option("mnuCalibrate")->trigger();
        QVERIFY(window->calibrating());
        QCOMPARE(player->PlayState(), int(psPlaying));
        for (const Hold& h : user.holds(cues)) hold(h.press, h.release);
        player->Pause(); // the clip's end
        QTRY_VERIFY(!window->calibrating());
    }
    std::string film;
};

// The figure in "Press lag: 203 ms (spread ±9 ms)".
int figure(const QString& line) {
    return line.section(QLatin1Char(' '), 2, 2).toInt();
}

} // namespace

class ReactionTimeWindowTest : public QObject {
    Q_OBJECT
private slots:
    void byDefaultTimesAreStoredAsTheKeyGaveThem();
    void compensationTakesTheLagsOffEachEdge();
    void compensationClampsAtZeroAndAtTheStart();
    void settingsAreReadAtStartAndWrittenAtClose();
    void storedSettingsOutOfRangeAreNotUsed();
    void calibrationMeasuresASimulatedUser();
    void calibrationLeavesTheUsersWorkAlone();
    void tooFewUsableCuesAreRefusedWithAnOfferToRunAgain();
    void aCalibrationClipThatCannotBeUsedIsToldOf();
    void stampedEdgesIgnoreABusyThread();
};

void ReactionTimeWindowTest::byDefaultTimesAreStoredAsTheKeyGaveThem() {
    Reacting f;
    f.settings->SetDword("PressLag", 180);
    f.settings->SetDword("ReleaseLag", 120);
    f.open();
    QVERIFY(!f.window->compensating());
    QVERIFY(!f.option("mnuCompensate")->isChecked());
    f.loadTitles({{2, 3}, {4, 5}});
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.hold(2.18, 3.12);
    QCOMPARE(f.window->Subt.StartTime(1), 2.18);
    QCOMPARE(f.window->Subt.EndTime(1), 3.12);
}

void ReactionTimeWindowTest::compensationTakesTheLagsOffEachEdge() {
    Reacting f;
    f.settings->SetDword("PressLag", 180);
    f.settings->SetDword("ReleaseLag", 120);
    f.settings->SetDword("Compensate", 1);
    f.open();
    QCOMPARE(f.option("mnuCompensate")->text(),
             QStringLiteral("Compensate reaction time (press 180 ms, release 120 ms)"));
    f.loadTitles({{2, 3}, {4.5, 6}, {7, 7.8}, {9.3, 11}});
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    // A user 180 ms late on every press and 120 ms late on every release.
    const std::vector<Cue> truth{{2.0, 3.1}, {4.4, 6.2}, {7.05, 7.9}, {9.25, 10.6}};
    for (const Cue& t : truth) f.hold(t.start + 0.180, t.end + 0.120);
    for (int i = 1; i <= 4; ++i) {
        QVERIFY(std::fabs(f.window->Subt.StartTime(i) - truth[i - 1].start) <= 0.015);
        QVERIFY(std::fabs(f.window->Subt.EndTime(i) - truth[i - 1].end) <= 0.015);
    }
    // Turned off from the menu: the key's own times again.
    f.option("mnuCompensate")->trigger();
    QVERIFY(!f.window->compensating());
    f.player->setCurrentPosition(1.0);
    f.hold(2.18, 3.22);
    QCOMPARE(f.window->Subt.StartTime(1), 2.18);
    QCOMPARE(f.window->Subt.EndTime(1), 3.22);
}

void ReactionTimeWindowTest::compensationClampsAtZeroAndAtTheStart() {
    Reacting f;
    f.settings->SetDword("PressLag", 200);
    f.settings->SetDword("ReleaseLag", 400);
    f.settings->SetDword("Compensate", 1);
    f.open();
    f.loadTitles({{0.1, 0.6}, {3, 4.25}});
    f.player->Play();
    f.player->setCurrentPosition(0.0);
    f.hold(0.05, 0.9);
    QCOMPARE(f.window->Subt.StartTime(1), 0.0);
    QVERIFY(std::fabs(f.window->Subt.EndTime(1) - 0.5) < 1e-9);
    // Released before the release lag has passed since the start: the
    // title keeps its old length.
    f.hold(5.0, 5.1);
    QVERIFY(std::fabs(f.window->Subt.StartTime(2) - 4.8) < 1e-9);
    QVERIFY(std::fabs(f.window->Subt.EndTime(2) - 6.05) < 1e-9);
}

void ReactionTimeWindowTest::settingsAreReadAtStartAndWrittenAtClose() {
    Reacting f;
    QCOMPARE(f.window->reactionLags().pressMs, 0);
    QVERIFY(!f.window->compensating());
    QCOMPARE(f.option("mnuCalibrate")->text(), QStringLiteral("Calibrate reaction time\u2026"));
    QVERIFY(f.option("mnuCompensate")->isCheckable());
    f.option("mnuCompensate")->trigger();
    QVERIFY(f.close());
    QCOMPARE(f.settings->GetDword("Compensate", -1), 1);
    QCOMPARE(f.settings->GetDword("PressLag", -1), 0);
    QCOMPARE(f.settings->GetDword("ReleaseLag", -1), 0);

    f.settings->SetDword("PressLag", 230);
    f.settings->SetDword("ReleaseLag", 95);
    f.open();
    QVERIFY(f.window->compensating());
    QCOMPARE(f.window->reactionLags().pressMs, 230);
    QCOMPARE(f.window->reactionLags().releaseMs, 95);
    QVERIFY(f.option("mnuCompensate")->isChecked());
    f.option("mnuCompensate")->trigger();
    QVERIFY(f.close());
    QCOMPARE(f.settings->GetDword("Compensate", -1), 0);
    QCOMPARE(f.settings->GetDword("PressLag", -1), 230);
    QCOMPARE(f.settings->GetDword("ReleaseLag", -1), 95);
}

void ReactionTimeWindowTest::storedSettingsOutOfRangeAreNotUsed() {
    Reacting f;
    f.settings->SetDword("PressLag", -40);
    f.settings->SetDword("ReleaseLag", 5000);
    f.settings->SetDword("Compensate", 7);
    f.open();
    QCOMPARE(f.window->reactionLags().pressMs, 0);
    QCOMPARE(f.window->reactionLags().releaseMs, 0);
    QVERIFY(!f.window->compensating());
}

void ReactionTimeWindowTest::calibrationMeasuresASimulatedUser() {
    Reacting f;
    const std::vector<Cue> cues = SimulatedUser::Cues(20);
    f.calibration(cues);
    // A steady user: 20 cues pin the medians within a few milliseconds.
    SimulatedUser user(11, 200, 150, 10);
    QString press, release;
    f.calibrate(cues, user, [&](QDialog& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Reaction time"));
        press = label(dialog, "lblPressLag");
        release = label(dialog, "lblReleaseLag");
        click(dialog, "cmdUse");
    });
    QCOMPARE(f.services.modalDialogs, std::vector<std::string>{"frmReactionTime"});
    QVERIFY2(press.startsWith(QStringLiteral("Press lag: ")) && press.contains(QStringLiteral(" ms (spread \u00b1")),
             qPrintable(press));
    QVERIFY(release.startsWith(QStringLiteral("Release lag: ")));
    QVERIFY2(std::abs(figure(press) - 200) <= 10, qPrintable(press));
    QVERIFY2(std::abs(figure(release) - 150) <= 10, qPrintable(release));
    // "Use these" stores them and turns compensation on.
    QVERIFY(f.window->compensating());
    QCOMPARE(f.window->reactionLags().pressMs, figure(press));
    QCOMPARE(f.window->reactionLags().releaseMs, figure(release));

    // The same user times a file: the edges land on the true times.
    const std::vector<Cue> truth = SimulatedUser::Cues(30);
    f.window->Subt.SetUndoEnabled(false);
    for (const Cue& t : truth) f.window->Subt.Add(t.start, t.end, "T");
    f.player->Play();
    f.player->setCurrentPosition(0.0);
    for (const Hold& h : user.holds(truth)) f.hold(h.press, h.release);
    std::vector<double> starts, ends;
    for (int i = 1; i <= 30; ++i) {
        starts.push_back(f.window->Subt.StartTime(i) - truth[i - 1].start);
        ends.push_back(f.window->Subt.EndTime(i) - truth[i - 1].end);
    }
    std::sort(starts.begin(), starts.end());
    std::sort(ends.begin(), ends.end());
    QVERIFY2(std::fabs(starts[15]) <= 0.015, qPrintable(QString::number(starts[15])));
    QVERIFY2(std::fabs(ends[15]) <= 0.015, qPrintable(QString::number(ends[15])));
}

void ReactionTimeWindowTest::calibrationLeavesTheUsersWorkAlone() {
    Reacting f;
    f.window->OpenSubtitleFile(f.writeFile("mine.srt", "1\r\n00:00:02,000 --> 00:00:03,000\r\nMine\r\n\r\n"));
    QCOMPARE(f.window->Subt.Count(), 1);
    f.player->setSelectionStart(1.5);
    f.player->setCurrentPosition(2.5);
    // Timed once, unsaved.
    f.control<QRadioButton>("optPosition")->click();
    f.player->Play();
    f.player->setCurrentPosition(1.0);
    f.hold(2.2, 3.3);
    f.player->Pause();
    f.player->setCurrentPosition(2.5);
    QVERIFY(f.window->subtitlesChanged());
    const int undo = f.window->Subt.UndoCount();
    auto journal = session::SessionJournal::start(f.path("sessions"), f.window->Subt, nullptr);
    QVERIFY(journal);
    const auto sequence = journal->lastSequence();

    const std::vector<Cue> cues = SimulatedUser::Cues(12);
    const std::string clip = f.calibration(cues);
    SimulatedUser user(3);
    bool sawClip = false;
    f.services.modalDrivers.push_back([&](QDialog& dialog) { click(dialog, "cmdCancel"); });
    f.option("mnuCalibrate")->trigger();
    sawClip = f.player->FileName() == clip;
    for (const Hold& h : user.holds(cues)) f.hold(h.press, h.release);
    f.player->Pause();
    QTRY_VERIFY(!f.window->calibrating());
    QVERIFY(sawClip);

    QCOMPARE(f.window->Subt.Count(), 1);
    QCOMPARE(f.window->Subt.StartTime(1), 2.2);
    QCOMPARE(f.window->Subt.EndTime(1), 3.3);
    QCOMPARE(f.window->Subt.Text(1), std::string("Mine"));
    QCOMPARE(f.window->Subt.UndoCount(), undo);
    QVERIFY(f.window->subtitlesChanged());
    QCOMPARE(journal->lastSequence(), sequence);
    // The user's film is back where it stood; Cancel changed no setting.
    QCOMPARE(f.player->FileName(), f.film);
    QCOMPARE(f.player->CurrentPosition(), 2.5);
    QCOMPARE(f.player->SelectionStart(), 1.5);
    QCOMPARE(f.control<QLineEdit>("txtSRT")->text(), QString::fromStdString(f.path("mine.srt")));
    QVERIFY(!f.window->compensating());
    QCOMPARE(f.window->reactionLags().pressMs, 0);
}

void ReactionTimeWindowTest::tooFewUsableCuesAreRefusedWithAnOfferToRunAgain() {
    Reacting f;
    const std::vector<Cue> cues = SimulatedUser::Cues(12);
    f.calibration(cues);
    std::vector<QString> shown;
    // First run: only 7 cues held. The dialog offers another run, which
    // this time the user cancels.
    f.services.modalDrivers.push_back([&](QDialog& dialog) {
        shown.push_back(label(dialog, "lblTooFew"));
        QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("cmdUse")));
        click(dialog, "cmdRunAgain");
    });
    f.services.modalDrivers.push_back([&](QDialog& dialog) {
        shown.push_back(label(dialog, "lblTooFew"));
        click(dialog, "cmdCancel");
    });
    f.option("mnuCalibrate")->trigger();
    for (int i = 0; i < 7; ++i) f.hold(cues[i].start + 0.2, cues[i].end + 0.15);
    f.player->Pause();
    QTRY_COMPARE(shown.size(), size_t(1));
    QVERIFY(f.window->calibrating()); // running again
    QCOMPARE(f.player->PlayState(), int(psPlaying));
    QVERIFY2(shown[0].startsWith(QStringLiteral("Only 7 of the 12 cues were timed usably")), qPrintable(shown[0]));
    f.player->Pause();
    QTRY_VERIFY(!f.window->calibrating());
    QCOMPARE(shown.size(), size_t(2));
    QVERIFY(shown[1].startsWith(QStringLiteral("Only 0 of the 12")));
    QVERIFY(!f.window->compensating());
    QCOMPARE(f.player->FileName(), f.film);
}

void ReactionTimeWindowTest::aCalibrationClipThatCannotBeUsedIsToldOf() {
    Reacting f;
    f.player->setSelectionStart(1.5);
    f.player->setCurrentPosition(4.0);
    const auto toldOnce = [&](const char* what) {
        QCOMPARE(f.services.messages.size(), size_t(1));
        QVERIFY2(f.services.messages[0].find(what) != std::string::npos, f.services.messages[0].c_str());
        QVERIFY(!f.window->calibrating());
        QCOMPARE(f.player->FileName(), f.film);
        QCOMPARE(f.player->CurrentPosition(), 4.0);
        QCOMPARE(f.player->SelectionStart(), 1.5);
        f.services.messages.clear();
    };
    // Not there.
    f.setCalibrationFolder(f.path("nowhere"));
    f.option("mnuCalibrate")->trigger();
    toldOnce("nowhere/calibration.mp4 can not be read");
    // A schedule that is not SubRip.
    f.calibration(SimulatedUser::Cues(12));
    f.writeFile("calibration/calibration.srt", "1\r\nnot a time\r\nCue\r\n\r\n");
    f.option("mnuCalibrate")->trigger();
    toldOnce("calibration.srt, line 2");
    // A clip the player cannot play.
    const std::string clip = f.calibration(SimulatedUser::Cues(12));
    auto& playable = f.player->playableFiles;
    playable.erase(std::remove(playable.begin(), playable.end(), clip), playable.end());
    f.option("mnuCalibrate")->trigger();
    toldOnce("calibration clip can not be played");
}

void ReactionTimeWindowTest::stampedEdgesIgnoreABusyThread() {
    MainWindowFixture f;
    f.openOnRealPlayer();
    const std::string film = f.makeFilm("film.mp4", 8);
    if (film.empty()) QSKIP("ffmpeg could not make a test film");
    f.window->setGeometry(100, 100, 700, 450);
    f.window->OpenMediaFile(film);
    QVERIFY(f.window->AVIFileOK);
    f.loadTitles({{1, 2}, {2.5, 3.5}, {4, 5}, {5.5, 6.5}});
    f.control<QRadioButton>("optPosition")->click();
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.window->MP().Play();
    QTRY_COMPARE(f.window->MP().PlayState(), int(psPlaying));
    QTest::qWait(300);

    std::mt19937 random(5);
    std::uniform_int_distribution<int> busy(20, 80);
    // The key moves now (stamped as the X server does: monotonic
    // milliseconds); the window is busy for a while before it hears of it.
    const auto send = [&](QEvent::Type type) {
        const double truth = f.window->MP().CurrentPosition();
        const double moved = monotonicMs();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busy(random));
        while (std::chrono::steady_clock::now() < until) {
        }
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        event.setTimestamp(static_cast<std::uint64_t>(std::fmod(std::floor(moved), 4294967296.0)));
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : f.window.get();
        QApplication::sendEvent(target, &event);
        return truth;
    };
    std::vector<Cue> truths;
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(150);
        const double press = send(QEvent::KeyPress);
        QTest::qWait(200);
        const double release = send(QEvent::KeyRelease);
        truths.push_back({press, release});
    }
    for (int i = 1; i <= 4; ++i) {
        const double startError = f.window->Subt.StartTime(i) - truths[i - 1].start;
        const double endError = f.window->Subt.EndTime(i) - truths[i - 1].end;
        QVERIFY2(std::fabs(startError) <= 0.005, qPrintable(QString::number(startError * 1000) + " ms"));
        QVERIFY2(std::fabs(endError) <= 0.005, qPrintable(QString::number(endError * 1000) + " ms"));
    }
    f.window->MP().Stop();
}

QTEST_MAIN(ReactionTimeWindowTest)
#include "reaction_time_window_test.moc"
