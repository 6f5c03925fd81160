#pragma once
// One media file's sound for the waveform strip and the command line: its
// peaks and speech intervals, decoded on a worker thread that can be
// watched and cancelled, or taken at once from the cache.
//
// Threads: start() and every other member are called from one owning
// thread (the GUI's, or main()); the callbacks run on the worker thread, so
// a GUI must post them to its own thread before touching widgets. The
// readers (peaks(), speech(), progress(), isDone(), result()) are safe to
// call while the worker runs and see what it has finished so far.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/cache.h"
#include "audio/decoder.h"
#include "audio/peaks.h"
#include "audio/speech.h"

namespace cuemark::audio {

class AudioAnalysis {
public:
    struct Options {
        int mode = SpeechDetector::DefaultMode; // 0..3, as SpeechDetector takes it
        bool useCache = true;
        std::string cacheFolder = DefaultCacheFolder(); // empty: no cache
        uint64_t cacheLimitBytes = AudioCache::DefaultLimitBytes;
    };
    struct Callbacks {
        // The share decoded, 0 to 1, at most once per 0.1% of the media and
        // never backwards. Worker thread.
        std::function<void(double fraction)> progress;
        // Once, after the last progress call, whatever the outcome
        // (Done, Cancelled, CannotOpen, NoAudio, Failed). Worker thread.
        std::function<void(const DecodeResult&)> finished;
    };
    enum class Started { FromCache, Decoding };

    AudioAnalysis();
    // Cancels a running worker and waits for it (at most one packet's
    // decoding); no callback runs after the destructor returns.
    ~AudioAnalysis();
    AudioAnalysis(const AudioAnalysis&) = delete;
    AudioAnalysis& operator=(const AudioAnalysis&) = delete;

    // Begins the analysis of `mediaPath`; once per object (a second call
    // throws std::logic_error, as does a mode outside 0..3, before anything
    // starts). On a cache hit everything is filled before it returns, no
    // thread starts and no callback is made: FromCache, isDone() true,
    // result() Done. Otherwise a worker decodes, filling peaks() and
    // speech() as it goes, and writes the cache when it ends with Done.
    Started start(const std::string& mediaPath, const Options& options, Callbacks callbacks = {});
    // Asks the worker to stop; returns at once. finished() follows with
    // Cancelled (or Done if it was already done). Nothing is cached.
    void cancel();
    // Blocks until the worker has ended (at once when it never started).
    void wait();

    bool isDone() const { return done_.load(); }
    double progress() const { return progress_.load(); }
    // The outcome; meaningful once isDone().
    DecodeResult result() const;

    // Filled from media time 0 as decoding goes on; complete once isDone()
    // with Done. See PeakPyramid for its reading contract.
    const PeakPyramid& peaks() const { return peaks_; }
    // The speech intervals settled so far, in order (an interval settles
    // about 0.85 s after its speech ends, see SpeechDetector); all of them
    // once isDone() with Done.
    std::vector<SpeechInterval> speech() const;

private:
    void run(std::string path, Options options, Callbacks callbacks);

    PeakPyramid peaks_;
    mutable std::mutex mutex_; // guards speech_ and result_
    std::vector<SpeechInterval> speech_;
    DecodeResult result_;
    std::atomic<bool> cancel_{false}, done_{false}, started_{false};
    std::atomic<double> progress_{0.0};
    std::thread worker_;
};

} // namespace cuemark::audio
