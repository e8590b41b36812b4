#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/ThemeScope.h"
#include "tests/ui/support/UiTest.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace keldra {
namespace {

// A window painted in the window background, holding one control at a known place.
class Stage : public QWidget {
public:
    explicit Stage(QWidget* child, int width = 0) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(10, 10, 10, 10);
        layout->addWidget(child);
        if (width > 0)
            child->setFixedWidth(width);
        adjustSize();
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), OLColor::background.qcolor()); }
};

QColor background() {
    return OLColor::background.qcolor();
}

// A pixel of `widget` as drawn inside its window (left of any content, clear of the corners).
QColor sample(QWidget* stage, QWidget* widget, QPoint at) {
    const QImage image = test::grab(stage);
    return image.pixelColor(widget->mapTo(stage, at));
}

QColor atOpacity(const OLRgba& color, double opacity) {
    return test::blend(color.opacity(color.alpha * opacity).qcolor(), background());
}

TEST(Buttons, FillsByKindAndState) {
    struct Case {
        const char* name;
        OLButtonKind kind;
        bool hovered;
        bool pressed;
        bool enabled;
        QColor expected;
    };
    const QColor bg = background();
    const Case cases[] = {
        {"primary idle", OLButtonKind::primary, false, false, true, OLColor::buttonPrimary.qcolor()},
        {"primary hovered", OLButtonKind::primary, true, false, true, OLColor::buttonPrimaryHover.qcolor()},
        {"primary pressed", OLButtonKind::primary, true, true, true, OLColor::buttonPrimaryPressed.qcolor()},
        // Disabled under the pointer keeps the idle fill, dimmed.
        {"primary disabled hovered", OLButtonKind::primary, true, false, false,
         atOpacity(OLColor::buttonPrimary, 0.45)},
        {"secondary idle", OLButtonKind::secondary, false, false, true, bg},
        {"secondary hovered", OLButtonKind::secondary, true, false, true,
         test::blend(OLColor::surface.opacity(0.6).qcolor(), bg)},
        {"secondary disabled hovered", OLButtonKind::secondary, true, false, false,
         test::blend(OLColor::surface.opacity(0.6 * 0.45).qcolor(), bg)},
        {"secondary pressed", OLButtonKind::secondary, false, true, true, OLColor::surfaceRaised.qcolor()},
        {"destructive hovered", OLButtonKind::destructive, true, false, true,
         OLColor::buttonDestructive.qcolor()},
        {"destructive pressed", OLButtonKind::destructive, false, true, true,
         atOpacity(OLColor::buttonDestructive, 0.85)},
        {"text pressed", OLButtonKind::text, true, true, true, bg},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* button = new OLButton(QStringLiteral("Back up now"), c.kind);
        Stage stage(button);
        button->setHovered(c.hovered);
        button->setDown(c.pressed);
        button->setEnabled(c.enabled);
        const QPoint inside =
            button->kind() == OLButtonKind::text ? QPoint(0, 0) : QPoint(6, button->height() / 2);
        EXPECT_TRUE(test::near(sample(&stage, button, inside), c.expected))
            << sample(&stage, button, inside).name().toStdString() << " vs "
            << c.expected.name().toStdString();
    }
}

TEST(Buttons, SecondaryOutlineIsInsideAndTextButtonsHaveNoShape) {
    auto* secondary = new OLButton(QStringLiteral("Choose folders"), OLButtonKind::secondary);
    Stage stage(secondary);
    EXPECT_TRUE(test::near(sample(&stage, secondary, QPoint(secondary->width() / 2, 0)),
                           test::blend(OLColor::borderStrong.qcolor(), background())));

    auto* text = new OLButton(QStringLiteral("Show details"), OLButtonKind::text);
    Stage textStage(text);
    EXPECT_LT(text->height(), 34);
    EXPECT_EQ(text->sizeHint().width(),
              OLButton(QStringLiteral("Show details"), OLButtonKind::text).sizeHint().width());
    const QImage idle = test::grab(&textStage);
    text->setDown(true);
    text->setHovered(true);
    EXPECT_EQ(test::grab(&textStage), idle);
    // The word is drawn in the accent.
    olSetTheme(&textStage, OLTheme{OLStyle::glass, OLAccent::teal, 999});
    bool accent = false;
    const QImage teal = test::grab(&textStage);
    for (int x = 0; x < teal.width() && !accent; ++x) {
        for (int y = 0; y < teal.height() && !accent; ++y)
            accent = test::near(teal.pixelColor(x, y), QColor(0x8F, 0xBC, 0xBB), 2);
    }
    EXPECT_TRUE(accent);
}

// Pixels of the top-left corner square that the shape leaves uncovered.
int cornerCut(const QImage& image, QPoint origin, const QColor& background, int side = 8) {
    int cut = 0;
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y)
            cut += test::near(image.pixelColor(origin + QPoint(x, y)), background, 2) ? 1 : 0;
    }
    return cut;
}

// The same count for a reference shape of `radius` and `size`.
int referenceCut(QSize size, double radius) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(background());
    QPainter painter(&image);
    fillContinuousRect(painter, QRectF(QPointF(0, 0), QSizeF(size)), radius, Qt::white);
    painter.end();
    return cornerCut(image, QPoint(0, 0), background());
}

TEST(Buttons, RadiusFollowsTheStyle) {
    auto* button = new OLButton(QStringLiteral("Back up now"));
    auto* icon = new OLIconButton(QStringLiteral("icon-refresh"), QStringLiteral("Refresh"), 40);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button);
    layout->addWidget(icon);
    Stage stage(row);
    auto cuts = [&] {
        const QImage image = test::grab(&stage);
        return std::pair{cornerCut(image, button->mapTo(&stage, QPoint(0, 0)), background()),
                         cornerCut(image, icon->mapTo(&stage, QPoint(0, 0)), background())};
    };
    const auto glass = cuts();
    EXPECT_NEAR(glass.first, referenceCut(button->size(), 16), 2);
    EXPECT_NEAR(glass.second, referenceCut(icon->size(), 10), 2);
    olSetTheme(&stage, OLTheme{OLStyle::signal, OLAccent::frost, 999});
    const auto signal = cuts();
    EXPECT_NEAR(signal.first, referenceCut(button->size(), 10), 2);
    // The tile's fill is close to the background, so its soft edge counts loosely.
    EXPECT_NEAR(signal.second, referenceCut(icon->size(), 6), 4);
    EXPECT_GT(glass.first, signal.first + 4);
    EXPECT_GT(glass.second, signal.second + 4);
}

TEST(Buttons, LoadingShowsTheSpinnerIgnoresClicksAndIsDimmed) {
    int runs = 0;
    auto* button = new OLButton(QStringLiteral("Back up now"));
    button->setIconName(QStringLiteral("icon-upload"));
    button->setAction([&runs] { ++runs; });
    Stage stage(button);
    stage.show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(runs, 1);

    button->setLoading(true);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(test::near(sample(&stage, button, QPoint(3, button->height() / 2)),
                           atOpacity(OLColor::buttonPrimary, 0.45)));

    // The icon is hidden: the same button without one looks the same while loading.
    auto* plain = new OLButton(QStringLiteral("Back up now"));
    plain->setLoading(true);
    Stage plainStage(plain);
    stage.adjustSize();
    EXPECT_EQ(test::grab(&plainStage), test::grab(&stage));

    button->setLoading(false);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(runs, 2);
}

TEST(Buttons, WithoutIconOrSpinnerOnlyTheTitleWithNoGap) {
    OLButton plain(QStringLiteral("Back up now"));
    OLButton withIcon(QStringLiteral("Back up now"));
    withIcon.setIconName(QStringLiteral("icon-upload"));
    EXPECT_EQ(withIcon.sizeHint().width() - plain.sizeHint().width(), 15 + 8);
    EXPECT_EQ(plain.sizeHint().height(), 34);
}

TEST(Buttons, LongTitleIsCutToOneLine) {
    auto* button = new OLButton(QStringLiteral("Back up every selected folder to all connected drives now"));
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(button);
    row->setFixedWidth(160);
    Stage stage(row);
    test::grab(&stage);
    EXPECT_LE(button->width(), 160);
    EXPECT_EQ(button->height(), 34);
    // The fill still reaches the right edge: nothing spills out.
    EXPECT_TRUE(
        test::near(sample(&stage, button, QPoint(button->width() - 5, 17)), OLColor::buttonPrimary.qcolor()));
}

TEST(Buttons, KeyboardFocusRingSpaceReturnAndShortcut) {
    int runs = 0;
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* first = new OLButton(QStringLiteral("First"), OLButtonKind::secondary);
    auto* button = new OLButton(QStringLiteral("Back up now"));
    button->setAction([&runs] { ++runs; });
    button->setShortcut(QKeySequence(QStringLiteral("Ctrl+B")));
    layout->addWidget(first);
    layout->addWidget(button);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    first->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus());
    EXPECT_TRUE(button->showsFocusRing());
    const QImage focused = test::grab(button);
    EXPECT_TRUE(test::near(focused.pixelColor(button->width() / 2, 0), OLColor::focusRing.qcolor(), 4));

    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(&window, Qt::Key_B, Qt::ControlModifier);
    // A shortcut flashes the pressed look before it clicks.
    EXPECT_TRUE(QTest::qWaitFor([&runs] { return runs == 3; }, 2000));

    // A click focuses without a ring.
    QTest::mouseClick(first, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(runs, 4);
    EXPECT_TRUE(button->hasFocus());
    EXPECT_FALSE(button->showsFocusRing());
}

TEST(Buttons, AccessibleNamesAndRoles) {
    OLButton button(QStringLiteral("Back up now"));
    OLIconButton icon(QStringLiteral("icon-close"), QStringLiteral("Close"), 28);
    for (QWidget* widget : {static_cast<QWidget*>(&button), static_cast<QWidget*>(&icon)}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Button);
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name),
              QStringLiteral("Back up now"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&icon)->text(QAccessible::Name), QStringLiteral("Close"));
    EXPECT_EQ(icon.toolTip(), QStringLiteral("Close"));
}

TEST(Buttons, IconButtonHoverFillAndFixedIconSize) {
    auto* small = new OLIconButton(QStringLiteral("icon-close"), QStringLiteral("Close"), 24);
    auto* large = new OLIconButton(QStringLiteral("icon-close"), QStringLiteral("Close"), 48);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(small);
    layout->addWidget(large);
    Stage stage(row);
    EXPECT_EQ(large->size(), QSize(48, 48));
    EXPECT_TRUE(test::near(sample(&stage, large, QPoint(8, 24)), OLColor::surface.qcolor(), 4));
    large->setHovered(true);
    EXPECT_TRUE(test::near(sample(&stage, large, QPoint(8, 24)), OLColor::surfaceRaised.qcolor(), 4));

    // The icon's ink spans the same width in both.
    auto inkWidth = [&stage](QWidget* button) {
        const QImage image = test::grab(&stage);
        const QPoint origin = button->mapTo(&stage, QPoint(0, 0));
        int left = button->width(), right = -1;
        for (int x = 0; x < button->width(); ++x) {
            for (int y = 0; y < button->height(); ++y) {
                if (test::near(image.pixelColor(origin + QPoint(x, y)), OLColor::textSecondary.qcolor(),
                               30)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return right - left;
    };
    EXPECT_EQ(inkWidth(small), inkWidth(large));
    EXPECT_GT(inkWidth(small), 8);
    EXPECT_LE(inkWidth(small), 15);
}

TEST(Buttons, PointerOverFollowsRealMouseMovesEvenWhenDisabled) {
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* button = new OLButton(QStringLiteral("Choose folders"), OLButtonKind::secondary);
    auto* other = new OLButton(QStringLiteral("Other"), OLButtonKind::secondary);
    layout->addWidget(button);
    layout->addWidget(other);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    button->setEnabled(false);
    QTest::mouseMove(button, button->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([button] { return button->isHovered(); }, 1000));
    QTest::mouseMove(other, other->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([button] { return !button->isHovered(); }, 1000));
}

// On the clear kinds a spinner in the text colour would show the accent (text) or stay as it is.
TEST(Buttons, TheSpinnerIsWhiteForEveryKind) {
    for (OLButtonKind kind : {OLButtonKind::secondary, OLButtonKind::text}) {
        auto* button = new OLButton(QStringLiteral("Back up now"), kind);
        button->setLoading(true);
        Stage stage(button);
        olSetTheme(&stage, OLTheme{OLStyle::glass, OLAccent::frost, 999});
        const QImage image = test::grab(&stage);
        // The brightest pixel of the spinner's square, left of the title.
        const QPoint origin = button->mapTo(&stage, QPoint(kind == OLButtonKind::text ? 0 : 16, 0));
        QColor brightest = background();
        for (int x = 0; x < 16; ++x) {
            for (int y = 0; y < button->height(); ++y) {
                const QColor c = image.pixelColor(origin + QPoint(x, y));
                if (c.lightness() > brightest.lightness())
                    brightest = c;
            }
        }
        EXPECT_GT(brightest.lightness(), background().lightness() + 60);
        // White dimmed over the window stays grey; the frost accent would turn it blue.
        EXPECT_LT(brightest.blue() - brightest.red(), 16) << brightest.name().toStdString();
    }
}

} // namespace
} // namespace keldra
