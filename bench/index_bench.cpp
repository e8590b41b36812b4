// Cost of the index layer over plain SQLite: 100,000 file and version writes as a first run issues them,
// one read of 100,000 rows of a source, and 100,000 point lookups. Each figure stands next to a raw
// sqlite3 loop running the same statements (compiled per call, as the index does) on its own file in
// the same run; the ratio is ours / raw. A third column shows raw with the statement compiled once.
// Build in Release.
#include "core/index/BackupIndex.h"
#include "core/index/IndexSchema.h"
#include "core/seams/Logger.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>
#include <sqlite3.h>
#include <stdlib.h>
#include <string>
#include <vector>

using namespace keldra;

namespace {

constexpr int rowCount = 100'000;
constexpr int writeRounds = 2;
constexpr int readRounds = 15;

const char* const upsertSQL =
    "INSERT INTO files (path, source_id, size, mtime, keyed_hash, keldra_file_id, backed_up_at, "
    "missing_since)\n"
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)\n"
    "ON CONFLICT(path) DO UPDATE SET source_id = excluded.source_id, size = excluded.size, mtime = "
    "excluded.mtime,\n"
    "    keyed_hash = excluded.keyed_hash, keldra_file_id = excluded.keldra_file_id,\n"
    "    backed_up_at = excluded.backed_up_at, missing_since = excluded.missing_since";
const char* const versionSQL = "INSERT OR REPLACE INTO versions (keldra_file_id, path, size, created_at, "
                               "superseded_at, format) VALUES (?, ?, ?, ?, ?, ?)";
const char* const filesSQL = "SELECT path, source_id, size, mtime, keyed_hash, keldra_file_id, backed_up_at, "
                             "missing_since FROM files";

std::string pathOf(int i) {
    return "~/Documents/Projects/folder-" + std::to_string(i % 997) + "/file-" + std::to_string(i) + ".txt";
}
std::string idOf(int i) {
    return "id-" + std::to_string(1'000'000 + i);
}
const std::string hash = std::string(64, 'a');

double seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs the phases in turn, `rounds` times, each on a fresh state from its setup, and keeps each phase's
// best time; taking turns spreads cache and allocator effects evenly over ours and the baseline.
template <class State>
std::vector<double> bestOf(int rounds, const std::function<std::unique_ptr<State>()>& setup,
                           const std::vector<std::function<void(State&)>>& phases) {
    std::vector<double> fastest(phases.size(), 1e300);
    for (int r = 0; r < rounds; ++r) {
        for (size_t p = 0; p < phases.size(); ++p) {
            auto state = setup();
            fastest[p] = std::min(fastest[p], seconds([&] { phases[p](*state); }));
        }
    }
    return fastest;
}

struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "keldra-index-bench-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
};

// Raw SQLite with the index's own open flags and schema.
struct Raw {
    TempFolder folder;
    sqlite3* db = nullptr;
    Raw() {
        sqlite3_open_v2((folder.path / "index.sqlite").c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
        sqlite3_exec(db, indexSchemaScript, nullptr, nullptr, nullptr);
    }
    ~Raw() { sqlite3_close_v2(db); }
};

struct Ours {
    TempFolder folder;
    NullLogger logger;
    BackupIndex index{folder.path, logger};
};

void bindText(sqlite3_stmt* s, int i, const std::string& v) {
    sqlite3_bind_text64(s, i, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void rawUpsert(sqlite3_stmt* s, int i) {
    bindText(s, 1, pathOf(i));
    bindText(s, 2, "src");
    sqlite3_bind_int64(s, 3, i);
    sqlite3_bind_double(s, 4, 1.7e9 + i);
    bindText(s, 5, hash);
    bindText(s, 6, idOf(i));
    sqlite3_bind_double(s, 7, 1.7e9);
    sqlite3_bind_null(s, 8);
    sqlite3_step(s);
}

void rawVersion(sqlite3_stmt* s, int i) {
    bindText(s, 1, idOf(i));
    bindText(s, 2, pathOf(i));
    sqlite3_bind_int64(s, 3, i);
    sqlite3_bind_double(s, 4, 1.7e9);
    sqlite3_bind_null(s, 5);
    sqlite3_bind_int64(s, 6, 1);
    sqlite3_step(s);
}

template <class Fill> void rawOnce(sqlite3* db, const std::string& sql, Fill fill) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    fill(s);
    sqlite3_finalize(s);
}

IndexedFile rawRow(sqlite3_stmt* s) {
    auto text = [&](int c) {
        auto* p = sqlite3_column_text(s, c);
        return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(s, c)) : std::string();
    };
    auto optText = [&](int c) {
        return sqlite3_column_type(s, c) == SQLITE_NULL ? std::nullopt : std::optional<std::string>(text(c));
    };
    auto optReal = [&](int c) {
        return sqlite3_column_type(s, c) == SQLITE_NULL ? std::nullopt
                                                        : std::optional<double>(sqlite3_column_double(s, c));
    };
    return IndexedFile{text(0),
                       text(1),
                       sqlite3_column_int64(s, 2),
                       sqlite3_column_double(s, 3),
                       optText(4),
                       optText(5),
                       optReal(6),
                       optReal(7)};
}

void fillRaw(Raw& raw) {
    for (int i = 0; i < rowCount; ++i) {
        rawOnce(raw.db, upsertSQL, [&](sqlite3_stmt* s) { rawUpsert(s, i); });
    }
}

void fillOurs(Ours& ours) {
    for (int i = 0; i < rowCount; ++i) {
        ours.index.upsertFile({pathOf(i), "src", i, 1.7e9 + i, hash, idOf(i), 1.7e9, std::nullopt});
    }
}

void report(const char* what, double ours, double raw, double rawReused) {
    std::printf("%-34s ours %9.0f/s   raw %9.0f/s   ratio %.2fx   (raw, statement reused %9.0f/s)\n", what,
                rowCount / ours, rowCount / raw, ours / raw, rowCount / rawReused);
}

} // namespace

int main() {
    // Keep freed memory in the process: otherwise whichever phase follows a large free pays the page
    // faults of a fresh mapping, and the figures measure the phase order instead of the layer.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::printf(
        "BackupIndex vs raw SQLite, %d rows, WAL + synchronous NORMAL (best of %d rounds for writes, %d "
        "for reads)\n",
        rowCount, writeRounds, readRounds);

    // Writes: upsertFile + addVersion per file, as a first run records each upload. Each phase writes into
    // a fresh database.
    struct Fresh {
        Raw raw;
        Ours ours;
    };
    auto writes = bestOf<Fresh>(
        writeRounds, [] { return std::make_unique<Fresh>(); },
        {
            [](Fresh& fresh) {
                for (int i = 0; i < rowCount; ++i) {
                    fresh.ours.index.upsertFile(
                        {pathOf(i), "src", i, 1.7e9 + i, hash, idOf(i), 1.7e9, std::nullopt});
                    fresh.ours.index.addVersion({idOf(i), pathOf(i), i, 1.7e9, std::nullopt, 1});
                }
            },
            [](Fresh& fresh) {
                for (int i = 0; i < rowCount; ++i) {
                    rawOnce(fresh.raw.db, upsertSQL, [&](sqlite3_stmt* s) { rawUpsert(s, i); });
                    rawOnce(fresh.raw.db, versionSQL, [&](sqlite3_stmt* s) { rawVersion(s, i); });
                }
            },
            [](Fresh& fresh) {
                sqlite3_stmt* upsert = nullptr;
                sqlite3_stmt* version = nullptr;
                sqlite3_prepare_v2(fresh.raw.db, upsertSQL, -1, &upsert, nullptr);
                sqlite3_prepare_v2(fresh.raw.db, versionSQL, -1, &version, nullptr);
                for (int i = 0; i < rowCount; ++i) {
                    rawUpsert(upsert, i);
                    sqlite3_reset(upsert);
                    rawVersion(version, i);
                    sqlite3_reset(version);
                }
                sqlite3_finalize(upsert);
                sqlite3_finalize(version);
            },
        });
    report("upsertFile + addVersion", writes[0], writes[1], writes[2]);

    // Reads run against one filled database of each kind.
    Raw rawFilled;
    fillRaw(rawFilled);
    Ours oursFilled;
    fillOurs(oursFilled);
    size_t sink = 0;
    auto none = [] {
        return std::make_unique<int>(0);
    };
    const std::string bySource = std::string(filesSQL) + " WHERE source_id = ?";
    const std::string byPath = std::string(filesSQL) + " WHERE path = ?";

    auto reads = bestOf<int>(readRounds, none,
                             {
                                 [&](int&) { sink += oursFilled.index.files("src").size(); },
                                 [&](int&) {
                                     std::vector<IndexedFile> rows;
                                     rawOnce(rawFilled.db, bySource, [&](sqlite3_stmt* s) {
                                         bindText(s, 1, "src");
                                         while (sqlite3_step(s) == SQLITE_ROW) {
                                             rows.push_back(rawRow(s));
                                         }
                                     });
                                     sink += rows.size();
                                 },
                             });
    report("files(forSource:) of all rows", reads[0], reads[1], reads[1]);

    auto lookups = bestOf<int>(readRounds, none,
                               {
                                   [&](int&) {
                                       for (int i = 0; i < rowCount; ++i) {
                                           if (auto row = oursFilled.index.file(pathOf(i))) {
                                               sink += row->path.size();
                                           }
                                       }
                                   },
                                   [&](int&) {
                                       for (int i = 0; i < rowCount; ++i) {
                                           rawOnce(rawFilled.db, byPath, [&](sqlite3_stmt* s) {
                                               bindText(s, 1, pathOf(i));
                                               if (sqlite3_step(s) == SQLITE_ROW) {
                                                   sink += rawRow(s).path.size();
                                               }
                                           });
                                       }
                                   },
                                   [&](int&) {
                                       sqlite3_stmt* s = nullptr;
                                       sqlite3_prepare_v2(rawFilled.db, byPath.c_str(), -1, &s, nullptr);
                                       for (int i = 0; i < rowCount; ++i) {
                                           bindText(s, 1, pathOf(i));
                                           if (sqlite3_step(s) == SQLITE_ROW) {
                                               sink += rawRow(s).path.size();
                                           }
                                           sqlite3_reset(s);
                                       }
                                       sqlite3_finalize(s);
                                   },
                               });
    report("file(path) point lookups", lookups[0], lookups[1], lookups[2]);
    std::printf("(checksum %zu)\n", sink);
    return 0;
}
