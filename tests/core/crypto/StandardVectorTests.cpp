// Published test vectors: the primitives must match the standards bit for bit, since keys and sealed data
// are shared with other installations and existing backups.
#include "core/codec/Hex.h"
#include "core/crypto/Kdf.h"
#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/KeldraKey.h"
#include "core/crypto/KeyedChecksum.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace keldra;

namespace {

Bytes hex(std::string_view text) {
    auto bytes = hexDecode(text);
    EXPECT_TRUE(bytes) << text;
    return bytes.value_or(Bytes{});
}

// HMAC pads keys shorter than its 64-byte block with zeros, so a short test key zero-extended to 32 bytes
// gives the same MAC.
SymmetricKey paddedKey(const Bytes& key) {
    SymmetricKey padded{};
    std::copy(key.begin(), key.end(), padded.begin());
    return padded;
}

} // namespace

TEST(StandardVectors, HmacSha256Rfc4231) {
    struct Case {
        Bytes key;
        Bytes data;
        const char* mac;
    };
    const Case cases[] = {
        {Bytes(20, 0x0b), toBytes("Hi There"),
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {toBytes("Jefe"), toBytes("what do ya want for nothing?"),
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd),
         "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {hex("0102030405060708090a0b0c0d0e0f10111213141516171819"), Bytes(50, 0xcd),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
    };
    for (const auto& c : cases) {
        const SymmetricKey key = paddedKey(c.key);
        EXPECT_EQ(keyedChecksumHex(key, c.data.data(), c.data.size()), c.mac);

        // Fed in uneven pieces, the streaming form gives the same MAC.
        KeyedChecksum streaming(key);
        std::size_t offset = 0;
        for (std::size_t piece = 1; offset < c.data.size(); ++piece) {
            const std::size_t n = std::min(piece, c.data.size() - offset);
            streaming.update(c.data.data() + offset, n);
            offset += n;
        }
        EXPECT_EQ(streaming.finishHex(), c.mac);
    }
}

TEST(StandardVectors, HkdfSha256Rfc5869Case1) {
    const Bytes okm = hkdfSha256(Bytes(22, 0x0b), toString(hex("000102030405060708090a0b0c")),
                                 toString(hex("f0f1f2f3f4f5f6f7f8f9")), 42);
    EXPECT_EQ(hexEncode(okm),
              "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865");
}

TEST(StandardVectors, Pbkdf2HmacSha256) {
    struct Case {
        const char* password;
        const char* salt;
        std::uint32_t rounds;
        std::size_t length;
        const char* key;
    };
    const Case cases[] = {
        // RFC 7914, section 11.
        {"passwd", "salt", 1, 64,
         "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
         "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
        {"Password", "NaCl", 80000, 64,
         "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
         "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d"},
        {"password", "salt", 1, 32, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {"password", "salt", 4096, 32, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hexEncode(pbkdf2HmacSha256(c.password, c.salt, c.rounds, c.length)), c.key) << c.password;
    }
}

TEST(StandardVectors, Aes256GcmOpensAndSealsGcmSpecCases) {
    struct Case {
        const char* key;
        const char* iv;
        const char* plaintext;
        const char* sealed; // ciphertext then tag
    };
    const Case cases[] = {
        {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000", "",
         "530f8afbc74536b9a963b4f1c4cb738b"},
        {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000",
         "00000000000000000000000000000000",
         "cea7403d4d606b6e074ec5d3baf39d18d0d1c8a799996bf0265b98b5d48ab919"},
        {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
         "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
         "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255",
         "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
         "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad"
         "b094dac5d93471bdec1a502270e3cc6c"},
    };
    for (const auto& c : cases) {
        const auto key = KeldraKey::fromBytes(hex(c.key));
        ASSERT_TRUE(key);
        EXPECT_EQ(hexEncode(key->open(hex(c.sealed), hex(c.iv))), c.plaintext);
        const auto [iv, sealed] = key->seal(hex(c.plaintext), hex(c.iv));
        EXPECT_EQ(hexEncode(iv), c.iv);
        EXPECT_EQ(hexEncode(sealed), c.sealed);
    }
}
