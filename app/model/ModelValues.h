#pragma once

#include "core/seams/Clock.h"

#include <cstdint>
#include <optional>
#include <string>

namespace keldra {

// The name of a drive destination that is a folder on this computer's own (unlabelled) disk.
inline constexpr const char* thisComputerDriveName = "This computer";

// What the model knows of one drive destination now.
struct DriveState {
    bool connected = false;
    std::optional<SystemTime> lastSuccess;
    std::optional<SystemTime> lastAttempt;
    bool lastFailed = false;
    std::optional<std::int64_t> freeBytes;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    std::optional<std::string> problem;
    bool needsReview = false;

    friend bool operator==(const DriveState&, const DriveState&) = default;
};

// The result of looking for the account's passphrase verifier.
struct VerifierState {
    enum class Kind { unavailable, unknown, exists, absent };
    Kind kind = Kind::unknown;
    // Why the check could not be made (unavailable only).
    std::string message;

    static VerifierState unavailable(std::string message) { return {Kind::unavailable, std::move(message)}; }
    static VerifierState unknown() { return {}; }
    static VerifierState exists() { return {Kind::exists, {}}; }
    static VerifierState absent() { return {Kind::absent, {}}; }

    friend bool operator==(const VerifierState&, const VerifierState&) = default;
};

// A run that stopped for the user's review.
struct MassChangeReview {
    enum class Kind {
        localChanges,     // an unusual share of the files changed or vanished at once
        missingFromKeldra // many backed-up files are missing from the Keldra's listing
    };
    Kind kind = Kind::localChanges;
    std::int64_t changed = 0;
    std::int64_t removed = 0;
    std::int64_t protectedCount = 0;

    friend bool operator==(const MassChangeReview&, const MassChangeReview&) = default;
};

} // namespace keldra
