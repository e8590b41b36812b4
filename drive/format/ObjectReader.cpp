#include "core/fs/AtomicFile.h"
#include "core/fs/RegularFile.h"
#include "core/fs/UniqueFd.h"
#include "drive/format/FileIo.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/LocalFormat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keldra::LocalFormat {
namespace {

struct OpenedObject {
    UniqueFd fd;
    std::uint64_t fileSize = 0;
    std::uint32_t slotSize = 0;
};

// The identifier an object is sealed for is its file name, never anything stored inside it.
std::string objectIDOf(const std::filesystem::path& object) {
    return object.stem().string();
}

// Opens an object and checks magic and slot length; every length is checked against the bounds and the
// file's real size before anything is allocated from it.
OpenedObject openObject(const std::filesystem::path& object) {
    OpenedObject opened;
    // A pipe or device named like an object must not hang the reader, nor a link lead it off the drive.
    int openError = 0;
    opened.fd = openRegularFile(object, openError);
    if (!opened.fd) {
        throwErrno(openError, "open the backup file");
    }
    struct stat status {};
    if (::fstat(opened.fd.get(), &status) != 0) {
        throwErrno(errno, "read the backup file's size");
    }
    opened.fileSize = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    std::uint8_t head[8];
    if (preadFully(opened.fd.get(), head, sizeof head, 0, "read the backup file") < sizeof head ||
        !std::equal(objectMagic.begin(), objectMagic.end(), head)) {
        throw FormatError(FormatError::Kind::notAnObject);
    }
    opened.slotSize = readBigEndian32(head + 4);
    if (opened.slotSize < minimumSlotSize || opened.slotSize > maximumSlotSize) {
        throw FormatError(FormatError::Kind::badHeader);
    }
    return opened;
}

// A temporary file beside the restore target that is removed unless it was moved into place.
class RestoreScratch {
public:
    explicit RestoreScratch(const std::filesystem::path& target) : path_(temporarySibling(target)) {}
    ~RestoreScratch() {
        fd_.reset();
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }
    RestoreScratch(const RestoreScratch&) = delete;
    RestoreScratch& operator=(const RestoreScratch&) = delete;

    void create() {
        fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!fd_) {
            throw FormatError::io(std::string(cannotWriteRestoredMessage), {errno, std::generic_category()});
        }
    }
    int fd() const { return fd_.get(); }

    void commit(const std::filesystem::path& target) {
        if (::fsync(fd_.get()) != 0) {
            throwErrno(errno, "flush the restored file");
        }
        if (fd_.close() != 0) {
            throwErrno(errno, "close the restored file");
        }
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            throwErrno(errno, "move the restored file into place");
        }
        committed_ = true;
        syncDirectory(target.parent_path());
    }

private:
    std::filesystem::path path_;
    UniqueFd fd_;
    bool committed_ = false;
};

} // namespace

Metadata readMetadata(const std::filesystem::path& object, const KeldraKey& key) {
    const std::string objectID = objectIDOf(object);
    OpenedObject opened = openObject(object);
    if (opened.fileSize < 8 + std::uint64_t{opened.slotSize}) {
        throw FormatError(FormatError::Kind::badHeader);
    }
    Bytes slot(opened.slotSize);
    if (preadFully(opened.fd.get(), slot.data(), slot.size(), 8, "read the backup file") < slot.size()) {
        throw FormatError(FormatError::Kind::badHeader);
    }
    const std::size_t length = slot.size() - nonceSize - tagSize;
    std::uint8_t* ciphertext = slot.data() + nonceSize;
    if (!openInPlace(contentKey(key), slot.data(), ciphertext, length, ciphertext + length,
                     metadataAad(objectID))) {
        throw FormatError(FormatError::Kind::authFailed);
    }
    auto metadata = decodeMetadata(std::string_view(reinterpret_cast<const char*>(ciphertext), length));
    if (!metadata) {
        throw FormatError(FormatError::Kind::authFailed);
    }
    return std::move(*metadata);
}

namespace {

// Checks the object's head, then makes the file to write to with `open` (only then, so a file that is
// not an object leaves nothing made) and writes every record's plaintext to the descriptor it returns.
template <typename Open>
void decryptRecords(const std::filesystem::path& object, const KeldraKey& key, const CancelToken& cancel,
                    const ChunkObserver& onChunk, Open open) {
    const std::string objectID = objectIDOf(object);
    const auto content = contentKey(key);
    OpenedObject opened = openObject(object);

    std::uint8_t sizeField[4];
    if (preadFully(opened.fd.get(), sizeField, sizeof sizeField, 8 + std::uint64_t{opened.slotSize},
                   "read the backup file") < sizeof sizeField) {
        throw FormatError(FormatError::Kind::truncated);
    }
    const std::uint32_t chunk = readBigEndian32(sizeField);
    if (chunk == 0 || chunk > maximumChunkSize) {
        throw FormatError(FormatError::Kind::badHeader);
    }
    const std::uint64_t fullRecord = std::uint64_t{chunk} + recordOverhead;

    const int out = open();

    std::uint64_t position = 12 + std::uint64_t{opened.slotSize};
    throwIfCancelled(cancel);
    Bytes record;
    for (std::uint64_t index = 0;; ++index) {
        const std::uint64_t remaining = opened.fileSize > position ? opened.fileSize - position : 0;
        if (remaining < recordOverhead) {
            throw FormatError(FormatError::Kind::truncated);
        }
        const std::uint64_t length = std::min(remaining, fullRecord);
        const bool last = remaining <= fullRecord;
        // Sized by the checked chunk size and the file's real size, never by an unchecked field.
        record.resize(static_cast<std::size_t>(length));
        if (preadFully(opened.fd.get(), record.data(), record.size(), position, "read the backup file") <
            record.size()) {
            throw FormatError(FormatError::Kind::truncated);
        }
        const std::size_t plainLength = record.size() - recordOverhead;
        std::uint8_t* ciphertext = record.data() + nonceSize;
        if (!openInPlace(content, record.data(), ciphertext, plainLength, ciphertext + plainLength,
                         chunkAad(objectID, index, last))) {
            throw FormatError(FormatError::Kind::authFailed);
        }
        const struct iovec piece[] = {{ciphertext, plainLength}};
        writeAll(out, piece, 1, "write the restored file");
        if (plainLength > 0 && onChunk) {
            onChunk(plainLength);
        }
        position += length;
        if (last) {
            break;
        }
        throwIfCancelled(cancel);
    }
}

} // namespace

void restoreObject(const std::filesystem::path& object, const std::filesystem::path& target,
                   const KeldraKey& key, const CancelToken& cancel, const ChunkObserver& onChunk) {
    RestoreScratch scratch(target);
    decryptRecords(object, key, cancel, onChunk, [&] {
        scratch.create();
        return scratch.fd();
    });
    scratch.commit(target);
}

void restoreObjectInto(const std::filesystem::path& object, int fd, const KeldraKey& key,
                       const CancelToken& cancel, const ChunkObserver& onChunk) {
    decryptRecords(object, key, cancel, onChunk, [fd] { return fd; });
}

} // namespace keldra::LocalFormat
