#include "core/fs/AtomicFile.h"
#include "core/fs/FdIo.h"
#include "core/fs/SafeKeldraPath.h"
#include "core/fs/UniqueFd.h"
#include "core/settings/BackupSource.h"
#include "restore/engine/NoReplaceRename.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/RestoreTempFiles.h"
#include "restore/engine/StagedFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keldra {
namespace {

namespace fs = std::filesystem;

// Renames under keepBoth retry when a name is taken between the check and the move; a folder that keeps
// filling up that fast is not worth chasing for ever.
constexpr int maxPlacementAttempts = 1000;

// Restored content is written in pieces of this size, each handed to the disk as soon as it is written.
constexpr std::size_t writeChunk = 4 * 1024 * 1024;

[[noreturn]] void throwFileError(const char* what, const fs::path& path, int error) {
    throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

bool existsNoFollow(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool isWithin(const fs::path& path, const fs::path& base) {
    const std::string& text = path.native();
    std::string prefix = base.native();
    if (text == prefix) {
        return true;
    }
    if (!prefix.ends_with('/')) {
        prefix += '/';
    }
    return text.starts_with(prefix);
}

// Writes a temp file beside the target and starts the disk on it, but does not wait for the disk: the
// caller flushes it (StagedFile::flush) when it needs the content to be durable.
StagedFile writeTempFile(const fs::path& target, const Bytes& bytes) {
    RestoreTempFile created = createRestoreTempFile(target);
    StagedFile staged(created.path, target, std::move(created.fd));
    const int fd = staged.descriptor();
    const fs::path& temp = created.path;
    auto fail = [&](int error) {
        throwFileError("Couldn't write the restored file", temp, error);
    };
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    off64_t flushed = 0;
    off64_t offset = 0;
    while (left > 0) {
        const std::size_t piece = std::min(left, writeChunk);
        if (const int error = writeFully(fd, data, piece); error != 0) {
            fail(error);
        }
        data += piece;
        left -= piece;
        offset += static_cast<off64_t>(piece);
        // Start writing back what is written so far, so the disk works while the rest is copied and the
        // fsync below has less left to wait for. A hint only: its failure changes nothing.
        if (offset - flushed >= static_cast<off64_t>(writeChunk)) {
            ::sync_file_range(fd, flushed, offset - flushed, SYNC_FILE_RANGE_WRITE);
            flushed = offset;
        }
    }
    // What is left after the last full piece goes to the disk now too.
    if (offset > flushed) {
        ::sync_file_range(fd, flushed, offset - flushed, SYNC_FILE_RANGE_WRITE);
    }
    return staged;
}

} // namespace

fs::path RestoreEngine::destinationURL(const RestoreItem& item, const RestoreDestination& destination) {
    if (destination.isOriginal()) {
        if (!isSafeKeldraPath(item.keldraPath)) {
            throw RestoreError(RestoreError::Kind::unsafePath);
        }
        return BackupSource::expandPath(item.keldraPath);
    }
    const fs::path& base = *destination.folderPath();
    if (!isSafeRelativePath(item.relativePath)) {
        throw RestoreError(RestoreError::Kind::unsafePath);
    }
    fs::path candidate = base / item.relativePath;
    fs::path standardBase = standardizedPath(base);
    std::string basePrefix = standardBase.native();
    if (!basePrefix.ends_with('/')) {
        basePrefix += '/';
    }
    if (!standardizedPath(candidate).native().starts_with(basePrefix)) {
        throw RestoreError(RestoreError::Kind::unsafePath);
    }
    return candidate;
}

void RestoreEngine::createTargetFolder(const fs::path& target, const RestoreDestination& destination) {
    const fs::path parent = target.parent_path();
    if (destination.isOriginal()) {
        fs::create_directories(parent);
        return;
    }
    const fs::path& base = *destination.folderPath();
    fs::create_directories(base);
    const fs::path canonicalBase = fs::canonical(base);
    // Step down one folder at a time and resolve each: a symbolic link is followed only when it leads to
    // a place inside the chosen folder, and nothing is created anywhere else.
    fs::path current = base;
    for (const auto& piece : parent.lexically_relative(base)) {
        if (piece == ".") {
            continue;
        }
        if (piece == ".." || piece.empty()) {
            throw RestoreError(RestoreError::Kind::unsafePath);
        }
        current /= piece;
        if (!existsNoFollow(current) && ::mkdir(current.c_str(), 0777) != 0 && errno != EEXIST) {
            throwFileError("Couldn't create the folder", current, errno);
        }
        const fs::path resolved = fs::weakly_canonical(current);
        if (!isWithin(resolved, canonicalBase)) {
            throw RestoreError(RestoreError::Kind::unsafePath);
        }
        if (!fs::is_directory(resolved)) {
            throwFileError("Couldn't create the folder", current, ENOTDIR);
        }
    }
}

fs::path RestoreEngine::temporaryFileFor(const fs::path& target) {
    return restoreTempPathFor(target);
}

fs::path RestoreEngine::keepBothURL(const fs::path& target) {
    const fs::path folder = target.parent_path();
    std::string stem = target.stem().native();
    std::string extension = target.extension().native();
    if (extension == ".") {
        // "name." has no extension: the dot stays part of the name.
        stem = target.filename().native();
        extension.clear();
    }
    for (unsigned long long n = 1;; ++n) {
        std::string name = stem + (n == 1 ? " (restored)" : " (restored " + std::to_string(n) + ")");
        name += extension;
        fs::path candidate = folder / name;
        if (!existsNoFollow(candidate)) {
            return candidate;
        }
    }
}

fs::path RestoreEngine::moveIntoPlace(const fs::path& temp, const fs::path& target, ConflictPolicy policy,
                                      bool syncFolder) {
    auto fail = [&](const char* what, const fs::path& where, std::error_code error) {
        ::unlink(temp.c_str());
        throw fs::filesystem_error(what, where, error);
    };
    if (policy == ConflictPolicy::replace) {
        // The user asked for the stored copy in this place: one atomic rename swaps it in.
        if (::rename(temp.c_str(), target.c_str()) != 0) {
            fail("Couldn't put the restored file in place", target, {errno, std::generic_category()});
        }
        if (syncFolder) {
            syncDirectory(target.parent_path());
        }
        return target;
    }
    fs::path destination = existsNoFollow(target) ? keepBothURL(target) : target;
    for (int attempt = 1;; ++attempt) {
        const std::error_code error = renameNoReplace(temp, destination);
        if (!error) {
            if (syncFolder) {
                syncDirectory(destination.parent_path());
            }
            return destination;
        }
        if (error != std::errc::file_exists || attempt >= maxPlacementAttempts) {
            fail("Couldn't put the restored file in place", destination, error);
        }
        // Someone took the name after we looked: never overwrite it, take the next free one.
        destination = keepBothURL(target);
    }
}

StagedFile RestoreEngine::stageRestored(const RestoreItem& item, const RestoreDestination& destination,
                                        const Bytes& plaintext) {
    fs::path target = destinationURL(item, destination);
    createTargetFolder(target, destination);
    return writeTempFile(target, plaintext);
}

fs::path RestoreEngine::writeRestored(const RestoreItem& item, const RestoreDestination& destination,
                                      ConflictPolicy policy, const Bytes& plaintext) {
    StagedFile staged = stageRestored(item, destination, plaintext);
    const fs::path placed = staged.place(policy);
    syncDirectory(placed.parent_path());
    return placed;
}

} // namespace keldra
