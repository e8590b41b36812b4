#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSegmented.h"
#include "design/layout/SectionLabel.h"
#include "design/status/StateBanner.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "tests/ui/restore/RestoreViewFixture.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPointer>
#include <functional>

namespace keldra::test {
namespace {

RemoteEntry version(int id, const std::string& path, std::optional<std::string> created,
                    std::optional<std::int64_t> size = 2048) {
    KeldraFile file;
    file.id = FlexID(static_cast<std::int64_t>(id));
    file.createdAt = std::move(created);
    if (size) {
        file.sizeBytes = FlexInt(*size);
    }
    return RemoteEntry{file, path};
}

class DetailCard : public RestoreViewTest {
protected:
    // A file node of `count` versions, one hour apart, the newest first.
    // Each call gives a node of its own path: the model compares selections by id.
    RestoreNodePtr fileWithVersions(int count) {
        static int made = 0;
        const std::string path = "~/Documents/plan " + std::to_string(++made) + ".txt";
        std::vector<RemoteEntry> versions;
        for (int i = 0; i < count; ++i) {
            versions.push_back(version(1000 - i, path,
                                       "2026-01-" + std::string(i < 9 ? "0" : "") +
                                           std::to_string(1 + i % 28) + " 10:00:00"));
        }
        return RestoreNode::makeFile(path, path.substr(12), std::move(versions));
    }

    QList<VersionRow*> versionRows() {
        QWidget* rows = card("versionRows");
        return rows ? rows->findChildren<VersionRow*>() : QList<VersionRow*>{};
    }

    QString textOf(const char* name) {
        if (auto* label = card<OLText>(name)) {
            return label->text();
        }
        ADD_FAILURE() << "no " << name;
        return {};
    }
};

TEST_F(DetailCard, TheEmptyPromptNamesTheListingWhenOneIsLoaded) {
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    RestoreView& view = show(); // no key for the model's sake: nothing listed yet
    (void)view;
    model_->setLoadedAt(std::nullopt);
    drain();
    EXPECT_EQ(textOf("emptyTitle"), "Pick something to restore");
    EXPECT_FALSE(card("listedLine"));

    writeHome("Documents/a.txt", "one");
    backUpToDrive();
    writeHome("Documents/a.txt", "two");
    backUpToDrive();
    writeHome("Documents/a.txt", "three");
    backUpToDrive();
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    load();
    drain();
    ASSERT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    clock_.advance(Seconds(90));
    auto* line = card<OLText>("listedLine");
    ASSERT_TRUE(line);
    line->grab();
    EXPECT_EQ(line->text(), "Listed from the drive 1 min ago. 1 files, 3 versions.");
    clock_.advance(Seconds(3600));
    line->grab();
    EXPECT_EQ(line->text(), "Listed from the drive 1 hour ago. 1 files, 3 versions.");
}

TEST_F(DetailCard, VersionsListTheThirtyNewestAndTheChosenOneRestores) {
    show();
    struct Case {
        int versions;
        int rows;
    };
    for (const Case& c : std::vector<Case>{{45, 30}, {30, 30}, {31, 30}, {1, 1}}) {
        SCOPED_TRACE(c.versions);
        const RestoreNodePtr file = fileWithVersions(c.versions);
        model_->setSelection(file);
        model_->setSelectedVersionID(file->versions.front().file.id);
        drain();
        EXPECT_EQ(card<SectionLabel>("versionsLabel")->text(),
                  "Versions \u00B7 " + QString::number(c.versions));
        const QList<VersionRow*> rows = versionRows();
        ASSERT_EQ(rows.size(), c.rows);
        ASSERT_TRUE(rows[0]->latestChip());
        EXPECT_EQ(rows[0]->latestChip()->label(), "Latest");
        EXPECT_TRUE(rows[0]->isChecked());
        EXPECT_EQ(rows[0]->height(), 36);
        for (int i = 1; i < rows.size(); ++i) {
            EXPECT_FALSE(rows[i]->latestChip());
            EXPECT_FALSE(rows[i]->isChecked());
        }
        EXPECT_EQ(textOf("retentionNote"),
                  "Older versions are kept for 30 days after a newer one is backed up.");
    }

    // A click moves the chosen version; nothing else changes.
    const RestoreNodePtr file = fileWithVersions(5);
    model_->setSelection(file);
    model_->setSelectedVersionID(file->versions.front().file.id);
    drain();
    click(versionRows()[3]);
    EXPECT_EQ(model_->selectedVersionID(), file->versions[3].file.id);
    EXPECT_TRUE(versionRows()[3]->isChecked());
    EXPECT_FALSE(versionRows()[0]->isChecked());
    EXPECT_TRUE(model_->destinationIsOriginal());

    // No chosen version: no row checked. Odd dates and sizes still show.
    RestoreNodePtr odd = RestoreNode::makeFile("~/odd.txt", "odd.txt",
                                               {version(7, "~/odd.txt", "2026-01-02T10:00:00Z", std::nullopt),
                                                version(6, "~/odd.txt", "not a date")});
    model_->setSelection(odd);
    model_->setSelectedVersionID(std::nullopt);
    drain();
    ASSERT_EQ(versionRows().size(), 2);
    EXPECT_FALSE(versionRows()[0]->isChecked());
    EXPECT_EQ(versionRows()[0]->sizeText(), "Zero KB");
    EXPECT_EQ(versionRows()[1]->dateText(), "Unknown date");
}

// A change rebuilds the part that shows it and leaves the others as they are: a row or field the user is on
// stays the same widget while another part changes.
TEST_F(DetailCard, AChangeRebuildsOnlyThePartThatShowsIt) {
    show();
    const RestoreNodePtr file = fileWithVersions(5);
    model_->setSelection(file);
    model_->setSelectedVersionID(file->versions.front().file.id);
    drain();
    struct Shown {
        QPointer<QWidget> header, versions, destination, restore, remove;
    };
    const auto shown = [&] {
        return Shown{card("selectionPath"), card("versionRows"), card("conflictControl"),
                     card("restoreButton"), card("deleteButton")};
    };
    struct Case {
        const char* name;
        std::function<void()> change;
        bool header, versions, destination, restore, remove; // which parts stay the same widgets
    };
    const std::vector<Case> cases{
        {"another version", [&] { model_->setSelectedVersionID(file->versions[2].file.id); }, true, false,
         true, true, true},
        {"another conflict policy", [&] { model_->setConflictPolicy(ConflictPolicy::replace); }, true, true,
         false, true, true},
        {"another destination", [&] { model_->setDestinationIsOriginal(false); }, true, true, false, true,
         true},
        {"another selection", [&] { model_->setSelection(fileWithVersions(3)); }, false, false, false, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Shown before = shown();
        ASSERT_TRUE(before.header && before.versions && before.destination && before.restore &&
                    before.remove);
        c.change();
        drain();
        const Shown after = shown();
        EXPECT_EQ(before.header == after.header, c.header);
        EXPECT_EQ(before.versions == after.versions, c.versions);
        EXPECT_EQ(before.destination == after.destination, c.destination);
        EXPECT_EQ(before.restore == after.restore, c.restore);
        EXPECT_EQ(before.remove == after.remove, c.remove);
    }
}

TEST_F(DetailCard, HeaderAndRestoreTitleForFilesAndFolders) {
    show();
    std::map<std::string, std::vector<RemoteEntry>> byPath;
    for (int i = 0; i < 1234; ++i) {
        const std::string path = "/data/many/f" + std::to_string(i);
        byPath[path] = {version(i + 1, path, std::nullopt, 1000)};
    }
    byPath["/data/one/only.txt"] = {version(9999, "/data/one/only.txt", std::nullopt, 1500000)};
    const std::vector<RestoreNodePtr> tree = RestoreNode::buildTree(byPath);
    ASSERT_EQ(tree.size(), 1u);
    const auto child = [&](const std::string& id) {
        for (const auto& c : *tree[0]->children) {
            if (c->id == id) {
                return c;
            }
        }
        return RestoreNodePtr();
    };

    struct Case {
        const char* name;
        RestoreNodePtr node;
        QString title;
        QString size;
        bool versions;
    };
    const std::vector<Case> cases{
        {"folder of 1,234", child("/data/many"), "Restore 1,234 files", "1,234 files \u00B7 1.2 MB", false},
        {"folder of one", child("/data/one"), "Restore 1 files", "1 files \u00B7 1.5 MB", false},
        {"file", (*child("/data/one")->children)[0], "Restore", "1.5 MB", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.node);
        model_->setSelection(c.node);
        drain();
        auto* button = card<OLButton>("restoreButton");
        ASSERT_TRUE(button);
        EXPECT_EQ(button->title(), c.title);
        EXPECT_EQ(button->iconName(), "icon-restore");
        EXPECT_EQ(textOf("sizeLine"), c.size);
        EXPECT_EQ(card<QLabel>("selectionPath")->text(), QString::fromStdString(c.node->id));
        EXPECT_EQ(card<QLabel>("selectionPath")->textInteractionFlags() & Qt::TextSelectableByMouse,
                  Qt::TextSelectableByMouse);
        EXPECT_EQ(card("versionsLabel") != nullptr, c.versions);
    }

    // A long path takes two lines at most, cut in the middle.
    const std::string longPath = "/data/" + std::string(400, 'x') + "/end.txt";
    model_->setSelection(RestoreNode::makeFile(longPath, "end.txt", {version(1, longPath, std::nullopt)}));
    drain();
    const QString shown = card<QLabel>("selectionPath")->text();
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(shown.startsWith("/data/xxx"));
    EXPECT_TRUE(shown.endsWith("/end.txt"));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
}

TEST_F(DetailCard, DestinationTransitionsThroughTheFolderChooser) {
    writeHome("Documents/a.txt", "a");
    backUpToKeldra();
    show();
    clickRow(rowNamed("Documents"));
    const fs::path chosen = home() / "Restored";
    const fs::path other = temp_ / "elsewhere";
    fs::create_directories(chosen);
    fs::create_directories(other);
    const auto option = [&](const char* name) {
        return card<DestinationOption>(name);
    };
    const auto state = [&] {
        return std::make_tuple(model_->destinationIsOriginal(), model_->destinationFolder(),
                               option("originalOption")->isChecked(), option("folderOption")->isChecked(),
                               card("changeFolderButton") != nullptr);
    };
    using Path = std::optional<fs::path>;
    EXPECT_EQ(option("folderOption")->subtitle(), "Choose where to put it");
    EXPECT_EQ(option("originalOption")->subtitle(), "Where it was on this computer");

    struct Step {
        const char* name;
        const char* click;
        std::optional<Path> answer; // a chooser answer queued before the click (nullopt: none expected)
        std::tuple<bool, Path, bool, bool, bool> expected;
        std::size_t chooserRequests;
    };
    const std::vector<Step> steps{
        {"another folder, cancelled", "folderOption", Path(), {true, Path(), true, false, false}, 1},
        {"another folder, confirmed", "folderOption", Path(chosen), {false, chosen, false, true, true}, 2},
        {"back to the original", "originalOption", std::nullopt, {true, chosen, true, false, false}, 2},
        {"another folder again: no chooser",
         "folderOption",
         std::nullopt,
         {false, chosen, false, true, true},
         2},
        {"change folder, cancelled", "changeFolderButton", Path(), {false, chosen, false, true, true}, 3},
        {"change folder, confirmed", "changeFolderButton", Path(other), {false, other, false, true, true}, 4},
        {"the chosen option again", "folderOption", std::nullopt, {false, other, false, true, true}, 4},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.answer) {
            chooser_.choices.push_back(*step.answer);
        }
        click(card<QAbstractButton>(step.click));
        drain();
        EXPECT_EQ(state(), step.expected);
        EXPECT_EQ(chooser_.requests.size(), step.chooserRequests);
    }
    EXPECT_EQ(option("folderOption")->subtitle(), QString::fromStdString(other.string()));
    model_->setDestinationFolder(chosen);
    drain();
    EXPECT_EQ(option("folderOption")->subtitle(), "~/Restored");

    auto* conflict = card<OLSegmented>("conflictControl");
    ASSERT_TRUE(conflict);
    // Its label stands at the middle of the picker's height.
    const auto labels = conflict->parentWidget()->findChildren<OLText*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 1);
    OLText* label = labels.front();
    const QFontMetricsF metrics(label->styleFont());
    const double drawnMiddle =
        label->geometry().top() + label->baseline() - metrics.ascent() + metrics.height() / 2;
    EXPECT_LE(std::abs(drawnMiddle - conflict->geometry().center().y()), 1.5);
    EXPECT_EQ(conflict->labels(), (QStringList{"Keep both", "Replace"}));
    EXPECT_EQ(conflict->selected(), (std::vector<bool>{true, false}));
    conflict->accessibleItemPress(1);
    drain();
    EXPECT_EQ(model_->conflictPolicy(), ConflictPolicy::replace);
}

TEST_F(DetailCard, ProgressAndSummaryTexts) {
    show();
    model_->setSelection(fileWithVersions(1));
    model_->setIsRestoring(true);
    drain();
    EXPECT_FALSE(card("restoreButton"));
    EXPECT_FALSE(card<QAbstractButton>("deleteButton")->isEnabled());
    struct Progress {
        int done;
        int total;
        std::int64_t bytesDone;
        std::int64_t bytesTotal;
        QString text;
        double fraction;
    };
    for (const Progress& p : std::vector<Progress>{{0, 3, 0, 0, "Restoring 1 of 3", 0},
                                                   {3, 3, 0, 0, "Restoring 3 of 3", 1},
                                                   {0, 0, 0, 0, "Restoring 0 of 0", 0},
                                                   {1, 4, 0, 0, "Restoring 2 of 4", 0.25},
                                                   {1, 1234, 500, 1000, "Restoring 2 of 1,234", 0.5},
                                                   // More bytes than the listing promised: full, not beyond.
                                                   {1, 2, 5000, 1000, "Restoring 2 of 2", 1}}) {
        SCOPED_TRACE(p.text.toStdString());
        RestoreProgress progress;
        progress.done = p.done;
        progress.total = p.total;
        progress.bytesDone = p.bytesDone;
        progress.bytesTotal = p.bytesTotal;
        model_->setProgress(progress);
        EXPECT_EQ(textOf("progressText"), p.text);
        EXPECT_DOUBLE_EQ(card<OLProgressBar>("progressBar")->fraction(), p.fraction);
    }
    model_->setIsRestoring(false);

    struct Summary {
        const char* name;
        RestoreSummary summary;
        StatusTone tone;
        QString title;
        QString message;
    };
    RestoreSummary five;
    for (int i = 1; i <= 5; ++i) {
        five.failures.push_back(
            {"~/Documents/f" + std::to_string(i) + ".txt", "Reason " + std::to_string(i)});
    }
    five.cancelled = true;
    RestoreSummary stopped;
    stopped.restored = 2;
    stopped.restoredBytes = 1'500'000;
    stopped.cancelled = true;
    RestoreSummary clean;
    clean.restored = 1234;
    clean.restoredBytes = 2'350'000'000;
    for (const Summary& s : std::vector<Summary>{
             {"five failures", five, StatusTone::warning, "5 files weren't restored",
              "f1.txt: Reason 1\nf2.txt: Reason 2\nf3.txt: Reason 3"},
             {"stopped", stopped, StatusTone::secure, "Restore stopped", "2 files (1.5 MB) are back."},
             {"clean", clean, StatusTone::secure, "Restored", "1,234 files (2.35 GB) are back."}}) {
        SCOPED_TRACE(s.name);
        model_->setSummary(s.summary);
        drain();
        auto* banner = card<StateBanner>("summaryBanner");
        ASSERT_TRUE(banner);
        EXPECT_EQ(banner->titleText()->text(), s.title);
        EXPECT_EQ(banner->messageText()->text(), s.message);
        EXPECT_FALSE(banner->actionButton());
        ASSERT_TRUE(banner->dismissButton());
    }
    click(card<StateBanner>("summaryBanner")->dismissButton());
    EXPECT_FALSE(model_->summary());
    EXPECT_FALSE(card("summaryBanner"));
}

} // namespace
} // namespace keldra::test
