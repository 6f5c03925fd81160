#pragma once
// The calibration clip and its cue schedule, made with the program and kept
// in share/cuemark/calibration/ beside bin/ (in the build tree and installed).

#include <string>
#include <vector>

#include "app/calibration/reaction_time.h"
#include "subtitles/store.h"

namespace cuemark {

struct CalibrationClip {
    std::string media;    // the clip: a lit panel and a tone per cue
    std::string schedule; // calibration.srt: each cue's text and times
};

// bin/../share/cuemark/calibration of the running program.
std::string calibrationFolder();
// The clip in `folder`; false with the reason when a file is missing.
bool findCalibrationClip(const std::string& folder, CalibrationClip& clip, std::string& why);
// Reads the schedule into `store` (emptied first, no undo); false with the
// reason when it cannot be read whole or holds no cue.
bool loadCalibrationSchedule(const std::string& path, SUBTITLES& store, std::string& why);
std::vector<Cue> cuesOf(const SUBTITLES& store);

} // namespace cuemark
