#include "restore/engine/RestoreTempFiles.h"
#include "tests/support/RestoreModelFixture.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra::test {
namespace {

class Restoring : public RestoreModelTest {
protected:
    // Backs up two documents and lists this computer's folder.
    void listTwoDocuments() {
        writeHome("Documents/a.txt", "alpha");
        writeHome("Documents/sub/b.txt", "beta");
        backUpToKeldra();
        load();
        ASSERT_TRUE(node("~/Documents"));
    }
    void forgetHome() {
        fs::remove_all(home() / "Documents");
        fs::create_directories(home() / "Documents");
    }
};

TEST_F(Restoring, AFolderGoesBackToItsPlaceAndTheLastFileIsRevealed) {
    listTwoDocuments();
    forgetHome();
    model_->setSelection(node("~/Documents"));
    std::vector<RestoreProgress> seen;
    QObject::connect(model_.get(), &RestoreModel::progressChanged,
                     [&] { seen.push_back(model_->progress()); });
    restoreSelection();

    EXPECT_EQ(readFile(home() / "Documents/a.txt"), "alpha");
    EXPECT_EQ(readFile(home() / "Documents/sub/b.txt"), "beta");
    ASSERT_TRUE(model_->summary());
    EXPECT_EQ(model_->summary()->restored, 2);
    EXPECT_EQ(model_->summary()->restoredBytes, 9);
    EXPECT_TRUE(model_->summary()->failures.empty());
    EXPECT_FALSE(model_->summary()->cancelled);
    // Folders come before files, so a.txt is written last.
    EXPECT_EQ(revealer_.revealed, (std::vector<fs::path>{home() / "Documents/a.txt"}));
    const RestoreProgress last = model_->progress();
    EXPECT_EQ(last.total, 2);
    EXPECT_EQ(last.done, 2);
    EXPECT_EQ(last.bytesTotal, 9);
    EXPECT_EQ(last.bytesDone, 9);
    EXPECT_FALSE(last.current);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().done, 0);
}

TEST_F(Restoring, IntoAChosenFolderAskingOnceAndNotWhenCancelled) {
    listTwoDocuments();
    model_->setDestinationIsOriginal(false);
    model_->setSelection(node("~/Documents"));

    wait(model_->startRestore(context())); // the chooser is cancelled
    EXPECT_FALSE(model_->isRestoring());
    EXPECT_FALSE(model_->restoreTask());
    ASSERT_EQ(chooser_.requests.size(), 1u);
    EXPECT_EQ(chooser_.requests[0].prompt, "Restore here");
    EXPECT_EQ(chooser_.requests[0].title, "Choose where to put the restored files.");

    const fs::path out = temp_ / "out";
    fs::create_directories(out);
    chooser_.choices.push_back(out);
    restoreSelection();
    EXPECT_EQ(model_->destinationFolder(), out);
    EXPECT_FALSE(model_->destinationIsOriginal());
    EXPECT_EQ(readFile(out / "Documents/a.txt"), "alpha");
    EXPECT_EQ(readFile(out / "Documents/sub/b.txt"), "beta");

    // Chosen once: the next restore goes there without asking.
    model_->setSelection(node("~/Documents/a.txt"));
    restoreSelection();
    EXPECT_EQ(chooser_.requests.size(), 2u);
    EXPECT_EQ(readFile(out / "a.txt"), "alpha");
}

TEST_F(Restoring, KeepBothOrReplaceAnExistingFile) {
    listTwoDocuments();
    writeHome("Documents/a.txt", "changed since");
    model_->setSelection(node("~/Documents/a.txt"));
    restoreSelection();
    EXPECT_EQ(readFile(home() / "Documents/a.txt"), "changed since");
    EXPECT_EQ(readFile(home() / "Documents/a (restored).txt"), "alpha");
    EXPECT_EQ(revealer_.revealed.back(), home() / "Documents/a (restored).txt");

    model_->setConflictPolicy(ConflictPolicy::replace);
    restoreSelection();
    EXPECT_EQ(readFile(home() / "Documents/a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(home() / "Documents/a (restored 2).txt"));
}

TEST_F(Restoring, AnOlderVersion) {
    writeHome("Documents/a.txt", "first words");
    backUpToKeldra();
    writeHome("Documents/a.txt", "second words");
    backUpToKeldra();
    load();
    const auto file = node("~/Documents/a.txt");
    ASSERT_TRUE(file);
    ASSERT_EQ(file->versions.size(), 2u);
    model_->setSelection(file);
    model_->setSelectedVersionID(file->versions[1].file.id);
    model_->setConflictPolicy(ConflictPolicy::replace);
    restoreSelection();
    EXPECT_EQ(readFile(home() / "Documents/a.txt"), "first words");
}

TEST_F(Restoring, FromADrive) {
    writeHome("Documents/a.txt", "alpha on the drive");
    writeHome("Documents/deep/er/c.bin", std::string(300000, 'x'));
    backUpToDrive();
    load();
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    load();
    const fs::path out = temp_ / "out";
    model_->setDestinationIsOriginal(false);
    model_->setDestinationFolder(out);
    model_->setSelection(node("~/Documents"));
    restoreSelection();
    ASSERT_TRUE(model_->summary());
    EXPECT_EQ(model_->summary()->restored, 2);
    EXPECT_EQ(readFile(out / "Documents/a.txt"), "alpha on the drive");
    EXPECT_EQ(readFile(out / "Documents/deep/er/c.bin"), std::string(300000, 'x'));
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        EXPECT_EQ(entry.path().filename().string().find(".keldra-restore-"), std::string::npos);
    }
}

// A restore reads its items from the place they were listed from, even when the picker already names
// another place whose listing did not load (the listing and its selection stay on screen).
TEST_F(Restoring, FromTheListedPlaceWhileThePickerNamesAnother) {
    writeHome("Documents/a.txt", "alpha in the keldra");
    backUpToKeldra();
    writeHome("Documents/a.txt", "alpha on the drive, longer");
    backUpToDrive();
    load();
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    load();
    ASSERT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    model_->setSelection(node("~/Documents"));
    control().addFault({{"endpoint", "files-all"}, {"status", 500}, {"count", -1}});
    model_->setSource(RestoreSource::keldra(deviceFolder_));
    load();
    ASSERT_TRUE(model_->loadError());
    ASSERT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));

    const fs::path out = temp_ / "out";
    model_->setDestinationIsOriginal(false);
    model_->setDestinationFolder(out);
    restoreSelection();
    ASSERT_TRUE(model_->summary());
    EXPECT_EQ(model_->summary()->restored, 1);
    EXPECT_EQ(readFile(out / "Documents/a.txt"), "alpha on the drive, longer");
}

// A restore killed mid-way leaves its temp files beside the targets. The next restore into those folders
// removes them, but never one a running restore still writes, nor anything merely named alike.
TEST_F(Restoring, TempFilesOfAKilledRestoreGoWhileALiveRestoresStay) {
    writeHome("Documents/a.txt", "alpha on the drive");
    writeHome("Documents/sub/b.txt", "beta on the drive");
    backUpToDrive();
    load();
    model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    load();
    const fs::path out = temp_ / "out";
    const std::string stale = ".keldra-restore-0B6F1C2E-5D4A-4E8B-9C3D-7A1B2C3D4E5F.tmp";
    const std::string staleLower = ".keldra-restore-0b6f1c2e-5d4a-4e8b-9c3d-7a1b2c3d4e60.tmp";
    fs::create_directories(out / "Documents/sub");
    fs::create_directories(out / "Elsewhere");
    writeFile(temp_ / "outside.txt", "not the restore's");

    enum class Kind { file, fifo, link };
    struct Case {
        fs::path path;
        Kind kind;
        bool removed;
    };
    const std::vector<Case> cases = {
        {out / "Documents" / stale, Kind::file, true},
        {out / "Documents" / staleLower, Kind::file, true},
        {out / "Documents/sub" / stale, Kind::file, true},
        // Nothing is written into this folder.
        {out / "Elsewhere" / stale, Kind::file, false},
        // Named alike, but not a restore's temp file.
        {out / "Documents/.keldra-restore-notes.tmp", Kind::file, false},
        {out / "Documents" / (stale + ".bak"), Kind::file, false},
        {out / "Documents" / stale.substr(1), Kind::file, false},
        // Not a file: never opened in a way that waits, never followed.
        {out / "Documents/sub" / staleLower, Kind::fifo, false},
        {out / "Documents/.keldra-restore-11111111-2222-3333-4444-555555555555.tmp", Kind::link, false},
    };
    for (const Case& c : cases) {
        switch (c.kind) {
        case Kind::file:
            writeFile(c.path, std::string(5000, 'p'));
            break;
        case Kind::fifo:
            ASSERT_EQ(::mkfifo(c.path.c_str(), 0600), 0);
            break;
        case Kind::link:
            fs::create_symlink(temp_ / "outside.txt", c.path);
            break;
        }
    }
    // A restore that is still writing, beside the file this one restores.
    RestoreTempFile live = createRestoreTempFile(out / "Documents/a.txt");
    ASSERT_EQ(::write(live.fd.get(), "live", 4), 4);

    model_->setDestinationIsOriginal(false);
    model_->setDestinationFolder(out);
    model_->setSelection(node("~/Documents"));
    restoreSelection();
    ASSERT_TRUE(model_->summary());
    EXPECT_EQ(model_->summary()->restored, 2);
    EXPECT_EQ(readFile(out / "Documents/a.txt"), "alpha on the drive");
    EXPECT_EQ(readFile(out / "Documents/sub/b.txt"), "beta on the drive");

    for (const Case& c : cases) {
        EXPECT_EQ(!fs::exists(fs::symlink_status(c.path)), c.removed) << c.path;
    }
    EXPECT_EQ(readFile(live.path), "live");
    EXPECT_EQ(readFile(temp_ / "outside.txt"), "not the restore's");
}

TEST_F(Restoring, StopBeforeTheFirstItem) {
    listTwoDocuments();
    forgetHome();
    control().addFault({{"endpoint", "download-url"}, {"latency_ms", 3000}, {"count", -1}});
    model_->setSelection(node("~/Documents"));
    wait(model_->startRestore(context()));
    ASSERT_TRUE(model_->restoreTask());
    model_->restoreTask()->cancel();
    ASSERT_TRUE(waitUntil([&] { return !model_->isRestoring(); }));
    drain();
    ASSERT_TRUE(model_->summary());
    EXPECT_TRUE(model_->summary()->cancelled);
    EXPECT_EQ(model_->summary()->restored, 0);
    EXPECT_TRUE(model_->summary()->failures.empty());
    EXPECT_TRUE(revealer_.revealed.empty());
    EXPECT_FALSE(fs::exists(home() / "Documents/a.txt"));
}

TEST_F(Restoring, StopDuringASlowDownload) {
    listTwoDocuments();
    forgetHome();
    // Far longer than the wait below: only a Stop that ends the download lets the run end in time.
    control().addFault({{"endpoint", "storage-get"}, {"latency_ms", 600000}, {"count", -1}});
    model_->setSelection(node("~/Documents/a.txt"));
    wait(model_->startRestore(context()));
    ASSERT_TRUE(waitUntil([&] { return model_->progress().current.has_value(); }));
    // The download is under way once its link has come back.
    ASSERT_TRUE(waitUntil([&] { return portalRequests("download-url") > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    model_->restoreTask()->cancel();
    ASSERT_TRUE(waitUntil([&] { return !model_->isRestoring(); }));
    drain();
    ASSERT_TRUE(model_->summary());
    EXPECT_TRUE(model_->summary()->cancelled);
    EXPECT_TRUE(model_->summary()->failures.empty());
    EXPECT_EQ(model_->progress().done, 0);
    EXPECT_FALSE(fs::exists(home() / "Documents/a.txt"));
    EXPECT_TRUE(revealer_.revealed.empty());
}

TEST_F(Restoring, AFileDeletedFromTheKeldraAfterListing) {
    listTwoDocuments();
    const auto file = node("~/Documents/a.txt");
    api_->deleteFile(file->versions.front().file.id);
    model_->setSelection(file);
    restoreSelection();
    ASSERT_TRUE(model_->summary());
    ASSERT_EQ(model_->summary()->failures.size(), 1u);
    EXPECT_EQ(model_->summary()->failures[0].path, "~/Documents/a.txt");
    EXPECT_EQ(model_->summary()->failures[0].reason, "No longer in your Keldra.");
    EXPECT_EQ(model_->progress().bytesDone, 5);
    EXPECT_TRUE(revealer_.revealed.empty());
}

TEST_F(Restoring, RefusedStartsChangeNothing) {
    listTwoDocuments();
    wait(model_->startRestore(context())); // nothing selected
    EXPECT_FALSE(model_->restoreTask());
    model_->setSelection(RestoreNode::makeFolder("~/Nothing", "Nothing"));
    wait(model_->startRestore(context())); // nothing to restore
    RestoreContext locked = context();
    locked.key.reset();
    model_->setSelection(node("~/Documents"));
    wait(model_->startRestore(locked));
    EXPECT_FALSE(model_->restoreTask());
    EXPECT_FALSE(model_->isRestoring());
    EXPECT_FALSE(model_->summary());
}

// A read-only bind mount of a drive folder; skipped where the machine does not allow mounting.
class ReadOnlyDrive : public Restoring {
protected:
    void TearDown() override {
        if (mounted_) {
            ::umount2(readOnly().c_str(), MNT_DETACH);
        }
        Restoring::TearDown();
    }
    fs::path readOnly() const { return temp_ / "read-only"; }
    bool mountReadOnly() {
        fs::create_directories(readOnly());
        if (::mount(driveMount().c_str(), readOnly().c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return false;
        }
        mounted_ = true;
        return ::mount(nullptr, readOnly().c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    bool mounted_ = false;
};

TEST_F(ReadOnlyDrive, IsOfferedAndRestores) {
    writeHome("Documents/a.txt", "alpha from a read-only drive");
    backUpToDrive();
    if (!mountReadOnly()) {
        GTEST_SKIP()
            << "this machine does not allow a read-only bind mount; the read-only drive is not tested";
    }
    volumes_->unmountAll();
    volumes_->mount(MountedVolume{readOnly(), "UUID-RO", "Locked", false});
    LocalDestination locked = studio_;
    locked.id = "DEST-LOCKED";
    locked.name = "Locked";
    locked.volumeUUID = "UUID-RO";
    locked.volumePathAtAdd = readOnly().string();
    RestoreContext readOnlyContext = context();
    readOnlyContext.destinations = {locked};
    wait(model_->load(readOnlyContext, true));
    ASSERT_EQ(model_->sourceOptions().size(), 2u);
    EXPECT_EQ(model_->sourceOptions()[1].label, "Locked \u203A Mac mini");
    model_->setSource(RestoreSource::drive("DEST-LOCKED", "mac-mini"));
    wait(model_->load(readOnlyContext, true));
    const fs::path out = temp_ / "out";
    model_->setDestinationIsOriginal(false);
    model_->setDestinationFolder(out);
    model_->setSelection(node("~/Documents/a.txt"));
    wait(model_->startRestore(readOnlyContext));
    ASSERT_TRUE(waitUntil([&] { return !model_->isRestoring(); }));
    EXPECT_EQ(readFile(out / "a.txt"), "alpha from a read-only drive");
}

} // namespace
} // namespace keldra::test
