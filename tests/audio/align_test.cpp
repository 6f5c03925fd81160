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
        ASSERT_EQ(p.segments.size(), 1u) << DescribeProposal(p);
        EXPECT_NEAR((last - c.offset) / c.factor * p.factor + p.segments[0].offset, last, 0.03);
        EXPECT_NEAR(p.segments[0].offset, c.offset, 0.03);
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
        EXPECT_NEAR(p.map(0, (t - 2.0) / 1.00015), t, 0.03) << t;
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

namespace {

// Titles for a release with its own cuts: after each cut point (a time in
// the film) the old file runs `amount` seconds later; a negative amount is
// a stretch of the film the old release lacks, whose lines it never had.
struct Cut {
    double at, amount;
};
std::vector<Span> TitlesWithCuts(const std::vector<Span>& speech, const std::vector<Cut>& cuts, double offset,
                                 std::vector<double>& truth) {
    std::vector<Span> titles;
    truth.clear();
    for (const Span& s : speech) {
        double moved = -offset;
        bool lacking = false;
        for (const Cut& c : cuts) {
            if (s.start < c.at) continue;
            if (c.amount < 0 && s.start < c.at - c.amount) lacking = true;
            moved += c.amount;
        }
        if (lacking) continue;
        titles.push_back({s.start + moved, s.end + moved});
        truth.push_back(s.start);
    }
    return titles;
}

// The share of titles whose start the proposal puts within `tolerance`.
double ShareWithin(const SyncProposal& p, const std::vector<Span>& titles, const std::vector<double>& truth,
                   double tolerance) {
    size_t good = 0;
    for (size_t i = 0; i < titles.size(); ++i)
        if (std::abs(p.map(i, titles[i].start) - truth[i]) <= tolerance) ++good;
    return double(good) / double(titles.size());
}

} // namespace

TEST(Align, FindsCutsAndPutsEveryRunBack) {
    const std::vector<Span> speech = MakeSpeech(11, 40.0);
    struct Case {
        const char* what;
        std::vector<Cut> cuts;
        double offset;
    };
    const Case cases[] = {
        {"an old release 4 s longer", {{700.0, 4.0}}, 2.5},
        {"an old release 60 s longer", {{1500.0, 60.0}}, -8.0},
        {"an old release lacking 15 s", {{900.0, -15.0}}, 0.0},
        {"two cuts", {{500.0, 7.0}, {1800.0, -20.0}}, 12.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> truth;
        const std::vector<Span> titles = TitlesWithCuts(speech, c.cuts, c.offset, truth);
        const SyncProposal p = Align(titles, speech);
        ASSERT_TRUE(p.found) << p.why;
        EXPECT_EQ(p.segments.size(), c.cuts.size() + 1) << DescribeProposal(p);
        // The reference is the titles' own times: every one goes back
        // exactly, the titles beside a cut too, though they fit at both
        // offsets.
        EXPECT_EQ(ShareWithin(p, titles, truth, 0.0005), 1.0) << DescribeProposal(p);
        // Without splits the file takes one offset, right only for a part.
        AlignOptions whole;
        whole.split = false;
        const SyncProposal one = Align(titles, speech, whole);
        EXPECT_EQ(one.segments.size(), 1u);
        EXPECT_LT(ShareWithin(one, titles, truth, 0.03), 0.95);
    }
}

TEST(Align, ACutNeedsToEarnItsPlace) {
    // A plain shift over an hour splits nowhere, even with a penalty of
    // nothing but a tenth of a second.
    const std::vector<Span> speech = MakeSpeech(13, 60.0);
    AlignOptions cheap;
    cheap.splitPenalty = 0.1;
    const SyncProposal p = Align(TitlesFor(speech, 1.0, 5.0, 14), speech, cheap);
    ASSERT_TRUE(p.found) << p.why;
    EXPECT_EQ(p.segments.size(), 1u) << DescribeProposal(p);
    // And an unrelated file is refused whether it may split or not.
    for (const bool split : {true, false}) {
        AlignOptions o;
        o.split = split;
        const SyncProposal q = Align(TitlesFor(MakeSpeech(15), 1.0, 0.0, 16), MakeSpeech(17), o);
        EXPECT_FALSE(q.found) << DescribeProposal(q) << ", fit " << q.fit << ", ratio " << q.peakRatio;
    }
}

TEST(Align, SaysWhatItProposesInWords) {
    SyncProposal p;
    p.factor = 25.0 / 23.976;
    p.segments = {{0, 411, 7.3}, {412, 900, 11.3}};
    // In the stretch's own words: times for 23.976, re-timed for 25.
    EXPECT_EQ(DescribeProposal(p),
              "Shift +7.300 s; stretch 23.976 \u2192 25 fps; a cut after title 412: +4.000 s from there");
    p.factor = 1.00015;
    p.segments = {{0, 10, -0.25}};
    EXPECT_EQ(DescribeProposal(p), "Shift -0.250 s; stretch \u00d71.000150");
    p.factor = 1.0;
    p.segments = {{0, 10, 0.0}};
    EXPECT_EQ(DescribeProposal(p), "No change");
}
