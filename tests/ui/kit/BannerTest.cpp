#include "design/button/OLButton.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "tests/ui/kit/KitTest.h"

#include <QAbstractButton>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace keldra {
namespace {

TEST(StateBanner, ButtonRowFollowsTheTitlesAndTheirClosures) {
    const std::function<void()> run = [] {
    };
    const std::function<void()> none;
    const struct {
        const char* name;
        std::optional<QString> actionTitle;
        std::function<void()> action;
        std::optional<QString> secondaryTitle;
        std::function<void()> secondary;
        bool row;
        bool hasAction;
        bool hasSecondary;
    } cases[] = {
        {"no titles", std::nullopt, none, std::nullopt, none, false, false, false},
        {"both", QStringLiteral("Retry"), run, QStringLiteral("Details"), run, true, true, true},
        {"only the secondary", std::nullopt, none, QStringLiteral("Details"), run, true, false, true},
        {"a title without its closure", QStringLiteral("Retry"), none, std::nullopt, none, true, false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StateBanner banner(StatusTone::warning, QStringLiteral("Title"), QStringLiteral("Message"),
                           c.actionTitle, c.action, c.secondaryTitle, c.secondary);
        EXPECT_EQ(banner.buttonRow() != nullptr, c.row);
        EXPECT_EQ(banner.actionButton() != nullptr, c.hasAction);
        EXPECT_EQ(banner.secondaryButton() != nullptr, c.hasSecondary);
        EXPECT_EQ(banner.dismissButton(), nullptr);
        if (banner.actionButton()) {
            EXPECT_EQ(banner.actionButton()->kind(), OLButtonKind::text);
        }
    }
}

TEST(StateBanner, ButtonsAndDismissRunTheirClosures) {
    int actions = 0;
    int dismissals = 0;
    StateBanner banner({StatusTone::warning,
                        QStringLiteral("Drive full"),
                        QStringLiteral("Free some space."),
                        QStringLiteral("Open"),
                        [&] { ++actions; },
                        std::nullopt,
                        {},
                        [&] {
                            ++dismissals;
                        }});
    banner.resize(400, banner.heightForWidth(400));
    banner.show();
    ASSERT_NE(banner.dismissButton(), nullptr);
    EXPECT_EQ(test::accessibleText(banner.dismissButton(), QAccessible::Name), QStringLiteral("Dismiss"));
    QTest::mouseClick(banner.actionButton(), Qt::LeftButton);
    QTest::mouseClick(banner.dismissButton(), Qt::LeftButton);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(dismissals, 1);
}

TEST(StateBanner, ALongMessageWrapsToItsFullHeightAndMarkupShowsAsTyped) {
    const QString longMessage = QStringLiteral("<b>x</b> ") + QString(QStringLiteral("word ")).repeated(80);
    StateBanner banner(StatusTone::info, QStringLiteral("Title"), longMessage);
    EXPECT_EQ(banner.messageText()->shownText(), longMessage);
    const int oneLine = QFontMetrics(banner.messageText()->styleFont()).height();
    EXPECT_GT(banner.heightForWidth(360), 4 * oneLine);
    EXPECT_FALSE(banner.messageText()->isElided());
}

} // namespace
} // namespace keldra
