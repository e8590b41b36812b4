#pragma once

// The encrypted on-drive format: one header per backup root and one "OLO2" object file per stored
// version of a file. Other programs read these bytes without the application, so none of them may change.

#include "core/Bytes.h"
#include "core/crypto/KeldraKey.h"
#include "core/seams/CancelToken.h"
#include "drive/format/BackupHeader.h"
#include "drive/format/DriveFiles.h"
#include "drive/format/DriveLayout.h"
#include "drive/format/FormatCrypto.h"
#include "drive/format/FormatError.h"
#include "drive/format/ObjectMetadata.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace keldra::LocalFormat {

class ChunkBufferPool;

// Object file: "OLO2", slot length L (4 bytes), the sealed metadata slot (L bytes), chunk size C
// (4 bytes), then chunk records of nonce + ciphertext + tag. Integers are unsigned big-endian.
inline constexpr std::string_view objectMagic = "OLO2";
inline constexpr std::uint32_t metadataSlotSize = 4096;
inline constexpr std::size_t metadataPlaintextSize = 4068; // the slot less nonce and tag
inline constexpr std::uint32_t chunkSize = 4194304;        // 4 MiB
inline constexpr std::uint64_t recordsOffset = 12 + metadataSlotSize;
inline constexpr std::uint32_t recordOverhead = 28;
// Bounds a reader accepts before it trusts a length from the drive.
inline constexpr std::uint32_t minimumSlotSize = 28;
inline constexpr std::uint32_t maximumSlotSize = 999999;
inline constexpr std::uint32_t maximumChunkSize = 67108864; // 64 MiB

// The fixed texts of the three failures this format reports itself.
inline constexpr std::string_view cannotWriteDriveMessage = "Couldn't write to the drive.";
inline constexpr std::string_view pathTooLongMessage = "This file's path is too long to back up to a drive.";
inline constexpr std::string_view cannotWriteRestoredMessage = "Couldn't write the restored file.";

// Given the keyed checksum (hex) and the plaintext length once the whole file has been read, returns the
// metadata to seal into the object.
using MetadataBuilder = std::function<Metadata(const std::string& checksumHex, std::int64_t plaintextLength)>;
// Told each chunk's plaintext length as it reaches the drive (the throughput meter).
using ChunkObserver = std::function<void(std::uint64_t chunkLength)>;

struct WriteResult {
    std::string checksum; // keyed checksum of the plaintext, lowercase hex
    std::int64_t plaintextLength = 0;
    std::int64_t objectSize = 0; // size of the object file on disk, 0 when unknown

    bool operator==(const WriteResult&) const = default;
};

// Whether writeObject flushes the object before it returns. Deferred: the write-back starts as each chunk
// is written, and the caller, which flushes many objects together and records none before, waits for it.
enum class Flush { yes, deferred };

// Encrypts `source` into a new object file at `temporary`, sealed for `objectID` (the name the caller
// gives the finished file: <objectID>.olo). Streams in 4 MiB chunks with one read ahead, so memory stays
// flat whatever the file's size. Throws FormatError::io for the two fixed messages, std::system_error for
// other file-system failures, CancelledError between chunks. On failure the temporary file is left for the
// caller to delete; moving it into place is the caller's work too.
// The source is opened as core/fs/RegularFile says (no link, pipe or device; SourceReadError otherwise)
// and at most `readLimit` bytes of it are read (no limit when negative). A file of several chunks takes its
// buffers from `buffers` (none: buffers of its own), so a caller writing many objects can keep them.
WriteResult writeObject(const std::filesystem::path& source, const std::filesystem::path& temporary,
                        std::string_view objectID, const KeldraKey& key, const MetadataBuilder& metadata,
                        const ChunkObserver& onChunk = {}, const CancelToken& cancel = {},
                        std::int64_t readLimit = -1, Flush flush = Flush::yes,
                        ChunkBufferPool* buffers = nullptr);

// Opens only the header and the metadata slot of an object. The object identifier is the file name
// without its extension, so an object renamed to another identifier does not open.
// Throws FormatError (notAnObject, badHeader, authFailed) or std::system_error.
Metadata readMetadata(const std::filesystem::path& object, const KeldraKey& key);

// Decrypts every chunk record of the object into `target`. The plaintext goes to a temporary file beside
// the target that replaces it only once every record has opened and is on disk, so a damaged object never
// leaves wrong or partial content at the target. Throws FormatError (notAnObject, badHeader, truncated,
// authFailed, io), std::system_error, or CancelledError between records.
void restoreObject(const std::filesystem::path& object, const std::filesystem::path& target,
                   const KeldraKey& key, const CancelToken& cancel = {}, const ChunkObserver& onChunk = {});

// The same decryption into a file the caller has open for writing (from its current position), which it
// neither flushes nor closes: for a caller that keeps its own temporary file. After a failure the file holds
// part of the plaintext and is the caller's to remove. Throws as restoreObject.
void restoreObjectInto(const std::filesystem::path& object, int fd, const KeldraKey& key,
                       const CancelToken& cancel = {}, const ChunkObserver& onChunk = {});

// Each byte as two lowercase hex digits.
std::string hexString(const std::uint8_t* data, std::size_t size);
inline std::string hexString(const Bytes& bytes) {
    return hexString(bytes.data(), bytes.size());
}

// The additional authenticated data of chunk `index`: the identifier, the index as 8 big-endian bytes and
// the last flag; binding each record to its object, place and end.
std::string chunkAad(std::string_view objectID, std::uint64_t index, bool last);
inline std::string metadataAad(std::string_view objectID) {
    return "meta:" + std::string(objectID);
}

} // namespace keldra::LocalFormat
