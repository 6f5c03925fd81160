#include "session/recovery.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "session/journal.h"
#include "tests/session/session_script.h"
#include "tests/subtitles/temp_dir.h"

namespace cuemark::session {
namespace {

using cuemark::testing::TempDir;
using cuemark::testing::titlesOf;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Recovery : public ::testing::Test {
protected:
    // A session left as a crash leaves it: written, then its program gone.
    std::string crashedSession(const SessionDetails& details, bool edit) {
        SUBTITLES store;
        auto journal = SessionJournal::start(root, store, nullptr);
        EXPECT_NE(journal, nullptr);
        store.Add(1, 2, "loaded");
        journal->rebase(details);
        if (edit) {
            store.SetTimes(1, 1.25, 2.5);
            store.Add(3, 4, "timed");
        }
        EXPECT_TRUE(journal->waitDurable(journal->lastSequence(), 10s));
        return journal->folder();
    }
    static void age(const std::string& folder, std::chrono::hours by) {
        const auto then = std::chrono::system_clock::now() - by;
        const timespec when{std::chrono::system_clock::to_time_t(then), 0};
        const timespec times[2] = {when, when};
        for (const char* file : {"snapshot", "journal"}) ::utimensat(AT_FDCWD, (folder + "/" + file).c_str(), times, 0);
    }

    TempDir dir;
    std::string root = dir.file("sessions");
    const SessionDetails film{"/films/a.srt",          "/films/a.mp4", SubtitleFormat::MicroDVD,
                              {"windows-1252", false}, 23.976,         true};
};

TEST_F(Recovery, ACrashedSessionWithUnsavedWorkIsOfferedAndComesBackExactly) {
    const auto before = std::chrono::system_clock::now() - 1s;
    const std::string folder = crashedSession(film, true);
    CrashedSessions crashed = CrashedSessions::find(root);
    ASSERT_EQ(crashed.sessions().size(), 1u);
    const CrashedSession& session = crashed.sessions()[0];
    EXPECT_EQ(session.folder, folder);
    EXPECT_EQ(session.details, film);
    EXPECT_EQ(session.changedTitles, 2u);
    EXPECT_GE(session.lastChange, before);

    SUBTITLES store;
    store.SetUndoEnabled(true);
    store.Add(9, 10, "what was open before");
    SessionDetails details;
    ASSERT_TRUE(crashed.recover(0, store, details));
    EXPECT_EQ(titlesOf(store), (cuemark::testing::Titles{{1.25, 2.5, "loaded"}, {3, 4, "timed"}}));
    EXPECT_EQ(details, film);
    EXPECT_TRUE(store.UndoEnabled());
    EXPECT_EQ(store.UndoCount(), 0);

    crashed.discard(0);
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(Recovery, LaterKeepsTheSessionForTheNextStart) {
    crashedSession(film, true);
    {
        CrashedSessions first = CrashedSessions::find(root);
        ASSERT_EQ(first.sessions().size(), 1u);
        // While one program offers it, another does not.
        EXPECT_TRUE(CrashedSessions::find(root).sessions().empty());
    }
    EXPECT_EQ(CrashedSessions::find(root).sessions().size(), 1u);
}

TEST_F(Recovery, SessionsWithNothingUnsavedOrUntouchedForThirtyDaysAreRemoved) {
    SessionDetails saved = film;
    saved.changed = false;
    const std::string clean = crashedSession(saved, false);
    const std::string old = crashedSession(film, true);
    age(old, CrashedSessions::MaxAge + 1h);
    const std::string recent = crashedSession(film, true);
    age(recent, CrashedSessions::MaxAge - 1h);
    CrashedSessions crashed = CrashedSessions::find(root);
    ASSERT_EQ(crashed.sessions().size(), 1u);
    EXPECT_EQ(crashed.sessions()[0].folder, recent);
    EXPECT_FALSE(fs::exists(clean));
    EXPECT_FALSE(fs::exists(old));
}

TEST_F(Recovery, ChangesSavedUnderTheSameNameLeaveNothingToOffer) {
    SessionDetails saved = film;
    saved.changed = false;
    SUBTITLES store;
    auto journal = SessionJournal::start(root, store, nullptr);
    ASSERT_NE(journal, nullptr);
    store.Add(1, 2, "loaded");
    journal->rebase(saved);
    store.SetTimes(1, 1.5, 2.5);
    journal->setDetails(saved);
    ASSERT_TRUE(journal->waitDurable(journal->lastSequence(), 10s));
    journal.reset();
    EXPECT_TRUE(CrashedSessions::find(root).sessions().empty());
}

TEST_F(Recovery, ASessionOfARunningProgramIsNeverTouched) {
    SUBTITLES store;
    auto running = SessionJournal::start(root, store, nullptr);
    ASSERT_NE(running, nullptr);
    store.Add(1, 2, "being timed");
    ASSERT_TRUE(running->waitDurable(running->lastSequence(), 10s));
    age(running->folder(), CrashedSessions::MaxAge + 1h);
    EXPECT_TRUE(CrashedSessions::find(root).sessions().empty());
    EXPECT_TRUE(fs::exists(running->folder() + "/journal"));
}

TEST_F(Recovery, DamagedAndForeignFilesAreSkippedAndKept) {
    const std::string damaged = crashedSession(film, true);
    {
        std::string bytes = TempDir::read(damaged + "/snapshot");
        bytes[bytes.size() / 2] ^= 1;
        std::ofstream(damaged + "/snapshot", std::ios::binary) << bytes;
    }
    fs::create_directories(root + "/not-a-session");
    std::ofstream(root + "/not-a-session/lock") << "x";
    std::ofstream(root + "/notes.txt") << "mine";
    fs::create_directories(root + "/empty");
    const std::string good = crashedSession(film, true);

    CrashedSessions crashed = CrashedSessions::find(root);
    ASSERT_EQ(crashed.sessions().size(), 1u);
    EXPECT_EQ(crashed.sessions()[0].folder, good);
    EXPECT_TRUE(fs::exists(damaged + "/snapshot"));
    EXPECT_TRUE(fs::exists(root + "/not-a-session/lock"));
    EXPECT_EQ(TempDir::read(root + "/notes.txt"), "mine");
    EXPECT_TRUE(fs::exists(root + "/empty"));
    EXPECT_TRUE(CrashedSessions::find(dir.file("nowhere")).sessions().empty());
}

} // namespace
} // namespace cuemark::session
