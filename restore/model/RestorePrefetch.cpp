#include "restore/model/RestorePrefetch.h"

#include <utility>

namespace keldra {

RestorePrefetch::RestorePrefetch(Prepare prepare, std::size_t count)
    : prepare_(std::move(prepare)), count_(count), thread_([this] { run(); }) {}

RestorePrefetch::~RestorePrefetch() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RestorePrefetch::run() {
    for (std::size_t index = 0; index < count_; ++index) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !slot_; });
            if (closing_) {
                return;
            }
        }
        PreparedItem item = prepare_(index);
        const bool last = item.cancelled;
        {
            const std::lock_guard lock(mutex_);
            slot_ = std::move(item);
            slotIndex_ = index;
        }
        changed_.notify_all();
        if (last) {
            return;
        }
    }
}

bool RestorePrefetch::waitReady(std::size_t index, std::chrono::milliseconds patience) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] { return slot_ && slotIndex_ == index; });
}

PreparedItem RestorePrefetch::take(std::size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return slot_ && slotIndex_ == index; });
    PreparedItem item = std::move(*slot_);
    slot_.reset();
    lock.unlock();
    changed_.notify_all();
    return item;
}

} // namespace keldra
