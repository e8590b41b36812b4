#pragma once

#include "core/scan/Candidate.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace keldra {

// Asks the kernel to read the files a drive run copies next while the run seals and writes the current one,
// so reading a cold source overlaps writing to the drive. Only a hint, on a thread of its own: the copy
// still opens, reads, checks and seals every byte itself, so what reaches the drive and every failure stay
// as they are; a file this cannot open is simply not hinted. What it asks for stays within a window of files
// and bytes from the file being copied, so the page cache holds what the run needs next and no more.
class SourceReadAhead {
public:
    struct Window {
        std::size_t files = 64;
        std::int64_t bytes = 64LL * 1024 * 1024;
    };

    // Asks for the first `bytes` of one file; must not throw. Tests watch or hold it.
    using Hint = std::function<void(const Candidate& candidate, std::int64_t bytes)>;
    // The kernel's read-ahead (POSIX_FADV_WILLNEED) of a file opened as the copy opens it.
    static void adviseWillNeed(const Candidate& candidate, std::int64_t bytes);

    SourceReadAhead(const std::vector<Candidate>& candidates, Window window, Hint hint = adviseWillNeed);
    // Stops the thread and waits for the hint it is giving.
    ~SourceReadAhead();
    SourceReadAhead(const SourceReadAhead&) = delete;
    SourceReadAhead& operator=(const SourceReadAhead&) = delete;

    // The run has started copying candidate `index`; indices only grow.
    void reached(std::size_t index);

private:
    void work(const std::stop_token& stop);
    bool mayHint(std::size_t index) const;

    const std::vector<Candidate>& candidates_;
    const Window window_;
    Hint hint_;
    std::vector<std::int64_t> before_; // bytes of the candidates before each index

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::size_t reached_ = 0;
    std::jthread thread_; // last: started when everything above is set
};

} // namespace keldra
