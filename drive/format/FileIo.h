#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <sys/types.h>
#include <sys/uio.h>

namespace keldra::LocalFormat {

// Reads until `size` bytes or end of file; returns the count read. Throws std::system_error on failure.
std::size_t readFully(int fd, std::uint8_t* data, std::size_t size, std::string_view what);
std::size_t preadFully(int fd, std::uint8_t* data, std::size_t size, std::uint64_t offset,
                       std::string_view what);

// Writes every byte (retrying short writes). Throws std::system_error on failure.
void writeAll(int fd, const struct iovec* pieces, int count, std::string_view what);
void pwriteAll(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset,
               std::string_view what);

[[noreturn]] void throwErrno(int error, std::string_view what);

inline std::uint32_t readBigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

inline void writeBigEndian32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

} // namespace keldra::LocalFormat
