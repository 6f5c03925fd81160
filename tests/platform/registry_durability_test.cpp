#include "durability_pattern.h"
#include "store_fixture.h"

#include <sqlite3.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

const std::string kWriter = std::string(CUEMARK_BIN_DIR) + "/registry_writer";

// A registry_writer run with its stdin and stdout on pipes.
class Writer {
public:
    explicit Writer(std::vector<std::string> arguments) {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
        arguments.insert(arguments.begin(), kWriter);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, kWriter.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~Writer() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            finish();
        }
        close(toChild_);
        close(fromChild_);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    bool started() const { return pid_ > 0; }
    bool send() { return write(toChild_, "g", 1) == 1; }
    // False when the writer does not report within a few seconds.
    bool awaitReady() {
        pollfd ready{fromChild_, POLLIN, 0};
        char byte = 0;
        return poll(&ready, 1, 5000) == 1 && read(fromChild_, &byte, 1) == 1 && byte == 'R';
    }
    void killNow() { kill(pid_, SIGKILL); }
    // The wait status of the ended child.
    int finish() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

std::string integrityOf(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        else
            result = sqlite3_errmsg(db);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

class RegistryDurability : public StoreFixture {
protected:
    // Rounds of the stored values by index; 0 for a value not yet written.
    std::vector<int> storedRounds() {
        std::vector<int> rounds(durability::kValues, 0);
        HKEY key = 0;
        const LSTATUS status = RegOpenKeyExA(HKEY_CURRENT_USER, durability::kKey, 0, KEY_READ, &key);
        if (status == ERROR_FILE_NOT_FOUND) return rounds;
        EXPECT_EQ(status, ERROR_SUCCESS);
        for (int i = 0; i < durability::kValues; ++i) {
            const std::string stored = bytesOf(key, durability::valueName(i).c_str());
            rounds[i] = stored == "<error 2>" ? 0 : durability::roundOf(stored, i);
        }
        RegCloseKey(key);
        return rounds;
    }
};

TEST_F(RegistryDurability, KilledWriterLeavesEveryValueEitherOldOrNew) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    constexpr int kKills = 40;
    constexpr int kStartKills = 5;
    int latest = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        {
            Writer writer({"rounds"});
            ASSERT_TRUE(writer.started());
            // The first few die while starting, so also while the store
            // file is being made (which takes tens of milliseconds, as its
            // first commit goes to disk); the rest while writing values.
            if (kill < kStartKills) {
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
            } else {
                ASSERT_TRUE(writer.awaitReady());
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 8000));
            }
            writer.killNow();
            const int status = writer.finish();
            ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << status;
        }
        RegPlatformResetForTests();
        const std::vector<int> rounds = storedRounds();
        // Writes go in index order, so the values read newest-first: round R
        // up to some index, round R-1 (or nothing, in round 1) after it.
        const int newest = rounds[0];
        for (int i = 0; i < durability::kValues; ++i) {
            ASSERT_GE(rounds[i], 0) << "value " << i << " is torn";
            if (i > 0) {
                ASSERT_LE(rounds[i], rounds[i - 1]) << "value " << i;
            }
            ASSERT_GE(rounds[i], newest - 1) << "value " << i;
            if (rounds[i] == 0) {
                ASSERT_LE(newest, 1) << "value " << i << " vanished";
            }
        }
        ASSERT_GE(newest, latest) << "a committed round was lost";
        latest = newest;
        if (std::filesystem::exists(file_)) {
            ASSERT_EQ(integrityOf(file_), "ok");
        }
    }
    EXPECT_GE(latest, 2) << "the writers hardly got to write";
}

TEST_F(RegistryDurability, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kEach = 5000;
    Writer first({"fill", "A", std::to_string(kEach)});
    Writer second({"fill", "B", std::to_string(kEach)});
    ASSERT_TRUE(first.started() && second.started());
    ASSERT_TRUE(first.send() && second.send());
    const int firstStatus = first.finish();
    const int secondStatus = second.finish();
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0) << firstStatus;
    ASSERT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0) << secondStatus;

    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u * kEach);
    int wrong = 0;
    for (const char* prefix : {"A", "B"}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string name = std::string(prefix) + "-" + std::to_string(i);
            DWORD number = 0;
            DWORD size = sizeof number;
            if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) !=
                    ERROR_SUCCESS ||
                number != static_cast<DWORD>(i))
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    RegCloseKey(key);
    EXPECT_EQ(integrityOf(file_), "ok");
}

TEST_F(RegistryDurability, ThreadsOfOneProcessShareTheStoreSafely) {
    constexpr int kThreads = 4;
    constexpr int kEach = 150;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const std::string path = "Software\\Threads\\T" + std::to_string(t);
            for (int i = 0; i < kEach; ++i) {
                HKEY key = 0;
                if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) != ERROR_SUCCESS) {
                    ++failures[t];
                    continue;
                }
                const std::string name = "v" + std::to_string(i);
                if (setDword(key, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS ||
                    bytesOf(key, name.c_str()).size() != 4)
                    ++failures[t];
                RegCloseKey(key);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    HKEY threadsKey = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Threads", 0, KEY_READ, &threadsKey), ERROR_SUCCESS);
    DWORD subKeys = 0;
    ASSERT_EQ(RegQueryInfoKeyA(threadsKey, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, static_cast<DWORD>(kThreads));
    RegCloseKey(threadsKey);
}

} // namespace
