#include "tests/app/support/scripted_player.h"

#include <algorithm>

namespace cuemark::testing {

void ScriptedPlayer::setFileName(const std::string& fileName) {
    fileName_ = fileName;
    const bool playable = std::find(playableFiles.begin(), playableFiles.end(), fileName) != playableFiles.end();
    ready_ = playable ? 4 : 0;
    duration_ = playable ? durationOfPlayable : 0.0;
    position_ = 0.0;
    selectionStart_ = -1.0;
    selectionEnd_ = duration_;
}

void ScriptedPlayer::setCurrentPosition(double position) {
    seeks.push_back(position);
    const double old = position_;
    position_ = std::clamp(position, 0.0, duration_);
    if (raisePositionChangeOnSeek && listener_) listener_->PositionChange(old, position_);
}

void ScriptedPlayer::setState(int state) {
    const int old = state_;
    state_ = state;
    if (state == psStopped) position_ = 0.0;
    if (listener_) listener_->PlayStateChange(old, state);
}

} // namespace cuemark::testing
