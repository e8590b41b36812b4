#include "design/controls/CodeDigits.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(CodeDigits, KeepsOnlyAsciiDigitsUpToSix) {
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"123-456", "123456"},
        {"12 34 56", "123456"},
        {"abc", ""},
        {"1234567", "123456"},
        {"²²²²²²", ""},       // superscripts
        {"١٢٣٤٥٦", ""},       // Arabic-Indic digits
        {"１２３４５６", ""}, // fullwidth digits
        {"Ⅻ½", ""},           // other numeric characters
        {"1²2٣3１4", "1234"},
        {"code: 987 654 (expires)", "987654"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keepCodeDigits(c.typed), c.kept) << c.typed;
}

} // namespace
} // namespace keldra
