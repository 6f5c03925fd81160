#pragma once
// Decoding a media file's audio to 16 kHz mono on the media's own clock.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace cuemark::audio {

// The one rate the engine works at: the voice detector's rate, and fine
// enough for a waveform at one millisecond.
inline constexpr int SampleRate = 16000;

struct DecodeResult {
    enum class Status { Done, Cancelled, CannotOpen, NoAudio, Failed };
    Status status = Status::Failed;
    // Why it is not Done, for a person: "No such file or directory", "no
    // audio stream", ...
    std::string reason;
    // The media's length in seconds as its container gives it (0 when it
    // does not); the samples delivered may end a little before or after.
    double duration = 0.0;
    // How many samples were delivered.
    int64_t samples = 0;

    bool ok() const { return status == Status::Done; }
};

// Receives consecutive samples; the first one delivered is sample 0, at
// media time 0 (the container's start), so sample i is at i / SampleRate s.
using SampleSink = std::function<void(const int16_t* samples, size_t count)>;
// The share of the media decoded so far, 0 to 1.
using ProgressSink = std::function<void(double fraction)>;

// Decodes the best audio stream of `path`, mixed down to mono and resampled,
// synchronously on the calling thread; the sinks are called on that thread.
// Each decoded block is placed by its timestamp: an audio track that starts
// after the video is preceded by silence, a gap in the timestamps is filled
// with silence, and samples before media time 0 (encoder priming that no
// edit list removed) are dropped. `cancel` is read between packets; once
// set, decoding stops with Status::Cancelled.
DecodeResult DecodeAudio(const std::string& path, const SampleSink& sink, const ProgressSink& progress,
                         const std::atomic<bool>& cancel);

} // namespace cuemark::audio
