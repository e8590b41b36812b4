#include "design/motion/OLMotion.h"
#include "design/motion/ReduceMotionMonitor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace keldra {
namespace {

// Test programs run in parallel on one bus: each serves its fake portal under a name of its own.
const QString service = QStringLiteral("org.keldra.test.Portal%1").arg(QCoreApplication::applicationPid());
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");

// The desktop portal's Settings interface with the keys a test gives it; anything else is "not found".
class FakePortalSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QMap<QString, QVariant> values; // "group/key" → value

    void change(const QString& group, const QString& key, const QVariant& value) {
        values[group + QLatin1Char('/') + key] = value;
        emit SettingChanged(group, key, QDBusVariant(value));
    }

public slots:
    QDBusVariant Read(const QString& group, const QString& key) {
        const auto found = values.find(group + QLatin1Char('/') + key);
        if (found == values.end()) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("no such key"));
            return {};
        }
        // Portals before version 2 wrap the value twice; the monitor must see through it.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(*found)));
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

// The fake is served on a connection of its own, so the monitor talks to it over the real bus.
class ReduceMotion : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
            << "tests run inside a private D-Bus session";
    }
    void servePortal() {
        connection_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal")));
        ASSERT_TRUE(connection_->registerObject(
            path, &portal, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(connection_->registerService(service));
    }
    void TearDown() override {
        if (connection_) {
            connection_->unregisterService(service);
            connection_->unregisterObject(path);
            connection_.reset();
            QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        }
    }
    static void settle(ReduceMotionMonitor& monitor) {
        if (!monitor.isSettled()) {
            QSignalSpy settled(&monitor, &ReduceMotionMonitor::settled);
            ASSERT_TRUE(settled.wait(5000));
        }
    }

    FakePortalSettings portal;
    std::unique_ptr<QDBusConnection> connection_;
};

TEST_F(ReduceMotion, NoPortalMeansNoReduction) {
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(service).value());
    ReduceMotionMonitor monitor(QDBusConnection::sessionBus(), service);
    settle(monitor);
    EXPECT_FALSE(monitor.reduceMotion());
    EXPECT_FALSE(OLMotion::reduceMotion()); // nothing installed on the application
}

TEST_F(ReduceMotion, AppearanceKeyWinsAndFollowsLiveChanges) {
    portal.values[QStringLiteral("org.freedesktop.appearance/reduced-motion")] = QVariant::fromValue(1u);
    portal.values[QStringLiteral("org.gnome.desktop.interface/enable-animations")] = true;
    servePortal();
    ReduceMotionMonitor monitor(QDBusConnection::sessionBus(), service);
    settle(monitor);
    EXPECT_TRUE(monitor.reduceMotion());

    QSignalSpy changed(&monitor, &ReduceMotionMonitor::reduceMotionChanged);
    portal.change(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("reduced-motion"),
                  QVariant::fromValue(0u));
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_FALSE(monitor.reduceMotion());
    // The desktop's animation switch does not override the appearance key once that exists.
    portal.change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), false);
    QTest::qWait(200);
    EXPECT_FALSE(monitor.reduceMotion());
}

TEST_F(ReduceMotion, FallsBackToTheDesktopAnimationSwitch) {
    portal.values[QStringLiteral("org.gnome.desktop.interface/enable-animations")] = false;
    servePortal();
    ReduceMotionMonitor monitor(QDBusConnection::sessionBus(), service);
    settle(monitor);
    EXPECT_TRUE(monitor.reduceMotion());

    QSignalSpy changed(&monitor, &ReduceMotionMonitor::reduceMotionChanged);
    portal.change(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), true);
    ASSERT_TRUE(changed.wait(5000));
    EXPECT_FALSE(monitor.reduceMotion());
}

TEST_F(ReduceMotion, InstalledMonitorDrivesDecorativeMotionOnly) {
    portal.values[QStringLiteral("org.freedesktop.appearance/reduced-motion")] = QVariant::fromValue(1u);
    servePortal();
    ReduceMotionMonitor* monitor =
        ReduceMotionMonitor::install(QCoreApplication::instance(), QDBusConnection::sessionBus(), service);
    settle(*monitor);
    ASSERT_EQ(ReduceMotionMonitor::installed(), monitor);
    EXPECT_TRUE(OLMotion::reduceMotion());
    EXPECT_FALSE(OLMotion::decorativeMotionAllowed());

    // With animations on, decorative motion jumps to its end while functional motion (a hold's band) runs.
    qputenv("KELDRA_ANIMATIONS", "1");
    OLAnimatedValue band(0, false);
    OLAnimatedValue breathing(0, true);
    band.animateTo(1, OLMotion::holdFill);
    breathing.animateTo(1, OLAnimationTiming::easeInOut(2));
    EXPECT_TRUE(band.isRunning());
    EXPECT_LT(band.value(), 1);
    EXPECT_FALSE(breathing.isRunning());
    EXPECT_EQ(breathing.value(), 1);
    band.setValue(0);
    qputenv("KELDRA_ANIMATIONS", "0");
    band.animateTo(1, OLMotion::holdFill);
    EXPECT_EQ(band.value(), 1);
    delete monitor;
    EXPECT_FALSE(OLMotion::reduceMotion());
}

} // namespace
} // namespace keldra

#include "ReduceMotionTests.moc"
