#pragma once
// The waveform's envelope: min/max per millisecond at the base, each level
// above coarser by 4, so any zoom is drawn from one level with a few peaks
// per pixel.

#include <cstddef>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace cuemark::audio {

struct Peak {
    int16_t min = 0;
    int16_t max = 0;
};

class PeakPyramid {
public:
    static constexpr int Levels = 9;          // level 8: one peak per 65.536 s
    static constexpr int SamplesPerPeak = 16; // 1 ms at 16 kHz
    static constexpr int Factor = 4;

    // Seconds one peak of `level` spans: 0.001 × 4^level.
    static double SecondsPerPeak(int level);
    // The coarsest level with at least one peak per pixel at this scale, so
    // a pixel's min/max is always read from peaks no wider than itself.
    static int LevelFor(double secondsPerPixel);

    // Writer side, one thread: consecutive 16 kHz samples from media time 0.
    void append(const int16_t* samples, size_t count);
    // Closes the last, partial millisecond and the partial groups above it.
    void finish();

    // Reader side, any thread, also while the writer appends: the peaks of
    // `level` whose spans start in [from, to) seconds, limited to what is
    // filled so far (fewer or none past the decoded part). The first one
    // starts at SecondsPerPeak(level) × floor(from / SecondsPerPeak(level)).
    std::vector<Peak> read(int level, double from, double to) const;
    // Seconds from 0 that level 0 holds.
    double filledSeconds() const;

    // The base level as bytes, and a pyramid rebuilt from them (the cache
    // keeps only the base; the levels above are cheap to redo). Restore
    // returns false and leaves the pyramid empty on bytes of the wrong size.
    std::string baseBytes() const;
    bool restore(std::string_view bytes);

private:
    void push(int level, Peak peak); // under the write lock

    mutable std::shared_mutex mutex_;
    std::vector<Peak> levels_[Levels];
    // The writer's partial peaks, one per level, and how much each holds.
    Peak partial_[Levels];
    int partialCount_[Levels] = {};
};

} // namespace cuemark::audio
