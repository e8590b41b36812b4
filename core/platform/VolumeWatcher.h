#pragma once

#include <filesystem>
#include <functional>

namespace keldra {

// One volume mounted or unmounted.
struct VolumeChange {
    enum class Kind { mounted, unmounted };
    Kind kind = Kind::mounted;
    // Where the volume is (or was) mounted.
    std::filesystem::path mountPath;

    friend bool operator==(const VolumeChange&, const VolumeChange&) = default;
};

// Tells when drives come and go, so drive states and due drive runs follow at once.
class VolumeWatcher {
public:
    virtual ~VolumeWatcher() = default;
    // Called on the thread that owns the watcher (the UI thread) for every change. Replaces an earlier one.
    virtual void setOnChange(std::function<void(const VolumeChange&)> onChange) = 0;
};

} // namespace keldra
