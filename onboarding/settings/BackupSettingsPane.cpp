#include "onboarding/settings/BackupSettingsPane.h"

#include "app/model/AppModelView.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLSegmented.h"
#include "design/controls/OLTextField.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"
#include "design/text/OLText.h"
#include "onboarding/common/SettingsBinding.h"
#include "onboarding/settings/CustomExclusions.h"
#include "onboarding/settings/ScheduleEditor.h"
#include "onboarding/settings/SettingsForm.h"
#include "onboarding/settings/SettingsOptions.h"

#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr double segmentHeight = 34;
constexpr std::int64_t unsetDriveReminderDays = 7;

double& bandwidth(BackupSettings& s) {
    return s.bandwidthLimitMBps;
}
std::int64_t& versionRetention(BackupSettings& s) {
    return s.versionRetentionDays;
}
std::optional<std::int64_t>& deletedGrace(BackupSettings& s) {
    return s.deletedGraceDays;
}
bool& systemJunk(BackupSettings& s) {
    return s.excludeSystemJunk;
}
bool& caches(BackupSettings& s) {
    return s.excludeCaches;
}
bool& developerFolders(BackupSettings& s) {
    return s.excludeDeveloperFolders;
}
bool& massChange(BackupSettings& s) {
    return s.massChangeGuard;
}

template <class T>
OLSegmentedOf<T>* boundSegments(AppModelView& app, const OptionList<T>& options, SettingsPath<T> path) {
    return new OLSegmentedOf<T>(
        options, SettingsBinding::get(app, path),
        [&app, path](const T& value) { SettingsBinding::set(value, app, path); }, false, segmentHeight);
}

QString scheduleSummary(const AppModelView& app) {
    return QString::fromStdString(app.settings().schedule.summary());
}

} // namespace

std::int64_t BackupSettingsPane::driveReminderDays(const AppModelView& app) {
    return app.settings().driveReminderDays.value_or(unsetDriveReminderDays);
}

bool BackupSettingsPane::setDriveReminderDays(AppModelView& app, std::optional<std::int64_t> days) {
    return SettingsBinding::write(
        app, [&](BackupSettings& s) { s.driveReminderDays = days.value_or(unsetDriveReminderDays); });
}

QString BackupSettingsPane::loadCustomText(const AppModelView& app) {
    return QString::fromStdString(joinCustomExclusions(app.settings().customExclusions));
}

bool BackupSettingsPane::commitCustomExclusions(AppModelView& app, const QString& text) {
    std::vector<std::string> patterns = splitCustomExclusions(text.toStdString());
    return SettingsBinding::write(app, [&](BackupSettings& s) { s.customExclusions = std::move(patterns); });
}

BackupSettingsPane::BackupSettingsPane(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app),
      kind_(new OLSegmentedOf<ScheduleKind>(
          SettingsOptions::scheduleKinds(), SettingsBinding::getScheduleKind(app),
          [&app](const ScheduleKind& kind) { SettingsBinding::setScheduleKind(kind, app); }, false,
          segmentHeight)),
      editor_(new ScheduleEditor(app)),
      scheduleRow_(new FormRow(QStringLiteral("Schedule"), scheduleSummary(app), true,
                               makeStack(Qt::Vertical, 12, {kind_, editor_}))),
      uploadSpeed_(boundSegments(app, SettingsOptions::uploadSpeed(), bandwidth)),
      versions_(boundSegments(app, SettingsOptions::versionHistory(), versionRetention)),
      deleted_(boundSegments(app, SettingsOptions::deletedFiles(), deletedGrace)),
      drives_(new OLSegmentedOf<std::int64_t>(
          SettingsOptions::driveReminder(), driveReminderDays(app),
          [&app](const std::int64_t& days) { setDriveReminderDays(app, days); }, false, segmentHeight)),
      systemJunk_(makeBoundCheckbox(app, QStringLiteral("System and temporary files"),
                                    QStringLiteral(".DS_Store, ._ files, *.tmp, Office lock files"),
                                    systemJunk)),
      caches_(makeBoundCheckbox(app, QStringLiteral("Caches and the Trash"),
                                QStringLiteral("Caches, .cache, .Trash folders"), caches)),
      developer_(makeBoundCheckbox(app, QStringLiteral("Developer build folders"),
                                   QStringLiteral("node_modules, DerivedData, .build, .git, Pods, build"),
                                   developerFolders)),
      custom_(new OLTextField(QStringLiteral("*.iso, *.dmg"), loadCustomText(app), false, true,
                              [this] { commitCustomExclusions(app_, custom_->text()); })),
      massChange_(makeBoundCheckbox(
          app, QStringLiteral("Pause for review when lots of files change at once"),
          QStringLiteral(
              "If 40% or more of your backed-up files change or disappear in one go, backups pause "
              "until you check. It's a safeguard, not a guarantee against ransomware."),
          massChange)) {
    custom_->setFixedWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);
    layout->addWidget(makeFormCard(
        {scheduleRow_,
         new FormRow(QStringLiteral("Upload speed"),
                     QStringLiteral("Limit how much of your connection backups use."), true, uploadSpeed_),
         new FormRow(QStringLiteral("Version history"),
                     QStringLiteral("How long an older copy is kept after a newer one is backed up. Versions "
                                    "count towards your storage."),
                     true, versions_),
         new FormRow(
             QStringLiteral("Deleted files"),
             QStringLiteral("Files you delete on this computer stay in the Keldra and on backup drives "
                            "for this long. An unplugged drive never counts as deleted."),
             true, deleted_),
         new FormRow(QStringLiteral("Backup drives"),
                     QStringLiteral("Remind me when a backup drive hasn't been connected for this long."),
                     false, drives_)}));
    layout->addWidget(makeFormCard(
        {new FormRow(QStringLiteral("Skip"), std::nullopt, true,
                     makeStack(Qt::Vertical, 10, {systemJunk_, caches_, developer_})),
         new FormRow(
             QStringLiteral("Also skip"),
             QStringLiteral("Patterns matched against file and folder names, separated by commas. For "
                            "example: *.iso, Downloads"),
             true, makeStack(Qt::Horizontal, 0, {custom_})),
         new FormRow(QStringLiteral("Safety"), std::nullopt, false, massChange_)}));

    // Every edit commits: the stored list changes only when the patterns do.
    connect(custom_, &OLTextField::textEdited, this,
            [this](const QString& text) { commitCustomExclusions(app_, text); });
    connect(&app_, &AppModelView::settingsChanged, this, &BackupSettingsPane::refresh);
}

void BackupSettingsPane::refresh() {
    const BackupSettings& settings = app_.settings();
    kind_->setValue(settings.schedule.kind);
    scheduleRow_->detailText()->setText(scheduleSummary(app_));
    uploadSpeed_->setValue(settings.bandwidthLimitMBps);
    versions_->setValue(settings.versionRetentionDays);
    deleted_->setValue(settings.deletedGraceDays);
    drives_->setValue(driveReminderDays(app_));
    systemJunk_->setOn(settings.excludeSystemJunk);
    caches_->setOn(settings.excludeCaches);
    developer_->setOn(settings.excludeDeveloperFolders);
    massChange_->setOn(settings.massChangeGuard);
}

} // namespace keldra
