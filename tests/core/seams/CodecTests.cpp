#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/codec/Base64.h"
#include "core/codec/Hex.h"
#include "core/codec/Uuid.h"

using namespace keldra;

TEST(Base64, EncodesRfc4648Vectors) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(base64Encode(toBytes(plain)), encoded) << plain;
        const auto decoded = base64Decode(encoded);
        ASSERT_TRUE(decoded) << encoded;
        EXPECT_EQ(toString(*decoded), plain);
    }
}

TEST(Base64, DecodingIsStrict) {
    const char* rejected[] = {
        "Zg",        // length not a multiple of four
        "Zg=",       // same
        "Zm9v\n",    // line break
        " Zm9v",     // leading space
        "Zm 9v",     // inner space
        "Zg==Zm9v",  // padding inside
        "Z===",      // three padding characters
        "Zm9v-_==",  // URL-safe alphabet
        "=Zm9",      // padding first
    };
    for (const char* text : rejected) {
        EXPECT_FALSE(base64Decode(text)) << text;
    }
    ASSERT_TRUE(base64Decode(""));
    EXPECT_TRUE(base64Decode("")->empty());
}

TEST(Hex, EncodesLowercaseAndDecodesStrictly) {
    const Bytes bytes{0x00, 0x0f, 0xa5, 0xff};
    EXPECT_EQ(hexEncode(bytes), "000fa5ff");
    EXPECT_EQ(hexDecode("000fa5ff"), bytes);
    EXPECT_FALSE(hexDecode("000FA5FF"));
    EXPECT_FALSE(hexDecode("abc"));
    EXPECT_FALSE(hexDecode("zz"));
}

TEST(Uuid, IsVersionFourAndUnique) {
    const std::regex shape("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const auto id = makeUuid();
        EXPECT_TRUE(std::regex_match(id, shape)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 200u);
}
