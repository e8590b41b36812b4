#pragma once

#include "core/fs/UniqueFd.h"
#include "core/platform/VolumeWatcher.h"
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
// reading; the handler hears of each volume unmounted, then of each one mounted. Runs on the thread that made
// it (it needs that thread's event loop).
class MountWatcher final : public VolumeWatcher {
public:
    // `mountInfo` is the file to watch; `volumes` reads the volumes (normally from the same table).
    explicit MountWatcher(const VolumeProvider& volumes,
                          std::filesystem::path mountInfo = "/proc/self/mountinfo");
    ~MountWatcher() override;
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    void setOnChange(std::function<void(const VolumeChange&)> onChange) override;

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
    std::function<void(const VolumeChange&)> onChange_;
};

} // namespace keldra
