#include <QAction>
#include <QApplication>
#include <QAudioOutput>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSlider>
#include <QStackedLayout>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

#include <utility>
#include <vector>

#include "app/player/player_transport.h"
#include "app/player/event_wait.h"
#include "app/player/qt_media_player.h"
#include "tests/app/support/data_columns.h"

using cuemark::QtMediaPlayer;
using cuemark::testing::AddColumns;

namespace {

struct RecordingListener : cuemark::MediaPlayerListener {
    std::vector<std::pair<int, int>> states;
    std::vector<std::pair<double, double>> positions;
    int focusCount = 0;

    void PlayStateChange(int oldState, int newState) override { states.emplace_back(oldState, newState); }
    void PositionChange(double oldPosition, double newPosition) override {
        positions.emplace_back(oldPosition, newPosition);
    }
    void PlayerGotFocus() override { ++focusCount; }
    void clear() {
        states.clear();
        positions.clear();
        focusCount = 0;
    }
};

// One frame of the 25 frames-per-second test picture.
constexpr double kFrame = 0.040;

} // namespace

class QtMediaPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hasNoMediaBeforeLoadingAndIgnoresCommands();
    void failsQuicklyOnFilesItCannotPlay_data();
    void failsQuicklyOnFilesItCannotPlay();
    void loadingResetsSelectionAndStopsPlayback();
    void showsDarkAreaForAudioOnlyMedia();
    void showsTheFirstFrameWhenLoadedAndStopped();
    void playAdvancesWithTheWallClock();
    void seekLandsWithinOneFrameAndIsReported_data();
    void seekLandsWithinOneFrameAndIsReported();
    void pauseHoldsThePositionAndStopReturnsToStart();
    void pausesAtSelectionEndAndReplaysTheSelection();
    void pausesAtSelectionEndWhileTheThreadIsBusy();
    void mediaEndStopsAndPlayStartsAgain();
    void halfRateHalvesTheAdvanceAndSurvivesStop();
    void transportPlaysSeeksAndShowsTime();
    void timeTextCutsToTenths_data();
    void timeTextCutsToTenths();
    void optionsMenuSetsSpeedMuteAndVolume();
    void focusInsideThePlayerIsReported();

private:
    bool makeMedia(const QStringList& arguments, const QString& name);
    QString path(const QString& name) const { return dir_.filePath(name); }
    void loadVideo();
    double advanceOver(int milliseconds);

    QTemporaryDir dir_;
    QtMediaPlayer* player_ = nullptr;
    RecordingListener listener_;
};

bool QtMediaPlayerTest::makeMedia(const QStringList& arguments, const QString& name) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-hide_banner", "-loglevel", "error", "-y"} + arguments + QStringList{path(name)});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0 && QFile::exists(path(name));
}

void QtMediaPlayerTest::initTestCase() {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        QSKIP("ffmpeg is needed to make the test media");
    QVERIFY(dir_.isValid());
    QVERIFY(makeMedia({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25", "-f", "lavfi", "-i", "sine=frequency=440",
                       "-t", "6", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"},
                      "video.mp4"));
    QVERIFY(makeMedia({"-f", "lavfi", "-i", "sine=frequency=440", "-t", "2", "-c:a", "aac"}, "sound.m4a"));
    QFile garbage(path("garbage.mp4"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray("This is not a media file at all.\n").repeated(200));
    garbage.close();
    QFile empty(path("empty.avi"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
}

void QtMediaPlayerTest::init() {
    player_ = new QtMediaPlayer;
    player_->resize(360, 320);
    listener_.clear();
    player_->setListener(&listener_);
}

void QtMediaPlayerTest::cleanup() {
    delete player_;
    player_ = nullptr;
}

void QtMediaPlayerTest::loadVideo() {
    player_->setFileName(path("video.mp4").toStdString());
    QCOMPARE(player_->ReadyState(), 4);
    listener_.clear();
}

double QtMediaPlayerTest::advanceOver(int milliseconds) {
    const double before = player_->CurrentPosition();
    cuemark::RunFor(milliseconds);
    return player_->CurrentPosition() - before;
}

void QtMediaPlayerTest::hasNoMediaBeforeLoadingAndIgnoresCommands() {
    QCOMPARE(player_->ReadyState(), 0);
    QCOMPARE(player_->CurrentPosition(), 0.0);
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(player_->Duration(), 0.0);
    QCOMPARE(player_->SelectionStart(), -1.0);
    QCOMPARE(player_->SelectionEnd(), 0.0);
    QCOMPARE(player_->FileName(), std::string());
    QCOMPARE(player_->view(), static_cast<QWidget*>(player_));

    player_->Play();
    player_->setCurrentPosition(3.0);
    player_->setSelectionStart(1.0);
    player_->setSelectionEnd(2.0);
    player_->Pause();
    player_->Stop();
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(player_->CurrentPosition(), 0.0);
    QCOMPARE(player_->SelectionStart(), -1.0);
    QCOMPARE(player_->SelectionEnd(), 0.0);
    QVERIFY(listener_.states.empty());
    QVERIFY(listener_.positions.empty());
}

void QtMediaPlayerTest::failsQuicklyOnFilesItCannotPlay_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("missing file") << "missing.mp4";
    QTest::newRow("text posing as video") << "garbage.mp4";
    QTest::newRow("empty file") << "empty.avi";
    QTest::newRow("folder") << ".";
}

void QtMediaPlayerTest::failsQuicklyOnFilesItCannotPlay() {
    QFETCH(QString, name);
    loadVideo();
    QElapsedTimer clock;
    clock.start();
    player_->setFileName(path(name).toStdString());
    QVERIFY2(clock.elapsed() < 5000, "a failing load must give up after its bounded wait");
    QCOMPARE(player_->ReadyState(), 0);
    QCOMPARE(player_->FileName(), path(name).toStdString());
    QCOMPARE(player_->Duration(), 0.0);
    QCOMPARE(player_->CurrentPosition(), 0.0);
    QCOMPARE(player_->SelectionEnd(), 0.0);
    player_->Play();
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));

    // The failure leaves nothing behind that would spoil the next file.
    loadVideo();
    QVERIFY(qAbs(player_->Duration() - 6.0) < 0.1);
}

void QtMediaPlayerTest::loadingResetsSelectionAndStopsPlayback() {
    loadVideo();
    QVERIFY(qAbs(player_->Duration() - 6.0) < 0.1);
    QCOMPARE(player_->SelectionStart(), -1.0);
    QCOMPARE(player_->SelectionEnd(), player_->Duration());
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));

    player_->setSelectionStart(1.0);
    player_->setSelectionEnd(50.0);
    QCOMPARE(player_->SelectionEnd(), player_->Duration());
    player_->setSelectionEnd(2.5);
    player_->Play();
    cuemark::RunFor(100);
    listener_.clear();

    player_->setFileName(path("video.mp4").toStdString());
    QCOMPARE(player_->ReadyState(), 4);
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(listener_.states, (std::vector<std::pair<int, int>>{{2, 0}}));
    QCOMPARE(player_->SelectionStart(), -1.0);
    QCOMPARE(player_->SelectionEnd(), player_->Duration());
    QCOMPARE(player_->CurrentPosition(), 0.0);

    player_->setFileName("");
    QCOMPARE(player_->ReadyState(), 0);
    QCOMPARE(player_->Duration(), 0.0);
}

void QtMediaPlayerTest::showsDarkAreaForAudioOnlyMedia() {
    auto* screen = player_->findChild<QStackedLayout*>();
    QVERIFY(screen);
    player_->setFileName(path("sound.m4a").toStdString());
    QCOMPARE(player_->ReadyState(), 4);
    QVERIFY(qAbs(player_->Duration() - 2.0) < 0.1);
    QCOMPARE(screen->currentWidget()->objectName(), QStringLiteral("playerAudioOnly"));
    loadVideo();
    QCOMPARE(screen->currentWidget()->objectName(), QStringLiteral("playerVideo"));
}

void QtMediaPlayerTest::showsTheFirstFrameWhenLoadedAndStopped() {
    auto* video = player_->findChild<QVideoWidget*>(QStringLiteral("playerVideo"));
    QVERIFY(video);
    player_->show();
    player_->setFileName(path("video.mp4").toStdString());
    QCOMPARE(player_->ReadyState(), 4);
    QTRY_VERIFY(video->videoSink()->videoFrame().isValid());
    cuemark::RunFor(300); // the picture stays
    QVERIFY(video->videoSink()->videoFrame().isValid());
    QVERIFY(video->videoSink()->videoFrame().startTime() < 200000); // microseconds
    // Taking the picture plays nothing that the window would hear of; the
    // load reports where the media stands, for the time box.
    QVERIFY(listener_.states.empty());
    QCOMPARE(listener_.positions, (std::vector<std::pair<double, double>>{{0.0, 0.0}}));
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(player_->CurrentPosition(), 0.0);

    // Stop goes back to the start, and to its picture.
    player_->Play();
    cuemark::RunFor(300);
    player_->Stop();
    cuemark::RunFor(300);
    QVERIFY(video->videoSink()->videoFrame().isValid());
    QVERIFY(video->videoSink()->videoFrame().startTime() < 200000);
}

void QtMediaPlayerTest::playAdvancesWithTheWallClock() {
    loadVideo();
    player_->Play();
    QCOMPARE(player_->PlayState(), int(cuemark::psPlaying));
    QCOMPARE(listener_.states, (std::vector<std::pair<int, int>>{{0, 2}}));
    QVERIFY(listener_.positions.empty());

    const double advance = advanceOver(600);
    QVERIFY2(advance >= 0.4 && advance <= 0.9, qPrintable(QString::number(advance)));

    double last = player_->CurrentPosition();
    for (int i = 0; i < 50; ++i) {
        cuemark::RunFor(3);
        const double now = player_->CurrentPosition();
        QVERIFY2(now >= last, "the clock must never run backwards");
        last = now;
    }
}

void QtMediaPlayerTest::seekLandsWithinOneFrameAndIsReported_data() {
    AddColumns<bool, double, double>("playing", "target", "landing");
    QTest::newRow("paused, mid-file") << false << 3.217 << 3.217;
    QTest::newRow("paused, before start") << false << -4.0 << 0.0;
    QTest::newRow("paused, past the end") << false << 100.0 << -1.0;
    QTest::newRow("playing, forward") << true << 4.5 << 4.5;
    QTest::newRow("playing, back") << true << 0.75 << 0.75;
}

void QtMediaPlayerTest::seekLandsWithinOneFrameAndIsReported() {
    QFETCH(bool, playing);
    QFETCH(double, target);
    QFETCH(double, landing);
    loadVideo();
    if (landing < 0) landing = player_->Duration();
    player_->setCurrentPosition(2.0);
    playing ? player_->Play() : player_->Pause();
    const int wanted = playing ? cuemark::psPlaying : cuemark::psPaused;
    QVERIFY(cuemark::RunUntil([&] { return player_->PlayState() == wanted; }, 3000));
    cuemark::RunFor(150);
    listener_.clear();

    const double before = player_->CurrentPosition();
    player_->setCurrentPosition(target);
    QVERIFY(qAbs(player_->CurrentPosition() - landing) <= kFrame);
    QCOMPARE(listener_.positions.size(), size_t(1));
    // While playing, the clock runs on between reading `before` and the seek.
    if (playing) {
        QVERIFY(listener_.positions[0].first >= before && listener_.positions[0].first - before <= kFrame);
    } else {
        QCOMPARE(listener_.positions[0].first, before);
    }
    QVERIFY(qAbs(listener_.positions[0].second - landing) <= kFrame);
    QVERIFY(listener_.states.empty());

    // Once the pipeline has settled the position is still where it landed.
    cuemark::RunFor(60);
    const double settled = player_->CurrentPosition();
    QVERIFY2(settled >= landing - kFrame && settled <= landing + (playing ? 0.1 : kFrame),
             qPrintable(QString::number(settled)));
}

void QtMediaPlayerTest::pauseHoldsThePositionAndStopReturnsToStart() {
    loadVideo();
    player_->Play();
    cuemark::RunFor(300);
    player_->Pause();
    QCOMPARE(player_->PlayState(), int(cuemark::psPaused));
    cuemark::RunFor(50);
    const double held = player_->CurrentPosition();
    QVERIFY(held > 0.1);
    QCOMPARE(advanceOver(250), 0.0);

    listener_.clear();
    player_->Stop();
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(player_->CurrentPosition(), 0.0);
    QCOMPARE(listener_.states, (std::vector<std::pair<int, int>>{{1, 0}}));
    QCOMPARE(listener_.positions, (std::vector<std::pair<double, double>>{{held, 0.0}}));

    // A seek while stopped stays stopped; Stop brings it back to the start.
    player_->setCurrentPosition(2.5);
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(player_->CurrentPosition(), 2.5);
    listener_.clear();
    player_->Stop();
    QCOMPARE(player_->CurrentPosition(), 0.0);
    QVERIFY(listener_.states.empty());
    QCOMPARE(listener_.positions, (std::vector<std::pair<double, double>>{{2.5, 0.0}}));
}

void QtMediaPlayerTest::pausesAtSelectionEndAndReplaysTheSelection() {
    loadVideo();
    player_->setSelectionStart(0.5);
    player_->setSelectionEnd(1.2);
    player_->Play();
    QCOMPARE(listener_.positions, (std::vector<std::pair<double, double>>{{0.0, 0.5}}));
    QVERIFY(cuemark::RunUntil([&] { return player_->PlayState() == cuemark::psPaused; }, 3000));
    QCOMPARE(listener_.states, (std::vector<std::pair<int, int>>{{0, 2}, {2, 1}}));
    cuemark::RunFor(50);
    const double stoppedAt = player_->CurrentPosition();
    QVERIFY2(qAbs(stoppedAt - 1.2) <= 0.005, qPrintable(QString::number(stoppedAt, 'f', 4)));

    // Play at the end starts the selection again.
    listener_.clear();
    player_->Play();
    QCOMPARE(listener_.positions.size(), size_t(1));
    QCOMPARE(listener_.positions[0].second, 0.5);
    QCOMPARE(player_->PlayState(), int(cuemark::psPlaying));

    // A run that starts past the end is not cut short.
    player_->setCurrentPosition(1.6);
    cuemark::RunFor(300);
    QCOMPARE(player_->PlayState(), int(cuemark::psPlaying));
    QVERIFY(player_->CurrentPosition() > 1.6);
}

void QtMediaPlayerTest::pausesAtSelectionEndWhileTheThreadIsBusy() {
    // Events that hold the thread 15 ms at a time make the end's tick late.
    loadVideo();
    player_->setSelectionStart(0.5);
    player_->setSelectionEnd(1.2);
    QTimer busy;
    busy.setInterval(0);
    connect(&busy, &QTimer::timeout, [] {
        QElapsedTimer held;
        held.start();
        while (held.elapsed() < 15) {
        }
    });
    busy.start();
    player_->Play();
    const bool paused = cuemark::RunUntil([&] { return player_->PlayState() == cuemark::psPaused; }, 3000);
    busy.stop();
    QVERIFY(paused);
    cuemark::RunFor(50);
    const double stoppedAt = player_->CurrentPosition();
    QVERIFY2(qAbs(stoppedAt - 1.2) <= 0.005, qPrintable(QString::number(stoppedAt, 'f', 4)));
}

void QtMediaPlayerTest::mediaEndStopsAndPlayStartsAgain() {
    loadVideo();
    player_->setCurrentPosition(5.6);
    player_->Play();
    QVERIFY(cuemark::RunUntil([&] { return player_->PlayState() == cuemark::psStopped; }, 3000));
    QCOMPARE(listener_.states, (std::vector<std::pair<int, int>>{{0, 2}, {2, 0}}));

    listener_.clear();
    player_->Play();
    QCOMPARE(player_->PlayState(), int(cuemark::psPlaying));
    cuemark::RunFor(300);
    const double position = player_->CurrentPosition();
    QVERIFY2(position > 0.1 && position < 0.6, qPrintable(QString::number(position)));
}

void QtMediaPlayerTest::halfRateHalvesTheAdvanceAndSurvivesStop() {
    loadVideo();
    player_->setPlaybackRate(0.5);
    QCOMPARE(player_->playbackRate(), 0.5);
    player_->Play();
    cuemark::RunFor(150);
    double advance = advanceOver(800);
    QVERIFY2(advance >= 0.3 && advance <= 0.5, qPrintable(QString::number(advance)));

    player_->Stop();
    player_->Play();
    cuemark::RunFor(150);
    advance = advanceOver(800);
    QVERIFY2(advance >= 0.3 && advance <= 0.5, qPrintable(QString::number(advance)));

    player_->setPlaybackRate(0.0);
    player_->setPlaybackRate(-1.0);
    QCOMPARE(player_->playbackRate(), 0.5);
}

void QtMediaPlayerTest::transportPlaysSeeksAndShowsTime() {
    auto* play = player_->findChild<QToolButton*>("playerPlay");
    auto* pause = player_->findChild<QToolButton*>("playerPause");
    auto* stop = player_->findChild<QToolButton*>("playerStop");
    auto* slider = player_->findChild<QSlider*>("playerSlider");
    auto* time = player_->findChild<QLabel*>("playerTime");
    QVERIFY(play && pause && stop && slider && time);
    QVERIFY(!play->isEnabled());
    QCOMPARE(time->text(), QStringLiteral("0:00:00.0 / 0:00:00.0"));

    loadVideo();
    QCOMPARE(time->text(), QStringLiteral("0:00:00.0 / 0:00:06.0"));
    QCOMPARE(slider->maximum(), qRound(player_->Duration() * 1000));
    play->click();
    QCOMPARE(player_->PlayState(), int(cuemark::psPlaying));
    QVERIFY(!play->isEnabled() && pause->isEnabled());
    QVERIFY(cuemark::RunUntil([&] { return slider->value() > 0; }, 3000));
    pause->click();
    QCOMPARE(player_->PlayState(), int(cuemark::psPaused));

    listener_.clear();
    slider->setValue(3000);
    QCOMPARE(player_->CurrentPosition(), 3.0);
    QCOMPARE(listener_.positions.size(), size_t(1));
    QCOMPARE(time->text(), QStringLiteral("0:00:03.0 / 0:00:06.0"));

    stop->click();
    QCOMPARE(player_->PlayState(), int(cuemark::psStopped));
    QCOMPARE(slider->value(), 0);
    QCOMPARE(time->text(), QStringLiteral("0:00:00.0 / 0:00:06.0"));
}

void QtMediaPlayerTest::timeTextCutsToTenths_data() {
    AddColumns<double, QString>("seconds", "text");
    QTest::newRow("zero") << 0.0 << "0:00:00.0";
    QTest::newRow("tenths cut, not rounded") << 12.39 << "0:00:12.3";
    QTest::newRow("binary fraction below the tenth") << 12.3 << "0:00:12.3";
    QTest::newRow("minutes") << 100.0 << "0:01:40.0";
    QTest::newRow("hours") << 3725.95 << "1:02:05.9";
    QTest::newRow("negative shows zero") << -2.0 << "0:00:00.0";
}

void QtMediaPlayerTest::timeTextCutsToTenths() {
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(cuemark::PlayerTimeText(seconds), text);
}

void QtMediaPlayerTest::optionsMenuSetsSpeedMuteAndVolume() {
    auto* options = player_->findChild<QMenu*>("playerOptions");
    QVERIFY(options);
    loadVideo();
    player_->show();
    QWidget* video = player_->findChild<QWidget*>("playerVideo");
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(20, 20), video->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(video, &rightClick);
    QVERIFY(options->isVisible());
    options->hide();

    for (const char* name :
         {"playerSpeed50", "playerSpeed75", "playerSpeed100", "playerSpeed125", "playerSpeed150", "playerSpeed200"})
        QVERIFY2(options->findChild<QAction*>(name), name);
    auto* speed75 = options->findChild<QAction*>("playerSpeed75");
    auto* speed100 = options->findChild<QAction*>("playerSpeed100");
    QVERIFY(speed100->isChecked());
    speed75->trigger();
    QCOMPARE(player_->playbackRate(), 0.75);
    QVERIFY(speed75->isChecked() && !speed100->isChecked());
    player_->setPlaybackRate(1.0);
    QVERIFY(speed100->isChecked() && !speed75->isChecked());

    auto* audio = player_->findChild<QAudioOutput*>();
    QVERIFY(audio);
    options->findChild<QAction*>("playerMute")->trigger();
    QVERIFY(audio->isMuted());
    options->findChild<QAction*>("playerVolume50")->trigger();
    QCOMPARE(audio->volume(), 0.5f);
}

void QtMediaPlayerTest::focusInsideThePlayerIsReported() {
    loadVideo();
    player_->show();
    player_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(player_));
    listener_.clear();
    auto* slider = player_->findChild<QSlider*>("playerSlider");
    slider->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(listener_.focusCount >= 1);

    const int before = listener_.focusCount;
    player_->findChild<QWidget*>("playerVideo")->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(listener_.focusCount > before);
}

QTEST_MAIN(QtMediaPlayerTest)
#include "qt_media_player_test.moc"
