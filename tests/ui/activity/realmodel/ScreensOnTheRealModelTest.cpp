#include "core/platform/DriveDialogStart.h"
#include "design/button/OLButton.h"
#include "design/button/OLIconButton.h"
#include "design/data/DataList.h"
#include "design/text/OLText.h"
#include "screens/activity/ActivityView.h"
#include "screens/activity/RunRow.h"
#include "screens/backups/BackupsView.h"
#include "screens/backups/DestinationsSection.h"
#include "screens/backups/DriveRow.h"
#include "tests/app/model/RunFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <QDropEvent>
#include <QMimeData>
#include <functional>

namespace keldra::test {
namespace {

class ScreensOnTheRealModel : public RunFixture {};

TEST_F(ScreensOnTheRealModel, AUserAddsFoldersBacksUpReadsTheRunAndCopiesToADrive) {
    writeHomeFile("Documents/letter.txt", "Dear Ada,");
    writeHomeFile("Pictures/cat.txt", "meow");
    AppModel& m = ready();
    m.persistSources({});
    drainEvents();

    // One folder through the dialog, one dropped from the file manager.
    BackupsView backups(m);
    folderChooser.pathChoices.push_back({home() / "Documents"});
    backups.addButton()->click();
    ASSERT_EQ(folderChooser.pathRequests.size(), 1u);
    EXPECT_EQ(folderChooser.pathRequests[0].prompt, "Back up");
    EXPECT_TRUE(folderChooser.pathRequests[0].chooseFiles);
    EXPECT_TRUE(folderChooser.pathRequests[0].multiple);
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 1u; }));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((home() / "Pictures").string()))});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(backups).event(&drop);
    ASSERT_TRUE(runUntil([&] { return m.sources().size() == 2u; }));
    EXPECT_EQ(m.sources()[1].path, (home() / "Pictures").string());

    // Back up from the Activity header; the new run is selected with its counts.
    ActivityView activity(m);
    drainEvents();
    ASSERT_TRUE(activity.backUpButton()->isVisibleTo(&activity));
    activity.backUpButton()->click();
    ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
    ASSERT_TRUE(runUntil([&] {
        return !m.runs().empty() && m.runs().front().status == RunStatus::succeeded &&
               activity.selectedID() == m.runs().front().id && activity.detailCard();
    }));
    drainEvents();
    EXPECT_EQ(m.runs().front().uploaded, 2);
    auto* figures = activity.detailCard()->findChild<DataList*>();
    ASSERT_TRUE(figures);
    EXPECT_TRUE(figures->rows()[2].value.startsWith(QStringLiteral("2 \u00B7 ")));
    ASSERT_FALSE(activity.rows().empty());
    EXPECT_TRUE(activity.rows()[0]->isSelected());

    // A folder as the drive: added, copied at once, and its row counts the files.
    const std::filesystem::path volume = temp.path() / "volume-studio";
    std::filesystem::create_directories(volume);
    volumes.mount(MountedVolume{volume, "UUID-STUDIO", "Studio Disk", false});
    folderChooser.pathChoices.push_back({volume});
    backups.destinations()->addButton()->click();
    ASSERT_TRUE(runUntil([&] { return m.destinations().size() == 1; }));
    const std::string id = m.destinations()[0].id;
    ASSERT_TRUE(runUntil([&] {
        const auto state = m.driveStates().find(id);
        return !m.isRunning() && !m.hasRunTask() && state != m.driveStates().end() &&
               state->second.files == 2;
    }));
    drainEvents();
    ASSERT_EQ(backups.destinations()->rows().size(), 1u);
    EXPECT_TRUE(
        backups.destinations()->rows()[0]->figuresText()->text().startsWith(QStringLiteral("2 files")));
    EXPECT_FALSE(backups.destinations()->addErrorBanner());
    ASSERT_EQ(folderChooser.pathRequests.size(), 2u);
    EXPECT_EQ(folderChooser.pathRequests[1].startIn, driveDialogStart()) << "looked up by the model";

    // A new file, then "Copy now" on the drive's row: the row counts it.
    writeHomeFile("Documents/reply.txt", "Dear Charles,");
    ASSERT_TRUE(backups.destinations()->rows()[0]->copyNowButton());
    ASSERT_TRUE(backups.destinations()->rows()[0]->copyNowButton()->isEnabled());
    backups.destinations()->rows()[0]->copyNowButton()->click();
    ASSERT_TRUE(runUntil([&] {
        const auto state = m.driveStates().find(id);
        return !m.isRunning() && !m.hasRunTask() && state != m.driveStates().end() &&
               state->second.files == 3;
    }));
    drainEvents();
    ASSERT_EQ(backups.destinations()->rows().size(), 1u);
    EXPECT_TRUE(
        backups.destinations()->rows()[0]->figuresText()->text().startsWith(QStringLiteral("3 files")));
}

// Every control that pauses (the Activity header's button; the primary action that the Overview, the
// popover and the menu perform) stops the run in progress on a slow portal: the run ends "Stopped" instead
// of finishing, and the header offers to back up again.
TEST_F(ScreensOnTheRealModel, PausingFromAnyControlStopsTheRunningBackup) {
    const struct {
        const char* control;
        std::function<void(AppModel&, ActivityView&)> pause;
    } cases[] = {
        {"Activity header",
         [](AppModel&, ActivityView& view) {
             view.pauseButton()->click();
         }},
        {"primary action",
         [](AppModel& m, ActivityView&) {
             m.perform(PrimaryAction::pause);
         }},
    };
    for (int i = 0; i < 8; ++i) {
        writeHomeFile("f" + std::to_string(i) + ".txt", "file " + std::to_string(i));
    }
    AppModel& m = ready();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        ActivityView activity(m);
        m.setPaused(false);
        control().setSettings({{"latency_ms", 300}});
        m.runBackup("Manual");
        ASSERT_TRUE(runUntil([&] { return m.progress().phase == RunPhase::uploading; }));
        drainEvents();
        ASSERT_TRUE(activity.pauseButton()->isVisibleTo(&activity));
        ASSERT_EQ(m.primaryAction(), PrimaryAction::pause);

        c.pause(m, activity);
        ASSERT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
        control().setSettings({{"latency_ms", 0}});
        drainEvents();

        ASSERT_TRUE(m.lastRun());
        EXPECT_EQ(m.lastRun()->status, RunStatus::cancelled) << "the run went on after the pause";
        EXPECT_TRUE(m.pausedByUser());
        EXPECT_EQ(m.primaryAction(), PrimaryAction::resume);
        EXPECT_FALSE(activity.pauseButton()->isVisibleTo(&activity));
        EXPECT_TRUE(activity.backUpButton()->isVisibleTo(&activity));
        AppModelTestAccess::setLastRun(m, std::nullopt);
    }
}

} // namespace
} // namespace keldra::test
