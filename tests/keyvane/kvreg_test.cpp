#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs kvreg with these arguments; it inherits this process's store.
Outcome kvreg(const std::vector<std::string>& args) {
    const std::string program = std::string(CUEMARK_BIN_DIR) + "/kvreg";
    std::vector<char*> argv;
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
        execv(program.c_str(), argv.data());
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

} // namespace
