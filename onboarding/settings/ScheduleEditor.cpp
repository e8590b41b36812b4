#include "onboarding/settings/ScheduleEditor.h"

#include "app/model/AppModelView.h"
#include "core/events/Formatters.h"
#include "design/controls/OLMenuPicker.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "onboarding/common/SettingsBinding.h"
#include "onboarding/settings/SettingsOptions.h"

#include <QHBoxLayout>

namespace keldra {

namespace {

std::int64_t& weekday(BackupSettings& s) {
    return s.schedule.weekday;
}
std::int64_t& hour(BackupSettings& s) {
    return s.schedule.hour;
}
std::int64_t& minute(BackupSettings& s) {
    return s.schedule.minute;
}
std::int64_t& everyHours(BackupSettings& s) {
    return s.schedule.everyHours;
}

OLMenuPickerOf<std::int64_t>* boundPicker(AppModelView& app, const OptionList<std::int64_t>& options,
                                          SettingsPath<std::int64_t> path, bool mono) {
    return new OLMenuPickerOf<std::int64_t>(
        options, SettingsBinding::getInt(app, path),
        [&app, path](const std::int64_t& value) { SettingsBinding::setInt(value, app, path); }, mono);
}

OLText* mutedText(const QString& text, const OLTextStyle& style) {
    return new OLText(text, style, OLColor::textMuted);
}

} // namespace

ScheduleEditor::ScheduleEditor(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app), weekday_(boundPicker(app, SettingsOptions::weekdays(), weekday, false)),
      at_(mutedText(QStringLiteral("at"), OLTextStyle::callout)),
      hour_(boundPicker(app, SettingsOptions::hours(), hour, true)),
      colon_(mutedText(QStringLiteral(":"), OLTextStyle::callout)),
      minute_(boundPicker(app, SettingsOptions::minutes(), minute, true)),
      every_(mutedText(QStringLiteral("Every"), OLTextStyle::callout)),
      everyHours_(boundPicker(app, SettingsOptions::everyHours(), everyHours, false)),
      nextRun_(mutedText(QString(), OLTextStyle::caption)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    for (QWidget* child :
         std::initializer_list<QWidget*>{weekday_, at_, hour_, colon_, minute_, every_, everyHours_}) {
        row->addWidget(child, 0, Qt::AlignVCenter);
    }
    // The next-run line sits 6 px further from the controls.
    row->addSpacing(6);
    row->addWidget(nextRun_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    connect(&app_, &AppModelView::settingsChanged, this, &ScheduleEditor::refresh);
    connect(&app_, &AppModelView::statusChanged, this, &ScheduleEditor::refresh);
    refresh();
}

void ScheduleEditor::refresh() {
    const BackupSchedule& schedule = app_.settings().schedule;
    const ScheduleKind kind = schedule.kind;
    const bool weekly = kind == ScheduleKind::weekly;
    const bool timed = weekly || kind == ScheduleKind::daily;
    const bool custom = kind == ScheduleKind::custom;
    weekday_->setVisible(weekly);
    for (QWidget* part : std::initializer_list<QWidget*>{at_, hour_, colon_, minute_}) {
        part->setVisible(timed);
    }
    every_->setVisible(custom);
    everyHours_->setVisible(custom);
    weekday_->setValue(schedule.weekday);
    hour_->setValue(schedule.hour);
    minute_->setValue(schedule.minute);
    everyHours_->setValue(schedule.everyHours);

    const std::optional<SystemTime> next = kind == ScheduleKind::manual ? std::nullopt : app_.nextRunDate();
    nextRun_->setVisible(next.has_value());
    if (next) {
        nextRun_->setText(QStringLiteral("Next: ") +
                          QString::fromStdString(formatLogTimestamp(*next, app_.now())));
    }
}

} // namespace keldra
