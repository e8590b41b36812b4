#include "platform/sleep/LogindSleepWatcher.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/QtApplicationTest.h"
#include "tests/support/VirtualClock.h"

#include <QDBusMessage>
#include <cstdlib>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;
using test::processEventsUntil;
using test::VirtualClock;

class SleepWatcherTest : public test::QtApplicationTest {
protected:
    VirtualClock clock_;
    int wakes_ = 0;
};

// A stand-in for logind: its own connection to the private session bus, announcing sleep and wake.
void announce(QDBusConnection& from, bool sleeping) {
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    ASSERT_TRUE(from.send(signal));
}

TEST_F(SleepWatcherTest, LogindsWakeSignalIsAWakeAndOnlyLogindIsHeard) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "needs a session bus (run under scripts/with-session-services)";
    }
    auto logind = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-login1"));
    auto impostor = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("impostor"));
    ASSERT_TRUE(logind.isConnected());
    LogindSleepWatcher watcher(clock_, QDBusConnection::sessionBus(), logind.baseService());
    watcher.setOnWake([&] { ++wakes_; });
    ASSERT_TRUE(watcher.start()) << "logind is on the bus";

    announce(logind, true);
    announce(impostor, false);
    announce(logind, false);
    ASSERT_TRUE(processEventsUntil([&] { return wakes_ == 1; }));
    // Signals arrive in order: had the going-to-sleep or the impostor counted, it would be in by now.
    processEventsUntil([] { return false; }, 200ms);
    EXPECT_EQ(wakes_, 1);
}

TEST_F(SleepWatcherTest, WithoutLogindAGapInTheWallClockBetweenFiresIsAWake) {
    // A bus without logind (the private session bus), and no bus at all.
    for (QDBusConnection bus :
         {QDBusConnection::sessionBus(), QDBusConnection(QStringLiteral("not-connected"))}) {
        LogindSleepWatcher watcher(clock_, bus, QStringLiteral("org.orlivane.keldra.test.NoLogind"));
        wakes_ = 0;
        watcher.setOnWake([&] { ++wakes_; });
        EXPECT_FALSE(watcher.start());
        struct Fire {
            double after; // seconds of wall clock since the previous fire
            int wakes;    // wakes counted so far
        };
        for (const Fire fire : {Fire{30, 0}, Fire{31, 0}, Fire{90, 0}, Fire{90.5, 1}, Fire{30, 1},
                                Fire{-600, 1}, Fire{30, 1}, Fire{7200, 2}}) {
            clock_.advance(Seconds(fire.after));
            watcher.tickerFired();
            EXPECT_EQ(wakes_, fire.wakes) << "after a gap of " << fire.after << " s";
        }
    }
}

} // namespace
} // namespace keldra
