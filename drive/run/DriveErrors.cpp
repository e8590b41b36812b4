#include "drive/run/DriveErrors.h"

#include "core/Error.h"
#include "drive/format/FormatError.h"

#include <cctype>
#include <cerrno>
#include <vector>

namespace keldra {

namespace {

std::optional<int> errnoOf(std::error_code code) {
    if (!code) {
        return std::nullopt;
    }
    if (code.category() == std::generic_category() || code.category() == std::system_category()) {
        return code.value();
    }
    return std::nullopt;
}

} // namespace

std::optional<int> posixErrorCode(const std::exception& error) {
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        return errnoOf(system->code());
    }
    if (const auto* format = dynamic_cast<const LocalFormat::FormatError*>(&error)) {
        return errnoOf(format->cause());
    }
    return std::nullopt;
}

DriveWriteProblem classifyWriteError(const std::exception& error) {
    const std::optional<int> code = posixErrorCode(error);
    if (code == ENOSPC || code == EDQUOT) {
        return DriveWriteProblem::full;
    }
    if (code == EROFS) {
        return DriveWriteProblem::readOnly;
    }
    return DriveWriteProblem::other;
}

std::string driveErrorText(std::error_code code) {
    const std::optional<int> number = errnoOf(code);
    if (number == ENOSPC || number == EDQUOT) {
        return std::string(driveFullReason);
    }
    if (number == EROFS) {
        return std::string(driveReadOnlyReason);
    }
    std::string text = code.message();
    if (text.empty()) {
        return "Unknown error.";
    }
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (text.back() != '.') {
        text.push_back('.');
    }
    return text;
}

std::string driveErrorText(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Error*>(&error)) {
        return own->message();
    }
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        return driveErrorText(system->code());
    }
    return error.what();
}

} // namespace keldra
