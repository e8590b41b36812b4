#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLSegmented.h"
#include "tests/ui/kit/KitTest.h"

#include <QAccessibleActionInterface>
#include <QMenu>
#include <gtest/gtest.h>

namespace keldra {
namespace {

enum class Unit { kb, mb, gb };

TEST(OLSegmented, EqualValuesAreSelectedTogetherAndNoMatchShowsNoPill) {
    Unit chosen = Unit::mb;
    OLSegmentedOf<Unit> control({{QStringLiteral("KB"), Unit::kb},
                                 {QStringLiteral("MB"), Unit::mb},
                                 {QStringLiteral("Mega"), Unit::mb}},
                                chosen, [&](const Unit& value) { chosen = value; });
    EXPECT_EQ(control.selected(), (std::vector<bool>{false, true, true}));

    OLSegmentedOf<Unit> none({{QStringLiteral("KB"), Unit::kb}, {QStringLiteral("MB"), Unit::mb}}, Unit::gb,
                             {});
    EXPECT_EQ(none.selected(), (std::vector<bool>{false, false}));
}

TEST(OLSegmented, EachSegmentReadsAsAButtonWithItsSelectedState) {
    Unit chosen = Unit::mb;
    OLSegmentedOf<Unit> control({{QStringLiteral("KB"), Unit::kb},
                                 {QStringLiteral("MB"), Unit::mb},
                                 {QStringLiteral("Mega"), Unit::mb}},
                                chosen, [&](const Unit& value) { chosen = value; });
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&control);
    ASSERT_NE(face, nullptr);
    ASSERT_EQ(face->childCount(), 3);
    EXPECT_EQ(face->child(0)->text(QAccessible::Name), QStringLiteral("KB"));
    EXPECT_EQ(face->child(0)->role(), QAccessible::Button);
    EXPECT_FALSE(face->child(0)->state().selected);
    EXPECT_TRUE(face->child(1)->state().selected);
    EXPECT_TRUE(face->child(2)->state().selected);
    EXPECT_EQ(face->indexOfChild(face->child(2)), 2);
    face->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen, Unit::kb);
    EXPECT_TRUE(face->child(0)->state().selected);
}

TEST(OLSegmented, ClickingASegmentWritesItsValueEvenWhenChosen) {
    std::vector<Unit> writes;
    OLSegmentedOf<Unit> control({{QStringLiteral("KB"), Unit::kb}, {QStringLiteral("MB"), Unit::mb}},
                                Unit::kb, [&](const Unit& value) { writes.push_back(value); });
    control.resize(control.sizeHint());
    QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(1).center().toPoint());
    QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(1).center().toPoint());
    EXPECT_EQ(writes, (std::vector<Unit>{Unit::mb, Unit::mb}));
    EXPECT_EQ(control.selected(), (std::vector<bool>{false, true}));
}

TEST(OLSegmented, TrackIsItsSegmentsPlusPaddingAndGaps) {
    for (bool mono : {false, true}) {
        OLSegmented control({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}, mono,
                            30);
        const double segments =
            control.segmentRect(0).width() + control.segmentRect(1).width() + control.segmentRect(2).width();
        EXPECT_EQ(control.sizeHint().width(), static_cast<int>(std::ceil(segments + 8 + 2 * 4)));
        EXPECT_EQ(control.sizeHint().height(), 30);
        EXPECT_EQ(control.segmentRect(0).height(), 22);
        EXPECT_EQ(control.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    }
}

TEST(OLMenuPicker, ShowsTheFirstMatchingLabelOrADash) {
    int chosen = 7;
    OLMenuPickerOf<int> picker(
        {{QStringLiteral("Hourly"), 1}, {QStringLiteral("Every hour"), 1}, {QStringLiteral("Daily"), 24}},
        chosen, [&](const int& value) { chosen = value; });
    EXPECT_EQ(picker.shownLabel(), QStringLiteral("\u2014"));
    picker.setValue(1);
    EXPECT_EQ(picker.shownLabel(), QStringLiteral("Hourly"));

    ASSERT_EQ(picker.menu()->actions().size(), 3);
    EXPECT_EQ(picker.menu()->actions()[1]->text(), QStringLiteral("Every hour"));
    picker.menu()->actions()[2]->trigger();
    EXPECT_EQ(chosen, 24);
    EXPECT_EQ(picker.shownLabel(), QStringLiteral("Daily"));
    EXPECT_EQ(test::accessibleText(&picker, QAccessible::Value), QStringLiteral("Daily"));
}

TEST(OLMenuPicker, ALabelWithAnAmpersandIsShownAsTyped) {
    OLMenuPickerOf<int> picker({{QStringLiteral("Docs & Data"), 1}}, 1, {});
    EXPECT_EQ(picker.menu()->actions()[0]->iconText(), QStringLiteral("Docs & Data"));
    EXPECT_EQ(picker.shownLabel(), QStringLiteral("Docs & Data"));
}

} // namespace
} // namespace keldra
