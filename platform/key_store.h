#pragma once
// The key tree in one SQLite file: connection, schema, cached statements
// and transactions. Not thread-safe; the registry functions serialise calls.
//
// A store file that does not exist yet (or exists but is empty) reads as the
// five roots with nothing below them; it is created on the first write. The
// file is looked at before anything could write to it: one that is corrupt
// or not ours is never written, and every call reports ERROR_BADDB until the
// store is pointed elsewhere or reset. Reads never write, and a store that
// may not be written (a read-only folder or file) can still be read.

#include "platform/handle_table.h"
#include "platform/registry.h"
#include "platform/store_check.h"

#include <sqlite3.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::registry {

// Key ids of the five roots; every other key has a larger id.
constexpr KeyId kClassesRootId = 1;
constexpr KeyId kCurrentUserId = 2;
constexpr KeyId kLocalMachineId = 3;
constexpr KeyId kUsersId = 4;
constexpr KeyId kCurrentConfigId = 5;
constexpr bool isRootKey(KeyId id) {
    return id >= kClassesRootId && id <= kCurrentConfigId;
}

struct KeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0; // characters, without the NUL
    DWORD values = 0;
    DWORD maxValueNameLen = 0;
    DWORD maxValueLen = 0; // bytes
};

class KeyStore {
public:
    KeyStore() = default;
    ~KeyStore();
    KeyStore(const KeyStore&) = delete;
    KeyStore& operator=(const KeyStore&) = delete;

    // Points the store at a file; true when that is another file than before
    // (the connection to the old one is then closed).
    bool useLocation(const std::string& file);
    // Closes the connection and forgets that the file was found unusable.
    void reset();
    // In a child after fork(): the inherited connection must be neither used
    // nor closed, since closing would touch the parent's locks and files.
    void abandon();

    // "FILE: CAUSE" for what keeps the store from being read (or, with
    // forWriting, written), or empty; looks without changing anything.
    std::string describeProblem(bool forWriting);

    // Runs body in one read transaction, so that its lookups see one state.
    template <class Body>
    LSTATUS read(Body&& body) {
        LSTATUS status = beginRead();
        if (status == ERROR_SUCCESS) {
            status = body();
            const LSTATUS ended = endRead();
            if (status == ERROR_SUCCESS) status = ended;
        }
        finishCall();
        return status;
    }

    // Runs body in one write transaction (BEGIN IMMEDIATE). While another
    // process holds the store the whole transaction is tried again, a
    // bounded number of times; body must therefore look up what it needs
    // itself. createIfAbsent: make the store file when there is none; if
    // false, a missing store gives ERROR_FILE_NOT_FOUND.
    template <class Body>
    LSTATUS write(bool createIfAbsent, Body&& body) {
        LSTATUS status = openForWrite(createIfAbsent);
        for (int attempt = 0; status == ERROR_SUCCESS; ++attempt) {
            bool busy = false;
            status = beginWrite(busy);
            if (busy && attempt + 1 < kWriteAttempts) {
                status = ERROR_SUCCESS;
                continue;
            }
            if (status != ERROR_SUCCESS) break;
            status = body();
            if (status != ERROR_SUCCESS) {
                rollback();
                break;
            }
            status = commit(busy);
            if (!busy || attempt + 1 == kWriteAttempts) break;
            status = ERROR_SUCCESS;
        }
        finishCall();
        return status;
    }

    // Lookups, inside read() or write().
    bool keyExists(KeyId id, LSTATUS& status);
    LSTATUS findChild(KeyId parent, std::string_view name, KeyId& child); // ERROR_FILE_NOT_FOUND
    LSTATUS hasChildren(KeyId id, bool& any);
    LSTATUS childAt(KeyId parent, DWORD index, std::string& name); // ERROR_NO_MORE_ITEMS
    LSTATUS keyInfo(KeyId id, KeyInfo& info);
    LSTATUS getValue(KeyId key, std::string_view name, DWORD& type, std::string& data);
    LSTATUS valueAt(KeyId key, DWORD index, std::string& name, DWORD& type, std::string& data);

    // Changes, inside write() only.
    LSTATUS insertChild(KeyId parent, std::string_view name, KeyId& child);
    LSTATUS setValue(KeyId key, std::string_view name, DWORD type, const BYTE* data, size_t size);
    LSTATUS deleteValue(KeyId key, std::string_view name); // ERROR_FILE_NOT_FOUND
    LSTATUS deleteKey(KeyId id);                           // with its values

private:
    enum Statement : size_t {
        kBegin,
        kBeginImmediate,
        kCommit,
        kRollback,
        kKeyExists,
        kFindChild,
        kHasChildren,
        kChildAt,
        kChildInfo,
        kValueInfo,
        kGetValue,
        kValueAt,
        kInsertChild,
        kSetValue,
        kDeleteValue,
        kDeleteValues,
        kDeleteKey,
        kStatementCount
    };
    static constexpr int kWriteAttempts = 3;

    void close();
    LSTATUS openExisting(bool forWrite);
    LSTATUS refuse(const StoreFinding& seen);
    LSTATUS becomeReady();
    LSTATUS initialise();
    LSTATUS prepareStatements();
    LSTATUS useWal();
    LSTATUS openForWrite(bool createIfAbsent);
    LSTATUS beginRead();
    LSTATUS endRead();
    LSTATUS beginWrite(bool& busy);
    LSTATUS commit(bool& busy);
    void rollback();
    void finishCall();
    LSTATUS failure(int result);
    LSTATUS exec(const char* sql);
    int queryInteger(const char* sql, int64_t& value);
    int queryText(const char* sql, std::string& value);
    static int onBusy(void* self, int count);

    std::string file_;
    sqlite3* db_ = nullptr;
    std::array<sqlite3_stmt*, kStatementCount> statements_{};
    bool ready_ = false;    // schema found and statements prepared
    bool readOnly_ = false; // opened only for reading: the store may not be written
    bool wal_ = false;      // journal mode set for writing
    bool inRead_ = false;
    bool writing_ = false;        // failures are reported as write failures
    LSTATUS bad_ = ERROR_SUCCESS; // sticky ERROR_BADDB once the file proved unusable
    std::string problem_;         // why the last open or write was refused
    int64_t busySinceNs_ = 0;
};

} // namespace platform::registry
