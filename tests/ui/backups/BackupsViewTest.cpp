#include "screens/backups/BackupsView.h"

#include "app/model/NumberLocale.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/layout/SectionLabel.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "design/theme/ThemeScope.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "screens/backups/BackupsTexts.h"
#include "screens/backups/DestinationsSection.h"
#include "screens/backups/DriveRow.h"
#include "screens/common/Confirmation.h"
#include "tests/support/QtApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

namespace keldra {
namespace {

BackupSource source(const std::string& id, const std::string& path, bool isFile = false) {
    return BackupSource{id, path, isFile, {}};
}

std::filesystem::path home() {
    return QDir::homePath().toStdString();
}

void drop(QWidget& target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Straight to the page, as the drag manager hands a drop over (the application object routes drops
    // only while a drag it started is under way).
    static_cast<QObject&>(target).event(&event);
}

std::vector<std::string> addedPaths(const FakeAppModel& app) {
    std::vector<std::string> added;
    for (const std::string& call : app.calls()) {
        if (call.starts_with("addSources ")) {
            added.push_back(call.substr(11));
        }
    }
    return added;
}

TEST(BackupsTexts, ASuggestionHidesOnlyForTheExactPath) {
    const AppModelView::SuggestedFolders suggested{{"Documents", home() / "Documents"},
                                                   {"Desktop", home() / "Desktop"},
                                                   {"Pictures", home() / "Pictures"}};
    const struct {
        const char* name;
        std::vector<BackupSource> sources;
        std::vector<std::string> open;
    } cases[] = {
        {"none", {}, {"Documents", "Desktop", "Pictures"}},
        {"exact path", {source("1", (home() / "Documents").string())}, {"Desktop", "Pictures"}},
        {"trailing slash",
         {source("1", (home() / "Documents").string() + "/")},
         {"Documents", "Desktop", "Pictures"}},
        {"all three",
         {source("1", (home() / "Documents").string()), source("2", (home() / "Desktop").string()),
          source("3", (home() / "Pictures").string())},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> names;
        for (const auto& [name, folder] : openSuggestions(suggested, c.sources)) {
            names.push_back(name);
        }
        EXPECT_EQ(names, c.open);
    }
}

TEST(BackupsTexts, TheSkippedSentence) {
    const struct {
        const char* name;
        bool junk, caches, developer;
        std::vector<std::string> custom;
        const char* text;
    } cases[] = {
        {"all on",
         true,
         true,
         true,
         {},
         "System files (.DS_Store), temporary files; caches and the Trash; developer build folders; symbolic "
         "links. "
         "Change in Settings \u203A Backup."},
        {"all off", false, false, false, {}, "Symbolic links. Change in Settings \u203A Backup."},
        {"custom only",
         false,
         false,
         false,
         {"*.tmp", "build"},
         "*.tmp, build; symbolic links. Change in Settings \u203A Backup."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BackupSettings settings;
        settings.excludeSystemJunk = c.junk;
        settings.excludeCaches = c.caches;
        settings.excludeDeveloperFolders = c.developer;
        settings.customExclusions = c.custom;
        EXPECT_EQ(skippedText(settings), QString::fromUtf8(c.text));
    }
}

TEST(BackupsView, EveryFigureOnThePageFollowsTheOneNumberFormat) {
    // German groups with a point and marks decimals with a comma: one page must not mix that with English.
    const std::locale previous = installNumberFormat(QLocale(QLocale::German, QLocale::Germany));
    FakeAppModel app;
    app.setSources({source("S1", home().string() + "/Documents")});
    app.setIndexFigures(9'000, 2'500'000, {{"S1", SourceStats{9'000, 2'500'000, std::nullopt}}});
    LocalDestination drive;
    drive.id = "D1";
    drive.name = "Travel";
    app.setDestinations({drive});
    DriveState state;
    state.connected = true;
    state.files = 12'345;
    state.bytes = 12'345'000'000;
    state.freeBytes = 1'500'000'000'000;
    app.setDriveStates({{"D1", state}});
    BackupsView view(app);
    test::drainEvents();

    QStringList texts;
    for (const OLText* text : view.findChildren<OLText*>()) {
        texts << text->text();
    }
    const QString page = texts.join(QLatin1Char('\n'));
    for (const char* expected : {"9.000 files", "2,5 MB", "12.345 files", "12,35 GB", "1,5 TB free"}) {
        EXPECT_TRUE(page.contains(QString::fromUtf8(expected))) << expected << " in:\n" << page.toStdString();
    }
    // No figure grouped the English way or left ungrouped.
    EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral("\\d,\\d{3}\\b")))) << page.toStdString();
    EXPECT_FALSE(page.contains(QRegularExpression(QStringLiteral("\\d{4,}")))) << page.toStdString();
    std::locale::global(previous);
}

TEST(BackupsView, SuggestionsAndTheEmptyList) {
    FakeAppModel app;
    BackupsView view(app);
    test::drainEvents();
    EXPECT_EQ(view.sourcesHeading()->text(), QStringLiteral("Backing up \u00B7 0"));
    EXPECT_TRUE(view.emptyCard());
    auto buttons = view.suggestionButtons();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0]->title(), "Add Documents");
    buttons[0]->click();
    test::drainEvents();
    EXPECT_EQ(addedPaths(app), std::vector<std::string>{(home() / "Documents").string()});
    EXPECT_EQ(view.sourcesHeading()->text(), QStringLiteral("Backing up \u00B7 1"));
    EXPECT_FALSE(view.emptyCard());
    ASSERT_EQ(view.suggestionButtons().size(), 2u);
    EXPECT_EQ(view.suggestionButtons()[0]->title(), "Add Desktop");
}

TEST(BackupsView, TheStopDialogRemovesExactlyThePendingSourceAndCancelNothing) {
    FakeAppModel app;
    app.setSources({source("A", "/home/ada/Documents"), source("B", "/home/ada/Music"),
                    source("C", "/srv/x.txt", true)});
    BackupsView view(app);
    test::drainEvents();

    view.confirmStop("B");
    ASSERT_TRUE(view.stopDialog());
    EXPECT_EQ(view.stopDialog()->windowTitle(), "Stop backing up Music?");
    cancelButton(view.stopDialog())->click();
    test::drainEvents();
    EXPECT_EQ(app.sources().size(), 3u);
    EXPECT_FALSE(view.removing());

    view.confirmStop("B");
    // The list changes while the dialog is open: the pending id still names the source.
    app.setSources({source("C", "/srv/x.txt", true), source("B", "/home/ada/Music"),
                    source("A", "/home/ada/Documents")});
    confirmButton(view.stopDialog())->click();
    test::drainEvents();
    EXPECT_EQ(app.calls().back(), "removeSource B");
    ASSERT_EQ(app.sources().size(), 2u);
    EXPECT_EQ(app.sources()[0].id, "C");
    EXPECT_EQ(app.sources()[1].id, "A");
}

TEST(BackupsView, ChangeOpensSettingsOnlyWhenElsewhere) {
    FakeAppModel app;
    int changes = 0;
    QObject::connect(&app, &AppModelView::sectionChanged, [&] { ++changes; });
    BackupsView view(app);
    app.setSection(AppSection::backups);
    view.changeButton()->click();
    EXPECT_EQ(app.section(), AppSection::settings);
    view.changeButton()->click();
    EXPECT_EQ(changes, 2);
}

TEST(BackupsView, TheDialogAddsWhatWasChosenInOneCall) {
    FakeAppModel app;
    BackupsView view(app);
    app.setNextPaths({"/data/a", "/data/b.txt"});
    view.addButton()->click();
    EXPECT_EQ(app.calls().front(), "choosePaths Choose folders, files or drives to back up.");
    EXPECT_EQ(addedPaths(app), (std::vector<std::string>{"/data/a", "/data/b.txt"}));
    app.clearCalls();
    view.addButton()->click(); // cancelled
    EXPECT_TRUE(addedPaths(app).empty());
}

TEST(BackupsView, DropsAddLocalItemsInOneCallAndLeaveOutTheRest) {
    const struct {
        const char* name;
        QList<QUrl> urls;
        std::vector<std::string> added;
        bool banner;
    } cases[] = {
        {"three local folders",
         {QUrl::fromLocalFile("/data/a"), QUrl::fromLocalFile("/data/b"), QUrl::fromLocalFile("/data/c")},
         {"/data/a", "/data/b", "/data/c"},
         false},
        {"mixed",
         {QUrl::fromLocalFile("/data/a"), QUrl("https://example.com/x"), QUrl("smb://server/share"),
          QUrl("file://host/share/y"), QUrl::fromLocalFile("/data/b")},
         {"/data/a", "/data/b"},
         true},
        {"remote only", {QUrl("https://example.com/x")}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppModel app;
        int addCalls = 0;
        QObject::connect(&app, &AppModelView::sourcesChanged, [&] { ++addCalls; });
        BackupsView view(app);
        drop(view, c.urls);
        test::drainEvents();
        EXPECT_EQ(addedPaths(app), c.added);
        EXPECT_EQ(addCalls, c.added.empty() ? 0 : 1) << "one call for the whole drop";
        EXPECT_EQ(view.dropBanner() != nullptr, c.banner);
        if (c.banner) {
            EXPECT_EQ(view.dropBanner()->titleText()->text(), "Some items weren't added");
        }
    }
}

TEST(BackupsView, ADriveChangingStateKeepsThePageWhereItWas) {
    using namespace std::chrono_literals;
    FakeAppModel app;
    applyFakeState(app, "ready-drive-problem");
    std::vector<BackupSource> sources;
    for (int i = 0; i < 8; ++i)
        sources.push_back(source("S" + std::to_string(i), "/home/ada/folder-" + std::to_string(i)));
    app.setSources(sources);
    const DriveState problem = app.driveStates().at("D2");
    DriveState copying = app.driveStates().at("D1");

    // What the model does around "Copy now": the run starts, the drive's copy is recorded, the run ends and
    // the index's figures are read again.
    DriveState copied = copying;
    copied.lastSuccess = *copying.lastSuccess + 3h;
    const struct {
        const char* name;
        std::function<void(FakeAppModel&)> apply;
    } steps[] = {
        {"the run starts",
         [](FakeAppModel& m) {
             m.setIsRunning(true);
         }},
        {"the copy is recorded",
         [&](FakeAppModel& m) {
             m.setDriveStates({{"D1", copied}, {"D2", problem}});
         }},
        {"the run ends",
         [](FakeAppModel& m) {
             m.setIsRunning(false);
         }},
        {"the figures are read again",
         [](FakeAppModel& m) {
             m.setIndexFigures(m.backedUpFileCount() + 10, 5'000'000, {});
         }},
    };
    for (const OLStyle style : {OLStyle::glass, OLStyle::signal}) {
        SCOPED_TRACE(style == OLStyle::glass ? "glass" : "signal");
        app.setIsRunning(false);
        app.setDriveStates({{"D1", copying}, {"D2", problem}});
        app.setIndexFigures(100, 1'000'000, {});
        QWidget window;
        olSetTheme(&window, OLTheme{style, OLAccent::frost, 999});
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* view = new BackupsView(app, &window);
        layout->addWidget(view);
        window.resize(960, 640);
        window.show();
        test::drainEvents();
        auto* scroll = view->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        QScrollBar* bar = scroll->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 300) << "the page must scroll for this test";
        // The first drive near the bottom of the view, with more of the page below it.
        const QWidget* firstRow = view->destinations()->rows().front();
        bar->setValue(firstRow->mapTo(scroll->widget(), QPoint(0, firstRow->height())).y() -
                      scroll->viewport()->height() + 20);
        test::drainEvents();
        ASSERT_LT(bar->value(), bar->maximum() - 100);
        const int value = bar->value();
        ASSERT_FALSE(view->destinations()->rows().empty());
        const auto rowTop = [&] {
            return view->destinations()->rows().front()->mapTo(scroll->viewport(), QPoint(0, 0)).y();
        };
        const int top = rowTop();

        ASSERT_NE(view->destinations()->rows().front()->copyNowButton(), nullptr);
        // A click, as the user makes it: the button takes focus, and the row it sits in is rebuilt.
        QWidget* copyNow = view->destinations()->rows().front()->copyNowButton();
        QTest::mouseClick(copyNow, Qt::LeftButton, {}, copyNow->rect().center());
        ASSERT_TRUE(copyNow->hasFocus());
        for (const auto& step : steps) {
            SCOPED_TRACE(step.name);
            step.apply(app);
            // Each layout pass the change causes, not just the final one.
            for (int turn = 0; turn < 5; ++turn) {
                QCoreApplication::processEvents();
                EXPECT_EQ(bar->value(), value) << "turn " << turn;
            }
            test::drainEvents();
            EXPECT_EQ(bar->value(), value);
            ASSERT_FALSE(view->destinations()->rows().empty());
            EXPECT_EQ(rowTop(), top);
        }
    }
}

} // namespace
} // namespace keldra
