#include "localportal/ObjectStore.h"

#include "core/codec/Hex.h"
#include "core/fs/AtomicFile.h"
#include "core/fs/FdIo.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keldra::localportal {

namespace {

constexpr std::size_t writeBufferSize = 4 << 20;
constexpr std::size_t directWriteSize = 64 << 10;

std::string randomHex(std::size_t bytes) {
    std::vector<std::uint8_t> raw(bytes);
    if (RAND_bytes(raw.data(), static_cast<int>(raw.size())) != 1) {
        throw std::runtime_error("no random bytes");
    }
    return hexEncode(raw.data(), raw.size());
}

} // namespace

ObjectStore::ObjectStore(std::filesystem::path root)
    : root_(std::move(root)), incoming_(root_ / ".incoming") {
    std::filesystem::create_directories(incoming_);
    // Bodies that never finished arriving before a restart are not objects.
    for (const auto& entry : std::filesystem::directory_iterator(incoming_)) {
        std::error_code ignored;
        std::filesystem::remove(entry.path(), ignored);
    }
}

// "keldra/" + an account number (no leading zero, at most 18 digits) + "/" + 32 lowercase hex digits.
bool ObjectStore::isValidKey(std::string_view key) {
    constexpr std::string_view prefix = "keldra/";
    if (key.substr(0, prefix.size()) != prefix) {
        return false;
    }
    key.remove_prefix(prefix.size());
    const auto slash = key.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash > 18 || key[0] == '0') {
        return false;
    }
    for (std::size_t i = 0; i < slash; ++i) {
        if (key[i] < '0' || key[i] > '9') {
            return false;
        }
    }
    const auto name = key.substr(slash + 1);
    return name.size() == 32 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string ObjectStore::makeKey(std::int64_t accountId) {
    return "keldra/" + std::to_string(accountId) + "/" + randomHex(16);
}

std::filesystem::path ObjectStore::pathOf(const std::string& key) const {
    if (!isValidKey(key)) {
        throw std::invalid_argument("bad object key");
    }
    // "keldra/<account>/<hex>" → <root>/<account>/<hex>
    const auto first = key.find('/');
    const auto second = key.find('/', first + 1);
    return root_ / key.substr(first + 1, second - first - 1) / key.substr(second + 1);
}

std::optional<ObjectStore::Incoming> ObjectStore::begin(const std::string& key) {
    const auto target = pathOf(key);
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        return std::nullopt;
    }
    auto temp = incoming_ / randomHex(12);
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) {
        return std::nullopt;
    }
    return Incoming(std::move(temp), target, std::move(fd));
}

ObjectStore::Incoming::Incoming(std::filesystem::path temp, std::filesystem::path target, UniqueFd fd)
    : temp_(std::move(temp)), target_(std::move(target)), fd_(std::move(fd)) {}

ObjectStore::Incoming::Incoming(Incoming&& other) noexcept
    : temp_(std::move(other.temp_)), target_(std::move(other.target_)), fd_(std::move(other.fd_)),
      buffer_(std::move(other.buffer_)), size_(other.size_), failed_(other.failed_),
      committed_(other.committed_) {
    other.committed_ = true; // the moved-from shell owns nothing to clean up
}

ObjectStore::Incoming::~Incoming() {
    if (!committed_) {
        fd_.reset();
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
    }
}

bool ObjectStore::Incoming::writeAll(const char* data, std::size_t size) {
    if (writeFully(fd_.get(), data, size) != 0) {
        failed_ = true;
        return false;
    }
    return true;
}

bool ObjectStore::Incoming::flush() {
    const bool ok = writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
}

// Small pieces are gathered into writes of up to 4 MiB (the buffer grows only as far as the body needs); the
// server's usual pieces of up to 1 MiB are written as they come.
bool ObjectStore::Incoming::write(const char* data, std::size_t size) {
    if (failed_) {
        return false;
    }
    size_ += size;
    if (buffer_.size() + size > writeBufferSize && !flush()) {
        return false;
    }
    if (size >= directWriteSize) {
        // A large piece goes straight to the file: copying it into the buffer first would only cost time.
        return flush() && writeAll(data, size);
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
}

bool ObjectStore::Incoming::commit(bool durable) {
    if (failed_ || !flush() || (durable && ::fsync(fd_.get()) != 0) || fd_.close() != 0) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temp_, target_, error);
    if (error) {
        return false;
    }
    committed_ = true;
    if (durable) {
        syncDirectory(target_.parent_path());
    }
    return true;
}

std::optional<std::pair<UniqueFd, std::uint64_t>> ObjectStore::open(const std::string& key) const {
    UniqueFd fd(::open(pathOf(key).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return std::nullopt;
    }
    return std::make_pair(std::move(fd), static_cast<std::uint64_t>(info.st_size));
}

std::optional<std::uint64_t> ObjectStore::size(const std::string& key) const {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(pathOf(key), error);
    if (error) {
        return std::nullopt;
    }
    return bytes;
}

void ObjectStore::remove(const std::string& key) {
    if (!isValidKey(key)) {
        return;
    }
    std::error_code ignored;
    std::filesystem::remove(pathOf(key), ignored);
}

void ObjectStore::clear() {
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
        if (entry.path() != incoming_) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

} // namespace keldra::localportal
