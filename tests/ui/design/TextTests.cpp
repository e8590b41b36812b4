#include "design/log/WarnOnce.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "tests/ui/support/UiTest.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(Fonts, StylesResolveToThePackagedFamilies) {
    for (const auto& named : allTextStyles) {
        const QFont font = olFont(named.style);
        const QFontInfo info(font);
        EXPECT_EQ(info.family(),
                  named.style.isMono ? QStringLiteral("JetBrains Mono") : QStringLiteral("Inter"))
            << named.name;
        EXPECT_NEAR(QFontMetricsF(font).height() / named.style.size, 1.2, 0.15) << named.name;
    }
    EXPECT_EQ(QFontInfo(olFont(OLTextStyle::display)).weight(), QFont::ExtraBold);
}

TEST(Fonts, MonoDigitsShareOneAdvance) {
    for (const OLTextStyle& style : {OLTextStyle::mono, OLTextStyle::monoTitle, OLTextStyle::eyebrow}) {
        const QFontMetricsF metrics(olFont(style));
        const double one = metrics.horizontalAdvance(QStringLiteral("1"));
        for (QChar digit : QStringLiteral("0234567889"))
            EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QString(digit)), one);
        EXPECT_DOUBLE_EQ(metrics.horizontalAdvance(QStringLiteral("11:11:11")),
                         metrics.horizontalAdvance(QStringLiteral("08:59:40")));
    }
}

TEST(Fonts, FractionalSizesAreKept) {
    const QFont font = olFont(OLTextStyle::body, 0.9);
    EXPECT_NEAR(QFontInfo(font).pixelSize(), 13.5, 0.51);
    // QFont keeps spacing in 1/64 px.
    EXPECT_NEAR(olFont(OLTextStyle::eyebrow).letterSpacing(), 0.88, 1.0 / 64);
    EXPECT_EQ(olFont(OLTextStyle::eyebrow).letterSpacingType(), QFont::AbsoluteSpacing);
}

Q_LOGGING_CATEGORY(testLog, "keldra.test.warnonce")

TEST(Fonts, AMissingSubjectIsReportedOnce) {
    const QStringList warnings = test::captureWarnings([] {
        for (int i = 0; i < 3; ++i)
            warnOnce(testLog(), QStringLiteral("Missing Sans"),
                     QStringLiteral("Font family Missing Sans is missing"));
        warnOnce(testLog(), QStringLiteral("Other Sans"),
                 QStringLiteral("Font family Other Sans is missing"));
    });
    EXPECT_EQ(warnings,
              (QStringList{"Font family Missing Sans is missing", "Font family Other Sans is missing"}));
    EXPECT_TRUE(olFamilyAvailable("Inter"));
    EXPECT_FALSE(olFamilyAvailable("Missing Sans"));
}

TEST(OLTextWidget, UppercaseBelongsToTheStyleNotToTheParent) {
    OLText eyebrow(QStringLiteral("Last backup"), OLTextStyle::eyebrow, OLColor::textMuted);
    EXPECT_EQ(eyebrow.shownText(), QStringLiteral("LAST BACKUP"));
    EXPECT_EQ(eyebrow.accessibleName(), QStringLiteral("Last backup"));
    auto* layout = new QVBoxLayout(&eyebrow);
    auto* caption =
        new OLText(QStringLiteral("Today 09:41 · 1,204 files"), OLTextStyle::caption, OLColor::textMuted);
    layout->addWidget(caption);
    EXPECT_EQ(caption->shownText(), QStringLiteral("Today 09:41 · 1,204 files"));
}

TEST(OLTextWidget, LinesAreSpacedByTheStyle) {
    const QString text = QStringLiteral("one two three four five six seven eight nine ten eleven twelve");
    for (const OLTextStyle& style : {OLTextStyle::body, OLTextStyle::caption, OLTextStyle::hero}) {
        OLText label(text, style, OLColor::textPrimary);
        const double line = QFontMetricsF(olFont(style), &label).height();
        const int width = static_cast<int>(style.size * 6);
        const int height = label.heightForWidth(width);
        const int lines =
            static_cast<int>(std::lround((height + style.lineSpacing()) / (line + style.lineSpacing())));
        ASSERT_GT(lines, 1);
        EXPECT_NEAR(height, lines * line + (lines - 1) * style.lineSpacing(), 1.0);
    }
}

TEST(OLTextWidget, LimitedLinesElideAtTheEndOrMiddle) {
    OLText end(QStringLiteral("A rather long folder name that cannot fit"), OLTextStyle::body,
               OLColor::textPrimary);
    end.setMaxLines(1);
    end.resize(120, end.sizeHint().height());
    EXPECT_TRUE(end.isElided());
    OLText middle(QStringLiteral("~/Documents/Projects/Archive/2024/report.pdf"), OLTextStyle::mono,
                  OLColor::textPrimary);
    middle.setMaxLines(1);
    middle.setElideMode(Qt::ElideMiddle);
    middle.resize(150, middle.sizeHint().height());
    const QImage image = test::grab(&middle);
    EXPECT_TRUE(middle.isElided());
    EXPECT_TRUE(test::hasDetail(image));

    OLText wrapped(QStringLiteral("one two three four five six seven eight nine ten"), OLTextStyle::body,
                   OLColor::textPrimary);
    wrapped.setMaxLines(2);
    const int two = wrapped.heightForWidth(80);
    wrapped.setMaxLines(0);
    EXPECT_GT(wrapped.heightForWidth(80), two);
}

// A centred text narrower than its column (a status sentence under a headline) is given the height of the
// lines it wraps to at its own maximum width, not the column's, so no line is cut off.
TEST(OLTextWidget, ACentredTextCappedInWidthShowsEveryLine) {
    QWidget column;
    auto* layout = new QVBoxLayout(&column);
    auto* sentence =
        new OLText(QStringLiteral("Your Keldra is full (1 KB of 1 KB). New and changed files aren't "
                                  "being backed up."),
                   OLTextStyle::callout, OLColor::textSecondary);
    sentence->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    sentence->setMaximumWidth(200);
    layout->addWidget(sentence, 0, Qt::AlignHCenter);
    layout->addStretch();
    column.resize(900, 400);
    column.show();
    layout->activate();
    ASSERT_EQ(sentence->width(), 200);
    EXPECT_GE(sentence->height(), sentence->heightForWidth(200));
    EXPECT_GT(sentence->height(), sentence->sizeHint().height()) << "more than one line";
}

TEST(OLTextWidget, ShrinksBeforeEliding) {
    OLText title(QStringLiteral("Backing up"), OLTextStyle::display, OLColor::textPrimary);
    title.setMaxLines(1);
    const int natural = title.sizeHint().width();
    title.setMinimumScale(0.5);
    title.resize(natural * 3 / 4, title.sizeHint().height());
    EXPECT_FALSE(title.isElided());
    title.resize(natural / 3, title.sizeHint().height());
    EXPECT_TRUE(title.isElided());
}

TEST(OLTextWidget, BaselineIsTheFirstLineAscent) {
    OLText label(QStringLiteral("Protected"), OLTextStyle::headline, OLColor::textPrimary);
    label.resize(label.sizeHint());
    EXPECT_NEAR(label.baseline(), QFontMetricsF(olFont(OLTextStyle::headline), &label).ascent(), 0.01);
}

} // namespace
} // namespace keldra
