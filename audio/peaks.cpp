#include "audio/peaks.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>

namespace cuemark::audio {

namespace {

Peak merged(Peak a, Peak b) {
    return {std::min(a.min, b.min), std::max(a.max, b.max)};
}

} // namespace

double PeakPyramid::SecondsPerPeak(int level) {
    return 0.001 * std::pow(double(Factor), level);
}

int PeakPyramid::LevelFor(double secondsPerPixel) {
    int level = 0;
    while (level + 1 < Levels && SecondsPerPeak(level + 1) <= secondsPerPixel) ++level;
    return level;
}

void PeakPyramid::push(int level, Peak peak) {
    levels_[level].push_back(peak);
    if (level + 1 >= Levels) return;
    Peak& up = partial_[level + 1];
    up = partialCount_[level + 1] == 0 ? peak : merged(up, peak);
    if (++partialCount_[level + 1] == Factor) {
        partialCount_[level + 1] = 0;
        push(level + 1, up);
    }
}

void PeakPyramid::append(const int16_t* samples, size_t count) {
    // Peaks are gathered outside the lock and published a block at a time,
    // so readers wait at most for one block's pushes.
    std::vector<Peak> done;
    done.reserve(count / SamplesPerPeak + 1);
    Peak& base = partial_[0];
    int& filled = partialCount_[0];
    for (size_t i = 0; i < count; ++i) {
        const int16_t s = samples[i];
        base = filled == 0 ? Peak{s, s} : Peak{std::min(base.min, s), std::max(base.max, s)};
        if (++filled == SamplesPerPeak) {
            filled = 0;
            done.push_back(base);
        }
    }
    if (done.empty()) return;
    std::unique_lock lock(mutex_);
    for (const Peak& p : done) push(0, p);
}

void PeakPyramid::finish() {
    std::unique_lock lock(mutex_);
    if (partialCount_[0] > 0) {
        partialCount_[0] = 0;
        push(0, partial_[0]);
    }
    for (int level = 1; level < Levels; ++level) {
        if (partialCount_[level] == 0) continue;
        partialCount_[level] = 0;
        levels_[level].push_back(partial_[level]); // the levels above get theirs in turn
        if (level + 1 < Levels) {
            Peak& up = partial_[level + 1];
            up = partialCount_[level + 1] == 0 ? partial_[level] : merged(up, partial_[level]);
            ++partialCount_[level + 1];
        }
    }
}

std::vector<Peak> PeakPyramid::read(int level, double from, double to) const {
    level = std::clamp(level, 0, Levels - 1);
    const double span = SecondsPerPeak(level);
    std::shared_lock lock(mutex_);
    const std::vector<Peak>& peaks = levels_[level];
    const double first = std::max(0.0, std::floor(from / span));
    const double last = std::ceil(to / span);
    if (!(first < last) || first >= double(peaks.size())) return {};
    const size_t begin = static_cast<size_t>(first);
    const size_t end = static_cast<size_t>(std::min(last, double(peaks.size())));
    return {peaks.begin() + static_cast<std::ptrdiff_t>(begin), peaks.begin() + static_cast<std::ptrdiff_t>(end)};
}

double PeakPyramid::filledSeconds() const {
    std::shared_lock lock(mutex_);
    return static_cast<double>(levels_[0].size()) * SecondsPerPeak(0);
}

std::string PeakPyramid::baseBytes() const {
    std::shared_lock lock(mutex_);
    std::string bytes;
    bytes.reserve(levels_[0].size() * 4);
    for (const Peak& p : levels_[0]) {
        for (int16_t v : {p.min, p.max}) {
            const auto u = static_cast<uint16_t>(v);
            bytes += static_cast<char>(u & 0xFF); // little-endian whatever the machine
            bytes += static_cast<char>(u >> 8);
        }
    }
    return bytes;
}

bool PeakPyramid::restore(std::string_view bytes) {
    std::unique_lock lock(mutex_);
    for (int level = 0; level < Levels; ++level) {
        levels_[level].clear();
        partialCount_[level] = 0;
    }
    if (bytes.size() % 4 != 0) return false;
    const auto at = [&](size_t i) {
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    };
    // Level by level rather than peak by peak: a cached reopen is waited for.
    levels_[0].resize(bytes.size() / 4);
    if constexpr (std::endian::native == std::endian::little && sizeof(Peak) == 4)
        std::memcpy(levels_[0].data(), bytes.data(), bytes.size());
    else
        for (size_t i = 0; i < levels_[0].size(); ++i) levels_[0][i] = Peak{at(4 * i), at(4 * i + 2)};
    for (int level = 1; level < Levels; ++level) {
        const std::vector<Peak>& below = levels_[level - 1];
        std::vector<Peak>& here = levels_[level];
        here.resize((below.size() + Factor - 1) / Factor);
        static_assert(Factor == 4, "the groups below are merged four at a time");
        const size_t whole = below.size() / Factor;
        for (size_t i = 0; i < whole; ++i) {
            const Peak* q = &below[i * Factor];
            here[i] = merged(merged(q[0], q[1]), merged(q[2], q[3]));
        }
        if (whole < here.size()) {
            Peak p = below[whole * Factor];
            for (size_t j = whole * Factor + 1; j < below.size(); ++j) p = merged(p, below[j]);
            here[whole] = p;
        }
    }
    return true;
}

} // namespace cuemark::audio
