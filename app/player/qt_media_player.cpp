#include "app/player/qt_media_player.h"

#include <QApplication>
#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "app/player/player_transport.h"

namespace cuemark {

namespace {

// Loads take 10 to 150 ms; a file the backend cannot make sense of must not
// hang the window that asked.
constexpr int LoadTimeoutMs = 3000;
// Coarse tick of the selection-end watch; close to the end it shortens to
// the time that is left, so playback pauses within about a millisecond.
constexpr int EndTickMs = 5;
// The backend reports whole milliseconds.
constexpr double PositionStep = 0.001;
// A paused pipeline brings its first picture within some 50 ms; a slow
// (sanitized) build needs more, a film without a picture must not hang.
constexpr int FirstFrameTimeoutMs = 2000;

int playStateOf(QMediaPlayer::PlaybackState state) {
    switch (state) {
    case QMediaPlayer::PlayingState: return psPlaying;
    case QMediaPlayer::PausedState: return psPaused;
    case QMediaPlayer::StoppedState: break;
    }
    return psStopped;
}

bool isLoaded(QMediaPlayer::MediaStatus status) {
    return status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferingMedia ||
           status == QMediaPlayer::BufferedMedia || status == QMediaPlayer::EndOfMedia;
}

QWidget* darkArea(QWidget* parent, const char* name) {
    auto* area = new QWidget(parent);
    area->setObjectName(QString::fromLatin1(name));
    QPalette palette = area->palette();
    palette.setColor(QPalette::Window, QColor(16, 16, 16));
    area->setPalette(palette);
    area->setAutoFillBackground(true);
    return area;
}

} // namespace

QtMediaPlayer::QtMediaPlayer(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);

    // Always an audio output: without one the pipeline has no sink to pace
    // it. Headless the backend falls back to a sink that still plays in
    // real time.
    audio_ = new QAudioOutput(this);

    auto* screenArea = new QWidget(this);
    screenArea->setObjectName(QStringLiteral("playerScreen"));
    screen_ = new QStackedLayout(screenArea);
    video_ = new QVideoWidget(screenArea);
    video_->setObjectName(QStringLiteral("playerVideo"));
    video_->setFocusPolicy(Qt::ClickFocus);
    audioOnly_ = darkArea(screenArea, "playerAudioOnly");
    audioOnly_->setFocusPolicy(Qt::ClickFocus);
    screen_->addWidget(video_);
    screen_->addWidget(audioOnly_);

    transport_ = new PlayerTransport(this);
    transport_->setObjectName(QStringLiteral("playerTransport"));
    options_ = new PlayerOptionsMenu(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(screenArea, 1);
    layout->addWidget(transport_);

    endTimer_ = new QTimer(this);
    endTimer_->setTimerType(Qt::PreciseTimer);
    endTimer_->setInterval(EndTickMs);
    connect(endTimer_, &QTimer::timeout, this, &QtMediaPlayer::checkSelectionEnd);

    for (QWidget* area : {static_cast<QWidget*>(video_), audioOnly_}) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this,
                [this, area](const QPoint& at) { showOptions(area->mapToGlobal(at)); });
    }
    connect(options_, &PlayerOptionsMenu::rateChosen, this, &QtMediaPlayer::setPlaybackRate);
    connect(options_, &PlayerOptionsMenu::muteToggled, audio_, &QAudioOutput::setMuted);
    connect(options_, &PlayerOptionsMenu::volumeChosen, audio_, &QAudioOutput::setVolume);

    connect(transport_, &PlayerTransport::playRequested, this, &QtMediaPlayer::Play);
    connect(transport_, &PlayerTransport::pauseRequested, this, &QtMediaPlayer::Pause);
    connect(transport_, &PlayerTransport::stopRequested, this, &QtMediaPlayer::Stop);
    connect(transport_, &PlayerTransport::seekRequested, this, &QtMediaPlayer::setCurrentPosition);

    // Any focus inside the player, whichever child took it, is reported so
    // the main window can take it back for its keys.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (listener_ && now && (now == this || isAncestorOf(now))) listener_->PlayerGotFocus();
    });

    // A stop blanks the picture, a little after the backend says it stopped:
    // put the first frame back once the blank has come.
    connect(video_->videoSink(), &QVideoSink::videoFrameChanged, this, &QtMediaPlayer::showStill, Qt::QueuedConnection);

    newBackend();
    showScreen();
}

void QtMediaPlayer::newBackend() {
    dropBackend();
    player_ = new QMediaPlayer(this);
    player_->setAudioOutput(audio_);
    player_->setVideoOutput(video_);
    connect(player_, &QMediaPlayer::playbackStateChanged, this,
            [this](QMediaPlayer::PlaybackState state) { reportPlayState(playStateOf(state)); });
    // Only the display follows this; it comes every 100 ms or so.
    connect(player_, &QMediaPlayer::positionChanged, this, [this](qint64) {
        if (loaded_) transport_->showPosition(CurrentPosition());
    });
    connect(player_, &QMediaPlayer::durationChanged, this, [this](qint64 milliseconds) {
        if (!loaded_ || milliseconds <= 0) return;
        const double duration = milliseconds / 1000.0;
        if (selectionEnd_ == duration_) selectionEnd_ = duration;
        duration_ = duration;
        transport_->showDuration(duration_);
    });
    connect(player_, &QMediaPlayer::hasVideoChanged, this, &QtMediaPlayer::showScreen);
}

void QtMediaPlayer::dropBackend() {
    QMediaPlayer* old = std::exchange(player_, nullptr);
    if (!old) return;
    // Nothing the old player says while it goes may reach the listener, and
    // the outputs are handed on to the next one.
    old->disconnect(this);
    old->stop();
    old->setVideoOutput(nullptr);
    old->setAudioOutput(nullptr);
    delete old;
}

QtMediaPlayer::~QtMediaPlayer() {
    // The listener usually dies first (it owns this widget), and the widget
    // teardown below moves the focus.
    disconnect(focusWatch_);
    listener_ = nullptr;
    endTimer_->stop();
    dropBackend();
}

void QtMediaPlayer::setListener(MediaPlayerListener* listener) {
    listener_ = listener;
}

void QtMediaPlayer::setFileName(const std::string& fileName) {
    const double old = CurrentPosition();
    unload();
    fileName_ = fileName;
    if (fileName.empty()) return;
    const QFileInfo info(QString::fromStdString(fileName));
    if (!info.isFile() || !info.isReadable()) return;
    // After a failed source this backend's pipeline fails every later one,
    // so each file gets a player of its own.
    newBackend();
    if (!loadSource(QUrl::fromLocalFile(info.absoluteFilePath()))) {
        // Let go of the failed pipeline now; one that merely ran out of time
        // must not turn up loaded later.
        newBackend();
        return;
    }
    loaded_ = true;
    takeFirstFrame();
    duration_ = std::max(player_->duration() / 1000.0, 0.0);
    selectionStart_ = -1.0;
    selectionEnd_ = duration_;
    transport_->showDuration(duration_);
    transport_->showPosition(0.0);
    transport_->showPlayState(PlayState(), true);
    showScreen();
    // The window's time box shows where the new media stands.
    if (listener_) listener_->PositionChange(old, 0.0);
}

void QtMediaPlayer::takeFirstFrame() {
    if (!player_->hasVideo()) return;
    QVideoSink* sink = video_->videoSink();
    QEventLoop loop;
    connect(sink, &QVideoSink::videoFrameChanged, &loop, [&](const QVideoFrame& frame) {
        if (frame.isValid()) {
            still_ = frame;
            loop.quit();
        }
    });
    QTimer::singleShot(FirstFrameTimeoutMs, &loop, &QEventLoop::quit);
    quiet_ = true;
    player_->pause();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    player_->stop();
    if (player_->position() != 0) player_->setPosition(0);
    quiet_ = false;
}

void QtMediaPlayer::showStill() {
    QVideoSink* sink = video_->videoSink();
    if (loaded_ && still_.isValid() && !sink->videoFrame().isValid() && PlayState() == psStopped)
        sink->setVideoFrame(still_);
}

void QtMediaPlayer::unload() {
    endTimer_->stop();
    endArmed_ = false;
    if (player_->playbackState() != QMediaPlayer::StoppedState) player_->stop();
    loaded_ = false;
    still_ = QVideoFrame();
    if (!player_->source().isEmpty()) player_->setSource(QUrl());
    duration_ = 0.0;
    selectionStart_ = -1.0;
    selectionEnd_ = 0.0;
    transport_->showDuration(0.0);
    transport_->showPosition(0.0);
    transport_->showPlayState(psStopped, false);
    showScreen();
}

bool QtMediaPlayer::loadSource(const QUrl& source) {
    // The backend keeps the last error across sources, so only an error
    // raised during this load counts.
    bool failed = false;
    QEventLoop loop;
    const auto settled = [&] {
        const QMediaPlayer::MediaStatus status = player_->mediaStatus();
        return failed || isLoaded(status) || status == QMediaPlayer::InvalidMedia;
    };
    connect(player_, &QMediaPlayer::errorOccurred, &loop, [&] {
        failed = true;
        loop.quit();
    });
    connect(player_, &QMediaPlayer::mediaStatusChanged, &loop, [&] {
        if (settled()) loop.quit();
    });
    player_->setSource(source);
    if (!settled()) {
        QTimer::singleShot(LoadTimeoutMs, &loop, &QEventLoop::quit);
        // The user's clicks and keys wait until the file is open.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return !failed && isLoaded(player_->mediaStatus());
}

std::string QtMediaPlayer::FileName() const {
    return fileName_;
}

int QtMediaPlayer::ReadyState() const {
    return loaded_ ? 4 : 0;
}

double QtMediaPlayer::Duration() const {
    return duration_;
}

double QtMediaPlayer::CurrentPosition() const {
    if (!loaded_) return 0.0;
    return std::clamp(player_->position() / 1000.0, 0.0, positionLimit());
}

double QtMediaPlayer::positionLimit() const {
    // A stream that does not tell its length is not held at 0.
    return duration_ > 0.0 ? duration_ : std::numeric_limits<double>::max();
}

void QtMediaPlayer::seekTo(double position) {
    const double target = std::clamp(position, 0.0, positionLimit());
    player_->setPosition(std::llround(target * 1000.0));
    transport_->showPosition(CurrentPosition());
}

void QtMediaPlayer::setCurrentPosition(double position) {
    if (!loaded_ || std::isnan(position)) return;
    const double old = CurrentPosition();
    seekTo(position);
    if (PlayState() == psPlaying) armSelectionEnd();
    if (listener_) listener_->PositionChange(old, CurrentPosition());
}

int QtMediaPlayer::PlayState() const {
    return playStateOf(player_->playbackState());
}

void QtMediaPlayer::Play() {
    if (!loaded_ || PlayState() == psPlaying) return;
    // Play runs within the selection: from its start when before it, and
    // again from its start once its end (or the media's end) was reached.
    const double position = CurrentPosition();
    const double start = std::max(selectionStart_, 0.0);
    double from = position;
    if (selectionStart_ >= 0.0 && position < selectionStart_)
        from = selectionStart_;
    else if (position >= std::min(selectionEnd_, duration_) - PositionStep && start < selectionEnd_)
        from = start;
    if (from != position) {
        seekTo(from);
        if (listener_) listener_->PositionChange(position, CurrentPosition());
    }
    if (player_->playbackRate() != rate_) player_->setPlaybackRate(rate_);
    player_->play();
}

void QtMediaPlayer::Pause() {
    if (loaded_ && PlayState() != psPaused) player_->pause();
}

void QtMediaPlayer::Stop() {
    if (!loaded_) return;
    const double old = CurrentPosition();
    player_->stop();
    // Stopping an already stopped player (after a seek, or at the media's
    // end) leaves the backend where it was; stopped means the start.
    if (player_->position() != 0) player_->setPosition(0);
    const double now = CurrentPosition();
    transport_->showPosition(now);
    if (old != now && listener_) listener_->PositionChange(old, now);
}

double QtMediaPlayer::SelectionStart() const {
    return selectionStart_;
}

void QtMediaPlayer::setSelectionStart(double position) {
    if (!loaded_ || std::isnan(position)) return;
    selectionStart_ = std::min(position, positionLimit());
}

double QtMediaPlayer::SelectionEnd() const {
    return selectionEnd_;
}

void QtMediaPlayer::setSelectionEnd(double position) {
    if (!loaded_ || std::isnan(position)) return;
    selectionEnd_ = std::clamp(position, 0.0, positionLimit());
    if (PlayState() == psPlaying) armSelectionEnd();
}

QWidget* QtMediaPlayer::view() {
    return this;
}

void QtMediaPlayer::setPlaybackRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0.0) return;
    rate_ = rate;
    player_->setPlaybackRate(rate);
    options_->showRate(rate);
}

double QtMediaPlayer::playbackRate() const {
    return rate_;
}

void QtMediaPlayer::reportPlayState(int newState) {
    if (quiet_) return;
    const int old = reportedState_;
    if (newState == old) return;
    reportedState_ = newState;
    if (newState == psPlaying)
        armSelectionEnd();
    else
        endTimer_->stop();
    transport_->showPlayState(newState, loaded_);
    if (newState == psStopped) transport_->showPosition(CurrentPosition());
    if (listener_) listener_->PlayStateChange(old, newState);
}

void QtMediaPlayer::armSelectionEnd() {
    // The media's own end stops playback as the backend does; only an end
    // before it needs watching. A run that starts past the end plays on.
    endArmed_ = selectionEnd_ < duration_ - PositionStep && CurrentPosition() < selectionEnd_;
    if (endArmed_) {
        endTimer_->start(EndTickMs);
    } else {
        endTimer_->stop();
    }
}

void QtMediaPlayer::checkSelectionEnd() {
    if (!endArmed_ || PlayState() != psPlaying) {
        endTimer_->stop();
        return;
    }
    const double leftMs = (selectionEnd_ - CurrentPosition()) / rate_ * 1000.0;
    if (leftMs <= 0.5) {
        endArmed_ = false;
        endTimer_->stop();
        player_->pause();
        // A busy thread can run this tick a few milliseconds late: the pause
        // still lands on the end the user chose, not past it.
        if (CurrentPosition() > selectionEnd_) seekTo(selectionEnd_);
        return;
    }
    endTimer_->setInterval(std::clamp(static_cast<int>(leftMs), 1, EndTickMs));
}

void QtMediaPlayer::showOptions(const QPoint& position) {
    options_->showRate(rate_);
    options_->showVolume(audio_->volume(), audio_->isMuted());
    options_->popup(position);
}

void QtMediaPlayer::showScreen() {
    screen_->setCurrentWidget(loaded_ && player_->hasVideo() ? static_cast<QWidget*>(video_) : audioOnly_);
}

bool QtMediaPlayer::addOption(QAction* action) {
    options_->addOwnerAction(action);
    return true;
}

bool QtMediaPlayer::embedInTransport(QWidget* control) {
    // The video is drawn in a native window of its own, which no sibling
    // widget can stand above: the bar below it is the player's lower edge.
    transport_->addControl(control);
    return true;
}

} // namespace cuemark
