#include "core/index/BackupIndex.h"

#include "core/index/IndexSchema.h"
#include "core/index/IndexStatements.h"
#include "core/seams/XdgPaths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <sqlite3.h>
#include <system_error>

namespace keldra {
namespace {

constexpr int openFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

const char* const fileColumns =
    "SELECT path, source_id, size, mtime, keyed_hash, keldra_file_id, backed_up_at, missing_since FROM files";
const char* const versionColumns =
    "SELECT keldra_file_id, path, size, created_at, superseded_at, format FROM versions";

const char* const upsertFileSQL =
    "INSERT INTO files (path, source_id, size, mtime, keyed_hash, keldra_file_id, backed_up_at, "
    "missing_since)\n"
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)\n"
    "ON CONFLICT(path) DO UPDATE SET source_id = excluded.source_id, size = excluded.size, mtime = "
    "excluded.mtime,\n"
    "    keyed_hash = excluded.keyed_hash, keldra_file_id = excluded.keldra_file_id,\n"
    "    backed_up_at = excluded.backed_up_at, missing_since = excluded.missing_since";

const char* const finishRunSQL = "UPDATE runs SET finished_at = ?, status = ?, scanned = ?, uploaded = ?, "
                                 "uploaded_bytes = ?, skipped = ?,\n"
                                 "    failed = ?, removed = ?, message = ? WHERE id = ?";

const char* const recentRunsSQL = "SELECT id, started_at, finished_at, status, trigger, scanned, uploaded, "
                                  "uploaded_bytes, skipped, failed, "
                                  "removed, message\n"
                                  "FROM runs ORDER BY id DESC LIMIT ?";

IndexedFile decodeFile(const BackupIndex::Row& row) {
    return IndexedFile{row.text(0),         row.text(1),         row.integer(2),      row.real(3),
                       row.optionalText(4), row.optionalText(5), row.optionalReal(6), row.optionalReal(7)};
}

IndexedVersion decodeVersion(const BackupIndex::Row& row) {
    return IndexedVersion{row.text(0), row.text(1),         row.integer(2),
                          row.real(3), row.optionalReal(4), row.integer(5)};
}

RunRecord decodeRun(const BackupIndex::Row& row) {
    RunRecord record;
    record.id = row.integer(0);
    record.startedAt = fromUnixSeconds(row.real(1));
    if (auto finished = row.optionalReal(2)) {
        record.finishedAt = fromUnixSeconds(*finished);
    }
    auto status = row.optionalText(3);
    record.status = runStatusFromRawValue(status ? std::optional<std::string_view>(*status) : std::nullopt);
    record.trigger = row.text(4);
    record.scanned = row.integer(5);
    record.uploaded = row.integer(6);
    record.uploadedBytes = row.integer(7);
    record.skipped = row.integer(8);
    record.failed = row.integer(9);
    record.removed = row.integer(10);
    record.message = row.optionalText(11);
    return record;
}

std::string lastErrorMessage(sqlite3* db) {
    const char* message = sqlite3_errmsg(db);
    return message != nullptr ? message : "";
}

} // namespace

std::filesystem::path accountIndexDirectory(std::string_view scopeKey) {
    return appDataDirectory() / std::string(scopeKey);
}

std::filesystem::path driveIndexDirectory(std::string_view scopeKey, std::string_view destinationID) {
    return accountIndexDirectory(scopeKey) / ("drive-" + std::string(destinationID));
}

struct BackupIndex::Connection {
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Closer> db;
};

// Row

bool BackupIndex::Row::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t BackupIndex::Row::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double BackupIndex::Row::real(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string BackupIndex::Row::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    if (bytes == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(bytes),
                       static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

std::optional<std::string> BackupIndex::Row::optionalText(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return text(column);
}

std::optional<double> BackupIndex::Row::optionalReal(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return real(column);
}

std::optional<std::int64_t> BackupIndex::Row::optionalInteger(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return integer(column);
}

// Life

BackupIndex::BackupIndex(const std::filesystem::path& directory, Logger& logger)
    : databasePath_(directory / "index.sqlite"), logger_(logger),
      connection_(std::make_unique<Connection>()) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        throw BackupIndexError(BackupIndexError::Kind::directoryFailed, error.value(), error.message());
    }

    sqlite3* raw = nullptr;
    int result = sqlite3_open_v2(databasePath_.c_str(), &raw, openFlags, nullptr);
    // SQLite hands out a handle even when opening fails; it must still be closed.
    connection_->db.reset(raw);
    if (result != SQLITE_OK) {
        connection_->db.reset();
        throw BackupIndexError(BackupIndexError::Kind::openFailed, 1, "Couldn't open the backup index.");
    }

    std::lock_guard lock(mutex_);
    char* errorText = nullptr;
    result = sqlite3_exec(connection_->db.get(), indexSchemaScript, nullptr, nullptr, &errorText);
    if (result != SQLITE_OK) {
        std::string description =
            errorText != nullptr ? std::string(errorText) : fmt::format("sqlite error {}", result);
        sqlite3_free(errorText);
        connection_->db.reset();
        throw BackupIndexError(BackupIndexError::Kind::schemaFailed, result, std::move(description));
    }
    sqlite3_free(errorText);
}

BackupIndex::~BackupIndex() = default;

// General statements

namespace {

// Compiles the first statement of the text and binds the parameters; none after a logged failure.
Statement prepare(sqlite3* db, std::string_view sql, const std::vector<BackupIndex::Bind>& binds,
                  Logger& logger) {
    sqlite3_stmt* raw = nullptr;
    int result = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    Statement statement(raw);
    if (result != SQLITE_OK || statement == nullptr) {
        logger.log(fmt::format("sqlite prepare failed: {} \u2014 {}", lastErrorMessage(db), sql));
        return nullptr;
    }
    int position = 1;
    for (const auto& bind : binds) {
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::int64_t>) {
                    sqlite3_bind_int64(raw, position, value);
                } else if constexpr (std::is_same_v<T, double>) {
                    sqlite3_bind_double(raw, position, value);
                } else if constexpr (std::is_same_v<T, std::string>) {
                    sqlite3_bind_text64(raw, position, value.data(), value.size(), SQLITE_TRANSIENT,
                                        SQLITE_UTF8);
                } else {
                    sqlite3_bind_null(raw, position);
                }
            },
            bind.value());
        ++position;
    }
    return statement;
}

} // namespace

bool BackupIndex::executeLocked(std::string_view sql, const std::vector<Bind>& binds) {
    return writeLocked(sql, binds).ok();
}

IndexWrite BackupIndex::writeLocked(std::string_view sql, const std::vector<Bind>& binds) {
    sqlite3* db = connection_->db.get();
    Statement statement = prepare(db, sql, binds, logger_);
    if (!statement) {
        return IndexWrite::failed(lastErrorMessage(db));
    }
    int result = sqlite3_step(statement.get());
    if (result == SQLITE_ROW || result == SQLITE_DONE) {
        return IndexWrite::done(sqlite3_changes64(db));
    }
    std::string message = lastErrorMessage(db);
    logger_.log(fmt::format("sqlite step failed: {}", message));
    return IndexWrite::failed(std::move(message));
}

IndexWrite BackupIndex::write(std::string_view sql, const std::vector<Bind>& binds) {
    std::lock_guard lock(mutex_);
    return writeLocked(sql, binds);
}

IndexWrite BackupIndex::transactionLocked(const std::function<IndexWrite()>& body) {
    if (IndexWrite begun = writeLocked("BEGIN IMMEDIATE", {}); !begun) {
        return begun;
    }
    IndexWrite written = body();
    if (written) {
        if (IndexWrite committed = writeLocked("COMMIT", {}); !committed) {
            written = committed;
        }
    }
    if (!written && !sqlite3_get_autocommit(connection_->db.get())) {
        // Half a change is worse than none: the rows before the failure go too.
        (void)writeLocked("ROLLBACK", {});
    }
    return written;
}

IndexWrite BackupIndex::durablyLocked(const std::function<IndexWrite()>& body) {
    if (IndexWrite full = writeLocked("PRAGMA synchronous = FULL", {}); !full) {
        return full;
    }
    IndexWrite written = body();
    // Should this fail, the connection stays FULL: slower, never less safe.
    (void)writeLocked("PRAGMA synchronous = NORMAL", {});
    return written;
}

void BackupIndex::forEachRowLocked(std::string_view sql, const std::vector<Bind>& binds,
                                   const std::function<void(const Row&)>& visit) {
    Statement statement = prepare(connection_->db.get(), sql, binds, logger_);
    if (!statement) {
        return;
    }
    const Row row(statement.get());
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
        visit(row);
    }
}

bool BackupIndex::execute(std::string_view sql, const std::vector<Bind>& binds) {
    std::lock_guard lock(mutex_);
    return executeLocked(sql, binds);
}

void BackupIndex::forEachRow(std::string_view sql, const std::vector<Bind>& binds,
                             const std::function<void(const Row&)>& visit) {
    std::lock_guard lock(mutex_);
    forEachRowLocked(sql, binds, visit);
}

namespace {

std::vector<BackupIndex::Bind> fileBinds(const IndexedFile& file) {
    using Bind = BackupIndex::Bind;
    return {Bind::text(file.path),
            Bind::text(file.sourceID),
            Bind::integer(file.size),
            Bind::real(file.mtime),
            Bind::optionalText(file.keyedHash),
            Bind::optionalText(file.keldraFileID),
            Bind::optionalReal(file.backedUpAt),
            Bind::optionalReal(file.missingSince)};
}

std::vector<BackupIndex::Bind> versionBinds(const IndexedVersion& version) {
    using Bind = BackupIndex::Bind;
    return {Bind::text(version.keldraFileID),
            Bind::text(version.path),
            Bind::integer(version.size),
            Bind::real(version.createdAt),
            Bind::optionalReal(version.supersededAt),
            Bind::integer(version.format)};
}

const char* const supersedeSQL =
    "UPDATE versions SET superseded_at = ? WHERE path = ? AND keldra_file_id != ? AND superseded_at IS NULL";

} // namespace

// Files

std::optional<IndexedFile> BackupIndex::file(const std::string& path) {
    std::optional<IndexedFile> found;
    forEachRow(std::string(fileColumns) + " WHERE path = ?", {Bind::text(path)}, [&](const Row& row) {
        if (!found) {
            found = decodeFile(row);
        }
    });
    return found;
}

std::vector<IndexedFile> BackupIndex::files(const std::optional<std::string>& sourceID) {
    if (sourceID) {
        return query(std::string(fileColumns) + " WHERE source_id = ?", {Bind::text(*sourceID)}, decodeFile);
    }
    return query(fileColumns, {}, decodeFile);
}

bool BackupIndex::hasCopies(const std::string& sourceID) {
    const std::vector<IndexedFile> rows = files(sourceID);
    return std::any_of(rows.begin(), rows.end(),
                       [](const IndexedFile& row) { return row.keldraFileID.has_value(); });
}

IndexWrite BackupIndex::upsertFile(const IndexedFile& file) {
    return write(upsertFileSQL, fileBinds(file));
}

SourceStats BackupIndex::sourceStats(const std::string& sourceID) {
    SourceStats stats;
    forEachRow(
        "SELECT COUNT(*), COALESCE(SUM(size), 0), MAX(backed_up_at) FROM files WHERE source_id = ? AND "
        "keldra_file_id IS NOT NULL",
        {Bind::text(sourceID)}, [&](const Row& row) {
            stats = SourceStats{row.integer(0), row.integer(1), row.optionalReal(2)};
        });
    return stats;
}

std::int64_t BackupIndex::backedUpFileCount() {
    std::int64_t count = 0;
    forEachRow("SELECT COUNT(*) FROM files WHERE keldra_file_id IS NOT NULL", {},
               [&](const Row& row) { count = row.integer(0); });
    return count;
}

std::int64_t BackupIndex::backedUpBytes() {
    std::int64_t bytes = 0;
    forEachRow("SELECT COALESCE(SUM(size), 0) FROM files WHERE keldra_file_id IS NOT NULL", {},
               [&](const Row& row) { bytes = row.integer(0); });
    return bytes;
}

// Versions

IndexWrite BackupIndex::addVersion(const IndexedVersion& version) {
    return write(indexsql::insertVersion, versionBinds(version));
}

IndexWrite BackupIndex::supersedeOtherVersions(const std::string& path, const std::string& keepID,
                                               double at) {
    return write(supersedeSQL, {Bind::real(at), Bind::text(path), Bind::text(keepID)});
}

IndexWrite BackupIndex::recordCopy(const IndexedFile& file, const IndexedVersion& version,
                                   double supersededAt) {
    std::lock_guard lock(mutex_);
    return transactionLocked([&]() -> IndexWrite {
        if (IndexWrite added = writeLocked(indexsql::insertVersion, versionBinds(version)); !added) {
            return added;
        }
        if (IndexWrite superseded =
                writeLocked(supersedeSQL, {Bind::real(supersededAt), Bind::text(file.path),
                                           Bind::text(version.keldraFileID)});
            !superseded) {
            return superseded;
        }
        return writeLocked(upsertFileSQL, fileBinds(file));
    });
}

IndexWrite BackupIndex::recordCopies(const std::vector<NewCopy>& copies, const std::string& metaKey,
                                     const std::optional<std::string>& metaValue) {
    std::lock_guard lock(mutex_);
    const auto record = [&]() -> IndexWrite {
        for (const NewCopy& copy : copies) {
            if (IndexWrite added = writeLocked(indexsql::insertVersion, versionBinds(copy.version)); !added) {
                return added;
            }
            if (IndexWrite superseded =
                    writeLocked(supersedeSQL, {Bind::real(copy.supersededAt), Bind::text(copy.file.path),
                                               Bind::text(copy.version.keldraFileID)});
                !superseded) {
                return superseded;
            }
            if (IndexWrite upserted = writeLocked(upsertFileSQL, fileBinds(copy.file)); !upserted) {
                return upserted;
            }
        }
        if (metaValue) {
            return writeLocked(indexsql::setMeta, {Bind::text(metaKey), Bind::text(*metaValue)});
        }
        return writeLocked(indexsql::deleteMeta, {Bind::text(metaKey)});
    };
    return durablyLocked([&] { return transactionLocked(record); });
}

std::vector<IndexedVersion> BackupIndex::versions(const std::string& path) {
    return query(std::string(versionColumns) + " WHERE path = ? ORDER BY created_at DESC", {Bind::text(path)},
                 decodeVersion);
}

std::set<std::string> BackupIndex::copyIDs(const IndexedFile& file) {
    std::set<std::string> ids;
    for (const IndexedVersion& version : versions(file.path)) {
        ids.insert(version.keldraFileID);
    }
    if (file.keldraFileID) {
        ids.insert(*file.keldraFileID);
    }
    return ids;
}

std::vector<IndexedVersion> BackupIndex::expiredVersions(double cutoff) {
    return query(std::string(versionColumns) + " WHERE superseded_at IS NOT NULL AND superseded_at < ?",
                 {Bind::real(cutoff)}, decodeVersion);
}

IndexWrite BackupIndex::reconcileWithListing(const std::unordered_set<std::string>& listedIDs) {
    // One lock for the whole sequence: another caller's statement must not land inside the transaction.
    std::lock_guard lock(mutex_);
    std::vector<std::string> unlinked;
    forEachRowLocked("SELECT path, keldra_file_id FROM files WHERE keldra_file_id IS NOT NULL", {},
                     [&](const Row& row) {
                         if (!listedIDs.contains(row.text(1))) {
                             unlinked.push_back(row.text(0));
                         }
                     });
    std::vector<std::string> versionIDs;
    forEachRowLocked("SELECT keldra_file_id FROM versions", {},
                     [&](const Row& row) { versionIDs.push_back(row.text(0)); });
    IndexWrite written = transactionLocked([&]() -> IndexWrite {
        for (const auto& path : unlinked) {
            if (IndexWrite cleared = writeLocked("UPDATE files SET keldra_file_id = NULL, keyed_hash = NULL, "
                                                 "backed_up_at = NULL WHERE path = ?",
                                                 {Bind::text(path)});
                !cleared) {
                return cleared;
            }
        }
        for (const auto& id : versionIDs) {
            if (!listedIDs.contains(id)) {
                if (IndexWrite deleted = writeLocked(indexsql::deleteVersion, {Bind::text(id)}); !deleted) {
                    return deleted;
                }
            }
        }
        return {};
    });
    return written ? IndexWrite::done(static_cast<std::int64_t>(unlinked.size())) : written;
}

IndexWrite BackupIndex::clearFilesAndVersions() {
    std::lock_guard lock(mutex_);
    return transactionLocked([&]() -> IndexWrite {
        if (IndexWrite files = writeLocked("DELETE FROM files", {}); !files) {
            return files;
        }
        return writeLocked("DELETE FROM versions", {});
    });
}

// Runs

std::int64_t BackupIndex::startRun(const std::string& trigger, SystemTime startedAt) {
    std::lock_guard lock(mutex_);
    if (!executeLocked("INSERT INTO runs (started_at, status, trigger) VALUES (?, ?, ?)",
                       {Bind::real(toUnixSeconds(startedAt)),
                        Bind::text(std::string(runStatusRawValue(RunStatus::running))),
                        Bind::text(trigger)})) {
        // No row was inserted: an id of 0 matches no run, so later writes for it change nothing.
        return 0;
    }
    return sqlite3_last_insert_rowid(connection_->db.get());
}

IndexWrite BackupIndex::finishRun(const RunRecord& record) {
    IndexWrite written =
        write(finishRunSQL,
              {record.finishedAt ? Bind::real(toUnixSeconds(*record.finishedAt)) : Bind::null(),
               Bind::text(std::string(runStatusRawValue(record.status))), Bind::integer(record.scanned),
               Bind::integer(record.uploaded), Bind::integer(record.uploadedBytes),
               Bind::integer(record.skipped), Bind::integer(record.failed), Bind::integer(record.removed),
               Bind::optionalText(record.message), Bind::integer(record.id)});
    if (written && written.count() == 0) {
        // The run's row was never made (its start could not be recorded): its ending is not recorded either.
        return IndexWrite::failed("the run's row is missing");
    }
    return written;
}

IndexWrite BackupIndex::addFailure(std::int64_t runID, const std::string& path, const std::string& reason) {
    return write("INSERT INTO run_failures (run_id, path, reason) VALUES (?, ?, ?)",
                 {Bind::integer(runID), Bind::text(path), Bind::text(reason)});
}

std::vector<RunFailure> BackupIndex::failures(std::int64_t runID) {
    return query("SELECT id, path, reason FROM run_failures WHERE run_id = ? ORDER BY id",
                 {Bind::integer(runID)}, [](const Row& row) {
                     return RunFailure{row.integer(0), row.text(1), row.text(2)};
                 });
}

std::vector<RunRecord> BackupIndex::recentRuns(std::int64_t limit) {
    return query(recentRunsSQL, {Bind::integer(limit)}, decodeRun);
}

IndexWrite BackupIndex::pruneRuns(std::int64_t keep) {
    std::lock_guard lock(mutex_);
    if (IndexWrite failures = writeLocked(
            "DELETE FROM run_failures WHERE run_id NOT IN (SELECT id FROM runs ORDER BY id DESC LIMIT ?)",
            {Bind::integer(keep)});
        !failures) {
        return failures;
    }
    return writeLocked("DELETE FROM runs WHERE id NOT IN (SELECT id FROM runs ORDER BY id DESC LIMIT ?)",
                       {Bind::integer(keep)});
}

bool BackupIndex::recoverInterruptedRuns() {
    return execute(indexsql::recoverInterruptedRuns,
                   {Bind::text(std::string(runStatusRawValue(RunStatus::cancelled))),
                    Bind::text(std::string(runStatusRawValue(RunStatus::running)))});
}

// Meta

std::optional<std::string> BackupIndex::meta(const std::string& key) {
    std::optional<std::string> value;
    bool first = true;
    forEachRow("SELECT value FROM meta WHERE key = ?", {Bind::text(key)}, [&](const Row& row) {
        if (first) {
            value = row.optionalText(0);
            first = false;
        }
    });
    return value;
}

IndexWrite BackupIndex::setMeta(const std::string& key, const std::optional<std::string>& value,
                                IndexCommit commit) {
    std::lock_guard lock(mutex_);
    const auto set = [&] {
        if (value) {
            return writeLocked(indexsql::setMeta, {Bind::text(key), Bind::text(*value)});
        }
        return writeLocked(indexsql::deleteMeta, {Bind::text(key)});
    };
    return commit == IndexCommit::durable ? durablyLocked(set) : set();
}

std::string metaTimeText(double secondsSince1970) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, secondsSince1970);
    if (error != std::errc{}) {
        return fmt::format("{}", secondsSince1970);
    }
    return std::string(buffer, end);
}

std::optional<double> parseMetaTime(std::string_view text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace keldra
