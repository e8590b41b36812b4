#include "core/fs/AtomicFile.h"

#include "core/fs/FdIo.h"
#include "core/fs/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fmt/format.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra {
namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

} // namespace

std::filesystem::path temporarySibling(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return path.parent_path() /
           fmt::format(".{}.tmp-{}-{}-{}", path.filename().string(), ::getpid(), stamp, counter.fetch_add(1));
}

std::error_code syncDirectory(const std::filesystem::path& directory) {
    UniqueFd fd(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        return lastError();
    }
    if (::fsync(fd.get()) != 0) {
        return lastError();
    }
    return {};
}

std::error_code writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                                    unsigned mode) {
    const auto temp = temporarySibling(path);
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (!fd) {
        return lastError();
    }
    auto fail = [&](std::error_code error) {
        fd.reset();
        ::unlink(temp.c_str());
        return error;
    };
    if (const int error = writeFully(fd.get(), contents.data(), contents.size()); error != 0) {
        return fail({error, std::generic_category()});
    }
    if (::fsync(fd.get()) != 0) {
        return fail(lastError());
    }
    if (fd.close() != 0) {
        const auto error = lastError();
        ::unlink(temp.c_str());
        return error;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const auto error = lastError();
        ::unlink(temp.c_str());
        return error;
    }
    return syncDirectory(path.parent_path());
}

} // namespace keldra
