#pragma once

#include "core/scan/ScanFileSystem.h"

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>

namespace keldra::test {

// The real file system, except entries with chosen names (the last part of the path) whose listing or
// metadata fails with a chosen error: a folder whose permissions shut this user out, or a failing disk,
// which running as root cannot otherwise show.
class FailingScanFileSystem final : public ScanFileSystem {
public:
    std::map<std::string, int> openErrors;   // folder name -> errno of opening it for listing
    std::map<std::string, int> statusErrors; // entry name -> errno of reading its metadata

    // Folders with this name cannot be listed (EACCES).
    static FailingScanFileSystem locking(const std::string& folderName) {
        FailingScanFileSystem fileSystem;
        fileSystem.openErrors[folderName] = EACCES;
        return fileSystem;
    }

    std::unique_ptr<DirectoryListing> openDirectory(int at, const char* name, bool followLink,
                                                    int& error) const override {
        if (const auto failure = openErrors.find(nameOf(name)); failure != openErrors.end()) {
            error = failure->second;
            return nullptr;
        }
        return real_.openDirectory(at, name, followLink, error);
    }
    int status(int at, const char* name, bool followLink, struct stat& out) const override {
        if (const auto failure = statusErrors.find(nameOf(name)); failure != statusErrors.end()) {
            return failure->second;
        }
        return real_.status(at, name, followLink, out);
    }

private:
    static std::string nameOf(const char* path) { return std::filesystem::path(path).filename().string(); }

    PosixScanFileSystem real_;
};

} // namespace keldra::test
