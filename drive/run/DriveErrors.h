#pragma once

#include "core/text/ShownPath.h"

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace keldra {

// The fixed texts of a drive run's per-file failures.
inline constexpr std::string_view driveFullReason = "Not enough space on the drive.";
inline constexpr std::string_view driveReadOnlyReason = "The drive is read-only.";

// What a failed write to the drive means for the run.
enum class DriveWriteProblem { full, readOnly, other };

// The system's error number behind a failure: a std::system_error's own code, or the cause the format's
// fixed "Couldn't write to the drive." hides. None for anything else.
std::optional<int> posixErrorCode(const std::exception& error);

// Full: ENOSPC or EDQUOT (a quota is a full drive to the user). Read-only: EROFS.
DriveWriteProblem classifyWriteError(const std::exception& error);

// The text the user sees for a failure: our own errors' fixed messages, the system's wording otherwise.
std::string driveErrorText(const std::exception& error);
std::string driveErrorText(std::error_code code);

} // namespace keldra
