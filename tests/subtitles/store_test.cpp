#include "subtitles/store.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using cuemark::StoreFull;
using cuemark::SUBTITLES;

namespace {

struct EventLog : cuemark::StoreListener {
    std::vector<std::string> events;
    void UndoPossible(bool Status) override { events.push_back(Status ? "possible" : "impossible"); }
    void UndoChangedListLength() override { events.push_back("length"); }
};

void addEvery(SUBTITLES& s, std::initializer_list<double> starts, double length = 2.0) {
    for (double start : starts) s.Add(start, start + length, "t" + std::to_string(start));
}

// Locate on titles with these starts, asked in this order: each time and
// the title it must give.
void expectLocated(std::initializer_list<double> starts,
                   std::initializer_list<std::pair<double, std::int32_t>> answers) {
    SUBTITLES s;
    addEvery(s, starts);
    for (const auto& [time, title] : answers) EXPECT_EQ(s.Locate(time), title) << "at " << time;
}

} // namespace

TEST(SubtitleStore, NewStoreIsEmptyAndReadsNeutralValues) {
    SUBTITLES s;
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.Locate(12.0), 0);
    EXPECT_EQ(s.StartTime(1), 0.0);
    EXPECT_EQ(s.Text(1), "");
    EXPECT_FALSE(s.UndoEnabled());
    EXPECT_EQ(s.UndoCount(), 0);
}

TEST(SubtitleStore, BadTitleNumbersChangeNothing) {
    SUBTITLES s;
    s.SetUndoEnabled(true);
    s.Add(1, 2, "a");
    for (int ix : {-1, 0, 2, 1000}) {
        s.SetTimes(ix, 5, 6);
        s.SetStartTime(ix, 5);
        s.SetEndTime(ix, 6);
        s.SetText(ix, "x");
        s.Delete(ix);
        EXPECT_EQ(s.StartTime(ix), 0.0);
        EXPECT_EQ(s.EndTime(ix), 0.0);
        EXPECT_EQ(s.Text(ix), "");
    }
    s.Insert(0, 1, 2, "x");
    s.Insert(3, 1, 2, "x");
    EXPECT_EQ(s.Count(), 1);
    EXPECT_EQ(s.UndoCount(), 0);
    EXPECT_EQ(s.Text(1), "a");
}

TEST(SubtitleStore, AddStoresValuesUncheckedAndGrowsPastTheFirstHundred) {
    SUBTITLES s;
    for (int i = 1; i <= 250; ++i) s.Add(i, i - 5, "");
    EXPECT_EQ(s.Count(), 250);
    EXPECT_EQ(s.StartTime(100), 100.0);
    EXPECT_EQ(s.EndTime(101), 96.0);
    EXPECT_EQ(s.StartTime(250), 250.0);
}

TEST(SubtitleStore, ClearDropsOldTitlesForGood) {
    SUBTITLES s;
    addEvery(s, {1, 5, 9});
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    s.Add(7, 8, "new");
    EXPECT_EQ(s.Count(), 1);
    EXPECT_EQ(s.Text(1), "new");
    EXPECT_EQ(s.Text(2), "");
    EXPECT_EQ(s.StartTime(2), 0.0);
}

TEST(SubtitleStore, InsertAndDeleteRenumberTitles) {
    SUBTITLES s;
    addEvery(s, {1, 5, 9});
    s.Insert(4, 20, 21, "appended");
    EXPECT_EQ(s.Count(), 4);
    EXPECT_EQ(s.Text(4), "appended");
    s.Insert(2, 3, 4, "second");
    EXPECT_EQ(s.Text(2), "second");
    EXPECT_EQ(s.StartTime(3), 5.0);
    s.Delete(5);
    EXPECT_EQ(s.Count(), 4);
    EXPECT_EQ(s.Text(4), "t9.000000");
    s.Delete(1);
    EXPECT_EQ(s.Text(1), "second");
    EXPECT_EQ(s.Count(), 3);
}

TEST(SubtitleStore, HoldsAtMost32700TitlesAndRefusesTheNextUnchanged) {
    SUBTITLES s;
    s.SetUndoEnabled(true);
    for (int i = 0; i < SUBTITLES::MaxTitles; ++i) s.Add(i, i + 0.5, "");
    EXPECT_THROW(s.Add(1e6, 1e6, "x"), StoreFull);
    EXPECT_THROW(s.Insert(1, 0, 0, "x"), StoreFull);
    EXPECT_EQ(s.Count(), SUBTITLES::MaxTitles);
    EXPECT_EQ(s.StartTime(1), 0.0);
    // A refused insert leaves no journal entry behind that would later
    // undo (delete) a title that was never inserted.
    EXPECT_EQ(s.UndoCount(), 0);
    s.Delete(5);
    s.Insert(5, 4, 4.5, "");
    EXPECT_EQ(s.Count(), SUBTITLES::MaxTitles);
}

// ---- Locate -------------------------------------------------------------

TEST(SubtitleLocate, FindsTheTitleThatStartsNext) {
    expectLocated({1, 5, 9}, {{0.5, 1}, {3, 2}, {6, 3}, {20, 3}});
}

TEST(SubtitleLocate, ExactStartsFollowTheProbeOrder) {
    expectLocated({1, 5, 9, 13, 17, 21, 25, 29}, {{9, 4}, {13, 4}, {5, 2}, {17, 6}});
}

TEST(SubtitleLocate, OneTitleIsAlwaysTheAnswer) {
    SUBTITLES s;
    s.Add(3, 4, "only");
    for (double t : {0.0, 2.0, 3.0, 3.5, 100.0}) EXPECT_EQ(s.Locate(t), 1);
}

TEST(SubtitleLocate, OnAscendingStoresLandsBetweenNeighbouringStarts) {
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> gap(0.0, 4.0);
    for (int round = 0; round < 300; ++round) {
        SUBTITLES s;
        const int n = 2 + static_cast<int>(rng() % 400);
        double t = gap(rng);
        for (int i = 0; i < n; ++i) {
            double start = (rng() % 7 == 0) ? t : (t += gap(rng));
            s.Add(start, start + 1.0, "");
        }
        for (int probe = 0; probe < 50; ++probe) {
            const double ts = std::uniform_real_distribution<double>(-1, t + 3)(rng);
            const int p = s.Locate(ts);
            ASSERT_GE(p, 1);
            ASSERT_LE(p, n);
            if (ts <= s.StartTime(1) || ts >= s.EndTime(n - 1) || ts > s.StartTime(n)) continue;
            EXPECT_TRUE(s.StartTime(p - 1) <= ts && ts <= s.StartTime(p))
                << "round " << round << " time " << ts << " gave " << p;
        }
    }
}

namespace {
// The bisection as plainly written, for ascending stores only.
int plainLocate(const SUBTITLES& s, double ts) {
    auto start = [&](int k) { return k == 0 ? 0.0 : s.StartTime(k); };
    auto half = [](int twice) { return twice / 2 + ((twice % 2 != 0 && (twice / 2) % 2 != 0) ? 1 : 0); };
    const int n = s.Count();
    if (n == 0) return 0;
    if (ts <= start(1)) return 1;
    if (ts >= (n - 1 == 0 ? 0.0 : s.EndTime(n - 1))) return n;
    int p = half(n), step = p;
    for (int guard = 0; guard < 10000; ++guard) {
        step = half(step);
        if (step == 0) step = 1;
        if (start(p - 1) > ts)
            p -= step;
        else if (start(p) < ts && p > 0)
            p += step;
        if (p == 0) p = 1;
        if (p > n) return n; // the plain form would read past the titles here
        if (start(p - 1) <= ts && ts <= start(p)) return p;
    }
    return -1;
}
} // namespace

TEST(SubtitleLocate, AgreesWithThePlainBisectionOnAscendingStoresTiesIncluded) {
    std::mt19937 rng(31337);
    for (int round = 0; round < 400; ++round) {
        SUBTITLES s;
        const int n = 2 + static_cast<int>(rng() % 300);
        double t = 0.5;
        for (int i = 0; i < n; ++i) {
            if (rng() % 3) t += 1 + rng() % 3; // whole seconds: many equal starts
            s.Add(t, t + 0.5, "");
        }
        for (double ts = 0; ts < t + 2; ts += 0.5)
            ASSERT_EQ(s.Locate(ts), plainLocate(s, ts)) << "round " << round << " time " << ts;
    }
}

TEST(SubtitleLocate, NoticesWhenAnEditBreaksTheOrder) {
    SUBTITLES s;
    addEvery(s, {1, 5, 9, 13, 17});
    EXPECT_EQ(s.Locate(10), 4);
    s.SetStartTime(4, 2); // out of order now: the answer must still be a title
    const int p = s.Locate(10);
    EXPECT_GE(p, 1);
    EXPECT_LE(p, 5);
    s.SetStartTime(4, 13);
    EXPECT_EQ(s.Locate(10), 4);
}

TEST(SubtitleLocate, EndsOnDisorderedStoresAndOddTimes) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        SUBTITLES s;
        const int n = 1 + static_cast<int>(rng() % 300);
        for (int i = 0; i < n; ++i) {
            double a = std::uniform_real_distribution<double>(-50, 50)(rng);
            s.Add(a, a + std::uniform_real_distribution<double>(-5, 60)(rng), "");
        }
        for (double ts : {-100.0, -1.0, 0.0, 10.0, 49.0, 1e9, std::nan("")}) {
            const int p = s.Locate(ts);
            EXPECT_GE(p, 1);
            EXPECT_LE(p, n);
        }
    }
}

// ---- undo journal -------------------------------------------------------

TEST(UndoJournal, EmptyJournalUndoesNothing) {
    SUBTITLES s;
    EventLog log;
    s.setListener(&log);
    EXPECT_EQ(s.Undo(), 0);
    s.ClearUndo();
    EXPECT_TRUE(log.events.empty());
}

TEST(UndoJournal, FirstEntryRaisesPossibleBeforeItIsStored) {
    SUBTITLES s;
    struct Probe : cuemark::StoreListener {
        SUBTITLES* store = nullptr;
        std::vector<int> countsSeen;
        void UndoPossible(bool) override { countsSeen.push_back(store->UndoCount()); }
        void UndoChangedListLength() override {}
    } probe;
    probe.store = &s;
    s.setListener(&probe);
    s.SetUndoEnabled(true);
    s.Add(1, 2, "a");
    s.SetStartTime(1, 1.5);
    s.SetEndTime(1, 2.5);
    EXPECT_EQ(probe.countsSeen, std::vector<int>{0});
    EXPECT_EQ(s.UndoCount(), 2);
}

TEST(UndoJournal, SetTimesIsOneStepTwoWritesAreTwo) {
    SUBTITLES s;
    s.SetUndoEnabled(true);
    s.Add(1, 2, "a");
    s.SetTimes(1, 3, 4);
    EXPECT_EQ(s.UndoCount(), 1);
    s.SetStartTime(1, 5);
    s.SetEndTime(1, 6);
    EXPECT_EQ(s.UndoCount(), 3);
    EXPECT_EQ(s.Undo(), 1);
    EXPECT_EQ(s.StartTime(1), 5.0);
    EXPECT_EQ(s.EndTime(1), 4.0);
    s.Undo();
    EXPECT_EQ(s.StartTime(1), 3.0);
    s.Undo();
    EXPECT_EQ(s.StartTime(1), 1.0);
    EXPECT_EQ(s.EndTime(1), 2.0);
    EXPECT_EQ(s.Text(1), "a");
}

TEST(UndoJournal, UndoOfDeleteAndInsertRestoresNumberingAndTellsTheListener) {
    SUBTITLES s;
    EventLog log;
    s.setListener(&log);
    addEvery(s, {1, 5, 9, 13});
    s.SetUndoEnabled(true);
    s.Delete(3);
    s.Insert(2, 3, 4, "new");
    EXPECT_EQ(s.Undo(), 2);
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.Text(2), "t5.000000");
    EXPECT_EQ(s.Undo(), 3);
    EXPECT_EQ(s.Count(), 4);
    EXPECT_EQ(s.Text(3), "t9.000000");
    EXPECT_EQ(s.StartTime(3), 9.0);
    EXPECT_EQ(s.EndTime(3), 11.0);
    EXPECT_EQ(s.UndoCount(), 0);
    EXPECT_EQ(log.events, (std::vector<std::string>{"possible", "length", "length", "impossible"}));
}

TEST(UndoJournal, KeepsTheNewestHundredEntries) {
    SUBTITLES s;
    s.Add(0, 1, "a");
    s.SetUndoEnabled(true);
    for (int i = 1; i <= 101; ++i) s.SetStartTime(1, i);
    EXPECT_EQ(s.UndoCount(), 100);
    for (int i = 0; i < 100; ++i) s.Undo();
    // The first change (0 -> 1) fell out of the ring.
    EXPECT_EQ(s.StartTime(1), 1.0);
    EXPECT_EQ(s.UndoCount(), 0);
    EXPECT_EQ(s.Undo(), 0);
}

TEST(UndoJournal, RecordingOffRecordsAndRaisesNothing) {
    SUBTITLES s;
    EventLog log;
    s.setListener(&log);
    s.Add(0, 1, "a");
    s.SetTimes(1, 2, 3);
    s.SetText(1, "b");
    s.Insert(1, 0, 0, "");
    s.Delete(1);
    EXPECT_EQ(s.UndoCount(), 0);
    EXPECT_TRUE(log.events.empty());
}

TEST(UndoJournal, ClearUndoRaisesImpossibleOnceAndEmptiesTheRing) {
    SUBTITLES s;
    EventLog log;
    s.setListener(&log);
    s.Add(0, 1, "a");
    s.SetUndoEnabled(true);
    s.SetText(1, "b");
    s.SetText(1, "c");
    s.ClearUndo();
    s.ClearUndo();
    EXPECT_EQ(s.UndoCount(), 0);
    EXPECT_EQ(log.events, (std::vector<std::string>{"possible", "impossible"}));
}

TEST(UndoJournal, ListenerWritesDuringAnUndoAreNotRecorded) {
    SUBTITLES s;
    struct Rewriter : cuemark::StoreListener {
        SUBTITLES* store = nullptr;
        void UndoPossible(bool) override {}
        void UndoChangedListLength() override { store->SetText(1, "touched"); }
    } rewriter;
    rewriter.store = &s;
    s.setListener(&rewriter);
    addEvery(s, {1, 5});
    s.SetUndoEnabled(true);
    s.Delete(2);
    s.Undo();
    EXPECT_EQ(s.Text(1), "touched");
    EXPECT_EQ(s.UndoCount(), 0);
}

TEST(StoreDeleteAscending, MatchesDeletingOneByOneIncludingUndo) {
    auto fill = [](SUBTITLES& s) {
        for (int k = 1; k <= 12; ++k) s.Add(k, k + 0.5, "t" + std::to_string(k));
        s.SetUndoEnabled(true);
    };
    for (int32_t keep : {1, 4}) {
        SUBTITLES batch, single;
        fill(batch);
        fill(single);
        const std::vector<int32_t> chosen = {1, 2, 5, 9, 10, 11, 12};
        int32_t gone = 0;
        for (int32_t ix : chosen) {
            if (single.Count() <= keep) break;
            single.Delete(ix - gone++);
        }
        EXPECT_EQ(batch.DeleteAscending(chosen, keep), gone);
        ASSERT_EQ(batch.Count(), single.Count());
        while (true) {
            for (int32_t ix = 1; ix <= single.Count(); ++ix) {
                EXPECT_EQ(batch.Text(ix), single.Text(ix));
                EXPECT_EQ(batch.StartTime(ix), single.StartTime(ix));
            }
            if (single.UndoCount() == 0) break;
            EXPECT_EQ(batch.Undo(), single.Undo());
            ASSERT_EQ(batch.Count(), single.Count());
        }
        EXPECT_EQ(batch.Count(), 12);
    }
}

TEST(StoreDeleteAscending, SkipsBadAndRepeatedNumbers) {
    SUBTITLES s;
    for (int k = 1; k <= 4; ++k) s.Add(k, k + 0.5, "t");
    EXPECT_EQ(s.DeleteAscending({0, 2, 2, 9}, 0), 1);
    EXPECT_EQ(s.Count(), 3);
    EXPECT_EQ(s.StartTime(2), 3.0);
    EXPECT_EQ(s.DeleteAscending({1, 2, 3}, 0), 3);
    EXPECT_EQ(s.Count(), 0);
    s.Add(7, 8, "again");
    EXPECT_EQ(s.Count(), 1);
    EXPECT_EQ(s.StartTime(1), 7.0);
}
