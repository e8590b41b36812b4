#include "desktop/DesktopServices.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace keldra {

namespace {

// Runs network reports on the UI thread, where the model lives.
NetworkMonitor::Dispatcher onUiThread() {
    return [](std::function<void()> work) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
    };
}

// As often as the scheduler ticks.
constexpr std::chrono::milliseconds powerReadingPeriod{30'000};

} // namespace

DesktopServices::DesktopServices(const std::vector<std::string>& arguments)
    : defaults_(FileKeyValueStore::defaultLocation(), logger_), secrets_(logger_),
      api_(std::make_shared<KeldraAPI>(clock_, sleeper_)),
      storage_(std::make_shared<StorageTransport>(clock_, sleeper_)), network_(onUiThread()),
      power_(sysfsPower_, powerReadingPeriod),
      loginItem_(xdgConfigHome(), AutostartLoginItem::currentExecutable(), logger_), sleepWatcher_(clock_),
      volumeWatcher_(volumes_), fileRevealer_(urlOpener_), launch_(arguments) {
    sleepWatcher_.start();
    volumeWatcher_.start();
}

DesktopServices::~DesktopServices() = default;

AppServices DesktopServices::services() {
    return AppServices{.clock = clock_,
                       .sleeper = sleeper_,
                       .logger = logger_,
                       .defaults = defaults_,
                       .secrets = secrets_,
                       .api = api_,
                       .storage = storage_,
                       .memory = memory_,
                       .mimeTypes = mimeTypes_,
                       .volumes = volumes_,
                       .network = network_,
                       .power = power_,
                       .notifier = notifier_,
                       .loginItem = loginItem_,
                       .deviceIdentity = identity_,
                       .timers = timers_,
                       .sleepWatcher = sleepWatcher_,
                       .volumeWatcher = volumeWatcher_,
                       .urlOpener = urlOpener_,
                       .fileRevealer = fileRevealer_,
                       .folderChooser = folderChooser_,
                       .launchContext = launch_};
}

} // namespace keldra
