#pragma once
// Where people speak: the WebRTC voice detector over 10 ms frames, its
// decisions joined into intervals and corrected for its lag at the ends.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace cuemark::audio {

struct SpeechInterval {
    double start = 0.0; // seconds of media time
    double end = 0.0;
};

class SpeechDetector {
public:
    // The detector's aggressiveness, 0 (takes most for speech) to 3 (least).
    static constexpr int DefaultMode = 3;
    // Pauses shorter than this are inside one interval: the gaps between
    // words, not between lines.
    static constexpr double JoinGapSeconds = 0.25;
    // Shorter bursts are clicks and knocks, not speech.
    static constexpr double MinSpeechSeconds = 0.12;
    // The detector's frames are 10 ms and it holds on after speech ends (its
    // hangover): alone, in mode 3, its ends came 25 ms late on average on
    // generated speech, scattered over more than 100 ms. So each interval's edges are moved to
    // where the sound itself rises above and falls back to its surroundings,
    // read from the loudness of every millisecond near them; over silence
    // that leaves a mean error of a few milliseconds, and no constant to take
    // off.
    // How far above the background's loudness an edge is put, in dB.
    static constexpr double EdgeRiseDb = 6.0;

    // Throws std::invalid_argument for a mode outside 0..3, std::bad_alloc
    // when the detector cannot be made.
    explicit SpeechDetector(int mode = DefaultMode);
    ~SpeechDetector();
    SpeechDetector(const SpeechDetector&) = delete;
    SpeechDetector& operator=(const SpeechDetector&) = delete;

    // Consecutive 16 kHz samples from media time 0.
    void append(const int16_t* samples, size_t count);
    // Closes an interval still open at the end.
    void finish();
    // The intervals settled so far, in order, not overlapping. An interval
    // settles once JoinGapSeconds of non-speech and 0.6 s more follow it.
    const std::vector<SpeechInterval>& intervals() const { return intervals_; }

private:
    void frame(const int16_t* samples);
    struct Raw {
        int64_t startMs, endMs; // the detector's own edges
    };
    void close();
    // Refines the intervals whose surroundings are known (all at the end).
    void settle(bool all);
    void refine(const Raw& raw);
    // The loudness around millisecond `ms`: the mean power of 5 ms.
    double loudness(int64_t ms) const;
    double background(int64_t fromMs, int64_t toMs) const;

    struct Vad;
    std::unique_ptr<Vad> vad_;
    std::vector<int16_t> pending_; // less than one frame
    int64_t frames_ = 0;
    // The open interval, in frames: first and last voiced frame.
    int64_t openStart_ = -1, openLast_ = -1;
    std::vector<SpeechInterval> intervals_;
    std::deque<Raw> waiting_; // closed, waiting for the sound after them
    // Mean power of each millisecond from firstMs_ on; what lies before the
    // last closed interval's neighbourhood is dropped, so it stays small.
    std::vector<float> power_;
    int64_t firstMs_ = 0;
};

} // namespace cuemark::audio
