#include "core/platform/NetworkMonitor.h"

namespace keldra {

// Lives as long as a dispatched update may still refer to it; `alive` ends with the monitor, so an update
// that arrives late calls nothing.
struct NetworkMonitor::State {
    bool alive = true;
    bool isOnline = true;
    std::function<void(bool)> onChange;
    std::function<void()> onPathChange;
};

NetworkMonitor::NetworkMonitor(Dispatcher dispatch)
    : dispatch_(std::move(dispatch)), state_(std::make_shared<State>()) {}

NetworkMonitor::~NetworkMonitor() {
    state_->alive = false;
}

bool NetworkMonitor::isOnline() const {
    return state_->isOnline;
}

void NetworkMonitor::setOnChange(std::function<void(bool online)> onChange) {
    state_->onChange = std::move(onChange);
}

void NetworkMonitor::setOnPathChange(std::function<void()> onPathChange) {
    state_->onPathChange = std::move(onPathChange);
}

void NetworkMonitor::pathUpdated(bool online) {
    std::weak_ptr<State> weak = state_;
    dispatch_([weak, online] {
        const auto state = weak.lock();
        if (!state || !state->alive) {
            return;
        }
        if (state->onPathChange) {
            auto onPathChange = state->onPathChange;
            onPathChange();
        }
        // The path callback may have released the monitor.
        if (!state->alive || online == state->isOnline) {
            return;
        }
        state->isOnline = online;
        if (state->onChange) {
            auto onChange = state->onChange;
            onChange(online);
        }
    });
}

} // namespace keldra
