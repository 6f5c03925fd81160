#pragma once
// Timings gathered by the GUI benchmarks, and their percentiles.

#include <algorithm>
#include <chrono>
#include <vector>

namespace cuemark::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
    std::vector<double> values;
    double percentile(double p) {
        std::sort(values.begin(), values.end());
        return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
    }
};

} // namespace cuemark::bench
