#include "platform/store_location.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform::registry {

namespace {

bool homeFolder(std::string& out) {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        out.assign(home);
        return true;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] == '\0')
        return false;
    out.assign(found->pw_dir);
    return true;
}

// mkdir -p for the folders above file; only folders made here get 0700, a
// user's existing folders are left as they are.
bool createFolders(const std::string& file) {
    const size_t slash = file.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return true;
    const std::string folder = file.substr(0, slash);
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT || !createFolders(folder)) return false;
    if (mkdir(folder.c_str(), 0700) != 0) return errno == EEXIST;
    return chmod(folder.c_str(), 0700) == 0; // whatever the umask
}

} // namespace

void storeLocation(std::string& out) {
    if (const char* explicitFile = std::getenv("KEYVANE_REGISTRY"); explicitFile != nullptr && *explicitFile != '\0') {
        out.assign(explicitFile);
        return;
    }
    // A relative XDG_CONFIG_HOME is invalid and to be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
        out.assign(config);
    } else if (homeFolder(out)) {
        out.append("/.config");
    } else {
        out.clear();
        return;
    }
    out.append("/keyvane/registry.sqlite3");
}

bool createStoreFile(const std::string& file) {
    if (file.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!createFolders(file)) return false;
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST; // another process was quicker
    const bool ok = fchmod(fd, 0600) == 0;
    return close(fd) == 0 && ok;
}

} // namespace platform::registry
