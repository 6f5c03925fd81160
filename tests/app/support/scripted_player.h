#pragma once
// A player for window tests: a clock the test sets, states the test
// changes, and the notifications a real player would raise.

#include <QWidget>
#include <string>
#include <vector>

#include "app/player/media_player.h"

namespace cuemark::testing {

class ScriptedPlayer : public QWidget, public MediaPlayer {
    Q_OBJECT
public:
    ScriptedPlayer() = default;
    void setListener(MediaPlayerListener* listener) override { listener_ = listener; }

    void setFileName(const std::string& fileName) override;
    std::string FileName() const override { return fileName_; }
    int ReadyState() const override { return ready_; }
    double Duration() const override { return duration_; }
    double CurrentPosition() const override { return position_; }
    void setCurrentPosition(double position) override;
    double PlaybackRate() const override { return rate; }
    int PlayState() const override { return state_; }
    void Play() override { setState(psPlaying); }
    void Pause() override { setState(psPaused); }
    void Stop() override { setState(psStopped); }
    double SelectionStart() const override { return selectionStart_; }
    void setSelectionStart(double position) override { selectionStart_ = position; }
    double SelectionEnd() const override { return selectionEnd_; }
    void setSelectionEnd(double position) override { selectionEnd_ = position; }
    QWidget* view() override { return this; }
    bool addOption(QAction* action) override {
        options.push_back(action);
        return true;
    }

    // Script: which names load, and with what duration.
    std::vector<std::string> playableFiles;
    double durationOfPlayable = 600.0;
    // The clock moving on its own (no PositionChange, as while playing).
    void advanceTo(double position) { position_ = position; }
    // A state change as the player would report it.
    void setState(int state);
    // Every seek the window asked for.
    std::vector<double> seeks;
    bool raisePositionChangeOnSeek = true;
    double rate = 1.0;
    // The window's entries in the options menu.
    std::vector<QAction*> options;

private:
    MediaPlayerListener* listener_ = nullptr;
    std::string fileName_;
    int ready_ = 0;
    double duration_ = 0.0;
    double position_ = 0.0;
    int state_ = psStopped;
    double selectionStart_ = -1.0;
    double selectionEnd_ = 0.0;
};

} // namespace cuemark::testing
