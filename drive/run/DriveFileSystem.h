#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/CancelToken.h"
#include "drive/format/ChunkBuffers.h"
#include "drive/format/LocalFormat.h"
#include "drive/run/GroupFlush.h"

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace keldra {

// The writes a drive run makes to the drive. The real one is the on-drive format's writer and POSIX calls;
// tests put one in its place that fails with a full, read-only or vanished drive (running as root, they
// cannot provoke most of these otherwise).
class DriveFileSystem {
public:
    virtual ~DriveFileSystem() = default;

    // As LocalFormat::writeObject, reading at most `readLimit` bytes of the source, with the chunk buffers
    // of the run's pool, but the object is left unflushed: flushItems makes a group of them durable at once.
    virtual LocalFormat::WriteResult
    writeObject(const std::filesystem::path& source, std::int64_t readLimit,
                const std::filesystem::path& temporary, std::string_view objectID, const KeldraKey& key,
                const LocalFormat::MetadataBuilder& metadata, const LocalFormat::ChunkObserver& onChunk,
                const CancelToken& cancel, LocalFormat::ChunkBufferPool& buffers) const = 0;
    // Renames a finished object into place; not yet durable (flushItems). Throws std::system_error.
    virtual void moveItem(const std::filesystem::path& from, const std::filesystem::path& to) const = 0;
    // Chooses how the run's groups are flushed; called once as the run starts, before it writes any object.
    // Throws std::system_error.
    virtual GroupFlush startFlushes(const std::filesystem::path& deviceFolder) const = 0;
    // Makes the files' contents and the folders that name them durable, so copies recorded afterwards
    // survive a power cut: each file and folder in turn, or the whole file system at once, as `flush`
    // says. Throws std::system_error on the first failure.
    virtual void flushItems(const GroupFlush& flush, const std::vector<std::filesystem::path>& files,
                            const std::vector<std::filesystem::path>& folders) const = 0;
    // Removes one file; the system's error, or none.
    virtual std::error_code removeItem(const std::filesystem::path& path) const = 0;
    // Removes one file named relative to a folder descriptor the run holds, following no link on the way.
    // The descriptor reaches the drive's own file system even once its mount point is gone or leads
    // elsewhere, so "no such file" here means the file is not on the drive. The system's error, or none.
    virtual std::error_code removeItemAt(int folder, const std::filesystem::path& relative) const = 0;
    // Creates one folder whose parent exists (never its parents); an existing folder is fine, a link or
    // file in its place is ENOTDIR.
    virtual std::error_code makeFolder(const std::filesystem::path& path) const = 0;
};

class RealDriveFileSystem : public DriveFileSystem {
public:
    LocalFormat::WriteResult writeObject(const std::filesystem::path& source, std::int64_t readLimit,
                                         const std::filesystem::path& temporary, std::string_view objectID,
                                         const KeldraKey& key, const LocalFormat::MetadataBuilder& metadata,
                                         const LocalFormat::ChunkObserver& onChunk, const CancelToken& cancel,
                                         LocalFormat::ChunkBufferPool& buffers) const override;
    void moveItem(const std::filesystem::path& from, const std::filesystem::path& to) const override;
    GroupFlush startFlushes(const std::filesystem::path& deviceFolder) const override;
    void flushItems(const GroupFlush& flush, const std::vector<std::filesystem::path>& files,
                    const std::vector<std::filesystem::path>& folders) const override;
    std::error_code removeItem(const std::filesystem::path& path) const override;
    std::error_code removeItemAt(int folder, const std::filesystem::path& relative) const override;
    std::error_code makeFolder(const std::filesystem::path& path) const override;
};

} // namespace keldra
