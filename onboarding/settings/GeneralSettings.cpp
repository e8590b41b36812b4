#include "onboarding/settings/GeneralSettings.h"

#include "app/async/Workers.h"
#include "app/model/AppModelView.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLMenuPicker.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "onboarding/common/SettingsBinding.h"
#include "onboarding/settings/SettingsForm.h"
#include "onboarding/settings/SettingsOptions.h"

#include <QVBoxLayout>

namespace keldra {

namespace {

bool& notifyFailures(BackupSettings& s) {
    return s.notifyFailures;
}
bool& notifyStorage(BackupSettings& s) {
    return s.notifyStorage;
}
bool& onlyOnPower(BackupSettings& s) {
    return s.onlyOnPower;
}
std::int64_t& notifyStaleDays(BackupSettings& s) {
    return s.notifyStaleDays;
}

} // namespace

GeneralSettings::GeneralSettings(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app), openAtLogin_(new OLCheckbox(QStringLiteral("Open at login"), false)),
      failures_(
          makeBoundCheckbox(app, QStringLiteral("When files couldn't be backed up"), {}, notifyFailures)),
      storage_(
          makeBoundCheckbox(app, QStringLiteral("When Keldra storage is nearly full"), {}, notifyStorage)),
      staleReminder_(new OLMenuPickerOf<std::int64_t>(
          SettingsOptions::staleReminder(), SettingsBinding::getInt(app, notifyStaleDays),
          [&app](const std::int64_t& days) { SettingsBinding::setInt(days, app, notifyStaleDays); }, false)),
      power_(makeBoundCheckbox(app, QStringLiteral("Only run scheduled backups on mains power"),
                               QStringLiteral("Back up now always works, on battery too."), onlyOnPower)) {
    auto* reminderText = new OLText(QStringLiteral("Remind me if there's no backup for"),
                                    OLTextStyle::callout, OLColor::textSecondary);
    reminderText->setMaxLines(1);
    auto* reminder = makeStack(Qt::Horizontal, 12, {reminderText, staleReminder_});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeFormCard(
        {new FormRow(QStringLiteral("Startup"),
                     QStringLiteral("Scheduled backups need the app running. It lives in the tray when the "
                                    "window is closed."),
                     true, openAtLogin_),
         new FormRow(QStringLiteral("Notifications"), std::nullopt, true,
                     makeStack(Qt::Vertical, 10, {failures_, storage_, reminder})),
         new FormRow(QStringLiteral("Power"), std::nullopt, false, power_)}));

    connect(openAtLogin_, &QAbstractButton::clicked, this, &GeneralSettings::changeLoginItem);
    connect(&app_, &AppModelView::settingsChanged, this, &GeneralSettings::refresh);
    // Reading the entry is file work too: the box waits, unticked and disabled, for the first answer.
    openAtLogin_->setEnabled(false);
    showLoginItem(std::nullopt);
}

void GeneralSettings::refresh() {
    failures_->setOn(app_.settings().notifyFailures);
    storage_->setOn(app_.settings().notifyStorage);
    staleReminder_->setValue(app_.settings().notifyStaleDays);
    power_->setOn(app_.settings().onlyOnPower);
}

void GeneralSettings::changeLoginItem(bool enabled) {
    showLoginItem(enabled);
}

void GeneralSettings::showLoginItem(std::optional<bool> change) {
    // Writing, removing or reading the autostart entry is file work, done by the model off this thread; the
    // box then shows what the entry really is (unticked again when writing it failed). Leaving the pane
    // never waits for it.
    ++pendingLoginChanges_;
    detachTask(showLoginItemTask(QPointer<GeneralSettings>(this), &app_, change));
}

QCoro::Task<> GeneralSettings::showLoginItemTask(QPointer<GeneralSettings> pane, AppModelView* app,
                                                 std::optional<bool> change) {
    auto changing = app->changeLoginItem(change);
    const bool registered = co_await changing;
    if (!pane) {
        co_return;
    }
    --pane->pendingLoginChanges_;
    pane->openAtLogin_->setOn(registered);
    pane->openAtLogin_->setEnabled(true);
    emit pane->loginItemShown();
}

} // namespace keldra
