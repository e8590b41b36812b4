#include "core/fs/FdIo.h"
#include "core/fs/RegularFile.h"
#include "core/fs/UniqueFd.h"
#include "drive/format/ChunkBuffers.h"
#include "drive/format/FileIo.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/LocalFormat.h"
#include "drive/format/SealAhead.h"
#include "drive/format/SourceChunkReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/uio.h>
#include <system_error>
#include <unistd.h>

namespace keldra::LocalFormat {
namespace {

// Each chunk is checksummed, sealed and written in pieces of this size. Measured against 64 KiB, 1 MiB and
// whole 4 MiB chunks: the smaller pieces cost the least system time, and 256 KiB needs a quarter of
// 64 KiB's calls.
constexpr std::size_t writePieceSize = 262144;

Bytes objectHead() {
    Bytes head(recordsOffset, 0);
    std::copy(objectMagic.begin(), objectMagic.end(), head.begin());
    writeBigEndian32(head.data() + 4, metadataSlotSize);
    writeBigEndian32(head.data() + 8 + metadataSlotSize, chunkSize);
    return head;
}

// Creates the temporary object with its head; any file of that name is replaced. The name is unlinked
// first and the file created exclusively, so a link planted under that name is never followed.
UniqueFd createTemporary(const std::filesystem::path& temporary, const Bytes& head) {
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        throw FormatError::io(std::string(cannotWriteDriveMessage), {errno, std::generic_category()});
    }
    UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd) {
        throw FormatError::io(std::string(cannotWriteDriveMessage), {errno, std::generic_category()});
    }
    try {
        pwriteAll(fd.get(), head.data(), head.size(), 0, "write the object head");
    } catch (const std::system_error& error) {
        throw FormatError::io(std::string(cannotWriteDriveMessage), error.code());
    }
    return fd;
}

// Reads, checksums, seals and writes the chunks one after another on this thread, each chunk a piece at a
// time (a file of one chunk has nothing to overlap). Returns the plaintext length.
std::int64_t writeChunksInTurn(int out, const std::function<std::size_t(std::uint8_t*)>& readChunk,
                               StreamingHmac& hmac, const SymmetricKey& content, std::string_view objectID,
                               const CancelToken& cancel, const ChunkObserver& onChunk, Flush flush) {
    std::int64_t total = 0;
    StreamingSeal seal(content);
    // Two buffers: the chunk being sealed and the one read ahead, which decides the last flag. Left
    // uninitialised, and the second made only once a file fills the first, so small files cost little.
    auto current = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize);
    std::unique_ptr<std::uint8_t[]> next;
    std::size_t currentLength = readChunk(current.get());
    throwIfCancelled(cancel);

    for (std::uint64_t index = 0;; ++index) {
        std::size_t nextLength = 0;
        if (currentLength == chunkSize) {
            if (!next) {
                next = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize);
            }
            nextLength = readChunk(next.get());
        }
        const bool last = nextLength == 0;

        // Checksummed, sealed and written a piece at a time, each piece still in the cache from the one
        // step to the next; the bytes on the drive are those of one record sealed whole.
        const Nonce nonce = randomNonce();
        seal.begin(nonce, chunkAad(objectID, index, last));
        std::size_t done = 0;
        do {
            const std::size_t piece = std::min(writePieceSize, currentLength - done);
            std::uint8_t* data = current.get() + done;
            hmac.update(data, piece);
            seal.update(data, piece);
            struct iovec pieces[3];
            int count = 0;
            if (done == 0) {
                pieces[count++] = {const_cast<std::uint8_t*>(nonce.data()), nonce.size()};
            }
            pieces[count++] = {data, piece};
            done += piece;
            Tag tag{};
            if (done == currentLength) {
                tag = seal.finish();
                pieces[count++] = {tag.data(), tag.size()};
            }
            writeAll(out, pieces, count, "write to the drive");
        } while (done < currentLength);
        total += static_cast<std::int64_t>(currentLength);
        if (flush == Flush::deferred) {
            // The drive writes this chunk while the next one is read and sealed; the caller's flush then
            // finds little left to wait for.
            (void)::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
        }
        if (currentLength > 0 && onChunk) {
            onChunk(currentLength);
        }
        if (last) {
            break;
        }
        throwIfCancelled(cancel);
        std::swap(current, next);
        currentLength = nextLength;
    }
    return total;
}

} // namespace

std::string hexString(const std::uint8_t* data, std::size_t size) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0xf]);
    }
    return out;
}

std::string chunkAad(std::string_view objectID, std::uint64_t index, bool last) {
    std::string aad(objectID);
    for (int shift = 56; shift >= 0; shift -= 8) {
        aad.push_back(static_cast<char>((index >> shift) & 0xff));
    }
    aad.push_back(last ? '\x01' : '\x00');
    return aad;
}

WriteResult writeObject(const std::filesystem::path& source, const std::filesystem::path& temporary,
                        std::string_view objectID, const KeldraKey& key, const MetadataBuilder& metadata,
                        const ChunkObserver& onChunk, const CancelToken& cancel, std::int64_t readLimit,
                        Flush flush, ChunkBufferPool* buffers) {
    const auto content = contentKey(key);
    // Only the object's own fan-out folder is made. When a drive goes away its empty mount point stays
    // behind; rebuilding the whole path there would put the backup on the wrong disk.
    const auto folder = temporary.parent_path();
    if (const std::error_code made = makePlainFolder(folder.empty() ? "." : folder)) {
        throwErrno(made.value(), "create the object's folder");
    }

    UniqueFd out = createTemporary(temporary, objectHead());
    if (::lseek(out.get(), 0, SEEK_END) < 0) {
        throwErrno(errno, "seek in the object");
    }
    int openError = 0;
    UniqueFd in = openRegularFile(source, openError);
    if (!in) {
        throw SourceReadError(openError);
    }
    // Never more than the limit: a file swapped for an endless one must not fill the drive.
    std::uint64_t left = readLimit < 0 ? UINT64_MAX : static_cast<std::uint64_t>(readLimit);
    auto readChunk = [&](std::uint8_t* buffer) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(chunkSize, left));
        int error = 0;
        const std::size_t got = keldra::readFully(in.get(), buffer, wanted, error);
        if (error != 0) {
            throw SourceReadError(error);
        }
        left -= got;
        return got;
    };

    StreamingHmac hmac(key.checksumKey());
    std::int64_t total = 0;
    struct stat sourceStatus {};
    const bool severalChunks = ::fstat(in.get(), &sourceStatus) == 0 && sourceStatus.st_size > chunkSize &&
                               (readLimit < 0 || readLimit > chunkSize);
    if (severalChunks) {
        // Threads read and seal the next chunks while this one is written; joined before the checksum is
        // taken, on every way out.
        SourceChunkReader reader(in.get(), readLimit);
        std::optional<ChunkBufferPool> ownBuffers;
        SealAhead ahead([&reader](std::uint8_t* buffer) { return reader.next(buffer); }, hmac, content,
                        objectID, cancel, buffers != nullptr ? *buffers : ownBuffers.emplace());
        for (;;) {
            const SealedChunk chunk = ahead.next();
            struct iovec pieces[3] = {{const_cast<std::uint8_t*>(chunk.nonce.data()), chunk.nonce.size()},
                                      {const_cast<std::uint8_t*>(chunk.data), chunk.length},
                                      {const_cast<std::uint8_t*>(chunk.tag.data()), chunk.tag.size()}};
            writeAll(out.get(), pieces, 3, "write to the drive");
            total += static_cast<std::int64_t>(chunk.length);
            if (flush == Flush::deferred) {
                (void)::sync_file_range(out.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
            }
            if (chunk.length > 0 && onChunk) {
                onChunk(chunk.length);
            }
            if (chunk.last) {
                break;
            }
            throwIfCancelled(cancel);
        }
    } else {
        total = writeChunksInTurn(out.get(), readChunk, hmac, content, objectID, cancel, onChunk, flush);
    }
    in.reset();

    const auto digest = hmac.finish();
    WriteResult result{hexString(digest.data(), digest.size()), total, 0};

    std::string json;
    try {
        json = encodeMetadata(metadata(result.checksum, total));
    } catch (const std::invalid_argument&) {
        // A name that is not UTF-8 would give an object no reader can open: refuse it now.
        throwErrno(EILSEQ, "encode the file's metadata");
    }
    if (json.size() > metadataPlaintextSize) {
        throw FormatError::io(std::string(pathTooLongMessage));
    }
    Bytes slot(metadataSlotSize, 0);
    const Nonce nonce = randomNonce();
    std::copy(nonce.begin(), nonce.end(), slot.begin());
    std::uint8_t* plaintext = slot.data() + nonceSize;
    std::fill(plaintext, plaintext + metadataPlaintextSize, static_cast<std::uint8_t>(' '));
    std::copy(json.begin(), json.end(), plaintext);
    const Tag tag = sealInPlace(content, nonce, plaintext, metadataPlaintextSize, metadataAad(objectID));
    std::copy(tag.begin(), tag.end(), plaintext + metadataPlaintextSize);

    pwriteAll(out.get(), slot.data(), slot.size(), 8, "write the object's metadata");
    if (flush == Flush::yes && ::fsync(out.get()) != 0) {
        throwErrno(errno, "flush the object to the drive");
    }
    struct stat status {};
    if (::fstat(out.get(), &status) == 0) {
        result.objectSize = static_cast<std::int64_t>(status.st_size);
    }
    if (out.close() != 0) {
        throwErrno(errno, "close the object");
    }
    return result;
}

} // namespace keldra::LocalFormat
