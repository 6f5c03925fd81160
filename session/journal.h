#pragma once
// The session journal: every change of the store, appended to a file in the
// session's folder and made durable (fdatasync) by a writer thread, so the
// user-interface thread never waits on the disk. Every 60 s or 500 records
// the whole store is written as a snapshot (an atomic replace) and the
// journal starts again; recovery is the snapshot plus the records after it.
//
// All members are called on the thread that changes the store, except
// waitDurable, which may be called from any thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "session/folders.h"
#include "session/records.h"
#include "subtitles/store.h"

namespace cuemark::session {

class SessionJournal : public StoreWatcher {
public:
    static constexpr auto SnapshotInterval = std::chrono::seconds(60);
    static constexpr int SnapshotRecords = 500;

    // Makes a new private session folder under `root`, holds its lock, and
    // watches `store` (which must outlive the journal). One thing is written
    // at once: a snapshot of the store as it is. On failure, returns null
    // and says why.
    static std::unique_ptr<SessionJournal> start(const std::string& root, SUBTITLES& store, std::string* error);
    // Stops watching and the writer, after writing what is queued; the
    // folder stays (as after a crash) unless finish() was called.
    ~SessionJournal() override;

    const std::string& folder() const { return folder_; }

    // The store was refilled (a load, a new file, a recovery): written as a
    // fresh snapshot with these details. Changes are not recorded between
    // pause() and the next rebase(), so a load is not journalled title by title.
    void pause() { paused_ = true; }
    void rebase(const SessionDetails& details);
    // Names, format, encoding, frame rate or the changed flag changed (a
    // save clears the flag: the session is then clean).
    void setDetails(const SessionDetails& details);
    const SessionDetails& details() const { return state_.details; }

    // Takes a snapshot when the last one is SnapshotInterval old; call it
    // from a timer.
    void tick(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

    // The sequence number of the last change recorded, and whether it (or
    // a later one) is on the disk yet.
    uint64_t lastSequence() const { return state_.sequence; }
    // Waits until change `sequence` is durable; false on timeout or when
    // the journal has failed.
    bool waitDurable(uint64_t sequence, std::chrono::milliseconds timeout);

    // Why the journal stopped writing (a full disk, a folder gone), once:
    // later calls return nothing. Changes go on unrecorded after a failure.
    std::optional<std::string> takeFailure();

    // A normal end: the session's folder is removed.
    void finish();

    // StoreWatcher
    void titlesCleared() override;
    void titleInserted(int32_t ix) override;
    void titlesDeleted(const std::vector<int32_t>& titles) override;
    void timesChanged(int32_t ix) override;
    void textChanged(int32_t ix) override;
    void titleChanged(int32_t ix) override;

private:
    SessionJournal(std::string folder, SUBTITLES& store, FolderLock lock);

    struct Job {
        enum class Kind { Records, Snapshot } kind = Kind::Records;
        std::string bytes;
        uint64_t sequence = 0; // of the last change the bytes hold
    };

    void titleRecord(RecordKind kind, int32_t ix);
    // Called after a record is encoded into pending_: hands it to the writer.
    void queueRecords();
    void snapshot();
    void writerLoop();
    bool writeJob(Job& job, std::string& why);
    bool openJournal(std::string& why);

    const std::string folder_;
    SUBTITLES& store_;
    FolderLock lock_;
    SessionState state_;
    bool paused_ = false;
    bool stopped_ = false; // the user-interface side's view of a failure
    int recordsSinceSnapshot_ = 0;
    std::chrono::steady_clock::time_point lastSnapshot_;
    std::string encoded_; // reused for each record

    // Shared with the writer thread.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable durable_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    bool failed_ = false;
    bool failureTaken_ = false;
    std::string failure_;
    uint64_t durableSequence_ = 0;

    int journalFd_ = -1; // the writer thread's
    std::thread writer_;
};

} // namespace cuemark::session
