// One contract for every secret store: the in-memory double the unit tests use must behave like the
// libsecret store the app uses. The libsecret half needs the private session bus and keyring that
// scripts/with-session-services provides; it refuses to run elsewhere so it never touches a user's keyring.
#include "core/secrets/KeychainItems.h"
#include "core/secrets/StoredSession.h"
#include "platform/secrets/LibsecretStore.h"
#include "tests/support/MemorySecretStore.h"
#include "tests/support/RecordingLogger.h"

#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <unistd.h>

using namespace keldra;

namespace {

struct MemoryStoreMaker {
    static std::unique_ptr<SecretStore> make(Logger&) { return std::make_unique<test::MemorySecretStore>(); }
    static bool usable() { return true; }
};

struct LibsecretStoreMaker {
    static std::unique_ptr<SecretStore> make(Logger& logger) {
        return std::make_unique<LibsecretStore>(logger);
    }
    static bool usable() { return std::getenv("KELDRA_SESSION_INNER") != nullptr; }
};

template <typename Maker> class SecretStoreContract : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Maker::usable()) {
            GTEST_FAIL() << "run through scripts/with-session-services (private bus and keyring)";
        }
        store_ = Maker::make(logger_);
    }
    void TearDown() override {
        if (HasFailure()) {
            for (const auto& line : logger_.lines()) {
                std::cerr << "store log: " << line << "\n";
            }
        }
    }

    // Tests of one run may share the keyring, so each uses accounts of its own.
    static std::string account(std::string_view name) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return std::string(info->name()) + "-" + std::to_string(::getpid()) + "-" + std::string(name);
    }

    SecretStore& store() { return *store_; }

    test::RecordingLogger logger_;
    std::unique_ptr<SecretStore> store_;
};

using Makers = ::testing::Types<MemoryStoreMaker, LibsecretStoreMaker>;
class MakerNames {
public:
    template <typename T> static std::string GetName(int) {
        return std::is_same_v<T, MemoryStoreMaker> ? "Memory" : "Libsecret";
    }
};
TYPED_TEST_SUITE(SecretStoreContract, Makers, MakerNames);

Bytes everyByteValue() {
    Bytes bytes;
    for (int round = 0; round < 4; ++round) {
        for (int value = 255; value >= 0; --value) {
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
    }
    return bytes;
}

} // namespace

TYPED_TEST(SecretStoreContract, MissingItemReadsAsNone) {
    EXPECT_FALSE(this->store().read(this->account("missing")));
    EXPECT_TRUE(this->logger_.lines().empty());
}

TYPED_TEST(SecretStoreContract, WriteAddsThenReplacesInPlace) {
    const std::string account = this->account("item");
    const Bytes first = everyByteValue(); // binary data with zero bytes survives unchanged
    ASSERT_TRUE(this->store().write(first, account, "first label"));
    EXPECT_EQ(this->store().read(account), first);

    const Bytes second = toBytes("shorter");
    ASSERT_TRUE(this->store().write(second, account, "second label"));
    EXPECT_EQ(this->store().read(account), second);

    ASSERT_TRUE(this->store().write(Bytes{}, account, "second label"));
    EXPECT_EQ(this->store().read(account), Bytes{});
    EXPECT_TRUE(this->logger_.lines().empty());
}

TYPED_TEST(SecretStoreContract, AccountsAreSeparateAndRemovingWhatIsNotThereSucceeds) {
    const std::string a = this->account("a");
    const std::string b = this->account("b");
    ASSERT_TRUE(this->store().write(toBytes("A"), a, "label"));
    ASSERT_TRUE(this->store().write(toBytes("B"), b, "label"));

    EXPECT_TRUE(this->store().remove(a));
    EXPECT_FALSE(this->store().read(a));
    EXPECT_EQ(this->store().read(b), toBytes("B"));

    EXPECT_TRUE(this->store().remove(a)); // already gone
    EXPECT_TRUE(this->store().remove(this->account("never-written")));
    EXPECT_EQ(this->store().read(b), toBytes("B"));
    EXPECT_TRUE(this->store().remove(b));
    EXPECT_FALSE(this->store().read(b));
    EXPECT_TRUE(this->logger_.lines().empty());
}

TYPED_TEST(SecretStoreContract, KeepsTheSessionAndTheUnattendedKey) {
    const StoredSession session{"token-1", fromUnixSeconds(1735689600.0), "ann@example.com"};
    const std::string sessionItem = this->account(sessionAccount);
    ASSERT_TRUE(this->store().write(toBytes(encodeStoredSession(session)), sessionItem, sessionLabel));
    const auto storedSession = this->store().read(sessionItem);
    ASSERT_TRUE(storedSession);
    EXPECT_EQ(decodeStoredSession(*storedSession), session);

    const std::string scope = this->account("scope");
    const KeldraKey key = KeldraKey::derive("unattended");
    const Bytes raw(key.symmetricKey().begin(), key.symmetricKey().end());
    ASSERT_TRUE(this->store().write(raw, keldraKeyAccount(scope), keldraKeyLabel));
    EXPECT_EQ(loadKeldraKey(this->store(), scope), key);
    this->store().remove(keldraKeyAccount(scope));
    EXPECT_FALSE(loadKeldraKey(this->store(), scope));
}

TEST(MemorySecretStore, UnavailableStoreReadsNoneAndFailsWritesButKeepsItems) {
    test::MemorySecretStore store;
    ASSERT_TRUE(store.write(toBytes("kept"), "acct", "label"));
    store.setAvailable(false);
    EXPECT_FALSE(store.read("acct"));
    EXPECT_FALSE(store.write(toBytes("new"), "acct", "label"));
    EXPECT_FALSE(store.remove("acct"));
    store.setAvailable(true);
    EXPECT_EQ(store.read("acct"), toBytes("kept"));
}
