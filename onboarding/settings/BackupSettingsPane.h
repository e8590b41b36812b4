#pragma once
// The Backup tab: the schedule, upload speed, version history, deleted files, drive reminders, what to
// skip and the mass-change safeguard. Every control writes at once through the settings bindings, which
// store only real changes; the pane keeps no copy of the settings besides the pattern field's text.

#include "core/settings/BackupSettings.h"
#include "design/theme/OLWidget.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace keldra {

class AppModelView;
class FormRow;
class OLCheckbox;
class OLTextField;
class ScheduleEditor;
template <typename T> class OLSegmentedOf;

class BackupSettingsPane : public OLWidget {
    Q_OBJECT
public:
    explicit BackupSettingsPane(AppModelView& app, QWidget* parent = nullptr);

    // The drive reminder as shown: the stored days, 7 when none is stored.
    static std::int64_t driveReminderDays(const AppModelView& app);
    // Stores the chosen days, always as a value (none chosen stores 7). Returns whether it wrote.
    static bool setDriveReminderDays(AppModelView& app, std::optional<std::int64_t> days);
    // The stored patterns as the field shows them.
    static QString loadCustomText(const AppModelView& app);
    // Stores the patterns of `text` when they differ from the stored ones. Returns whether it wrote.
    static bool commitCustomExclusions(AppModelView& app, const QString& text);

    FormRow* scheduleRow() const { return scheduleRow_; }
    OLSegmentedOf<ScheduleKind>* kindPicker() const { return kind_; }
    ScheduleEditor* scheduleEditor() const { return editor_; }
    OLSegmentedOf<double>* uploadSpeedPicker() const { return uploadSpeed_; }
    OLSegmentedOf<std::int64_t>* versionHistoryPicker() const { return versions_; }
    OLSegmentedOf<std::optional<std::int64_t>>* deletedFilesPicker() const { return deleted_; }
    OLSegmentedOf<std::int64_t>* driveReminderPicker() const { return drives_; }
    OLCheckbox* systemJunkBox() const { return systemJunk_; }
    OLCheckbox* cachesBox() const { return caches_; }
    OLCheckbox* developerBox() const { return developer_; }
    OLTextField* customField() const { return custom_; }
    OLCheckbox* massChangeBox() const { return massChange_; }

private:
    void refresh();

    AppModelView& app_;
    OLSegmentedOf<ScheduleKind>* kind_;
    ScheduleEditor* editor_;
    FormRow* scheduleRow_;
    OLSegmentedOf<double>* uploadSpeed_;
    OLSegmentedOf<std::int64_t>* versions_;
    OLSegmentedOf<std::optional<std::int64_t>>* deleted_;
    OLSegmentedOf<std::int64_t>* drives_;
    OLCheckbox* systemJunk_;
    OLCheckbox* caches_;
    OLCheckbox* developer_;
    OLTextField* custom_;
    OLCheckbox* massChange_;
};

} // namespace keldra
