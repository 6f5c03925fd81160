// A program killed at any moment loses no change it was told was durable.
// A child edits through the journal and reports "ack N" once change N is on
// the disk; the parent kills it at a random moment and recovers.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "session/journal.h"
#include "session/recovery.h"
#include "tests/session/session_script.h"
#include "tests/subtitles/temp_dir.h"

namespace cuemark::session {
namespace {

using cuemark::testing::editOnce;
using cuemark::testing::TempDir;
using cuemark::testing::Titles;
using cuemark::testing::titlesOf;
using namespace std::chrono_literals;

constexpr int EditsPerRun = 400;

[[noreturn]] void editUntilKilled(const std::string& root, unsigned seed, int out) {
    SUBTITLES store;
    store.SetUndoEnabled(true);
    auto journal = SessionJournal::start(root, store, nullptr);
    if (!journal) ::_exit(3);
    std::mt19937 random(seed);
    auto clock = std::chrono::steady_clock::now();
    for (int n = 1; n <= EditsPerRun; ++n) {
        editOnce(store, random);
        // Snapshots often, so that kills land in them too.
        if (n % 25 == 0) journal->tick(clock += SessionJournal::SnapshotInterval);
        if (!journal->waitDurable(journal->lastSequence(), 10s)) ::_exit(4);
        char line[32];
        const int size = std::snprintf(line, sizeof line, "ack %d\n", n);
        if (::write(out, line, static_cast<size_t>(size)) != size) ::_exit(5);
    }
    ::pause();
    ::_exit(0);
}

int lastAck(int in) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(in, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
    const size_t at = text.rfind("ack ");
    return at == std::string::npos ? 0 : std::stoi(text.substr(at + 4));
}

TEST(KilledProgram, LosesNoAcknowledgedChange) {
    const unsigned base = std::random_device{}();
    SCOPED_TRACE("seeds from " + std::to_string(base));
    std::mt19937 timing(base);
    int runs = 0, killedMidway = 0, beforeAnyAck = 0;
    long acknowledged = 0;
    for (; runs < 200; ++runs) {
        const unsigned seed = base + static_cast<unsigned>(runs);
        TempDir dir;
        const std::string root = dir.file("sessions");
        int channel[2];
        ASSERT_EQ(::pipe(channel), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(channel[0]);
            editUntilKilled(root, seed, channel[1]);
        }
        ::close(channel[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 120000)(timing)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << WEXITSTATUS(status);
        const int acked = lastAck(channel[0]);
        ::close(channel[0]);
        if (acked < EditsPerRun) ++killedMidway;
        if (acked == 0) ++beforeAnyAck;
        acknowledged += acked;

        // Every state the child's store went through, in order.
        SUBTITLES replay;
        replay.SetUndoEnabled(true);
        std::vector<Titles> states{titlesOf(replay)};
        std::mt19937 random(seed);
        for (int n = 1; n <= EditsPerRun; ++n) {
            editOnce(replay, random);
            states.push_back(titlesOf(replay));
        }

        const CrashedSessions crashed = CrashedSessions::find(root);
        if (crashed.sessions().empty()) {
            // Killed before its first change was on the disk.
            EXPECT_EQ(acked, 0);
            continue;
        }
        ASSERT_EQ(crashed.sessions().size(), 1u);
        SUBTITLES back;
        SessionDetails details;
        ASSERT_TRUE(crashed.recover(0, back, details));
        // The recovered titles are those after some change at or past the last acknowledged.
        bool found = false;
        for (int n = acked; n <= EditsPerRun && !found; ++n) found = titlesOf(back) == states[static_cast<size_t>(n)];
        EXPECT_TRUE(found) << "seed " << seed << ": acknowledged " << acked << ", recovered " << back.Count()
                           << " titles that match no state from there on";
        if (!found) break;
    }
    std::printf(
        "%d kills: %d while editing, %d before the first acknowledgement; %ld acknowledged changes, none "
        "lost\n",
        runs, killedMidway, beforeAnyAck, acknowledged);
    EXPECT_GT(killedMidway, runs / 2) << "the kills should land while the child is still editing";
}

} // namespace
} // namespace cuemark::session
