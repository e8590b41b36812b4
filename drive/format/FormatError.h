#pragma once

#include "core/Error.h"
#include "core/fs/StoredCopyFault.h"

#include <string>
#include <system_error>

namespace keldra::LocalFormat {

// What can go wrong reading or writing a drive object, with the texts the user sees. Failures of the file
// system itself (open, read, write, flush) are not wrapped: they travel as std::system_error so the drive
// run can tell a full or read-only drive from other trouble.
class FormatError final : public Error, public StoredCopyFaultSource {
public:
    enum class Kind { io, notAnObject, badHeader, authFailed, truncated };

    explicit FormatError(Kind kind) : kind_(kind) {}

    // `cause` keeps the system's reason (for example ENOSPC) when the fixed message hides it.
    static FormatError io(std::string message, std::error_code cause = {}) {
        FormatError error(Kind::io);
        error.ioMessage_ = std::move(message);
        error.cause_ = cause;
        return error;
    }

    Kind kind() const { return kind_; }
    const std::string& ioMessage() const { return ioMessage_; }
    std::error_code cause() const { return cause_; }
    std::string message() const override;
    // How the restore summary words it: a copy that fails authentication is damaged, one cut short
    // incomplete.
    StoredCopyFault storedCopyFault() const override;

    friend bool operator==(const FormatError& a, const FormatError& b) {
        return a.kind_ == b.kind_ && a.ioMessage_ == b.ioMessage_;
    }

private:
    Kind kind_;
    std::string ioMessage_;
    std::error_code cause_;
};

} // namespace keldra::LocalFormat
