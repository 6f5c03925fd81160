#pragma once
// Automatic sync: the map that puts a subtitle file's titles on a reference
// (where a film's people speak, or a correctly timed file), with how sure it
// is. The map is made of segments, runs of titles each moved by
// new = old × factor + offset; the factor is one for the whole file (a
// frame-rate change is global), the offsets differ where the film was cut.
//
// The search: every ratio between the usual frame rates, then a fine search
// about the best; for each factor, the offset where the titles, drawn as a
// signal, overlap the reference most (one cross-correlation by FFT), then
// that offset to 10 ms. Cuts: windows of titles are placed on their own,
// and a split between two runs is kept only where it gains more time on
// speech than a penalty and each run is sure of its own place. Below the
// thresholds nothing is proposed, and `why` says so.

#include <cstddef>
#include <string>
#include <vector>

namespace cuemark::audio {

struct Span {
    double start = 0.0; // seconds
    double end = 0.0;
};

// Titles first..last (indices into the titles given, both included) are
// moved by new = old × factor + offset.
struct SyncSegment {
    size_t first = 0;
    size_t last = 0;
    double offset = 0.0; // seconds, after the factor
};

struct SyncProposal {
    bool found = false;
    double factor = 1.0;
    // In order, covering every title; one when there is no cut. Filled even
    // when nothing is found (the best there was), empty without titles.
    std::vector<SyncSegment> segments;
    // The share of the titles' time that lies on the reference after the map.
    double fit = 0.0;
    // How far the best overlap stands above what chance gives (the mean over
    // every offset), over how far the best one more than a second away does;
    // the lowest of the segments' own. Near 1: another offset would do as
    // well, so nothing is sure.
    double peakRatio = 0.0;
    std::string why; // for a person, when nothing is found

    // Title `index`'s time `t` under the map.
    double map(size_t index, double t) const;
};

struct AlignOptions {
    double stepSeconds = 0.01;
    // How far the titles may be moved, either way.
    double maxOffsetSeconds = 120.0;
    // Off: one offset for the whole file.
    bool split = true;
    // The seconds of title time on speech a split must gain to be kept.
    double splitPenalty = 3.0;
    double minFit = 0.5;
    double minPeakRatio = 2.0;
};

// Throws std::bad_alloc when the signals cannot be held; never for input.
// Titles are taken in the order given (a subtitle file's order).
SyncProposal Align(const std::vector<Span>& titles, const std::vector<Span>& reference,
                   const AlignOptions& options = AlignOptions());

// The frame-rate ratios the search tries first: 1 and every ratio between
// 23.976, 24, 25, 29.97 and 30, both ways, without repeats.
std::vector<double> CandidateFactors();

// The proposal in words, titles numbered from 1: "Shift +7.300 s; stretch
// 25 → 23.976 fps; a cut after title 412: +4.000 s from there".
std::string DescribeProposal(const SyncProposal& proposal);

} // namespace cuemark::audio
