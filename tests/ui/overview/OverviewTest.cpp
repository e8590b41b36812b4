#include "OverviewFixture.h"
#include "design/button/HoldButton.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSearchField.h"
#include "design/data/DataList.h"
#include "design/data/StatTile.h"
#include "design/health/HealthPresentation.h"
#include "design/motion/OLMotion.h"
#include "design/orb/KeldraOrb.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/chrome/PlainButton.h"
#include "screens/chrome/SignalTopBar.h"
#include "screens/overview/GlassOverview.h"
#include "screens/overview/OverviewView.h"
#include "screens/overview/SignalOverview.h"
#include "screens/sources/SourceRow.h"
#include "screens/sources/SourcesColumn.h"
#include "tests/ui/kit/KitTest.h"
#include "tests/ui/support/UiTest.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;
using test::Hosted;
using test::settle;

TEST(Overview, TilesSayWhatTheModelKnows) {
    {
        Hosted partial("ready-partial");
        auto* page = partial.show<GlassOverview>();
        EXPECT_EQ(page->lastBackupTile()->valueText()->text(), "1,234 files need attention");
        EXPECT_NE(page->lastBackupButton(), nullptr);
        EXPECT_EQ(page->lastBackupButton()->accessibleDescription(), "Opens Activity");
    }
    {
        Hosted never("ready-never");
        never.model.setLastRun(std::nullopt);
        auto* page = never.show<GlassOverview>();
        EXPECT_EQ(page->lastBackupTile()->valueText()->text(), "Not backed up yet");
        EXPECT_EQ(page->lastBackupButton(), nullptr);
    }
    {
        Hosted done("ready-protected");
        done.model.setLastSuccess(done.model.now() - 1min);
        auto* page = done.show<GlassOverview>();
        const QString value = page->lastBackupTile()->valueText()->text();
        EXPECT_TRUE(value.startsWith("Completed today ")) << value.toStdString();
        EXPECT_EQ(value, value.left(10) + value.mid(10).toLower());
        EXPECT_EQ(page->activityTile()->valueText()->text(), "12,345");

        KeldraStatus zero;
        done.model.setKeldraStatus(zero);
        settle();
        EXPECT_EQ(page->storageTile()->valueText()->text(), "—");
    }
}

TEST(Overview, OrbPerformsTheActionOfTheMomentOrNothing) {
    Hosted hosted("ready-protected");
    auto* page = hosted.show<GlassOverview>();
    KeldraOrb* orb = page->orb();
    EXPECT_EQ(orb->accessibleName(), "Back up now");
    hosted.model.clearCalls();
    QTest::mouseClick(orb, Qt::LeftButton, {}, orb->rect().center());
    EXPECT_EQ(hosted.model.calls(), std::vector<std::string>{"perform backUpNow"});

    hosted.model.setPrimaryAction(std::nullopt);
    settle();
    EXPECT_EQ(orb->accessibleName(), "Protected");
    EXPECT_FALSE(page->primaryButton()->isVisible());
    hosted.model.clearCalls();
    QTest::mouseClick(orb, Qt::LeftButton, {}, orb->rect().center());
    EXPECT_TRUE(hosted.model.calls().empty());
}

// A new health cross-fades the hero along the style's curve; a refresh that keeps the health does not, and
// nothing fades when the desktop asks for less motion.
TEST(Overview, HeroCrossFadesIntoANewHealthUnlessTheDesktopReducesMotion) {
    for (const bool reduceMotion : {false, true}) {
        SCOPED_TRACE(reduceMotion);
        test::AnimationsOn animations;
        test::DesktopMotion desktop(reduceMotion);
        ASSERT_TRUE(desktop.ready());
        Hosted hosted("ready-protected");
        auto* page = hosted.show<GlassOverview>();
        EXPECT_EQ(QAccessible::queryAccessibleInterface(page->titleText())->role(), QAccessible::Heading);
        hosted.model.setPrimaryAction(std::nullopt);
        settle();
        EXPECT_EQ(page->findChild<QWidget*>(QStringLiteral("crossFade")), nullptr) << "same health";

        const QRect hero = page->hero()->geometry();
        hosted.model.setHealth(BackupHealth::paused());
        // Only the queued status change, no timers: on a loaded machine a full settle can outlast the fade.
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(page->titleText()->text(),
                  QString::fromStdString(HealthPresentation{BackupHealth::paused(), OLTheme{}}.title()));
        auto* fade = page->findChild<QWidget*>(QStringLiteral("crossFade"));
        if (reduceMotion) {
            EXPECT_EQ(fade, nullptr);
            continue;
        }
        ASSERT_NE(fade, nullptr);
        EXPECT_EQ(fade->parentWidget(), page->hero()->parentWidget());
        EXPECT_EQ(fade->geometry(), hero);
        auto* animation = fade->findChild<QVariantAnimation*>();
        ASSERT_NE(animation, nullptr);
        EXPECT_EQ(animation->state(), QAbstractAnimation::Running);
        EXPECT_EQ(animation->duration(), OLMotion::durationMs(phaseAnimation(OLTheme{})));
    }
}

TEST(Overview, SourcesColumnStandsBesideTheMainColumnOnlyWhenItFits) {
    Hosted hosted("ready-protected");
    auto* page = hosted.show<GlassOverview>();
    const int wide = page->wideWidth();
    EXPECT_GE(wide, 844);
    page->resize(wide + 64, 760);
    settle();
    EXPECT_TRUE(page->isWide());
    EXPECT_EQ(page->sourcesColumn()->width(), 380);
    page->resize(wide + 63, 760);
    settle();
    EXPECT_FALSE(page->isWide());
    EXPECT_GT(page->sourcesColumn()->width(), 380) << "full width under the main column";
}

TEST(Overview, TheFolderRowShowsItsWholeNote) {
    Hosted hosted("ready-protected");
    auto* page = hosted.show<GlassOverview>();
    // Beside the main column and under it: the note wraps instead of ending in "…".
    for (int extra : {64, 63}) {
        page->resize(page->wideWidth() + extra, 760);
        settle();
        const OLText* note = page->sourcesColumn()->folderNote();
        SCOPED_TRACE(note->width());
        EXPECT_EQ(note->text(), "This computer's folder in your Keldra. File names are encrypted.");
        EXPECT_FALSE(note->isElided());
    }
}

TEST(Overview, TheSourcesCardsRowsAndTheRunBarTakeTheirWidth) {
    Hosted hosted("full-running");
    auto* page = hosted.show<GlassOverview>();
    for (int width : {1200 - 236, 1000 - 236}) {
        SCOPED_TRACE(width);
        page->resize(width, 640);
        settle();
        // Under the main column the card spans the page, and so do its rows.
        SourcesColumn* card = page->sourcesColumn();
        ASSERT_FALSE(card->sourceRows().empty());
        // Each row ends where the card's padding begins.
        for (SourceRow* row : card->sourceRows()) {
            EXPECT_GE(row->mapTo(card, QPoint(row->width(), 0)).x(), card->width() - 48);
        }
        EXPECT_EQ(page->runBar()->width(), 360);
    }
}

// Where a text's line is drawn inside its parent: from the top of its first line to the bottom of it.
double drawnTop(const OLText* text) {
    return text->geometry().top() + text->baseline() - QFontMetricsF(text->styleFont()).ascent();
}
double drawnBottom(const OLText* text) {
    return drawnTop(text) + QFontMetricsF(text->styleFont()).height();
}

TEST(Overview, FixedHeightRowsCentreTheirText) {
    const struct {
        OLStyle style;
        bool compact;
    } cases[] = {{OLStyle::glass, true}, {OLStyle::glass, false}, {OLStyle::signal, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style) * 2 + c.compact);
        Hosted hosted("ready-protected", c.style);
        auto* row =
            hosted.show<SourceRow>(hosted.model.sources().front(), c.compact, std::function<void()>{});
        row->resize(600, row->height());
        settle();
        // The name and status lines stand as one block in the middle of the row, and so do the figures.
        const double top = drawnTop(row->nameText());
        const double bottom = row->height() - drawnBottom(row->statusText());
        EXPECT_LE(std::abs(top - bottom), 1.5) << top << " above, " << bottom << " below";
        OLText* lastFigure = row->lastBackupText() && row->lastBackupText()->isVisible()
                                 ? row->lastBackupText()
                                 : row->sizeText();
        EXPECT_LE(std::abs(drawnTop(row->sizeText()) - (row->height() - drawnBottom(lastFigure))), 1.5);
    }
}

TEST(Overview, SignalSourceAndDriveLinesCentreTheirText) {
    Hosted hosted("full-running", OLStyle::signal);
    auto* page = hosted.show<SignalOverview>();
    int lines = 0;
    for (OLText* text : page->findChildren<OLText*>()) {
        // The state word of each source and drive line ("ON", "OFF") and its neighbours.
        if (text->text() != QStringLiteral("ON") && text->text() != QStringLiteral("OFF")) {
            continue;
        }
        ++lines;
        for (const QObject* sibling : text->parentWidget()->children()) {
            const auto* part = qobject_cast<const OLText*>(sibling);
            if (!part) {
                continue;
            }
            SCOPED_TRACE(part->text().toStdString());
            const double middle = (drawnTop(part) + drawnBottom(part)) / 2;
            EXPECT_LE(std::abs(middle - part->parentWidget()->height() / 2.0), 1.5);
        }
    }
    EXPECT_EQ(lines, 9) << "seven sources and two drives";
}

TEST(Overview, SignalColumnsAreRuledBetween) {
    Hosted hosted("full-running", OLStyle::signal);
    auto* page = hosted.show<SignalOverview>();
    page->resize(1200, 640);
    settle();
    const QImage image = test::grab(page);
    // The hairlines at the left column's trailing edge and the right column's leading edge, halfway down,
    // over the empty padding beside them.
    for (int x : {359, 1200 - 300}) {
        SCOPED_TRACE(x);
        const QColor beside = image.pixelColor(x + 6, 320);
        const QColor line = test::blend(OLColor::hairline.qcolor(), beside);
        EXPECT_TRUE(test::near(image.pixelColor(x, 320), line))
            << image.pixelColor(x, 320).name().toStdString() << " beside " << beside.name().toStdString();
    }
}

TEST(Overview, SignalActionEndsTheLeftColumn) {
    {
        Hosted idle("ready-no-sources", OLStyle::signal);
        auto* page = idle.show<SignalOverview>();
        EXPECT_EQ(page->actionControl(), nullptr);
        // The facts are the last widget before the closing stretch.
        EXPECT_EQ(page->leftColumn()->itemAt(page->leftColumn()->count() - 2)->widget(),
                  static_cast<QWidget*>(page->facts()));
        EXPECT_EQ(page->speedText()->text(), "— ↑");
        EXPECT_FALSE(page->pathText()->isVisible());
    }
    {
        Hosted running("ready-running", OLStyle::signal);
        auto* page = running.show<SignalOverview>();
        auto* hold = qobject_cast<HoldButton*>(page->actionControl());
        ASSERT_NE(hold, nullptr);
        EXPECT_EQ(hold->title(), "Hold to pause");
        EXPECT_TRUE(page->pathText()->isVisible());
    }
    {
        Hosted unplugged("ready-unplugged-source", OLStyle::signal);
        auto* page = unplugged.show<SignalOverview>();
        ASSERT_EQ(page->sourceStates().size(), 2U);
        EXPECT_EQ(page->sourceStates()[0]->text(), "ON");
        EXPECT_EQ(page->sourceStates()[1]->text(), "OFF");
        EXPECT_EQ(page->sourceStates()[1]->color(), OLColor::toneWarning);
    }
}

TEST(Overview, ARunsSamplesRebuildNoRowAndReadNoSourceFigures) {
    for (OLStyle style : {OLStyle::glass, OLStyle::signal}) {
        SCOPED_TRACE(static_cast<int>(style));
        Hosted hosted("ready-running", style);
        hosted.show<OverviewView>();
        if (style == OLStyle::glass) {
            hosted.show<SignalTopBar>();
        }
        std::vector<QPointer<SourceRow>> rows;
        for (auto* row : hosted.scope->findChildren<SourceRow*>()) {
            rows.emplace_back(row);
        }
        const int reads = hosted.model.sourceStatsReads();
        auto samples = hosted.model.throughput();
        for (int second = 0; second < 10; ++second) {
            samples.erase(samples.begin());
            samples.push_back(1'000'000.0 * second);
            hosted.model.setThroughput(samples);
            hosted.model.setCurrentSpeed(1'000'000.0 * second);
            settle();
        }
        EXPECT_EQ(hosted.model.sourceStatsReads(), reads);
        for (const auto& row : rows) {
            EXPECT_FALSE(row.isNull());
        }
    }
}

TEST(Overview, SourceRowVariantsMenuAndRemoval) {
    Hosted hosted("ready-protected");
    hosted.model.setIndexFigures(10, 2'000, {{"S1", SourceStats{10, 2'000, 1.7e9}}});
    int removed = 0;
    auto* regular = new SourceRow(
        hosted.model, hosted.model.sources()[0], false, [&] { ++removed; }, hosted.scope.get());
    auto* compact = new SourceRow(hosted.model, hosted.model.sources()[1], true, {}, hosted.scope.get());
    hosted.scope->show();
    settle();
    EXPECT_EQ(regular->height(), 64);
    EXPECT_EQ(compact->height(), 54);
    ASSERT_NE(regular->lastBackupText(), nullptr);
    EXPECT_FALSE(regular->lastBackupText()->isHidden());
    EXPECT_EQ(compact->lastBackupText(), nullptr) << "the compact row never shows the time";
    ASSERT_NE(regular->removeButton(), nullptr);
    EXPECT_EQ(regular->removeButton()->label(), "Stop backing up Documents");
    EXPECT_EQ(compact->removeButton(), nullptr);

    std::unique_ptr<QMenu> menu(regular->makeMenu(nullptr));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Show in Files");
    EXPECT_EQ(menu->actions()[1]->text(), "Stop backing up…");
    hosted.model.clearCalls();
    menu->actions()[0]->trigger();
    EXPECT_EQ(hosted.model.calls(), std::vector<std::string>{"revealInFiles /home/ada/Documents"});
    menu->actions()[1]->trigger();
    QTest::mouseClick(regular->removeButton(), Qt::LeftButton);
    EXPECT_EQ(removed, 2);
    std::unique_ptr<QMenu> compactMenu(compact->makeMenu(nullptr));
    EXPECT_EQ(compactMenu->actions().size(), 1);

    // Without the index's time the regular row shows none either.
    hosted.model.setIndexFigures(0, 0);
    settle();
    EXPECT_TRUE(regular->lastBackupText()->isHidden());
}

TEST(Overview, StyleChangeBuildsAFreshPage) {
    Hosted hosted("ready-protected");
    auto* view = hosted.show<OverviewView>();
    auto* glass = qobject_cast<GlassOverview*>(view->content());
    ASSERT_NE(glass, nullptr);
    glass->searchField()->setText("half typed");
    olSetTheme(hosted.scope.get(), OLTheme{OLStyle::signal, OLAccent::frost, 999});
    settle();
    EXPECT_NE(qobject_cast<SignalOverview*>(view->content()), nullptr);
    olSetTheme(hosted.scope.get(), OLTheme{OLStyle::glass, OLAccent::frost, 999});
    settle();
    auto* fresh = qobject_cast<GlassOverview*>(view->content());
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->searchField()->text().isEmpty());
}

} // namespace
} // namespace keldra
