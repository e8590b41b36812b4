#include "core/codec/Base64.h"
#include "restore/catalog/RemoteCatalog.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace keldra {
namespace {

KeldraKey testKey(std::uint8_t fill) {
    SymmetricKey bytes{};
    bytes.fill(fill);
    return KeldraKey(bytes);
}

KeldraFile record(std::string id, std::optional<std::string> name, std::optional<bool> sealedFlag = true,
                  std::optional<std::string> createdAt = std::nullopt) {
    KeldraFile file;
    file.id = FlexID(std::move(id));
    file.encryptedName = std::move(name);
    if (sealedFlag) {
        file.nameSealed = FlexBool(*sealedFlag);
    }
    file.createdAt = std::move(createdAt);
    return file;
}

// A sealed name whose plaintext is arbitrary bytes (not necessarily UTF-8).
std::string sealRaw(const KeldraKey& key, const Bytes& plain) {
    const auto [nonce, sealed] = key.seal(plain);
    return base64Encode(nonce) + "." + base64Encode(sealed);
}

TEST(SafeKeldraPath, AcceptsOnlyAnchoredPathsOfRealComponents) {
    struct Case {
        std::string path;
        bool safe;
    };
    const std::vector<Case> cases = {
        {"~/a.txt", true},
        {"~/Documents/report 2.pdf", true},
        {"/etc/hosts", true},
        {"/a", true},
        {"~/.../x", true},
        {"~/.hidden/..x", true},
        {"~", false},
        {"~/", false},
        {"/", false},
        {"", false},
        {"Documents/a.txt", false},
        {"~a/b", false},
        {"./a", false},
        {"~/a/../b", false},
        {"~/..", false},
        {"/a/./b", false},
        {"/a//b", false},
        {"//a", false},
        {"~/a/", false},
        {std::string("/a\0b", 4), false},
        {std::string("~/report.pdf\0.txt", 17), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isSafeKeldraPath(c.path), c.safe) << "path: " << c.path;
    }
}

TEST(RemoteCatalog, EmptyListingGivesEmptyCatalog) {
    const auto catalog = RemoteCatalog::build({}, testKey(1));
    EXPECT_TRUE(catalog.byPath.empty());
    EXPECT_TRUE(catalog.unreadable.empty());
    EXPECT_TRUE(catalog.allIDs.empty());
    EXPECT_EQ(catalog.versionCount(), 0u);
    EXPECT_EQ(RemoteCatalog::empty().versionCount(), 0u);
    EXPECT_TRUE(RemoteCatalog::empty().allIDs.empty());
}

TEST(RemoteCatalog, UnreadableRecordsOfEveryKindAreKeptAsideWithTheirIds) {
    const auto key = testKey(1);
    const auto otherKey = testKey(2);
    std::string tampered = key.sealName("~/a.txt");
    tampered[20] = tampered[20] == 'A' ? 'B' : 'A';
    const std::string shortNonce = base64Encode(Bytes(8, 7)) + "." + base64Encode(Bytes(32, 1));

    struct Case {
        std::string label;
        KeldraFile file;
    };
    const std::vector<Case> cases = {
        {"no name", record("1", std::nullopt)},
        {"empty name", record("2", "")},
        {"no dot, flagged sealed", record("3", "QUJDREVGR0hJSktMTU5PUA")},
        {"not flagged, first part not 16 chars", record("4", shortNonce, false)},
        {"flag missing, first part not 16 chars", record("5", shortNonce, std::nullopt)},
        {"flagged, 8-byte nonce is tried and fails", record("6", shortNonce, true)},
        {"bad base64", record("7", "AAAAAAAAAAAAAAAA.!!!!", true)},
        {"other key", record("8", otherKey.sealName("~/a.txt"))},
        {"tampered", record("9", tampered)},
        {"not UTF-8", record("10", sealRaw(key, Bytes{'~', '/', 0xff, 0xfe}))},
        {"relative path", record("11", key.sealName("Documents/a.txt"))},
        {"dot-dot", record("12", key.sealName("~/a/../b"))},
        {"dot", record("13", key.sealName("/a/./b"))},
        {"double slash", record("14", key.sealName("/a//b"))},
        {"trailing slash", record("15", key.sealName("~/a/"))},
        {"root alone", record("16", key.sealName("/"))},
        {"home alone", record("17", key.sealName("~/"))},
        {"NUL inside", record("18", key.sealName(std::string("~/a.txt\0.sh", 11)))},
    };
    std::vector<KeldraFile> listing;
    for (const auto& c : cases) {
        listing.push_back(c.file);
    }
    listing.push_back(record("99", key.sealName("~/good.txt")));

    const auto catalog = RemoteCatalog::build(listing, key);

    ASSERT_EQ(catalog.unreadable.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(catalog.unreadable[i], cases[i].file) << cases[i].label; // listing order kept
        EXPECT_TRUE(catalog.allIDs.contains(cases[i].file.id.raw)) << cases[i].label;
    }
    ASSERT_EQ(catalog.byPath.size(), 1u);
    EXPECT_EQ(catalog.byPath.at("~/good.txt").front().file.id.raw, "99");
    EXPECT_EQ(catalog.allIDs.size(), cases.size() + 1);
    EXPECT_EQ(catalog.versionCount(), 1u);
}

TEST(RemoteCatalog, ReadableNamesOpenWithOrWithoutTheSealedFlag) {
    const auto key = testKey(3);
    const auto catalog = RemoteCatalog::build({record("1", key.sealName("~/a.txt"), false),
                                               record("2", key.sealName("/Volumes/Data/b.txt"), std::nullopt),
                                               record("3", key.sealName("~/.../c"), true)},
                                              key);
    EXPECT_TRUE(catalog.unreadable.empty());
    ASSERT_EQ(catalog.byPath.size(), 3u);
    const auto& entry = catalog.byPath.at("/Volumes/Data/b.txt").front();
    EXPECT_EQ(entry.path, "/Volumes/Data/b.txt");
    EXPECT_EQ(entry.id().raw, "2");
    EXPECT_TRUE(catalog.byPath.contains("~/.../c"));
}

TEST(RemoteCatalog, VersionsAreNewestFirstWithNumericIdTies) {
    const auto key = testKey(4);
    const std::string path = "~/notes.txt";
    const std::string same = "2024-05-01T10:00:00Z";
    // Listing order is deliberately scrambled; identical keys keep it.
    const std::vector<KeldraFile> listing = {
        record("undated", key.sealName(path), true, std::nullopt),
        record("9", key.sealName(path), true, same),
        record("bad-date", key.sealName(path), true, "yesterday"),
        record("12", key.sealName(path), true, same),
        record("old", key.sealName(path), true, "2023-01-01 08:00:00"),
        record("new", key.sealName(path), true, "2024-05-01T10:00:00.500Z"),
        record("abc", key.sealName(path), true, same),
        record("5", key.sealName(path), true, same),
        record("-3", key.sealName(path), true, same),
        record("+07", key.sealName(path), true, same),
    };
    const auto catalog = RemoteCatalog::build(listing, key);
    std::vector<std::string> order;
    for (const auto& entry : catalog.byPath.at(path)) {
        order.push_back(entry.file.id.raw);
    }
    const std::vector<std::string> expected = {"new", "12", "9",   "+07",     "5",
                                               "abc", "-3", "old", "undated", "bad-date"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(catalog.versionCount(), listing.size());
}

TEST(RemoteCatalog, NewerFirstIsAStrictOrder) {
    RemoteEntry a{record("1", "x", true, "2024-01-01T00:00:00Z"), "~/x"};
    RemoteEntry b{record("1", "y", true, "2024-01-01T00:00:00Z"), "~/x"};
    EXPECT_FALSE(RemoteEntry::newerFirst(a, b));
    EXPECT_FALSE(RemoteEntry::newerFirst(b, a));
    EXPECT_FALSE(RemoteEntry::newerFirst(a, a));
}

} // namespace
} // namespace keldra
