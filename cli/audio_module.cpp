// libcuemark_audio.so: the audio engine behind the C interface of audio_api.h.
#include "cli/audio_api.h"

#include <cstdlib>
#include <cstring>

#include "audio/align.h"
#include "audio/analysis.h"

namespace {

std::vector<cuemark::audio::Span> Spans(const double* pairs, size_t count) {
    std::vector<cuemark::audio::Span> spans(count);
    for (size_t i = 0; i < count; ++i) spans[i] = {pairs[2 * i], pairs[2 * i + 1]};
    return spans;
}

} // namespace

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

int cm_align(const double* titles, size_t title_count, const double* reference, size_t reference_count, int split,
             double max_offset, cm_sync* result) {
    *result = cm_sync{};
    try {
        cuemark::audio::AlignOptions options;
        options.split = split != 0;
        options.maxOffsetSeconds = max_offset;
        const cuemark::audio::SyncProposal p =
            cuemark::audio::Align(Spans(titles, title_count), Spans(reference, reference_count), options);
        auto* segments = static_cast<cm_segment*>(std::malloc(p.segments.size() * sizeof(cm_segment) + 1));
        char* why = strdup(p.why.c_str());
        char* words = strdup(cuemark::audio::DescribeProposal(p).c_str());
        if (segments == nullptr || why == nullptr || words == nullptr) {
            std::free(segments), std::free(why), std::free(words);
            return -1;
        }
        for (size_t i = 0; i < p.segments.size(); ++i)
            segments[i] = {p.segments[i].first, p.segments[i].last, p.segments[i].offset};
        *result = {p.found ? 1 : 0, p.factor, p.fit, p.peakRatio, p.segments.size(), segments, why, words};
        return 0;
    } catch (...) {
        return -1;
    }
}

void cm_audio_free(void* buffer) {
    std::free(buffer);
}

} // extern "C"
