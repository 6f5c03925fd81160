#include "subtitles/file_io.h"

#include "subtitles/messages.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdint>
#include <random>
#include <system_error>

namespace cuemark {
namespace {

// Linux's own limit for following links (ELOOP).
constexpr int kMaxLinkHops = 40;
// Keeps the temporary name within NAME_MAX whatever the target's name.
constexpr size_t kMaxBaseInTempName = 200;

std::string SystemMessage(int error) {
    return std::generic_category().message(error);
}

bool Fail(std::string* error, std::string message) {
    if (error != nullptr) *error = std::move(message);
    return false;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    // The result of close(2), which on some file systems is where a failed
    // write first shows.
    int Close() {
        if (fd_ < 0) return 0;
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The kernel refuses to follow, in a sticky world-writable folder such as
// /tmp, a link that neither the follower nor the folder's owner made, so
// that no one can aim another user's save at a file of their choosing. We
// follow links ourselves, so the same rule is kept here.
bool MayFollow(const std::string& link, const struct stat& linkStatus) {
    struct stat folder;
    if (::stat(FolderOf(link).c_str(), &folder) != 0) return false;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || linkStatus.st_uid == ::geteuid() || linkStatus.st_uid == folder.st_uid;
}

// What a save replaces, decided before anything is written and checked
// again at the rename.
struct Target {
    std::string path; // links followed
    bool exists = false;
    struct stat status {}; // of the file replaced, when it exists
    // Held open so that its number is not given to another file before the
    // rename compares them.
    FileDescriptor held;
};

// Follows symbolic links in the last component so that the file a link
// points at is replaced, not the link itself. A dangling link resolves to the
// path it names, which is then created. Only regular files are replaced:
// a device, pipe or socket is refused rather than written in place.
bool FindTarget(const std::string& path, Target& target, std::string* error) {
    target.path = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat status;
        if (::lstat(target.path.c_str(), &status) != 0) {
            if (errno == ENOENT) return true;
            return Fail(error, "cannot write " + path + ": " + SystemMessage(errno));
        }
        if (S_ISLNK(status.st_mode)) {
            if (!MayFollow(target.path, status))
                return Fail(error, "cannot write " + path + ": " + messages::ForeignLink);
            std::string link(static_cast<size_t>(status.st_size > 0 ? status.st_size : 4096) + 1, '\0');
            const ssize_t length = ::readlink(target.path.c_str(), link.data(), link.size());
            if (length < 0) return Fail(error, "cannot write " + path + ": " + SystemMessage(errno));
            link.resize(static_cast<size_t>(length));
            target.path = link.starts_with('/') ? link : FolderOf(target.path) + "/" + link;
            continue;
        }
        target.held.Reset(::open(target.path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        // Gone or swapped since the lstat: look again.
        if (target.held.get() < 0 || ::fstat(target.held.get(), &status) != 0 || S_ISLNK(status.st_mode)) continue;
        if (S_ISDIR(status.st_mode)) return Fail(error, "cannot write " + path + ": " + SystemMessage(EISDIR));
        if (!S_ISREG(status.st_mode)) return Fail(error, "cannot write " + path + ": " + messages::NotARegularFile);
        target.exists = true;
        target.status = status;
        return true;
    }
    return Fail(error, "cannot write " + path + ": " + SystemMessage(ELOOP));
}

// File systems that know neither flag of renameat2 (some network ones).
bool FlagUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

// Renames the temporary file over the target only if the target is still
// what was checked: absent, or the same file. A link or device put there
// meanwhile stays, and the save fails.
bool ReplaceTarget(const std::string& temporary, const Target& target, const std::string& path, std::string* error) {
    const char* from = temporary.c_str();
    const char* to = target.path.c_str();
    const auto changed = [&] { return Fail(error, "cannot replace " + path + ": " + messages::TargetChanged); };
    const auto failed = [&](int failure) {
        return Fail(error, "cannot replace " + path + ": " + SystemMessage(failure));
    };
    if (!target.exists) {
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
        if (errno == EEXIST) return changed();
        if (!FlagUnsupported(errno)) return failed(errno);
    } else {
        // Swapped in one step, so the file taken out can be checked after.
        if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE) == 0) {
            struct stat replaced;
            if (::lstat(from, &replaced) == 0 && SameFile(replaced, target.status)) {
                ::unlink(from);
                return true;
            }
            ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
            return changed();
        }
        if (errno == ENOENT) return changed();
        if (!FlagUnsupported(errno)) return failed(errno);
    }
    // Without the flags the check and the rename are two steps.
    struct stat now;
    const bool present = ::lstat(to, &now) == 0;
    if (present != target.exists || (present && !SameFile(now, target.status))) return changed();
    if (::rename(from, to) != 0) return failed(errno);
    return true;
}

constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t SuffixLength = 6;
constexpr std::string_view TempExtension = ".tmp";

std::string TemporaryPrefix(const std::string& target) {
    return "." + NameOf(target).substr(0, kMaxBaseInTempName) + ".";
}

// A temporary file is held by its save for as long as that save runs (an
// advisory lock, dropped by the kernel when the process dies), so one whose
// lock can be taken was left by a save that was killed.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = TemporaryPrefix(target);
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    const int folderFd = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + SuffixLength + TempExtension.size() || !name.starts_with(prefix) ||
            !name.ends_with(TempExtension))
            continue;
        const std::string_view suffix = name.substr(prefix.size(), SuffixLength);
        if (suffix.find_first_not_of(std::string_view(Letters, sizeof Letters - 1)) != std::string_view::npos) continue;
        const std::string entryName(name);
        FileDescriptor file(::openat(folderFd, entryName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened;
        if (file.get() < 0 || ::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) continue;
        // Another user's file is not ours to judge, even where we may remove it.
        if (opened.st_uid != ::geteuid()) continue;
        // A lock that cannot be taken, or a file system without locks: keep it.
        if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) continue;
        // Only the file we locked goes, not one that took its name meanwhile.
        struct stat named;
        if (::fstatat(folderFd, entryName.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(named, opened))
            continue;
        ::unlinkat(folderFd, entryName.c_str(), 0);
    }
    ::closedir(listing);
}

std::string RandomSuffix() {
    thread_local std::mt19937_64 generator(
        std::random_device{}() ^ static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<uint64_t>(::getpid()));
    std::uniform_int_distribution<size_t> pick(0, sizeof Letters - 2);
    std::string suffix(SuffixLength, ' ');
    for (char& c : suffix) c = Letters[pick(generator)];
    return suffix;
}

// Creates ".name.XXXXXX.tmp" beside the target, exclusively, so no other
// file is ever overwritten; 0666 lets the umask decide as for any new file.
// The file comes back locked (see RemoveStaleTemporaries).
int CreateTemporary(const std::string& target, std::string& temporary) {
    const std::string folder = FolderOf(target);
    const std::string prefix = (folder.ends_with('/') ? folder : folder + "/") + TemporaryPrefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = prefix + RandomSuffix() + std::string(TempExtension);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return fd;
        }
        // Between creating and locking, another save may have found the file
        // unlocked and removed it; it is ours only if it still has its name
        // once locked. Without locks (some network file systems) it stays
        // unlocked, and other saves leave it alone.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat opened;
            struct stat named;
            if (::fstat(fd, &opened) == 0 && ::lstat(temporary.c_str(), &named) == 0 && SameFile(opened, named))
                return fd;
        } else if (errno != EWOULDBLOCK) {
            return fd;
        }
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Writes every byte, through short writes and interrupted calls.
bool WriteAll(int fd, std::string_view bytes, WriteFaults* faults, int& error) {
    if (faults != nullptr && faults->failAt(WriteStep::Write)) {
        // As a disk that fills up: part of the data lands, then ENOSPC.
        [[maybe_unused]] const ssize_t ignored = ::write(fd, bytes.data(), bytes.size() / 2);
        error = ENOSPC;
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, size_t{1} << 30);
        const ssize_t written = ::write(fd, bytes.data() + done, chunk);
        if (written < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

// Undoes a half-done write: the temporary file goes, the target stays.
class TemporaryFile {
public:
    ~TemporaryFile() {
        if (!path.empty()) {
            descriptor.Close();
            ::unlink(path.c_str());
        }
    }
    void Keep() { path.clear(); }

    FileDescriptor descriptor;
    // Shares the descriptor's lock and keeps it after the descriptor is
    // closed (to see close's error) until the file is renamed or removed.
    FileDescriptor lock;
    std::string path;
};

} // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error, bool* tooLarge) {
    bytes.clear();
    if (tooLarge != nullptr) *tooLarge = false;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return Fail(error, "cannot open " + path + ": " + SystemMessage(errno));
    struct stat status;
    if (::fstat(file.get(), &status) != 0) return Fail(error, "cannot read " + path + ": " + SystemMessage(errno));
    if (S_ISDIR(status.st_mode)) return Fail(error, "cannot read " + path + ": " + SystemMessage(EISDIR));
    // Read straight into the result: a regular file's size is known, and
    // anything else (a pipe) grows it as it comes.
    auto stopTooLarge = [&] {
        bytes.clear();
        bytes.shrink_to_fit();
        if (tooLarge != nullptr) *tooLarge = true;
        return Fail(error, "cannot read " + path + ": " + messages::InputTooLarge);
    };
    if (S_ISREG(status.st_mode) && static_cast<uintmax_t>(status.st_size) > MaxInputBytes) return stopTooLarge();
    // One byte past the limit tells a file of exactly the limit from a larger one.
    constexpr size_t Capacity = MaxInputBytes + 1;
    size_t filled = 0;
    bytes.resize(S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) + 1 : 64 * 1024);
    for (;;) {
        if (filled == bytes.size()) {
            if (filled >= Capacity) return stopTooLarge();
            bytes.resize(std::min(bytes.size() * 2, Capacity));
        }
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int failure = errno;
            bytes.clear();
            return Fail(error, "cannot read " + path + ": " + SystemMessage(failure));
        }
        if (got == 0) {
            if (filled > MaxInputBytes) return stopTooLarge();
            bytes.resize(filled);
            return true;
        }
        filled += static_cast<size_t>(got);
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error, WriteFaults* faults) {
    auto injected = [faults](WriteStep step) { return faults != nullptr && faults->failAt(step); };
    if (path.empty()) return Fail(error, "cannot write a file without a name");

    Target target;
    if (!FindTarget(path, target, error)) return false;
    // Renaming would get round a file's own write protection; honour it.
    if (target.exists && ::access(target.path.c_str(), W_OK) != 0)
        return Fail(error, "cannot write " + path + ": " + SystemMessage(errno));

    RemoveStaleTemporaries(target.path);

    TemporaryFile temporary;
    int fd = -1;
    if (injected(WriteStep::CreateTemp))
        errno = EACCES;
    else
        fd = CreateTemporary(target.path, temporary.path);
    if (fd < 0) {
        const int failure = errno;
        temporary.path.clear();
        return Fail(error, "cannot create a temporary file in " + FolderOf(target.path) + " to write " + path + ": " +
                               SystemMessage(failure));
    }
    temporary.descriptor.Reset(fd);
    temporary.lock.Reset(::fcntl(fd, F_DUPFD_CLOEXEC, 0));

    if (target.exists) {
        const struct stat& existing = target.status;
        // Keep the owner where we may (root saving a user's file) and the
        // permission bits always; chown first, as it clears set-id bits.
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
            ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Not ours to give away: the file becomes the writer's own.
        }
        // File systems without permissions (FAT) refuse; there is nothing to keep.
        if (::fchmod(fd, existing.st_mode & 07777) != 0 && errno != EPERM)
            return Fail(error, "cannot set the permissions of " + path + ": " + SystemMessage(errno));
    }

    int failure = 0;
    if (!WriteAll(fd, bytes, faults, failure))
        return Fail(error, "cannot write " + path + ": " + SystemMessage(failure));
    if (injected(WriteStep::Sync)) return Fail(error, "cannot flush " + path + " to disk: " + SystemMessage(EIO));
    if (::fsync(fd) != 0) return Fail(error, "cannot flush " + path + " to disk: " + SystemMessage(errno));
    if (temporary.descriptor.Close() != 0) return Fail(error, "cannot write " + path + ": " + SystemMessage(errno));

    if (injected(WriteStep::Rename)) return Fail(error, "cannot replace " + path + ": " + SystemMessage(ENOENT));
    if (!ReplaceTarget(temporary.path, target, path, error)) return false;
    temporary.Keep();

    // The rename itself reaches the disk with the folder. The new bytes are
    // in place already, so a folder that cannot be synced (some file
    // systems refuse) is no failure.
    FileDescriptor folder(::open(FolderOf(target.path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) static_cast<void>(::fsync(folder.get()));
    return true;
}

} // namespace cuemark
