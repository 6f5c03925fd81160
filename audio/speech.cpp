#include "audio/speech.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include "audio/decoder.h"
#include "audio/webrtc_vad.h"

namespace cuemark::audio {

namespace {

constexpr size_t FrameSamples = SampleRate / 100; // 10 ms
constexpr double FrameSeconds = 0.01;
constexpr int64_t MsPerFrame = 10;
constexpr size_t SamplesPerMs = SampleRate / 1000;
// Where the edges are looked for, around the detector's own (ms).
constexpr int64_t StartSearchBefore = 200, StartSearchAfter = 100;
constexpr int64_t EndSearchBefore = 300, EndSearchAfter = 60;
// An edge is where the sound stays above the threshold this long (ms).
constexpr int64_t EdgeRunMs = 10;
// The background is read this far before an interval and after it (ms).
constexpr int64_t BeforeMs = 1000, AfterMs = 600;
// Quieter than this is silence whatever the background (-60 dBFS).
constexpr double SilencePower = 32768.0 * 32768.0 * 1e-6;

} // namespace

struct SpeechDetector::Vad {
    VadInst* handle = nullptr;
    ~Vad() {
        if (handle) WebRtcVad_Free(handle);
    }
};

SpeechDetector::SpeechDetector(int mode) : vad_(std::make_unique<Vad>()) {
    if (mode < 0 || mode > 3)
        throw std::invalid_argument("the speech mode must be 0 to 3, not " + std::to_string(mode));
    vad_->handle = WebRtcVad_Create();
    if (!vad_->handle || WebRtcVad_Init(vad_->handle) != 0 || WebRtcVad_set_mode(vad_->handle, mode) != 0)
        throw std::bad_alloc();
    pending_.reserve(FrameSamples);
}

SpeechDetector::~SpeechDetector() = default;

void SpeechDetector::append(const int16_t* samples, size_t count) {
    if (!pending_.empty()) {
        const size_t take = std::min(count, FrameSamples - pending_.size());
        pending_.insert(pending_.end(), samples, samples + take);
        samples += take;
        count -= take;
        if (pending_.size() < FrameSamples) return;
        frame(pending_.data());
        pending_.clear();
    }
    for (; count >= FrameSamples; samples += FrameSamples, count -= FrameSamples) frame(samples);
    pending_.assign(samples, samples + count);
}

void SpeechDetector::frame(const int16_t* samples) {
    for (size_t ms = 0; ms < MsPerFrame; ++ms) {
        double sum = 0;
        for (size_t i = 0; i < SamplesPerMs; ++i) {
            const double s = samples[ms * SamplesPerMs + i];
            sum += s * s;
        }
        power_.push_back(static_cast<float>(sum / SamplesPerMs));
    }
    const int voiced = WebRtcVad_Process(vad_->handle, SampleRate, samples, FrameSamples);
    const int64_t at = frames_++;
    if (voiced != 1) {
        if (openStart_ >= 0 && double(at - openLast_) * FrameSeconds >= JoinGapSeconds) close();
        settle(false);
        return;
    }
    if (openStart_ < 0) openStart_ = at;
    openLast_ = at;
    settle(false);
}

double SpeechDetector::loudness(int64_t ms) const {
    const int64_t last = firstMs_ + static_cast<int64_t>(power_.size()) - 1;
    const int64_t a = std::max(firstMs_, ms - 2), z = std::min(last, ms + 2);
    double sum = 0;
    for (int64_t t = a; t <= z; ++t) sum += power_[static_cast<size_t>(t - firstMs_)];
    return z >= a ? sum / double(z - a + 1) : 0.0;
}

// The background's loudness: its median, so that a music bed's notes and
// the tail of an earlier line do not raise it.
double SpeechDetector::background(int64_t fromMs, int64_t toMs) const {
    fromMs = std::max(fromMs, firstMs_);
    toMs = std::min(toMs, firstMs_ + static_cast<int64_t>(power_.size()));
    if (toMs - fromMs < 50) return 0.0;
    std::vector<float> values(power_.begin() + (fromMs - firstMs_), power_.begin() + (toMs - firstMs_));
    auto at = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

void SpeechDetector::close() {
    waiting_.push_back({openStart_ * MsPerFrame, (openLast_ + 1) * MsPerFrame});
    openStart_ = openLast_ = -1;
}

void SpeechDetector::settle(bool all) {
    const int64_t lastMs = firstMs_ + static_cast<int64_t>(power_.size()) - 1;
    while (!waiting_.empty() && (all || lastMs >= waiting_.front().endMs + AfterMs)) {
        refine(waiting_.front());
        waiting_.pop_front();
    }
    // Keep what the next edges may look at: a second before any interval
    // still to be refined.
    int64_t needed = lastMs;
    if (!waiting_.empty()) needed = std::min(needed, waiting_.front().startMs);
    if (openStart_ >= 0) needed = std::min(needed, openStart_ * MsPerFrame);
    const int64_t keepFrom = needed - BeforeMs - 100;
    if (keepFrom > firstMs_ + 10000) {
        power_.erase(power_.begin(), power_.begin() + (keepFrom - firstMs_));
        firstMs_ = keepFrom;
    }
}

void SpeechDetector::refine(const Raw& raw) {
    const int64_t lastMs = firstMs_ + static_cast<int64_t>(power_.size()) - 1;
    // The background on both sides: speech rises above both, while a sound
    // that stays up after the detector lets go is the background itself
    // changing (a noisy scene cut in, music starting).
    const double floor = std::max(background(raw.startMs - BeforeMs, raw.startMs - 100),
                                  background(raw.endMs + 50, raw.endMs + AfterMs));
    const double threshold = std::max(floor * std::pow(10.0, EdgeRiseDb / 10.0), SilencePower);
    const auto loud = [&](int64_t from, int64_t to) { // every ms in [from, to) above the threshold
        for (int64_t t = from; t < to; ++t)
            if (t < firstMs_ || t > lastMs || loudness(t) <= threshold) return false;
        return true;
    };
    int64_t start = -1, end = raw.endMs;
    for (int64_t t = std::max(firstMs_, raw.startMs - StartSearchBefore); t <= raw.startMs + StartSearchAfter; ++t)
        if (loud(t, t + EdgeRunMs)) {
            start = t;
            break;
        }
    if (start < 0) return; // never rose above its surroundings
    for (int64_t t = std::min(lastMs, raw.endMs + EndSearchAfter); t >= raw.endMs - EndSearchBefore && t > start; --t)
        if (loud(t - EdgeRunMs + 1, t + 1)) {
            end = t + 1;
            break;
        }
    const double from = double(start) / 1000.0, to = double(end) / 1000.0;
    if (to - from < MinSpeechSeconds) return;
    intervals_.push_back({from, to});
}

void SpeechDetector::finish() {
    if (!pending_.empty()) {
        pending_.resize(FrameSamples, 0); // the last part-frame, padded with silence
        frame(pending_.data());
        pending_.clear();
    }
    if (openStart_ >= 0) close();
    settle(true);
}

} // namespace cuemark::audio
