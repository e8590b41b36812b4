#pragma once

namespace keldra {

// How this process was started.
class LaunchContext {
public:
    virtual ~LaunchContext() = default;
    // True when the desktop started it at login (the autostart entry), not the user.
    virtual bool launchedAsLoginItem() const = 0;
};

} // namespace keldra
