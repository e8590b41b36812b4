#pragma once

#include "restore/engine/ConflictPolicy.h"
#include "restore/engine/StagedFile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <vector>

namespace keldra {

// Restored files written beside their targets and waiting to be flushed and moved into place together.
// Flushing one file at a time leaves the disk idle between files; a group lets the disk write several
// while the restore goes on, and flushes each folder once per group. Each file's result stays its own:
// a file counts as placed only once its content and its folder are on disk, and a failure belongs to
// exactly the file it happened to.
class PlacementGroup {
public:
    // A group is due for flushing at this many files, bytes or this age, whichever comes first. The bytes
    // wait in the page cache, not in the process; a larger group measured faster with large files, since
    // each flush leaves the disk a moment without work.
    static constexpr std::size_t maxFiles = 64;
    static constexpr std::int64_t maxBytes = 256LL * 1024 * 1024;
    static constexpr std::chrono::milliseconds maxAge{1000};

    // What became of one file: where it is now, or why it is not there.
    struct Outcome {
        std::size_t key = 0;
        std::optional<std::filesystem::path> placed;
        std::exception_ptr error;
    };

    explicit PlacementGroup(ConflictPolicy policy) : policy_(policy) {}

    // Adds a staged file under the caller's `key`, with its size in bytes.
    void add(std::size_t key, StagedFile file, std::int64_t bytes);

    bool empty() const { return entries_.empty(); }
    bool due() const;

    // How long each step of a flush took.
    struct FlushTimes {
        std::chrono::nanoseconds files{0};
        std::chrono::nanoseconds moves{0};
        std::chrono::nanoseconds folders{0};
    };

    // Flushes every file (several at once, so the file system joins their waits), moves each into place in
    // the order added and flushes their folders. Returns one outcome per file, in that order; the group is
    // empty afterwards. With `times`, adds each step's time.
    std::vector<Outcome> flush(FlushTimes* times = nullptr);

    // Drops every file not yet placed (their temporary files are removed).
    void discard() { entries_.clear(); }

private:
    struct Entry {
        std::size_t key;
        StagedFile file;
    };

    ConflictPolicy policy_;
    std::vector<Entry> entries_;
    std::int64_t bytes_ = 0;
    std::chrono::steady_clock::time_point started_{};
};

} // namespace keldra
