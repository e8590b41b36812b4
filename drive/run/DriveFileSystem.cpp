#include "drive/run/DriveFileSystem.h"

#include "core/fs/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra {

LocalFormat::WriteResult
RealDriveFileSystem::writeObject(const std::filesystem::path& source, std::int64_t readLimit,
                                 const std::filesystem::path& temporary, std::string_view objectID,
                                 const KeldraKey& key, const LocalFormat::MetadataBuilder& metadata,
                                 const LocalFormat::ChunkObserver& onChunk, const CancelToken& cancel) const {
    return LocalFormat::writeObject(source, temporary, objectID, key, metadata, onChunk, cancel, readLimit);
}

void RealDriveFileSystem::moveItem(const std::filesystem::path& from, const std::filesystem::path& to) const {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "move the copy into place");
    }
    if (const std::error_code flushed = syncDirectory(to.parent_path())) {
        throw std::system_error(flushed, "flush the copy's folder");
    }
}

std::error_code RealDriveFileSystem::removeItem(const std::filesystem::path& path) const {
    if (::unlink(path.c_str()) != 0) {
        return {errno, std::generic_category()};
    }
    return {};
}

std::error_code RealDriveFileSystem::makeFolder(const std::filesystem::path& path) const {
    return LocalFormat::makePlainFolder(path);
}

} // namespace keldra
