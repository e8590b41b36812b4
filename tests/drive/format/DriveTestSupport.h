#pragma once

// Small helpers shared by the drive format tests: a fixed key, files of known content, raw object bytes
// and an AES-GCM opener written against OpenSSL directly (not through the format's own code).

#include "core/Bytes.h"
#include "core/crypto/KeldraKey.h"
#include "drive/format/LocalFormat.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <openssl/evp.h>
#include <optional>
#include <stdexcept>
#include <string>

namespace keldra::test {

inline KeldraKey driveTestKey(std::uint8_t seed = 0) {
    SymmetricKey bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i + seed);
    }
    return KeldraKey(bytes);
}

// A deterministic, non-repeating pattern, so a swapped or shifted chunk can never compare equal.
inline Bytes patternBytes(std::size_t size, std::uint32_t seed = 1) {
    Bytes out(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : out) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return out;
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

inline Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint32_t bigEndian32(const Bytes& bytes, std::size_t offset) {
    return (std::uint32_t{bytes.at(offset)} << 24) | (std::uint32_t{bytes.at(offset + 1)} << 16) |
           (std::uint32_t{bytes.at(offset + 2)} << 8) | bytes.at(offset + 3);
}

// AES-256-GCM open of nonce(12) | ciphertext | tag(16) with additional data; nothing on failure.
inline std::optional<Bytes> gcmOpenRecord(const SymmetricKey& key, const std::uint8_t* record,
                                          std::size_t size, const std::string& aad) {
    if (size < 28) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    const std::size_t length = size - 28;
    Bytes plain(length + 16);
    int out = 0;
    if (EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), record) != 1 ||
        EVP_DecryptUpdate(ctx.get(), nullptr, &out, reinterpret_cast<const std::uint8_t*>(aad.data()),
                          static_cast<int>(aad.size())) != 1 ||
        EVP_DecryptUpdate(ctx.get(), plain.data(), &out, record + 12, static_cast<int>(length)) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, 16,
                            const_cast<std::uint8_t*>(record + 12 + length)) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), plain.data() + length, &out) != 1) {
        return std::nullopt;
    }
    plain.resize(length);
    return plain;
}

struct WrittenObject {
    std::filesystem::path path;
    LocalFormat::WriteResult result;
};

// Writes `content` as a finished object <id>.olo in `folder` (through a temporary file, as the drive run
// does), with the given path and copy time.
inline WrittenObject writeTestObject(const std::filesystem::path& folder, const std::string& id,
                                     const Bytes& content, const KeldraKey& key,
                                     const std::string& storedPath = "~/Documents/report.txt",
                                     double created = 1700000100.5) {
    const auto source = folder / (".source-" + id);
    writeBytes(source, content);
    const auto temporary = folder / (".tmp-" + id);
    auto result = LocalFormat::writeObject(
        source, temporary, id, key, [&](const std::string& checksum, std::int64_t size) {
            return LocalFormat::Metadata{storedPath, size, 1690000000.25, created, checksum};
        });
    const auto object = folder / (id + ".olo");
    std::filesystem::rename(temporary, object);
    std::filesystem::remove(source);
    return {object, result};
}

} // namespace keldra::test
