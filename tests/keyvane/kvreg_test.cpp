#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

using namespace keyvane_test;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

constexpr uid_t Nobody = 65534;

// Whose kvreg it is: the store it is pointed at (this process's when empty)
// and whether it runs as user nobody.
struct Runner {
    std::string store;
    bool asNobody = false;
};

// Runs kvreg with these arguments.
Outcome kvreg(const std::vector<std::string>& args, const Runner& runner = {}) {
    const std::string program = std::string(CUEMARK_BIN_DIR) + "/kvreg";
    std::vector<char*> argv;
    if (runner.asNobody) {
        for (const char* arg : {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"}) {
            argv.push_back(const_cast<char*>(arg));
        }
    }
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        if (!runner.store.empty()) {
            setenv("KEYVANE_REGISTRY", runner.store.c_str(), 1);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    Outcome outcome;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(Kvreg, ListsSubKeysThenValuesWithTypeAndData) {
    ASSERT_EQ(setDword(testKey("Child"), "n", 1), -1);
    ASSERT_EQ(setDword(testKey(), "Width", 640), -1);
    ASSERT_EQ(setString(testKey(), "MRU", "/films/a b.srt"), -1);
    ASSERT_EQ(setString(testKey(), "", "unnamed"), -1);
    const Outcome listed = kvreg({"list", testKey()});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.err, "");
    EXPECT_EQ(listed.out.rfind("[Child]\n", 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find("\nWidth  REG_DWORD  640\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\nMRU  REG_SZ  /films/a b.srt\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("\n(Default)  REG_SZ  unnamed\n"), std::string::npos) << listed.out;
}

TEST(Kvreg, ListsAnEmptyKeyAsNothing) {
    const char* p = nullptr;
    const std::string path = testKey();
    p = path.c_str();
    const std::uint32_t key = RegVBOpenKey(&p);
    RegVBCloseKey(&key);
    const Outcome listed = kvreg({"list", testKey()});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, "");
}

TEST(Kvreg, GetsTextAndNumbers) {
    ASSERT_EQ(setDword(testKey(), "Left", -120), -1);
    ASSERT_EQ(setString(testKey(), "MRU", "x.srt"), -1);
    EXPECT_EQ(kvreg({"get", testKey(), "Left"}).out, "-120\n");
    EXPECT_EQ(kvreg({"get", testKey(), "MRU"}).out, "x.srt\n");
}

TEST(Kvreg, SetsNumbersAndTextCreatingTheKey) {
    const Outcome number = kvreg({"set", testKey("new"), "Width", "--dword", "9120"});
    EXPECT_EQ(number.status, 0) << number.err;
    EXPECT_EQ(getDword(testKey("new"), "Width", 0), 9120);
    EXPECT_EQ(kvreg({"set", testKey("new"), "Mask", "--dword", "0xFFFFFFFF"}).status, 0);
    EXPECT_EQ(getDword(testKey("new"), "Mask", 0), -1);
    EXPECT_EQ(kvreg({"set", testKey("new"), "Low", "--dword", "-2147483648"}).status, 0);
    EXPECT_EQ(getDword(testKey("new"), "Low", 0), -2147483647 - 1);
    EXPECT_EQ(kvreg({"set", testKey("new"), "MRU", "--text", "a b"}).status, 0);
    EXPECT_EQ(getString(testKey("new"), "MRU", nullptr), "a b");
}

TEST(Kvreg, RefusesABadNumberAndWritesNothing) {
    for (const char* bad : {"12x", "", " 1", "4294967296", "-2147483649", "0x", "0x-1", "1.5"}) {
        SCOPED_TRACE(bad);
        const Outcome refused = kvreg({"set", testKey(), "n", "--dword", bad});
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("kvreg: not a 32-bit number: '"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(valueCount(testKey()), -1);
}

TEST(Kvreg, DeletesAValueAndThenTheKey) {
    ASSERT_EQ(setDword(testKey("gone"), "n", 1), -1);
    ASSERT_EQ(setDword(testKey("gone"), "m", 1), -1);
    EXPECT_EQ(kvreg({"delete", testKey("gone"), "n"}).status, 0);
    EXPECT_EQ(typeOf(testKey("gone"), "n"), 0);
    EXPECT_EQ(typeOf(testKey("gone"), "m"), REG_DWORD);
    EXPECT_EQ(kvreg({"delete", testKey("gone")}).status, 0);
    EXPECT_EQ(valueCount(testKey("gone")), -1);
    EXPECT_EQ(valueCount(testKey()), 0);
}

TEST(Kvreg, ReportsMissingKeysAndValues) {
    const Outcome list = kvreg({"list", testKey("missing")});
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(list.err, "kvreg: key not found: " + testKey("missing") + "\n");

    ASSERT_EQ(setDword(testKey(), "n", 1), -1);
    const Outcome get = kvreg({"get", testKey(), "absent"});
    EXPECT_EQ(get.status, 1);
    EXPECT_EQ(get.err, "kvreg: value not found: 'absent' under " + testKey() + "\n");

    const Outcome value = kvreg({"delete", testKey(), "absent"});
    EXPECT_EQ(value.status, 1);
    EXPECT_NE(value.err.find("value not found"), std::string::npos);
    const Outcome key = kvreg({"delete", testKey("missing")});
    EXPECT_EQ(key.status, 1);
    EXPECT_NE(key.err.find("key not found"), std::string::npos);
}

TEST(Kvreg, RefusesToDeleteAKeyWithSubKeysOrARoot) {
    ASSERT_EQ(setDword(testKey("inner"), "n", 1), -1);
    const Outcome parent = kvreg({"delete", testKey()});
    EXPECT_EQ(parent.status, 1);
    EXPECT_NE(parent.err.find("it has sub-keys"), std::string::npos) << parent.err;
    EXPECT_EQ(getDword(testKey("inner"), "n", 0), 1);
    const Outcome root = kvreg({"delete", "HKCU"});
    EXPECT_EQ(root.status, 1);
    EXPECT_NE(root.err.find("root key"), std::string::npos) << root.err;
    EXPECT_GE(subKeyCount("HKCU"), 1);
}

TEST(Kvreg, ReportsALowerCaseRootAsAFailure) {
    const Outcome set = kvreg({"set", "hkcu\\Software\\x", "n", "--text", "t"});
    EXPECT_EQ(set.status, 1);
    EXPECT_NE(set.err.find("kvreg: cannot write 'n'"), std::string::npos) << set.err;
    EXPECT_EQ(kvreg({"list", "hkcu\\Software"}).status, 1);
}

TEST(Kvreg, ShowsHelpAndRefusesWrongArguments) {
    const Outcome help = kvreg({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: kvreg list PATH"), std::string::npos);
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"list"},
                                                 {"get", "HKCU"},
                                                 {"set", "HKCU\\x", "n", "--float", "1"},
                                                 {"set", "HKCU\\x", "n", "--dword"},
                                                 {"frob", "HKCU"},
                                                 {"delete", "a", "b", "c"}}) {
        const Outcome wrong = kvreg(args);
        EXPECT_EQ(wrong.status, 1);
        EXPECT_EQ(wrong.out, "");
        EXPECT_EQ(wrong.err.rfind("kvreg: ", 0), 0u) << wrong.err;
        EXPECT_NE(wrong.err.find("Usage:"), std::string::npos);
    }
    EXPECT_NE(kvreg({"frob"}).err.find("unknown command 'frob'"), std::string::npos);
}

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The files SQLite would put beside the store.
std::vector<std::string> companionsOf(const fs::path& file) {
    std::vector<std::string> found;
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        if (fs::exists(file.string() + suffix)) {
            found.push_back(suffix);
        }
    }
    return found;
}

// A store file of the test's own, in a folder that user nobody can reach.
class KvregStoreFile : public ::testing::Test {
protected:
    static constexpr const char* Key = "HKCU\\Software\\Tavrel\\Cuemark";

    void SetUp() override {
        char pattern[] = "/tmp/kvreg-store-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        ASSERT_EQ(chmod(folder_.c_str(), 0755), 0);
        file_ = folder_ / "store" / "registry.sqlite3";
        fs::create_directories(file_.parent_path());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    Outcome run(const std::vector<std::string>& args, bool asNobody = false) const {
        return kvreg(args, {file_.string(), asNobody});
    }

    // A store written by kvreg itself, closed again and so whole in its file.
    void makeSoundStore() const {
        for (int i = 0; i < 20; ++i) {
            const Outcome set = run({"set", Key, "Value" + std::to_string(i), "--text", std::string(300, 'x')});
            ASSERT_EQ(set.status, 0) << set.err;
        }
    }

    void makeDatabase(const std::string& sql) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    // Hands the store and its folder to user nobody.
    void giveToNobody() const {
        ASSERT_EQ(chown(file_.parent_path().c_str(), Nobody, Nobody), 0);
        ASSERT_EQ(chown(file_.c_str(), Nobody, Nobody), 0);
    }

    std::string told(const std::string& cause) const { return "kvreg: " + file_.string() + ": " + cause; }

    fs::path folder_;
    fs::path file_;
};

constexpr const char* NeedsRoot = "needs root, to run kvreg as user nobody (permissions do not bind root)";

TEST_F(KvregStoreFile, NamesADamagedOrForeignFileAndLeavesItByteForByte) {
    struct Case {
        const char* name;
        std::function<void()> make;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {"foreign tables with our mark",
         [this] {
             makeDatabase(
                 "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine');"
                 "PRAGMA application_id = 1263948359; PRAGMA user_version = 1;");
         },
         "not a settings store (foreign tables)"},
        {"the same in WAL mode",
         [this] {
             makeDatabase(
                 "PRAGMA journal_mode=WAL; CREATE TABLE notes(text);"
                 "PRAGMA application_id = 1263948359; PRAGMA user_version = 1;");
         },
         "not a settings store (foreign tables)"},
        {"random bytes",
         [this] {
             std::string bytes;
             for (int i = 0; i < 4096; ++i) {
                 bytes += static_cast<char>((i * 7919) % 251);
             }
             writeFile(file_, bytes);
         },
         "file is damaged (not a SQLite database)"},
        {"a truncated store",
         [this] {
             makeSoundStore();
             const std::string whole = contentsOf(file_);
             writeFile(file_, whole.substr(0, whole.size() / 2));
         },
         "file is damaged (truncated: "},
    };
    const std::vector<std::vector<std::string>> commands = {
        {"list", "HKCU"},
        {"list", Key},
        {"get", Key, "Value1"},
        {"set", Key, "Width", "--dword", "9000"},
        {"set", "HKCU\\Other", "MRU", "--text", "a.srt"},
        {"delete", Key, "Value1"},
        {"delete", Key},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(file_);
        c.make();
        ASSERT_TRUE(companionsOf(file_).empty());
        const std::string before = contentsOf(file_);
        for (const auto& command : commands) {
            SCOPED_TRACE(command[0] + " " + command[1]);
            const Outcome refused = run(command);
            EXPECT_EQ(refused.status, 1);
            EXPECT_EQ(refused.out, "");
            EXPECT_EQ(refused.err.rfind(told(c.cause), 0), 0u) << refused.err;
            EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        }
        EXPECT_EQ(contentsOf(file_), before);
        EXPECT_EQ(companionsOf(file_), std::vector<std::string>());
    }
}

TEST_F(KvregStoreFile, NamesAFileWhosePathIsLongInFull) {
    fs::path deep = folder_;
    for (const char letter : {'a', 'b', 'c'}) {
        deep /= std::string(200, letter);
    }
    fs::create_directories(deep);
    const fs::path file = deep / "registry.sqlite3";
    writeFile(file, "not a database at all");
    const Outcome refused = kvreg({"list", Key}, {file.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "kvreg: " + file.string() + ": file is damaged (not a SQLite database)\n");
}

TEST_F(KvregStoreFile, SaysWhenTheFileMayNotBeRead) {
    if (geteuid() != 0) {
        GTEST_SKIP() << NeedsRoot;
    }
    makeSoundStore();
    giveToNobody();
    ASSERT_EQ(chmod(file_.c_str(), 0), 0);
    const std::string before = contentsOf(file_);
    for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
             {"list", Key}, {"get", Key, "Value1"}, {"set", Key, "Width", "--dword", "1"}}) {
        SCOPED_TRACE(command[0]);
        const Outcome refused = run(command, true);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, told("no permission to read\n"));
    }
    EXPECT_EQ(contentsOf(file_), before);
}

TEST_F(KvregStoreFile, ReadsAStoreThatMayNotBeWrittenAndSaysWhyAWriteFails) {
    if (geteuid() != 0) {
        GTEST_SKIP() << NeedsRoot;
    }
    struct Case {
        const char* name;
        mode_t folderMode;
        mode_t fileMode;
        std::string cause;
    };
    for (const Case& c : {Case{"read-only folder", 0555, 0600, "folder is read-only; settings cannot be written"},
                          Case{"read-only file", 0755, 0400, "file is read-only; settings cannot be written"}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(file_.parent_path());
        fs::create_directories(file_.parent_path());
        makeSoundStore();
        giveToNobody();
        ASSERT_EQ(chmod(file_.c_str(), c.fileMode), 0);
        ASSERT_EQ(chmod(file_.parent_path().c_str(), c.folderMode), 0);
        const std::string before = contentsOf(file_);

        const Outcome listed = run({"list", Key}, true);
        EXPECT_EQ(listed.status, 0) << listed.err;
        EXPECT_NE(listed.out.find("Value3  REG_SZ  " + std::string(300, 'x') + "\n"), std::string::npos);
        const Outcome got = run({"get", Key, "Value7"}, true);
        EXPECT_EQ(got.status, 0) << got.err;
        EXPECT_EQ(got.out, std::string(300, 'x') + "\n");
        // What is truly missing is still told as such.
        EXPECT_EQ(run({"get", Key, "Absent"}, true).err,
                  "kvreg: value not found: 'Absent' under " + std::string(Key) + "\n");
        EXPECT_EQ(run({"list", "HKCU\\Absent"}, true).err, "kvreg: key not found: HKCU\\Absent\n");

        for (const std::vector<std::string>& command :
             std::vector<std::vector<std::string>>{{"set", Key, "Value3", "--text", "changed"},
                                                   {"set", "HKCU\\New", "n", "--dword", "1"},
                                                   {"delete", Key, "Value3"}}) {
            SCOPED_TRACE(command[0] + " " + command[1]);
            const Outcome refused = run(command, true);
            EXPECT_EQ(refused.status, 1);
            EXPECT_EQ(refused.err, told(c.cause) + "\n");
        }
        EXPECT_EQ(contentsOf(file_), before);
        ASSERT_EQ(chmod(file_.parent_path().c_str(), 0755), 0);
    }
}

} // namespace
