#include "tests/support/VirtualTimers.h"

#include <algorithm>

namespace keldra::test {

class VirtualTimers::Handle final : public TimerHandle {
public:
    explicit Handle(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    ~Handle() override { entry_->active = false; }

private:
    std::shared_ptr<Entry> entry_;
};

std::unique_ptr<TimerHandle> VirtualTimers::singleShot(Seconds delay, std::function<void()> fire) {
    return start(delay, std::nullopt, std::move(fire));
}

std::unique_ptr<TimerHandle> VirtualTimers::repeating(Seconds interval, std::function<void()> fire) {
    return start(interval, interval, std::move(fire));
}

std::unique_ptr<TimerHandle> VirtualTimers::start(Seconds delay, std::optional<Seconds> interval,
                                                  std::function<void()> fire) {
    auto entry = std::make_shared<Entry>();
    entry->due = clock_.now() + std::chrono::duration_cast<SystemTime::duration>(delay);
    entry->interval = interval;
    entry->fire = std::move(fire);
    entry->order = nextOrder_++;
    entries_.push_back(entry);
    return std::make_unique<Handle>(entry);
}

std::shared_ptr<VirtualTimers::Entry> VirtualTimers::nextEntry(SystemTime until) {
    std::erase_if(entries_, [](const auto& e) { return !e->active; });
    std::shared_ptr<Entry> best;
    for (const auto& e : entries_) {
        if (e->due <= until &&
            (!best || e->due < best->due || (e->due == best->due && e->order < best->order))) {
            best = e;
        }
    }
    return best;
}

void VirtualTimers::advance(Seconds by) {
    const SystemTime target = clock_.now() + std::chrono::duration_cast<SystemTime::duration>(by);
    while (auto entry = nextEntry(target)) {
        if (entry->due > clock_.now()) {
            clock_.set(entry->due);
        }
        if (entry->interval) {
            // A zero interval would fire forever within one advance.
            entry->due +=
                std::chrono::duration_cast<SystemTime::duration>(std::max(*entry->interval, Seconds(0.001)));
            entry->order = nextOrder_++;
        } else {
            entry->active = false;
        }
        auto fire = entry->fire; // the callback may stop its own timer
        fire();
    }
    if (target > clock_.now()) {
        clock_.set(target);
    }
}

std::size_t VirtualTimers::active() const {
    return static_cast<std::size_t>(
        std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->active; }));
}

std::optional<SystemTime> VirtualTimers::nextDue() const {
    std::optional<SystemTime> due;
    for (const auto& e : entries_) {
        if (e->active && (!due || e->due < *due)) {
            due = e->due;
        }
    }
    return due;
}

} // namespace keldra::test
