#include "design/controls/OLCheckbox.h"
#include "design/controls/OLSwitch.h"
#include "design/theme/ThemeScope.h"
#include "tests/ui/kit/KitTest.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(OLSwitch, AClickSlidesTheKnobWhileAModelSetJumps) {
    test::AnimationsOn animations;
    for (OLStyle style : allStyles) {
        QWidget window;
        olSetTheme(&window, OLTheme{style, OLAccent::frost});
        auto* toggle = new OLSwitch(false, QStringLiteral("Back up to drive"), 1, &window);
        test::showActive(window);

        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_TRUE(toggle->isOn());
        EXPECT_LT(toggle->knobPosition(), 0.5) << "the knob starts its slide where it was";
        QElapsedTimer timer;
        timer.start();
        while (std::abs(toggle->knobPosition() - 1) > 1e-3 && timer.elapsed() < 3000)
            QTest::qWait(10);
        EXPECT_NEAR(toggle->knobPosition(), 1, 1e-3);

        toggle->setOn(false);
        EXPECT_EQ(toggle->knobPosition(), 0);
        EXPECT_FALSE(toggle->isOn());
    }
}

TEST(OLSwitch, ReadsItsLabelAndOnOrOff) {
    OLSwitch toggle(true, QStringLiteral("Back up to drive"), 0.75);
    EXPECT_EQ(toggle.sizeHint(), QSize(39, 24));
    EXPECT_EQ(test::accessibleText(&toggle, QAccessible::Name), QStringLiteral("Back up to drive"));
    EXPECT_EQ(test::accessibleText(&toggle, QAccessible::Value), QStringLiteral("On"));
    toggle.setOn(false);
    EXPECT_EQ(test::accessibleText(&toggle, QAccessible::Value), QStringLiteral("Off"));
    EXPECT_TRUE(test::accessibleState(&toggle).checkable);
}

TEST(OLCheckbox, AClickBetweenTitleAndSubtitleToggles) {
    QWidget window;
    auto* box = new OLCheckbox(QStringLiteral("Skip caches"), false,
                               QStringLiteral("Browser and app caches are rebuilt on their own."), &window);
    box->resize(360, box->heightForWidth(360));
    test::showActive(window);
    // Right of the short title, level with the gap between the two lines.
    const QPoint between(300, static_cast<int>(QFontMetrics(box->font()).height()));
    QTest::mouseClick(box, Qt::LeftButton, {}, between);
    EXPECT_TRUE(box->isOn());
    EXPECT_EQ(test::accessibleText(box, QAccessible::Value), QStringLiteral("On"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(box->isOn());
}

} // namespace
} // namespace keldra
