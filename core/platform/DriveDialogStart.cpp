#include "core/platform/DriveDialogStart.h"

#include "core/seams/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace keldra {

namespace {

// The login name of this process's user; empty when the user database has none.
std::string userName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_name == nullptr) {
        return {};
    }
    return found->pw_name;
}

} // namespace

std::filesystem::path driveDialogStart(const std::string& user, const std::filesystem::path& home,
                                       const std::function<bool(const std::filesystem::path&)>& isFolder) {
    std::vector<std::filesystem::path> places;
    if (!user.empty()) {
        places.push_back(std::filesystem::path("/run/media") / user);
        places.push_back(std::filesystem::path("/media") / user);
    }
    places.emplace_back("/media");
    places.emplace_back("/mnt");
    for (const auto& place : places) {
        if (isFolder(place)) {
            return place;
        }
    }
    return home;
}

std::filesystem::path driveDialogStart() {
    return driveDialogStart(userName(), homeDirectory(), [](const std::filesystem::path& place) {
        std::error_code ignored;
        return std::filesystem::is_directory(place, ignored);
    });
}

} // namespace keldra
