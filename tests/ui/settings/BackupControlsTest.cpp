#include "app/model/AppModel.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLMenuPicker.h"
#include "design/controls/OLTextField.h"
#include "design/layout/FormRow.h"
#include "design/text/OLText.h"
#include "onboarding/settings/BackupSettingsPane.h"
#include "onboarding/settings/CustomExclusions.h"
#include "onboarding/settings/GeneralSettings.h"
#include "onboarding/settings/ScheduleEditor.h"
#include "tests/support/AppModelTestAccess.h"
#include "tests/ui/settings/SettingsFixture.h"

#include <QLineEdit>

namespace keldra::test {
namespace {

class SettingsControls : public SettingsFixture {
protected:
    static void pick(OLMenuPicker& picker, int index) { emit picker.picked(index); }
};

// One user action on a pane and what it must leave in the stored settings.
struct ControlCase {
    const char* name;
    SettingsTab tab;
    std::function<void(QWidget& pane)> act;
    std::function<bool(const BackupSettings&)> stored;
};

GeneralSettings& general(QWidget& pane) {
    return *qobject_cast<GeneralSettings*>(&pane);
}
BackupSettingsPane& backup(QWidget& pane) {
    return *qobject_cast<BackupSettingsPane*>(&pane);
}

TEST_F(SettingsControls, EachChoiceIsStoredOnceAndARechoiceNotAtAll) {
    BackupSettings start = readySettings();
    start.schedule.kind = ScheduleKind::daily;
    start.driveReminderDays.reset();
    start.deletedGraceDays = 30;
    const std::vector<ControlCase> cases{
        {"failures off", SettingsTab::general, [](QWidget& p) { general(p).failuresBox()->click(); },
         [](const BackupSettings& s) {
             return !s.notifyFailures;
         }},
        {"storage off", SettingsTab::general, [](QWidget& p) { general(p).storageBox()->click(); },
         [](const BackupSettings& s) {
             return !s.notifyStorage;
         }},
        {"stale reminder never", SettingsTab::general,
         [](QWidget& p) { pick(*general(p).staleReminderPicker(), 3); },
         [](const BackupSettings& s) {
             return s.notifyStaleDays == 0;
         }},
        {"stale reminder 1 day", SettingsTab::general,
         [](QWidget& p) { pick(*general(p).staleReminderPicker(), 0); },
         [](const BackupSettings& s) {
             return s.notifyStaleDays == 1;
         }},
        {"mains power", SettingsTab::general, [](QWidget& p) { general(p).powerBox()->click(); },
         [](const BackupSettings& s) {
             return s.onlyOnPower;
         }},
        {"kind weekly", SettingsTab::backup, [](QWidget& p) { choose(*backup(p).kindPicker(), 2); },
         [](const BackupSettings& s) {
             return s.schedule.kind == ScheduleKind::weekly;
         }},
        {"weekday Sunday", SettingsTab::backup,
         [](QWidget& p) { pick(*backup(p).scheduleEditor()->weekdayPicker(), 0); },
         [](const BackupSettings& s) {
             return s.schedule.weekday == 1;
         }},
        {"hour 07", SettingsTab::backup,
         [](QWidget& p) { pick(*backup(p).scheduleEditor()->hourPicker(), 7); },
         [](const BackupSettings& s) {
             return s.schedule.hour == 7;
         }},
        {"minute 45", SettingsTab::backup,
         [](QWidget& p) { pick(*backup(p).scheduleEditor()->minutePicker(), 9); },
         [](const BackupSettings& s) {
             return s.schedule.minute == 45;
         }},
        {"kind custom", SettingsTab::backup, [](QWidget& p) { choose(*backup(p).kindPicker(), 3); },
         [](const BackupSettings& s) {
             return s.schedule.kind == ScheduleKind::custom;
         }},
        {"every 12 hours", SettingsTab::backup,
         [](QWidget& p) { pick(*backup(p).scheduleEditor()->everyHoursPicker(), 5); },
         [](const BackupSettings& s) {
             return s.schedule.everyHours == 12;
         }},
        {"upload 10 MB/s", SettingsTab::backup, [](QWidget& p) { choose(*backup(p).uploadSpeedPicker(), 3); },
         [](const BackupSettings& s) {
             return s.bandwidthLimitMBps == 10;
         }},
        {"versions 90 days", SettingsTab::backup,
         [](QWidget& p) { choose(*backup(p).versionHistoryPicker(), 2); },
         [](const BackupSettings& s) {
             return s.versionRetentionDays == 90;
         }},
        {"deleted keep forever", SettingsTab::backup,
         [](QWidget& p) { choose(*backup(p).deletedFilesPicker(), 2); },
         [](const BackupSettings& s) {
             return !s.deletedGraceDays.has_value();
         }},
        {"deleted 90 days", SettingsTab::backup,
         [](QWidget& p) { choose(*backup(p).deletedFilesPicker(), 1); },
         [](const BackupSettings& s) {
             return s.deletedGraceDays == 90;
         }},
        {"drive reminder 7 stores a value", SettingsTab::backup,
         [](QWidget& p) { choose(*backup(p).driveReminderPicker(), 1); },
         [](const BackupSettings& s) {
             return s.driveReminderDays == 7;
         }},
        {"drive reminder 1 of 3", SettingsTab::backup,
         [](QWidget& p) { choose(*backup(p).driveReminderPicker(), 0); },
         [](const BackupSettings& s) {
             return s.driveReminderDays == 3;
         }},
        {"drive reminder never", SettingsTab::backup,
         [](QWidget& p) { choose(*backup(p).driveReminderPicker(), 3); },
         [](const BackupSettings& s) {
             return s.driveReminderDays == 0;
         }},
        {"system junk off", SettingsTab::backup, [](QWidget& p) { backup(p).systemJunkBox()->click(); },
         [](const BackupSettings& s) {
             return !s.excludeSystemJunk;
         }},
        {"caches off", SettingsTab::backup, [](QWidget& p) { backup(p).cachesBox()->click(); },
         [](const BackupSettings& s) {
             return !s.excludeCaches;
         }},
        {"developer folders on", SettingsTab::backup, [](QWidget& p) { backup(p).developerBox()->click(); },
         [](const BackupSettings& s) {
             return s.excludeDeveloperFolders;
         }},
        {"mass change off", SettingsTab::backup, [](QWidget& p) { backup(p).massChangeBox()->click(); },
         [](const BackupSettings& s) {
             return !s.massChangeGuard;
         }},
    };

    showReady();
    saveSettings(email, start);
    AppModelTestAccess::setSettings(*model, start);
    SettingsView& view = openSettings(SettingsTab::backup);
    // Nothing unset shows "7 days" for the drive reminder; opening tabs writes nothing.
    EXPECT_EQ(pane<BackupSettingsPane>(view).driveReminderPicker()->selected(),
              (std::vector<bool>{false, true, false, false}));
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::general));
    drainEvents();
    EXPECT_EQ(pane<GeneralSettings>(view).staleReminderPicker()->shownLabel(), "3 days");
    int writes = settingsWrites();
    EXPECT_EQ(writes, 0);

    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (view.tab() != c.tab) {
            choose(*view.tabStrip(), static_cast<int>(c.tab));
            drainEvents();
        }
        c.act(*view.pane());
        drainEvents();
        EXPECT_EQ(settingsWrites(), writes + 1) << "one write per change";
        EXPECT_TRUE(c.stored(stored()));
        EXPECT_EQ(stored(), model->settings());
        writes = settingsWrites();
        // The same choice again (a click on a box flips it back, so only pickers repeat).
        if (std::string(c.name).find(" off") == std::string::npos &&
            std::string(c.name).find(" on") == std::string::npos && std::string(c.name) != "mains power") {
            c.act(*view.pane());
            drainEvents();
            EXPECT_EQ(settingsWrites(), writes) << "a re-choice writes nothing";
        }
    }
}

TEST_F(SettingsControls, PatternsAreSplitTrimmedAndKeptInOrder) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"*.iso,, Downloads ,\t", {"*.iso", "Downloads"}},
        {" ,\t, ,", {}},
        {"", {}},
        {"a,a, b\t,c d", {"a", "a", "b", "c d"}},
        {"line\nbreak ,x", {"line\nbreak", "x"}},
    };
    for (const auto& [text, patterns] : cases) {
        EXPECT_EQ(splitCustomExclusions(text), patterns) << text;
    }
    EXPECT_EQ(joinCustomExclusions({"*.iso", "Downloads"}), "*.iso, Downloads");

    showReady();
    SettingsView& view = openSettings();
    OLTextField* field = pane<BackupSettingsPane>(view).customField();
    field->lineEdit()->setFocus();
    QTest::keyClicks(field->lineEdit(), QStringLiteral("*.iso,, Downloads"));
    drainEvents();
    EXPECT_EQ(stored().customExclusions, (std::vector<std::string>{"*.iso", "Downloads"}));
    const int writes = settingsWrites();
    // Keystrokes that leave the list as it is write nothing.
    QTest::keyClicks(field->lineEdit(), QStringLiteral(" ,\t"));
    drainEvents();
    EXPECT_EQ(settingsWrites(), writes);
    EXPECT_EQ(stored().customExclusions, (std::vector<std::string>{"*.iso", "Downloads"}));

    // Reopening the tab shows the stored list and writes nothing.
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::general));
    drainEvents();
    choose(*view.tabStrip(), static_cast<int>(SettingsTab::backup));
    drainEvents();
    EXPECT_EQ(pane<BackupSettingsPane>(view).customField()->text(), "*.iso, Downloads");
    EXPECT_EQ(settingsWrites(), writes);
}

TEST_F(SettingsControls, ScheduleEditorFollowsTheKind) {
    BackupSettings start = readySettings();
    start.schedule.minute = 32;
    start.schedule.weekday = 1;
    showReady();
    saveSettings(email, start);
    AppModelTestAccess::setSettings(*model, start);
    SettingsView& view = openSettings();
    auto& pane = this->pane<BackupSettingsPane>(view);
    ScheduleEditor* editor = pane.scheduleEditor();

    struct KindCase {
        ScheduleKind kind;
        bool weekday, time, every, next;
        std::string summary;
    };
    const std::vector<KindCase> kinds{
        {ScheduleKind::hourly, false, false, false, true, "Every hour"},
        {ScheduleKind::daily, false, true, false, true, "Every day around 12:32"},
        {ScheduleKind::weekly, true, true, false, true, "Every Sunday around 12:32"},
        {ScheduleKind::custom, false, false, true, true, "Every 4 hours"},
        {ScheduleKind::manual, false, false, false, false, "Only when you click Back up now"},
    };
    for (const KindCase& k : kinds) {
        SCOPED_TRACE(std::string(scheduleKindRawValue(k.kind)));
        choose(*pane.kindPicker(), static_cast<int>(k.kind));
        drainEvents();
        EXPECT_EQ(model->settings().schedule.kind, k.kind);
        EXPECT_EQ(editor->weekdayPicker()->isVisibleTo(editor), k.weekday);
        EXPECT_EQ(editor->hourPicker()->isVisibleTo(editor), k.time);
        EXPECT_EQ(editor->minutePicker()->isVisibleTo(editor), k.time);
        EXPECT_EQ(editor->everyHoursPicker()->isVisibleTo(editor), k.every);
        EXPECT_EQ(editor->nextRunText()->isVisibleTo(editor), k.next);
        if (k.next) {
            EXPECT_TRUE(editor->nextRunText()->text().startsWith("Next: "));
        }
        EXPECT_EQ(pane.scheduleRow()->detailText()->text().toStdString(), k.summary);
    }

    // Weekly: day 1 is Sunday, named as the summary names it; 32 is off the grid and shows no minute.
    choose(*pane.kindPicker(), static_cast<int>(ScheduleKind::weekly));
    drainEvents();
    EXPECT_EQ(editor->weekdayPicker()->shownLabel(), "Sunday");
    EXPECT_EQ(editor->minutePicker()->currentIndex(), -1);
    emit editor->minutePicker()->picked(1);
    drainEvents();
    EXPECT_EQ(stored().schedule.minute, 5);
    EXPECT_EQ(pane.scheduleRow()->detailText()->text(), "Every Sunday around 12:05");
    emit editor->weekdayPicker()->picked(6);
    drainEvents();
    EXPECT_EQ(stored().schedule.weekday, 7);
    EXPECT_EQ(pane.scheduleRow()->detailText()->text(), "Every Saturday around 12:05");
}

} // namespace
} // namespace keldra::test
