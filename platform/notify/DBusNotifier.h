#pragma once

#include "core/platform/Notifier.h"

#include <QDBusConnection>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace keldra {

// Notifications through the desktop's org.freedesktop.Notifications service. The service numbers each
// notification; the number last given for an identifier is sent as replaces_id, so a later notification with
// the same identifier replaces the earlier one instead of piling up.
class DBusNotifier final : public Notifier {
public:
    explicit DBusNotifier(QDBusConnection connection = QDBusConnection::sessionBus());
    void postNotification(const std::string& identifier, const std::string& title,
                          const std::string& body) override;

private:
    QDBusConnection connection_;
    std::mutex lock_;
    std::map<std::string, uint32_t> shownIds_;
};

} // namespace keldra
