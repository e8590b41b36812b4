#include "platform/login/AutostartLoginItem.h"
#include "platform/notify/DBusNotifier.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/SessionBusTest.h"
#include "tests/support/TempDir.h"

#include <QDBusConnection>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace keldra {
namespace {

using test::NotificationRecorder;
using test::RecordingLogger;
using test::runUntil;
using test::TempDir;

// ---- notifications ----

// The answers to the notifier's calls arrive in the test's event loop.
using DBusNotifierTest = test::SessionBusTest;

TEST_F(DBusNotifierTest, PostingNeverWaitsForTheServiceAndTheSameIdentifierStillReplaces) {
    NotificationRecorder desktop(std::chrono::seconds(2));
    ASSERT_TRUE(desktop.serving());
    DBusNotifier notifier(QDBusConnection::sessionBus(), desktop.service());

    notifier.postNotification("run-failed", "Backup failed", "First");
    EXPECT_EQ(desktop.answered(), 0u) << "the caller was held until the service answered";
    notifier.postNotification("storage", "Storage almost full", "90%");
    // From an engine's worker thread: sent from the notifier's own thread, in order.
    std::thread([&] { notifier.postNotification("run-failed", "Backup failed", "Second"); }).join();
    EXPECT_EQ(desktop.answered(), 0u);

    // The second "run-failed" waits for the first one's number, so it is the third to arrive.
    ASSERT_TRUE(runUntil([&] { return desktop.answered() == 3; }));
    const auto sent = desktop.received();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].summary, "Backup failed");
    EXPECT_EQ(sent[0].body, "First");
    EXPECT_EQ(sent[0].replacesId, 0u);
    EXPECT_EQ(sent[1].body, "90%");
    EXPECT_EQ(sent[1].replacesId, 0u);
    EXPECT_EQ(sent[2].body, "Second");
    EXPECT_EQ(sent[2].replacesId, sent[0].id) << "the second run-failed replaces the first";
    EXPECT_NE(sent[0].id, sent[1].id);
    EXPECT_EQ(sent[0].hints.value(QStringLiteral("suppress-sound")).toBool(), true);
    EXPECT_EQ(sent[0].hints.value(QStringLiteral("desktop-entry")).toString(), "orlivane-keldra");
    EXPECT_EQ(sent[0].appName, "Orlivane Keldra Backup");

    // Later posts of a known identifier replace at once, without waiting behind anything.
    notifier.postNotification("storage", "Storage full", "100%");
    ASSERT_TRUE(runUntil([&] { return desktop.answered() == 4; }));
    EXPECT_EQ(desktop.received().back().replacesId, sent[1].id);
}

TEST_F(DBusNotifierTest, WithoutAServiceOrAfterTheNotifierIsGoneNothingBreaks) {
    // Posted to a name nobody owns: the error answers end the wait for the identifier quietly.
    {
        DBusNotifier nowhere(QDBusConnection::sessionBus(),
                             QStringLiteral("org.orlivane.keldra.test.Nobody"));
        nowhere.postNotification("stale", "No recent backup", "One");
        nowhere.postNotification("stale", "No recent backup", "Two");
        runUntil([] { return false; }, std::chrono::milliseconds(300));
    }
    // A notifier destroyed with a call in flight drops its answer.
    NotificationRecorder slow(std::chrono::milliseconds(300));
    ASSERT_TRUE(slow.serving());
    {
        DBusNotifier gone(QDBusConnection::sessionBus(), slow.service());
        gone.postNotification("stale", "No recent backup", "Gone");
        ASSERT_TRUE(runUntil([&] { return slow.received().size() == 1; }));
    }
    ASSERT_TRUE(runUntil([&] { return slow.answered() == 1; }));
    runUntil([] { return false; }, std::chrono::milliseconds(100));
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
