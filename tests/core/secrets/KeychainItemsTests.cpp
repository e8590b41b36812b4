#include "core/secrets/KeychainItems.h"
#include "core/secrets/ScopeKey.h"
#include "tests/support/MemorySecretStore.h"

#include <gtest/gtest.h>

using namespace keldra;

TEST(KeychainItems, LoadKeldraKeyAcceptsExactly32StoredBytes) {
    test::MemorySecretStore store;
    const std::string scope = scopeKey("ann@example.com");
    EXPECT_FALSE(loadKeldraKey(store, scope)); // no item

    SymmetricKey raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = static_cast<std::uint8_t>(i + 1);
    }
    // The item name other versions of the app wrote, spelled out.
    ASSERT_TRUE(store.write(Bytes(raw.begin(), raw.end()), "keldra-key." + scope, keldraKeyLabel));
    EXPECT_EQ(loadKeldraKey(store, scope), KeldraKey(raw));
    EXPECT_FALSE(loadKeldraKey(store, scopeKey("bob@example.com"))); // another account's scope

    for (const std::size_t size : {0u, 31u, 33u, 64u}) {
        ASSERT_TRUE(store.write(Bytes(size, 0x5a), keldraKeyAccount(scope), keldraKeyLabel));
        EXPECT_FALSE(loadKeldraKey(store, scope)) << size;
    }
}
