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
    : temp_(std::exchange(other.temp_, {})), target_(std::move(other.target_)),
      open_(std::move(other.open_)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        temp_ = std::exchange(other.temp_, {});
        target_ = std::move(other.target_);
        open_ = std::move(other.open_);
    }
    return *this;
}

void StagedFile::discard() noexcept {
    open_.reset();
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

void StagedFile::flush() {
    if (!open_) {
        return;
    }
    int error = ::fsync(open_.get()) != 0 ? errno : 0;
    if (open_.close() != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        const fs::path temp = temp_;
        discard();
        throw fs::filesystem_error("Couldn't write the restored file", temp,
                                   std::error_code(error, std::generic_category()));
    }
}

fs::path StagedFile::place(ConflictPolicy policy) {
    flush();
    // moveIntoPlace removes the temp file itself when it fails, so it is no longer ours either way.
    const fs::path temp = std::exchange(temp_, {});
    return RestoreEngine::moveIntoPlace(temp, target_, policy, false);
}

} // namespace keldra
