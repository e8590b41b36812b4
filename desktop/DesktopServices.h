#pragma once

#include "app/async/QtTimers.h"
#include "app/model/AppServices.h"
#include "desktop/DesktopUrlOpener.h"
#include "desktop/DialogFolderChooser.h"
#include "platform/identity/MachineIdentity.h"
#include "platform/login/ArgumentsLaunchContext.h"
#include "platform/login/AutostartLoginItem.h"
#include "platform/memory/ProcMemoryInfo.h"
#include "platform/mime/SharedMimeTypes.h"
#include "platform/network/NetlinkNetworkMonitor.h"
#include "platform/notify/DBusNotifier.h"
#include "platform/power/PolledPowerSource.h"
#include "platform/power/SysfsPowerSource.h"
#include "platform/reveal/FileManagerRevealer.h"
#include "platform/secrets/LibsecretStore.h"
#include "platform/sleep/LogindSleepWatcher.h"
#include "platform/volumes/LinuxVolumeProvider.h"
#include "platform/volumes/MountWatcher.h"

#include <memory>
#include <string>
#include <vector>

namespace keldra {

// The real services of the running application, made once on the UI thread and kept for the process:
// the system clock, syslog, the user-defaults file, the keyring, the portal client, and the desktop's
// watchers, dialogs and notifications. Watchers that need the event loop start here.
class DesktopServices {
public:
    explicit DesktopServices(const std::vector<std::string>& arguments);
    ~DesktopServices();
    DesktopServices(const DesktopServices&) = delete;
    DesktopServices& operator=(const DesktopServices&) = delete;

    AppServices services();
    const LaunchContext& launchContext() const { return launch_; }
    DialogFolderChooser& folderChooser() { return folderChooser_; }

private:
    SystemClock clock_;
    ThreadSleeper sleeper_;
    SyslogLogger logger_;
    FileKeyValueStore defaults_;
    LibsecretStore secrets_;
    std::shared_ptr<KeldraAPI> api_;
    std::shared_ptr<StorageTransport> storage_;
    ProcMemoryInfo memory_;
    SharedMimeTypes mimeTypes_;
    LinuxVolumeProvider volumes_;
    NetlinkNetworkMonitor network_;
    SysfsPowerSource sysfsPower_;
    // The scheduler reads the last reading; sysfs is read on the poller's thread.
    PolledPowerSource power_;
    DBusNotifier notifier_;
    AutostartLoginItem loginItem_;
    MachineIdentity identity_;
    QtTimers timers_;
    LogindSleepWatcher sleepWatcher_;
    MountWatcher volumeWatcher_;
    DesktopUrlOpener urlOpener_;
    FileManagerRevealer fileRevealer_;
    DialogFolderChooser folderChooser_;
    ArgumentsLaunchContext launch_;
};

} // namespace keldra
