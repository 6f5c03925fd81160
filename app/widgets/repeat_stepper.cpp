#include "app/widgets/repeat_stepper.h"

#include <QTimer>
#include <limits>

namespace cuemark {

RepeatStepper::RepeatStepper(QObject* owner, std::function<void(std::int16_t, std::int16_t)> step)
    : step_(std::move(step)), timer_(new QTimer(owner)) {
    timer_->setObjectName("Timer1");
    timer_->setInterval(FirstInterval);
}

void RepeatStepper::press(std::int16_t control, double y, double heightTwips) {
    direction_ = y > heightTwips / 2 ? -1 : 1;
    held_ = control;
    // A release away from the control brings no click to clear the flag;
    // without this the next quick click would be swallowed.
    timerStepped_ = false;
    timer_->start();
}

void RepeatStepper::tick() {
    timerStepped_ = false;
    if (held_ == 0) return;
    step_(held_, direction_);
    timerStepped_ = true;
    if (repeatCount_ < std::numeric_limits<std::int16_t>::max()) ++repeatCount_;
    if (repeatCount_ == 10) timer_->setInterval(FasterInterval);
    if (repeatCount_ == 30) timer_->setInterval(FastestInterval);
}

void RepeatStepper::release() {
    timer_->stop();
    held_ = 0;
    direction_ = 0;
    repeatCount_ = 0;
    timer_->setInterval(FirstInterval);
}

bool RepeatStepper::takeClick() {
    if (!timerStepped_) return true;
    timerStepped_ = false;
    return false;
}

} // namespace cuemark
