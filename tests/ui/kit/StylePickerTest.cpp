#include "design/controls/StylePicker.h"

#include "design/text/OLText.h"
#include "tests/ui/kit/KitTest.h"

#include <QAbstractButton>
#include <QLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(StylePicker, ReportsEveryClickAndKeepsNoChoice) {
    std::vector<OLStyle> styles;
    std::vector<OLAccent> accents;
    QWidget window;
    auto* picker = new StylePicker(
        OLStyle::glass, OLAccent::teal, [&](OLStyle style) { styles.push_back(style); },
        [&](OLAccent accent) { accents.push_back(accent); }, &window);
    test::showActive(window);

    QTest::mouseClick(picker->styleCard(OLStyle::glass), Qt::LeftButton);
    QTest::mouseClick(picker->styleCard(OLStyle::glass), Qt::LeftButton);
    QTest::mouseClick(picker->styleCard(OLStyle::signal), Qt::LeftButton);
    EXPECT_EQ(styles, (std::vector<OLStyle>{OLStyle::glass, OLStyle::glass, OLStyle::signal}));
    EXPECT_EQ(picker->styleChoice(), OLStyle::glass) << "the host applies a choice, not the picker";

    QTest::mouseClick(picker->accentSwatch(OLAccent::teal), Qt::LeftButton);
    QTest::mouseClick(picker->accentSwatch(OLAccent::snow), Qt::LeftButton);
    EXPECT_EQ(accents, (std::vector<OLAccent>{OLAccent::teal, OLAccent::snow}));
}

TEST(StylePicker, NamesItsItemsAndMarksTheChosenOnes) {
    StylePicker picker(OLStyle::glass, OLAccent::teal, {}, {});
    EXPECT_EQ(test::accessibleText(picker.styleCard(OLStyle::glass), QAccessible::Name),
              QStringLiteral("Glass style"));
    EXPECT_TRUE(test::accessibleState(picker.styleCard(OLStyle::glass)).selected);
    EXPECT_FALSE(test::accessibleState(picker.styleCard(OLStyle::signal)).selected);
    EXPECT_EQ(test::accessibleText(picker.accentSwatch(OLAccent::teal), QAccessible::Name),
              QStringLiteral("Teal accent"));
    EXPECT_TRUE(test::accessibleState(picker.accentSwatch(OLAccent::teal)).selected);
    EXPECT_FALSE(test::accessibleState(picker.accentSwatch(OLAccent::frost)).selected);
    EXPECT_EQ(picker.accentName()->text(), QStringLiteral("Teal"));
    // Full width where there is room; narrower, never below the floor, where there is not.
    const struct {
        int offered;
        int card;
    } widths[] = {{800, 260}, {500, 244}, {300, 196}};
    picker.show();
    for (const auto& w : widths) {
        SCOPED_TRACE(w.offered);
        picker.resize(w.offered, picker.sizeHint().height());
        picker.layout()->activate();
        EXPECT_EQ(picker.styleCard(OLStyle::glass)->width(), w.card);
        EXPECT_EQ(picker.styleCard(OLStyle::signal)->width(), w.card);
    }

    picker.setAccentChoice(OLAccent::snow);
    EXPECT_TRUE(test::accessibleState(picker.accentSwatch(OLAccent::snow)).selected);
    EXPECT_EQ(picker.accentName()->text(), QStringLiteral("Snow"));
}

} // namespace
} // namespace keldra
