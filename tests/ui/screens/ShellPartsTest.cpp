#include "design/button/OLButton.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "screens/shell/BannerSlot.h"
#include "screens/shell/PageHeader.h"
#include "tests/support/QtApp.h"
#include "tests/ui/support/UiTest.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLayout>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(PageHeader, TitleAndPaddingsFollowTheStyle) {
    const struct {
        OLStyle style;
        const char* shown;
        QMargins margins;
        double size;
        bool mono;
        OLRgba color;
    } cases[] = {
        {OLStyle::glass, "Restore", QMargins(32, 40, 32, 24), 26, false, OLColor::textPrimary},
        {OLStyle::signal, "RESTORE", QMargins(32, 24, 32, 16), 11, true, OLColor::textMuted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        QWidget scope;
        olSetTheme(&scope, OLTheme{c.style, OLAccent::frost, 999});
        auto* header = new PageHeader(QStringLiteral("Restore"), nullptr, &scope);
        EXPECT_EQ(header->titleText()->shownText(), QString::fromLatin1(c.shown));
        EXPECT_EQ(header->titleText()->style().size, c.size);
        EXPECT_EQ(header->titleText()->style().isMono, c.mono);
        EXPECT_EQ(header->titleText()->color(), c.color);
        EXPECT_EQ(header->layout()->contentsMargins(), c.margins);
        // Assistive technologies read the title as the page's heading, by its words.
        QAccessibleInterface* title = QAccessible::queryAccessibleInterface(header->titleText());
        EXPECT_EQ(title->role(), QAccessible::Heading);
        EXPECT_EQ(title->text(QAccessible::Name), QStringLiteral("Restore"));
    }
}

TEST(PageHeader, FollowsAStyleChangeOfItsScope) {
    QWidget scope;
    auto* trailing = new QWidget;
    auto* header = new PageHeader(QStringLiteral("Activity"), trailing, &scope);
    EXPECT_EQ(header->titleText()->shownText(), QStringLiteral("Activity"));
    olSetTheme(&scope, OLTheme{OLStyle::signal, OLAccent::snow, 999});
    EXPECT_EQ(header->titleText()->shownText(), QStringLiteral("ACTIVITY"));
    EXPECT_EQ(header->layout()->contentsMargins().top(), 24);
    EXPECT_EQ(trailing->parentWidget(), header);
}

BannerModel banner(std::string id, bool dismissible, std::string title = "Title") {
    BannerModel model;
    model.id = std::move(id);
    model.tone = StatusTone::warning;
    model.title = std::move(title);
    model.message = "Message";
    model.dismissible = dismissible;
    return model;
}

// A page: the slot above a fixed block, so the slot's space shows in the block's place.
struct Page {
    explicit Page(FakeAppModel& model) {
        auto* layout = new QVBoxLayout(&widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        slot = new BannerSlot(model, &widget);
        layout->addWidget(slot);
        block = new QWidget(&widget);
        block->setFixedHeight(50);
        layout->addWidget(block);
        layout->addStretch(1);
        widget.resize(600, 400);
        widget.show();
        test::drainEvents();
    }
    QWidget widget;
    BannerSlot* slot;
    QWidget* block;
};

TEST(BannerSlot, NoBannerTakesNoSpace) {
    FakeAppModel model;
    Page page(model);
    EXPECT_FALSE(page.slot->isVisible());
    EXPECT_EQ(page.slot->banner(), nullptr);
    EXPECT_EQ(page.block->y(), 0);

    model.setBanners({banner("offline", false)});
    test::drainEvents();
    ASSERT_NE(page.slot->banner(), nullptr);
    EXPECT_TRUE(page.slot->isVisible());
    EXPECT_GT(page.block->y(), 0);

    model.setBanners({});
    test::drainEvents();
    EXPECT_EQ(page.slot->banner(), nullptr);
    EXPECT_EQ(page.block->y(), 0);
}

TEST(BannerSlot, DismissingInsertsTheIdAndShowsTheNext) {
    FakeAppModel model;
    model.setBanners({banner("nearly-full", true), banner("drive-S1", true), banner("unattended", false)});
    Page page(model);
    ASSERT_NE(page.slot->banner(), nullptr);
    EXPECT_EQ(page.slot->bannerID(), "nearly-full");

    QPointer<StateBanner> first = page.slot->banner();
    ASSERT_NE(first->dismissButton(), nullptr);
    QTest::mouseClick(first->dismissButton(), Qt::LeftButton);
    EXPECT_EQ(model.dismissedBanners(), (std::set<std::string>{"nearly-full"}));
    test::drainEvents();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(page.slot->bannerID(), "drive-S1");

    QTest::mouseClick(page.slot->banner()->dismissButton(), Qt::LeftButton);
    test::drainEvents();
    EXPECT_EQ(model.dismissedBanners(), (std::set<std::string>{"nearly-full", "drive-S1"}));
    // Not dismissible: no close control at all.
    EXPECT_EQ(page.slot->bannerID(), "unattended");
    EXPECT_EQ(page.slot->banner()->dismissButton(), nullptr);
}

TEST(BannerSlot, ButtonsRunTheBannersOwnClosures) {
    FakeAppModel model;
    BannerModel shown = banner("review", false);
    shown.actionTitle = "Back up anyway";
    shown.action = [&model] {
        model.bannerAction("review");
    };
    shown.secondaryTitle = "Show recent activity";
    shown.secondary = [&model] {
        model.bannerAction("review secondary");
    };
    model.setBanners({shown});
    Page page(model);
    ASSERT_NE(page.slot->banner(), nullptr);
    QTest::mouseClick(page.slot->banner()->actionButton(), Qt::LeftButton);
    QTest::mouseClick(page.slot->banner()->secondaryButton(), Qt::LeftButton);
    EXPECT_EQ(model.calls(), (std::vector<std::string>{"banner review", "banner review secondary"}));
}

TEST(BannerSlot, TextsFromDataShowAsTyped) {
    FakeAppModel model;
    BannerModel shown = banner("drive-S1", true, "<b>x</b>");
    shown.message = "<i>Photos</i> & more";
    model.setBanners({shown});
    Page page(model);
    ASSERT_NE(page.slot->banner(), nullptr);
    EXPECT_EQ(page.slot->banner()->titleText()->shownText(), QStringLiteral("<b>x</b>"));
    EXPECT_EQ(page.slot->banner()->messageText()->shownText(), QStringLiteral("<i>Photos</i> & more"));
}

} // namespace
} // namespace keldra
