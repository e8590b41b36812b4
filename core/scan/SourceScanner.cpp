#include "core/scan/SourceScanner.h"

#include "core/settings/BackupSource.h"
#include "core/text/Utf8Text.h"

#include <cerrno>
#include <fcntl.h>
#include <utility>

namespace keldra {

namespace {

double modificationSeconds(const struct stat& status) {
    return static_cast<double>(status.st_mtim.tv_sec) + static_cast<double>(status.st_mtim.tv_nsec) / 1e9;
}

bool isAscii(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isTextName(std::string_view name) {
    return isAscii(name) || isValidUtf8(name);
}

bool underRoot(std::string_view path, const std::vector<std::string>& standardizedRoots);

// One folder of the walk: its listing, where its path ends in the shared path buffer, and the sub-folders
// still to enter (entered after the folder's own files, so only one listing per level stays open).
struct Frame {
    std::unique_ptr<DirectoryListing> listing;
    size_t pathLength = 0;
    std::vector<std::string> subfolders;
    size_t nextSubfolder = 0;
};

class Walk {
public:
    Walk(const ScanFileSystem& fileSystem, const ExclusionRules& rules, UncertainPaths& uncertain,
         const std::vector<std::string>& skipRoots, const SourceScanner::Visitor& visit,
         const SourceScanner::FailureHandler& onFailure, const CancelToken& cancel)
        : fileSystem_(fileSystem), rules_(rules), uncertain_(uncertain), skipRoots_(skipRoots), visit_(visit),
          onFailure_(onFailure), cancel_(cancel) {}

    void run(const std::string& root) {
        path_ = root;
        int error = 0;
        auto listing = fileSystem_.openDirectory(AT_FDCWD, root.c_str(), true, error);
        if (!listing) {
            uncertain_.record(root);
            return;
        }
        std::vector<Frame> stack;
        stack.push_back(Frame{std::move(listing), path_.size(), {}, 0});
        list(stack.back());
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.nextSubfolder == frame.subfolders.size()) {
                stack.pop_back();
                continue;
            }
            const std::string& name = frame.subfolders[frame.nextSubfolder++];
            setPath(frame.pathLength, name);
            auto child = fileSystem_.openDirectory(frame.listing->fd(), name.c_str(), false, error);
            if (!child) {
                uncertain_.record(path_);
                if (error == EMFILE || error == ENFILE) {
                    // Out of descriptors (one stays open per level): said, never skipped in silence.
                    reportBadName(SourceScanner::tooDeepFolderReason);
                }
                continue;
            }
            stack.push_back(Frame{std::move(child), path_.size(), {}, 0});
            list(stack.back());
        }
    }

private:
    void setPath(size_t parentLength, std::string_view name) {
        path_.resize(parentLength);
        if (path_.empty() || path_.back() != '/') {
            path_ += '/';
        }
        path_ += name;
    }

    void countItem() {
        if (++items_ % 256 == 0) {
            throwIfCancelled(cancel_);
        }
    }

    void reportBadName(const char* reason) { onFailure_(ScanFailure{path_, toDisplayUtf8(path_), reason}); }

    // Looks at every entry of one folder: files are handed on now, sub-folders kept for later.
    void list(Frame& frame) {
        const int fd = frame.listing->fd();
        for (;;) {
            int error = 0;
            const char* entry = frame.listing->next(error);
            if (entry == nullptr) {
                if (error != 0) {
                    // The folder could not be listed to its end; what was read is kept.
                    path_.resize(frame.pathLength);
                    uncertain_.record(path_);
                }
                return;
            }
            countItem();
            const std::string_view name(entry);
            setPath(frame.pathLength, name);
            struct stat status {};
            if (fileSystem_.status(fd, entry, false, status) != 0) {
                uncertain_.record(path_);
                continue;
            }
            if (S_ISDIR(status.st_mode)) {
                if (rules_.excludesFolderName(name) || underRoot(path_, skipRoots_)) {
                    continue;
                }
                if (!isTextName(name)) {
                    // Nothing below it can be stored, and nothing below it may count as deleted.
                    reportBadName(SourceScanner::invalidFolderNameReason);
                    uncertain_.record(path_);
                    continue;
                }
                frame.subfolders.emplace_back(name);
            } else if (S_ISREG(status.st_mode)) {
                if (rules_.excludesName(name)) {
                    continue;
                }
                if (!isTextName(name)) {
                    reportBadName(SourceScanner::invalidFileNameReason);
                    continue;
                }
                visit_(path_, static_cast<int64_t>(status.st_size), modificationSeconds(status));
            }
            // Symbolic links, sockets, pipes and devices are neither visited nor followed.
        }
    }

    const ScanFileSystem& fileSystem_;
    const ExclusionRules& rules_;
    UncertainPaths& uncertain_;
    const std::vector<std::string>& skipRoots_;
    const SourceScanner::Visitor& visit_;
    const SourceScanner::FailureHandler& onFailure_;
    const CancelToken& cancel_;
    std::string path_;
    uint64_t items_ = 0;
};

} // namespace

SourceScanner::SourceScanner() : fileSystem_(&chosenOrPosix(nullptr)) {}

SourceScanner::SourceScanner(const ScanFileSystem& fileSystem) : fileSystem_(&fileSystem) {}

void SourceScanner::scan(const BackupSource& source, const ExclusionRules& rules, UncertainPaths& uncertain,
                         const std::vector<std::string>& skipRoots, const Visitor& visit,
                         const FailureHandler& onFailure, const CancelToken& cancel) const {
    scan(source.path, source.isFile, rules, uncertain, skipRoots, visit, onFailure, cancel);
}

void SourceScanner::scan(const std::string& sourcePath, bool isFile, const ExclusionRules& rules,
                         UncertainPaths& uncertain, const std::vector<std::string>& skipRoots,
                         const Visitor& visit, const FailureHandler& onFailure,
                         const CancelToken& cancel) const {
    std::vector<std::string> roots;
    roots.reserve(skipRoots.size());
    for (const auto& root : skipRoots) {
        roots.push_back(standardizePath(root));
    }
    const std::string root = standardizePath(sourcePath);
    if (underRoot(root, roots)) {
        return;
    }
    if (isFile) {
        // The user chose this file, so a link that is the source itself is followed; the rules do not apply.
        struct stat status {};
        if (fileSystem_->status(AT_FDCWD, root.c_str(), true, status) == 0 && S_ISREG(status.st_mode)) {
            visit(root, static_cast<int64_t>(status.st_size), modificationSeconds(status));
        } else {
            uncertain.record(root);
        }
        return;
    }
    Walk(*fileSystem_, rules, uncertain, roots, visit, onFailure, cancel).run(root);
}

std::string SourceScanner::fileToRead(const BackupSource& source, const std::string& scannedPath) {
    if (!source.isFile || standardizePath(source.path) != scannedPath) {
        return scannedPath;
    }
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(scannedPath, error);
    return error ? scannedPath : resolved.string();
}

bool SourceScanner::isUnderSkipRoot(std::string_view path,
                                    const std::vector<std::string>& standardizedRoots) {
    return underRoot(standardizePath(path), standardizedRoots);
}

namespace {

bool underRoot(std::string_view path, const std::vector<std::string>& standardizedRoots) {
    for (const auto& root : standardizedRoots) {
        if (path == root) {
            return true;
        }
        if (path.starts_with(root) && (root.ends_with('/') || path[root.size()] == '/')) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string SourceScanner::standardizePath(std::string_view path) {
    return standardizedPath(std::filesystem::path(path)).string();
}

} // namespace keldra
