#include "service/types/DecodingError.h"
#include "service/types/FlexBool.h"
#include "service/types/FlexID.h"
#include "service/types/FlexInt.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

using Json = nlohmann::json;

std::string failureOf(auto decode, const Json& value) {
    try {
        decode(value);
    } catch (const DecodingError& e) {
        return e.description();
    }
    return "<no failure>";
}

TEST(FlexID, DecodesIntegersStringsAndRoundedNumbers) {
    struct Case {
        const char* json;
        const char* raw;
    };
    const Case cases[] = {
        {"42", "42"},
        {"-7", "-7"},
        {"\"0042\"", "0042"},
        {"\"\"", ""},
        {"\" 5 \"", " 5 "},
        {"42.5", "43"},
        {"-42.5", "-43"},
        {"1e3", "1000"},
        {"9223372036854775807", "9223372036854775807"},
        {"-9223372036854775808", "-9223372036854775808"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FlexID::fromJson(Json::parse(c.json)).raw, c.raw) << c.json;
    }
}

TEST(FlexID, RefusesEverythingElse) {
    // Above the signed range as an unsigned integer, as a huge float, and as a float at exactly 2^63.
    for (const char* text : {"true", "null", "{}", "[1]", "9223372036854775808", "18446744073709551615",
                             "1e30", "9.223372036854775808e18"}) {
        EXPECT_EQ(failureOf(FlexID::fromJson, Json::parse(text)), "ID is neither int nor string") << text;
    }
}

TEST(FlexID, EncodesNumericTextAsIntegerElseString) {
    struct Case {
        const char* raw;
        Json expected;
    };
    const Case cases[] = {
        {"0042", Json(42)},
        {"+5", Json(5)},
        {"-5", Json(-5)},
        {"abc", Json("abc")},
        {"", Json("")},
        {"12a", Json("12a")},
        {"-", Json("-")},
        {" 5", Json(" 5")},
        {"9223372036854775808", Json("9223372036854775808")},
        {"-9223372036854775808", Json(INT64_MIN)},
    };
    for (const auto& c : cases) {
        const FlexID id(c.raw);
        EXPECT_EQ(id.jsonValue(), c.expected) << c.raw;
        Json viaHook = id;
        EXPECT_EQ(viaHook, c.expected) << c.raw;
    }
    EXPECT_NE(FlexID("42"), FlexID("042"));
}

TEST(FlexInt, DecodesNumbersNumericStringsAndNull) {
    struct Case {
        const char* json;
        std::int64_t value;
    };
    const Case cases[] = {
        {"42", 42},
        {"-3", -3},
        {"42.7", 43},
        {"-2.5", -3},
        {"\"12.5\"", 13},
        {"\"42\"", 42},
        {"\"4.2e1\"", 42},
        {"\"+7\"", 7},
        {"null", 0},
        {"\"-0.4\"", 0},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FlexInt::fromJson(Json::parse(c.json)).value, c.value) << c.json;
    }
}

TEST(FlexInt, RefusesWhatIsNotANumberInRange) {
    for (const char* text : {"\"abc\"", "true", "{}", "[]", "1e30", "-1e30", "9223372036854775808", "\" 42\"",
                             "\"42 \"", "\"\"", "\"nan\"", "\"inf\"", "\"1e999\"", "\"+-1\""}) {
        EXPECT_EQ(failureOf(FlexInt::fromJson, Json::parse(text)), "Not a number") << text;
    }
}

TEST(FlexBool, ReadsLenientlyAndNeverFails) {
    struct Case {
        const char* json;
        bool value;
    };
    const Case cases[] = {
        {"true", true},    {"false", false},  {"2", true},
        {"0", false},      {"-1", true},      {"\"YES\"", true},
        {"\"Yes\"", true}, {"\"1\"", true},   {"\"TRUE\"", true},
        {"\"on\"", false}, {"\"no\"", false}, {"\"\"", false},
        {"{}", false},     {"[true]", false}, {"null", false},
        {"1.0", true},     {"0.5", false},    {"18446744073709551615", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FlexBool::fromJson(Json::parse(c.json)).value, c.value) << c.json;
    }
    EXPECT_EQ(Json(FlexBool(true)), Json(true));
    EXPECT_EQ(Json(FlexInt(7)), Json(7));
}

} // namespace
} // namespace keldra
