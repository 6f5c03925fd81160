#pragma once
// The held-button repeat of the shift and stretch dialogs' up-down
// controls: a press starts Timer1, each tick steps the held control once,
// and the ticks speed up the longer the button stays down.

#include <cstdint>
#include <functional>

class QObject;
class QTimer;

namespace cuemark {

class RepeatStepper {
public:
    static constexpr int FirstInterval = 200;
    static constexpr int FasterInterval = 100; // from the 10th tick
    static constexpr int FastestInterval = 50; // from the 30th tick

    // step(control, direction) runs the held control's click step: -1 its
    // DownClick, +1 its UpClick. Timer1 is created as a child of `owner`;
    // the owner connects its timeout to its own Timer1_Timer.
    RepeatStepper(QObject* owner, std::function<void(std::int16_t, std::int16_t)> step);

    QTimer* timer() const { return timer_; }

    // A press on control `control` at y twips from its top, the control
    // being heightTwips tall: the lower half steps down.
    void press(std::int16_t control, double y, double heightTwips);
    void tick();
    void release();
    // For a control's click event: false when the timer has already served
    // this press (the click is swallowed and the flag cleared).
    bool takeClick();

    std::int16_t held() const { return held_; }
    std::int16_t direction() const { return direction_; }
    std::int16_t repeatCount() const { return repeatCount_; }
    bool timerStepped() const { return timerStepped_; }

private:
    std::function<void(std::int16_t, std::int16_t)> step_;
    QTimer* timer_;
    std::int16_t held_ = 0;
    std::int16_t direction_ = 0;
    std::int16_t repeatCount_ = 0;
    bool timerStepped_ = false;
};

} // namespace cuemark
