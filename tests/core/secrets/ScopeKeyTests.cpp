#include "core/secrets/ScopeKey.h"

#include <gtest/gtest.h>

using namespace keldra;

TEST(ScopeKey, IsFnv1a64OfTheNormalisedAddress) {
    // Expected values computed independently (Python) from the trimmed, lower-cased address.
    const struct {
        const char* email;
        const char* key;
    } cases[] = {
        {"user@example.com", "b8169be981f3cadb"},
        {"", "cbf29ce484222325"},                        // the offset basis itself
        {"user2@example.com", "4cf9ea9c85596ed"},        // leading zero nibble dropped: 15 digits
        {"user316@example.com", "1be63261f60edd"},       // two leading zero nibbles: 14 digits
        {"\xc3\x9cSER@example.com", "4cdb795e76d85f25"}, // "ÜSER": full Unicode lower-casing
        // "İ" lower-cases to "i" + combining dot above in the root locale.
        {"\xc4\xb0stanbul@example.com", "a0e0cd4d1dc41081"},
        // Capital sigma at the end of a word becomes the final form.
        {"\xce\xa3\xce\x9f\xce\xa6\xce\x8a\xce\x91\xce\xa3@EXAMPLE.GR", "4e97572359e02303"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scopeKey(c.email), c.key) << c.email;
    }
}

TEST(ScopeKey, IgnoresCaseAndSurroundingWhiteSpace) {
    const std::string expected = scopeKey("user@example.com");
    const char* variants[] = {
        "User@Example.COM\n",
        "  user@example.com\t",
        "\r\nuser@example.com\r\n",
        "\xc2\xa0user@example.com\xc2\xa0",         // no-break space
        "\xe2\x80\xa8user@example.com\xe2\x80\xa9", // line and paragraph separators
        "\xe3\x80\x80USER@EXAMPLE.COM\xc2\x85",     // ideographic space, next line
        "\x0b\x0cuser@example.com",                 // vertical tab, form feed
    };
    for (const char* email : variants) {
        EXPECT_EQ(scopeKey(email), expected) << email;
    }
    // Inner white space and other invisible characters are part of the address.
    EXPECT_NE(scopeKey("user @example.com"), expected);
    EXPECT_NE(scopeKey("\xe2\x80\x8buser@example.com"), expected); // zero-width space is not white space
}
