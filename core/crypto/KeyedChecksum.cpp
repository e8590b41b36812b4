#include "core/crypto/KeyedChecksum.h"

#include "core/codec/Hex.h"
#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/OpenSslHandles.h"

#include <algorithm>
#include <array>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace keldra {

namespace {

[[noreturn]] void macFailed() {
    throw KeldraCryptoError(KeldraCryptoError::Kind::keyDerivationFailed, -1);
}

ossl::MacCtx startMac(const SymmetricKey& key) {
    EVP_MAC* mac = ossl::hmac();
    ossl::MacCtx ctx(mac == nullptr ? nullptr : EVP_MAC_CTX_new(mac));
    if (!ctx) {
        macFailed();
    }
    char digest[] = "SHA256";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end(),
    };
    if (EVP_MAC_init(ctx.get(), key.data(), key.size(), params) != 1) {
        macFailed();
    }
    return ctx;
}

std::string finishMac(EVP_MAC_CTX* ctx) {
    std::array<std::uint8_t, 32> digest{};
    std::size_t length = 0;
    if (EVP_MAC_final(ctx, digest.data(), &length, digest.size()) != 1 || length != digest.size()) {
        macFailed();
    }
    return hexEncode(digest.data(), digest.size());
}

} // namespace

struct KeyedChecksum::State {
    ossl::MacCtx ctx;
    bool finished = false;
};

KeyedChecksum::KeyedChecksum(const SymmetricKey& checksumKey) : state_(std::make_unique<State>()) {
    state_->ctx = startMac(checksumKey);
}

KeyedChecksum::~KeyedChecksum() = default;
KeyedChecksum::KeyedChecksum(KeyedChecksum&&) noexcept = default;
KeyedChecksum& KeyedChecksum::operator=(KeyedChecksum&&) noexcept = default;

void KeyedChecksum::update(const std::uint8_t* data, std::size_t size) {
    if (!state_ || state_->finished) {
        macFailed();
    }
    if (size > 0 && EVP_MAC_update(state_->ctx.get(), data, size) != 1) {
        macFailed();
    }
}

std::string KeyedChecksum::finishHex() {
    if (!state_ || state_->finished) {
        macFailed();
    }
    state_->finished = true;
    return finishMac(state_->ctx.get());
}

std::string keyedChecksumHex(const SymmetricKey& checksumKey, const std::uint8_t* data, std::size_t size) {
    const ossl::MacCtx ctx = startMac(checksumKey);
    if (size > 0 && EVP_MAC_update(ctx.get(), data, size) != 1) {
        macFailed();
    }
    return finishMac(ctx.get());
}

} // namespace keldra
