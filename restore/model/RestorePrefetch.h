#pragma once

#include "core/Bytes.h"
#include "restore/engine/StagedFile.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace keldra {

// What is made ready for one item before it is placed.
struct PreparedItem {
    std::optional<Bytes> plaintext;   // a Keldra item: its opened content
    std::optional<StagedFile> staged; // a drive item: decrypted into a temp file beside its target
    std::exception_ptr error;         // the item failed
    bool cancelled = false;           // the run was stopped while this item was prepared
};

// Prepares a run's items in order on a thread of its own, one item ahead of the caller: while the caller
// places item N, item N+1 is downloaded and opened (or read from the drive). It starts on an item only once
// the caller has taken the one before, so at most two files are held at once. A prepared item that says
// `cancelled` is the last one made.
class RestorePrefetch {
public:
    using Prepare = std::function<PreparedItem(std::size_t index)>;

    // Starts preparing items 0 .. count - 1 with `prepare`, which must not throw.
    RestorePrefetch(Prepare prepare, std::size_t count);
    // Waits for the item in work, if any: stop the run first to end a download at once.
    ~RestorePrefetch();
    RestorePrefetch(const RestorePrefetch&) = delete;
    RestorePrefetch& operator=(const RestorePrefetch&) = delete;

    // Whether item `index` (the next one the caller takes) is ready within `patience`.
    bool waitReady(std::size_t index, std::chrono::milliseconds patience) const;
    // Item `index`, waiting for it if needed. Items are taken in order, each once.
    PreparedItem take(std::size_t index);

private:
    void run();

    Prepare prepare_;
    std::size_t count_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::optional<PreparedItem> slot_;
    std::size_t slotIndex_ = 0;
    bool closing_ = false;
    std::thread thread_; // last: starts once everything above is set
};

} // namespace keldra
