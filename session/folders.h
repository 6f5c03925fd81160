#pragma once
// Where sessions live and who holds them. Each session is a private folder
// under $XDG_STATE_HOME/cuemark/sessions/ (~/.local/state/... when unset)
// with a "lock" file that its program holds (flock) for as long as it runs:
// the kernel drops the lock when the program dies, so a session whose lock
// can be taken belongs to a run that crashed.

#include <string>

namespace cuemark::session {

// The sessions folder for this user; empty when neither XDG_STATE_HOME nor
// HOME is set.
std::string SessionsRoot();

// Creates `path` and its missing parents, the new ones private (0700).
bool MakePrivateFolders(const std::string& path, std::string* error);

// A held lock on a session folder; released when destroyed.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the folder's lock without waiting; false when another process
    // holds it, or when there is no lock file and `create` is false.
    bool tryLock(const std::string& folder, bool create);
    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

// Removes a session folder and the files in it (no deeper folders are made).
void RemoveSessionFolder(const std::string& folder);

} // namespace cuemark::session
