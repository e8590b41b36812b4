#include "core/secrets/StoredSession.h"

#include <gtest/gtest.h>

using namespace keldra;

namespace {

// 2025-01-01 00:00:00 UTC: 757382400 s after 2001-01-01.
const SystemTime newYear2025 = fromUnixSeconds(1735689600.0);

} // namespace

TEST(StoredSession, EncodesFieldsInOrderWithReferenceDateSeconds) {
    const StoredSession session{"tok/123", newYear2025, "ann@example.com"};
    const std::string json = encodeStoredSession(session);
    EXPECT_EQ(json, R"({"token":"tok/123","expiresAt":757382400.0,"email":"ann@example.com"})");
    EXPECT_EQ(decodeStoredSession(json), session);
}

TEST(StoredSession, WithoutExpiryLeavesTheKeyOutAndDecodesEqual) {
    const StoredSession session{"t", std::nullopt, "ann@example.com"};
    const std::string json = encodeStoredSession(session);
    EXPECT_EQ(json, R"({"token":"t","email":"ann@example.com"})");
    EXPECT_EQ(decodeStoredSession(json), session);
    EXPECT_EQ(decodeStoredSession(toBytes(json)), session);
}

TEST(StoredSession, DecodingTable) {
    const struct {
        const char* json;
        std::optional<StoredSession> expected;
    } cases[] = {
        {R"({"email":"a@b.c","token":"t"})", StoredSession{"t", std::nullopt, "a@b.c"}},
        {R"({"token":"t","expiresAt":757382400,"email":"a@b.c"})", StoredSession{"t", newYear2025, "a@b.c"}},
        {R"({"token":"t","expiresAt":757382400.5,"email":"a@b.c"})",
         StoredSession{"t", newYear2025 + std::chrono::milliseconds(500), "a@b.c"}},
        {R"({"token":"t","expiresAt":null,"email":"a@b.c"})", StoredSession{"t", std::nullopt, "a@b.c"}},
        {R"({"token":"t","email":"a@b.c","extra":1})", StoredSession{"t", std::nullopt, "a@b.c"}},
        {R"({"token":"t"})", std::nullopt},               // no email
        {R"({"email":"a@b.c"})", std::nullopt},           // no token
        {R"({"token":7,"email":"a@b.c"})", std::nullopt}, // token not text
        {R"({"token":"t","email":null})", std::nullopt},  // email not text
        {R"({"token":"t","expiresAt":"2025-01-01","email":"a@b.c"})", std::nullopt},
        {R"({"token":"t","expiresAt":1e300,"email":"a@b.c"})", std::nullopt}, // beyond the clock's range
        {R"(["t","a@b.c"])", std::nullopt},
        {R"({"token":"t","email":"a@b.c")", std::nullopt}, // truncated
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeStoredSession(std::string_view(c.json)), c.expected) << c.json;
    }
}
