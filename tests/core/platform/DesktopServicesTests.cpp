#include "platform/login/AutostartLoginItem.h"
#include "platform/notify/DBusNotifier.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QThread>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

namespace keldra {
namespace {

using test::RecordingLogger;
using test::TempDir;

// ---- notifications ----

struct ReceivedNotification {
    QString appName;
    uint replacesId;
    QString summary;
    QString body;
    QVariantMap hints;
};

// A minimal org.freedesktop.Notifications service: numbers each new notification, keeps the number of a
// replaced one, and remembers what it was sent.
class NotificationService final : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("Notify") || message.arguments().size() != 8) {
            return false;
        }
        const auto arguments = message.arguments();
        const ReceivedNotification received{arguments[0].toString(), arguments[1].toUInt(),
                                            arguments[3].toString(), arguments[4].toString(),
                                            qdbus_cast<QVariantMap>(arguments[6])};
        uint id = received.replacesId;
        {
            std::lock_guard guard(lock);
            if (id == 0) {
                id = ++lastId;
            }
            notifications.push_back(received);
        }
        connection.send(message.createReply(QVariant::fromValue(id)));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    std::mutex lock;
    uint lastId = 40;
    std::vector<ReceivedNotification> notifications;
};

// Serves on its own connection and thread, so the notifier's blocking call can be answered. The service
// object is made on that thread: QtDBus delivers calls on the thread an object belongs to.
class ServiceThread final : public QThread {
public:
    void run() override {
        NotificationService service;
        auto connection =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-notify"));
        const bool ok =
            connection.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service) &&
            connection.interface()
                    ->registerService(QStringLiteral("org.freedesktop.Notifications"))
                    .value() == QDBusConnectionInterface::ServiceRegistered;
        {
            std::lock_guard guard(lock);
            registered = ok;
            ready = true;
        }
        readyChanged.notify_all();
        exec();
        connection.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        connection.interface()->unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notify"));
        std::lock_guard guard(service.lock);
        notifications = service.notifications;
    }

    std::vector<ReceivedNotification> notifications;
    std::mutex lock;
    std::condition_variable readyChanged;
    bool ready = false;
    bool registered = false;
};

TEST(DBusNotifier, SilentNotificationsReplaceEarlierOnesWithTheSameIdentifier) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "needs a session bus (run under scripts/with-session-services)";
    }
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    ServiceThread server;
    server.start();
    {
        std::unique_lock guard(server.lock);
        server.readyChanged.wait(guard, [&] { return server.ready; });
        ASSERT_TRUE(server.registered) << "another notification service owns the name";
    }

    DBusNotifier notifier;
    notifier.postNotification("run-failed", "Backup failed", "First");
    notifier.postNotification("storage", "Storage almost full", "90%");
    notifier.postNotification("run-failed", "Backup failed", "Second");

    server.quit();
    server.wait();
    const auto& sent = server.notifications;
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].replacesId, 0u);
    EXPECT_EQ(sent[0].summary, "Backup failed");
    EXPECT_EQ(sent[0].body, "First");
    EXPECT_EQ(sent[1].replacesId, 0u);
    EXPECT_EQ(sent[2].replacesId, 41u) << "the second run-failed replaces the first";
    EXPECT_EQ(sent[2].body, "Second");
    EXPECT_EQ(sent[0].hints.value(QStringLiteral("suppress-sound")).toBool(), true);
    EXPECT_EQ(sent[0].appName, "Orlivane Keldra Backup");
}

TEST(DBusNotifier, WithoutAServiceTheNotificationIsDroppedQuietly) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "needs a session bus (run under scripts/with-session-services)";
    }
    DBusNotifier notifier(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("no-service")));
    notifier.postNotification("stale", "No recent backup", "Body");
    SUCCEED();
}

// ---- login item ----

bool desktopFileValid(const std::filesystem::path& path) {
    const std::string command = "desktop-file-validate '" + path.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

TEST(AutostartLoginItem, WritesAValidEntryThatPassesAutostartAndRemovesIt) {
    TempDir config;
    RecordingLogger logger;
    for (const std::string& executable : {std::string("/usr/bin/orlivane-keldra"),
                                          std::string("/opt/My Apps/keldra \"beta\" $1 100%/run\\it")}) {
        AutostartLoginItem item(config.path(), executable, logger);
        EXPECT_FALSE(item.isLoginItemEnabled());
        ASSERT_TRUE(item.setLoginItemEnabled(true));
        EXPECT_EQ(item.entryPath(), config.path() / "autostart" / "orlivane-keldra.desktop");
        EXPECT_TRUE(item.isLoginItemEnabled());
        EXPECT_TRUE(desktopFileValid(item.entryPath())) << test::readFile(item.entryPath());
        const std::string text = test::readFile(item.entryPath());
        EXPECT_NE(text.find(" --autostart\n"), std::string::npos);
        ASSERT_TRUE(item.setLoginItemEnabled(false));
        EXPECT_FALSE(item.isLoginItemEnabled());
        EXPECT_FALSE(std::filesystem::exists(item.entryPath()));
        EXPECT_TRUE(item.setLoginItemEnabled(false)) << "removing what is not there succeeds";
    }
    EXPECT_TRUE(logger.lines().empty());

    // Quoting: the spaces, quote, dollar, percent and backslash survive the entry's two escaping layers.
    const auto entry = AutostartLoginItem::desktopEntry("/opt/My Apps/a\"b$c%d\\e");
    ASSERT_TRUE(entry.has_value());
    EXPECT_NE(entry->find("Exec=\"/opt/My Apps/a\\\\\"b\\\\$c%%d\\\\\\\\e\" --autostart\n"),
              std::string::npos)
        << *entry;
}

TEST(AutostartLoginItem, FailuresAreLoggedAndReportFalse) {
    TempDir dir;
    test::writeFile(dir / "not-a-folder", "x");
    RecordingLogger logger;
    AutostartLoginItem blocked(dir / "not-a-folder", "/usr/bin/orlivane-keldra", logger);
    EXPECT_FALSE(blocked.setLoginItemEnabled(true));
    EXPECT_FALSE(blocked.isLoginItemEnabled());
    ASSERT_EQ(logger.lines().size(), 1u);
    EXPECT_TRUE(logger.lines()[0].starts_with("Login item change failed: ")) << logger.lines()[0];

    AutostartLoginItem newline(dir.path(), "/usr/bin/odd\nname", logger);
    EXPECT_FALSE(newline.setLoginItemEnabled(true));
    EXPECT_EQ(logger.lines().size(), 2u);

    // A user who switched the entry off in their desktop's settings has it disabled.
    AutostartLoginItem item(dir.path(), "/usr/bin/orlivane-keldra", logger);
    ASSERT_TRUE(item.setLoginItemEnabled(true));
    std::ofstream(item.entryPath(), std::ios::app) << "Hidden=true\n";
    EXPECT_FALSE(item.isLoginItemEnabled());
}

} // namespace
} // namespace keldra
