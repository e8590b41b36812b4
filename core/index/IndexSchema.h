#pragma once

namespace keldra {

// Run on every open. Every table and index is created only when absent, so opening an existing index
// changes no row; there is no schema version and no migration.
inline constexpr const char* indexSchemaScript = R"(PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
CREATE TABLE IF NOT EXISTS files (
    path TEXT PRIMARY KEY,
    source_id TEXT NOT NULL,
    size INTEGER NOT NULL,
    mtime REAL NOT NULL,
    keyed_hash TEXT,
    keldra_file_id TEXT,
    backed_up_at REAL,
    missing_since REAL
);
CREATE INDEX IF NOT EXISTS files_source ON files(source_id);
CREATE TABLE IF NOT EXISTS versions (
    keldra_file_id TEXT PRIMARY KEY,
    path TEXT NOT NULL,
    size INTEGER NOT NULL,
    created_at REAL NOT NULL,
    superseded_at REAL,
    format INTEGER NOT NULL DEFAULT 1
);
CREATE INDEX IF NOT EXISTS versions_path ON versions(path);
CREATE TABLE IF NOT EXISTS runs (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    started_at REAL NOT NULL,
    finished_at REAL,
    status TEXT NOT NULL,
    trigger TEXT NOT NULL,
    scanned INTEGER NOT NULL DEFAULT 0,
    uploaded INTEGER NOT NULL DEFAULT 0,
    uploaded_bytes INTEGER NOT NULL DEFAULT 0,
    skipped INTEGER NOT NULL DEFAULT 0,
    failed INTEGER NOT NULL DEFAULT 0,
    removed INTEGER NOT NULL DEFAULT 0,
    message TEXT
);
CREATE TABLE IF NOT EXISTS run_failures (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    run_id INTEGER NOT NULL,
    path TEXT NOT NULL,
    reason TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS failures_run ON run_failures(run_id);
CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT);)";

} // namespace keldra
