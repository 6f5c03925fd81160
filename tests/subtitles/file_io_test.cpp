#include "subtitles/file_io.h"

#include "subtitles/messages.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

namespace cuemark {
namespace {

namespace fs = std::filesystem;

class FileIo : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "cuemark_file_io_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder_, ignored);
    }

    std::string PathOf(const std::string& name) const { return folder_ + "/" + name; }

    static std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static unsigned ModeOf(const std::string& path) {
        struct stat status;
        return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
    std::set<std::string> Entries(const std::string& subfolder = "") const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_ + subfolder))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::string folder_;
};

class FailingStep : public WriteFaults {
public:
    explicit FailingStep(WriteStep step) : step_(step) {}
    bool failAt(WriteStep step) override { return step == step_; }

private:
    WriteStep step_;
};

class RecordingFaults : public WriteFaults {
public:
    bool failAt(WriteStep step) override {
        steps.push_back(step);
        return false;
    }
    std::vector<WriteStep> steps;
};

TEST_F(FileIo, ReadsEveryByteOfAFile) {
    const std::string bytes("1\r\n\0\xFF\xFE tail\r", 11);
    Put(PathOf("a.srt"), bytes);
    std::string read = "stale";
    std::string error;
    ASSERT_TRUE(ReadWholeFile(PathOf("a.srt"), read, &error)) << error;
    EXPECT_EQ(read, bytes);
    Put(PathOf("empty.srt"), "");
    ASSERT_TRUE(ReadWholeFile(PathOf("empty.srt"), read));
    EXPECT_EQ(read, "");
}

TEST_F(FileIo, ReadingAMissingFileOrAFolderSaysWhy) {
    std::string bytes;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(PathOf("missing.srt"), bytes, &error));
    EXPECT_EQ(error, "cannot open " + PathOf("missing.srt") + ": No such file or directory");
    EXPECT_FALSE(ReadWholeFile(folder_, bytes, &error));
    EXPECT_EQ(error, "cannot read " + folder_ + ": Is a directory");
    EXPECT_FALSE(ReadWholeFile(folder_, bytes)); // no error text wanted
}

// Feeds a FIFO once a reader has opened it; gives up after a few seconds
// rather than hang the test when no reader comes.
void FeedPipe(const std::string& fifo, const std::string& bytes) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, 0);
            for (size_t done = 0; done < bytes.size();) {
                const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
            ::close(fd);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST_F(FileIo, ReadsFromAPipe) {
    const std::string fifo = PathOf("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes(200000, 'x');
    std::thread writer([&] { FeedPipe(fifo, bytes); });
    std::string read;
    EXPECT_TRUE(ReadWholeFile(fifo, read));
    writer.join();
    EXPECT_EQ(read, bytes);
}

TEST_F(FileIo, CreatesANewFileAsTheUmaskAllows) {
    const mode_t old = ::umask(027);
    std::string error;
    const bool written = WriteFileAtomically(PathOf("new.srt"), "fresh", &error);
    ::umask(old);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(Contents(PathOf("new.srt")), "fresh");
    EXPECT_EQ(ModeOf(PathOf("new.srt")), 0640u);
    EXPECT_EQ(Entries(), (std::set<std::string>{"new.srt"}));
}

TEST_F(FileIo, ReplacesAFileKeepingItsPermissions) {
    Put(PathOf("old.srt"), std::string(100000, 'o'));
    ASSERT_EQ(::chmod(PathOf("old.srt").c_str(), 0604), 0);
    ASSERT_TRUE(WriteFileAtomically(PathOf("old.srt"), "short"));
    EXPECT_EQ(Contents(PathOf("old.srt")), "short");
    EXPECT_EQ(ModeOf(PathOf("old.srt")), 0604u);
    EXPECT_EQ(Entries(), (std::set<std::string>{"old.srt"}));
}

TEST_F(FileIo, RootReplacingAUsersFileLeavesItTheUsers) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
    Put(PathOf("theirs.srt"), "old");
    ASSERT_EQ(::chown(PathOf("theirs.srt").c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileAtomically(PathOf("theirs.srt"), "new"));
    struct stat status;
    ASSERT_EQ(::stat(PathOf("theirs.srt").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 65534u);
}

TEST_F(FileIo, WritesLargeAndEmptyFilesWhole) {
    std::string big(5 * 1024 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7919 % 251);
    ASSERT_TRUE(WriteFileAtomically(PathOf("big.srt"), big));
    EXPECT_EQ(Contents(PathOf("big.srt")), big);
    ASSERT_TRUE(WriteFileAtomically(PathOf("big.srt"), ""));
    EXPECT_EQ(Contents(PathOf("big.srt")), "");
}

TEST_F(FileIo, WritesARelativePathAndALongName) {
    const std::string name(240, 'n');
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    const bool written = WriteFileAtomically(name, "long");
    fs::current_path(previous);
    ASSERT_TRUE(written);
    EXPECT_EQ(Contents(PathOf(name)), "long");
    EXPECT_EQ(Entries(), (std::set<std::string>{name}));
}

TEST_F(FileIo, AsksTheSeamAboutEveryStepInOrder) {
    RecordingFaults faults;
    ASSERT_TRUE(WriteFileAtomically(PathOf("a.srt"), "x", nullptr, &faults));
    EXPECT_EQ(faults.steps,
              (std::vector<WriteStep>{WriteStep::CreateTemp, WriteStep::Write, WriteStep::Sync, WriteStep::Rename}));
}

// A save killed part-way leaves its ".NAME.XXXXXX.tmp" behind; the next save
// of that name clears those no running save holds, and nothing else.
TEST_F(FileIo, NextSaveRemovesStaleTemporaryFilesOfItsName) {
    Put(PathOf(".a.srt.Ab12cd.tmp"), "left by a killed save");
    Put(PathOf(".a.srt.Zz99zz.tmp"), "being written");
    Put(PathOf(".b.srt.Ab12cd.tmp"), "another name's");
    Put(PathOf(".a.srt.notours.tmp"), "not a temporary name");
    Put(PathOf("elsewhere"), "behind a link");
    ASSERT_EQ(::symlink("elsewhere", PathOf(".a.srt.Lk12ab.tmp").c_str()), 0);
    // A save in progress holds its lock through its own open file.
    const int held = ::open(PathOf(".a.srt.Zz99zz.tmp").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    std::set<std::string> kept{"a.srt",     ".a.srt.Zz99zz.tmp", ".b.srt.Ab12cd.tmp", ".a.srt.notours.tmp",
                               "elsewhere", ".a.srt.Lk12ab.tmp"};
    // Root may remove anyone's file in a shared folder; another user's is not its to judge.
    if (::geteuid() == 0) {
        Put(PathOf(".a.srt.Ot12er.tmp"), "another user's");
        ASSERT_EQ(::chown(PathOf(".a.srt.Ot12er.tmp").c_str(), 65534, 65534), 0);
        kept.insert(".a.srt.Ot12er.tmp");
    }

    ASSERT_TRUE(WriteFileAtomically(PathOf("a.srt"), "new"));
    ::close(held);
    EXPECT_EQ(Contents(PathOf("a.srt")), "new");
    EXPECT_EQ(Entries(), kept);
    EXPECT_EQ(Contents(PathOf("elsewhere")), "behind a link");

    // Once its holder is gone, the same file is stale.
    ASSERT_TRUE(WriteFileAtomically(PathOf("a.srt"), "newer"));
    EXPECT_EQ(Entries().count(".a.srt.Zz99zz.tmp"), 0u);
}

// Another save must be able to tell this one's temporary file from a stale one
// right up to the rename.
TEST_F(FileIo, HoldsALockOnItsTemporaryFileUntilTheRename) {
    class ProbeAtRename : public WriteFaults {
    public:
        explicit ProbeAtRename(std::string folder) : folder_(std::move(folder)) {}
        bool failAt(WriteStep step) override {
            if (step != WriteStep::Rename) return false;
            for (const auto& entry : fs::directory_iterator(folder_)) {
                const std::string name = entry.path().filename().string();
                if (!name.starts_with(".a.srt.")) continue;
                ++temporaries;
                const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
                if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) ++locked;
                if (fd >= 0) ::close(fd);
            }
            return false;
        }
        int temporaries = 0;
        int locked = 0;

    private:
        std::string folder_;
    };
    ProbeAtRename probe(folder_);
    ASSERT_TRUE(WriteFileAtomically(PathOf("a.srt"), "x", nullptr, &probe));
    EXPECT_EQ(probe.temporaries, 1);
    EXPECT_EQ(probe.locked, 1);
}

struct FaultCase {
    const char* name;
    WriteStep step;
    const char* message; // with PATH standing for the target
};

void PrintTo(const FaultCase& fault, std::ostream* out) {
    *out << fault.name;
}

class FailedWrite : public FileIo, public testing::WithParamInterface<FaultCase> {
protected:
    std::string Expected(const std::string& path) const {
        std::string message = GetParam().message;
        for (size_t at; (at = message.find("FOLDER")) != std::string::npos;) message.replace(at, 6, folder_);
        for (size_t at; (at = message.find("PATH")) != std::string::npos;) message.replace(at, 4, path);
        return message;
    }
};

TEST_P(FailedWrite, LeavesTheOldFileAndNoStrayFile) {
    const std::string path = PathOf("keep.srt");
    Put(path, "old bytes\r\n");
    FailingStep faults(GetParam().step);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, std::string(10000, 'n'), &error, &faults));
    EXPECT_EQ(error, Expected(path));
    EXPECT_EQ(Contents(path), "old bytes\r\n");
    EXPECT_EQ(Entries(), (std::set<std::string>{"keep.srt"}));
}

TEST_P(FailedWrite, LeavesNoFileWhereThereWasNone) {
    const std::string path = PathOf("new.srt");
    FailingStep faults(GetParam().step);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, "new", &error, &faults));
    EXPECT_EQ(error, Expected(path));
    EXPECT_TRUE(Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailedWrite,
    testing::Values(FaultCase{"CreateTemp", WriteStep::CreateTemp,
                              "cannot create a temporary file in FOLDER to write PATH: Permission denied"},
                    FaultCase{"Write", WriteStep::Write, "cannot write PATH: No space left on device"},
                    FaultCase{"Sync", WriteStep::Sync, "cannot flush PATH to disk: Input/output error"},
                    FaultCase{"Rename", WriteStep::Rename, "cannot replace PATH: No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileIo, ReadOnlyFolderFailsAndKeepsTheFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions; the seam covers this case";
    Put(PathOf("keep.srt"), "old");
    ASSERT_EQ(::chmod(folder_.c_str(), 0555), 0);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(PathOf("keep.srt"), "new", &error));
    ::chmod(folder_.c_str(), 0755);
    EXPECT_EQ(error, "cannot create a temporary file in " + folder_ + " to write " + PathOf("keep.srt") +
                         ": Permission denied");
    EXPECT_EQ(Contents(PathOf("keep.srt")), "old");
    EXPECT_EQ(Entries(), (std::set<std::string>{"keep.srt"}));
}

TEST_F(FileIo, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    Put(PathOf("locked.srt"), "old");
    ASSERT_EQ(::chmod(PathOf("locked.srt").c_str(), 0444), 0);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(PathOf("locked.srt"), "new", &error));
    EXPECT_EQ(error, "cannot write " + PathOf("locked.srt") + ": Permission denied");
    EXPECT_EQ(Contents(PathOf("locked.srt")), "old");
}

TEST_F(FileIo, MissingFolderOrFolderAsTargetFails) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(PathOf("gone/x.srt"), "new", &error));
    EXPECT_EQ(error, "cannot create a temporary file in " + PathOf("gone") + " to write " + PathOf("gone/x.srt") +
                         ": No such file or directory");
    fs::create_directory(PathOf("sub"));
    EXPECT_FALSE(WriteFileAtomically(PathOf("sub"), "new", &error));
    EXPECT_EQ(error, "cannot write " + PathOf("sub") + ": Is a directory");
    EXPECT_TRUE(fs::is_directory(PathOf("sub")));
    EXPECT_TRUE(Entries("/sub").empty());
    EXPECT_FALSE(WriteFileAtomically("", "new", &error));
}

TEST_F(FileIo, WritesThroughASymbolicLink) {
    fs::create_directory(PathOf("real"));
    Put(PathOf("real/target.srt"), "old");
    ASSERT_EQ(::chmod(PathOf("real/target.srt").c_str(), 0600), 0);
    fs::create_symlink("real/target.srt", PathOf("link.srt"));
    fs::create_symlink("link.srt", PathOf("chain.srt"));
    ASSERT_TRUE(WriteFileAtomically(PathOf("chain.srt"), "new"));
    EXPECT_TRUE(fs::is_symlink(PathOf("link.srt")));
    EXPECT_TRUE(fs::is_symlink(PathOf("chain.srt")));
    EXPECT_EQ(Contents(PathOf("real/target.srt")), "new");
    EXPECT_EQ(ModeOf(PathOf("real/target.srt")), 0600u);
    EXPECT_EQ(Entries("/real"), (std::set<std::string>{"target.srt"}));
}

TEST_F(FileIo, DanglingLinkCreatesItsTarget) {
    fs::create_symlink(PathOf("later.srt"), PathOf("link.srt"));
    ASSERT_TRUE(WriteFileAtomically(PathOf("link.srt"), "made"));
    EXPECT_TRUE(fs::is_symlink(PathOf("link.srt")));
    EXPECT_EQ(Contents(PathOf("later.srt")), "made");
}

TEST_F(FileIo, LinkLoopFailsWithAReason) {
    fs::create_symlink("b", PathOf("a"));
    fs::create_symlink("a", PathOf("b"));
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(PathOf("a"), "x", &error));
    EXPECT_EQ(error, "cannot write " + PathOf("a") + ": Too many levels of symbolic links");
    EXPECT_EQ(Entries(), (std::set<std::string>{"a", "b"}));
}

// A device of our own in the test folder: were the refusal ever broken, the
// node written would be this one and never a device of the machine.
bool MakeOwnDevice(const std::string& path, unsigned minor) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, minor)) == 0;
}

bool MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
    path.copy(address.sun_path, path.size());
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

TEST_F(FileIo, NeverWritesIntoADevicePipeOrSocket) {
    std::vector<std::string> nodes;
    ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
    nodes.push_back(PathOf("pipe"));
    // A reader waits on the pipe, so a write into it would succeed.
    const int reader = ::open(PathOf("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    if (MakeSocket(PathOf("socket"))) nodes.push_back(PathOf("socket"));
    if (MakeOwnDevice(PathOf("null"), 3)) nodes.push_back(PathOf("null"));
    fs::create_symlink("pipe", PathOf("to-pipe.srt"));
    nodes.push_back(PathOf("to-pipe.srt"));
    const std::set<std::string> before = Entries();
    for (const std::string& node : nodes) {
        SCOPED_TRACE(node);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(node, "x", &error));
        EXPECT_EQ(error, "cannot write " + node + ": " + messages::NotARegularFile);
    }
    char buffer[8];
    EXPECT_LE(::read(reader, buffer, sizeof buffer), 0) << "bytes went into the pipe";
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(PathOf("pipe")));
    EXPECT_EQ(Entries(), before);
    if (::geteuid() == 0 && !fs::is_character_file(PathOf("null")))
        ADD_FAILURE() << "root could not make a device node to test with";
}

// A folder like /tmp: sticky and writable by all. The link in it is another
// user's (nobody's), aimed at a file only root may write.
class SharedFolder : public FileIo {
protected:
    void SetUp() override {
        FileIo::SetUp();
        if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
        ASSERT_EQ(::mkdir(PathOf("shared").c_str(), 0700), 0);
        ASSERT_EQ(::chmod(PathOf("shared").c_str(), 01777), 0);
        Put(PathOf("victim"), "root's own");
        ASSERT_EQ(::chmod(PathOf("victim").c_str(), 0600), 0);
    }
    void PlantLink(const std::string& name, uid_t owner) {
        fs::create_symlink(PathOf("victim"), PathOf(name));
        ASSERT_EQ(::lchown(PathOf(name).c_str(), owner, owner), 0);
    }
    static constexpr uid_t Nobody = 65534;
};

TEST_F(SharedFolder, ASaveDoesNotFollowAnotherUsersLink) {
    PlantLink("shared/film.srt", Nobody);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(PathOf("shared/film.srt"), "planted", &error));
    EXPECT_EQ(error, "cannot write " + PathOf("shared/film.srt") + ": " + messages::ForeignLink);
    EXPECT_EQ(Contents(PathOf("victim")), "root's own");
    EXPECT_TRUE(fs::is_symlink(PathOf("shared/film.srt")));
    EXPECT_EQ(Entries("/shared"), (std::set<std::string>{"film.srt"}));
}

TEST_F(SharedFolder, LinksTheKernelWouldFollowAreFollowed) {
    // The saver's own link in the shared folder.
    PlantLink("shared/own.srt", 0);
    EXPECT_TRUE(WriteFileAtomically(PathOf("shared/own.srt"), "own"));
    EXPECT_EQ(Contents(PathOf("victim")), "own");
    // Another user's link in a folder that is not sticky.
    PlantLink("plain.srt", Nobody);
    EXPECT_TRUE(WriteFileAtomically(PathOf("plain.srt"), "plain"));
    EXPECT_EQ(Contents(PathOf("victim")), "plain");
    // The link of the shared folder's owner.
    ASSERT_EQ(::chown(PathOf("shared").c_str(), Nobody, Nobody), 0);
    PlantLink("shared/owner.srt", Nobody);
    EXPECT_TRUE(WriteFileAtomically(PathOf("shared/owner.srt"), "owner's"));
    EXPECT_EQ(Contents(PathOf("victim")), "owner's");
}

// Changes what lies at the target's name just before the rename.
class SwapAtRename : public WriteFaults {
public:
    explicit SwapAtRename(std::function<void()> swap) : swap_(std::move(swap)) {}
    bool failAt(WriteStep step) override {
        if (step == WriteStep::Rename) swap_();
        return false;
    }

private:
    std::function<void()> swap_;
};

TEST_F(FileIo, WhatTheRenameWouldReplaceIsCheckedAgain) {
    Put(PathOf("victim"), "keep");
    struct Case {
        const char* name;
        bool existedAtFirst;
        std::function<void(const std::string&)> swap;
        bool staysALink;
    };
    const std::vector<Case> cases = {
        {"a link replaces the file", true,
         [&](const std::string& at) {
             fs::remove(at);
             fs::create_symlink(PathOf("victim"), at);
         },
         true},
        {"another file replaces the file", true,
         [&](const std::string& at) {
             fs::remove(at);
             Put(at, "other");
         },
         false},
        {"a link takes the free name", false, [&](const std::string& at) { fs::create_symlink(PathOf("victim"), at); },
         true},
        {"a file takes the free name", false, [&](const std::string& at) { Put(at, "other"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string at = PathOf("race.srt");
        fs::remove(at);
        if (c.existedAtFirst) Put(at, "old");
        SwapAtRename faults([&] { c.swap(at); });
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(at, "new", &error, &faults));
        EXPECT_EQ(error, "cannot replace " + at + ": " + messages::TargetChanged);
        EXPECT_EQ(fs::is_symlink(at), c.staysALink);
        EXPECT_EQ(Contents(at), c.staysALink ? "keep" : "other");
        EXPECT_EQ(Contents(PathOf("victim")), "keep");
        EXPECT_EQ(Entries(), (std::set<std::string>{"race.srt", "victim"}));
    }
}

} // namespace
} // namespace cuemark
