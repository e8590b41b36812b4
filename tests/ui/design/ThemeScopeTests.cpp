#include "design/theme/OLWidget.h"
#include "design/theme/ThemeScope.h"

#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

class Recorder : public OLWidget {
public:
    using OLWidget::OLWidget;
    std::vector<OLTheme> seen;

protected:
    void themeChanged(const OLTheme& theme) override {
        seen.push_back(theme);
        OLWidget::themeChanged(theme);
    }
};

TEST(ThemeScope, WithoutAnInstalledThemeWidgetsDrawTheDefault) {
    QWidget lone;
    EXPECT_EQ(olTheme(&lone), OLTheme{});
    EXPECT_EQ(olTheme(nullptr), OLTheme{});
}

TEST(ThemeScope, DescendantsReadTheNearestThemeAndHearEveryChange) {
    QWidget window;
    auto* panel = new QWidget(&window);
    auto* deep = new Recorder(panel);
    const OLTheme signal{OLStyle::signal, OLAccent::teal, 999};
    olSetTheme(&window, signal);
    EXPECT_EQ(deep->theme(), signal);
    ASSERT_EQ(deep->seen.size(), 1u);
    EXPECT_EQ(deep->seen.back(), signal);

    olSetTheme(&window, signal); // unchanged: no event
    EXPECT_EQ(deep->seen.size(), 1u);

    // A preview inside the window keeps its own theme.
    const OLTheme preview{OLStyle::glass, OLAccent::snow, 999};
    olSetTheme(panel, preview);
    EXPECT_EQ(deep->theme(), preview);
    EXPECT_EQ(olTheme(&window), signal);
    EXPECT_EQ(deep->seen.back(), preview);

    olClearTheme(panel);
    EXPECT_EQ(deep->theme(), signal);
    EXPECT_EQ(deep->seen.back(), signal);

    // Moved into another window, it reads and hears that window's theme.
    QWidget other;
    const OLTheme snow{OLStyle::signal, OLAccent::snow, 999};
    olSetTheme(&other, snow);
    deep->setParent(&other);
    EXPECT_EQ(deep->theme(), snow);
    EXPECT_EQ(deep->seen.back(), snow);
}

} // namespace
} // namespace keldra
