#include "session/recovery.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "subtitles/file_io.h"

namespace cuemark::session {

namespace {

std::chrono::system_clock::time_point modifiedAt(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return {};
    return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::seconds(status.st_mtim.tv_sec) + std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
}

std::vector<std::string> sessionFolders(const std::string& root) {
    std::vector<std::string> folders;
    DIR* listing = ::opendir(root.c_str());
    if (listing == nullptr) return folders;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat status;
        const std::string path = root + "/" + name;
        if (::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) folders.push_back(path);
    }
    ::closedir(listing);
    std::sort(folders.begin(), folders.end());
    return folders;
}

} // namespace

bool ReadSession(const std::string& folder, SUBTITLES& store, SessionState& state) {
    std::string snapshot;
    if (!ReadWholeFile(folder + "/snapshot", snapshot) || !DecodeSnapshot(snapshot, store, state)) return false;
    snapshot = std::string();
    std::string journal;
    // A journal that cannot be read leaves the snapshot, which is whole.
    if (ReadWholeFile(folder + "/journal", journal)) ReplayJournal(journal, store, state);
    return true;
}

CrashedSessions CrashedSessions::find(const std::string& root, std::chrono::system_clock::time_point now) {
    CrashedSessions found;
    for (const std::string& folder : sessionFolders(root)) {
        FolderLock lock;
        // Held by a running program, or not a session of ours.
        if (!lock.tryLock(folder, false)) continue;
        SUBTITLES store;
        SessionState state;
        if (!ReadSession(folder, store, state)) continue;
        const auto lastChange = std::max(modifiedAt(folder + "/snapshot"), modifiedAt(folder + "/journal"));
        const bool unsaved = state.details.changed || !state.changedTitles.empty();
        if (!unsaved || now - lastChange > MaxAge) {
            RemoveSessionFolder(folder);
            continue;
        }
        found.sessions_.push_back(CrashedSession{folder, state.details, lastChange, state.changedTitles.size()});
        found.locks_.push_back(std::move(lock));
    }
    return found;
}

bool CrashedSessions::recover(size_t i, SUBTITLES& store, SessionDetails& details) const {
    if (i >= sessions_.size()) return false;
    SessionState state;
    const bool undo = store.UndoEnabled();
    const bool read = ReadSession(sessions_[i].folder, store, state);
    store.SetUndoEnabled(undo);
    if (read) details = state.details;
    return read;
}

void CrashedSessions::discard(size_t i) {
    if (i >= sessions_.size()) return;
    RemoveSessionFolder(sessions_[i].folder);
    locks_[i].release();
}

} // namespace cuemark::session
