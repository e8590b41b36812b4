#pragma once

#include "core/fs/UniqueFd.h"
#include "drive/destination/VolumeProvider.h"
#include "platform/volumes/VolumeChanges.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace keldra {

// Follows the mount table: the kernel flags /proc/self/mountinfo as exceptional (POLLPRI) whenever a file
// system is mounted or unmounted. On each change the volumes are read again and compared with the last
// reading; the handler hears of volumes mounted and unmounted. Runs on the thread that made it (it needs that
// thread's event loop).
class MountWatcher {
public:
    using Handler = std::function<void(const VolumeChanges&)>;

    // `mountInfo` is the file to watch; `volumes` reads the volumes (normally from the same table).
    explicit MountWatcher(const VolumeProvider& volumes,
                          std::filesystem::path mountInfo = "/proc/self/mountinfo");
    ~MountWatcher();
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    void setHandler(Handler handler);

    // Takes the first reading and starts watching. False when the table cannot be opened (no changes are
    // reported then).
    bool start();

    // Reads the volumes again and reports what changed since the last reading, if anything.
    void check();

private:
    void drain();

    const VolumeProvider& volumes_;
    std::filesystem::path mountInfo_;
    UniqueFd table_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<MountedVolume> last_;
    Handler handler_;
};

} // namespace keldra
