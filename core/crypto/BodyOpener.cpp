#include "core/crypto/BodyOpener.h"

#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/OpenSslHandles.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace keldra {

namespace {

constexpr std::size_t ivLength = 12;

[[noreturn]] void failOpening() {
    throw KeldraCryptoError(KeldraCryptoError::Kind::decryptionFailed);
}

// Decrypts [in, in + size) to out in pieces that keep each call's length within an int.
void decrypt(EVP_CIPHER_CTX* ctx, const std::uint8_t* in, std::size_t size, std::uint8_t* out) {
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = std::min<std::size_t>(size - done, INT_MAX / 2);
        int written = 0;
        if (EVP_DecryptUpdate(ctx, out + done, &written, in + done, static_cast<int>(piece)) != 1 ||
            static_cast<std::size_t>(written) != piece) {
            failOpening();
        }
        done += piece;
    }
}

} // namespace

struct BodyOpener::Context {
    ossl::CipherCtx cipher{EVP_CIPHER_CTX_new()};
};

BodyOpener::BodyOpener(const KeldraKey& key, const Bytes& iv) : context_(std::make_unique<Context>()) {
    if (iv.size() != ivLength) {
        throw KeldraCryptoError(KeldraCryptoError::Kind::invalidIV);
    }
    if (!context_->cipher || EVP_DecryptInit_ex2(context_->cipher.get(), ossl::aes256Gcm(),
                                                 key.symmetricKey().data(), iv.data(), nullptr) != 1) {
        failOpening();
    }
}

BodyOpener::~BodyOpener() = default;

std::size_t BodyOpener::update(const std::uint8_t* in, std::size_t size, std::uint8_t* out) {
    EVP_CIPHER_CTX* ctx = context_->cipher.get();
    // The held bytes and this piece together, less the last 16, are ciphertext for certain.
    const std::size_t total = heldLength_ + size;
    if (total <= tagLength) {
        std::memcpy(held_.data() + heldLength_, in, size);
        heldLength_ = total;
        return 0;
    }
    const std::size_t ready = total - tagLength;
    const std::size_t fromHeld = std::min(ready, heldLength_);
    decrypt(ctx, held_.data(), fromHeld, out);
    const std::size_t fromIn = ready - fromHeld;
    decrypt(ctx, in, fromIn, out + fromHeld);
    // What stays back: the rest of the held bytes, then the rest of this piece.
    std::array<std::uint8_t, tagLength> kept{};
    const std::size_t keptHeld = heldLength_ - fromHeld;
    std::memcpy(kept.data(), held_.data() + fromHeld, keptHeld);
    std::memcpy(kept.data() + keptHeld, in + fromIn, size - fromIn);
    held_ = kept;
    heldLength_ = tagLength;
    return ready;
}

void BodyOpener::finish() {
    EVP_CIPHER_CTX* ctx = context_->cipher.get();
    std::uint8_t none[tagLength];
    int finalLength = 0;
    if (heldLength_ != tagLength ||
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, static_cast<int>(tagLength), held_.data()) != 1 ||
        EVP_DecryptFinal_ex(ctx, none, &finalLength) != 1 || finalLength != 0) {
        failOpening();
    }
}

} // namespace keldra
