#include "store_fixture.h"

#include "platform/store_problem.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// A SQLite database made by someone else, in the journal mode given.
void makeDatabase(const fs::path& file, const std::string& journalMode, const std::string& sql) {
    fs::create_directories(file.parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    const std::string all = "PRAGMA journal_mode=" + journalMode + ";" + sql;
    EXPECT_EQ(sqlite3_exec(db, all.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// What the registry says is wrong with its file; empty when nothing is.
std::string storeProblem(bool forWriting) {
    const DWORD length = RegDescribeStoreProblemA(forWriting ? 1 : 0, nullptr, 0);
    std::string text(length + 1, '\0');
    EXPECT_EQ(RegDescribeStoreProblemA(forWriting ? 1 : 0, text.data(), length + 1), length);
    text.resize(length);
    return text;
}

// The files SQLite would put beside the store.
std::vector<std::string> companionsOf(const fs::path& file) {
    std::vector<std::string> found;
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (fs::exists(file.string() + suffix)) found.push_back(suffix);
    return found;
}

class EnvironmentRestorer {
public:
    explicit EnvironmentRestorer(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        had_ = value != nullptr;
        if (had_) value_ = value;
    }
    ~EnvironmentRestorer() {
        if (had_)
            setenv(name_, value_.c_str(), 1);
        else
            unsetenv(name_);
    }
    EnvironmentRestorer(const EnvironmentRestorer&) = delete;
    EnvironmentRestorer& operator=(const EnvironmentRestorer&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string value_;
};

class RegistryStore : public StoreFixture {
protected:
    // Every read fails with a store error and every write is refused; only
    // the roots themselves can still be opened.
    void expectUnusable() {
        HKEY key = 0;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "v", nullptr, nullptr, nullptr, nullptr), ERROR_BADDB);
        DWORD subKeys = 0;
        EXPECT_EQ(RegQueryInfoKeyA(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr),
                  ERROR_BADDB);
        EXPECT_EQ(setDword(HKEY_CURRENT_USER, "v", 1), ERROR_BADDB);
        EXPECT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_BADDB);
        EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software"), ERROR_BADDB);
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }

    void writeSomeKeys() {
        HKEY key = create("Software\\Tavrel\\Cuemark");
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(setString(key, ("Value" + std::to_string(i)).c_str(), std::string(300, 'x')), ERROR_SUCCESS);
        RegCloseKey(key);
        RegPlatformResetForTests(); // closes the connection, folding the WAL into the file
    }
};

TEST_F(RegistryStore, ReadsWithoutAStoreFindNothingAndCreateNothing) {
    HKEY root = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &root), ERROR_SUCCESS);
    DWORD subKeys = 9, values = 9;
    EXPECT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u);
    char name[16];
    DWORD chars = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(root, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegQueryValueExA(root, "v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    RegCloseKey(root);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(HKEY_CURRENT_USER, "v"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software"), ERROR_FILE_NOT_FOUND);
    // Opening a root is no write either.
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_FALSE(fs::exists(file_.parent_path()));
}

TEST_F(RegistryStore, FirstWriteMakesAPrivateFolderAndFileWhateverTheUmask) {
    const mode_t previous = umask(0);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "First", 1), ERROR_SUCCESS);
    umask(previous);
    EXPECT_EQ(modeOf(file_.parent_path()), 0700u);
    EXPECT_EQ(modeOf(file_), 0600u);
    for (const char* suffix : {"-wal", "-shm"}) {
        const fs::path companion = file_.string() + suffix;
        if (fs::exists(companion)) {
            EXPECT_EQ(modeOf(companion), 0600u) << suffix;
        }
    }
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "First", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
}

TEST_F(RegistryStore, WithoutAnExplicitFileTheStoreLivesInTheConfigFolder) {
    const EnvironmentRestorer savedHome("HOME");
    const EnvironmentRestorer savedConfig("XDG_CONFIG_HOME");
    unsetenv("KEYVANE_REGISTRY");
    const fs::path home = folder_ / "home";
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder_ / "xdg").c_str(), 1);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "Where", 1), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(folder_ / "xdg" / "keyvane" / "registry.sqlite3"));

    // A relative XDG_CONFIG_HOME is not to be used: ~/.config instead.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "Where", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "Where", 2), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(home / ".config" / "keyvane" / "registry.sqlite3"));
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(bytesOf(HKEY_CURRENT_USER, "Where"), std::string("\x02\0\0\0", 4));
}

TEST_F(RegistryStore, PointingAtAnotherFileSwitchesStoresAndRetiresOldHandles) {
    HKEY key = create("Software\\First");
    ASSERT_EQ(setDword(key, "n", 1), ERROR_SUCCESS);
    const fs::path other = folder_ / "other.sqlite3";
    setenv("KEYVANE_REGISTRY", other.c_str(), 1);
    EXPECT_EQ(setDword(key, "n", 2), ERROR_INVALID_HANDLE);
    HKEY missing = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\First", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    setenv("KEYVANE_REGISTRY", file_.c_str(), 1);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\First", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key, "n"), std::string("\x01\0\0\0", 4));
    RegCloseKey(key);
}

TEST_F(RegistryStore, GarbageFileFailsEveryCallCleanlyAndIsLeftUntouched) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 251);
    writeFile(file_, garbage);
    expectUnusable();
    RegPlatformResetForTests();
    EXPECT_EQ(contentsOf(file_), garbage);
    EXPECT_FALSE(fs::exists(file_.string() + "-wal"));
}

TEST_F(RegistryStore, TruncatedStoreFailsEveryCallCleanlyAndIsLeftUntouched) {
    writeSomeKeys();
    const std::string whole = contentsOf(file_);
    ASSERT_GT(whole.size(), 8192u);
    const std::string truncated = whole.substr(0, whole.size() / 2);
    writeFile(file_, truncated);
    expectUnusable();
    RegPlatformResetForTests();
    EXPECT_EQ(contentsOf(file_), truncated);
}

TEST_F(RegistryStore, AnotherProgramsDatabaseIsNotTakenOver) {
    fs::create_directories(file_.parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine');", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    const std::string before = contentsOf(file_);
    expectUnusable();
    RegPlatformResetForTests();
    EXPECT_EQ(contentsOf(file_), before);
}

TEST_F(RegistryStore, DatabaseWithOurMarkButForeignTablesIsNeverWritten) {
    for (const char* journalMode : {"DELETE", "WAL"}) {
        SCOPED_TRACE(journalMode);
        fs::remove(file_);
        RegPlatformResetForTests();
        makeDatabase(file_, journalMode,
                     "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine');"
                     "PRAGMA application_id = 1263948359; PRAGMA user_version = 1;");
        ASSERT_TRUE(companionsOf(file_).empty());
        const std::string before = contentsOf(file_);
        expectUnusable();
        EXPECT_EQ(storeProblem(false), file_.string() + ": not a settings store (foreign tables)");
        RegPlatformResetForTests();
        EXPECT_EQ(contentsOf(file_), before);
        EXPECT_EQ(companionsOf(file_), std::vector<std::string>());
    }
}

TEST_F(RegistryStore, SaysWhatIsWrongWithTheFileAndNamesIt) {
    struct Case {
        const char* name;
        std::function<void()> make;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {"random bytes", [this] { writeFile(file_, std::string(3000, '\x5A')); },
         "file is damaged (not a SQLite database)"},
        {"a few bytes", [this] { writeFile(file_, "settings"); }, "file is damaged (not a SQLite database)"},
        {"half a store",
         [this] {
             writeSomeKeys();
             const std::string whole = contentsOf(file_);
             writeFile(file_, whole.substr(0, whole.size() / 2));
         },
         "file is damaged (truncated: "},
        {"another program's database",
         [this] { makeDatabase(file_, "WAL", "CREATE TABLE t(x); PRAGMA application_id = 42;"); },
         "not a settings store (another program's database)"},
        {"unmarked tables", [this] { makeDatabase(file_, "DELETE", "CREATE TABLE keys(x);"); },
         "not a settings store (foreign tables)"},
        {"a newer store",
         [this] {
             makeDatabase(file_, "WAL",
                          "CREATE TABLE k(x); PRAGMA application_id = 1263948359; PRAGMA user_version = 2;");
         },
         "not a settings store this keyvane can use (version 2, newer than 1)"},
        {"a folder", [this] { fs::create_directories(file_); }, "is a folder, not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(file_.parent_path());
        RegPlatformResetForTests();
        c.make();
        const std::string before = fs::is_regular_file(file_) ? contentsOf(file_) : std::string();
        const std::string told = file_.string() + ": " + c.cause;
        EXPECT_EQ(storeProblem(false).substr(0, told.size()), told);
        EXPECT_EQ(setDword(HKEY_CURRENT_USER, "v", 1) == ERROR_SUCCESS, false);
        // The same once a call has found it out, and for a writer.
        EXPECT_EQ(storeProblem(false).substr(0, told.size()), told);
        EXPECT_EQ(storeProblem(true).substr(0, told.size()), told);
        RegPlatformResetForTests();
        if (fs::is_regular_file(file_)) {
            EXPECT_EQ(contentsOf(file_), before);
        }
        EXPECT_EQ(companionsOf(file_), std::vector<std::string>());
    }
}

TEST_F(RegistryStore, NothingIsWrongWithASoundStoreOrWithNoneYet) {
    EXPECT_EQ(storeProblem(true), "");
    EXPECT_FALSE(fs::exists(file_.parent_path()));
    writeSomeKeys();
    EXPECT_EQ(storeProblem(true), "");
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(storeProblem(true), "");
}

TEST_F(RegistryStore, ReadingAStoreTakenOutOfWalModeLeavesItSoAndWritingWorks) {
    writeSomeKeys();
    makeDatabase(file_, "DELETE", "");
    const std::string before = contentsOf(file_);
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tavrel\\Cuemark", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key, "Value7"), std::string(300, 'x') + '\0');
    RegCloseKey(key);
    RegPlatformResetForTests();
    EXPECT_EQ(contentsOf(file_), before);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "after", 3), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(HKEY_CURRENT_USER, "after"), std::string("\x03\0\0\0", 4));
}

TEST_F(RegistryStore, EmptyFileIsTakenAsANewStore) {
    writeFile(file_, "");
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "n", 5), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(HKEY_CURRENT_USER, "n"), std::string("\x05\0\0\0", 4));
}

TEST_F(RegistryStore, StoreThatBecameUnreadableIsReportedAndRecoveredAfterRepair) {
    writeSomeKeys();
    const std::string good = contentsOf(file_);
    writeFile(file_, std::string(good.size(), '\x5A'));
    expectUnusable();
    writeFile(file_, good);
    RegPlatformResetForTests();
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tavrel\\Cuemark", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(bytesOf(key, "Value199"), std::string(300, 'x') + '\0');
    RegCloseKey(key);
}

TEST_F(RegistryStore, StoreThatCannotBeOpenedFailsReadsAndWritesWithoutTouchingAnything) {
    fs::create_directories(file_); // a folder where the file should be
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_CANTREAD);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "n", 1), ERROR_CANTWRITE);
    EXPECT_TRUE(fs::is_empty(file_));

    const fs::path blocked = folder_ / "plain-file";
    writeFile(blocked, "not a folder");
    setenv("KEYVANE_REGISTRY", (blocked / "registry.sqlite3").c_str(), 1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_CANTREAD);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, "n", 1), ERROR_CANTWRITE);
    EXPECT_EQ(contentsOf(blocked), "not a folder");
}

TEST_F(RegistryStore, ForkedChildWritesThroughItsOwnConnection) {
    HKEY key = create("Software\\Family");
    ASSERT_EQ(setDword(key, "parent", 1), ERROR_SUCCESS);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Handles stay valid in the child, as the key is in the same file.
        const bool ok = setDword(key, "child", 2) == ERROR_SUCCESS &&
                        bytesOf(key, "parent") == std::string("\x01\0\0\0", 4);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(bytesOf(key, "child"), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(setDword(key, "after", 3), ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace
