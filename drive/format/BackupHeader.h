#pragma once

#include "core/crypto/KeldraKey.h"
#include "core/seams/Clock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keldra::LocalFormat {

inline constexpr std::string_view formatTag = "orlivane-keldra-local";
inline constexpr std::int64_t formatVersion = 2;
inline constexpr std::string_view keyCheckText = "cairn-local-ok-v2";
inline constexpr std::string_view keyCheckAad = "keycheck";

// The content of "backup.json": which format the backup root holds and a sealed key check, so a run with
// another passphrase can refuse the drive before touching it.
struct BackupHeader {
    std::string format;
    std::int64_t version = 0;
    std::string created;    // "YYYY-MM-DDTHH:MM:SSZ"
    std::string keyCheckIV; // base64 of the 12-byte nonce
    std::string keyCheck;   // base64 of ciphertext + tag

    bool operator==(const BackupHeader&) const = default;
};

// A new header for a new backup root, its key check sealed under the content key with a fresh nonce.
BackupHeader makeHeader(const KeldraKey& key, SystemTime now = std::chrono::system_clock::now());

// True when the header is this format and version and its key check opens under `key` to the key-check
// text. Never throws.
bool verifyKeyCheck(const BackupHeader& header, const KeldraKey& key);

// Compact JSON, keys format, version, created, keyCheckIV, keyCheck, as the platform's encoder writes it.
std::string encodeHeader(const BackupHeader& header);

// Requires the five keys with their JSON types; other keys are ignored. Anything else gives nothing.
std::optional<BackupHeader> decodeHeader(std::string_view json);

} // namespace keldra::LocalFormat
