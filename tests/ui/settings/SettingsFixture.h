#pragma once
// The settings page in the real main window on the real application model: signed in to the local portal
// and unlocked, the defaults file counted per key, the session's keyring, and the application's real
// autostart entry in a configuration home of its own. The window carries the real menu bar, so shortcuts work
// as for a user.

#include "design/controls/OLSegmented.h"
#include "desktop/MenuCommands.h"
#include "onboarding/settings/SettingsView.h"
#include "platform/login/AutostartLoginItem.h"
#include "screens/root/RootView.h"
#include "screens/shell/MainShell.h"
#include "tests/app/model/RunFixture.h"
#include "tests/ui/kit/KitTest.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <map>

namespace keldra::test {

// The defaults file, with every write counted under its key.
class CountingStore final : public KeyValueStore {
public:
    explicit CountingStore(KeyValueStore& inner) : inner_(inner) {}
    std::optional<nlohmann::json> value(const std::string& key) const override { return inner_.value(key); }
    bool setValue(const std::string& key, const nlohmann::json& value) override {
        ++writes_[key];
        return inner_.setValue(key, value);
    }
    bool remove(const std::string& key) override {
        ++writes_[key];
        return inner_.remove(key);
    }
    int writes(const std::string& key) const {
        const auto found = writes_.find(key);
        return found == writes_.end() ? 0 : found->second;
    }

private:
    KeyValueStore& inner_;
    std::map<std::string, int> writes_;
};

class SettingsFixture : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        std::filesystem::create_directories(configHome());
        autostart = std::make_unique<AutostartLoginItem>(configHome(),
                                                         AutostartLoginItem::currentExecutable(), logger);
        counted = std::make_unique<CountingStore>(*defaults);
    }

    void TearDown() override {
        menus.reset();
        window.reset();
        drainEvents();
        RunFixture::TearDown();
    }

    std::filesystem::path configHome() const { return temp.path() / "config"; }
    std::filesystem::path autostartEntry() const {
        return configHome() / "autostart" / "orlivane-keldra.desktop";
    }

    // The fixture's services with the counted defaults and the real autostart entry (or `loginItem`).
    AppServices countedServices(LoginItem* loginItem = nullptr) {
        const AppServices s = services();
        return AppServices{.clock = s.clock,
                           .sleeper = s.sleeper,
                           .logger = s.logger,
                           .defaults = *counted,
                           .secrets = s.secrets,
                           .api = s.api,
                           .storage = s.storage,
                           .memory = s.memory,
                           .mimeTypes = s.mimeTypes,
                           .volumes = s.volumes,
                           .network = s.network,
                           .power = s.power,
                           .notifier = s.notifier,
                           .loginItem = loginItem ? *loginItem : *autostart,
                           .deviceIdentity = s.deviceIdentity,
                           .timers = s.timers,
                           .sleepWatcher = s.sleepWatcher,
                           .volumeWatcher = s.volumeWatcher,
                           .urlOpener = s.urlOpener,
                           .fileRevealer = s.fileRevealer,
                           .folderChooser = s.folderChooser,
                           .launchContext = s.launchContext,
                           .dataDirectory = s.dataDirectory,
                           .workerThreads = s.workerThreads};
    }

    // Ready and unlocked, the main window shown on the Overview.
    AppModel& showReady() {
        ready(countedServices());
        return showWindow();
    }

    // The application quit and started again on the same files, unlocked, without a window.
    AppModel& restart() {
        menus.reset();
        window.reset();
        model.reset();
        drainEvents();
        model = std::make_unique<AppModel>(countedServices());
        AppModel& m = *model;
        EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock; }));
        EXPECT_EQ(await(m.unlock(passphrase, false)), std::nullopt);
        EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::ready; }));
        return m;
    }

    AppModel& showWindow() {
        AppModel& m = *model;
        window = std::make_unique<QMainWindow>();
        menus = std::make_unique<MenuCommands>(*window->menuBar(), m, [] {});
        window->setCentralWidget(new RootView(m));
        window->resize(RootView::minimumWidth, RootView::minimumHeight);
        showActive(*window);
        drainEvents();
        return m;
    }

    RootView* root() const { return qobject_cast<RootView*>(window->centralWidget()); }
    QWidget* page() const {
        auto* shell = qobject_cast<MainShell*>(root()->screen());
        return shell ? shell->page() : nullptr;
    }
    // The settings page now shown, after the shell has caught up.
    SettingsView* settingsPage() {
        drainEvents();
        return qobject_cast<SettingsView*>(page());
    }
    SettingsView& openSettings(SettingsTab tab = SettingsTab::backup) {
        model->setSection(AppSection::settings);
        SettingsView* view = settingsPage();
        EXPECT_NE(view, nullptr);
        choose(*view->tabStrip(), static_cast<int>(tab));
        drainEvents();
        return *view;
    }
    template <class Pane> Pane& pane(SettingsView& view) {
        auto* shown = qobject_cast<Pane*>(view.pane());
        EXPECT_NE(shown, nullptr);
        return *shown;
    }

    // A click on segment `index`, as the user makes it.
    static void choose(OLSegmented& control, int index) {
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(index).center().toPoint());
    }
    static void shortcut(QWidget& target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(&target, key, modifiers);
        drainEvents();
    }

    std::string settingsKey() const { return "settings." + scopeKey(email); }
    int settingsWrites() const { return counted->writes(settingsKey()); }
    BackupSettings stored() const { return BackupSettings::load(*defaults, scopeKey(email)); }

    std::unique_ptr<CountingStore> counted;
    std::unique_ptr<AutostartLoginItem> autostart;
    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<MenuCommands> menus;
};

} // namespace keldra::test
