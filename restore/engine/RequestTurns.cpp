#include "restore/engine/RequestTurns.h"

namespace keldra {

bool RequestTurns::wait(std::size_t index, const CancelToken& cancel) {
    std::unique_lock lock(mutex_);
    return changed_.wait(lock, cancel, [&] { return next_ >= index; });
}

void RequestTurns::pass(std::size_t index) {
    {
        const std::lock_guard lock(mutex_);
        if (next_ > index) {
            return;
        }
        next_ = index + 1;
    }
    changed_.notify_all();
}

} // namespace keldra
