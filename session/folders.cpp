#include "session/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace cuemark::session {

std::string SessionsRoot() {
    const char* state = std::getenv("XDG_STATE_HOME");
    // XDG base directories ignore a relative value.
    if (state != nullptr && state[0] == '/') return std::string(state) + "/cuemark/sessions";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return std::string();
    return std::string(home) + "/.local/state/cuemark/sessions";
}

bool MakePrivateFolders(const std::string& path, std::string* error) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
        if (error != nullptr) *error = "cannot make the folder " + part + ": " + std::generic_category().message(errno);
        return false;
    }
    struct stat status;
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
    if (error != nullptr) *error = path + " is not a folder";
    return false;
}

FolderLock::~FolderLock() {
    release();
}

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FolderLock::tryLock(const std::string& folder, bool create) {
    release();
    const std::string path = folder + "/lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FolderLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void RemoveSessionFolder(const std::string& folder) {
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") ::unlinkat(::dirfd(listing), name.c_str(), 0);
        }
        ::closedir(listing);
    }
    ::rmdir(folder.c_str());
}

} // namespace cuemark::session
