#pragma once

namespace keldra::indexsql {

// Statements that the engines and the app model run through BackupIndex::execute, exactly as stored
// installations expect them.

// Binds: missing-since time (real) or NULL, path (text).
inline constexpr const char* setMissingSince = "UPDATE files SET missing_since = ? WHERE path = ?";
// Binds: path.
inline constexpr const char* deleteFile = "DELETE FROM files WHERE path = ?";
// Binds: the copy's id.
inline constexpr const char* deleteVersion = "DELETE FROM versions WHERE keldra_file_id = ?";
// Binds: keldra_file_id, path, size, created_at, superseded_at or NULL, format.
inline constexpr const char* insertVersion =
    "INSERT OR REPLACE INTO versions (keldra_file_id, path, size, created_at, superseded_at, format) "
    "VALUES (?, ?, ?, ?, ?, ?)";
// Binds: "cancelled", "running".
inline constexpr const char* recoverInterruptedRuns =
    "UPDATE runs SET status = ?, finished_at = COALESCE(finished_at, started_at), message = "
    "COALESCE(message, 'Interrupted. The next run picks up where this one stopped.') WHERE status = ?";
// Binds: key, value.
inline constexpr const char* setMeta = "INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)";
// Binds: key.
inline constexpr const char* deleteMeta = "DELETE FROM meta WHERE key = ?";

} // namespace keldra::indexsql
