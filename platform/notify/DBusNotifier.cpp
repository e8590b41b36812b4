#include "platform/notify/DBusNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace keldra {

namespace {
// A service that never answers must not hold later posts of the same identifier for long.
constexpr int callTimeoutMs = 10000;
} // namespace

DBusNotifier::DBusNotifier(QDBusConnection connection, QString service)
    : connection_(std::move(connection)), service_(std::move(service)) {}

// Deleting context_ deletes the watchers of calls still in flight, so no answer reaches a dead notifier.
DBusNotifier::~DBusNotifier() = default;

void DBusNotifier::postNotification(const std::string& identifier, const std::string& title,
                                    const std::string& body) {
    Post post{QString::fromStdString(title), QString::fromStdString(body)};
    // Runs at once on the owning thread, else queued to it: all bookkeeping stays on one thread.
    QMetaObject::invokeMethod(
        &context_,
        [this, identifier, post = std::move(post)]() mutable { enqueue(identifier, std::move(post)); },
        Qt::AutoConnection);
}

void DBusNotifier::enqueue(const std::string& identifier, Post post) {
    Entry& entry = entries_[identifier];
    if (entry.awaitingAnswer) {
        entry.waiting.push_back(std::move(post));
        return;
    }
    send(identifier, post);
}

void DBusNotifier::send(const std::string& identifier, const Post& post) {
    Entry& entry = entries_[identifier];
    QDBusMessage call = QDBusMessage::createMethodCall(
        service_, QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("suppress-sound"), true);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("orlivane-keldra"));
    call << QStringLiteral("Orlivane Keldra Backup") << uint{entry.shownId} << QString() << post.title
         << post.body << QStringList() << hints << int{-1};
    entry.awaitingAnswer = true;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call, callTimeoutMs), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, identifier](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<uint> reply = *finished;
                         // Without a service (or with an error) the notification is dropped quietly, as the
                         // desktop would; the number of an earlier one is kept.
                         answered(identifier, reply.isValid() ? reply.value() : 0);
                     });
}

void DBusNotifier::answered(const std::string& identifier, uint32_t id) {
    Entry& entry = entries_[identifier];
    entry.awaitingAnswer = false;
    if (id != 0) {
        entry.shownId = id;
    }
    if (!entry.waiting.empty()) {
        const Post next = std::move(entry.waiting.front());
        entry.waiting.pop_front();
        send(identifier, next);
    }
}

} // namespace keldra
