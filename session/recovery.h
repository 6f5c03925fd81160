#pragma once
// Finding the work of runs that crashed. A session folder whose lock can be
// taken belongs to a program that is gone; one whose lock is held belongs to
// a program still running and is never touched.

#include <chrono>
#include <string>
#include <vector>

#include "session/folders.h"
#include "session/records.h"
#include "subtitles/store.h"

namespace cuemark::session {

// Reads a session folder: its snapshot, then the journal's records after
// it up to the first damage. False (store and state then hold anything) when there
// is no whole snapshot to start from.
bool ReadSession(const std::string& folder, SUBTITLES& store, SessionState& state);

struct CrashedSession {
    std::string folder;
    SessionDetails details;
    std::chrono::system_clock::time_point lastChange;
    size_t changedTitles = 0;
};

class CrashedSessions {
public:
    static constexpr auto MaxAge = std::chrono::hours(24 * 30);

    // Looks through `root`. Crashed sessions with nothing unsaved, and any
    // without a change for MaxAge, are removed; those with unsaved changes
    // are kept and locked until this object goes. Folders and files that are
    // not whole sessions are left as they are.
    static CrashedSessions find(const std::string& root,
                                std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

    const std::vector<CrashedSession>& sessions() const { return sessions_; }

    // Fills `store` (undo off while it does) and `details` from session i;
    // false when it can no longer be read. The folder stays until discard.
    bool recover(size_t i, SUBTITLES& store, SessionDetails& details) const;
    // Removes session i's folder.
    void discard(size_t i);

private:
    std::vector<CrashedSession> sessions_;
    std::vector<FolderLock> locks_; // one per session, released with this object
};

} // namespace cuemark::session
