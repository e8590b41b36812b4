#include "core/index/BackupIndex.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keldra {
namespace {

using test::RecordingLogger;
using test::TempDir;

// The schema stored installations carry; sqlite_master keeps each CREATE text exactly as it was run.
const std::vector<std::pair<std::string, std::string>> expectedSchema = {
    {"files", "CREATE TABLE files (\n"
              "    path TEXT PRIMARY KEY,\n"
              "    source_id TEXT NOT NULL,\n"
              "    size INTEGER NOT NULL,\n"
              "    mtime REAL NOT NULL,\n"
              "    keyed_hash TEXT,\n"
              "    keldra_file_id TEXT,\n"
              "    backed_up_at REAL,\n"
              "    missing_since REAL\n"
              ")"},
    {"files_source", "CREATE INDEX files_source ON files(source_id)"},
    {"versions", "CREATE TABLE versions (\n"
                 "    keldra_file_id TEXT PRIMARY KEY,\n"
                 "    path TEXT NOT NULL,\n"
                 "    size INTEGER NOT NULL,\n"
                 "    created_at REAL NOT NULL,\n"
                 "    superseded_at REAL,\n"
                 "    format INTEGER NOT NULL DEFAULT 1\n"
                 ")"},
    {"versions_path", "CREATE INDEX versions_path ON versions(path)"},
    {"runs", "CREATE TABLE runs (\n"
             "    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
             "    started_at REAL NOT NULL,\n"
             "    finished_at REAL,\n"
             "    status TEXT NOT NULL,\n"
             "    trigger TEXT NOT NULL,\n"
             "    scanned INTEGER NOT NULL DEFAULT 0,\n"
             "    uploaded INTEGER NOT NULL DEFAULT 0,\n"
             "    uploaded_bytes INTEGER NOT NULL DEFAULT 0,\n"
             "    skipped INTEGER NOT NULL DEFAULT 0,\n"
             "    failed INTEGER NOT NULL DEFAULT 0,\n"
             "    removed INTEGER NOT NULL DEFAULT 0,\n"
             "    message TEXT\n"
             ")"},
    {"run_failures", "CREATE TABLE run_failures (\n"
                     "    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                     "    run_id INTEGER NOT NULL,\n"
                     "    path TEXT NOT NULL,\n"
                     "    reason TEXT NOT NULL\n"
                     ")"},
    {"failures_run", "CREATE INDEX failures_run ON run_failures(run_id)"},
    {"meta", "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT)"},
};

std::vector<std::pair<std::string, std::string>> storedSchema(BackupIndex& index) {
    // Automatic indexes and sqlite_sequence have no SQL text of ours.
    return index.query(
        "SELECT name, sql FROM sqlite_master WHERE sql IS NOT NULL AND name != 'sqlite_sequence' "
        "ORDER BY rowid",
        {}, [](const BackupIndex::Row& row) { return std::pair(row.text(0), row.text(1)); });
}

TEST(BackupIndexOpen, FreshDirectoryGetsExactlyTheSchemaInWalMode) {
    TempDir dir;
    RecordingLogger logger;
    BackupIndex index(dir / "a" / "b", logger);

    EXPECT_EQ(index.databasePath(), dir / "a" / "b" / "index.sqlite");
    EXPECT_TRUE(std::filesystem::exists(index.databasePath()));
    EXPECT_EQ(storedSchema(index), expectedSchema);
    auto mode =
        index.query("PRAGMA journal_mode", {}, [](const BackupIndex::Row& row) { return row.text(0); });
    EXPECT_EQ(mode, std::vector<std::string>{"wal"});
    // NORMAL is 1; it applies per connection, so it shows on ours.
    auto sync =
        index.query("PRAGMA synchronous", {}, [](const BackupIndex::Row& row) { return row.integer(0); });
    EXPECT_EQ(sync, std::vector<std::int64_t>{1});
    EXPECT_TRUE(logger.lines().empty());
}

TEST(BackupIndexOpen, ReopeningKeepsEveryRow) {
    TempDir dir;
    RecordingLogger logger;
    std::int64_t runID = 0;
    {
        BackupIndex index(dir.path(), logger);
        index.upsertFile({"~/a.txt", "src", 5, 1.5, "h", "id1", 2.0, std::nullopt});
        index.addVersion({"id1", "~/a.txt", 5, 2.0, std::nullopt, 1});
        runID = index.startRun("Manual", fromUnixSeconds(100));
        index.addFailure(runID, "~/b", "gone");
        index.setMeta("pausedByUser", "1");
    }
    BackupIndex index(dir.path(), logger);
    EXPECT_EQ(index.file("~/a.txt"), (IndexedFile{"~/a.txt", "src", 5, 1.5, "h", "id1", 2.0, std::nullopt}));
    EXPECT_EQ(index.versions("~/a.txt").size(), 1u);
    EXPECT_EQ(index.recentRuns(10).size(), 1u);
    EXPECT_EQ(index.failures(runID).size(), 1u);
    EXPECT_EQ(index.meta("pausedByUser"), "1");
    EXPECT_EQ(storedSchema(index), expectedSchema);
}

TEST(BackupIndexOpen, DamagedFileIsReportedAndLeftAsItWas) {
    TempDir dir;
    RecordingLogger logger;
    const std::string garbage(8192, '\x5a');
    test::writeFile(dir / "index.sqlite", garbage);

    try {
        BackupIndex index(dir.path(), logger);
        FAIL() << "a damaged index must not open";
    } catch (const BackupIndexError& error) {
        EXPECT_EQ(error.kind(), BackupIndexError::Kind::schemaFailed);
        EXPECT_EQ(error.code(), 26); // SQLITE_NOTADB
        EXPECT_EQ(error.message(), "file is not a database");
    }
    EXPECT_EQ(test::readFile(dir / "index.sqlite"), garbage);
    EXPECT_FALSE(std::filesystem::exists(dir / "index.sqlite-wal"));
}

TEST(BackupIndexOpen, TruncatedDatabaseIsReportedNotOpened) {
    TempDir dir;
    RecordingLogger logger;
    {
        BackupIndex index(dir.path(), logger);
        for (int i = 0; i < 200; ++i) {
            index.upsertFile({"~/f" + std::to_string(i), "s", i, 0, std::nullopt, std::nullopt, {}, {}});
        }
    }
    // A file cut after its header: SQLite sees a database whose pages are missing.
    auto whole = test::readFile(dir / "index.sqlite");
    ASSERT_GT(whole.size(), 4096u);
    const std::string cut = whole.substr(0, 100) + std::string(50, '\xff');
    test::writeFile(dir / "index.sqlite", cut);

    EXPECT_THROW(BackupIndex(dir.path(), logger), BackupIndexError);
    EXPECT_EQ(test::readFile(dir / "index.sqlite"), cut);
}

TEST(BackupIndexOpen, OpenAndDirectoryFailuresCarryTheirTexts) {
    TempDir dir;
    RecordingLogger logger;

    // "index.sqlite" is a folder: SQLite cannot open it.
    std::filesystem::create_directories(dir / "blocked" / "index.sqlite");
    try {
        BackupIndex index(dir / "blocked", logger);
        FAIL();
    } catch (const BackupIndexError& error) {
        EXPECT_EQ(error.kind(), BackupIndexError::Kind::openFailed);
        EXPECT_EQ(error.code(), 1);
        EXPECT_EQ(error.message(), "Couldn't open the backup index.");
        EXPECT_STREQ(error.what(), "Couldn't open the backup index.");
    }

    // The folder's place is taken by a file.
    test::writeFile(dir / "plain", "x");
    try {
        BackupIndex index(dir / "plain" / "sub", logger);
        FAIL();
    } catch (const BackupIndexError& error) {
        EXPECT_EQ(error.kind(), BackupIndexError::Kind::directoryFailed);
        EXPECT_NE(error.code(), 0);
        EXPECT_FALSE(error.message().empty());
    }
}

TEST(BackupIndexOpen, LocationsFollowTheDataHome) {
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(accountIndexDirectory("1a2b"), std::filesystem::path("/data/home/orlivane-keldra/1a2b"));
    EXPECT_EQ(driveIndexDirectory("1a2b", "D-1"),
              std::filesystem::path("/data/home/orlivane-keldra/1a2b/drive-D-1"));
    if (previous != nullptr) {
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
}

} // namespace
} // namespace keldra
