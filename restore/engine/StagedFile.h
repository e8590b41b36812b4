#pragma once

#include "core/fs/UniqueFd.h"
#include "restore/engine/ConflictPolicy.h"

#include <filesystem>

namespace keldra {

// A restored file written under its temporary name beside its target, not yet in place. It owns that
// temporary file until it is placed: dropped before, it removes the file, so a stopped or failed restore
// leaves nothing behind. It keeps the file open, and so its lock held (RestoreTempFile), until then, so
// another restore never takes it for one a killed restore left.
class StagedFile {
public:
    // `open` is the temp file's descriptor, its content possibly still only in memory; without one the
    // content is already on disk.
    StagedFile(std::filesystem::path temp, std::filesystem::path target, UniqueFd open = {});
    ~StagedFile();
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    const std::filesystem::path& target() const { return target_; }
    // The temp file's descriptor, to write it; -1 without one.
    int descriptor() const { return open_.get(); }

    // Waits until the content is on disk. On failure the temp file is removed and the error thrown.
    void flush();

    // Flushes, then moves the file to its target as RestoreEngine::moveIntoPlace does, but leaves the
    // folder's own flush to the caller (syncDirectory), so a group of files in one folder pays it once.
    // Returns where the file now is.
    std::filesystem::path place(ConflictPolicy policy);

private:
    void discard() noexcept;

    std::filesystem::path temp_;
    std::filesystem::path target_;
    UniqueFd open_;
    bool flushed_ = false;
};

} // namespace keldra
