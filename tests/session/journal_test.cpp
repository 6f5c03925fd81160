#include "session/journal.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <map>

#include "session/recovery.h"
#include "tests/session/session_script.h"
#include "tests/subtitles/temp_dir.h"

namespace cuemark::session {
namespace {

using cuemark::testing::editOnce;
using cuemark::testing::TempDir;
using cuemark::testing::Titles;
using cuemark::testing::titlesOf;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Journal : public ::testing::Test {
protected:
    void SetUp() override { store.SetUndoEnabled(true); }
    std::unique_ptr<SessionJournal> start() {
        std::string error;
        auto journal = SessionJournal::start(root, store, &error);
        EXPECT_NE(journal, nullptr) << error;
        return journal;
    }
    static unsigned modeOf(const std::string& path) {
        struct stat status;
        return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }

    TempDir dir;
    std::string root = dir.file("state/cuemark/sessions");
    SUBTITLES store;
};

TEST_F(Journal, EveryKindOfChangeComesBackExactly) {
    auto journal = start();
    journal->rebase({"/films/a.srt", "/films/a.mp4", SubtitleFormat::SubRip, {}, 25.0, false});
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    auto clock = std::chrono::steady_clock::now();
    for (int k = 0; k < 3000; ++k) {
        editOnce(store, random);
        // Now and then a snapshot and a fresh journal, as the timer makes them.
        if (k % 250 == 0) journal->tick(clock += SessionJournal::SnapshotInterval);
    }
    journal->setDetails({"/films/a.srt", "/films/a.mp4", SubtitleFormat::SubRip, {"UTF-8", true}, 25.0, true});
    ASSERT_TRUE(journal->waitDurable(journal->lastSequence(), 10s));

    SUBTITLES back;
    SessionState state;
    ASSERT_TRUE(ReadSession(journal->folder(), back, state));
    EXPECT_EQ(titlesOf(back), titlesOf(store));
    EXPECT_EQ(state.details, journal->details());
    EXPECT_EQ(state.sequence, journal->lastSequence());
}

TEST_F(Journal, TheFolderIsPrivateHeldWhileRunningAndGoesAtANormalEnd) {
    auto journal = start();
    const std::string folder = journal->folder();
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(dir.file("state/cuemark")), 0700u);
    store.Add(1, 2, "one");
    ASSERT_TRUE(journal->waitDurable(journal->lastSequence(), 10s));
    for (const char* file : {"lock", "snapshot", "journal"}) EXPECT_EQ(modeOf(folder + "/" + file), 0600u) << file;
    FolderLock other;
    EXPECT_FALSE(other.tryLock(folder, false)) << "a running session must stay locked";
    // A second program beside the first has its own session.
    SUBTITLES secondStore;
    auto second = SessionJournal::start(root, secondStore, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second->folder(), folder);
    EXPECT_TRUE(CrashedSessions::find(root).sessions().empty());

    journal->finish();
    EXPECT_FALSE(fs::exists(folder));
    // Ending without finish, as a crash does, keeps the folder for recovery.
    const std::string kept = second->folder();
    second.reset();
    EXPECT_TRUE(fs::exists(kept + "/snapshot"));
}

TEST_F(Journal, AWriteThatFailsIsToldOnceAndTheWorkGoesOn) {
    auto journal = start();
    store.Add(1, 2, "one");
    ASSERT_TRUE(journal->waitDurable(journal->lastSequence(), 10s));
    // The state folder vanishes (or the disk is gone): the next snapshot fails.
    fs::remove_all(journal->folder());
    store.Add(3, 4, "two");
    journal->tick(std::chrono::steady_clock::now() + SessionJournal::SnapshotInterval);
    EXPECT_FALSE(journal->waitDurable(journal->lastSequence(), 10s));
    const auto failure = journal->takeFailure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find(journal->folder()), std::string::npos) << *failure;
    EXPECT_FALSE(journal->takeFailure().has_value()) << "said once";
    store.Add(5, 6, "three");
    store.SetText(1, "still editable");
    EXPECT_EQ(store.Count(), 3);
    journal->tick(std::chrono::steady_clock::now() + 2 * SessionJournal::SnapshotInterval);
}

TEST_F(Journal, AFullDiskIsToldOnceAndTheWorkGoesOn) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can mount a small disk to fill";
    const std::string disk = dir.file("disk");
    fs::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{disk};
    root = disk + "/sessions";
    auto journal = start();
    ASSERT_NE(journal, nullptr);
    std::optional<std::string> failure;
    for (int k = 0; k < 5000 && !failure; ++k) {
        store.Add(k, k + 1, std::string(200, 'x'));
        journal->waitDurable(journal->lastSequence(), 10s);
        failure = journal->takeFailure();
    }
    ASSERT_TRUE(failure.has_value()) << "64 KB never filled";
    EXPECT_NE(failure->find("No space left on device"), std::string::npos) << *failure;
    const int32_t titles = store.Count();
    store.Add(1, 2, "after the disk filled");
    journal->tick(std::chrono::steady_clock::now() + SessionJournal::SnapshotInterval);
    EXPECT_EQ(store.Count(), titles + 1);
    EXPECT_FALSE(journal->takeFailure().has_value()) << "said once";
}

TEST_F(Journal, AnUnwritableStateFolderIsRefusedWithAReason) {
    dir.write("state", "a file where the folder should be");
    std::string error;
    EXPECT_EQ(SessionJournal::start(root, store, &error), nullptr);
    EXPECT_NE(error.find(dir.file("state")), std::string::npos) << error;
    EXPECT_EQ(SessionJournal::start("", store, &error), nullptr);
    EXPECT_FALSE(error.empty());
}

// Every state the store went through, by the sequence number of its last change.
class Damage : public Journal {
protected:
    void SetUp() override {
        Journal::SetUp();
        journal = start();
        std::mt19937 random(7);
        states[journal->lastSequence()] = titlesOf(store);
        for (int k = 0; k < 40; ++k) {
            editOnce(store, random);
            states[journal->lastSequence()] = titlesOf(store);
            boundaries.push_back(journalSizeAfterDurable());
        }
        bytes = TempDir::read(journal->folder() + "/journal");
        snapshot = TempDir::read(journal->folder() + "/snapshot");
    }
    size_t journalSizeAfterDurable() {
        EXPECT_TRUE(journal->waitDurable(journal->lastSequence(), 10s));
        return fs::file_size(journal->folder() + "/journal");
    }
    // What recovery makes of the journal `damaged`: always a state the
    // store was in, and never one past `limit`.
    void expectRecoveredUpTo(const std::string& damaged, uint64_t limit) {
        // ReadSession's two steps, in memory: thousands of cases run.
        SUBTITLES back;
        SessionState state;
        ASSERT_TRUE(DecodeSnapshot(snapshot, back, state));
        ReplayJournal(damaged, back, state);
        EXPECT_LE(state.sequence, limit);
        ASSERT_TRUE(states.count(state.sequence));
        EXPECT_EQ(titlesOf(back), states[state.sequence]);
    }

    std::unique_ptr<SessionJournal> journal;
    std::map<uint64_t, Titles> states;
    std::vector<size_t> boundaries; // journal size after each change was durable
    std::string bytes;
    std::string snapshot;
};

TEST_F(Damage, ATornTailGivesTheChangesBeforeIt) {
    ASSERT_GE(boundaries.size(), 4u);
    const size_t from = boundaries[boundaries.size() - 4];
    for (size_t cut = from; cut <= bytes.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        // The changes whose records end at or before the cut.
        uint64_t whole = 0;
        for (const auto& [sequence, titles] : states)
            if (sequence > 0 && boundaries[sequence - 1] <= cut) whole = sequence;
        expectRecoveredUpTo(bytes.substr(0, cut), whole);
    }
}

TEST_F(Damage, AFlippedByteAnywhereStopsRecoveryBeforeIt) {
    for (size_t at = 0; at < bytes.size(); ++at) {
        SCOPED_TRACE("byte " + std::to_string(at));
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x40);
        uint64_t before = 0;
        for (const auto& [sequence, titles] : states)
            if (sequence > 0 && boundaries[sequence - 1] <= at) before = sequence;
        expectRecoveredUpTo(damaged, before);
    }
}

} // namespace
} // namespace cuemark::session
