#include "localportal/SqliteDatabase.h"

#include <memory>

namespace keldra::localportal {

namespace {

void bindAll(sqlite3* db, sqlite3_stmt* statement, const std::vector<SqlValue>& parameters) {
    int index = 1;
    for (const auto& value : parameters) {
        int rc = SQLITE_OK;
        if (std::holds_alternative<std::nullptr_t>(value)) {
            rc = sqlite3_bind_null(statement, index);
        } else if (const auto* number = std::get_if<std::int64_t>(&value)) {
            rc = sqlite3_bind_int64(statement, index, *number);
        } else {
            const auto& text = std::get<std::string>(value);
            rc = sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK) {
            throw DatabaseError(std::string("bind failed: ") + sqlite3_errmsg(db));
        }
        ++index;
    }
}

} // namespace

std::int64_t SqlRow::integer(std::size_t column) const {
    const auto& value = values_.at(column);
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return *number;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return std::stoll(*text);
    }
    return 0;
}

std::string SqlRow::text(std::size_t column) const {
    const auto& value = values_.at(column);
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return std::to_string(*number);
    }
    return {};
}

std::optional<std::int64_t> SqlRow::optionalInteger(std::size_t column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return integer(column);
}

std::optional<std::string> SqlRow::optionalText(std::size_t column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return text(column);
}

SqliteDatabase::SqliteDatabase(const std::filesystem::path& file) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DatabaseError("cannot open " + file.string() + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
    executeScript("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON;");
}

SqliteDatabase::~SqliteDatabase() {
    statements_.clear();
    sqlite3_close(db_);
}

sqlite3_stmt* SqliteDatabase::prepared(std::string_view sql) {
    const std::string key(sql);
    auto found = statements_.find(key);
    if (found != statements_.end()) {
        sqlite3_reset(found->second.get());
        sqlite3_clear_bindings(found->second.get());
        return found->second.get();
    }
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v3(db_, key.data(), static_cast<int>(key.size()), SQLITE_PREPARE_PERSISTENT, &raw,
                           nullptr) != SQLITE_OK) {
        throw DatabaseError(std::string("prepare failed: ") + sqlite3_errmsg(db_));
    }
    statements_.emplace(key, Statement(raw));
    return raw;
}

void SqliteDatabase::executeScript(std::string_view sql) {
    char* error = nullptr;
    const std::string text(sql);
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw DatabaseError(message);
    }
}

std::vector<SqlRow> SqliteDatabase::query(std::string_view sql, const std::vector<SqlValue>& parameters) {
    sqlite3_stmt* statement = prepared(sql);
    bindAll(db_, statement, parameters);
    std::vector<SqlRow> rows;
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) {
            break;
        }
        if (rc != SQLITE_ROW) {
            sqlite3_reset(statement);
            throw DatabaseError(std::string("step failed: ") + sqlite3_errmsg(db_));
        }
        const int count = sqlite3_column_count(statement);
        std::vector<SqlValue> values;
        values.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_NULL:
                values.emplace_back(nullptr);
                break;
            case SQLITE_INTEGER:
                values.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(statement, i)));
                break;
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                const int size = sqlite3_column_bytes(statement, i);
                values.emplace_back(std::string(text ? text : "", static_cast<std::size_t>(size)));
            }
            }
        }
        rows.emplace_back(std::move(values));
    }
    sqlite3_reset(statement);
    return rows;
}

int SqliteDatabase::execute(std::string_view sql, const std::vector<SqlValue>& parameters) {
    sqlite3_stmt* statement = prepared(sql);
    bindAll(db_, statement, parameters);
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw DatabaseError(std::string("step failed: ") + sqlite3_errmsg(db_));
    }
    return sqlite3_changes(db_);
}

std::int64_t SqliteDatabase::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

SqlTransaction::SqlTransaction(SqliteDatabase& db) : db_(db) {
    db_.executeScript("BEGIN IMMEDIATE");
}

SqlTransaction::~SqlTransaction() {
    if (!done_) {
        try {
            db_.executeScript("ROLLBACK");
        } catch (...) {
        }
    }
}

void SqlTransaction::commit() {
    db_.executeScript("COMMIT");
    done_ = true;
}

} // namespace keldra::localportal
