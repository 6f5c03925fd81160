// libcuemark_speech.so: the audio engine behind the C interface of speech_api.h.
#include "cli/speech_api.h"

#include <cstdlib>
#include <cstring>

#include "audio/analysis.h"

extern "C" {

int cm_find_speech(const char* media, int mode, double** intervals, size_t* count, double* duration, char** reason) {
    try {
        cuemark::audio::AudioAnalysis analysis;
        cuemark::audio::AudioAnalysis::Options settings;
        settings.mode = mode < 0 ? cuemark::audio::SpeechDetector::DefaultMode : mode;
        analysis.start(media, settings);
        analysis.wait();
        const cuemark::audio::DecodeResult result = analysis.result();
        if (!result.ok()) {
            *reason = strdup(result.reason.c_str());
            return *reason == nullptr ? -1 : 1;
        }
        const std::vector<cuemark::audio::SpeechInterval> found = analysis.speech();
        auto* pairs = static_cast<double*>(std::malloc(found.size() * 2 * sizeof(double) + 1));
        if (pairs == nullptr) return -1;
        for (size_t i = 0; i < found.size(); ++i) {
            pairs[2 * i] = found[i].start;
            pairs[2 * i + 1] = found[i].end;
        }
        *intervals = pairs;
        *count = found.size();
        *duration = result.duration;
        return 0;
    } catch (...) {
        // Nothing crosses the C boundary.
        return -1;
    }
}

void cm_speech_free(void* buffer) {
    std::free(buffer);
}

} // extern "C"
