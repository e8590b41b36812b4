#include "restore/engine/DecryptingFileWriter.h"

#include "core/fs/FdIo.h"
#include "restore/engine/RestoreTempFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <openssl/crypto.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace keldra {

namespace fs = std::filesystem;

namespace {

// Written in pieces of this size: large enough that the disk gets long requests, small enough to stay a
// small part of the memory the restore may use.
constexpr std::size_t pieceSize = 4 * 1024 * 1024;
// Memory, offsets and lengths of writes past the page cache are kept to this alignment, which every
// common disk accepts.
constexpr std::size_t directAlignment = 4096;

// Turns writing past the page cache on or off; false when the file system does not offer it.
bool setDirect(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, on ? (flags | O_DIRECT) : (flags & ~O_DIRECT)) == 0;
}

} // namespace

void DecryptingFileWriter::Unmap::operator()(std::uint8_t* data) const {
    ::munmap(data, pieceSize);
}

namespace {

// A page-aligned buffer of pieceSize bytes, its pages made at once rather than one fault at a time.
std::uint8_t* mapBuffer() {
    void* data =
        ::mmap(nullptr, pieceSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (data == MAP_FAILED) {
        throw std::bad_alloc();
    }
    return static_cast<std::uint8_t*>(data);
}

} // namespace

DecryptingFileWriter::DecryptingFileWriter(fs::path target, const KeldraKey& key, const Bytes& iv)
    : target_(std::move(target)), opener_(key, iv), buffer_(mapBuffer()) {
    RestoreTempFile created = createRestoreTempFile(target_);
    temp_ = std::move(created.path);
    fd_ = std::move(created.fd);
    direct_ = setDirect(fd_.get(), true);
}

DecryptingFileWriter::~DecryptingFileWriter() {
    if (!temp_.empty()) {
        // What never verified goes: neither the file nor the buffer keeps any of it. Removed while still
        // locked, so no other restore sees it unlocked under its name.
        OPENSSL_cleanse(buffer_.get(), pieceSize);
        ::unlink(temp_.c_str());
        fd_.reset();
    }
}

void DecryptingFileWriter::fail(int error) {
    throw fs::filesystem_error("Couldn't write the restored file", temp_,
                               std::error_code(error, std::generic_category()));
}

void DecryptingFileWriter::write(const std::uint8_t* sealed, std::size_t size) {
    while (size > 0) {
        if (filled_ == pieceSize) {
            writeOut(pieceSize);
        }
        // The opener writes at most as much as it takes.
        const std::size_t slice = std::min(size, pieceSize - filled_);
        filled_ += opener_.update(sealed, slice, buffer_.get() + filled_);
        sealed += slice;
        size -= slice;
    }
}

void DecryptingFileWriter::writeOut(std::size_t size) {
    // Only whole aligned pieces go past the cache; a file system that refuses one gets the rest through it.
    if (direct_ && size % directAlignment != 0) {
        direct_ = false;
        setDirect(fd_.get(), false);
    }
    int error = writeFully(fd_.get(), buffer_.get(), size);
    if (error == EINVAL && direct_) {
        direct_ = false;
        if (setDirect(fd_.get(), false) && ::lseek(fd_.get(), static_cast<off_t>(written_), SEEK_SET) >= 0) {
            error = writeFully(fd_.get(), buffer_.get(), size);
        }
    }
    if (error != 0) {
        fail(error);
    }
    written_ += size;
    filled_ -= size;
    std::copy(buffer_.get() + size, buffer_.get() + size + filled_, buffer_.get());
    startWriteBack();
}

void DecryptingFileWriter::startWriteBack() {
    // Through the cache, the disk is started on each piece as it is written, so it works while the rest
    // arrives. A hint only: its failure changes nothing.
    if (direct_) {
        startedWriteBack_ = written_; // already on the disk's way
    } else if (written_ > startedWriteBack_) {
        ::sync_file_range(fd_.get(), static_cast<off64_t>(startedWriteBack_),
                          static_cast<off64_t>(written_ - startedWriteBack_), SYNC_FILE_RANGE_WRITE);
        startedWriteBack_ = written_;
    }
}

StagedFile DecryptingFileWriter::finish() {
    opener_.finish();
    const std::size_t aligned = filled_ - filled_ % directAlignment;
    if (direct_ && aligned > 0) {
        writeOut(aligned);
    }
    if (filled_ > 0) {
        writeOut(filled_);
    }
    return StagedFile(std::exchange(temp_, {}), std::move(target_), std::move(fd_));
}

} // namespace keldra
