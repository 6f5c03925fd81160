// The lag estimate, compensation and event stamping, on their own.
#include <QTest>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "app/calibration/reaction_time.h"
#include "tests/app/support/simulated_user.h"

using namespace cuemark;
using cuemark::testing::SimulatedUser;

class ReactionTimeTest : public QObject {
    Q_OBJECT
private slots:
    void estimateRecoversASimulatedUsersLags();
    void missedAndAbsurdCuesAreLeftOut();
    void aCueHeldTwiceKeepsItsFirstHold();
    void tooFewUsableCuesIsNotEnough();
    void compensationTakesTheLagsOff();
    void compensationNeverGoesBelowZeroOrEndsBeforeItsStart();
    void storedLagsOutOfRangeCountAsNone();
    void eventStampTakesTheHandlersDelayOff();
    void eventStampWithoutAStampOrWhilePausedIsTheReading();
    void eventStampNeverPrecedesTheLastSeek();
    void eventStampOnAnotherClockLearnsItsOffset();
};

void ReactionTimeTest::estimateRecoversASimulatedUsersLags() {
    // One user's twenty cues: all usable, the figures near the truth.
    SimulatedUser user(7);
    const std::vector<Cue> cues = SimulatedUser::Cues(20);
    const LagEstimate estimate = estimateLags(cues, user.holds(cues));
    QCOMPARE(estimate.cues, 20);
    QCOMPARE(estimate.usable, 20);
    QVERIFY(std::fabs(estimate.pressMs - 200) <= 25);
    QVERIFY(std::fabs(estimate.releaseMs - 150) <= 25);
    QVERIFY(estimate.pressSpreadMs > 15 && estimate.pressSpreadMs < 70);

    // Twenty draws leave the median about 11 ms of chance either way, so
    // across many users: the typical miss stays within 10 ms and there is
    // no lean to either side.
    std::vector<double> misses;
    double lean = 0;
    const int users = 200;
    for (int seed = 100; seed < 100 + users; ++seed) {
        SimulatedUser another(static_cast<unsigned>(seed));
        const LagEstimate e = estimateLags(cues, another.holds(cues));
        misses.push_back(std::fabs(e.pressMs - 200));
        misses.push_back(std::fabs(e.releaseMs - 150));
        lean += (e.pressMs - 200) + (e.releaseMs - 150);
    }
    std::sort(misses.begin(), misses.end());
    QVERIFY2(misses[misses.size() / 2] <= 10, qPrintable(QString::number(misses[misses.size() / 2])));
    QVERIFY2(std::fabs(lean / (2 * users)) <= 3, qPrintable(QString::number(lean / (2 * users))));
}

void ReactionTimeTest::missedAndAbsurdCuesAreLeftOut() {
    const std::vector<Cue> cues{{1, 2}, {4, 5}, {7, 8}, {10, 11}, {13, 14}};
    const std::vector<Hold> holds{
        {0.5, 0.9},    // before any cue: belongs to none
        {1.2, 2.15},   // 200 / 150
        {4.02, 5.15},  // press 20 ms: a guess, not a reaction
        {7.95, 8.05},  // press 950 ms: late beyond reason
        {10.2, 10.9},  // released before the end
        {13.25, 14.1}, // 250 / 100
    };
    const LagEstimate estimate = estimateLags(cues, holds);
    QCOMPARE(estimate.cues, 5);
    QCOMPARE(estimate.usable, 2);
    QVERIFY(std::fabs(estimate.pressMs - 225) < 1e-6);
    QVERIFY(std::fabs(estimate.releaseMs - 125) < 1e-6);
    QVERIFY(!estimate.enough());
}

void ReactionTimeTest::aCueHeldTwiceKeepsItsFirstHold() {
    const std::vector<Cue> cues{{1, 2}};
    const LagEstimate estimate = estimateLags(cues, {{1.2, 2.1}, {1.6, 2.5}});
    QCOMPARE(estimate.usable, 1);
    QVERIFY(std::fabs(estimate.pressMs - 200) < 1e-6);
    QVERIFY(std::fabs(estimate.releaseMs - 100) < 1e-6);
}

void ReactionTimeTest::tooFewUsableCuesIsNotEnough() {
    const std::vector<Cue> cues = SimulatedUser::Cues(12);
    std::vector<Hold> holds;
    for (int i = 0; i < 7; ++i) holds.push_back({cues[i].start + 0.2, cues[i].end + 0.15});
    QVERIFY(!estimateLags(cues, holds).enough());
    holds.push_back({cues[7].start + 0.2, cues[7].end + 0.15});
    QVERIFY(estimateLags(cues, holds).enough());
    QCOMPARE(estimateLags(cues, {}).usable, 0);
    QCOMPARE(estimateLags({}, holds).usable, 0);
}

void ReactionTimeTest::compensationTakesTheLagsOff() {
    const TitleTimes times = compensatedTimes(12.5, 14.2, {180, 120}, 1.0);
    QVERIFY(std::fabs(times.start - 12.32) < 1e-9);
    QVERIFY(std::fabs(times.end - 14.08) < 1e-9);
    const TitleTimes none = compensatedTimes(12.5, 14.2, {0, 0}, 1.0);
    QCOMPARE(none.start, 12.5);
    QCOMPARE(none.end, 14.2);
}

void ReactionTimeTest::compensationNeverGoesBelowZeroOrEndsBeforeItsStart() {
    // A press at the very start of the film.
    const TitleTimes early = compensatedTimes(0.1, 1.0, {200, 150}, 1.0);
    QCOMPARE(early.start, 0.0);
    QVERIFY(std::fabs(early.end - 0.85) < 1e-9);
    // A tap shorter than the lags' difference: the old duration is kept.
    const TitleTimes tap = compensatedTimes(5.0, 5.01, {100, 300}, 1.25);
    QVERIFY(std::fabs(tap.start - 4.9) < 1e-9);
    QVERIFY(std::fabs(tap.end - 6.15) < 1e-9);
    // No old duration: half a second.
    const TitleTimes fresh = compensatedTimes(5.0, 5.01, {100, 300}, 0.0);
    QVERIFY(std::fabs(fresh.end - 5.4) < 1e-9);
    // Both edges at the start of the film.
    const TitleTimes zero = compensatedTimes(0.05, 0.1, {200, 150}, 0.0);
    QCOMPARE(zero.start, 0.0);
    QVERIFY(zero.end >= zero.start);
}

void ReactionTimeTest::storedLagsOutOfRangeCountAsNone() {
    QCOMPARE(saneLags(180, 120).pressMs, 180);
    QCOMPARE(saneLags(180, 120).releaseMs, 120);
    QCOMPARE(saneLags(-5, 901).pressMs, 0);
    QCOMPARE(saneLags(-5, 901).releaseMs, 0);
}

void ReactionTimeTest::eventStampTakesTheHandlersDelayOff() {
    KeyEventClock clock;
    // The X server's stamps: the monotonic clock's milliseconds in 32 bits.
    const double now = 5'000'000'123.75;
    const auto stamp = static_cast<std::uint64_t>(std::fmod(now - 60.25, 4294967296.0));
    const double at = clock.mediaTimeAt(stamp, now, 10.0, 1.0, 0.0, true);
    QVERIFY2(std::fabs(at - (10.0 - 0.060)) < 0.0006, qPrintable(QString::number(at, 'f', 6)));
    // At half speed the media moved half as far.
    const double slow = clock.mediaTimeAt(stamp, now, 10.0, 0.5, 0.0, true);
    QVERIFY(std::fabs(slow - (10.0 - 0.030)) < 0.0006);
}

void ReactionTimeTest::eventStampWithoutAStampOrWhilePausedIsTheReading() {
    KeyEventClock clock;
    const double now = monotonicMs();
    QCOMPARE(clock.mediaTimeAt(0, now, 10.0, 1.0, 0.0, true), 10.0);
    QVERIFY(!clock.lastDelayMs());
    const auto stamp = static_cast<std::uint64_t>(std::fmod(now - 50, 4294967296.0));
    QCOMPARE(clock.mediaTimeAt(stamp, now, 10.0, 1.0, 0.0, false), 10.0);
    // A stamp seconds old on the monotonic clock is no stamp of this event.
    const auto stale = static_cast<std::uint64_t>(std::fmod(now - 3000, 4294967296.0));
    QCOMPARE(clock.mediaTimeAt(stale, now, 10.0, 1.0, 0.0, true), 10.0);
}

void ReactionTimeTest::eventStampNeverPrecedesTheLastSeek() {
    KeyEventClock clock;
    const double now = monotonicMs();
    const auto stamp = static_cast<std::uint64_t>(std::fmod(now - 80, 4294967296.0));
    // The seek to 10.0 came after the key moved.
    QCOMPARE(clock.mediaTimeAt(stamp, now, 10.03, 1.0, 10.0, true), 10.0);
}

void ReactionTimeTest::eventStampOnAnotherClockLearnsItsOffset() {
    KeyEventClock clock;
    // Stamps counted from some other moment (Qt's own event clock).
    const double now = 9'000'000.0;
    const double base = 123'456.0;
    QCOMPARE(clock.mediaTimeAt(static_cast<std::uint64_t>(now - base), now, 5.0, 1.0, 0.0, true), 5.0);
    const double later = now + 1000;
    const double at = clock.mediaTimeAt(static_cast<std::uint64_t>(later - base - 40), later, 6.0, 1.0, 0.0, true);
    QVERIFY(std::fabs(at - 5.96) < 1e-9);
}

QTEST_GUILESS_MAIN(ReactionTimeTest)
#include "reaction_time_test.moc"
