#pragma once

#include "core/scan/Candidate.h"
#include "core/seams/CancelToken.h"
#include "engine/PreparedFile.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace keldra {

// Reads, checksums and seals the files after the one being uploaded, on a thread of its own and in the run's
// order, so that the portal and the storage do not wait for the disk and the cipher. It only prepares: every
// portal request, every index write and every event stays with the run's thread and its order of steps.
//
// Memory: the bodies held (prepared and waiting, plus the one being uploaded) and the file being prepared
// (plain and sealed, twice its size) stay within twice the largest candidate plus 32 MiB, so that the run
// needs at most 32 MiB more than it would without read-ahead, which already holds twice the file it sends. A
// file is always prepared when nothing else is held.
class ReadAhead {
public:
    // Prepares one file; no value when it could not be prepared ahead (the run then does it at its turn).
    // Must not throw.
    using Prepare = std::function<std::optional<PreparedFile>(const Candidate&)>;

    static constexpr std::size_t maxFilesAhead = 32;
    static constexpr std::int64_t headroom = 32LL * 1024 * 1024;

    ReadAhead(const std::vector<Candidate>& candidates, Prepare prepare, const CancelToken& cancel);
    // Stops the thread and waits for the file it is on.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The prepared file at `index`, taken at its turn; indices are taken in increasing order. Waits while
    // the file is being prepared; a file not started yet is left to the caller and never prepared.
    std::optional<PreparedFile> take(std::size_t index);

private:
    enum class State { waiting, preparing, ready, declined, taken };
    struct Slot {
        State state = State::waiting;
        std::optional<PreparedFile> file;
    };

    void work(const std::stop_token& stop);
    bool mayStart(std::size_t index) const;
    std::int64_t heldBytes() const;

    const std::vector<Candidate>& candidates_;
    Prepare prepare_;
    CancelToken cancel_;
    std::int64_t budget_ = headroom;

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<Slot> slots_;
    std::size_t next_ = 0;            // the next file the thread looks at
    std::size_t readyCount_ = 0;      // prepared files not taken yet
    std::int64_t readyBytes_ = 0;     // their bodies
    std::int64_t uploadingBytes_ = 0; // what the run holds for the file it is on
    std::jthread thread_;             // last: started when everything above is set
};

} // namespace keldra
