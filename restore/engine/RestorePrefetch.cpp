#include "restore/engine/RestorePrefetch.h"

#include <algorithm>
#include <utility>

namespace keldra {

RestorePrefetch::RestorePrefetch(Prepare prepare, std::size_t count, std::size_t workers, std::size_t ahead)
    : prepare_(std::move(prepare)), count_(count), ahead_(std::max<std::size_t>(ahead, 1)) {
    const std::size_t threads = std::min(std::max<std::size_t>(workers, 1), std::max<std::size_t>(count, 1));
    threads_.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

RestorePrefetch::~RestorePrefetch() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void RestorePrefetch::work() {
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock,
                          [&] { return closing_ || stopped_ || next_ >= count_ || next_ < taken_ + ahead_; });
            if (closing_ || stopped_ || next_ >= count_) {
                return;
            }
            index = next_++;
        }
        PreparedItem item = prepare_(index);
        {
            const std::lock_guard lock(mutex_);
            stopped_ = stopped_ || item.cancelled;
            ready_.emplace(index, std::move(item));
        }
        changed_.notify_all();
    }
}

bool RestorePrefetch::waitReady(std::size_t index, std::chrono::milliseconds patience) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] { return ready_.contains(index); });
}

PreparedItem RestorePrefetch::take(std::size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ready_.contains(index); });
    auto found = ready_.find(index);
    PreparedItem item = std::move(found->second);
    ready_.erase(found);
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return item;
}

} // namespace keldra
