#pragma once

#include <string>

namespace keldra {

// Local desktop notifications. A later notification with the same identifier replaces the earlier one.
class Notifier {
public:
    virtual ~Notifier() = default;
    // Silent, shown at once; dropped quietly when the desktop does not show notifications.
    virtual void postNotification(const std::string& identifier, const std::string& title,
                                  const std::string& body) = 0;
};

} // namespace keldra
