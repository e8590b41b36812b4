#include "drive/run/DriveFileSystem.h"

#include "core/fs/AtomicFile.h"
#include "core/fs/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra {

LocalFormat::WriteResult
RealDriveFileSystem::writeObject(const std::filesystem::path& source, std::int64_t readLimit,
                                 const std::filesystem::path& temporary, std::string_view objectID,
                                 const KeldraKey& key, const LocalFormat::MetadataBuilder& metadata,
                                 const LocalFormat::ChunkObserver& onChunk, const CancelToken& cancel,
                                 LocalFormat::ChunkBufferPool& buffers) const {
    return LocalFormat::writeObject(source, temporary, objectID, key, metadata, onChunk, cancel, readLimit,
                                    LocalFormat::Flush::deferred, &buffers);
}

void RealDriveFileSystem::moveItem(const std::filesystem::path& from, const std::filesystem::path& to) const {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "move the copy into place");
    }
}

GroupFlush RealDriveFileSystem::startFlushes(const std::filesystem::path& deviceFolder) const {
    return GroupFlush::open(deviceFolder);
}

void RealDriveFileSystem::flushItems(const GroupFlush& flush, const std::vector<std::filesystem::path>& files,
                                     const std::vector<std::filesystem::path>& folders) const {
    if (flush.method() == GroupFlushMethod::wholeFileSystem) {
        // Writes back and waits for every file and folder of the drive, commits its journal and flushes
        // the device; fails with any write-back error since the run opened the folder.
        if (::syncfs(flush.folder()) != 0) {
            throw std::system_error(errno, std::generic_category(), "flush the copies to the drive");
        }
        return;
    }
    std::vector<UniqueFd> opened;
    opened.reserve(files.size());
    for (const std::filesystem::path& file : files) {
        UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (!fd) {
            throw std::system_error(errno, std::generic_category(), "flush the copies to the drive");
        }
        // Every file's write-back starts before the first wait, so the device sees the group at once.
        (void)::sync_file_range(fd.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
        opened.push_back(std::move(fd));
    }
    for (const UniqueFd& fd : opened) {
        if (::fsync(fd.get()) != 0) {
            throw std::system_error(errno, std::generic_category(), "flush the copies to the drive");
        }
    }
    for (const std::filesystem::path& folder : folders) {
        if (const std::error_code flushed = syncDirectory(folder)) {
            throw std::system_error(flushed, "flush the copies' folders");
        }
    }
}

std::error_code RealDriveFileSystem::removeItem(const std::filesystem::path& path) const {
    if (::unlink(path.c_str()) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

std::error_code RealDriveFileSystem::removeItemAt(int folder, const std::filesystem::path& relative) const {
    if (relative.empty() || relative.is_absolute() || !relative.has_filename()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    UniqueFd level;
    int at = folder;
    for (const std::filesystem::path& part : relative.parent_path()) {
        if (part == "..") {
            return std::make_error_code(std::errc::invalid_argument);
        }
        UniqueFd next(::openat(at, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next) {
            return {errno, std::generic_category()};
        }
        level = std::move(next);
        at = level.get();
    }
    if (::unlinkat(at, relative.filename().c_str(), 0) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

std::error_code RealDriveFileSystem::makeFolder(const std::filesystem::path& path) const {
    return LocalFormat::makePlainFolder(path);
}

} // namespace keldra
