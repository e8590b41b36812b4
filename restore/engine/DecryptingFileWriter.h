#pragma once

#include "core/crypto/BodyOpener.h"
#include "core/fs/UniqueFd.h"
#include "restore/engine/StagedFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace keldra {

// Opens a sealed body while it downloads and writes its plaintext to a fresh temp file beside the target,
// so a file costs a small buffer in memory instead of its size, and the disk works while the body arrives.
// Until `finish` has checked the tag the plaintext is only in the temp file, which nothing counts; the
// writer removes that file unless `finish` hands it on.
//
// The file is written past the page cache where the file system allows it (O_DIRECT, in large aligned
// pieces): the disk then writes while the body arrives instead of after it, and a whole restore does not
// wait for the cache's write-back. Elsewhere it writes through the cache and starts the write-back itself.
class DecryptingFileWriter {
public:
    // Creates a fresh temp file beside `target` (createRestoreTempFile). Throws
    // std::filesystem::filesystem_error ("Couldn't create the restored file") or
    // KeldraCryptoError::invalidIV.
    DecryptingFileWriter(std::filesystem::path target, const KeldraKey& key, const Bytes& iv);
    ~DecryptingFileWriter();
    DecryptingFileWriter(const DecryptingFileWriter&) = delete;
    DecryptingFileWriter& operator=(const DecryptingFileWriter&) = delete;

    // The next `size` bytes of the sealed body. Throws filesystem_error ("Couldn't write the restored
    // file") or KeldraCryptoError::decryptionFailed.
    void write(const std::uint8_t* sealed, std::size_t size);

    // After the whole body: checks its tag and writes what is left. Returns the temp file, not yet
    // flushed, to be placed. When the tag does not match, the temp file is removed and
    // KeldraCryptoError::decryptionFailed thrown: nothing of that body is ever placed.
    StagedFile finish();

private:
    // The buffer is mapped for each file and unmapped after it: an aligned heap buffer of this size, freed
    // and taken again beside the transfers' own allocations, measured to fragment the heap until it grew by
    // most of the buffer's size every few files.
    struct Unmap {
        void operator()(std::uint8_t* data) const;
    };

    void writeOut(std::size_t size);
    void startWriteBack();
    [[noreturn]] void fail(int error);

    std::filesystem::path temp_;
    std::filesystem::path target_;
    UniqueFd fd_;
    bool direct_ = false;
    BodyOpener opener_;
    std::unique_ptr<std::uint8_t[], Unmap> buffer_;
    std::size_t filled_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t startedWriteBack_ = 0;
};

} // namespace keldra
