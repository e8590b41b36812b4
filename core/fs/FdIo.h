#pragma once

#include <cstddef>

namespace keldra {

// read(2) and write(2) until done: short transfers are continued and EINTR retried.

// Reads until `size` bytes or end of file; returns how many arrived. On failure returns what arrived and
// sets `error` to the errno value (0 otherwise).
std::size_t readFully(int fd, void* data, std::size_t size, int& error);

// Writes all `size` bytes; 0 on success, else the errno value.
int writeFully(int fd, const void* data, std::size_t size);

} // namespace keldra
