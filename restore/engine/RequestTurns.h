#pragma once

#include "core/seams/CancelToken.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace keldra {

// Items prepared side by side still send their requests in list order: item N asks for its link and
// starts its download only once item N-1's download has been answered (its body began, or it ended).
// The bodies then arrive together, while the portal and the storage see the requests of a run in the
// order the user sees the items, as when they were fetched one by one.
class RequestTurns {
public:
    // Waits until it is item `index`'s turn; false if `cancel` stopped the run first.
    bool wait(std::size_t index, const CancelToken& cancel);
    // Hands the turn on to the item after `index`; again or late, it does nothing.
    void pass(std::size_t index);

private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::size_t next_ = 0;
};

} // namespace keldra
