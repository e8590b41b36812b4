#pragma once

#include "app/async/Timers.h"
#include "tests/support/VirtualClock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace keldra::test {

// Timers on a VirtualClock: nothing fires until the test moves time with advance(), which fires every
// timer that falls due, in time order, on the test's thread, with the clock set to each one's due time.
class VirtualTimers final : public Timers {
public:
    explicit VirtualTimers(VirtualClock& clock) : clock_(clock) {}

    std::unique_ptr<TimerHandle> singleShot(Seconds delay, std::function<void()> fire) override;
    std::unique_ptr<TimerHandle> repeating(Seconds interval, std::function<void()> fire) override;

    // Moves the clock forward by `by`, firing what falls due on the way (timers started by a callback
    // included).
    void advance(Seconds by);
    // How many timers are running.
    std::size_t active() const;
    // When the next one fires, if any.
    std::optional<SystemTime> nextDue() const;

private:
    struct Entry {
        SystemTime due;
        std::optional<Seconds> interval;
        std::function<void()> fire;
        std::uint64_t order = 0;
        bool active = true;
    };
    class Handle;

    std::unique_ptr<TimerHandle> start(Seconds delay, std::optional<Seconds> interval,
                                       std::function<void()> fire);
    std::shared_ptr<Entry> nextEntry(SystemTime until);

    VirtualClock& clock_;
    std::vector<std::shared_ptr<Entry>> entries_;
    std::uint64_t nextOrder_ = 0;
};

} // namespace keldra::test
