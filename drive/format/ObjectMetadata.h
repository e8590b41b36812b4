#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keldra::LocalFormat {

// What a drive object says about the file it holds; sealed in the object's metadata slot.
struct Metadata {
    std::string path;      // the Keldra path ("~/..." or absolute)
    std::int64_t size = 0; // plaintext length in bytes
    double mtime = 0;      // the file's modification time, seconds since 1970
    double created = 0;    // when this copy was made, seconds since 1970
    std::string hmac;      // keyed checksum of the plaintext, 64 lowercase hex digits

    bool operator==(const Metadata&) const = default;
};

// Compact JSON with the keys path, size, mtime, created, hmac in that order, written as the platform's
// encoder writes it. Throws std::invalid_argument when a text is not UTF-8 or a time is not finite: such
// metadata could be written but never read back.
std::string encodeMetadata(const Metadata& metadata);

// Requires the five keys with their JSON types (any order, other keys ignored, surrounding whitespace
// allowed); anything else gives nothing.
std::optional<Metadata> decodeMetadata(std::string_view json);

} // namespace keldra::LocalFormat
