// The aligner on speech made up of known intervals: titles made from it by a
// known map are put back, and titles that belong to no speech are refused.
#include "audio/align.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace cuemark::audio;

namespace {

// Twenty minutes of speech in lines of 0.8 to 4 s, 0.3 to 3 s apart.
std::vector<Span> MakeSpeech(unsigned seed, double minutes = 20.0) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> length(0.8, 4.0), gap(0.3, 3.0);
    std::vector<Span> speech;
    for (double t = 2.0; t < minutes * 60.0;) {
        const double end = t + length(random);
        speech.push_back({t, end});
        t = end + gap(random);
    }
    return speech;
}

// Titles timed for another release: old = (new - offset) / factor, each edge
// off by up to 60 ms, one line in ten never titled.
std::vector<Span> TitlesFor(const std::vector<Span>& speech, double factor, double offset, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> jitter(-0.06, 0.06);
    std::vector<Span> titles;
    for (size_t i = 0; i < speech.size(); ++i) {
        if (i % 10 == 3) continue;
        titles.push_back({(speech[i].start - offset) / factor + jitter(random),
                          (speech[i].end - offset) / factor + jitter(random)});
    }
    return titles;
}

} // namespace

TEST(Align, FindsAShiftAndAFrameRateChange) {
    const std::vector<Span> speech = MakeSpeech(1);
    struct Case {
        double factor, offset;
    };
    for (const Case c : {Case{1.0, 3.21}, Case{1.0, -47.5}, Case{25.0 / 23.976, 1.3}, Case{23.976 / 25.0, -12.0},
                         Case{1.0004, 0.8}}) {
        SCOPED_TRACE(testing::Message() << "factor " << c.factor << ", offset " << c.offset);
        const SyncProposal p = Align(TitlesFor(speech, c.factor, c.offset, 2), speech);
        ASSERT_TRUE(p.found) << p.why;
        EXPECT_NEAR(p.factor, c.factor, 0.0001);
        // The error the map leaves at the file's end, not just at its start.
        const double last = speech.back().start;
        EXPECT_NEAR((last - c.offset) / c.factor * p.factor + p.offset, last, 0.03);
        EXPECT_NEAR(p.offset, c.offset, 0.03);
        EXPECT_GT(p.fit, 0.75);
        EXPECT_GT(p.peakRatio, 2.0);
    }
}

TEST(Align, FindsAFactorBetweenTheScansSteps) {
    // Two hours stretched by 1.00015, between the scan's factors 0.01% apart:
    // taken from the grid alone, the end would be off by about 0.2 s.
    const std::vector<Span> speech = MakeSpeech(3, 120.0);
    const SyncProposal p = Align(TitlesFor(speech, 1.00015, 2.0, 4), speech);
    ASSERT_TRUE(p.found) << p.why;
    for (const double t : {speech.front().start, speech.back().start})
        EXPECT_NEAR((t - 2.0) / 1.00015 * p.factor + p.offset, t, 0.03) << t;
}

TEST(Align, RefusesTitlesThatBelongToOtherSpeech) {
    const SyncProposal p = Align(TitlesFor(MakeSpeech(5), 1.0, 0.0, 6), MakeSpeech(7));
    EXPECT_FALSE(p.found);
    EXPECT_FALSE(p.why.empty());
}

TEST(Align, SaysWhyWithNothingToWorkOn) {
    EXPECT_EQ(Align({}, MakeSpeech(1)).why, "there are no titles to place");
    EXPECT_EQ(Align({{1.0, 2.0}}, {}).why, "the reference has no speech to place them on");
}

TEST(Align, TriesEveryRatioOfTheUsualFrameRates) {
    const std::vector<double> factors = CandidateFactors();
    for (double f : {1.0, 1.001001, 1.042709, 0.959040, 1.25, 0.8, 1.2, 1.25125})
        EXPECT_TRUE(std::any_of(factors.begin(), factors.end(), [&](double g) { return std::abs(g - f) < 2e-6; })) << f;
}
