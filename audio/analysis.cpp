#include "audio/analysis.h"

#include <algorithm>
#include <stdexcept>

#include "audio/cache.h"

namespace cuemark::audio {

AudioAnalysis::AudioAnalysis() = default;

AudioAnalysis::~AudioAnalysis() {
    cancel();
    wait();
}

AudioAnalysis::Started AudioAnalysis::start(const std::string& mediaPath, const Options& options, Callbacks callbacks) {
    if (options.mode < 0 || options.mode > 3)
        throw std::logic_error("the speech mode must be 0 to 3, not " + std::to_string(options.mode));
    if (started_.exchange(true)) throw std::logic_error("an AudioAnalysis is started once");
    if (options.useCache && !options.cacheFolder.empty()) {
        const AudioCache cache(options.cacheFolder, options.cacheLimitBytes);
        if (const auto key = AudioCache::KeyFor(mediaPath, options.mode)) {
            if (auto hit = cache.load(*key); hit && peaks_.restore(hit->peakBytes)) {
                std::lock_guard lock(mutex_);
                speech_ = std::move(hit->speech);
                result_.status = DecodeResult::Status::Done;
                result_.duration = hit->duration;
                result_.samples = hit->samples;
                progress_ = 1.0;
                done_ = true;
                return Started::FromCache;
            }
        }
    }
    worker_ = std::thread(&AudioAnalysis::run, this, mediaPath, options, std::move(callbacks));
    return Started::Decoding;
}

void AudioAnalysis::run(std::string path, Options options, Callbacks callbacks) {
    // Taken before decoding: a file changed while it is read must not be
    // cached under its new key with its old sound.
    const auto key = options.useCache ? AudioCache::KeyFor(path, options.mode) : std::nullopt;
    SpeechDetector detector(options.mode);
    size_t published = 0;
    double reported = -1.0;
    const auto publish = [&] {
        const auto& found = detector.intervals();
        if (found.size() == published) return;
        std::lock_guard lock(mutex_);
        speech_.insert(speech_.end(), found.begin() + static_cast<std::ptrdiff_t>(published), found.end());
        published = found.size();
    };
    const DecodeResult result = DecodeAudio(
        path,
        [&](const int16_t* samples, size_t count) {
            peaks_.append(samples, count);
            detector.append(samples, count);
            publish();
        },
        [&](double fraction) {
            if (fraction < reported + 0.001 && fraction < 1.0) return; // keep the callbacks few
            reported = std::max(reported, fraction);
            progress_ = reported;
            if (callbacks.progress) callbacks.progress(reported);
        },
        cancel_);
    if (result.ok()) {
        peaks_.finish();
        detector.finish();
        publish();
        if (key && !options.cacheFolder.empty()) {
            CachedAnalysis entry{result.duration, result.samples, speech(), peaks_.baseBytes()};
            AudioCache(options.cacheFolder, options.cacheLimitBytes).store(*key, entry);
        }
    }
    {
        std::lock_guard lock(mutex_);
        result_ = result;
    }
    done_ = true;
    if (callbacks.finished) callbacks.finished(result);
}

void AudioAnalysis::cancel() {
    cancel_ = true;
}

void AudioAnalysis::wait() {
    if (worker_.joinable()) worker_.join();
}

DecodeResult AudioAnalysis::result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

std::vector<SpeechInterval> AudioAnalysis::speech() const {
    std::lock_guard lock(mutex_);
    return speech_;
}

} // namespace cuemark::audio
