#include "restore/engine/StagedFile.h"

#include "restore/engine/RestoreEngine.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace keldra {

namespace fs = std::filesystem;

StagedFile::StagedFile(fs::path temp, fs::path target, UniqueFd open)
    : temp_(std::move(temp)), target_(std::move(target)), open_(std::move(open)) {}

StagedFile::~StagedFile() {
    discard();
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : temp_(std::exchange(other.temp_, {})), target_(std::move(other.target_)), open_(std::move(other.open_)),
      flushed_(other.flushed_) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        temp_ = std::exchange(other.temp_, {});
        target_ = std::move(other.target_);
        open_ = std::move(other.open_);
        flushed_ = other.flushed_;
    }
    return *this;
}

void StagedFile::discard() noexcept {
    // Removed while still locked, so no other restore ever sees it unlocked under its name.
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    open_.reset();
}

void StagedFile::flush() {
    if (!open_ || flushed_) {
        return;
    }
    // The descriptor stays open: it holds the lock until the file is in place.
    const int error = ::fsync(open_.get()) != 0 ? errno : 0;
    if (error != 0) {
        const fs::path temp = temp_;
        discard();
        throw fs::filesystem_error("Couldn't write the restored file", temp,
                                   std::error_code(error, std::generic_category()));
    }
    flushed_ = true;
}

fs::path StagedFile::place(ConflictPolicy policy) {
    flush();
    // moveIntoPlace removes the temp file itself when it fails, so it is no longer ours either way; the
    // lock goes with the name.
    const fs::path temp = std::exchange(temp_, {});
    const UniqueFd lock = std::move(open_);
    return RestoreEngine::moveIntoPlace(temp, target_, policy, false);
}

} // namespace keldra
