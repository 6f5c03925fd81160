#pragma once
// The controls around the embedded player's picture: the transport bar below
// it (play, pause, stop, position slider, time) and the options menu that a
// right click on the picture opens (speed, mute, volume). Both only show and
// ask; QtMediaPlayer does the playing.

#include <QMenu>
#include <QString>
#include <QWidget>

class QActionGroup;
class QLabel;
class QSlider;
class QToolButton;

namespace cuemark {

// "0:00:12.3": hours, minutes, seconds and tenths; tenths are cut, not
// rounded, so the display never runs ahead of the media.
QString PlayerTimeText(double seconds);

class PlayerTransport : public QWidget {
    Q_OBJECT
public:
    explicit PlayerTransport(QWidget* parent = nullptr);

    void showDuration(double seconds);
    // Ignored while the user holds the slider, so playback does not tug it.
    void showPosition(double seconds);
    void showPlayState(int playState, bool mediaLoaded);
    // Another control in the bar, after the stop button.
    void addControl(QWidget* control);

signals:
    void playRequested();
    void pauseRequested();
    void stopRequested();
    void seekRequested(double seconds);

private:
    void showTime(double seconds);
    void setSliderSilently(int milliseconds);

    QToolButton* play_;
    QToolButton* pause_;
    QToolButton* stop_;
    QSlider* slider_;
    QLabel* time_;
    double duration_ = 0.0;
    bool updatingSlider_ = false;
};

class PlayerOptionsMenu : public QMenu {
    Q_OBJECT
public:
    explicit PlayerOptionsMenu(QWidget* parent = nullptr);

    // Checks the matching entries; a rate or volume without an entry
    // leaves none checked.
    void showRate(double rate);
    void showVolume(float volume, bool muted);
    // An entry of the window that owns the player, after a separator.
    void addOwnerAction(QAction* action);

signals:
    void rateChosen(double rate);
    void muteToggled(bool muted);
    void volumeChosen(float volume);

private:
    QActionGroup* rates_;
    QActionGroup* volumes_;
    QAction* mute_;
    bool ownerSection_ = false;
};

} // namespace cuemark
