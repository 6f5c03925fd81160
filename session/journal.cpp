#include "session/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>
#include <system_error>

#include "subtitles/file_io.h"

namespace cuemark::session {

namespace {

std::string systemMessage(int error) {
    return std::generic_category().message(error);
}

// Sorts by age in a listing, and never repeats: the time, the process and a
// random tail.
std::string newSessionName() {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    std::random_device random;
    return std::string(stamp) + "-" + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000);
}

// Made before its first atomic replace, which keeps a file's permissions.
bool createPrivateFile(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        why = "cannot make " + path + ": " + systemMessage(errno);
        return false;
    }
    ::close(fd);
    return true;
}

} // namespace

std::unique_ptr<SessionJournal> SessionJournal::start(const std::string& root, SUBTITLES& store, std::string* error) {
    auto failWith = [error](std::string why) -> std::unique_ptr<SessionJournal> {
        if (error != nullptr) *error = std::move(why);
        return nullptr;
    };
    if (root.empty()) return failWith("there is no folder for it (neither XDG_STATE_HOME nor HOME is set)");
    std::string why;
    if (!MakePrivateFolders(root, &why)) return failWith(why);
    std::string folder;
    for (int attempt = 0;; ++attempt) {
        folder = root + "/" + newSessionName();
        if (::mkdir(folder.c_str(), 0700) == 0) break;
        if (errno != EEXIST || attempt == 100)
            return failWith("cannot make the folder " + folder + ": " + systemMessage(errno));
    }
    FolderLock lock;
    if (!lock.tryLock(folder, true) || !createPrivateFile(folder + "/snapshot", why) ||
        !createPrivateFile(folder + "/journal", why)) {
        RemoveSessionFolder(folder);
        return failWith(why.empty() ? "cannot lock " + folder : why);
    }
    std::unique_ptr<SessionJournal> journal(new SessionJournal(folder, store, std::move(lock)));
    // Recovery needs a snapshot to start from, even of an empty store.
    journal->snapshot();
    return journal;
}

SessionJournal::SessionJournal(std::string folder, SUBTITLES& store, FolderLock lock)
    : folder_(std::move(folder)), store_(store), lock_(std::move(lock)) {
    store_.setWatcher(this);
    writer_ = std::thread([this] { writerLoop(); });
}

SessionJournal::~SessionJournal() {
    store_.setWatcher(nullptr);
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (writer_.joinable()) writer_.join();
    if (journalFd_ >= 0) ::close(journalFd_);
}

void SessionJournal::finish() {
    store_.setWatcher(nullptr);
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_one();
    if (writer_.joinable()) writer_.join();
    if (journalFd_ >= 0) ::close(journalFd_);
    journalFd_ = -1;
    RemoveSessionFolder(folder_);
    lock_.release();
}

void SessionJournal::rebase(const SessionDetails& details) {
    paused_ = false;
    state_.details = details;
    state_.changedTitles.clear();
    ++state_.sequence;
    snapshot();
}

void SessionJournal::setDetails(const SessionDetails& details) {
    // A save after changes leaves the details as they were but cleans them.
    const bool cleans = !details.changed && !state_.changedTitles.empty();
    if (details == state_.details && !cleans) return;
    state_.details = details;
    if (!details.changed) state_.changedTitles.clear();
    if (paused_ || stopped_) return;
    encoded_.clear();
    AppendDetailsRecord(encoded_, ++state_.sequence, details);
    queueRecords();
}

void SessionJournal::tick(std::chrono::steady_clock::time_point now) {
    if (paused_ || stopped_ || recordsSinceSnapshot_ == 0) return;
    if (recordsSinceSnapshot_ >= SnapshotRecords || now - lastSnapshot_ >= SnapshotInterval) snapshot();
}

bool SessionJournal::waitDurable(uint64_t sequence, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return durable_.wait_for(lock, timeout, [&] { return failed_ || durableSequence_ >= sequence; }) && !failed_;
}

std::optional<std::string> SessionJournal::takeFailure() {
    std::lock_guard guard(mutex_);
    if (!failed_ || failureTaken_) return std::nullopt;
    failureTaken_ = true;
    return failure_;
}

void SessionJournal::titlesCleared() {
    titleRecord(RecordKind::Cleared, 0);
}
void SessionJournal::titleInserted(int32_t ix) {
    titleRecord(RecordKind::Inserted, ix);
}
void SessionJournal::timesChanged(int32_t ix) {
    titleRecord(RecordKind::TimesChanged, ix);
}
void SessionJournal::textChanged(int32_t ix) {
    titleRecord(RecordKind::TextChanged, ix);
}
void SessionJournal::titleChanged(int32_t ix) {
    titleRecord(RecordKind::TitleChanged, ix);
}

void SessionJournal::titlesDeleted(const std::vector<int32_t>& titles) {
    if (paused_ || stopped_) return;
    encoded_.clear();
    AppendDeletedRecord(encoded_, ++state_.sequence, titles);
    state_.changedTitles.insert(titles.begin(), titles.end());
    queueRecords();
}

void SessionJournal::titleRecord(RecordKind kind, int32_t ix) {
    if (paused_ || stopped_) return;
    encoded_.clear();
    AppendTitleRecord(encoded_, ++state_.sequence, kind, store_, ix);
    if (kind == RecordKind::Cleared)
        state_.changedTitles.clear();
    else
        state_.changedTitles.insert(ix);
    queueRecords();
}

void SessionJournal::queueRecords() {
    ++recordsSinceSnapshot_;
    bool wasIdle = false;
    {
        std::lock_guard guard(mutex_);
        if (failed_) {
            stopped_ = true;
            return;
        }
        wasIdle = jobs_.empty();
        if (jobs_.empty() || jobs_.back().kind != Job::Kind::Records) jobs_.push_back(Job{});
        jobs_.back().bytes += encoded_;
        jobs_.back().sequence = state_.sequence;
    }
    // A writer with work in hand takes these with it; waking it costs a call.
    if (wasIdle) wake_.notify_one();
}

void SessionJournal::snapshot() {
    Job job{Job::Kind::Snapshot, EncodeSnapshot(store_, state_), state_.sequence};
    recordsSinceSnapshot_ = 0;
    lastSnapshot_ = std::chrono::steady_clock::now();
    {
        std::lock_guard guard(mutex_);
        if (failed_) {
            stopped_ = true;
            return;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SessionJournal::writerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        std::deque<Job> taken;
        taken.swap(jobs_);
        lock.unlock();
        std::string why;
        bool written = true;
        for (Job& job : taken)
            if (!(written = writeJob(job, why))) break;
        lock.lock();
        if (!written) {
            failed_ = true;
            failure_ = why;
            jobs_.clear();
            durable_.notify_all();
            return;
        }
        durableSequence_ = taken.back().sequence;
        durable_.notify_all();
    }
}

bool SessionJournal::writeJob(Job& job, std::string& why) {
    if (job.kind == Job::Kind::Snapshot) {
        // The snapshot is durable before the journal it replaces is emptied.
        if (!WriteFileAtomically(folder_ + "/snapshot", job.bytes, &why)) return false;
        if (journalFd_ >= 0) ::close(journalFd_);
        journalFd_ = -1;
        if (!WriteFileAtomically(folder_ + "/journal", JournalMagic, &why)) return false;
        return openJournal(why);
    }
    if (journalFd_ < 0 && !openJournal(why)) return false;
    std::string_view rest = job.bytes;
    while (!rest.empty()) {
        const ssize_t written = ::write(journalFd_, rest.data(), rest.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            why = "cannot write " + folder_ + "/journal: " + systemMessage(errno);
            return false;
        }
        rest.remove_prefix(static_cast<size_t>(written));
    }
    if (::fdatasync(journalFd_) != 0) {
        why = "cannot flush " + folder_ + "/journal to disk: " + systemMessage(errno);
        return false;
    }
    return true;
}

bool SessionJournal::openJournal(std::string& why) {
    journalFd_ = ::open((folder_ + "/journal").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (journalFd_ >= 0) return true;
    why = "cannot open " + folder_ + "/journal: " + systemMessage(errno);
    return false;
}

} // namespace cuemark::session
