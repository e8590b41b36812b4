#include "core/fs/FdIo.h"

#include <cerrno>
#include <unistd.h>

namespace keldra {

std::size_t readFully(int fd, void* data, std::size_t size, int& error) {
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    error = 0;
    while (done < size) {
        const ssize_t count = ::read(fd, bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        if (count == 0) {
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    return done;
}

int writeFully(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::write(fd, bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(count);
    }
    return 0;
}

} // namespace keldra
