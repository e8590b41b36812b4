#include "core/events/ByteCount.h"
#include "core/events/NumberFormat.h"

#include <gtest/gtest.h>
#include <locale>

namespace keldra {
namespace {

// Locales built in the test, so the results do not depend on which locales the machine has.
struct Punctuation : std::numpunct<char> {
    Punctuation(char thousands, char decimal, std::string grouping)
        : thousands_(thousands), decimal_(decimal), grouping_(std::move(grouping)) {}
    char do_thousands_sep() const override { return thousands_; }
    char do_decimal_point() const override { return decimal_; }
    std::string do_grouping() const override { return grouping_; }
    char thousands_;
    char decimal_;
    std::string grouping_;
};

std::locale withPunctuation(char thousands, char decimal, std::string grouping) {
    return std::locale(std::locale::classic(), new Punctuation(thousands, decimal, std::move(grouping)));
}

const std::locale english = withPunctuation(',', '.', "\3");
const std::locale german = withPunctuation('.', ',', "\3");
const std::locale indian = withPunctuation(',', '.', "\3\2");

TEST(NumberFormat, CountsUseTheLocaleGrouping) {
    const std::vector<std::tuple<int64_t, std::string, std::string, std::string>> cases{
        {0, "0", "0", "0"},
        {999, "999", "999", "999"},
        {1000, "1,000", "1.000", "1,000"},
        {1234567, "1,234,567", "1.234.567", "12,34,567"},
        {-45000, "-45,000", "-45.000", "-45,000"},
        {INT64_MIN, "-9,223,372,036,854,775,808", "-9.223.372.036.854.775.808",
         "-92,23,37,20,36,85,47,75,808"},
    };
    for (const auto& [count, en, de, in] : cases) {
        EXPECT_EQ(formatCount(count, english), en);
        EXPECT_EQ(formatCount(count, german), de);
        EXPECT_EQ(formatCount(count, indian), in);
    }
    EXPECT_EQ(formatCount(1234567, std::locale::classic()), "1234567");
}

TEST(ByteCount, FileStyleDecimalUnits) {
    const std::vector<std::pair<int64_t, std::string>> cases{
        {0, "Zero KB"},
        {-5, "Zero KB"},
        {1, "1 KB"},
        {999, "1 KB"},
        {1'000, "1 KB"},
        {1'499, "1 KB"},
        {1'500, "2 KB"},
        {12'345, "12 KB"},
        {999'499, "999 KB"},
        {999'500, "1 MB"}, // would read "1,000 KB"
        {1'000'000, "1 MB"},
        {1'500'000, "1.5 MB"},
        {1'549'999, "1.5 MB"},
        {1'550'000, "1.6 MB"},
        {10'000'000, "10 MB"},
        {999'949'999, "999.9 MB"},
        {999'950'000, "1 GB"},
        {2'345'000'000, "2.35 GB"},
        {2'300'000'000, "2.3 GB"},
        {3'000'000'000, "3 GB"},
        {999'995'000'000, "1 TB"},
        {1'234'567'890'123, "1.23 TB"},
        {1'500'000'000'000'000, "1,500 TB"}, // no unit above TB
        {INT64_MAX, "9,223,372.04 TB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(formatByteCount(bytes, english), text) << bytes;
    }
    EXPECT_EQ(formatByteCount(2'345'000'000, german), "2,35 GB");
    EXPECT_EQ(formatByteCount(1'500'000'000'000'000, german), "1.500 TB");
}

TEST(NumberFormat, DefaultsFollowTheGlobalLocale) {
    const std::locale previous = std::locale::global(german);
    EXPECT_EQ(formatCount(12345), "12.345");
    EXPECT_EQ(formatByteCount(1'500'000), "1,5 MB");
    std::locale::global(previous);
    EXPECT_EQ(formatCount(12345), formatCount(12345, std::locale()));
}

} // namespace
} // namespace keldra
