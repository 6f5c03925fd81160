#pragma once
// A user who times cues late by log-normal lags (median and spread in ms),
// drawn from a seeded generator whose numbers are the same everywhere.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "app/calibration/reaction_time.h"

namespace cuemark::testing {

class SimulatedUser {
public:
    explicit SimulatedUser(unsigned seed, double pressMedianMs = 200, double releaseMedianMs = 150,
                           double spreadMs = 40)
        : random_(seed), pressMs_(pressMedianMs), releaseMs_(releaseMedianMs), spreadMs_(spreadMs) {}

    // Seconds.
    double pressLag() { return lag(pressMs_); }
    double releaseLag() { return lag(releaseMs_); }

    std::vector<Hold> holds(const std::vector<Cue>& cues) {
        std::vector<Hold> out;
        for (const Cue& cue : cues) {
            const double press = cue.start + pressLag();
            out.push_back({press, cue.end + releaseLag()});
        }
        return out;
    }

    // n cues at irregular times, 0.8 to 1.6 s long, 2 to 3.4 s apart.
    static std::vector<Cue> Cues(int n) {
        std::vector<Cue> cues;
        double t = 3.0;
        for (int i = 0; i < n; ++i) {
            const double length = 0.8 + 0.2 * ((i * 7) % 5);
            cues.push_back({t, t + length});
            t += length + 2.0 + 0.35 * ((i * 3) % 5);
        }
        return cues;
    }

private:
    // Log-normal with the given median; sigma makes its spread about spreadMs.
    double lag(double medianMs) {
        const double sigma = spreadMs_ / medianMs;
        return medianMs * std::exp(sigma * normal()) / 1000.0;
    }
    // Box-Muller on the generator's raw numbers (the library's normal
    // distribution differs between standard libraries).
    double normal() {
        const double u1 = (static_cast<double>(random_()) + 1.0) / 4294967297.0;
        const double u2 = static_cast<double>(random_()) / 4294967296.0;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
    }

    std::mt19937 random_;
    double pressMs_, releaseMs_, spreadMs_;
};

} // namespace cuemark::testing
