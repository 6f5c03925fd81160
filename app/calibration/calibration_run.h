#pragma once
// One calibration while it plays: the cues the user times, the holds of the
// action key as stored without compensation, and where the user's own film
// stood, to be put back at the end.

#include <string>
#include <vector>

#include "app/calibration/reaction_time.h"
#include "subtitles/store.h"

namespace cuemark {

struct CalibrationRun {
    // The schedule as titles: the action key times these, never the user's.
    SUBTITLES titles;
    std::vector<Cue> cues;
    std::vector<Hold> holds;
    // The clip has begun playing; leaving the playing state then ends the run.
    bool started = false;

    std::string media;
    double position = 0.0;
    double selectionStart = -1.0;
    double selectionEnd = 0.0;
};

} // namespace cuemark
