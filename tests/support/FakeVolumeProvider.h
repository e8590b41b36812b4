#pragma once

#include "drive/destination/VolumeProvider.h"

#include <functional>
#include <mutex>
#include <set>
#include <thread>

namespace keldra::test {

// Volumes that tests plug in and out, with any free space they like. A volume's mount path is a real
// folder, so everything below it is the real file system.
class FakeVolumeProvider final : public VolumeProvider {
public:
    void mount(MountedVolume volume) {
        std::lock_guard lock(mutex_);
        volumes_.push_back(std::move(volume));
    }
    void unmountAll() {
        std::lock_guard lock(mutex_);
        volumes_.clear();
    }
    // Free space for every path; none means "cannot be read".
    void setFreeSpace(std::function<std::optional<std::int64_t>()> free) {
        std::lock_guard lock(mutex_);
        free_ = std::move(free);
    }
    void setFreeSpace(std::optional<std::int64_t> bytes) {
        setFreeSpace([bytes] { return bytes; });
    }

    // The threads that read the mount table (on the desktop: a file read each time).
    std::set<std::thread::id> readers() const {
        std::lock_guard lock(mutex_);
        return readers_;
    }
    void forgetReaders() {
        std::lock_guard lock(mutex_);
        readers_.clear();
    }

    std::vector<MountedVolume> mountedVolumes() const override {
        std::lock_guard lock(mutex_);
        readers_.insert(std::this_thread::get_id());
        return volumes_;
    }
    std::optional<MountedVolume> volumeFor(const std::filesystem::path& path) const override {
        std::lock_guard lock(mutex_);
        readers_.insert(std::this_thread::get_id());
        const std::string text = path.string();
        const MountedVolume* holder = nullptr;
        for (const MountedVolume& volume : volumes_) {
            const std::string mount = volume.mountPath.string();
            const bool below = mount == "/" || text == mount ||
                               (text.size() > mount.size() && text.compare(0, mount.size(), mount) == 0 &&
                                text[mount.size()] == '/');
            if (below && (!holder || mount.size() > holder->mountPath.string().size())) {
                holder = &volume;
            }
        }
        return holder ? std::optional<MountedVolume>(*holder) : std::nullopt;
    }
    std::optional<std::int64_t> availableCapacity(const std::filesystem::path&) const override {
        std::function<std::optional<std::int64_t>()> free;
        {
            std::lock_guard lock(mutex_);
            free = free_;
        }
        return free ? free() : std::nullopt;
    }

private:
    mutable std::mutex mutex_;
    std::vector<MountedVolume> volumes_;
    mutable std::set<std::thread::id> readers_;
    std::function<std::optional<std::int64_t>()> free_;
};

} // namespace keldra::test
