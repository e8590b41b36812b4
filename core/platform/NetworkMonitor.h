#pragma once

#include <functional>
#include <memory>

namespace keldra {

// Reachability for the scheduler and the status: online while a non-loopback link is up with a default route.
// Path updates arrive on the monitor's own thread; the callbacks run wherever the injected dispatcher puts
// them (the app model hands in a hop to the UI thread). Create, set both callbacks and read isOnline on that
// thread.
class NetworkMonitor {
public:
    using Dispatcher = std::function<void(std::function<void()>)>;

    explicit NetworkMonitor(Dispatcher dispatch);
    virtual ~NetworkMonitor();
    NetworkMonitor(const NetworkMonitor&) = delete;
    NetworkMonitor& operator=(const NetworkMonitor&) = delete;

    // True at creation, until an update says otherwise.
    bool isOnline() const;
    // Called with the new state, only when it changes.
    void setOnChange(std::function<void(bool online)> onChange);
    // Called on every update, changed or not, before onChange.
    void setOnPathChange(std::function<void()> onPathChange);

    // One path update, from any thread. Dispatches the callbacks; nothing runs once the monitor is gone.
    void pathUpdated(bool online);

    // Implementations stop the thread that calls pathUpdated in their own destructor.

private:
    struct State;
    Dispatcher dispatch_;
    std::shared_ptr<State> state_;
};

} // namespace keldra
