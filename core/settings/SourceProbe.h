#pragma once

#include <filesystem>
#include <optional>

namespace keldra {

// The few file-system questions a source's availability asks. Tests substitute answers that a process
// running as root cannot produce with chmod (unreadable folders) or that need real mounts.
class SourceProbe {
public:
    enum class Kind { none, directory, other };

    virtual ~SourceProbe() = default;
    // What is at the path, following symbolic links; none when nothing is there.
    virtual Kind kind(const std::filesystem::path& path) const = 0;
    // The folder's entries can be listed.
    virtual bool canList(const std::filesystem::path& path) const = 0;
    // The file can be opened for reading.
    virtual bool canRead(const std::filesystem::path& path) const = 0;
    // The path with symbolic links resolved; none when it cannot be resolved.
    virtual std::optional<std::filesystem::path> resolved(const std::filesystem::path& path) const = 0;
    // A file system is mounted exactly at the path.
    virtual bool isMountPoint(const std::filesystem::path& path) const = 0;
};

// The real file system; mount points come from /proc/self/mountinfo.
class RealSourceProbe final : public SourceProbe {
public:
    Kind kind(const std::filesystem::path& path) const override;
    bool canList(const std::filesystem::path& path) const override;
    bool canRead(const std::filesystem::path& path) const override;
    std::optional<std::filesystem::path> resolved(const std::filesystem::path& path) const override;
    bool isMountPoint(const std::filesystem::path& path) const override;
};

} // namespace keldra
