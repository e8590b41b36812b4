#pragma once

#include "core/scan/ExclusionRules.h"
#include "core/scan/ScanFileSystem.h"
#include "core/scan/UncertainPaths.h"
#include "core/seams/CancelToken.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace keldra {

struct BackupSource;

// A file the scan found but cannot hand on, to be stored with the run's failures.
struct ScanFailure {
    // The absolute path as the file system spells it (bytes, maybe not UTF-8).
    std::string path;
    // The same path as valid UTF-8, each invalid byte shown as U+FFFD, for the index, the log and the
    // screens.
    std::string displayPath;
    std::string reason;
};

// Walks one backup source and hands every regular file to a visitor. Hidden files are included; symbolic
// links are neither visited nor followed (a source's own path may be one); anything but regular files and
// folders is skipped; excluded folders and folders under a skip root are not entered. What cannot be read is
// recorded in the run's UncertainPaths and the walk goes on.
class SourceScanner {
public:
    // One regular file: its absolute path, size in bytes and content modification time in seconds since 1970
    // (0 when unknown). May throw, which ends the scan with that error.
    using Visitor = std::function<void(const std::string& path, int64_t size, double mtime)>;
    using FailureHandler = std::function<void(const ScanFailure& failure)>;

    // Names that are not valid UTF-8 cannot be carried in sealed names or the index.
    static constexpr const char* invalidFileNameReason =
        "The file's name isn't valid UTF-8 text, so it can't be backed up. Rename the file to back it up.";
    static constexpr const char* invalidFolderNameReason =
        "The folder's name isn't valid UTF-8 text, so nothing in it can be backed up. Rename the folder to "
        "back "
        "it up.";

    // A folder that could not be opened because the system ran out of open folders (very deep nesting).
    static constexpr const char* tooDeepFolderReason = "This folder is nested too deeply to be read, so "
                                                       "nothing in it was backed up. Nothing in it counts as "
                                                       "deleted.";

    SourceScanner(); // the real file system
    explicit SourceScanner(const ScanFileSystem& fileSystem);

    // Walks the source. Throws the visitor's error, or CancelledError when `cancel` is requested (checked
    // after every 256th item). A single-file source is visited without applying the rules.
    void scan(const BackupSource& source, const ExclusionRules& rules, UncertainPaths& uncertain,
              const std::vector<std::string>& skipRoots, const Visitor& visit,
              const FailureHandler& onFailure, const CancelToken& cancel) const;
    // The same for an absolute source path.
    void scan(const std::string& sourcePath, bool isFile, const ExclusionRules& rules,
              UncertainPaths& uncertain, const std::vector<std::string>& skipRoots, const Visitor& visit,
              const FailureHandler& onFailure, const CancelToken& cancel) const;

    // Where to read a file the scan of `source` reported at `scannedPath`. A single-file source that is
    // itself a link was followed by the scan, so it is read where the link leads (the reader follows no
    // links); every other file is read where it was found.
    static std::string fileToRead(const BackupSource& source, const std::string& scannedPath);

    // The path's standardized form equals a root or lies below one ("/a" covers "/a/b", not "/ab"). Roots
    // must be standardized.
    static bool isUnderSkipRoot(std::string_view path, const std::vector<std::string>& standardizedRoots);
    // "." and ".." resolved lexically, repeated and trailing "/" removed, symbolic links left alone.
    static std::string standardizePath(std::string_view path);

private:
    const ScanFileSystem* fileSystem_;
};

} // namespace keldra
