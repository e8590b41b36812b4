#pragma once

#include "core/platform/Notifier.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

namespace keldra {

// Notifications through the desktop's org.freedesktop.Notifications service. The service numbers each
// notification; the number last given for an identifier is sent as replaces_id, so a later notification with
// the same identifier replaces the earlier one instead of piling up.
//
// Posting never waits for the service: the call is sent and its answer handled on the thread that made the
// notifier (it needs that thread's event loop). A post whose identifier still awaits the answer to an earlier
// one is held until that answer arrives, so it can still name the notification it replaces. May be called
// from any thread.
class DBusNotifier final : public Notifier {
public:
    static constexpr const char* desktopService = "org.freedesktop.Notifications";

    // `service` is the bus name of the notification server; tests give their own server's name.
    explicit DBusNotifier(QDBusConnection connection = QDBusConnection::sessionBus(),
                          QString service = QString::fromLatin1(desktopService));
    ~DBusNotifier() override;
    DBusNotifier(const DBusNotifier&) = delete;
    DBusNotifier& operator=(const DBusNotifier&) = delete;

    void postNotification(const std::string& identifier, const std::string& title,
                          const std::string& body) override;

private:
    struct Post {
        QString title;
        QString body;
    };
    // What is known and pending for one identifier; touched only on the owning thread.
    struct Entry {
        uint32_t shownId = 0;
        bool awaitingAnswer = false;
        std::deque<Post> waiting;
    };

    void enqueue(const std::string& identifier, Post post);
    void send(const std::string& identifier, const Post& post);
    void answered(const std::string& identifier, uint32_t id);

    QDBusConnection connection_;
    QString service_;
    // Lives on the owning thread: queued posts and call answers are delivered through it.
    QObject context_;
    std::map<std::string, Entry> entries_;
};

} // namespace keldra
