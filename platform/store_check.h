#pragma once
// What the store file is, found by looking at it without changing it, and
// what would stop a write to it. The causes are phrased for the user.

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace platform::registry {

constexpr int64_t StoreApplicationId = 0x4B565247; // "KVRG": marks a file as our store
constexpr int64_t StoreSchemaVersion = 1;

// The tables of a new store, its roots, its mark and its version, in one text.
extern const char* const StoreSchema;

enum class StoreVerdict {
    Absent,       // no file: reads find nothing, the first write makes it
    Empty,        // an empty file, or a database with nothing in it: a new store
    Ours,         // a settings store
    Damaged,      // not a SQLite database, or one that fails its checks
    Foreign,      // a sound database, but not a settings store
    NoPermission, // this user may not read it
    Unreadable,   // cannot be read for another reason (the cause says which)
};

struct StoreFinding {
    StoreVerdict verdict = StoreVerdict::Absent;
    std::string cause; // empty for Absent, Empty and Ours
};

// Opens the file only for reading: a file in WAL mode that has no WAL
// beside it is read as immutable, since any other way of opening it would
// create the WAL and its index next to a file that may not be ours.
StoreFinding checkStore(const std::string& file);

// The first column of a query's first row; SQLITE_OK when there was one.
int queryText(sqlite3* db, const char* sql, std::string& value);
int queryInteger(sqlite3* db, const char* sql, int64_t& value);

// The same checks on a connection that is already open.
StoreFinding checkConnection(sqlite3* db);

// Why a write to the store would fail before it is tried (a read-only
// folder or file, a folder that cannot be made); empty when nothing is in
// the way.
std::string writeObstacle(const std::string& file);

// The cause for a SQLite result that says the file is damaged.
std::string damagedCause(int result);

// True when the WAL and its index lie beside the file or can be made there.
bool walCanBeMade(const std::string& file);

// True when a WAL with content lies beside the file.
bool hasWalContent(const std::string& file);

// A "file:" URI for the file, read-only and immutable when asked.
std::string storeUri(const std::string& file, bool immutable);

} // namespace platform::registry
