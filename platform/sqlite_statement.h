#pragma once
// One use of a prepared statement that stays cached on the connection:
// bind, step, read columns; the statement is reset when the use ends.

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::registry {

class StatementUse {
public:
    explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
    ~StatementUse() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;

    // Binding only fails on a misuse or a value over SQLite's size limit;
    // the first failure is kept and returned by step().
    StatementUse& bind(int index, int64_t value) {
        keep(sqlite3_bind_int64(statement_, index, value));
        return *this;
    }
    StatementUse& bindText(int index, std::string_view text) {
        keep(sqlite3_bind_text64(statement_, index, text.empty() ? "" : text.data(), text.size(), SQLITE_STATIC,
                                 SQLITE_UTF8));
        return *this;
    }
    // Always a blob, never NULL, even for no bytes.
    StatementUse& bindBlob(int index, const void* data, size_t size) {
        static const char kNone = 0;
        keep(sqlite3_bind_blob64(statement_, index, size == 0 ? &kNone : data, size, SQLITE_STATIC));
        return *this;
    }

    int step() { return bindResult_ != SQLITE_OK ? bindResult_ : sqlite3_step(statement_); }

    int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    // Bytes exactly as stored, whatever their encoding.
    void bytes(int column, std::string& out) const {
        const void* data = sqlite3_column_blob(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        out.assign(data == nullptr ? "" : static_cast<const char*>(data), static_cast<size_t>(size));
    }

private:
    void keep(int result) {
        if (bindResult_ == SQLITE_OK) bindResult_ = result;
    }

    sqlite3_stmt* statement_;
    int bindResult_ = SQLITE_OK;
};

} // namespace platform::registry
