#pragma once
// The one media player of the main window (MP), and the program's only clock.
// The Qt Multimedia player and the scripted test player both implement this.
//
// Every call is synchronous and runs on the user-interface thread. Before any
// media is loaded: ReadyState 0, CurrentPosition 0, PlayState 0, Duration 0,
// SelectionStart -1 (no start), SelectionEnd 0. Loading a file resets the
// selection to -1 .. the media's duration. All times are seconds.

#include <string>

class QAction;
class QWidget;

namespace cuemark {

enum PlayStates { psStopped = 0, psPaused = 1, psPlaying = 2 };

class MediaPlayerListener {
public:
    virtual ~MediaPlayerListener() = default;
    // After every change of play state.
    virtual void PlayStateChange(int OldState, int NewState) = 0;
    // After the position was changed by a seek (not while merely playing).
    // A player may also report a load, at 0, so that the time shown is the
    // new media's.
    virtual void PositionChange(double oldPosition, double newPosition) = 0;
    // The player's view took the keyboard focus.
    virtual void PlayerGotFocus() {}
};

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    virtual void setListener(MediaPlayerListener* listener) = 0;

    // Opens the file at once: when this returns, ReadyState tells whether
    // media is loaded. A file that cannot be played gives ReadyState 0 after
    // a bounded wait, never a hang. The empty name unloads.
    virtual void setFileName(const std::string& fileName) = 0;
    virtual std::string FileName() const = 0;
    // 0 no media; 4 media loaded.
    virtual int ReadyState() const = 0;
    virtual double Duration() const = 0;

    // Read fresh on every call (millisecond steps while playing): the
    // timing clock. Setting it seeks, also while playing, within 0..Duration.
    virtual double CurrentPosition() const = 0;
    virtual void setCurrentPosition(double position) = 0;

    // Media seconds per second of playing: the position read in a key
    // handler is converted back to the key's moment with it.
    virtual double PlaybackRate() const { return 1.0; }

    virtual int PlayState() const = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;

    // The playback range; playback pauses when it reaches SelectionEnd.
    virtual double SelectionStart() const = 0;
    virtual void setSelectionStart(double position) = 0;
    virtual double SelectionEnd() const = 0;
    virtual void setSelectionEnd(double position) = 0;

    // The widget that shows the media; the main window embeds it and takes
    // ownership through Qt's parent chain.
    virtual QWidget* view() = 0;
    // Gives the player a control to carry along its lower edge, beside its
    // own transport. False when the player has no such place; the window
    // then lays the control over the player itself.
    virtual bool embedInTransport(QWidget* control) {
        (void)control;
        return false;
    }
    // Adds the window's own entries at the end of the player's options menu
    // (the action stays the window's). False when the player has no menu.
    virtual bool addOption(QAction* action) {
        (void)action;
        return false;
    }
};

} // namespace cuemark
