#include "app/calibration/calibration_clip.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "subtitles/line_io.h"
#include "subtitles/markup.h"
#include "subtitles/subrip.h"

namespace cuemark {

namespace {

constexpr const char* MediaName = "calibration.mp4";
constexpr const char* ScheduleName = "calibration.srt";

std::string programFolder() {
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return ".";
    const std::string program(buffer.data(), static_cast<size_t>(length));
    const size_t slash = program.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : program.substr(0, slash);
}

bool readable(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

} // namespace

std::string calibrationFolder() {
    return programFolder() + "/../share/cuemark/calibration";
}

bool findCalibrationClip(const std::string& folder, CalibrationClip& clip, std::string& why) {
    clip = {folder + "/" + MediaName, folder + "/" + ScheduleName};
    for (const std::string* path : {&clip.media, &clip.schedule}) {
        if (!readable(*path)) {
            why = *path + " can not be read.";
            return false;
        }
    }
    return true;
}

bool loadCalibrationSchedule(const std::string& path, SUBTITLES& store, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    store.SetUndoEnabled(false);
    store.Clear();
    if (!in.good() && !in.eof()) {
        why = path + " can not be read.";
        return false;
    }
    LineReader reader(text.str());
    MarkupState markup;
    const ReadOutcome outcome = ReadSubRip(reader, store, markup);
    if (!outcome.complete() && !outcome.onlyBlankLinesLeft) {
        why = path + ", line " + std::to_string(outcome.line) + ": " + outcome.message;
        return false;
    }
    if (store.Count() == 0) {
        why = path + " holds no cue.";
        return false;
    }
    return true;
}

std::vector<Cue> cuesOf(const SUBTITLES& store) {
    std::vector<Cue> cues;
    for (std::int32_t i = 1; i <= store.Count(); ++i) cues.push_back({store.StartTime(i), store.EndTime(i)});
    return cues;
}

} // namespace cuemark
