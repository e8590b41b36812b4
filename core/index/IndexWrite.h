#pragma once

#include "core/Error.h"

#include <cstdint>
#include <string>
#include <utility>

namespace keldra {

// What became of one write to the index: done, or failed with SQLite's own message ("database or disk is
// full"). Callers that count a file as backed up must check it: a copy nobody recorded is a copy lost.
class IndexWrite {
public:
    IndexWrite() = default;
    static IndexWrite failed(std::string message) {
        IndexWrite write;
        write.failed_ = true;
        write.message_ = std::move(message);
        return write;
    }
    static IndexWrite done(std::int64_t count) {
        IndexWrite write;
        write.count_ = count;
        return write;
    }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // SQLite's message; empty after a write that was done.
    const std::string& message() const { return message_; }
    // What the operation counted (the files it unlinked, the runs it changed); 0 when it counts nothing.
    std::int64_t count() const { return count_; }

private:
    bool failed_ = false;
    std::string message_;
    std::int64_t count_ = 0;
};

// The text a run shows for a file whose copy could not be recorded.
inline std::string unrecordedCopyReason(const IndexWrite& write) {
    return "Couldn't record the copy in the backup index (" + write.message() +
           "). It'll be tried again next run.";
}

// The text of a run that ends because its index records nothing any more.
inline std::string indexFailedRunText(const IndexWrite& write) {
    return "The backup index couldn't be written (" + write.message() + "). The next run tries again.";
}

// Ends a run whose index stopped recording: its text is indexFailedRunText.
class IndexFailure final : public Error {
public:
    explicit IndexFailure(const IndexWrite& write) : text_(indexFailedRunText(write)) {}
    std::string message() const override { return text_; }

private:
    std::string text_;
};

// Files in a row whose copy could not be recorded before a run gives up: the index is not coming back.
inline constexpr int unrecordedCopyLimit = 3;

} // namespace keldra
