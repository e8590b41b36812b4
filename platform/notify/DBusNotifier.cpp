#include "platform/notify/DBusNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace keldra {

namespace {
// A desktop without a notification service must not hold the caller up for long.
constexpr int callTimeoutMs = 3000;
} // namespace

DBusNotifier::DBusNotifier(QDBusConnection connection) : connection_(std::move(connection)) {}

void DBusNotifier::postNotification(const std::string& identifier, const std::string& title,
                                    const std::string& body) {
    uint32_t replaces = 0;
    {
        std::lock_guard guard(lock_);
        if (const auto found = shownIds_.find(identifier); found != shownIds_.end()) {
            replaces = found->second;
        }
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("suppress-sound"), true);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("orlivane-keldra"));
    call << QStringLiteral("Orlivane Keldra Backup") << replaces << QString() << QString::fromStdString(title)
         << QString::fromStdString(body) << QStringList() << hints << int{-1};
    const QDBusMessage reply = connection_.call(call, QDBus::Block, callTimeoutMs);
    // Without a service the notification is dropped quietly, as the desktop would.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return;
    }
    bool ok = false;
    const uint id = reply.arguments().first().toUInt(&ok);
    if (ok && id != 0) {
        std::lock_guard guard(lock_);
        shownIds_[identifier] = id;
    }
}

} // namespace keldra
