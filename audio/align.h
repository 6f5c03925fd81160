#pragma once
// Automatic sync: the map that puts a subtitle file's titles on a reference
// (where a film's people speak, or a correctly timed file), with how sure it
// is. A map is new = old × factor + offset; the factor is one for the whole
// file (a frame-rate change is global).
//
// The search: every ratio between the usual frame rates, then a fine search
// about the best; for each factor, the offset where the titles, drawn as a
// signal of 10 ms steps, overlap the reference most (one cross-correlation
// by FFT). Below the thresholds nothing is proposed, and `why` says so.

#include <cstdint>
#include <string>
#include <vector>

namespace cuemark::audio {

struct Span {
    double start = 0.0; // seconds
    double end = 0.0;
};

struct SyncProposal {
    bool found = false;
    double factor = 1.0;
    double offset = 0.0; // seconds, after the factor
    // The share of the titles' time that lies on the reference after the map.
    double fit = 0.0;
    // How far the best overlap stands above what chance gives (the mean over
    // every offset), over how far the best one more than a second away does:
    // near 1 means another offset would do as well, so nothing is sure.
    double peakRatio = 0.0;
    std::string why; // for a person, when nothing is found
};

struct AlignOptions {
    double stepSeconds = 0.01;
    // How far the titles may be moved, either way.
    double maxOffsetSeconds = 600.0;
    double minFit = 0.5;
    double minPeakRatio = 1.5;
};

// Throws std::bad_alloc when the signals cannot be held; never for input.
SyncProposal Align(const std::vector<Span>& titles, const std::vector<Span>& reference,
                   const AlignOptions& options = AlignOptions());

// The frame-rate ratios the search tries first: 1 and every ratio between
// 23.976, 24, 25, 29.97 and 30, both ways, without repeats.
std::vector<double> CandidateFactors();

} // namespace cuemark::audio
