#pragma once

#include "core/index/BackupIndexError.h"
#include "core/index/IndexRows.h"
#include "core/index/IndexWrite.h"
#include "core/seams/Clock.h"
#include "core/seams/Logger.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace keldra {

// "$XDG_DATA_HOME/orlivane-keldra/<scope key>": the account index lives here as "index.sqlite".
std::filesystem::path accountIndexDirectory(std::string_view scopeKey);
// "<account index directory>/drive-<destination id>": one index per backup drive.
std::filesystem::path driveIndexDirectory(std::string_view scopeKey, std::string_view destinationID);

// How a write's commit reaches the disk. Ordinary commits (synchronous = NORMAL in WAL mode) survive a crash
// of the program but the last of them may be lost to a power cut, which loses no file: a forgotten copy is
// made again. A durable commit is on the disk when the write returns (synchronous = FULL for that commit),
// for the few writes that others must not overtake: a reservation of object names before the objects reach
// them, a group's record before anything relies on it.
enum class IndexCommit { ordinary, durable };

// The local SQLite record of what has been backed up: files, versions, runs, run failures and meta flags.
// Every statement runs under one mutex per index; a multi-statement operation holds it from its first
// statement to its last, so no other caller's statement lands inside its transaction.
// After construction no operation throws: failed statements are logged and give false, nothing or zero;
// every write reports what became of it (IndexWrite), so no caller counts as recorded what was not.
class BackupIndex {
public:
    // One statement parameter, bound in list order at positions 1, 2, 3 ...
    class Bind {
    public:
        using Value = std::variant<std::int64_t, double, std::string, std::nullptr_t>;

        static Bind integer(std::int64_t value) { return Bind(Value(std::in_place_index<0>, value)); }
        static Bind real(double value) { return Bind(Value(std::in_place_index<1>, value)); }
        static Bind text(std::string value) { return Bind(Value(std::in_place_index<2>, std::move(value))); }
        static Bind null() { return Bind(Value(std::in_place_index<3>, nullptr)); }
        // Absent values bind as NULL.
        static Bind optionalText(const std::optional<std::string>& value) {
            return value ? text(*value) : null();
        }
        static Bind optionalReal(const std::optional<double>& value) { return value ? real(*value) : null(); }

        const Value& value() const { return value_; }
        friend bool operator==(const Bind&, const Bind&) = default;

    private:
        explicit Bind(Value value) : value_(std::move(value)) {}
        Value value_;
    };

    // Reads the current result row of a query by column position (0-based).
    class Row {
    public:
        explicit Row(sqlite3_stmt* statement) : statement_(statement) {}
        bool isNull(int column) const;
        std::int64_t integer(int column) const; // NULL reads as 0
        double real(int column) const;          // NULL reads as 0
        std::string text(int column) const;     // NULL reads as empty text
        std::optional<std::string> optionalText(int column) const;
        std::optional<double> optionalReal(int column) const;
        std::optional<std::int64_t> optionalInteger(int column) const;

    private:
        sqlite3_stmt* statement_;
    };

    // Creates the directory (with its parents), opens or creates "index.sqlite" in it and runs the schema
    // script. Throws BackupIndexError. A damaged file is reported, never deleted or replaced.
    BackupIndex(const std::filesystem::path& directory, Logger& logger);
    ~BackupIndex();
    BackupIndex(const BackupIndex&) = delete;
    BackupIndex& operator=(const BackupIndex&) = delete;

    // The database file: "index.sqlite" inside the directory given at creation.
    const std::filesystem::path& databasePath() const { return databasePath_; }

    // Runs exactly one statement (only the first of a longer text): true when it stepped to a row or done.
    bool execute(std::string_view sql, const std::vector<Bind>& binds = {});

    // Runs one statement and decodes every result row, in result order. Stops silently at an error.
    // The decoder must not call back into this index (it runs under the index's lock).
    template <class Decoder>
    auto query(std::string_view sql, const std::vector<Bind>& binds, Decoder&& decode)
        -> std::vector<std::invoke_result_t<Decoder&, const Row&>> {
        std::vector<std::invoke_result_t<Decoder&, const Row&>> rows;
        forEachRow(sql, binds, [&](const Row& row) { rows.push_back(decode(row)); });
        return rows;
    }
    void forEachRow(std::string_view sql, const std::vector<Bind>& binds,
                    const std::function<void(const Row&)>& visit);

    // Files.
    std::optional<IndexedFile> file(const std::string& path);
    // All rows, or those of one source.
    std::vector<IndexedFile> files(const std::optional<std::string>& sourceID = std::nullopt);
    // Inserts or replaces every column of the path's row (absent optionals become NULL).
    IndexWrite upsertFile(const IndexedFile& file);
    // Whether any file of the source has a copy: a scan that finds such a source empty proves nothing
    // deleted.
    bool hasCopies(const std::string& sourceID);
    SourceStats sourceStats(const std::string& sourceID);
    std::int64_t backedUpFileCount();
    std::int64_t backedUpBytes();

    // Versions.
    IndexWrite addVersion(const IndexedVersion& version);
    // Every other current version of the path gets superseded_at = at (seconds since 1970).
    IndexWrite supersedeOtherVersions(const std::string& path, const std::string& keepID, double at);
    // A new copy in one transaction: its version, the supersession of the path's other versions at
    // `supersededAt`, and the file's row. All three are written or none is.
    IndexWrite recordCopy(const IndexedFile& file, const IndexedVersion& version, double supersededAt);
    // A group of new copies, each as recordCopy, and the meta key set to `metaValue` (deleted when absent),
    // all in one transaction: every copy is recorded and the key written, or nothing is. Durable once it
    // returns (IndexCommit::durable): later deletions on the drive may rely on it.
    struct NewCopy {
        IndexedFile file;
        IndexedVersion version;
        double supersededAt = 0;
    };
    IndexWrite recordCopies(const std::vector<NewCopy>& copies, const std::string& metaKey,
                            const std::optional<std::string>& metaValue);
    // Newest first.
    std::vector<IndexedVersion> versions(const std::string& path);
    // Every recorded copy of the file: its versions' and its current one's.
    std::set<std::string> copyIDs(const IndexedFile& file);
    // Superseded versions older than the cutoff (seconds since 1970).
    std::vector<IndexedVersion> expiredVersions(double cutoff);

    // Unlinks every file whose copy the service no longer lists and deletes such versions, in one
    // immediate transaction that is rolled back if any statement fails. Its count is the number of files
    // unlinked.
    IndexWrite reconcileWithListing(const std::unordered_set<std::string>& listedIDs);
    // Empties files and versions (both or neither); runs, failures and meta stay.
    IndexWrite clearFilesAndVersions();

    // Runs. startRun inserts a "running" row and returns its id (ids are never reused).
    std::int64_t startRun(const std::string& trigger, SystemTime startedAt);
    // Writes finishedAt, status, the six counters and message of the row with record.id.
    IndexWrite finishRun(const RunRecord& record);
    IndexWrite addFailure(std::int64_t runID, const std::string& path, const std::string& reason);
    // In insertion order.
    std::vector<RunFailure> failures(std::int64_t runID);
    // Newest first.
    std::vector<RunRecord> recentRuns(std::int64_t limit);
    // Keeps the newest `keep` runs and their failures.
    IndexWrite pruneRuns(std::int64_t keep);
    // Marks every run still "running" (the process ended during it) as cancelled. True on success.
    bool recoverInterruptedRuns();

    // Meta flags. An absent value deletes the key.
    std::optional<std::string> meta(const std::string& key);
    IndexWrite setMeta(const std::string& key, const std::optional<std::string>& value,
                       IndexCommit commit = IndexCommit::ordinary);

private:
    struct Connection;
    bool executeLocked(std::string_view sql, const std::vector<Bind>& binds);
    IndexWrite writeLocked(std::string_view sql, const std::vector<Bind>& binds);
    IndexWrite write(std::string_view sql, const std::vector<Bind>& binds);
    // Runs `body` between "BEGIN IMMEDIATE" and "COMMIT"; rolls back when any of it fails.
    IndexWrite transactionLocked(const std::function<IndexWrite()>& body);
    // Runs `body` with its commits synced to the disk before they return, then goes back to the ordinary
    // setting.
    IndexWrite durablyLocked(const std::function<IndexWrite()>& body);
    void forEachRowLocked(std::string_view sql, const std::vector<Bind>& binds,
                          const std::function<void(const Row&)>& visit);

    std::filesystem::path databasePath_;
    Logger& logger_;
    std::mutex mutex_;
    std::unique_ptr<Connection> connection_;
};

// Meta keys.
namespace metakey {
inline constexpr const char* lastSuccess = "lastSuccess";
inline constexpr const char* lastAttempt = "lastAttempt";
inline constexpr const char* lastAttemptFailed = "lastAttemptFailed";
inline constexpr const char* pausedByUser = "pausedByUser";
inline constexpr const char* sealedNamesVerified = "sealedNamesVerified";
// Drive indexes: the objects a run may have moved onto the drive without recording them yet (identifiers
// separated by spaces). The next run removes whichever of them no row names.
inline constexpr const char* unrecordedObjects = "unrecordedObjects";
} // namespace metakey

// A time meta value: the shortest decimal text that reads back to the same double.
std::string metaTimeText(double secondsSince1970);
// Parses such a value; none when the text is not a finite number.
std::optional<double> parseMetaTime(std::string_view text);

} // namespace keldra
