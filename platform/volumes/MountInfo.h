#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace keldra {

// One line of /proc/self/mountinfo.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint; // unescaped
    std::string fileSystemType;
    std::string source; // unescaped, e.g. "/dev/sdb1"

    friend bool operator==(const MountEntry&, const MountEntry&) = default;
};

// Every well-formed line, in file order (later lines are mounted over earlier ones). Malformed lines are
// skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// The kernel writes space, tab, newline and backslash in mount fields as "\040", "\011", "\012", "\134".
std::string unescapeMountField(std::string_view field);

// udev writes unsafe characters of labels in /dev/disk/by-label names as "\xHH".
std::string unescapeUdevName(std::string_view name);

// Kernel and system file systems that never hold a user's backup (proc, sysfs, cgroup ...), and the mount
// places that only hold them.
bool isSystemMount(const MountEntry& entry);

} // namespace keldra
