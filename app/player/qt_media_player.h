#pragma once
// The embedded media player on Qt Multimedia (GStreamer backend): the
// picture, a transport bar below it and a right-click options menu.
//
// Timing rests on CurrentPosition, which asks the pipeline afresh on every
// call; the backend's periodic position signal only moves the slider.

#include <QMetaObject>
#include <QVideoFrame>
#include <QWidget>

#include <string>

#include "app/player/media_player.h"

class QAudioOutput;
class QMediaPlayer;
class QStackedLayout;
class QTimer;
class QUrl;
class QVideoWidget;

namespace cuemark {

class PlayerOptionsMenu;
class PlayerTransport;

class QtMediaPlayer : public QWidget, public MediaPlayer {
    Q_OBJECT
public:
    explicit QtMediaPlayer(QWidget* parent = nullptr);
    ~QtMediaPlayer() override;

    void setListener(MediaPlayerListener* listener) override;

    void setFileName(const std::string& fileName) override;
    std::string FileName() const override;
    int ReadyState() const override;
    double Duration() const override;

    double CurrentPosition() const override;
    void setCurrentPosition(double position) override;

    double PlaybackRate() const override { return rate_; }
    int PlayState() const override;
    void Play() override;
    void Pause() override;
    void Stop() override;

    double SelectionStart() const override;
    void setSelectionStart(double position) override;
    double SelectionEnd() const override;
    void setSelectionEnd(double position) override;

    QWidget* view() override;
    bool embedInTransport(QWidget* control) override;
    bool addOption(QAction* action) override;

    // Playback speed, 1 for normal; positions stay in media time.
    void setPlaybackRate(double rate);
    double playbackRate() const;

private:
    void newBackend();
    void dropBackend();
    void unload();
    bool loadSource(const QUrl& source);
    double positionLimit() const;
    void seekTo(double position);
    void reportPlayState(int newState);
    void armSelectionEnd();
    void checkSelectionEnd();
    void showOptions(const QPoint& position);
    void showScreen();
    void takeFirstFrame();
    void showStill();

    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_;
    QVideoWidget* video_;
    QWidget* audioOnly_;
    QStackedLayout* screen_;
    PlayerTransport* transport_;
    PlayerOptionsMenu* options_;
    QTimer* endTimer_;
    QMetaObject::Connection focusWatch_;

    MediaPlayerListener* listener_ = nullptr;
    std::string fileName_;
    bool loaded_ = false;
    double duration_ = 0.0;
    double selectionStart_ = -1.0;
    double selectionEnd_ = 0.0;
    double rate_ = 1.0;
    int reportedState_ = psStopped;
    // True while the player runs for itself (to take the first frame): the
    // listener hears nothing of it.
    bool quiet_ = false;
    // The media's first picture, shown while stopped: the backend itself
    // draws nothing until it runs.
    QVideoFrame still_;
    // Set while a run that began before SelectionEnd is heading for it.
    bool endArmed_ = false;
};

} // namespace cuemark
