#pragma once

#include "core/platform/MemoryInfo.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace keldra {

// MemAvailable from /proc/meminfo (the kernel's estimate of memory usable without swapping); a quarter of the
// physical memory when that cannot be read.
class ProcMemoryInfo final : public MemoryInfo {
public:
    explicit ProcMemoryInfo(std::filesystem::path meminfoPath = "/proc/meminfo",
                            std::optional<uint64_t> physicalBytes = std::nullopt);
    uint64_t availableMemoryBytes() const override;

private:
    std::filesystem::path meminfoPath_;
    std::optional<uint64_t> physicalBytes_;
};

} // namespace keldra
