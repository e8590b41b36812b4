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

std::int64_t readLimit(const Candidate& candidate) {
    return candidate.size < std::numeric_limits<std::int64_t>::max() ? candidate.size + 1 : candidate.size;
}

bool matchesScan(const Candidate& candidate, std::int64_t bytesRead, const FileStamp& stamp) {
    return bytesRead == candidate.size && stamp.size == bytesRead &&
           std::fabs(stamp.mtime - candidate.mtime) < 0.001;
}

Bytes FileBackup::readStable(const Candidate& candidate) {
    for (int pass = 1;; ++pass) {
        RegularFileRead attempt = readRegularFile(candidate.url, readLimit(candidate));
        if (attempt.error != 0) {
            throw FileError::skip(readFailureText(attempt.error));
        }
        const bool stable =
            matchesScan(candidate, static_cast<std::int64_t>(attempt.bytes.size()), fileStamp(candidate.url));
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
