#include "design/controls/CodeDigits.h"

#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(CodeDigits, KeepsDecimalDigitsOfAnyScriptAsAsciiUpToSix) {
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"123-456", "123456"},
        {"12 34 56", "123456"},
        {"abc", ""},
        {"1234567", "123456"},
        {"١٢٣٤٥٦", "123456"},       // Arabic-Indic
        {"۷۸۹", "789"},             // Extended Arabic-Indic (Persian)
        {"१२३४५६", "123456"},       // Devanagari
        {"０９８７６５", "098765"}, // fullwidth
        {"1౧2૧3১4", "112131"},      // Telugu, Gujarati, Bengali; the seventh digit is cut
        {"²²²²²²", ""},             // superscripts are no decimal digits
        {"Ⅻ½①", ""},                // Roman numeral, fraction, circled digit
        {"xyzΑЖא一", ""},           // letters of any script
        {"1²2٣3１4", "123314"},
        {"code: 987 654 (expires)", "987654"},
        {"1\xff"
         "2\xc3"
         "3",
         "123"}, // broken UTF-8 is skipped, never read as a digit
    };
    for (const auto& c : cases)
        EXPECT_EQ(keepCodeDigits(c.typed), c.kept) << c.typed;
}

} // namespace
} // namespace keldra
