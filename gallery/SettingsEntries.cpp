// The settings page in the main window on the fake model: each tab, each schedule kind, unattended
// backups on and off, and the account without a storage status, half full and nearly full.

#include "gallery/GalleryEntry.h"
#include "gallery/fake/FakeAppModel.h"
#include "gallery/fake/FakeStates.h"
#include "onboarding/settings/GeneralSettings.h"
#include "onboarding/settings/SettingsView.h"
#include "screens/root/RootView.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace keldra::gallery {

namespace {

constexpr std::int64_t gigabyte = 1'000'000'000;

using Prepare = std::function<void(FakeAppModel&)>;

GalleryEntry settingsPage(QString state, SettingsTab tab, Prepare prepare = {}) {
    return {QStringLiteral("settings"), std::move(state), [tab, prepare](const OLTheme& theme) -> QWidget* {
                auto* model = new FakeAppModel;
                model->persistStyle(theme.style);
                model->persistAccent(theme.accent);
                applyFakeState(*model, "ready-protected");
                model->setSection(AppSection::settings);
                AccountInfo account;
                account.email = "ada@example.com";
                account.planName = "Keldra 500";
                model->setAccount(account);
                if (prepare) {
                    prepare(*model);
                }
                auto* view = new RootView(*model);
                model->setParent(view);
                view->setFixedSize(RootView::minimumWidth, RootView::minimumHeight);
                if (auto* page = view->findChild<SettingsView*>()) {
                    page->setTab(tab);
                }
                // The General pane reads the autostart entry on a worker: drawn once its answer is shown.
                if (auto* general = view->findChild<GeneralSettings*>()) {
                    QDeadlineTimer deadline(5000);
                    while (general->isChangingLoginItem() && !deadline.hasExpired()) {
                        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                    }
                }
                return view;
            }};
}

Prepare scheduled(ScheduleKind kind) {
    return [kind](FakeAppModel& model) {
        BackupSettings settings = model.settings();
        settings.schedule.kind = kind;
        settings.schedule.weekday = 2;
        settings.schedule.hour = 9;
        settings.schedule.minute = 30;
        settings.customExclusions = {"*.iso", "Downloads"};
        model.setSettings(settings);
        if (kind == ScheduleKind::manual) {
            model.setNextRunDate(std::nullopt);
        }
    };
}

Prepare storageUsed(std::int64_t used) {
    return [used](FakeAppModel& model) {
        KeldraStatus status;
        status.usedBytes = FlexInt(used);
        status.quotaBytes = FlexInt(500 * gigabyte);
        status.maxFileSizeMb = FlexInt(5120);
        model.setKeldraStatus(status);
    };
}

} // namespace

std::vector<GalleryEntry> settingsEntries() {
    std::vector<GalleryEntry> entries;
    entries.push_back(settingsPage(QStringLiteral("general"), SettingsTab::general));
    for (auto [name, kind] :
         {std::pair{"hourly", ScheduleKind::hourly}, std::pair{"daily", ScheduleKind::daily},
          std::pair{"weekly", ScheduleKind::weekly}, std::pair{"custom", ScheduleKind::custom},
          std::pair{"manual", ScheduleKind::manual}}) {
        entries.push_back(settingsPage(QStringLiteral("backup-%1").arg(QLatin1String(name)),
                                       SettingsTab::backup, scheduled(kind)));
    }
    entries.push_back(settingsPage(QStringLiteral("encryption-on"), SettingsTab::encryption));
    entries.push_back(settingsPage(QStringLiteral("encryption-off"), SettingsTab::encryption,
                                   [](FakeAppModel& model) { model.persistUnattended(false); }));
    entries.push_back(settingsPage(QStringLiteral("appearance"), SettingsTab::appearance));
    entries.push_back(settingsPage(QStringLiteral("account-nostatus"), SettingsTab::account,
                                   [](FakeAppModel& model) { model.setKeldraStatus(std::nullopt); }));
    entries.push_back(
        settingsPage(QStringLiteral("account-half"), SettingsTab::account, storageUsed(250 * gigabyte)));
    entries.push_back(settingsPage(QStringLiteral("account-nearlyfull"), SettingsTab::account,
                                   storageUsed(475 * gigabyte)));
    return entries;
}

} // namespace keldra::gallery
