#include "core/settings/SourceProbe.h"

#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra {
namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as three octal digits after a backslash.
std::string unescapeMountField(const std::string& field) {
    std::string result;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                result.push_back(static_cast<char>(std::stoi(digits, nullptr, 8)));
                i += 3;
                continue;
            }
        }
        result.push_back(field[i]);
    }
    return result;
}

// True/false from /proc/self/mountinfo; none when it cannot be read.
std::optional<bool> listedInMountInfo(const std::string& resolved) {
    std::ifstream stream("/proc/self/mountinfo");
    if (!stream) {
        return std::nullopt;
    }
    std::string line;
    while (std::getline(stream, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int index = 0; index < 5 && fields >> field; ++index) {
            if (index == 4 && unescapeMountField(field) == resolved) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

SourceProbe::Kind RealSourceProbe::kind(const std::filesystem::path& path) const {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Kind::none;
    }
    return S_ISDIR(info.st_mode) ? Kind::directory : Kind::other;
}

bool RealSourceProbe::canList(const std::filesystem::path& path) const {
    struct Closer {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    std::unique_ptr<DIR, Closer> dir(::opendir(path.c_str()));
    return dir != nullptr;
}

bool RealSourceProbe::canRead(const std::filesystem::path& path) const {
    return ::access(path.c_str(), R_OK) == 0;
}

std::optional<std::filesystem::path> RealSourceProbe::resolved(const std::filesystem::path& path) const {
    struct Freer {
        void operator()(char* text) const { std::free(text); }
    };
    std::unique_ptr<char, Freer> text(::realpath(path.c_str(), nullptr));
    if (!text) {
        return std::nullopt;
    }
    return std::filesystem::path(text.get());
}

bool RealSourceProbe::isMountPoint(const std::filesystem::path& path) const {
    auto real = resolved(path);
    if (!real) {
        return false;
    }
    if (auto listed = listedInMountInfo(real->string())) {
        return *listed;
    }
    // Without mountinfo: a mount point lies on another device than its parent folder.
    struct stat self {};
    struct stat parent {};
    if (::stat(real->c_str(), &self) != 0 || ::stat(real->parent_path().c_str(), &parent) != 0) {
        return false;
    }
    return self.st_dev != parent.st_dev || (self.st_ino == parent.st_ino && self.st_dev == parent.st_dev);
}

} // namespace keldra
