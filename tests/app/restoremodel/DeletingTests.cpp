#include "restore/engine/RestoreRun.h"
#include "restore/model/RestoreDeletion.h"
#include "tests/support/RestoreModelFixture.h"

namespace keldra::test {
namespace {

class Deleting : public RestoreModelTest {
protected:
    std::size_t storedFiles() { return control().files("restore@example.com").size(); }
    std::set<std::string> driveObjects() const {
        return LocalCatalog::listObjects(driveDevice()).value_or(std::set<std::string>{});
    }
    std::optional<std::string> deleteSelection() { return wait(model_->deleteSelected(context())); }
    void listDrive() {
        load();
        model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
        load();
        ASSERT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    }
};

TEST_F(Deleting, AFolderFromTheKeldraIsGoneAndListedAgain) {
    writeHome("Documents/a.txt", "alpha");
    writeHome("Documents/sub/b.txt", "beta");
    writeHome("Documents/sub/b.txt", "beta two");
    backUpToKeldra();
    writeHome("Documents/sub/b.txt", "beta three");
    backUpToKeldra();
    load();
    ASSERT_EQ(storedFiles(), 3u);
    model_->setSelection(node("~/Documents/sub"));
    const SignalCount deleting(model_.get(), &RestoreModel::isDeletingChanged);
    EXPECT_EQ(deleteSelection(), std::nullopt);
    EXPECT_EQ(deleting.count(), 2);
    EXPECT_FALSE(model_->isDeleting());
    EXPECT_EQ(storedFiles(), 1u);
    EXPECT_EQ(portalRequests("file-delete"), 2);
    EXPECT_FALSE(node("~/Documents/sub"));
    EXPECT_TRUE(node("~/Documents/a.txt"));
    EXPECT_FALSE(model_->selection());
}

TEST_F(Deleting, NotFoundCountsAsDeletedAndOtherFailuresAreCounted) {
    writeHome("Documents/a.txt", "alpha");
    writeHome("Documents/b.txt", "beta");
    backUpToKeldra();
    load();
    const auto a = node("~/Documents/a.txt");
    api_->deleteFile(a->versions.front().file.id);
    model_->setSelection(a);
    EXPECT_EQ(deleteSelection(), std::nullopt);

    control().addFault({{"endpoint", "file-delete"}, {"status", 500}, {"count", -1}});
    model_->setSelection(node("~/Documents/b.txt"));
    EXPECT_EQ(deleteSelection(), "1 items couldn't be deleted. Try again.");
    control().clearFaults();
    EXPECT_EQ(storedFiles(), 1u);
    EXPECT_TRUE(node("~/Documents/b.txt")); // listed again, still there
}

TEST_F(Deleting, ASecondDeleteWhileOneRunsIsIgnored) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    load();
    control().addFault({{"endpoint", "file-delete"}, {"latency_ms", 800}, {"count", 1}});
    model_->setSelection(node("~/Documents/a.txt"));
    auto first = model_->deleteSelected(context());
    EXPECT_TRUE(model_->isDeleting());
    EXPECT_EQ(wait(model_->deleteSelected(context())), std::nullopt);
    EXPECT_EQ(wait(std::move(first)), std::nullopt);
    EXPECT_EQ(portalRequests("file-delete"), 1);
    EXPECT_FALSE(model_->isDeleting());
}

TEST_F(Deleting, DriveObjectsAreRemovedOneAlreadyGoneIsNoFailure) {
    writeHome("Documents/a.txt", "alpha");
    writeHome("Documents/b.txt", "beta");
    backUpToDrive();
    listDrive();
    const auto a = node("~/Documents/a.txt");
    const auto b = node("~/Documents/b.txt");
    ASSERT_TRUE(a && b);
    fs::remove(LocalFormat::objectPath(driveDevice(), a->versions.front().file.id.raw));
    model_->setSelection(node("~/Documents"));
    EXPECT_EQ(deleteSelection(), std::nullopt);
    EXPECT_TRUE(driveObjects().empty());
    EXPECT_EQ(portalRequests("file-delete"), 0);
    EXPECT_TRUE(model_->tree().empty());
}

TEST_F(Deleting, ADriveListingWithoutItsDeviceFolderDeletesNothing) {
    writeHome("Documents/a.txt", "alpha");
    writeHome("Documents/b.txt", "beta");
    backUpToDrive();
    listDrive();
    const auto before = driveObjects();
    model_->setDriveDeviceDir(std::nullopt);
    model_->setSelection(node("~/Documents"));
    EXPECT_EQ(deleteSelection(), "2 items couldn't be deleted. Try again.");
    EXPECT_EQ(driveObjects(), before);
    EXPECT_EQ(portalRequests("file-delete"), 0);
}

TEST_F(Deleting, AFailedSwitchToTheKeldraNeitherDeletesThereNorOnTheDrive) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    backUpToDrive();
    listDrive();
    const auto before = driveObjects();
    model_->setSelection(node("~/Documents/a.txt"));
    control().addFault({{"endpoint", "files-all"}, {"status", 500}, {"count", -1}});
    model_->setSource(RestoreSource::keldra(deviceFolder_));
    load();
    ASSERT_TRUE(model_->loadError());
    ASSERT_TRUE(model_->selection()); // the drive's listing and selection stay on screen
    // Nothing was tried, so the user is not asked to try again but to look at the list again.
    EXPECT_EQ(deleteSelection(), "The list changed, so nothing was deleted. Look at it again, then delete.");
    EXPECT_EQ(portalRequests("file-delete"), 0);
    EXPECT_EQ(driveObjects(), before);
    EXPECT_EQ(storedFiles(), 1u);
}

TEST_F(Deleting, IdsThatAreNotDriveObjectIdsTouchNothing) {
    writeHome("Documents/a.txt", "alpha");
    backUpToDrive();
    const auto objects = driveObjects();
    ASSERT_EQ(objects.size(), 1u);
    // A file a hostile id would reach if it were taken as a path.
    writeFile(driveDevice() / "objects" / ".." / "victim.olo", "keep me");
    const std::vector<FlexID> ids{FlexID("../victim"), FlexID("42"), FlexID(*objects.begin())};
    EXPECT_EQ(deleteDriveVersions(driveDevice(), ids), 2);
    EXPECT_TRUE(fs::exists(driveDevice() / "victim.olo"));
    EXPECT_TRUE(driveObjects().empty());

    const fs::path out = temp_ / "out";
    RestorePlan plan{
        .items = {RestoreItem{FlexID("../victim"), "~/Documents/a.txt", 5, "a.txt", std::nullopt}},
        .source = RestoreSourceKind::drive(driveDevice()),
        .destination = RestoreDestination::folder(out),
        .key = key()};
    const RestoreSummary summary = runRestorePlan(*engine_, plan, {}, {});
    ASSERT_EQ(summary.failures.size(), 1u);
    EXPECT_EQ(summary.failures[0].reason, "This item's path isn't safe to restore to, so it was skipped.");
    EXPECT_FALSE(fs::exists(out / "a.txt"));
}

} // namespace
} // namespace keldra::test
