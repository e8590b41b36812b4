#pragma once

#include "restore/engine/StagedFile.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace keldra {

// What is made ready for one item before it is placed.
struct PreparedItem {
    std::optional<StagedFile> staged; // written to a temp file beside its target
    std::exception_ptr error;         // the item failed
    bool cancelled = false;           // the run was stopped while this item was prepared
};

// Prepares a run's items ahead of the caller on threads of its own: while the caller places item N, the
// next items are downloaded and written to temp files (or read from the drive), several at once, so one
// slow download or one busy disk does not leave the others idle. Items are started in order and never
// more than `ahead` past the last one the caller took, so what waits ahead (temp files, open files) stays
// bounded; an item in work holds only its transfer's buffers in memory. Once an item says `cancelled`, no
// further item is started: it is the last one the caller may take.
class RestorePrefetch {
public:
    using Prepare = std::function<PreparedItem(std::size_t index)>;

    // Items prepared at once, and the most started but not yet taken, by default. Each thread waits for its
    // own writes, so several keep the disk's queue full; four measured clearly faster than three.
    static constexpr std::size_t defaultWorkers = 4;
    static constexpr std::size_t defaultAhead = 8;

    // Starts preparing items 0 .. count - 1 with `prepare`, which must not throw and may run on several
    // threads at once.
    RestorePrefetch(Prepare prepare, std::size_t count, std::size_t workers = defaultWorkers,
                    std::size_t ahead = defaultAhead);
    // Waits for the items in work, if any: stop the run first to end their downloads at once.
    ~RestorePrefetch();
    RestorePrefetch(const RestorePrefetch&) = delete;
    RestorePrefetch& operator=(const RestorePrefetch&) = delete;

    // Whether item `index` (the next one the caller takes) is ready within `patience`.
    bool waitReady(std::size_t index, std::chrono::milliseconds patience) const;
    // Item `index`, waiting for it if needed. Items are taken in order, each once.
    PreparedItem take(std::size_t index);

private:
    void work();

    Prepare prepare_;
    std::size_t count_;
    std::size_t ahead_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::size_t, PreparedItem> ready_;
    std::size_t next_ = 0;  // the next item to start
    std::size_t taken_ = 0; // items the caller has taken
    bool stopped_ = false;  // an item came back cancelled
    bool closing_ = false;
    std::vector<std::thread> threads_; // last: they start once everything above is set
};

} // namespace keldra
