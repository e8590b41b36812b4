#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace keldra::LocalFormat {

// Typed reads of one key of a JSON object from the drive; a missing key or another type gives nothing.
std::optional<std::string> jsonString(const nlohmann::json& object, std::string_view key);
// A JSON integer within the signed 64-bit range (no fractions, no strings).
std::optional<std::int64_t> jsonInt64(const nlohmann::json& object, std::string_view key);
// Any finite JSON number.
std::optional<double> jsonDouble(const nlohmann::json& object, std::string_view key);

} // namespace keldra::LocalFormat
