#include "drive/run/SourceReadAhead.h"

#include "core/SaturatingMath.h"
#include "core/fs/RegularFile.h"
#include "drive/format/LocalFormat.h"
#include "drive/format/SourceChunkReader.h"

#include <algorithm>
#include <fcntl.h>

namespace keldra {

void SourceReadAhead::adviseWillNeed(const Candidate& candidate, std::int64_t bytes) {
    int error = 0;
    const UniqueFd file = openRegularFile(candidate.url, error);
    // A file of several chunks read straight from the disk would only be read twice.
    if (file && !(candidate.size > LocalFormat::chunkSize && LocalFormat::directReadsFit(file.get()))) {
        // Starts the reads and returns; the copy's own reads then find the pages or wait for them.
        (void)::posix_fadvise(file.get(), 0, bytes, POSIX_FADV_WILLNEED);
    }
}

SourceReadAhead::SourceReadAhead(const std::vector<Candidate>& candidates, Window window, Hint hint)
    : candidates_(candidates), window_(window), hint_(std::move(hint)) {
    before_.reserve(candidates.size() + 1);
    before_.push_back(0);
    for (const Candidate& candidate : candidates) {
        before_.push_back(saturatingAdd(before_.back(), std::max<std::int64_t>(candidate.size, 0)));
    }
    thread_ = std::jthread([this](const std::stop_token& stop) { work(stop); });
}

SourceReadAhead::~SourceReadAhead() {
    thread_.request_stop();
    changed_.notify_all();
    // The jthread joins here, before the members it uses go.
}

void SourceReadAhead::reached(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        reached_ = std::max(reached_, index);
    }
    changed_.notify_all();
}

bool SourceReadAhead::mayHint(std::size_t index) const {
    // The file being copied is always within the window, however large.
    return index <= reached_ ||
           (index - reached_ < window_.files && before_[index + 1] - before_[reached_] <= window_.bytes);
}

void SourceReadAhead::work(const std::stop_token& stop) {
    for (std::size_t index = 0; index < candidates_.size() && !stop.stop_requested(); ++index) {
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait(lock, stop, [&] { return mayHint(index); })) {
                return;
            }
            if (index < reached_) {
                continue; // the copy got there first
            }
        }
        const std::int64_t bytes = std::clamp<std::int64_t>(candidates_[index].size, 0, window_.bytes);
        if (bytes > 0) {
            hint_(candidates_[index], bytes);
        }
    }
}

} // namespace keldra
