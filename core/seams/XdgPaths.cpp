#include "core/seams/XdgPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace keldra {
namespace {

constexpr const char* appFolderName = "orlivane-keldra";

// Only absolute values count: the base-directory rules ignore relative ones.
std::filesystem::path absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return {};
}

} // namespace

std::filesystem::path homeDirectory() {
    if (auto home = absoluteEnv("HOME"); !home.empty()) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::filesystem::path xdgConfigHome() {
    if (auto dir = absoluteEnv("XDG_CONFIG_HOME"); !dir.empty()) {
        return dir;
    }
    return homeDirectory() / ".config";
}

std::filesystem::path xdgDataHome() {
    if (auto dir = absoluteEnv("XDG_DATA_HOME"); !dir.empty()) {
        return dir;
    }
    return homeDirectory() / ".local" / "share";
}

std::filesystem::path appConfigDirectory() { return xdgConfigHome() / appFolderName; }

std::filesystem::path appDataDirectory() { return xdgDataHome() / appFolderName; }

} // namespace keldra
