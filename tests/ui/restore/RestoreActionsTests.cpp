#include "design/button/OLButton.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "drive/catalog/LocalCatalog.h"
#include "drive/format/LocalFormat.h"
#include "screens/restore/RestoreChoiceRows.h"
#include "tests/ui/restore/RestoreViewFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace keldra::test {
namespace {

class RestoreActions : public RestoreViewTest {
protected:
    std::size_t storedFiles() { return control().files("restore@example.com").size(); }
    std::set<std::string> driveObjects() const {
        return LocalCatalog::listObjects(driveDevice()).value_or(std::set<std::string>{});
    }

    // Presses restore and waits for the run's summary.
    void restoreAndWait() {
        click(card<QAbstractButton>("restoreButton"));
        ASSERT_TRUE(waitUntil([&] { return model_->summary().has_value() && !model_->isRestoring(); }));
        drain();
    }

    // Confirms the delete dialog and waits for the delete and the new listing.
    void deleteAndWait() {
        click(card<QAbstractButton>("deleteButton"));
        QMessageBox* box = view_->deleteDialog();
        ASSERT_TRUE(box);
        box->findChild<QAbstractButton*>(QStringLiteral("deleteEveryVersion"))->click();
        drain();
        settle();
    }

    void chooseDrive() {
        model_->setSource(RestoreSource::drive("DEST-STUDIO", "mac-mini"));
        load();
        drain();
        ASSERT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));
    }
};

TEST_F(RestoreActions, AnOlderVersionFromTheKeldraIntoAnotherFolderHasThatVersionsBytes) {
    writeHome("Documents/plan.txt", "first draft");
    backUpToKeldra();
    writeHome("Documents/plan.txt", "second draft, longer");
    backUpToKeldra();
    show();
    clickRow(rowNamed("Documents"));
    clickRow(rowNamed("plan.txt"));
    QWidget* rows = card("versionRows");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->findChildren<VersionRow*>().size(), 2);
    click(rows->findChildren<VersionRow*>()[1]);

    const fs::path out = temp_ / "out";
    fs::create_directories(out);
    chooser_.choices.push_back(out);
    click(card<QAbstractButton>("folderOption"));
    ASSERT_EQ(model_->destinationFolder(), out);
    restoreAndWait();

    auto* banner = card<StateBanner>("summaryBanner");
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->titleText()->text(), "Restored");
    EXPECT_EQ(banner->messageText()->text(), "1 files (1 KB) are back.");
    EXPECT_EQ(readFile(out / "plan.txt"), "first draft");
    EXPECT_EQ(readFile(home() / "Documents/plan.txt"), "second draft, longer");
}

TEST_F(RestoreActions, AFolderFromTheDriveToItsPlaceKeepsTheUsersFileWithKeepBoth) {
    writeHome("Documents/a.txt", "backed up a");
    writeHome("Documents/sub/b.txt", "backed up b");
    backUpToDrive();
    writeHome("Documents/a.txt", "the user's newer a");
    fs::remove(home() / "Documents/sub/b.txt");
    show();
    chooseDrive();
    clickRow(rowNamed("Documents"));
    EXPECT_EQ(card<OLButton>("restoreButton")->title(), "Restore 2 files");
    ASSERT_EQ(model_->conflictPolicy(), ConflictPolicy::keepBoth);
    restoreAndWait();

    EXPECT_EQ(readFile(home() / "Documents/a.txt"), "the user's newer a");
    EXPECT_EQ(readFile(home() / "Documents/sub/b.txt"), "backed up b");
    std::vector<std::string> copies;
    for (const auto& entry : fs::directory_iterator(home() / "Documents")) {
        if (entry.is_regular_file() && entry.path().filename() != "a.txt") {
            copies.push_back(readFile(entry.path()));
        }
    }
    EXPECT_EQ(copies, std::vector<std::string>{"backed up a"});
    EXPECT_EQ(card<StateBanner>("summaryBanner")->titleText()->text(), "Restored");
}

TEST_F(RestoreActions, StopDuringASlowDownloadEndsWithRestoreStopped) {
    writeHome("Documents/big.txt", "contents");
    backUpToKeldra();
    show();
    clickRow(rowNamed("Documents"));
    // Far longer than the test may wait: only a Stop that ends the download lets the run end.
    control().addFault({{"endpoint", "storage-get"}, {"latency_ms", 600000}, {"count", -1}});
    click(card<QAbstractButton>("restoreButton"));
    ASSERT_TRUE(waitUntil([&] { return model_->isRestoring(); }));
    drain();
    EXPECT_EQ(card<OLText>("progressText")->text(), "Restoring 1 of 1");
    EXPECT_FALSE(card<QAbstractButton>("deleteButton")->isEnabled());
    click(card<QAbstractButton>("stopButton"));
    ASSERT_TRUE(waitUntil([&] { return !model_->isRestoring(); }));
    drain();
    control().clearFaults();
    auto* banner = card<StateBanner>("summaryBanner");
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->titleText()->text(), "Restore stopped");
    EXPECT_EQ(banner->messageText()->text(), "0 files (Zero KB) are back.");
    EXPECT_TRUE(card("restoreButton"));
}

TEST_F(RestoreActions, HostileNamesAreShownLiterallyEverywhere) {
    struct Name {
        std::string stored; // below ~/Documents
        QString name;       // the last component as shown
    };
    // "<b>bold</b>.txt" is a folder "<b>bold<" holding "b>.txt": its stored path carries the markup whole.
    const std::vector<Name> names{
        {"<b>bold</b>.txt", "b>.txt"},
        {"<img src=\"x\">", "<img src=\"x\">"},
        {"invoice\u202Etxt.exe", "invoice\\u{202E}txt.exe"},
        {"bell\x07.txt", "bell\\x07.txt"},
    };
    for (const Name& name : names) {
        writeHome("Documents/" + name.stored, "x");
    }
    backUpToKeldra();
    RestoreView& view = show();
    QTest::keyClicks(view.searchField()->lineEdit(), QStringLiteral("documents/"));
    drain();
    ASSERT_TRUE(rows().isSearch());
    ASSERT_EQ(rows().rowCount(), 4);
    for (const Name& name : names) {
        const QString path =
            "~/Documents/" + (name.stored == names[0].stored ? QString::fromUtf8(name.stored) : name.name);
        SCOPED_TRACE(path.toStdString());
        int row = -1;
        for (int i = 0; i < rows().rowCount(); ++i) {
            if (rows().texts(i).path == path) {
                row = i;
            }
        }
        ASSERT_GE(row, 0);
        EXPECT_EQ(rows().texts(row).name, name.name);
        EXPECT_EQ(rows().texts(row).accessible, "File " + name.name);
        clickRow(row);
        EXPECT_EQ(card<OLText>("selectionName")->text(), name.name);
        auto* label = card<QLabel>("selectionPath");
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text().remove(QLatin1Char('\n')), path);
        click(card<QAbstractButton>("deleteButton"));
        QMessageBox* box = view_->deleteDialog();
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->informativeText().startsWith("This permanently deletes " + name.name + " and all"));
        auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_TRUE(informative);
        EXPECT_EQ(informative->textFormat(), Qt::PlainText);
        box->button(QMessageBox::Cancel)->click();
        drain();
    }

    // A failure banner names the file as it is.
    RestoreSummary failed;
    failed.failures.push_back({"~/Documents/<img src=\"x\">", "Couldn't write <i>here</i>."});
    failed.failures.push_back({"~/Documents/" + names[2].stored, "No room"});
    model_->setSummary(failed);
    drain();
    auto* banner = card<StateBanner>("summaryBanner");
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->messageText()->text(),
              "<img src=\"x\">: Couldn't write <i>here</i>.\ninvoice\\u{202E}txt.exe: No room");
}

TEST_F(RestoreActions, QuickSourceSwitchesShowAndDeleteTheChosenSourcesListing) {
    writeHome("Documents/a.txt", "alpha");
    writeHome("Documents/b.txt", "beta");
    backUpToKeldra();
    backUpToDrive();
    RestoreView& view = show();
    ASSERT_EQ(model_->listedSource(), RestoreSource::keldra(deviceFolder_));
    ASSERT_TRUE(view.sourcePicker());
    const std::size_t portalBefore = storedFiles();
    const auto driveBefore = driveObjects();
    ASSERT_EQ(driveBefore.size(), 2u);

    // The Keldra answers slowly; the drive is chosen meanwhile.
    control().addFault({{"endpoint", "files-all"}, {"latency_ms", 1500}, {"count", 1}});
    click(view.refreshButton());
    view.sourcePicker()->openMenu();
    view.sourcePicker()->menu()->actions().at(1)->trigger();
    view.sourcePicker()->menu()->close();
    settle();
    ASSERT_TRUE(waitUntil([&] { return portalRequests("files-all") >= 2; }));
    QTest::qWait(1700);
    settle();
    EXPECT_EQ(model_->listedSource(), RestoreSource::drive("DEST-STUDIO", "mac-mini"));

    clickRow(rowNamed("Documents"));
    clickRow(rowNamed("a.txt"));
    deleteAndWait();
    EXPECT_FALSE(view.deleteError());
    EXPECT_EQ(driveObjects().size(), 1u);
    EXPECT_EQ(storedFiles(), portalBefore);
    EXPECT_EQ(portalRequests("file-delete"), 0);
    EXPECT_EQ(shownNames(), (QStringList{"Documents", "b.txt"}));
}

TEST_F(RestoreActions, AnUnpluggedDriveAFailedListingAndAMissingDeviceFolder) {
    writeHome("Documents/a.txt", "alpha");
    backUpToKeldra();
    writeHome("Documents/b.txt", "beta");
    backUpToDrive();
    RestoreView& view = show();
    chooseDrive();

    // The browsed drive unplugged is no longer offered: the screen follows the model to this computer's
    // folder in the Keldra, and the delete wording follows the listing.
    volumes_->unmountAll();
    click(view.refreshButton());
    settle();
    EXPECT_EQ(model_->listedSource(), RestoreSource::keldra(deviceFolder_));
    EXPECT_EQ(view.listPane()->state(), RestoreListPane::State::listing);
    EXPECT_FALSE(view.sourcePicker());
    clickRow(rowNamed("Documents"));
    EXPECT_EQ(card<QAbstractButton>("deleteButton")->text(), QString::fromUtf8("Delete from Keldra\u2026"));

    // A listing that fails shows the model's text; "Try again" lists again and recovers.
    control().addFault({{"endpoint", "files-all"}, {"status", 500}, {"count", 1}});
    click(view.refreshButton());
    settle();
    ASSERT_EQ(view.listPane()->state(), RestoreListPane::State::failed);
    EXPECT_EQ(view.listPane()->failureBanner()->messageText()->text(),
              QString::fromStdString(*model_->loadError()));
    volumes_->mount(MountedVolume{driveMount(), "UUID-STUDIO", "Studio", false});
    click(view.listPane()->failureBanner()->actionButton());
    settle();
    ASSERT_EQ(view.listPane()->state(), RestoreListPane::State::listing);
    chooseDrive();
    clickRow(rowNamed("Documents"));

    // The device folder goes away under the listing: nothing is deleted, and the screen says so.
    const auto before = driveObjects();
    const fs::path moved = temp_ / "moved-away";
    fs::rename(driveDevice(), moved);
    deleteAndWait();
    ASSERT_EQ(view.deleteError(), QString("2 items couldn't be deleted. Try again."));
    auto* banner = card<StateBanner>("deleteErrorBanner");
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->titleText()->text(), "Delete didn't finish");
    EXPECT_EQ(banner->messageText()->text(), "2 items couldn't be deleted. Try again.");
    fs::rename(moved, driveDevice());
    EXPECT_EQ(driveObjects(), before);
    click(banner->dismissButton());
    EXPECT_FALSE(view.deleteError());
    EXPECT_FALSE(card("deleteErrorBanner"));
}

} // namespace
} // namespace keldra::test
