#include "drive/format/FileIo.h"

#include "core/fs/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace keldra::LocalFormat {

void throwErrno(int error, std::string_view what) {
    throw std::system_error(error, std::generic_category(), std::string(what));
}

std::size_t readFully(int fd, std::uint8_t* data, std::size_t size, std::string_view what) {
    int error = 0;
    const std::size_t done = keldra::readFully(fd, data, size, error);
    if (error != 0) {
        throwErrno(error, what);
    }
    return done;
}

std::size_t preadFully(int fd, std::uint8_t* data, std::size_t size, std::uint64_t offset,
                       std::string_view what) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, what);
        }
        if (count == 0) {
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    return done;
}

void writeAll(int fd, const struct iovec* pieces, int count, std::string_view what) {
    std::vector<struct iovec> left(pieces, pieces + count);
    std::size_t first = 0;
    while (first < left.size()) {
        const ssize_t written = ::writev(fd, left.data() + first, static_cast<int>(left.size() - first));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, what);
        }
        auto remaining = static_cast<std::size_t>(written);
        while (first < left.size() && remaining >= left[first].iov_len) {
            remaining -= left[first].iov_len;
            ++first;
        }
        if (first < left.size()) {
            left[first].iov_base = static_cast<char*>(left[first].iov_base) + remaining;
            left[first].iov_len -= remaining;
        }
    }
}

void pwriteAll(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset,
               std::string_view what) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, what);
        }
        if (written == 0) {
            throwErrno(EIO, what);
        }
        done += static_cast<std::size_t>(written);
    }
}

} // namespace keldra::LocalFormat
