#include "platform/sleep/LogindSleepWatcher.h"
#include "tests/support/QtApp.h"
#include "tests/support/SessionBusTest.h"
#include "tests/support/VirtualClock.h"

#include <QDBusMessage>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;
using test::runUntil;
using test::VirtualClock;

using LogindSleepWatcherTest = test::SessionBusTest;

// A stand-in for logind: its own connection to the private session bus, announcing sleep and wake.
void announce(QDBusConnection& from, bool sleeping) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    ASSERT_TRUE(from.send(signal));
}

TEST_F(LogindSleepWatcherTest, LogindsWakeSignalIsAWakeAndOnlyLogindIsHeard) {
    VirtualClock clock;
    int wakes = 0;
    auto logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-login1"));
    auto impostor = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("impostor"));
    ASSERT_TRUE(logind.isConnected());
    LogindSleepWatcher watcher(clock, QDBusConnection::sessionBus(), logind.baseService());
    watcher.setOnWake([&] { ++wakes; });
    ASSERT_TRUE(watcher.start()) << "logind is on the bus";

    announce(logind, true);
    announce(impostor, false);
    announce(logind, false);
    ASSERT_TRUE(runUntil([&] { return wakes == 1; }));
    // Signals arrive in order: had the going-to-sleep or the impostor counted, it would be in by now.
    runUntil([] { return false; }, 200ms);
    EXPECT_EQ(wakes, 1);
}

TEST(LogindSleepWatcher, WithoutLogindAGapInTheWallClockBetweenFiresIsAWake) {
    test::qtApp();
    VirtualClock clock;
    int wakes = 0;
    // A bus without logind (the private session bus), and no bus at all.
    for (QDBusConnection bus :
         {QDBusConnection::sessionBus(), QDBusConnection(QStringLiteral("not-connected"))}) {
        LogindSleepWatcher watcher(clock, bus, QStringLiteral("org.orlivane.keldra.test.NoLogind"));
        wakes = 0;
        watcher.setOnWake([&] { ++wakes; });
        EXPECT_FALSE(watcher.start());
        struct Fire {
            double after; // seconds of wall clock since the previous fire
            int wakes;    // wakes counted so far
        };
        for (const Fire fire : {Fire{30, 0}, Fire{31, 0}, Fire{90, 0}, Fire{90.5, 1}, Fire{30, 1},
                                Fire{-600, 1}, Fire{30, 1}, Fire{7200, 2}}) {
            clock.advance(Seconds(fire.after));
            watcher.tickerFired();
            EXPECT_EQ(wakes, fire.wakes) << "after a gap of " << fire.after << " s";
        }
    }
}

} // namespace
} // namespace keldra
