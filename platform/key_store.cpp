#include "platform/key_store.h"

#include "platform/sqlite_statement.h"
#include "platform/store_check.h"
#include "platform/store_location.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sched.h>
#include <utility>

namespace platform::registry {

namespace {

constexpr int64_t kBusyLimitNs = 1'000'000'000; // per attempt

constexpr const char* kStatementSql[] = {
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) FROM keys WHERE parent = ?1",
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0),"
    " coalesce(max(length(data)), 0) FROM vals WHERE key = ?1",
    "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "INSERT INTO keys(parent, name) VALUES(?1, ?2)",
    "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
    " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND name = ?2",
    "DELETE FROM vals WHERE key = ?1",
    "DELETE FROM keys WHERE id = ?1",
};

int64_t monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

bool isBusy(int result) {
    return (result & 0xFF) == SQLITE_BUSY || (result & 0xFF) == SQLITE_LOCKED;
}

} // namespace

static_assert(std::size(kStatementSql) == 17, "one SQL text per statement");

KeyStore::~KeyStore() {
    close();
}

bool KeyStore::useLocation(const std::string& file) {
    if (file == file_) return false;
    reset();
    file_ = file;
    return true;
}

void KeyStore::reset() {
    close();
    bad_ = ERROR_SUCCESS;
    problem_.clear();
}

void KeyStore::close() {
    for (sqlite3_stmt*& statement : statements_) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
    ready_ = false;
    readOnly_ = false;
    wal_ = false;
    inRead_ = false;
}

void KeyStore::abandon() {
    // Deliberately kept reachable rather than closed: see the header.
    static std::array<sqlite3*, 8> abandoned{};
    static size_t count = 0;
    if (db_ != nullptr && count < abandoned.size()) abandoned[count++] = db_;
    db_ = nullptr;
    statements_.fill(nullptr);
    ready_ = false;
    readOnly_ = false;
    wal_ = false;
    inRead_ = false;
    writing_ = false;
}

LSTATUS KeyStore::failure(int result) {
    switch (result & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        // Whatever made the file unreadable, writing to it could only make
        // things worse; leave it exactly as it is, WAL included.
        return refuse({StoreVerdict::Damaged, damagedCause(result)});
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_TOOBIG: return ERROR_INVALID_PARAMETER;
    default: return writing_ ? ERROR_CANTWRITE : ERROR_CANTREAD;
    }
}

LSTATUS KeyStore::exec(const char* sql) {
    const int result = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    return result == SQLITE_OK ? ERROR_SUCCESS : failure(result);
}

int KeyStore::queryInteger(const char* sql, int64_t& value) {
    return registry::queryInteger(db_, sql, value);
}

int KeyStore::queryText(const char* sql, std::string& value) {
    return registry::queryText(db_, sql, value);
}

int KeyStore::onBusy(void* self, int count) {
    auto* store = static_cast<KeyStore*>(self);
    const int64_t now = monotonicNs();
    if (count == 0)
        store->busySinceNs_ = now;
    else if (now - store->busySinceNs_ > kBusyLimitNs)
        return 0;
    // The other writer holds the lock for tens of microseconds at a time:
    // poll eagerly at first so that a steady writer cannot starve us.
    if (count < 32) {
        sched_yield();
    } else {
        const long pauseNs = std::min(2'000'000L, 20'000L * (count - 31));
        const timespec pause{0, pauseNs};
        nanosleep(&pause, nullptr);
    }
    return 1;
}

LSTATUS KeyStore::refuse(const StoreFinding& seen) {
    problem_ = seen.cause;
    if (seen.verdict == StoreVerdict::Damaged || seen.verdict == StoreVerdict::Foreign) {
        if (db_ != nullptr) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        bad_ = ERROR_BADDB;
        return ERROR_BADDB;
    }
    return writing_ ? ERROR_CANTWRITE : ERROR_CANTREAD;
}

LSTATUS KeyStore::openExisting(bool forWrite) {
    close(); // a connection left by a first write that did not finish
    if (file_.empty()) return ERROR_FILE_NOT_FOUND;
    // Nothing that could write is run before the file has shown what it is.
    const StoreFinding seen = checkStore(file_);
    switch (seen.verdict) {
    case StoreVerdict::Absent: return ERROR_FILE_NOT_FOUND;
    case StoreVerdict::Empty:
        if (!forWrite) return ERROR_SUCCESS; // reads find nothing in it
        break;
    case StoreVerdict::Ours: break;
    default: return refuse(seen);
    }
    const std::string obstacle = writeObstacle(file_);
    if (!obstacle.empty() && forWrite) {
        problem_ = obstacle;
        return ERROR_CANTWRITE;
    }
    readOnly_ = !obstacle.empty();
    // Where no WAL can be made beside the file nobody can change it, so
    // reading it as immutable is exact; there it is the only way to read it.
    const int result = readOnly_
                           ? sqlite3_open_v2(storeUri(file_, !walCanBeMade(file_)).c_str(), &db_,
                                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr)
                           : sqlite3_open_v2(file_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        const LSTATUS status = failure(result);
        close();
        return status;
    }
    sqlite3_extended_result_codes(db_, 1);
    // Until the file has proved to be our store, closing must not write to it.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_handler(db_, &KeyStore::onBusy, this);
    return seen.verdict == StoreVerdict::Ours ? becomeReady() : ERROR_SUCCESS;
}

LSTATUS KeyStore::becomeReady() {
    // In WAL mode NORMAL still keeps every commit atomic when a process dies;
    // only a power cut can undo the last commits.
    LSTATUS status = readOnly_ ? ERROR_SUCCESS : exec("PRAGMA synchronous=NORMAL");
    if (status == ERROR_SUCCESS) status = prepareStatements();
    if (status != ERROR_SUCCESS) return status;
    if (!readOnly_) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    ready_ = true;
    return ERROR_SUCCESS;
}

LSTATUS KeyStore::prepareStatements() {
    for (size_t i = 0; i < kStatementCount; ++i) {
        if (statements_[i] != nullptr) continue;
        const int result = sqlite3_prepare_v3(db_, kStatementSql[i], -1, SQLITE_PREPARE_PERSISTENT, &statements_[i],
                                              nullptr);
        if (result == SQLITE_OK) continue;
        if ((result & 0xFF) == SQLITE_NOMEM || isBusy(result)) return failure(result);
        return failure(SQLITE_CORRUPT); // our mark, but not our tables
    }
    return ERROR_SUCCESS;
}

LSTATUS KeyStore::initialise() {
    std::string mode;
    queryText("PRAGMA journal_mode=WAL", mode);
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        const int result = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (isBusy(result)) continue;
        if (result != SQLITE_OK) return failure(result);
        // Another process may have set the store up while we waited.
        int64_t objects = 0;
        const int counted = queryInteger("SELECT count(*) FROM sqlite_schema", objects);
        LSTATUS status = counted == SQLITE_OK ? ERROR_SUCCESS : failure(counted);
        if (status == ERROR_SUCCESS && objects == 0) status = exec(StoreSchema);
        if (status == ERROR_SUCCESS) status = exec("COMMIT");
        if (status != ERROR_SUCCESS) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return status;
        }
        const StoreFinding seen = checkConnection(db_);
        if (seen.verdict == StoreVerdict::Ours) return becomeReady();
        return refuse(seen.verdict == StoreVerdict::Empty ? StoreFinding{StoreVerdict::Foreign, "not a settings store"}
                                                          : seen);
    }
    return ERROR_CANTWRITE;
}

LSTATUS KeyStore::useWal() {
    if (wal_) return ERROR_SUCCESS;
    // A store is made in WAL mode; one switched out of it by hand is switched
    // back by the next write, never by a read.
    std::string mode;
    const int result = queryText("PRAGMA journal_mode=WAL", mode);
    if (result != SQLITE_OK) return failure(result);
    wal_ = true;
    return ERROR_SUCCESS;
}

LSTATUS KeyStore::openForWrite(bool createIfAbsent) {
    writing_ = true;
    if (bad_ != ERROR_SUCCESS) return bad_;
    LSTATUS status = ERROR_SUCCESS;
    // A connection that may only read is opened afresh: the folder or the
    // file may have become writable since.
    if (db_ == nullptr || readOnly_ || !ready_) {
        status = openExisting(true);
        if (status == ERROR_FILE_NOT_FOUND && createIfAbsent) {
            if (std::string obstacle = writeObstacle(file_); !obstacle.empty()) {
                problem_ = std::move(obstacle);
                return ERROR_CANTWRITE;
            }
            if (!createStoreFile(file_)) {
                problem_ = std::string("cannot be created (") + std::strerror(errno) + ")";
                return ERROR_CANTWRITE;
            }
            status = openExisting(true);
        }
    }
    if (status != ERROR_SUCCESS) return status;
    if (!ready_) return createIfAbsent ? initialise() : ERROR_FILE_NOT_FOUND;
    return useWal();
}

LSTATUS KeyStore::beginRead() {
    writing_ = false;
    if (bad_ != ERROR_SUCCESS) return bad_;
    if (db_ == nullptr || !ready_) {
        const LSTATUS status = openExisting(false);
        if (status != ERROR_SUCCESS) return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    if (!ready_) return ERROR_SUCCESS;
    StatementUse begin(statements_[kBegin]);
    const int result = begin.step();
    if (result != SQLITE_DONE) return failure(result);
    inRead_ = true;
    return ERROR_SUCCESS;
}

std::string KeyStore::describeProblem(bool forWriting) {
    // With no place for a store, reads find nothing and only writes fail.
    if (file_.empty())
        return forWriting ? "(no home folder): settings cannot be written; set HOME or KEYVANE_REGISTRY" : "";
    std::string cause;
    if (bad_ != ERROR_SUCCESS) {
        cause = problem_;
    } else if (db_ == nullptr || !ready_) {
        const StoreFinding seen = checkStore(file_);
        if (seen.verdict != StoreVerdict::Absent && seen.verdict != StoreVerdict::Empty &&
            seen.verdict != StoreVerdict::Ours)
            cause = seen.cause;
    }
    if (cause.empty() && forWriting) cause = writeObstacle(file_);
    return cause.empty() ? cause : file_ + ": " + cause;
}

LSTATUS KeyStore::endRead() {
    if (!inRead_) return ERROR_SUCCESS;
    inRead_ = false;
    StatementUse commit(statements_[kCommit]);
    const int result = commit.step();
    return result == SQLITE_DONE ? ERROR_SUCCESS : failure(result);
}

LSTATUS KeyStore::beginWrite(bool& busy) {
    busy = false;
    StatementUse begin(statements_[kBeginImmediate]);
    const int result = begin.step();
    if (result == SQLITE_DONE) return ERROR_SUCCESS;
    busy = isBusy(result);
    return failure(result);
}

LSTATUS KeyStore::commit(bool& busy) {
    busy = false;
    int result;
    {
        StatementUse commit(statements_[kCommit]);
        result = commit.step();
    }
    if (result == SQLITE_DONE) return ERROR_SUCCESS;
    busy = isBusy(result);
    rollback();
    return failure(result);
}

void KeyStore::rollback() {
    if (db_ == nullptr || sqlite3_get_autocommit(db_) != 0) return;
    StatementUse rollback(statements_[kRollback]);
    rollback.step();
}

void KeyStore::finishCall() {
    if (inRead_) endRead();
    writing_ = false;
    if (bad_ != ERROR_SUCCESS && db_ != nullptr) close();
}

bool KeyStore::keyExists(KeyId id, LSTATUS& status) {
    status = ERROR_SUCCESS;
    if (isRootKey(id)) return true;
    if (!ready_) return false;
    StatementUse use(statements_[kKeyExists]);
    const int result = use.bind(1, id).step();
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) status = failure(result);
    return false;
}

LSTATUS KeyStore::findChild(KeyId parent, std::string_view name, KeyId& child) {
    if (!ready_) return ERROR_FILE_NOT_FOUND;
    StatementUse use(statements_[kFindChild]);
    const int result = use.bind(1, parent).bindText(2, name).step();
    if (result == SQLITE_ROW) {
        child = use.integer(0);
        return ERROR_SUCCESS;
    }
    return result == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : failure(result);
}

LSTATUS KeyStore::hasChildren(KeyId id, bool& any) {
    any = false;
    if (!ready_) return ERROR_SUCCESS;
    StatementUse use(statements_[kHasChildren]);
    const int result = use.bind(1, id).step();
    any = result == SQLITE_ROW;
    return result == SQLITE_ROW || result == SQLITE_DONE ? ERROR_SUCCESS : failure(result);
}

LSTATUS KeyStore::childAt(KeyId parent, DWORD index, std::string& name) {
    if (!ready_) return ERROR_NO_MORE_ITEMS;
    StatementUse use(statements_[kChildAt]);
    const int result = use.bind(1, parent).bind(2, index).step();
    if (result == SQLITE_ROW) {
        use.bytes(0, name);
        return ERROR_SUCCESS;
    }
    return result == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : failure(result);
}

LSTATUS KeyStore::keyInfo(KeyId id, KeyInfo& info) {
    info = KeyInfo{};
    if (!ready_) return ERROR_SUCCESS;
    {
        StatementUse use(statements_[kChildInfo]);
        const int result = use.bind(1, id).step();
        if (result != SQLITE_ROW) return failure(result);
        info.subKeys = static_cast<DWORD>(use.integer(0));
        info.maxSubKeyLen = static_cast<DWORD>(use.integer(1));
    }
    StatementUse use(statements_[kValueInfo]);
    const int result = use.bind(1, id).step();
    if (result != SQLITE_ROW) return failure(result);
    info.values = static_cast<DWORD>(use.integer(0));
    info.maxValueNameLen = static_cast<DWORD>(use.integer(1));
    info.maxValueLen = static_cast<DWORD>(use.integer(2));
    return ERROR_SUCCESS;
}

LSTATUS KeyStore::getValue(KeyId key, std::string_view name, DWORD& type, std::string& data) {
    if (!ready_) return ERROR_FILE_NOT_FOUND;
    StatementUse use(statements_[kGetValue]);
    const int result = use.bind(1, key).bindText(2, name).step();
    if (result == SQLITE_ROW) {
        type = static_cast<DWORD>(use.integer(0));
        use.bytes(1, data);
        return ERROR_SUCCESS;
    }
    return result == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : failure(result);
}

LSTATUS KeyStore::valueAt(KeyId key, DWORD index, std::string& name, DWORD& type, std::string& data) {
    if (!ready_) return ERROR_NO_MORE_ITEMS;
    StatementUse use(statements_[kValueAt]);
    const int result = use.bind(1, key).bind(2, index).step();
    if (result == SQLITE_ROW) {
        use.bytes(0, name);
        type = static_cast<DWORD>(use.integer(1));
        use.bytes(2, data);
        return ERROR_SUCCESS;
    }
    return result == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : failure(result);
}

LSTATUS KeyStore::insertChild(KeyId parent, std::string_view name, KeyId& child) {
    StatementUse use(statements_[kInsertChild]);
    const int result = use.bind(1, parent).bindText(2, name).step();
    if (result != SQLITE_DONE) return failure(result);
    child = sqlite3_last_insert_rowid(db_);
    return ERROR_SUCCESS;
}

LSTATUS KeyStore::setValue(KeyId key, std::string_view name, DWORD type, const BYTE* data, size_t size) {
    StatementUse use(statements_[kSetValue]);
    const int result = use.bind(1, key).bindText(2, name).bind(3, type).bindBlob(4, data, size).step();
    return result == SQLITE_DONE ? ERROR_SUCCESS : failure(result);
}

LSTATUS KeyStore::deleteValue(KeyId key, std::string_view name) {
    StatementUse use(statements_[kDeleteValue]);
    const int result = use.bind(1, key).bindText(2, name).step();
    if (result != SQLITE_DONE) return failure(result);
    return sqlite3_changes(db_) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
}

LSTATUS KeyStore::deleteKey(KeyId id) {
    {
        StatementUse values(statements_[kDeleteValues]);
        const int result = values.bind(1, id).step();
        if (result != SQLITE_DONE) return failure(result);
    }
    StatementUse key(statements_[kDeleteKey]);
    const int result = key.bind(1, id).step();
    return result == SQLITE_DONE ? ERROR_SUCCESS : failure(result);
}

} // namespace platform::registry
