#include "platform/store_check.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry {

// Names compare with SQLite's NOCASE collation: ASCII letters fold, every
// other byte compares as itself. Keys use AUTOINCREMENT so that the id of a
// deleted key is never given to a new one, and a handle to the deleted key
// stays recognisably stale. Rows come back in id order, which is creation
// order.
const char* const StoreSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  UNIQUE(parent, name));
CREATE INDEX keys_by_parent ON keys(parent);
CREATE TABLE vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, name));
CREATE INDEX vals_by_key ON vals(key);
INSERT INTO keys(id, parent, name) VALUES
  (1, 0, 'HKEY_CLASSES_ROOT'), (2, 0, 'HKEY_CURRENT_USER'), (3, 0, 'HKEY_LOCAL_MACHINE'),
  (4, 0, 'HKEY_USERS'), (5, 0, 'HKEY_CURRENT_CONFIG');
PRAGMA application_id = 1263948359;
PRAGMA user_version = 1;
)sql";

namespace {

constexpr size_t HeaderBytes = 100;
constexpr int CheckBusyMs = 1000;
constexpr int CheckAttempts = 3;
constexpr const char* FolderReadOnly = "folder is read-only; settings cannot be written";
constexpr const char* FileReadOnly = "file is read-only; settings cannot be written";
constexpr const char* ForeignTables = "not a settings store (foreign tables)";

// Every object of the schema with its SQL, one per line, in a fixed order.
int schemaOf(sqlite3* db, std::string& schema) {
    return queryText(db,
                     "SELECT group_concat(line, char(10)) FROM (SELECT type || ' ' || name || ' ' || tbl_name || ' ' ||"
                     " coalesce(sql, '') AS line FROM sqlite_schema ORDER BY type, name)",
                     schema);
}

// What a new store's schema reads as; empty when it could not be made.
const std::string& expectedSchema() {
    static const std::string schema = [] {
        std::string made;
        sqlite3* db = nullptr;
        const bool ok = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) ==
                            SQLITE_OK &&
                        sqlite3_exec(db, StoreSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
                        schemaOf(db, made) == SQLITE_OK;
        sqlite3_close_v2(db);
        return ok ? made : std::string();
    }();
    return schema;
}

StoreFinding fromErrno(int error) {
    if (error == EACCES || error == EPERM) return {StoreVerdict::NoPermission, "no permission to read"};
    return {StoreVerdict::Unreadable, std::string("cannot be read (") + std::strerror(error) + ")"};
}

StoreFinding fromResult(int result) {
    switch (result & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return {StoreVerdict::Damaged, damagedCause(result)};
    case SQLITE_PERM:
    case SQLITE_AUTH: return {StoreVerdict::NoPermission, "no permission to read"};
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return {StoreVerdict::Unreadable, "cannot be read now (another program holds it)"};
    default: return {StoreVerdict::Unreadable, std::string("cannot be read (") + sqlite3_errstr(result) + ")"};
    }
}

uint32_t bigEndian32(const unsigned char* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// The size the header promises, when it keeps that number valid; 0 otherwise.
uint64_t promisedSize(const unsigned char* header) {
    const uint32_t pageSize = header[16] << 8 | header[17];
    const uint32_t pages = bigEndian32(header + 28);
    if (bigEndian32(header + 24) != bigEndian32(header + 92)) return 0;
    return uint64_t{pageSize == 1 ? 65536u : pageSize} * pages;
}

bool sameFile(const struct stat& before, const std::string& file) {
    struct stat now {};
    return stat(file.c_str(), &now) == 0 && now.st_ino == before.st_ino && now.st_dev == before.st_dev &&
           now.st_size == before.st_size && now.st_mtim.tv_sec == before.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
}

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool writable(const std::string& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

StoreFinding checkUri(const std::string& uri) {
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
    StoreFinding seen;
    if (result == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, CheckBusyMs);
        seen = checkConnection(db);
    } else {
        seen = fromResult(result);
    }
    sqlite3_close_v2(db);
    return seen;
}

} // namespace

StoreFinding checkConnection(sqlite3* db) {
    int64_t applicationId = 0;
    int64_t objects = 0;
    int64_t version = 0;
    int result = queryInteger(db, "PRAGMA application_id", applicationId);
    if (result == SQLITE_OK) result = queryInteger(db, "SELECT count(*) FROM sqlite_schema", objects);
    if (result == SQLITE_OK) result = queryInteger(db, "PRAGMA user_version", version);
    if (result != SQLITE_OK) return fromResult(result);
    if (applicationId != StoreApplicationId) {
        // Also what a first write leaves when it dies before its commit.
        if (applicationId == 0 && objects == 0) return {StoreVerdict::Empty, {}};
        return {StoreVerdict::Foreign,
                applicationId == 0 ? ForeignTables : "not a settings store (another program's database)"};
    }
    if (version > StoreSchemaVersion)
        return {StoreVerdict::Foreign, "not a settings store this keyvane can use (version " + std::to_string(version) +
                                           ", newer than " + std::to_string(StoreSchemaVersion) + ")"};

    std::string schema;
    if ((result = schemaOf(db, schema)) != SQLITE_OK) return fromResult(result);
    const std::string& expected = expectedSchema();
    if (expected.empty()) return fromResult(SQLITE_NOMEM);
    if (schema != expected || version != StoreSchemaVersion) return {StoreVerdict::Foreign, ForeignTables};

    std::string check;
    if ((result = queryText(db, "PRAGMA quick_check(1)", check)) != SQLITE_OK) return fromResult(result);
    if (check != "ok") return {StoreVerdict::Damaged, damagedCause(SQLITE_CORRUPT)};
    return {StoreVerdict::Ours, {}};
}

StoreFinding checkStore(const std::string& file) {
    for (int attempt = 0; attempt < CheckAttempts; ++attempt) {
        struct stat st {};
        if (stat(file.c_str(), &st) != 0) {
            if (errno == ENOENT) return {StoreVerdict::Absent, {}};
            return fromErrno(errno);
        }
        if (S_ISDIR(st.st_mode)) return {StoreVerdict::Unreadable, "is a folder, not a file"};
        if (!S_ISREG(st.st_mode)) return {StoreVerdict::Unreadable, "is not a plain file"};
        if (st.st_size == 0) return {StoreVerdict::Empty, {}};

        unsigned char header[HeaderBytes];
        const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return fromErrno(errno);
        const ssize_t got = pread(fd, header, sizeof header, 0);
        const int readError = errno;
        close(fd);
        if (got < 0) return fromErrno(readError);
        if (static_cast<size_t>(got) < sizeof header || std::memcmp(header, "SQLite format 3", 16) != 0)
            return {StoreVerdict::Damaged, damagedCause(SQLITE_NOTADB)};

        // With a WAL beside it the file alone is not the whole database.
        const bool walContent = hasWalContent(file);
        const uint64_t promised = promisedSize(header);
        if (!walContent && promised > static_cast<uint64_t>(st.st_size))
            return {StoreVerdict::Damaged, "file is damaged (truncated: " + std::to_string(st.st_size) + " of " +
                                               std::to_string(promised) + " bytes)"};

        const bool walMode = header[18] == 2 || header[19] == 2;
        const bool immutable = walMode && !walContent;
        StoreFinding seen = checkUri(storeUri(file, immutable));
        // Read as immutable, the file must not have changed meanwhile (a
        // checkpoint of a writer that started after the look for its WAL).
        if (!immutable || sameFile(st, file)) return seen;
    }
    return {StoreVerdict::Unreadable, "cannot be read now (it keeps changing)"};
}

std::string writeObstacle(const std::string& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) == 0) {
        if (!walCanBeMade(file)) return FolderReadOnly;
        if (!writable(file)) return FileReadOnly;
        return {};
    }
    if (errno != ENOENT) return {}; // what keeps it from being read says more
    // The first write makes the file, with any missing folders, in the
    // nearest folder that exists.
    std::string folder = folderOf(file);
    while (stat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT) return {};
        folder = folderOf(folder);
    }
    if (!S_ISDIR(st.st_mode)) return "its folder cannot be made (" + folder + " is not a folder)";
    return writable(folder) ? std::string() : FolderReadOnly;
}

std::string damagedCause(int result) {
    if ((result & 0xFF) == SQLITE_NOTADB) return "file is damaged (not a SQLite database)";
    return "file is damaged (corrupt database)";
}

bool walCanBeMade(const std::string& file) {
    return (exists(file + "-wal") && exists(file + "-shm")) || writable(folderOf(file));
}

bool hasWalContent(const std::string& file) {
    struct stat st {};
    return stat((file + "-wal").c_str(), &st) == 0 && st.st_size > 0;
}

std::string storeUri(const std::string& file, bool immutable) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    // "file://" would start an authority, so a path keeps one leading slash.
    size_t start = 0;
    while (start + 1 < file.size() && file[start] == '/' && file[start + 1] == '/') ++start;
    for (size_t i = start; i < file.size(); ++i) {
        const auto c = static_cast<unsigned char>(file[i]);
        if (std::isalnum(c) || std::string_view("/._~-").find(static_cast<char>(c)) != std::string_view::npos) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += Hex[c >> 4];
            uri += Hex[c & 0xF];
        }
    }
    uri += "?mode=ro";
    if (immutable) uri += "&immutable=1";
    return uri;
}

int queryText(sqlite3* db, const char* sql, std::string& value) {
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (result == SQLITE_OK) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(statement, 0);
            value.assign(text == nullptr ? "" : reinterpret_cast<const char*>(text));
            result = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    return result;
}

int queryInteger(sqlite3* db, const char* sql, int64_t& value) {
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (result == SQLITE_OK) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
            result = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    return result;
}

} // namespace platform::registry
