#include "core/fs/RegularFile.h"
#include "engine/FileBackup.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra {

Bytes FileBackup::readStable(const Candidate& candidate) {
    const std::int64_t limit =
        candidate.size < std::numeric_limits<std::int64_t>::max() ? candidate.size + 1 : candidate.size;
    for (int pass = 1;; ++pass) {
        RegularFileRead attempt = readRegularFile(candidate.url, limit);
        if (attempt.error != 0) {
            throw FileError::skip(readFailureText(attempt.error));
        }
        const auto bytesRead = static_cast<std::int64_t>(attempt.bytes.size());
        const FileStamp now = fileStamp(candidate.url);
        const bool stable = bytesRead == candidate.size && now.size == bytesRead &&
                            std::fabs(now.mtime - candidate.mtime) < 0.001;
        if (stable) {
            return std::move(attempt.bytes);
        }
        if (pass >= 2) {
            throw FileError::skip("Changed while it was being backed up. It'll be tried again next run.");
        }
        services_.sleeper.sleepOrThrow(Seconds(1.0), cancel_);
    }
}

} // namespace keldra
