#pragma once

#include <cstdint>

namespace keldra {

// Memory that could be used now, checked before a whole file is sealed or opened in memory.
class MemoryInfo {
public:
    virtual ~MemoryInfo() = default;
    virtual uint64_t availableMemoryBytes() const = 0;
};

} // namespace keldra
