#include "platform/volumes/MountInfo.h"

#include "core/codec/Hex.h"

#include <array>
#include <charconv>

namespace keldra {

namespace {

std::vector<std::string_view> splitSpaces(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = line.find(' ', start);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        if (stop > start) {
            fields.push_back(line.substr(start, stop - start));
        }
        start = stop + 1;
    }
    return fields;
}

bool parseUnsigned(std::string_view text, unsigned& out) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool hasPrefixFolder(std::string_view path, std::string_view folder) {
    return path == folder || (path.size() > folder.size() && path.substr(0, folder.size()) == folder &&
                              path[folder.size()] == '/');
}

} // namespace

std::string unescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && field.size() - i >= 4) {
            const char a = field[i + 1];
            const char b = field[i + 2];
            const char c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::string unescapeUdevName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && name.size() - i >= 4 && name[i + 1] == 'x') {
            const int high = hexDigitValue(name[i + 2]);
            const int low = hexDigitValue(name[i + 3]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.push_back(name[i]);
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::vector<std::string_view> fields = splitSpaces(text.substr(start, end - start));
        start = end + 1;

        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        if (fields.size() < 7) {
            continue;
        }
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") {
            ++separator;
        }
        if (separator + 2 >= fields.size()) {
            continue;
        }
        const std::string_view device = fields[2];
        const std::size_t colon = device.find(':');
        MountEntry entry;
        if (colon == std::string_view::npos || !parseUnsigned(device.substr(0, colon), entry.major) ||
            !parseUnsigned(device.substr(colon + 1), entry.minor)) {
            continue;
        }
        entry.mountPoint = unescapeMountField(fields[4]);
        entry.fileSystemType = std::string(fields[separator + 1]);
        entry.source = unescapeMountField(fields[separator + 2]);
        if (entry.mountPoint.empty() || entry.mountPoint.front() != '/') {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool isSystemMount(const MountEntry& entry) {
    static constexpr std::array<std::string_view, 24> systemTypes = {
        "proc",       "sysfs",     "devtmpfs",  "devpts",      "cgroup",          "cgroup2",
        "securityfs", "pstore",    "debugfs",   "tracefs",     "configfs",        "fusectl",
        "mqueue",     "hugetlbfs", "bpf",       "binfmt_misc", "autofs",          "rpc_pipefs",
        "nsfs",       "efivarfs",  "selinuxfs", "ramfs",       "fuse.gvfsd-fuse", "fuse.portal",
    };
    for (const std::string_view type : systemTypes) {
        if (entry.fileSystemType == type) {
            return true;
        }
    }
    const std::string_view point = entry.mountPoint;
    if (hasPrefixFolder(point, "/proc") || hasPrefixFolder(point, "/sys") || hasPrefixFolder(point, "/dev")) {
        return true;
    }
    // /run holds the system's own state; removable drives mounted by udisks live in /run/media.
    return hasPrefixFolder(point, "/run") && !hasPrefixFolder(point, "/run/media");
}

} // namespace keldra
