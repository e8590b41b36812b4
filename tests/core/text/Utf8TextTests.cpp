#include "core/text/Utf8Text.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

// Names, sealed paths and drive metadata all pass this one check; overlongs, surrogates, values past
// U+10FFFF and cut sequences must never pass as text.
TEST(Utf8Text, ValidityRefusesEveryMalformedSequence) {
    EXPECT_TRUE(isValidUtf8("plain/\xc3\xa9/\xf0\x9f\x98\x80"));
    for (const char* bad : {"\xff", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "a\x80"}) {
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    }
}

} // namespace
} // namespace keldra
