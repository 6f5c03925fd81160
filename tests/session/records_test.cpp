#include "session/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace cuemark::session {
namespace {

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(SessionSnapshot, KeepsTimesBitForBitTextsAndDetails) {
    SUBTITLES store;
    const double odd[] = {0.1 + 0.2, -0.0, std::numeric_limits<double>::denorm_min(), 117964.8, -3.25};
    for (double t : odd) store.Add(t, std::nextafter(t, 1e9), "line\r\n<i>two</i> \xC3\xA9");
    store.Add(1, 2, "");
    SessionState state;
    state.sequence = 41;
    state.details = {"/films/a b.srt",       "/films/a b.mkv", SubtitleFormat::MicroDVD,
                     {"windows-1250", true}, 23.976,           true};
    state.changedTitles = {2, 5};

    SUBTITLES back;
    SessionState read;
    ASSERT_TRUE(DecodeSnapshot(EncodeSnapshot(store, state), back, read));
    ASSERT_EQ(back.Count(), store.Count());
    for (int32_t i = 1; i <= store.Count(); ++i) {
        EXPECT_TRUE(sameBits(back.StartTime(i), store.StartTime(i))) << i;
        EXPECT_TRUE(sameBits(back.EndTime(i), store.EndTime(i))) << i;
        EXPECT_EQ(back.Text(i), store.Text(i));
    }
    EXPECT_EQ(read.details, state.details);
    EXPECT_EQ(read.changedTitles, state.changedTitles);
    EXPECT_EQ(read.sequence, 41u);
}

TEST(SessionSnapshot, AnyDamageOrShortfallIsRefused) {
    SUBTITLES store;
    store.Add(1, 2, "one");
    store.Add(3, 4, "two");
    const std::string bytes = EncodeSnapshot(store, SessionState{});
    SUBTITLES back;
    SessionState state;
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(DecodeSnapshot(std::string_view(bytes).substr(0, size), back, state)) << size;
    for (size_t at = 0; at < bytes.size(); ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        EXPECT_FALSE(DecodeSnapshot(damaged, back, state)) << at;
    }
    EXPECT_FALSE(DecodeSnapshot(std::string(bytes) + "x", back, state));
}

// Records made by hand, as the journal makes them, over a store that follows.
class Replay : public ::testing::Test {
protected:
    void change(RecordKind kind, int32_t ix) { AppendTitleRecord(journal, ++sequence, kind, live, ix); }
    std::string journal{JournalMagic};
    uint64_t sequence = 0;
    SUBTITLES live;
};

TEST_F(Replay, RecordsAfterTheSnapshotAreAppliedAndThoseBeforeSkipped) {
    live.Add(1, 2, "a");
    change(RecordKind::Inserted, 1);
    live.Add(3, 4, "b");
    change(RecordKind::Inserted, 2);
    SessionState state;
    state.sequence = sequence;
    const std::string snapshot = EncodeSnapshot(live, state);
    live.SetTimes(2, 3.5, 4.5);
    change(RecordKind::TimesChanged, 2);
    live.SetText(1, "A");
    change(RecordKind::TextChanged, 1);
    live.Delete(1);
    AppendDeletedRecord(journal, ++sequence, {1});
    AppendDetailsRecord(journal, ++sequence, {"x.srt", "", SubtitleFormat::SubRip, {}, 25.0, true});

    SUBTITLES back;
    SessionState read;
    ASSERT_TRUE(DecodeSnapshot(snapshot, back, read));
    EXPECT_EQ(ReplayJournal(journal, back, read), 4u);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.StartTime(1), 3.5);
    EXPECT_EQ(back.Text(1), "b");
    EXPECT_EQ(read.details.subtitleFile, "x.srt");
    EXPECT_EQ(read.sequence, sequence);
}

TEST_F(Replay, StopsAtAGapOrARecordThatDoesNotFitTheStore) {
    live.Add(1, 2, "a");
    change(RecordKind::Inserted, 1);
    const size_t good = journal.size();
    // Title 5 does not exist: a record that names it is damage.
    AppendDeletedRecord(journal, ++sequence, {5});
    live.Add(3, 4, "b");
    change(RecordKind::Inserted, 2);
    SUBTITLES back;
    SessionState read;
    EXPECT_EQ(ReplayJournal(journal, back, read), 1u);
    EXPECT_EQ(back.Count(), 1);

    // A record missing from the middle: nothing after the gap is trusted.
    std::string gap = journal.substr(0, good);
    AppendTitleRecord(gap, 3, RecordKind::Inserted, live, 2);
    SUBTITLES other;
    SessionState otherState;
    EXPECT_EQ(ReplayJournal(gap, other, otherState), 1u);

    bool valid = true;
    EXPECT_EQ(ReplayJournal("not a journal", other, otherState, &valid), 0u);
    EXPECT_FALSE(valid);
}

} // namespace
} // namespace cuemark::session
