#include "platform/volumes/MountWatcher.h"

#include <QSocketNotifier>
#include <array>
#include <fcntl.h>
#include <unistd.h>

namespace keldra {

MountWatcher::MountWatcher(const VolumeProvider& volumes, std::filesystem::path mountInfo)
    : volumes_(volumes), mountInfo_(std::move(mountInfo)) {}

MountWatcher::~MountWatcher() = default;

void MountWatcher::setOnChange(std::function<void(const VolumeChange&)> onChange) {
    onChange_ = std::move(onChange);
}

bool MountWatcher::start() {
    notifier_.reset();
    table_.reset(::open(mountInfo_.c_str(), O_RDONLY | O_CLOEXEC));
    last_ = volumes_.mountedVolumes();
    if (!table_) {
        return false;
    }
    drain();
    notifier_ = std::make_unique<QSocketNotifier>(table_.get(), QSocketNotifier::Exception);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        drain();
        check();
    });
    return true;
}

// The kernel keeps flagging the table until it is read through again.
void MountWatcher::drain() {
    if (::lseek(table_.get(), 0, SEEK_SET) < 0) {
        return;
    }
    std::array<char, 16384> buffer{};
    while (::read(table_.get(), buffer.data(), buffer.size()) > 0) {
    }
}

void MountWatcher::check() {
    std::vector<MountedVolume> now = volumes_.mountedVolumes();
    const VolumeChanges changes = diffVolumes(last_, now);
    last_ = std::move(now);
    if (!onChange_) {
        return;
    }
    // Gone first: another drive mounted on the same place reads as the old one leaving, then the new
    // arriving.
    for (const MountedVolume& volume : changes.unmounted) {
        onChange_({VolumeChange::Kind::unmounted, volume.mountPath});
    }
    for (const MountedVolume& volume : changes.mounted) {
        onChange_({VolumeChange::Kind::mounted, volume.mountPath});
    }
}

} // namespace keldra
