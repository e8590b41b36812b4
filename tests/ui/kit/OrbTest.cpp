#include "design/orb/KeldraGlyph.h"
#include "design/orb/KeldraOrb.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "tests/ui/kit/KitTest.h"

#include <QVariantAnimation>
#include <gtest/gtest.h>
#include <limits>

namespace keldra {
namespace {

HealthPresentation presentation(BackupHealth health) {
    return {std::move(health), OLTheme{}};
}

TEST(KeldraOrb, OnlyTheRoundAreaTakesClicks) {
    QWidget window;
    int runs = 0;
    auto* orb = new KeldraOrb(
        presentation(BackupHealth::protectedState()), std::nullopt, 120, QStringLiteral("Back up now"),
        [&] { ++runs; }, &window);
    test::showActive(window);
    QTest::mouseClick(orb, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(orb, Qt::LeftButton, {}, QPoint(117, 116));
    EXPECT_EQ(runs, 0);
    QTest::mouseClick(orb, Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_EQ(runs, 1);
    QTest::mouseClick(orb, Qt::LeftButton, {}, QPoint(60, 4));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(test::accessibleText(orb, QAccessible::Name), QStringLiteral("Back up now"));
}

TEST(KeldraOrb, ProgressRingOnlyWhileBackingUp) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        BackupHealth health;
        std::optional<double> progress;
        std::optional<double> ring;
    } cases[] = {
        {BackupHealth::backingUp(), 0.0, 0.01},      {BackupHealth::backingUp(), 0.4, 0.4},
        {BackupHealth::backingUp(), 1.3, 1.0},       {BackupHealth::backingUp(), nan, 0.01},
        {BackupHealth::backingUp(), -2.0, 0.01},     {BackupHealth::backingUp(), std::nullopt, std::nullopt},
        {BackupHealth::paused(), 0.4, std::nullopt}, {BackupHealth::protectedState(), 1.0, std::nullopt},
    };
    for (const auto& c : cases) {
        KeldraOrb orb(presentation(c.health), c.progress, 228, QStringLiteral("Pause"), {});
        EXPECT_EQ(orb.ringFraction(), c.ring);
    }
}

TEST(KeldraOrb, BreathesOnlyWhileBackingUpWithoutReducedMotion) {
    KeldraOrb orb(presentation(BackupHealth::backingUp()), 0.2, 228, QStringLiteral("Pause"), {});
    EXPECT_TRUE(orb.breathingActive());
    orb.setReduceMotion(true);
    EXPECT_FALSE(orb.breathingActive());
    orb.setReduceMotion(false);
    orb.setPresentation(presentation(BackupHealth::protectedState()));
    EXPECT_FALSE(orb.breathingActive());
}

TEST(KeldraOrb, EndingABackupEasesThePulseBackToRest) {
    test::AnimationsOn animations;
    const struct {
        bool reduceMotion;
        double scaleAtEnd; // as drawn right after the run ended
        double ringAtEnd;
    } cases[] = {
        {false, 1.02, 0.8}, // halfway up the pulse: settles from there
        {true, 1.0, 1.0},   // no pulse was drawn: nothing to settle
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reduceMotion);
        KeldraOrb orb(presentation(BackupHealth::protectedState()), 0.2, 228, QStringLiteral("Pause"), {});
        orb.setReduceMotion(c.reduceMotion);
        orb.setPresentation(presentation(BackupHealth::backingUp()));
        auto* breathing = orb.findChild<QVariantAnimation*>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(breathing, nullptr);
        breathing->setCurrentTime(600); // a quarter of a breath: halfway to the peak
        EXPECT_DOUBLE_EQ(orb.pulseScale(), c.reduceMotion ? 1.0 : 1.02);

        orb.setPresentation(presentation(BackupHealth::protectedState()));
        EXPECT_DOUBLE_EQ(orb.pulseScale(), c.scaleAtEnd);
        EXPECT_DOUBLE_EQ(orb.outerRingOpacity(), c.ringAtEnd);
        QVariantAnimation* settling = nullptr;
        for (auto* animation : orb.findChildren<QVariantAnimation*>()) {
            if (animation != breathing && animation->state() == QAbstractAnimation::Running)
                settling = animation;
        }
        if (c.reduceMotion) {
            EXPECT_EQ(settling, nullptr);
            continue;
        }
        ASSERT_NE(settling, nullptr);
        EXPECT_EQ(settling->duration(), 250);
        settling->setCurrentTime(125);
        EXPECT_GT(orb.pulseScale(), 1.0);
        EXPECT_LT(orb.pulseScale(), 1.02);
        EXPECT_GT(orb.outerRingOpacity(), 0.8);
        EXPECT_LT(orb.outerRingOpacity(), 1.0);
        settling->setCurrentTime(250);
        EXPECT_DOUBLE_EQ(orb.pulseScale(), 1.0);
        EXPECT_DOUBLE_EQ(orb.outerRingOpacity(), 1.0);
    }
}

TEST(KeldraOrb, GlowsOutsideItsFrameOnlyWhenProtected) {
    QWidget window;
    window.resize(600, 600);
    auto* orb = new KeldraOrb(presentation(BackupHealth::protectedState()), std::nullopt, 228,
                              QStringLiteral("Back up now"), {}, &window);
    orb->move(186, 186);
    test::showActive(window);
    ASSERT_NE(orb->halo(), nullptr);
    EXPECT_TRUE(orb->halo()->geometry().contains(orb->geometry()));
    EXPECT_GT(orb->halo()->width(), orb->width());
    orb->setPresentation(presentation(BackupHealth::attention()));
    EXPECT_EQ(orb->halo(), nullptr);
}

// The glow keeps to its orb: moved, or placed in another parent, the orb has its glow around it and over
// nothing but what lies under the orb.
TEST(KeldraOrb, GlowFollowsTheOrbWhereverItGoes) {
    QWidget window;
    window.resize(600, 600);
    auto* first = new QWidget(&window);
    first->setGeometry(0, 0, 600, 300);
    auto* second = new QWidget(&window);
    second->setGeometry(0, 300, 600, 300);
    auto* orb = new KeldraOrb(presentation(BackupHealth::protectedState()), std::nullopt, 120,
                              QStringLiteral("Back up now"), {}, first);
    test::showActive(window);
    const auto around = [&] {
        QWidget* halo = orb->halo();
        return halo && halo->parentWidget() == orb->parentWidget() &&
               halo->geometry().center() == orb->geometry().center() && halo->width() > orb->width();
    };
    EXPECT_TRUE(around());
    orb->move(200, 40);
    EXPECT_TRUE(around()) << "moved";
    orb->setParent(second);
    orb->show();
    EXPECT_TRUE(around()) << "in another parent";
    const auto siblings = second->children();
    EXPECT_EQ(siblings.indexOf(orb->halo()) + 1, siblings.indexOf(orb)) << "just under the orb";
    orb->hide();
    EXPECT_EQ(orb->halo(), nullptr) << "hidden with the orb";
}

TEST(KeldraOrb, GlyphColourFollowsTheHealth) {
    EXPECT_EQ(KeldraOrb(presentation(BackupHealth::protectedState()), {}, 120, {}, {}).glyphColor(),
              accentColor(OLAccent::frost));
    EXPECT_EQ(KeldraOrb(presentation(BackupHealth::paused()), {}, 120, {}, {}).glyphColor(),
              OLColor::textFaint);
    EXPECT_EQ(
        KeldraOrb(presentation(BackupHealth::blocked(BlockReason::offline())), {}, 120, {}, {}).glyphColor(),
        OLColor::textMuted);
}

TEST(OrbBadge, NeverSmallerThanEighteen) {
    EXPECT_EQ(orbBadgeDiameter(120 / 208.0), 18);
    EXPECT_EQ(orbBadgeDiameter(1), 20);
    EXPECT_DOUBLE_EQ(orbBadgeDiameter(228 / 208.0), 20 * 228 / 208.0);
}

} // namespace
} // namespace keldra
