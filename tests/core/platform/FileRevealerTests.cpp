#include "platform/reveal/FileManagerRevealer.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/QtApp.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVirtualObject>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace keldra {
namespace {

// A file manager on the session bus that records what it was asked to show.
class FakeFileManager final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override {
        return QStringLiteral("<interface name=\"org.freedesktop.FileManager1\"><method name=\"ShowItems\">"
                              "<arg type=\"as\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
                              "</method></interface>");
    }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("ShowItems")) {
            return false;
        }
        shown.push_back(message.arguments().value(0).toStringList());
        connection.send(message.createReply());
        return true;
    }
    std::vector<QStringList> shown;
};

bool haveSessionBus() {
    return std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr;
}

// One test for both cases: the tests run in parallel on one session bus, so a separate "no file manager"
// test would see this one's fake owning the name.
TEST(FileManagerRevealer, AsksTheFileManagerToShowTheFileAndWithoutOneOpensTheFolder) {
    if (!haveSessionBus()) {
        GTEST_SKIP() << "needs a session bus (run under scripts/with-session-services)";
    }
    test::qtApp();
    {
        QDBusConnection service =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-file-manager"));
        FakeFileManager manager;
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")))
            << "another file manager owns the name";

        test::RecordingUrlOpener opener;
        FileManagerRevealer revealer(opener);
        revealer.reveal("/tmp/restored here/report 1.pdf");
        EXPECT_TRUE(test::runUntil([&] { return !manager.shown.empty(); }));
        test::drainEvents();
        ASSERT_EQ(manager.shown.size(), 1u);
        EXPECT_EQ(manager.shown[0],
                  QStringList{QStringLiteral("file:///tmp/restored%20here/report%201.pdf")});
        EXPECT_TRUE(opener.opened.empty());

        service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        service.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    }

    // Without a file manager the folder opens through the desktop instead.
    ASSERT_TRUE(test::runUntil([] {
        return !QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.FileManager1"));
    }));
    test::RecordingUrlOpener opener;
    FileManagerRevealer revealer(opener);
    revealer.reveal("/tmp/restored here/report.pdf");
    EXPECT_TRUE(test::runUntil([&] { return !opener.opened.empty(); }));
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"file:///tmp/restored%20here"}));

    // The application quits right after a restore: the answer to a call still pending must not reach the
    // opener, which has gone with the revealer.
    {
        auto gone = std::make_unique<test::RecordingUrlOpener>();
        auto leaving = std::make_unique<FileManagerRevealer>(*gone);
        leaving->reveal("/tmp/restored here/late.pdf");
        leaving.reset();
        gone.reset();
    }
    // The bus answers in order: once a later call to the same absent name has failed, the first has too.
    QDBusPendingCallWatcher later(QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"))));
    EXPECT_TRUE(test::runUntil([&] { return later.isFinished(); }));
    test::drainEvents();
}

} // namespace
} // namespace keldra
