#pragma once

#include "core/fs/UniqueFd.h"

#include <filesystem>
#include <mutex>
#include <set>
#include <string_view>

namespace keldra {

// A restore's temp file beside its target (".keldra-restore-<UUID>.tmp"), open for writing. The restore
// that made it holds a lock on it for as long as the descriptor is open: that lock tells a live restore's
// file from one a killed restore left behind.
struct RestoreTempFile {
    std::filesystem::path path;
    UniqueFd fd;
};

// A fresh temp file name beside `target`.
std::filesystem::path restoreTempPathFor(const std::filesystem::path& target);

// Creates a fresh temp file beside `target` and locks it. Throws std::filesystem::filesystem_error
// ("Couldn't create the restored file").
RestoreTempFile createRestoreTempFile(const std::filesystem::path& target);

// Whether a file name is one a restore gives its temp files.
bool isRestoreTempName(std::string_view name);

// Removes from `folder` (not below it) the temp files of restores that no longer run: regular files named
// as restores name them whose lock nobody holds. Anything else, and any failure, is left alone.
void removeStaleRestoreTempFiles(const std::filesystem::path& folder) noexcept;

// The folders one restore run has cleared of stale temp files, so each is looked through once per run.
// Safe to use from several threads.
class StaleTempSweep {
public:
    void clear(const std::filesystem::path& folder);

private:
    std::mutex mutex_;
    std::set<std::filesystem::path> done_;
};

} // namespace keldra
