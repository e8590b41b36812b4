#include "design/motion/OLMotion.h"
#include "design/motion/ReduceMotionMonitor.h"
#include "design/orb/KeldraOrb.h"
#include "desktop/KeldraEntry.h"
#include "tests/support/FakeDesktopPortal.h"
#include "tests/ui/shell/OffscreenApplication.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace keldra;
using namespace keldra::test;

namespace {

const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString reducedMotion = QStringLiteral("reduced-motion");

// The program's own preparation reads the desktop's choice: an orb on screen during a backup holds still
// while the desktop asks for less motion, and pulses again once it no longer does.
TEST(KeldraEntry, TheOrbFollowsTheDesktopsReduceMotionChoice) {
    FakeDesktopPortal desktop({{{appearance, reducedMotion}, QVariant::fromValue(1u)}});
    ASSERT_TRUE(desktop.serving());
    prepareKeldraApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()), desktop.bus());
    ReduceMotionMonitor* monitor = ReduceMotionMonitor::installed();
    ASSERT_NE(monitor, nullptr) << "the entry installs the desktop's choice";
    ASSERT_TRUE(OLMotion::animationsEnabled());

    // Made at once, as the window is, before the desktop has answered.
    KeldraOrb orb({BackupHealth::backingUp(), OLTheme{}}, 0.3, 228, QStringLiteral("Pause"), {});
    orb.show();
    ASSERT_TRUE(runUntil([&] { return monitor->isSettled(); }));
    EXPECT_TRUE(OLMotion::reduceMotion());
    EXPECT_FALSE(orb.breathingActive());
    EXPECT_EQ(orb.pulseScale(), 1.0);
    EXPECT_EQ(orb.outerRingOpacity(), 1.0);

    desktop.change(appearance, reducedMotion, QVariant::fromValue(0u));
    ASSERT_TRUE(runUntil([&] { return !monitor->reduceMotion(); }));
    EXPECT_TRUE(orb.breathingActive());
    delete monitor;
}

} // namespace
