#include "app/async/Workers.h"
#include "core/platform/DriveDialogStart.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/layout/SectionLabel.h"
#include "design/status/StateBanner.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "drive/format/DriveFiles.h"
#include "gallery/fake/FakeAppModel.h"
#include "screens/backups/DestinationsSection.h"
#include "screens/backups/DriveRow.h"
#include "screens/backups/DriveTexts.h"
#include "screens/common/Confirmation.h"
#include "tests/support/QtApp.h"

#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;

LocalDestination drive(const std::string& id, const std::string& name, const std::string& folder = {}) {
    LocalDestination destination;
    destination.id = id;
    destination.name = name;
    destination.folderInVolume = folder;
    return destination;
}

TEST(DriveTexts, TheStatusLine) {
    const SystemTime now = std::chrono::system_clock::now();
    LocalDestination boot = drive("B", "This computer", "srv");
    boot.isBootVolume = true;
    LocalDestination off = drive("C", "Travel");
    off.enabled = false;
    DriveState problem;
    problem.problem = "The drive is full.";
    problem.lastSuccess = now;
    const struct {
        const char* name;
        LocalDestination destination;
        DriveState state;
        const char* line;
    } cases[] = {
        {"volume root", drive("A", "Travel"), {}, "Travel \u00B7 not copied yet"},
        {"two levels", drive("A", "Travel", "a/b"), {}, "Travel \u203A a \u203A b \u00B7 not copied yet"},
        {"boot disk",
         boot,
         {},
         "This computer \u203A srv \u00B7 same disk as this computer \u00B7 not copied yet"},
        {"a problem replaces all", drive("A", "Travel", "a"), problem, "The drive is full."},
        {"paused", off, {}, "Travel \u00B7 not copied yet \u00B7 paused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(driveStatusLine(c.destination, c.state, now), QString::fromUtf8(c.line));
    }
    DriveState copied;
    copied.lastSuccess = now;
    EXPECT_TRUE(driveStatusLine(drive("A", "Travel"), copied, now)
                    .startsWith(QStringLiteral("Travel \u00B7 last copy today")));
}

TEST(DriveDialogStart, TheFirstExistingMountFolderElseHome) {
    const struct {
        std::vector<std::string> existing;
        const char* start;
    } cases[] = {
        {{"/run/media/ada", "/media/ada", "/media", "/mnt"}, "/run/media/ada"},
        {{"/media/ada", "/mnt"}, "/media/ada"},
        {{"/media", "/mnt"}, "/media"},
        {{"/mnt"}, "/mnt"},
        {{}, "/home/ada"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        const auto start = driveDialogStart("ada", "/home/ada", [&](const std::filesystem::path& place) {
            return std::find(c.existing.begin(), c.existing.end(), place.string()) != c.existing.end();
        });
        EXPECT_EQ(start, std::filesystem::path(c.start));
    }
}

TEST(DriveRow, CopyNowOnlyWhenConnectedAndOnAndDisabledWhileRunning) {
    const struct {
        bool connected, enabled, running;
        bool shown, clickable;
    } cases[] = {
        {true, true, false, true, true},
        {true, true, true, true, false},
        {true, false, false, false, false},
        {false, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.connected << c.enabled << c.running);
        FakeAppModel app;
        app.setIsRunning(c.running);
        LocalDestination destination = drive("A", "Travel");
        destination.enabled = c.enabled;
        DriveState state;
        state.connected = c.connected;
        DriveRow row(app, destination, state, {});
        EXPECT_EQ(row.copyNowButton() != nullptr, c.shown);
        EXPECT_EQ(row.chip()->label(), c.connected ? "Connected" : "Not connected");
        if (row.copyNowButton()) {
            EXPECT_EQ(row.copyNowButton()->isEnabled(), c.clickable);
            row.copyNowButton()->click();
            EXPECT_EQ(app.calls().empty(), !c.clickable);
        }
    }
}

TEST(DriveRow, CopyAnywayOnlyAwaitingReviewAndNotWhileRunning) {
    for (bool running : {false, true}) {
        SCOPED_TRACE(running);
        FakeAppModel app;
        app.setIsRunning(running);
        DriveState state;
        state.connected = true;
        EXPECT_FALSE(DriveRow(app, drive("A", "Travel"), state, {}).copyAnywayButton());
        state.needsReview = true;
        DriveRow row(app, drive("A", "Travel"), state, {});
        ASSERT_TRUE(row.copyAnywayButton());
        EXPECT_EQ(row.copyAnywayButton()->isEnabled(), !running);
        row.copyAnywayButton()->click();
        EXPECT_EQ(app.calls(), running ? std::vector<std::string>{}
                                       : std::vector<std::string>{"backUpDriveNow A acceptChanges"});
    }
}

TEST(DriveRow, TheContextMenuOnlyWhileMounted) {
    FakeAppModel app;
    DriveState state;
    DriveRow unplugged(app, drive("A", "Travel"), state, {});
    std::unique_ptr<QMenu> none(unplugged.makeMenu(nullptr));
    EXPECT_TRUE(none->isEmpty());
    state.connected = true;
    DriveRow plugged(app, drive("A", "Travel"), state, {});
    std::unique_ptr<QMenu> menu(plugged.makeMenu(nullptr));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Show backup folder in Files");
    menu->actions()[0]->trigger();
    EXPECT_EQ(app.calls(), std::vector<std::string>{"revealDriveFolder A"});
}

TEST(DestinationsSection, CountsTheKeldraAndEachDrive) {
    FakeAppModel app;
    DestinationsSection section(app);
    EXPECT_EQ(section.heading()->text(), QStringLiteral("Destinations \u00B7 1"));
    EXPECT_TRUE(section.rows().empty());
    EXPECT_TRUE(section.offsiteRow());
    app.setDestinations({drive("A", "Travel"), drive("B", "Archive")});
    test::drainEvents();
    EXPECT_EQ(section.heading()->text(), QStringLiteral("Destinations \u00B7 3"));
    ASSERT_EQ(section.rows().size(), 2u);
    EXPECT_EQ(section.rows()[1]->chip()->label(), "Not connected") << "no state reads as unplugged";
}

TEST(DestinationsSection, TheNoteNamesTheRestoreToolAsTheDrivesReadmeDoes) {
    // The README on every drive names the tool as it installs; the page's note must name the same program.
    const std::string readme = LocalFormat::readmeText();
    const std::string before = "Without the app: run ";
    const size_t start = readme.find(before);
    ASSERT_NE(start, std::string::npos);
    const size_t from = start + before.size();
    const std::string tool = readme.substr(from, readme.find(' ', from) - from);
    EXPECT_EQ(tool, "keldra-drive-restore");

    FakeAppModel app;
    DestinationsSection section(app);
    const QString note = section.note()->text();
    EXPECT_TRUE(note.endsWith(QStringLiteral(" using ") + QString::fromStdString(tool) + QStringLiteral(".")))
        << note.toStdString();
}

TEST(DestinationsSection, TheAddFlow) {
    FakeAppModel app;
    DestinationsSection section(app);

    // Refused: the notice shows the model's message; nothing is copied.
    app.setNextResult("That drive is already in the list.");
    app.setNextPaths({"/media/ada/Travel"});
    section.addButton()->click();
    test::drainEvents();
    ASSERT_TRUE(section.addErrorBanner());
    EXPECT_EQ(section.addErrorBanner()->titleText()->text(), "Couldn't add that drive");
    EXPECT_EQ(section.addErrorBanner()->messageText()->text(), "That drive is already in the list.");

    // Cancelled: the earlier notice stays.
    app.clearCalls();
    section.addButton()->click();
    test::drainEvents();
    EXPECT_TRUE(section.addErrorBanner());
    EXPECT_EQ(app.calls().size(), 1u) << "only the dialog was asked";

    // Added and plugged in: the notice goes and one copy starts.
    app.setNextResult(std::nullopt);
    app.setDestinations({drive("A", "Travel")});
    DriveState plugged;
    plugged.connected = true;
    app.setDriveStates({{"A", plugged}});
    app.clearCalls();
    QCoro::waitFor(section.addDrive("/media/ada/Travel"));
    test::drainEvents();
    EXPECT_FALSE(section.addErrorBanner());
    EXPECT_EQ(app.calls(),
              (std::vector<std::string>{"addDestination /media/ada/Travel", "backUpDriveNow A"}));

    // Added but not plugged in: no copy.
    app.setDestinations({drive("A", "Travel"), drive("B", "Archive")});
    app.clearCalls();
    QCoro::waitFor(section.addDrive("/mnt/archive"));
    EXPECT_EQ(app.calls(), std::vector<std::string>{"addDestination /mnt/archive"});
}

TEST(DestinationsSection, TheDriveDialogOpensWhereTheModelFoundTheMountFolders) {
    FakeAppModel app;
    app.setDriveDialogStart("/media");
    app.holdOperations(true);
    DestinationsSection section(app);

    // Clicked before the look-up ended: the dialog opens once, when the answer comes.
    section.addButton()->click();
    section.addButton()->click();
    test::drainEvents();
    EXPECT_TRUE(app.calls().empty());
    app.releaseOperations();
    test::drainEvents();
    ASSERT_EQ(app.calls().size(), 1u);
    EXPECT_EQ(app.lastChoice().startIn, std::filesystem::path("/media"));
    EXPECT_EQ(app.lastChoice().prompt, "Back up here");
    EXPECT_FALSE(app.lastChoice().multiple);

    // A drive plugged in makes its mount folder: the next click opens at once where the last look-up
    // found, and looks again for the one after.
    app.setDriveDialogStart("/run/media/ada");
    section.addButton()->click();
    EXPECT_EQ(app.calls().size(), 2u);
    EXPECT_EQ(app.lastChoice().startIn, std::filesystem::path("/media"));
    test::drainEvents();
    section.addButton()->click();
    EXPECT_EQ(app.lastChoice().startIn, std::filesystem::path("/run/media/ada"));
}

TEST(DestinationsSection, TheRemovalDialogRemovesThePendingDriveOnly) {
    FakeAppModel app;
    app.setDestinations({drive("A", "Travel"), drive("B", "Archive")});
    DestinationsSection section(app);
    section.confirmRemoval("B");
    ASSERT_TRUE(section.removeDialog());
    EXPECT_EQ(section.removeDialog()->windowTitle(), "Stop backing up to Archive?");
    cancelButton(section.removeDialog())->click();
    test::drainEvents();
    EXPECT_EQ(app.destinations().size(), 2u);
    section.rows()[1]->removeButton()->click();
    ASSERT_TRUE(section.removeDialog());
    confirmButton(section.removeDialog())->click();
    test::drainEvents();
    EXPECT_EQ(app.calls().back(), "removeDestination B");
    ASSERT_EQ(app.destinations().size(), 1u);
    EXPECT_EQ(app.destinations()[0].id, "A");
}

} // namespace
} // namespace keldra
