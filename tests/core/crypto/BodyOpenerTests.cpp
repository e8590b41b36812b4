#include "core/crypto/BodyOpener.h"
#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/KeldraKey.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace keldra;
using Kind = KeldraCryptoError::Kind;

namespace {

KeldraKey keyFilledWith(std::uint8_t value) {
    SymmetricKey bytes{};
    bytes.fill(value);
    return KeldraKey(bytes);
}

Bytes patterned(std::size_t size) {
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
    }
    return data;
}

// Feeds `sealed` to an opener in pieces of the given sizes, cycling through them; the plaintext it
// gave out and the error, if any, that ended it.
struct Opened {
    Bytes plaintext;
    std::optional<Kind> error;
};

Opened openInPieces(const KeldraKey& key, const Bytes& iv, const Bytes& sealed,
                    const std::vector<std::size_t>& pieces) {
    Opened opened;
    try {
        BodyOpener opener(key, iv);
        std::size_t at = 0;
        for (std::size_t i = 0; at < sealed.size(); ++i) {
            const std::size_t size = std::min(pieces[i % pieces.size()], sealed.size() - at);
            Bytes out(size);
            const std::size_t written = opener.update(sealed.data() + at, size, out.data());
            EXPECT_LE(written, size);
            opened.plaintext.insert(opened.plaintext.end(), out.begin(), out.begin() + written);
            at += size;
        }
        opener.finish();
    } catch (const KeldraCryptoError& error) {
        opened.error = error.kind();
    }
    return opened;
}

} // namespace

// However the body is cut (pieces shorter than the tag, straddling it, or the whole body at once), the
// streamed opening gives exactly what the one-shot open does, and the tag is never handed out as content.
TEST(BodyOpener, OpensWhatSealSealedInAnyPieces) {
    const KeldraKey key = keyFilledWith(3);
    const std::vector<std::vector<std::size_t>> cuts{{1}, {7, 16, 3}, {15}, {16}, {17}, {4096}, {1 << 20}};
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{16}, std::size_t{70001}}) {
        const Bytes plaintext = patterned(size);
        const auto [iv, sealed] = key.seal(plaintext);
        for (const auto& pieces : cuts) {
            const Opened opened = openInPieces(key, iv, sealed, pieces);
            EXPECT_FALSE(opened.error) << size << " in pieces of " << pieces.front();
            EXPECT_TRUE(opened.plaintext == plaintext) << size << " in pieces of " << pieces.front();
        }
    }
}

// Any change to the body, a short body or the wrong key fails at the end, as open does.
TEST(BodyOpener, FailsToFinishOnAnythingButTheSealedBody) {
    const KeldraKey key = keyFilledWith(3);
    const auto [iv, sealed] = key.seal(patterned(5000));
    struct Case {
        std::string label;
        Bytes body;
        KeldraKey key;
    };
    Bytes tagChanged = sealed;
    tagChanged.back() ^= 1;
    Bytes contentChanged = sealed;
    contentChanged[2500] ^= 0x80;
    Bytes cutShort(sealed.begin(), sealed.end() - 1);
    Bytes longer = sealed;
    longer.push_back(0);
    const std::vector<Case> cases{
        {"tag changed", tagChanged, key},
        {"content changed", contentChanged, key},
        {"cut short", cutShort, key},
        {"a byte more", longer, key},
        {"shorter than a tag", Bytes(sealed.begin(), sealed.begin() + 15), key},
        {"nothing", Bytes(), key},
        {"other key", sealed, keyFilledWith(4)},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{1000}, std::size_t{1 << 20}}) {
            EXPECT_EQ(openInPieces(c.key, iv, c.body, {piece}).error, Kind::decryptionFailed)
                << c.label << " in pieces of " << piece;
        }
    }
    EXPECT_EQ(openInPieces(key, Bytes(11, 0), sealed, {100}).error, Kind::invalidIV);
}
