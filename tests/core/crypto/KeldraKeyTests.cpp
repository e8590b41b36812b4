#include "core/codec/Base64.h"
#include "core/codec/Hex.h"
#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/KeldraKey.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace keldra;
using Kind = KeldraCryptoError::Kind;

namespace {

// Derivation is the slow step (100000 rounds); the tests share a few keys.
const KeldraKey& horseKey() {
    static const KeldraKey key = KeldraKey::derive("correct horse battery staple");
    return key;
}
const KeldraKey& otherKey() {
    static const KeldraKey key = KeldraKey::derive("another passphrase");
    return key;
}

template <typename F> std::optional<Kind> errorOf(F&& f) {
    try {
        f();
    } catch (const KeldraCryptoError& error) {
        return error.kind();
    }
    return std::nullopt;
}

} // namespace

TEST(KeldraKeyDerive, MatchesPbkdf2WithTheFixedSaltAndRounds) {
    // Computed independently (Python cryptography): PBKDF2-HMAC-SHA256, "tarnwicke-strata-v1", 100000.
    EXPECT_EQ(hexEncode(horseKey().symmetricKey().data(), 32),
              "9781d92bb42ee11c51f6f400a919d8686df5fe15ff2977434fa7560a68f3c58e");
    EXPECT_EQ(KeldraKey::derive("correct horse battery staple"), horseKey());
}

TEST(KeldraKeyDerive, UsesThePassphraseExactlyAsTyped) {
    EXPECT_EQ(errorOf([] { KeldraKey::derive(""); }), Kind::emptyPassphrase);

    const KeldraKey space = KeldraKey::derive(" ");
    const KeldraKey plain = KeldraKey::derive("secret");
    const KeldraKey leading = KeldraKey::derive(" secret");
    const KeldraKey capital = KeldraKey::derive("Secret");
    // "é" precomposed and as "e" + combining accent: no normalisation, so two keys.
    const KeldraKey composed = KeldraKey::derive("caf\xc3\xa9");
    const KeldraKey decomposed = KeldraKey::derive("cafe\xcc\x81");
    const std::set<SymmetricKey> distinct{space.symmetricKey(),    plain.symmetricKey(),
                                          leading.symmetricKey(),  capital.symmetricKey(),
                                          composed.symmetricKey(), decomposed.symmetricKey()};
    EXPECT_EQ(distinct.size(), 6u);
}

TEST(KeldraKeyFromBytes, AcceptsExactly32Bytes) {
    EXPECT_FALSE(KeldraKey::fromBytes(Bytes(31, 1)));
    EXPECT_FALSE(KeldraKey::fromBytes(Bytes(33, 1)));
    EXPECT_FALSE(KeldraKey::fromBytes(Bytes{}));
    const Bytes stored(horseKey().symmetricKey().begin(), horseKey().symmetricKey().end());
    EXPECT_EQ(KeldraKey::fromBytes(stored), horseKey());
}

TEST(KeldraKeySeal, SealedSizeIsPlainPlusTagAndOpensBack) {
    for (const std::size_t size : {0u, 1u, 15u, 16u, 17u, 4096u, 100000u}) {
        Bytes plain(size);
        for (std::size_t i = 0; i < size; ++i) {
            plain[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        const auto [iv, sealed] = horseKey().seal(plain);
        EXPECT_EQ(iv.size(), 12u);
        EXPECT_EQ(sealed.size(), size + 16) << size;
        EXPECT_EQ(horseKey().open(sealed, iv), plain) << size;
        EXPECT_EQ(horseKey().openInPlace(sealed, iv), plain) << size;
    }
}

TEST(KeldraKeySeal, EachSealUsesAFreshNonce) {
    const Bytes plain = toBytes("~/Documents/taxes.pdf");
    std::set<Bytes> ivs;
    std::set<Bytes> sealedSet;
    for (int i = 0; i < 50; ++i) {
        auto [iv, sealed] = horseKey().seal(plain);
        ivs.insert(iv);
        sealedSet.insert(sealed);
    }
    EXPECT_EQ(ivs.size(), 50u);
    EXPECT_EQ(sealedSet.size(), 50u);
}

TEST(KeldraKeySeal, RejectsIVsOtherThan12Bytes) {
    const Bytes plain = toBytes("data");
    const auto [iv, sealed] = horseKey().seal(plain);
    for (const std::size_t size : {0u, 11u, 13u, 16u}) {
        const Bytes badIV(size, 0x42);
        EXPECT_EQ(errorOf([&] { horseKey().seal(plain, badIV); }), Kind::invalidIV) << size;
        EXPECT_EQ(errorOf([&] { horseKey().open(sealed, badIV); }), Kind::invalidIV) << size;
    }
    // A given 12-byte IV is used as it is.
    const Bytes fixedIV(12, 0x42);
    EXPECT_EQ(horseKey().seal(plain, fixedIV), horseKey().seal(plain, fixedIV));
}

TEST(KeldraKeyOpen, EveryDamageIsDecryptionFailed) {
    const Bytes plain = toBytes("The quick brown fox");
    const auto [iv, sealed] = horseKey().seal(plain);

    EXPECT_EQ(errorOf([&] { horseKey().open(Bytes(15, 0), iv); }), Kind::decryptionFailed);
    EXPECT_EQ(errorOf([&] { horseKey().open(Bytes{}, iv); }), Kind::decryptionFailed);
    EXPECT_EQ(errorOf([&] { otherKey().open(sealed, iv); }), Kind::decryptionFailed);
    EXPECT_EQ(errorOf([&] { otherKey().openInPlace(sealed, iv); }), Kind::decryptionFailed);
    EXPECT_EQ(errorOf([&] { horseKey().openInPlace(Bytes(15, 0), iv); }), Kind::decryptionFailed);
    EXPECT_EQ(errorOf([&] { horseKey().open(Bytes(sealed.begin(), sealed.end() - 1), iv); }),
              Kind::decryptionFailed);

    // Any single changed bit, in the ciphertext, the tag or the IV.
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        Bytes damaged = sealed;
        damaged[i] ^= 0x01;
        EXPECT_EQ(errorOf([&] { horseKey().open(damaged, iv); }), Kind::decryptionFailed) << "byte " << i;
        EXPECT_EQ(errorOf([&] { horseKey().openInPlace(damaged, iv); }), Kind::decryptionFailed)
            << "byte " << i;
    }
    for (std::size_t i = 0; i < iv.size(); ++i) {
        Bytes damagedIV = iv;
        damagedIV[i] ^= 0x80;
        EXPECT_EQ(errorOf([&] { horseKey().open(sealed, damagedIV); }), Kind::decryptionFailed) << "iv " << i;
    }
}

TEST(KeldraKeySealName, HasTheSealedNameShapeAndOpensToTheName) {
    for (const std::string& name :
         std::vector<std::string>{"", "~/Documents/report.pdf", "/Volumes/Photos/2024/IMG_0001.HEIC",
                                  "~/Música/canción ñ.mp3", std::string(300, 'x')}) {
        const std::string sealedName = horseKey().sealName(name);
        const auto dot = sealedName.find('.');
        ASSERT_NE(dot, std::string::npos);
        EXPECT_EQ(dot, 16u) << sealedName;
        EXPECT_EQ(sealedName.find('.', dot + 1), std::string::npos) << sealedName;
        EXPECT_GE(sealedName.size() - dot - 1, 24u);
        EXPECT_TRUE(KeldraKey::isSealedName(sealedName)) << sealedName;

        const auto iv = base64Decode(sealedName.substr(0, dot));
        const auto sealed = base64Decode(sealedName.substr(dot + 1));
        ASSERT_TRUE(iv && sealed);
        EXPECT_EQ(toString(horseKey().open(*sealed, *iv)), name);
    }
    // The same name sealed twice reads differently.
    EXPECT_NE(horseKey().sealName("~/a.txt"), horseKey().sealName("~/a.txt"));
    EXPECT_EQ(errorOf([] { horseKey().sealName("~/a.txt", Bytes(11, 0)); }), Kind::invalidIV);
}

TEST(KeldraKeyIsSealedName, LooksAtTheShapeOnly) {
    const std::string first16 = "AAAAAAAAAAAAAAAA"; // 12 zero bytes
    const struct {
        std::string text;
        bool expected;
    } cases[] = {
        {first16 + "." + "AAAAAAAAAAAAAAAAAAAAAA==", true},
        {first16 + ".", true},             // empty second piece decodes to no bytes
        {"~/Docs/abcdefghij.txt", false},  // first piece not 16 characters
        {"abcdefghijklmnop.Zm9v", true},   // a plain name of that shape passes
        {first16, false},                  // no full stop
        {first16 + ".Zm9v.Zm9v", false},   // two full stops
        {first16 + "..", false},           // empty pieces are kept, so three
        {"AAAAAAAAAAAAAAA.Zm9v", false},   // 15 characters
        {"AAAAAAAAAAAAAAAAA.Zm9v", false}, // 17 characters
        {"AAAAAAAAAAAAAA==.Zm9v", true},   // padding is base64 too
        {"AAAAAAAA AAAAAAA.Zm9v", false},  // whitespace
        {"AAAAAAAAAAAAAAA-.Zm9v", false},  // URL-safe alphabet
        {first16 + ".Zm9", false},         // length not a multiple of four
        {first16 + ".Zm9v\n", false},      // trailing line break
        {"." + first16, false},            // empty first piece
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeldraKey::isSealedName(c.text), c.expected) << "\"" << c.text << "\"";
    }
}

TEST(KeldraKeyCheckVerifier, TrueOnlyForTheSameKeysVerifier) {
    const auto [iv, sealed] = horseKey().seal(toBytes("cairn-ok-v1"));
    const std::string verifier = base64Encode(sealed);
    const std::string ivText = base64Encode(iv);
    EXPECT_TRUE(horseKey().checkVerifier(verifier, ivText));
    EXPECT_FALSE(otherKey().checkVerifier(verifier, ivText));

    const auto [otherIV, otherText] = horseKey().seal(toBytes("cairn-ok-v2"));
    const auto [shortIV, prefixText] = horseKey().seal(toBytes("cairn-ok-v"));
    const struct {
        std::string verifier;
        std::string iv;
    } rejected[] = {
        {"not base64!", ivText},
        {verifier, "###"},
        {verifier.substr(0, 8), ivText},                   // too short to hold a tag
        {verifier, base64Encode(Bytes(11, 0))},            // IV of the wrong size
        {base64Encode(otherText), base64Encode(otherIV)},  // opens, other text
        {base64Encode(prefixText), base64Encode(shortIV)}, // opens, a prefix of the text
        {"", ""},
    };
    for (const auto& r : rejected) {
        EXPECT_FALSE(horseKey().checkVerifier(r.verifier, r.iv)) << r.verifier << " / " << r.iv;
    }
}

TEST(KeldraKeyChecksum, ChecksumKeyAndChecksumMatchAnIndependentComputation) {
    // Python cryptography: HKDF-SHA256(key, "tarnwicke-strata-checksum-v1", "file-hmac"), then HMAC-SHA256.
    const SymmetricKey checksumKey = horseKey().checksumKey();
    EXPECT_EQ(hexEncode(checksumKey.data(), checksumKey.size()),
              "9be34a82bc71b5efa0fcc27c35792990a745b7aec91bce7fa8c7dd7d021290a2");
    const Bytes content = toBytes("hello, keldra\n");
    EXPECT_EQ(keyedChecksumHex(checksumKey, content.data(), content.size()),
              "7a7da91f0e1efbb774218aa822470b7ea4ee09bc24a72d5e736d22e635396739");
    EXPECT_NE(otherKey().checksumKey(), checksumKey);
}

TEST(KeldraCryptoErrorTexts, AreTheFixedUserTexts) {
    const struct {
        KeldraCryptoError error;
        const char* text;
    } cases[] = {
        {KeldraCryptoError(Kind::keyDerivationFailed, -4300), "Couldn't derive the Keldra key (-4300)."},
        {KeldraCryptoError(Kind::keyDerivationFailed, -1), "Couldn't derive the Keldra key (-1)."},
        {KeldraCryptoError(Kind::emptyPassphrase), "Enter your Keldra passphrase."},
        {KeldraCryptoError(Kind::invalidBase64), "The encrypted data isn't valid base64."},
        {KeldraCryptoError(Kind::invalidSealedName), "The encrypted name isn't in the expected format."},
        {KeldraCryptoError(Kind::invalidIV), "The encryption IV isn't 12 bytes."},
        {KeldraCryptoError(Kind::decryptionFailed),
         "Couldn't decrypt: the data is damaged or the key is wrong."},
        {KeldraCryptoError(Kind::invalidUTF8), "The decrypted name isn't valid text."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.message(), c.text);
        EXPECT_STREQ(c.error.what(), c.text);
    }
}
