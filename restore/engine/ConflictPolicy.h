#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace keldra {

// What a restore does when its target already exists.
enum class ConflictPolicy {
    keepBoth, // the restored file goes to the first free "(restored)" name beside the target
    replace,  // the restored file takes the target's place
};

inline constexpr std::array<ConflictPolicy, 2> allConflictPolicies{ConflictPolicy::keepBoth,
                                                                   ConflictPolicy::replace};

inline std::string rawValue(ConflictPolicy policy) {
    return policy == ConflictPolicy::keepBoth ? "keepBoth" : "replace";
}

// An unknown raw value gives no policy.
inline std::optional<ConflictPolicy> conflictPolicyFromRaw(std::string_view raw) {
    if (raw == "keepBoth") {
        return ConflictPolicy::keepBoth;
    }
    if (raw == "replace") {
        return ConflictPolicy::replace;
    }
    return std::nullopt;
}

} // namespace keldra
