#include "core/seams/Sleeper.h"

#include <condition_variable>
#include <mutex>

namespace keldra {

bool ThreadSleeper::sleep(Seconds duration, const CancelToken& token) {
    if (token.stop_requested()) {
        return false;
    }
    if (duration <= Seconds::zero()) {
        return true;
    }
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    // Wakes as soon as the token is cancelled; otherwise waits the whole duration.
    wake.wait_for(lock, token, std::chrono::duration_cast<std::chrono::nanoseconds>(duration),
                  [] { return false; });
    return !token.stop_requested();
}

} // namespace keldra
