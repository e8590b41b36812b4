#include "engine/ReadAhead.h"

#include "core/SaturatingMath.h"

#include <algorithm>

namespace keldra {

ReadAhead::ReadAhead(const std::vector<Candidate>& candidates, Prepare prepare, const CancelToken& cancel)
    : candidates_(candidates), prepare_(std::move(prepare)), cancel_(cancel), slots_(candidates.size()) {
    std::int64_t largest = 0;
    for (const Candidate& candidate : candidates) {
        largest = std::max(largest, candidate.size);
    }
    budget_ = saturatingAdd(saturatingMul(largest, 2), headroom);
    thread_ = std::jthread([this](const std::stop_token& stop) { work(stop); });
}

ReadAhead::~ReadAhead() {
    thread_.request_stop();
    changed_.notify_all();
    // The jthread joins here, before the members it uses go.
}

std::optional<PreparedFile> ReadAhead::take(std::size_t index) {
    std::optional<PreparedFile> file;
    {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_.at(index);
        changed_.wait(lock, [&slot] { return slot.state != State::preparing; });
        if (slot.state == State::ready) {
            file = std::move(slot.file);
            slot.file.reset();
            --readyCount_;
            readyBytes_ -= static_cast<std::int64_t>(file->body.size());
            uploadingBytes_ = static_cast<std::int64_t>(file->body.size());
        } else {
            // The run reads and seals this one itself: plain and sealed body at once.
            uploadingBytes_ = saturatingMul(candidates_[index].size, 2);
        }
        slot.state = State::taken;
    }
    changed_.notify_all();
    return file;
}

void ReadAhead::work(const std::stop_token& stop) {
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            while (next_ < slots_.size() && slots_[next_].state != State::waiting) {
                ++next_; // taken by the run before its turn came here
            }
            if (next_ >= slots_.size()) {
                return;
            }
            const std::size_t candidate = next_;
            changed_.wait(lock, stop,
                          [&] { return slots_[candidate].state != State::waiting || mayStart(candidate); });
            if (stop.stop_requested() || cancel_.stop_requested()) {
                return;
            }
            if (slots_[candidate].state != State::waiting) {
                continue;
            }
            index = next_++;
            slots_[index].state = State::preparing;
        }
        std::optional<PreparedFile> file;
        try {
            file = prepare_(candidates_[index]);
        } catch (...) {
            // The run meets the same fault at the file's turn and reports it there.
        }
        {
            std::lock_guard lock(mutex_);
            Slot& slot = slots_[index];
            if (file) {
                ++readyCount_;
                readyBytes_ += static_cast<std::int64_t>(file->body.size());
                slot.file = std::move(file);
                slot.state = State::ready;
            } else {
                slot.state = State::declined;
            }
        }
        changed_.notify_all();
    }
}

bool ReadAhead::mayStart(std::size_t index) const {
    if (readyCount_ >= maxFilesAhead) {
        return false;
    }
    const std::int64_t held = heldBytes();
    if (held == 0) {
        return true;
    }
    const std::int64_t need = saturatingMul(candidates_[index].size, 2);
    return saturatingAdd(held, need) <= budget_;
}

std::int64_t ReadAhead::heldBytes() const {
    return saturatingAdd(readyBytes_, uploadingBytes_);
}

} // namespace keldra
