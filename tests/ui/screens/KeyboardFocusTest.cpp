// Tabbing through every page of the real window, in both styles: each stop is a visible control that
// draws the kit's focus ring, and the stops come in reading order.

#include "design/theme/OLColor.h"
#include "desktop/MainWindow.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/root/RootView.h"
#include "screens/shell/MainShell.h"
#include "screens/shell/ReadingOrder.h"
#include "tests/support/QtApp.h"
#include "tests/ui/kit/KitTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <vector>

namespace keldra {
namespace {

// What a stop is called in a failure message.
std::string describe(QWidget* widget) {
    std::ostringstream out;
    out << widget->metaObject()->className();
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !button->text().isEmpty())
        out << " \"" << button->text().toStdString() << "\"";
    else if (!widget->accessibleName().isEmpty())
        out << " \"" << widget->accessibleName().toStdString() << "\"";
    return out.str();
}

// The widget that draws the ring of a focused widget: a field draws it around its inner line edit.
QWidget* ringOwner(QWidget* focused) {
    QWidget* parent = focused->parentWidget();
    return parent && parent->focusProxy() == focused ? parent : focused;
}

QRect rectIn(QWidget* root, QWidget* widget) {
    return QRect(widget->mapTo(root, QPoint(0, 0)), widget->size());
}

// Whether the ring shows: pixels that turn the ring's colour when the stop has focus, outside the inner
// widget of a field (whose caret is not the ring).
bool drawsRing(QWidget* root, QWidget* focused) {
    QWidget* owner = ringOwner(focused);
    const QRect area = rectIn(root, owner).intersected(root->rect());
    const QRect inner = owner == focused ? QRect() : rectIn(root, focused);
    const QImage withFocus = root->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    focused->clearFocus();
    test::drainEvents();
    const QImage without = root->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    focused->setFocus(Qt::TabFocusReason);
    test::drainEvents();
    const QColor ring = OLColor::focusRing.qcolor();
    const auto isRing = [&](QRgb pixel) {
        return std::abs(qRed(pixel) - ring.red()) <= 24 && std::abs(qGreen(pixel) - ring.green()) <= 24 &&
               std::abs(qBlue(pixel) - ring.blue()) <= 24;
    };
    for (int y = 0; y < withFocus.height(); ++y) {
        for (int x = 0; x < withFocus.width(); ++x) {
            if (inner.contains(area.topLeft() + QPoint(x, y)))
                continue;
            if (isRing(withFocus.pixel(x, y)) && !isRing(without.pixel(x, y)))
                return true;
        }
    }
    return false;
}

// Reading order: never back up within the column just read, never back to the left on the same line,
// and never back to a column on the left above.
std::optional<std::string> readingOrderBreak(const QRect& before, const QRect& after) {
    const bool above = after.bottom() < before.top();
    const bool sameColumn = after.left() <= before.right() && after.right() >= before.left();
    const bool sameLine = after.top() <= before.bottom() && after.bottom() >= before.top();
    const bool left = after.right() < before.left();
    if (above && sameColumn)
        return "goes back up";
    if (sameLine && left)
        return "goes back to the left";
    if (left && after.top() < before.top())
        return "goes back to a column on the left";
    return std::nullopt;
}

struct PageCase {
    const char* name;
    AppSection section;
    const char* state;
    std::optional<SettingsTab> tab;
};

TEST(KeyboardFocus, EveryStopIsAVisibleControlWithItsRingInReadingOrder) {
    const PageCase pages[] = {
        {"overview", AppSection::overview, "ready-seven-sources", std::nullopt},
        {"backups", AppSection::backups, "ready-drive-problem", std::nullopt},
        {"restore", AppSection::restore, "ready-protected", std::nullopt},
        {"activity", AppSection::activity, "ready-partial", std::nullopt},
        {"settings general", AppSection::settings, "ready-protected", SettingsTab::general},
        {"settings backup", AppSection::settings, "ready-protected", SettingsTab::backup},
        {"settings encryption", AppSection::settings, "ready-protected", SettingsTab::encryption},
        {"settings appearance", AppSection::settings, "ready-protected", SettingsTab::appearance},
        {"settings account", AppSection::settings, "ready-protected", SettingsTab::account},
    };
    for (const OLStyle style : {OLStyle::glass, OLStyle::signal}) {
        for (const PageCase& page : pages) {
            SCOPED_TRACE(testing::Message() << (style == OLStyle::glass ? "glass " : "signal ") << page.name);
            FakeAppModel model;
            applyFakeState(model, page.state);
            model.persistStyle(style);
            model.setSection(page.section);
            RootView root(model);
            root.resize(1200, 760);
            test::showActive(root);
            test::drainEvents();
            auto* shell = qobject_cast<MainShell*>(root.screen());
            ASSERT_NE(shell, nullptr);
            if (page.tab) {
                auto* settings = qobject_cast<SettingsView*>(shell->page());
                ASSERT_NE(settings, nullptr);
                settings->setTab(*page.tab);
                test::drainEvents();
            }

            // Activating the window focuses a control of Qt's choosing, without a ring; the round starts
            // from nothing focused, as after a click on the window's background.
            if (QWidget* focused = QApplication::focusWidget())
                focused->clearFocus();
            std::vector<QWidget*> stops;
            for (int press = 0; press < 120; ++press) {
                QWidget* from = QApplication::focusWidget() ? QApplication::focusWidget() : &root;
                QTest::keyClick(from, Qt::Key_Tab);
                test::drainEvents();
                QWidget* focused = QApplication::focusWidget();
                ASSERT_NE(focused, nullptr) << "press " << press;
                if (!stops.empty() && focused == stops.front())
                    break;
                SCOPED_TRACE(testing::Message() << "stop " << stops.size() << ": " << describe(focused));
                EXPECT_TRUE(focused->isVisible());
                EXPECT_FALSE(focused->visibleRegion().isEmpty()) << "nothing of it shows";
                EXPECT_TRUE(root.rect().intersects(rectIn(&root, focused))) << "outside the window";
                EXPECT_TRUE(drawsRing(&root, focused)) << "no focus ring";
                if (!stops.empty() && shell->navigation()->isAncestorOf(stops.back()) ==
                                          shell->navigation()->isAncestorOf(focused)) {
                    const auto broken = readingOrderBreak(rectIn(&root, ringOwner(stops.back())),
                                                          rectIn(&root, ringOwner(focused)));
                    EXPECT_FALSE(broken.has_value()) << *broken << " after " << describe(stops.back());
                }
                if (!stops.empty()) {
                    EXPECT_FALSE(shell->navigation()->isAncestorOf(focused) &&
                                 !shell->navigation()->isAncestorOf(stops.back()))
                        << "the navigation comes before the page";
                }
                stops.push_back(focused);
            }
            EXPECT_GE(stops.size(), 5u);
            ASSERT_FALSE(stops.empty());
            EXPECT_TRUE(shell->navigation()->isAncestorOf(stops.front()))
                << "the round starts in the navigation";
        }
    }
}

// In the real window, with nothing focused yet, the first Tab and Shift+Tab land on the reading order's first
// and last stops, as every later press does.
TEST(KeyboardFocus, TheWindowsFirstTabStartsTheReadingOrder) {
    for (const bool forward : {true, false}) {
        SCOPED_TRACE(forward ? "Tab" : "Shift+Tab");
        FakeAppModel model;
        applyFakeState(model, "ready-seven-sources");
        MainWindow window;
        auto* root = new RootView(model);
        window.setRootView(root);
        test::showActive(window);
        test::drainEvents();
        auto* shell = qobject_cast<MainShell*>(root->screen());
        ASSERT_NE(shell, nullptr);
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
        ASSERT_EQ(QApplication::focusWidget(), nullptr);

        QTest::keyClick(&window, forward ? Qt::Key_Tab : Qt::Key_Backtab);
        test::drainEvents();
        const std::vector<QWidget*> order = readingOrder(shell);
        ASSERT_FALSE(order.empty());
        EXPECT_EQ(QApplication::focusWidget(), forward ? order.front() : order.back());
    }
    // Content with nothing to focus hands the key back to the window once, not for ever.
    MainWindow window;
    window.setRootView(new QWidget);
    test::showActive(window);
    QTest::keyClick(&window, Qt::Key_Tab);
    test::drainEvents();
    EXPECT_FALSE(window.rootView()->isAncestorOf(QApplication::focusWidget()));
}

} // namespace
} // namespace keldra
