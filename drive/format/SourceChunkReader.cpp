#include "drive/format/SourceChunkReader.h"

#include "core/fs/RegularFile.h"
#include "drive/format/FileIo.h"
#include "drive/format/LocalFormat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keldra::LocalFormat {

static_assert(chunkSize % SourceChunkReader::alignment == 0);

bool directReadsFit(int fd) {
    struct statx status {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &status) != 0 ||
        (status.stx_mask & STATX_DIOALIGN) == 0) {
        return false;
    }
    const auto fits = [](std::uint32_t needed) {
        return needed != 0 && needed <= SourceChunkReader::alignment &&
               SourceChunkReader::alignment % needed == 0;
    };
    return fits(status.stx_dio_mem_align) && fits(status.stx_dio_offset_align);
}

SourceChunkReader::SourceChunkReader(int fd, std::int64_t limit)
    : fd_(fd), left_(limit < 0 ? UINT64_MAX : static_cast<std::uint64_t>(limit)) {
    if (directReadsFit(fd_)) {
        const int flags = ::fcntl(fd_, F_GETFL);
        direct_ = flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0;
    }
}

std::size_t SourceChunkReader::next(std::uint8_t* buffer) {
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(chunkSize, left_));
    if (wanted == 0) {
        return 0;
    }
    int error = 0;
    std::size_t got = 0;
    if (direct_) {
        got = readDirect(buffer, wanted, error);
        if (error == EINVAL) {
            // Refused after all (a file the file system cannot read directly): this read and the rest go
            // through the cache.
            stopDirect();
            error = 0;
            got = 0;
        }
    }
    if (!direct_) {
        got = readCached(buffer, wanted, error);
    }
    if (error != 0) {
        throw SourceReadError(error);
    }
    offset_ += got;
    left_ -= got;
    return got;
}

std::size_t SourceChunkReader::readDirect(std::uint8_t* buffer, std::size_t wanted, int& error) {
    // Whole aligned blocks only: the file's last block comes back short, and what lies beyond `wanted` (a
    // file grown past the limit) is dropped.
    const std::size_t request = (wanted + alignment - 1) / alignment * alignment;
    std::size_t got = 0;
    while (got < request) {
        const ssize_t read = ::pread(fd_, buffer + got, request - got, static_cast<off_t>(offset_ + got));
        if (read < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return 0;
        }
        if (read == 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
        if (got % alignment != 0) {
            break; // the end of the file
        }
    }
    return std::min(got, wanted);
}

std::size_t SourceChunkReader::readCached(std::uint8_t* buffer, std::size_t wanted, int& error) {
    try {
        return preadFully(fd_, buffer, wanted, offset_, "read the file");
    } catch (const std::system_error& failure) {
        error = failure.code().value();
        return 0;
    }
}

void SourceChunkReader::stopDirect() {
    direct_ = false;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) {
        (void)::fcntl(fd_, F_SETFL, flags & ~O_DIRECT);
    }
}

} // namespace keldra::LocalFormat
