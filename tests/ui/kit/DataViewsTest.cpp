#include "design/data/DataList.h"
#include "design/data/RunLogList.h"
#include "design/data/StatTile.h"
#include "design/data/StatusHeadline.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "tests/ui/kit/KitTest.h"

#include <QAccessibleActionInterface>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <chrono>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(DataList, EachRowCopiesItsStoredValue) {
    DataList list({{QStringLiteral("Last backup"), QStringLiteral("Today 14:02"), StatusTone::secure, true},
                   {QStringLiteral("KEY mode"), QString(), std::nullopt, true}},
                  38);
    ASSERT_EQ(list.rowWidgets().size(), 2);
    EXPECT_EQ(list.rowWidgets()[0]->height(), 38);

    std::unique_ptr<QMenu> menu(list.makeRowMenu(0, nullptr));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy Last Backup"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Today 14:02"));

    // An empty value shows a dash but copies nothing.
    EXPECT_EQ(test::accessibleText(list.rowWidgets()[1], QAccessible::Value), QStringLiteral("\u2014"));
    std::unique_ptr<QMenu> second(list.makeRowMenu(1, nullptr));
    EXPECT_EQ(second->actions()[0]->text(), QStringLiteral("Copy Key Mode"));
    second->actions()[0]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());

    // A screen reader reaches the same command through the row's press action.
    QAccessible::queryAccessibleInterface(list.rowWidgets()[0])
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Today 14:02"));
}

TEST(DataList, CapitalisesEveryWord) {
    EXPECT_EQ(capitalizedWords(QStringLiteral("last BACKUP")), QStringLiteral("Last Backup"));
    EXPECT_EQ(capitalizedWords(QStringLiteral("key-mode  v2")), QStringLiteral("Key-mode  V2"));
    EXPECT_EQ(capitalizedWords(QString()), QString());
}

TEST(DataList, MarkupInDataIsShownAsTyped) {
    DataList list({{QStringLiteral("Name"), QStringLiteral("<b>x</b>"), std::nullopt, true}}, 38);
    const auto texts = list.findChildren<OLText*>();
    const bool shown = std::any_of(texts.begin(), texts.end(), [](OLText* text) {
        return text->shownText() == QStringLiteral("<b>x</b>");
    });
    EXPECT_TRUE(shown);
}

LogLine line(const char* text, int second) {
    return LogLine::make(text, LogLine::Tone::info, SystemTime(std::chrono::seconds(1'700'000'000 + second)));
}

TEST(RunLogList, NewestFirstWithinTheLimit) {
    std::vector<LogLine> lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(line(std::to_string(i).c_str(), i));
    RunLogList list(lines, 100);
    const QStringList shown = list.shownTexts();
    ASSERT_EQ(shown.size(), 100);
    EXPECT_EQ(shown.front(), QStringLiteral("299"));
    EXPECT_EQ(shown.back(), QStringLiteral("200"));

    RunLogList none(lines, 0);
    EXPECT_EQ(none.rowCount(), 0);
    EXPECT_TRUE(none.findChildren<OLText*>().isEmpty()) << "only the top rule";

    RunLogList empty({}, 10);
    const auto texts = empty.findChildren<OLText*>();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts[0]->text(), QStringLiteral("No activity yet."));
}

TEST(RunLogList, ALongTextStopsAfterTwoLines) {
    RunLogList list({line("first line\nsecond line\nthird line", 0)}, 5);
    list.resize(500, list.sizeHint().height());
    OLText* text = nullptr;
    for (auto* candidate : list.findChildren<OLText*>()) {
        if (candidate->text().startsWith(QStringLiteral("first")))
            text = candidate;
    }
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->maxLines(), 2);
    const int oneLine = QFontMetrics(text->styleFont()).height();
    EXPECT_LT(text->heightForWidth(400), 3 * oneLine);
    EXPECT_GE(text->heightForWidth(400), 2 * oneLine);
}

TEST(StatusHeadline, FadesOnlyWhenTheWordChanges) {
    test::AnimationsOn animations;
    const OLTheme theme{OLStyle::signal, OLAccent::frost};
    StatusHeadline headline({BackupHealth::protectedState(), theme}, OLTextStyle::hero, std::nullopt, 296);
    EXPECT_EQ(headline.word(), QStringLiteral("Protected."));
    EXPECT_FALSE(headline.sentenceText()->isVisibleTo(&headline));

    headline.setPresentation({BackupHealth::blocked(BlockReason::accessDenied("one")), theme});
    EXPECT_EQ(headline.word(), QStringLiteral("Refused."));
    EXPECT_TRUE(headline.isCrossFading());
    QTest::qWait(400);
    EXPECT_FALSE(headline.isCrossFading());

    headline.setPresentation({BackupHealth::blocked(BlockReason::accessDenied("another")), theme});
    EXPECT_FALSE(headline.isCrossFading());
}

TEST(StatusHeadline, TheWordIsAHeadingNamedByItself) {
    StatusHeadline headline({BackupHealth::protectedState(), OLTheme{}}, OLTextStyle::hero,
                            QStringLiteral("All set."), 296);
    QAccessibleInterface* word = QAccessible::queryAccessibleInterface(headline.wordText());
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->role(), QAccessible::Heading);
    EXPECT_EQ(word->text(QAccessible::Name), QStringLiteral("Protected."));
    EXPECT_EQ(word->text(QAccessible::Description), QString());
    // The sentence under it is ordinary text.
    EXPECT_NE(QAccessible::queryAccessibleInterface(headline.sentenceText())->role(), QAccessible::Heading);
}

TEST(StatusHeadline, ALongSentenceWrapsWithinItsWidthAndIsNeverCut) {
    const QString sentence = QString(QStringLiteral("Last backup today at 14:02. ")).repeated(8);
    StatusHeadline headline({BackupHealth::protectedState(), OLTheme{}}, OLTextStyle::display, sentence, 296);
    headline.resize(600, headline.heightForWidth(600));
    headline.show();
    QApplication::processEvents();
    EXPECT_LE(headline.sentenceText()->width(), 296);
    EXPECT_GE(headline.sentenceText()->height(), headline.sentenceText()->heightForWidth(296));
    EXPECT_FALSE(headline.sentenceText()->isElided());
}

TEST(StatTile, ATonedValueHidesItsUnitAndSignalColoursThePrimaryFigure) {
    QWidget window;
    olSetTheme(&window, OLTheme{OLStyle::signal, OLAccent::teal});
    StatTile toned(QStringLiteral("Upload"), QStringLiteral("Paused"), QStringLiteral("MB/s"),
                   StatusTone::warning, true, nullptr, &window);
    EXPECT_EQ(toned.unitText(), nullptr);
    EXPECT_EQ(toned.valueText()->color(), OLColor::toneWarning);

    StatTile primary(QStringLiteral("Upload"), QStringLiteral("12.5"), QStringLiteral("MB/s"), std::nullopt,
                     true, nullptr, &window);
    EXPECT_EQ(primary.valueText()->color(), accentColor(OLAccent::teal));
    EXPECT_EQ(test::accessibleText(&primary, QAccessible::Name), QStringLiteral("Upload"));
    EXPECT_EQ(test::accessibleText(&primary, QAccessible::Value), QStringLiteral("12.5 MB/s"));
    olSetTheme(&window, OLTheme{OLStyle::glass, OLAccent::teal});
    EXPECT_EQ(primary.valueText()->color(), OLColor::textPrimary);
    EXPECT_GE(primary.minimumHeight(), 92);
}

} // namespace
} // namespace keldra
