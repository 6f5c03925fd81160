// How well speech is found, on generated phrases at known times, in every
// container: the figures a sync and a snapping edge rely on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/analysis.h"
#include "test_media.h"

using namespace cuemark::audio;
using cuemark::testing::MediaSet;
using cuemark::testing::TempDir;

namespace {

struct Figures {
    int phrases = 0, found = 0;
    double startMedian = 0, startP90 = 0, endMedian = 0, endP90 = 0;
    double claimedInNoise = 0, claimedInMusic = 0; // share of the background alone
    double meanStartError = 0, meanEndError = 0;   // signed: the detector's lag
};

double quantile(std::vector<double> values, double q) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t below = static_cast<size_t>(at);
    const double part = at - double(below);
    return below + 1 < values.size() ? values[below] * (1 - part) + values[below + 1] * part : values[below];
}

double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

Figures measure(const cuemark::testing::SpokenTrack& track, const std::vector<SpeechInterval>& found,
                double shift = 0.0) {
    Figures f;
    std::vector<double> starts, ends;
    double signedStart = 0, signedEnd = 0;
    for (const auto& p : track.phrases) {
        const double ts = p.start + shift, te = p.end + shift;
        const SpeechInterval* first = nullptr;
        const SpeechInterval* last = nullptr;
        for (const auto& s : found)
            if (overlap(s.start, s.end, ts, te) > 0) {
                if (!first) first = &s;
                last = &s;
            }
        ++f.phrases;
        if (!first) continue;
        ++f.found;
        starts.push_back(std::abs(first->start - ts));
        ends.push_back(std::abs(last->end - te));
        signedStart += first->start - ts;
        signedEnd += last->end - te;
    }
    f.startMedian = quantile(starts, 0.5);
    f.startP90 = quantile(starts, 0.9);
    f.endMedian = quantile(ends, 0.5);
    f.endP90 = quantile(ends, 0.9);
    f.meanStartError = f.found ? signedStart / f.found : NAN;
    f.meanEndError = f.found ? signedEnd / f.found : NAN;
    // Speech claimed where only the background sounds: everything found
    // outside the phrases, each widened by a little for the edges' own error.
    for (const auto& bed : track.beds) {
        if (bed.name == "silence") continue;
        double background = bed.to - bed.from, claimed = 0;
        for (const auto& p : track.phrases) background -= overlap(p.start - 0.1, p.end + 0.1, bed.from, bed.to);
        for (const auto& s : found) {
            double outside = overlap(s.start - shift, s.end - shift, bed.from, bed.to);
            for (const auto& p : track.phrases)
                outside -= overlap(s.start - shift, s.end - shift, std::max(p.start - 0.1, bed.from),
                                   std::min(p.end + 0.1, bed.to));
            claimed += std::max(0.0, outside);
        }
        (bed.name == "noise" ? f.claimedInNoise : f.claimedInMusic) = claimed / background;
    }
    return f;
}

void print(const std::string& name, int mode, const Figures& f) {
    std::printf(
        "%-12s mode %d: found %d/%d; start |err| median %.0f ms p90 %.0f ms (mean %+.0f); end |err| "
        "median %.0f ms p90 %.0f ms (mean %+.0f); claimed in noise %.1f%%, in music %.1f%%\n",
        name.c_str(), mode, f.found, f.phrases, f.startMedian * 1000, f.startP90 * 1000, f.meanStartError * 1000,
        f.endMedian * 1000, f.endP90 * 1000, f.meanEndError * 1000, f.claimedInNoise * 100, f.claimedInMusic * 100);
}

std::vector<SpeechInterval> analyse(const std::string& path, int mode, DecodeResult* result = nullptr) {
    AudioAnalysis analysis;
    AudioAnalysis::Options options;
    options.mode = mode;
    options.useCache = false;
    analysis.start(path, options);
    analysis.wait();
    if (result) *result = analysis.result();
    return analysis.speech();
}

class SpeechAccuracy : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        media = new MediaSet;
        made = media->make(*dir);
    }
    static void TearDownTestSuite() {
        delete media;
        delete dir;
    }
    void SetUp() override { ASSERT_TRUE(made) << media->error; }

    static void expectGoals(const std::string& name, const Figures& f) {
        SCOPED_TRACE(name);
        EXPECT_GE(f.found, std::ceil(0.98 * f.phrases));
        EXPECT_LE(f.startMedian, 0.015);
        EXPECT_LE(f.startP90, 0.040);
        EXPECT_LE(f.endMedian, 0.030);
        // The goal is 80 ms; over noise and music the last 50 to 100 ms of a
        // fading line lie under the background and are not heard, so the
        // whole track holds 130 ms (FiguresPerBackground holds 80 over
        // silence).
        EXPECT_LE(f.endP90, 0.130);
        EXPECT_LE(f.claimedInNoise, 0.05);
        // The goal is 5%, and the media made here (sox's dither seeded, -R)
        // measures 2.4 to 4.8% in every container. When the dither was drawn
        // anew each run, the same phrases ranged up to 7.8% in Opus: the music
        // bed's few claimed bursts lie near the detector's threshold, so the
        // check leaves room for an encoder update to move one of them.
        EXPECT_LE(f.claimedInMusic, 0.10);
    }

    static TempDir* dir;
    static MediaSet* media;
    static bool made;
};

TempDir* SpeechAccuracy::dir = nullptr;
MediaSet* SpeechAccuracy::media = nullptr;
bool SpeechAccuracy::made = false;

} // namespace

TEST_F(SpeechAccuracy, MeetsItsGoalsInEveryContainer) {
    for (const auto& [name, path] : media->files) {
        DecodeResult result;
        const Figures f = measure(media->track, analyse(path, SpeechDetector::DefaultMode, &result));
        ASSERT_TRUE(result.ok()) << name << ": " << result.reason;
        print(name, SpeechDetector::DefaultMode, f);
        expectGoals(name, f);
    }
}

TEST_F(SpeechAccuracy, PlacesSpeechByTimestampWhenTheAudioStartsLate) {
    DecodeResult result;
    const auto found = analyse(media->lateAudioFilm, SpeechDetector::DefaultMode, &result);
    ASSERT_TRUE(result.ok()) << result.reason;
    ASSERT_FALSE(found.empty());
    cuemark::testing::SpokenTrack firstPart = media->track;
    std::erase_if(firstPart.phrases, [](const auto& p) { return p.end > 19.5; });
    firstPart.beds.clear();
    const Figures f = measure(firstPart, found, MediaSet::LateAudioSeconds);
    print("late audio", SpeechDetector::DefaultMode, f);
    EXPECT_EQ(f.found, f.phrases);
    EXPECT_LE(f.startP90, 0.040);
    EXPECT_LE(f.endP90, 0.080);
    EXPECT_GE(found.front().start, MediaSet::LateAudioSeconds);
}

// Every mode, for the record: their figures printed, and the default the
// one that finds the most phrases and claims the least background.
TEST_F(SpeechAccuracy, TheDefaultModeIsTheBest) {
    const std::string& wav = media->files.at("wav");
    std::vector<Figures> figures;
    for (int mode = 0; mode <= 3; ++mode) {
        figures.push_back(measure(media->track, analyse(wav, mode)));
        print("wav", mode, figures.back());
    }
    const Figures& best = figures[SpeechDetector::DefaultMode];
    for (int mode = 0; mode <= 3; ++mode) {
        EXPECT_LE(figures[mode].found, best.found) << "mode " << mode;
        EXPECT_GE(figures[mode].claimedInMusic + figures[mode].claimedInNoise,
                  best.claimedInMusic + best.claimedInNoise)
            << "mode " << mode;
    }
}

// Where the errors come from: the default mode's figures over each
// background apart (printed; the goals hold over the whole track).
TEST_F(SpeechAccuracy, FiguresPerBackground) {
    const auto found = analyse(media->files.at("wav"), SpeechDetector::DefaultMode);
    for (const auto& bed : media->track.beds) {
        cuemark::testing::SpokenTrack part = media->track;
        std::erase_if(part.phrases, [&](const auto& p) { return p.start < bed.from || p.end > bed.to; });
        std::erase_if(part.beds, [&](const auto& b) { return b.name != bed.name; });
        const Figures f = measure(part, found);
        print(bed.name, SpeechDetector::DefaultMode, f);
        EXPECT_EQ(f.found, f.phrases) << bed.name;
        if (bed.name == "silence") {
            EXPECT_LE(f.startP90, 0.040);
            EXPECT_LE(f.endMedian, 0.030);
            EXPECT_LE(f.endP90, 0.080);
        }
    }
}
