#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"

#include <QColor>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(ThemeValues, StoredChoicesParseOnlyExactly) {
    struct Case {
        const char* raw;
        bool style;
        bool accent;
    };
    for (const Case& c : {Case{"glass", true, false}, Case{"signal", true, false}, Case{"frost", false, true},
                          Case{"teal", false, true}, Case{"snow", false, true}, Case{"Glass", false, false},
                          Case{"glass ", false, false}, Case{" signal", false, false}, Case{"", false, false},
                          Case{"Snow", false, false}, Case{"frost\n", false, false}}) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(styleFromRaw(c.raw).has_value(), c.style);
        EXPECT_EQ(accentFromRaw(c.raw).has_value(), c.accent);
    }
    for (OLStyle style : allStyles)
        EXPECT_EQ(styleFromRaw(rawValue(style)), style);
    for (OLAccent accent : allAccents)
        EXPECT_EQ(accentFromRaw(rawValue(accent)), accent);
}

TEST(ThemeValues, DefaultThemeIsGlassFrostWithPillRadius) {
    EXPECT_EQ(defaultTheme.style, OLStyle::glass);
    EXPECT_EQ(defaultTheme.accent, OLAccent::frost);
    EXPECT_EQ(defaultTheme.radiusPill, 999);
    EXPECT_EQ(accentColor(defaultTheme), (OLRgba{0x88, 0xC0, 0xD0, 1}));
}

TEST(ThemeValues, DerivedValuesPerStyle) {
    const OLTheme glass{OLStyle::glass, OLAccent::teal, 999};
    const OLTheme signal{OLStyle::signal, OLAccent::teal, 999};
    EXPECT_EQ(radiusLarge(glass), 24);
    EXPECT_EQ(radius(glass), 16);
    EXPECT_EQ(radiusSmall(glass), 10);
    EXPECT_EQ(radiusLarge(signal), 14);
    EXPECT_EQ(radius(signal), 10);
    EXPECT_EQ(radiusSmall(signal), 6);
    EXPECT_EQ(panelBackground(glass), OLColor::surface);
    EXPECT_EQ(panelBackground(signal), OLColor::background);
    EXPECT_EQ(metaTextStyle(glass), OLTextStyle::caption);
    EXPECT_EQ(metaTextStyle(signal), OLTextStyle::eyebrow);
    EXPECT_EQ(phaseAnimation(glass).curve, OLAnimationTiming::Curve::spring);
    EXPECT_EQ(phaseAnimation(glass).response, 0.45);
    EXPECT_EQ(phaseAnimation(glass).dampingFraction, 0.8);
    EXPECT_EQ(phaseAnimation(signal), OLAnimationTiming::easeOut(0.25));
}

TEST(ThemeValues, SelectionFillFollowsAccentAndDiffersOnlyInOpacity) {
    for (OLAccent accent : allAccents) {
        const OLRgba glass = selectionFill(OLTheme{OLStyle::glass, accent, 999});
        const OLRgba signal = selectionFill(OLTheme{OLStyle::signal, accent, 999});
        EXPECT_EQ(glass, accentColor(accent).opacity(0.08));
        EXPECT_EQ(signal, accentColor(accent).opacity(0.10));
    }
    EXPECT_EQ(accentColor(OLAccent::snow), (OLRgba{0xEC, 0xEF, 0xF4, 1}));
    EXPECT_EQ(accentColor(OLAccent::teal), (OLRgba{0x8F, 0xBC, 0xBB, 1}));
    EXPECT_EQ(displayName(OLAccent::teal), "Teal");
}

TEST(ThemeValues, PaletteHasEveryTokenOnceInOrder) {
    ASSERT_EQ(OLColor::all.size(), 34u);
    EXPECT_EQ(OLColor::all.front().name, "background");
    EXPECT_EQ(OLColor::all.back().name, "chartGrid");
    EXPECT_EQ(OLColor::buttonPrimary, (OLRgba{0x55, 0x77, 0xA0, 1}));
    EXPECT_EQ(OLColor::toneDangerFill, (OLRgba{0xBF, 0x61, 0x6A, 0.15}));
    EXPECT_EQ(OLColor::scrim, (OLRgba{0x14, 0x18, 0x20, 0.6}));
    // Same colour, separate roles.
    EXPECT_EQ(OLColor::focusRing, OLColor::toneInfo);
    EXPECT_EQ(OLColor::background, OLColor::inkOnLight);
    for (size_t i = 0; i < OLColor::all.size(); ++i) {
        for (size_t j = i + 1; j < OLColor::all.size(); ++j)
            EXPECT_NE(OLColor::all[i].name, OLColor::all[j].name);
    }
    const QColor q = OLColor::border.qcolor();
    EXPECT_EQ(q.red(), 0xD8);
    EXPECT_NEAR(q.alphaF(), 0.14, 0.002);
    EXPECT_EQ(OLSize::controlHeight, 34);
    EXPECT_EQ(OLSpace::s48, 48);
}

TEST(ThemeValues, TextStylesTrackingAndLineSpacing) {
    struct Case {
        const char* name;
        OLTextStyle style;
        double tracking;
        double lineSpacing;
    };
    for (const Case& c :
         {Case{"hero", OLTextStyle::hero, -4.4, 0}, Case{"heroCompact", OLTextStyle::heroCompact, -3.8, 0},
          Case{"body", OLTextStyle::body, 0, 3.75}, Case{"callout", OLTextStyle::callout, 0, 2.6},
          Case{"caption", OLTextStyle::caption, 0, 1.8}, Case{"eyebrow", OLTextStyle::eyebrow, 0.88, 1.1},
          Case{"micro", OLTextStyle::micro, 0, 0}, Case{"title", OLTextStyle::title, -0.44, 0}}) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(c.style.tracking(), c.tracking, 1e-9);
        EXPECT_NEAR(c.style.lineSpacing(), c.lineSpacing, 1e-9);
    }
    ASSERT_EQ(allTextStyles.size(), 15u);
    for (const auto& named : allTextStyles) {
        EXPECT_GE(named.style.lineSpacing(), 0) << named.name;
        EXPECT_EQ(named.style.family(), named.style.isMono ? "JetBrains Mono" : "Inter") << named.name;
        EXPECT_EQ(named.style.uppercase, named.name == "eyebrow") << named.name;
    }
}

} // namespace
} // namespace keldra
