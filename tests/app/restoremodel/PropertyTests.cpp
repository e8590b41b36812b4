#include "app/async/Workers.h"
#include "app/model/RestoreModel.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/QtApp.h"

#include <functional>
#include <gtest/gtest.h>

namespace keldra::test {
namespace {

TEST(RestoreModelProperties, StartValuesAndAChangeSignalOnlyForARealChange) {
    qtApp();
    Workers workers(1);
    ScriptedFolderChooser chooser;
    RecordingFileRevealer revealer;
    RestoreModel model(workers, chooser, revealer);

    EXPECT_TRUE(model.sourceOptions().empty());
    EXPECT_FALSE(model.source());
    EXPECT_FALSE(model.driveDeviceDir());
    EXPECT_EQ(&model.catalog(), &RemoteCatalog::empty());
    EXPECT_TRUE(model.tree().empty());
    EXPECT_FALSE(model.isLoading());
    EXPECT_FALSE(model.loadError());
    EXPECT_FALSE(model.loadedAt());
    EXPECT_FALSE(model.selection());
    EXPECT_FALSE(model.selectedVersionID());
    EXPECT_EQ(model.query(), "");
    EXPECT_TRUE(model.destinationIsOriginal());
    EXPECT_FALSE(model.destinationFolder());
    EXPECT_EQ(model.conflictPolicy(), ConflictPolicy::keepBoth);
    EXPECT_FALSE(model.isRestoring());
    EXPECT_EQ(model.progress(), RestoreProgress{});
    EXPECT_FALSE(model.summary());
    EXPECT_FALSE(model.restoreTask());
    EXPECT_FALSE(model.isDeleting());
    EXPECT_TRUE(model.filteredTree().empty());

    const auto folderA = RestoreNode::makeFolder("~/A", "A");
    const auto task = std::make_shared<RestoreTask>(CancelSource{});
    RestoreSummary summary;
    summary.restored = 1;
    RestoreSummary sameCounts = summary;
    sameCounts.failures.clear();
    sameCounts.lastWritten = "/elsewhere";
    RestoreProgress progress;
    progress.total = 3;

    struct Case {
        const char* name;
        void (RestoreModel::*signal)();
        std::function<void()> change;    // the first assignment: a new value
        std::function<void()> sameAgain; // an equal value: no signal
    };
    const std::vector<Case> cases{
        {"sourceOptions", &RestoreModel::sourceOptionsChanged,
         [&] {
             model.setSourceOptions({{RestoreSource::keldra(FlexID("1")), "Keldra \u203A Mac"}});
         },
         [&] {
             model.setSourceOptions({{RestoreSource::keldra(FlexID("1")), "Keldra \u203A Mac"}});
         }},
        {"source", &RestoreModel::sourceChanged, [&] { model.setSource(RestoreSource::drive("D", "dev")); },
         [&] {
             model.setSource(RestoreSource::drive("D", "dev"));
         }},
        {"driveDeviceDir", &RestoreModel::driveDeviceDirChanged,
         [&] { model.setDriveDeviceDir("/d/devices/x"); },
         [&] {
             model.setDriveDeviceDir("/d/devices/x");
         }},
        {"tree", &RestoreModel::treeChanged, [&] { model.setTree({folderA}); },
         [&] {
             model.setTree({RestoreNode::makeFolder("~/A", "Other name")});
         }},
        {"isLoading", &RestoreModel::isLoadingChanged, [&] { model.setIsLoading(true); },
         [&] {
             model.setIsLoading(true);
         }},
        {"loadError", &RestoreModel::loadErrorChanged, [&] { model.setLoadError("x"); },
         [&] {
             model.setLoadError("x");
         }},
        {"selection", &RestoreModel::selectionChanged, [&] { model.setSelection(folderA); },
         [&] {
             model.setSelection(RestoreNode::makeFolder("~/A", "A again"));
         }},
        {"selectedVersionID", &RestoreModel::selectedVersionIDChanged,
         [&] { model.setSelectedVersionID(FlexID("7")); },
         [&] {
             model.setSelectedVersionID(FlexID("7"));
         }},
        {"query", &RestoreModel::queryChanged, [&] { model.setQuery("ab"); },
         [&] {
             model.setQuery("ab");
         }},
        {"destinationIsOriginal", &RestoreModel::destinationIsOriginalChanged,
         [&] { model.setDestinationIsOriginal(false); },
         [&] {
             model.setDestinationIsOriginal(false);
         }},
        {"destinationFolder", &RestoreModel::destinationFolderChanged,
         [&] { model.setDestinationFolder("/out"); },
         [&] {
             model.setDestinationFolder("/out");
         }},
        {"conflictPolicy", &RestoreModel::conflictPolicyChanged,
         [&] { model.setConflictPolicy(ConflictPolicy::replace); },
         [&] {
             model.setConflictPolicy(ConflictPolicy::replace);
         }},
        {"isRestoring", &RestoreModel::isRestoringChanged, [&] { model.setIsRestoring(true); },
         [&] {
             model.setIsRestoring(true);
         }},
        {"progress", &RestoreModel::progressChanged, [&] { model.setProgress(progress); },
         [&] {
             model.setProgress(progress);
         }},
        {"summary", &RestoreModel::summaryChanged, [&] { model.setSummary(summary); },
         [&] {
             model.setSummary(sameCounts);
         }},
        {"restoreTask", &RestoreModel::restoreTaskChanged, [&] { model.setRestoreTask(task); },
         [&] {
             model.setRestoreTask(task);
         }},
        {"isDeleting", &RestoreModel::isDeletingChanged, [&] { model.setIsDeleting(true); },
         [&] {
             model.setIsDeleting(true);
         }},
    };
    for (const Case& c : cases) {
        int count = 0;
        const auto connection = QObject::connect(&model, c.signal, [&count] { ++count; });
        c.change();
        EXPECT_EQ(count, 1) << c.name;
        c.sameAgain();
        EXPECT_EQ(count, 1) << c.name << " announced an equal value";
        QObject::disconnect(connection);
    }

    // The catalog has no equality: every assignment is announced.
    int catalogs = 0;
    QObject::connect(&model, &RestoreModel::catalogChanged, [&catalogs] { ++catalogs; });
    model.setCatalog(nullptr);
    model.setCatalog(nullptr);
    EXPECT_EQ(catalogs, 2);
    // The tree's names play no part: the node kept is the new one.
    EXPECT_EQ(model.tree()[0]->name, "Other name");
}

} // namespace
} // namespace keldra::test
