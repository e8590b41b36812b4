#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace keldra::localportal {

// A failed statement of the portal's own database.
class DatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One bound parameter: null, integer or text.
using SqlValue = std::variant<std::nullptr_t, std::int64_t, std::string>;

inline SqlValue sqlOptional(const std::optional<std::int64_t>& value) {
    return value ? SqlValue(*value) : SqlValue(nullptr);
}
inline SqlValue sqlOptional(const std::optional<std::string>& value) {
    return value ? SqlValue(*value) : SqlValue(nullptr);
}

// A result row; columns by index.
class SqlRow {
public:
    explicit SqlRow(std::vector<SqlValue> values) : values_(std::move(values)) {}
    bool isNull(std::size_t column) const {
        return std::holds_alternative<std::nullptr_t>(values_.at(column));
    }
    std::int64_t integer(std::size_t column) const;
    std::string text(std::size_t column) const;
    std::optional<std::int64_t> optionalInteger(std::size_t column) const;
    std::optional<std::string> optionalText(std::size_t column) const;

private:
    std::vector<SqlValue> values_;
};

// One SQLite connection; the owner serialises access (the portal guards it with one mutex).
class SqliteDatabase {
public:
    explicit SqliteDatabase(const std::filesystem::path& file);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void executeScript(std::string_view sql);
    std::vector<SqlRow> query(std::string_view sql, const std::vector<SqlValue>& parameters = {});
    // Runs a statement that returns no rows; answers the number of changed rows.
    int execute(std::string_view sql, const std::vector<SqlValue>& parameters = {});
    std::int64_t lastInsertId() const;

private:
    struct StatementDeleter {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

    // Prepared once per text and reused: preparing costs more than running most of the portal's statements.
    sqlite3_stmt* prepared(std::string_view sql);

    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, Statement> statements_;
};

// Begins a transaction and rolls it back unless committed.
class SqlTransaction {
public:
    explicit SqlTransaction(SqliteDatabase& db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;
    void commit();

private:
    SqliteDatabase& db_;
    bool done_ = false;
};

} // namespace keldra::localportal
