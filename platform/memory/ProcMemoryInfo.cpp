#include "platform/memory/ProcMemoryInfo.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>

namespace keldra {

namespace {

// "MemAvailable:   12345678 kB" -> bytes; none when the line is missing or not in kB.
std::optional<uint64_t> memAvailable(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        constexpr std::string_view key = "MemAvailable:";
        if (!line.starts_with(key)) {
            continue;
        }
        const size_t start = line.find_first_not_of(' ', key.size());
        if (start == std::string::npos) {
            return std::nullopt;
        }
        uint64_t kilobytes = 0;
        const char* end = line.data() + line.size();
        const auto [rest, error] = std::from_chars(line.data() + start, end, kilobytes);
        if (error != std::errc() || std::string_view(rest, static_cast<size_t>(end - rest)) != " kB" ||
            kilobytes > std::numeric_limits<uint64_t>::max() / 1024) {
            return std::nullopt;
        }
        return kilobytes * 1024;
    }
    return std::nullopt;
}

uint64_t physicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

} // namespace

ProcMemoryInfo::ProcMemoryInfo(std::filesystem::path meminfoPath, std::optional<uint64_t> physicalBytes)
    : meminfoPath_(std::move(meminfoPath)), physicalBytes_(physicalBytes) {}

uint64_t ProcMemoryInfo::availableMemoryBytes() const {
    if (const auto available = memAvailable(meminfoPath_)) {
        return *available;
    }
    return physicalBytes_.value_or(physicalMemory()) / 4;
}

} // namespace keldra
