#include "restore/tree/NaturalOrder.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace keldra {
namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

// The order of keys, then of the texts, as the search index sorts.
int keyedCompare(const std::string& a, const std::string& b) {
    const std::string keyA = naturalSortKey(a);
    const std::string keyB = naturalSortKey(b);
    if (keyA != keyB) {
        return keyA < keyB ? -1 : 1;
    }
    return sign(a.compare(b));
}

TEST(NaturalSortKey, OrdersLikeTheNaturalComparisonOnChosenPairs) {
    const std::vector<std::string> texts{"",
                                         "a",
                                         "A",
                                         "a2",
                                         "a10",
                                         "a02",
                                         "a002",
                                         "a0",
                                         "a00",
                                         "a/b",
                                         "a b",
                                         "a.b",
                                         "a-b",
                                         "file9",
                                         "File10",
                                         "file 9",
                                         "x1y2",
                                         "x1y10",
                                         "x01y2",
                                         "Ärger",
                                         "ärger",
                                         "Zebra",
                                         "Ω",
                                         "ω",
                                         "é",
                                         "e\xcc\x81",
                                         "\xff",
                                         "\xfe",
                                         "a\xff",
                                         "a\xc3",
                                         "0",
                                         "00",
                                         "9",
                                         "10",
                                         "99999999999999999999",
                                         "100000000000000000000",
                                         "~/Documents/a",
                                         "~/documents/B",
                                         "/Volumes/x",
                                         "~/a/b",
                                         "~/a b/c",
                                         "~/a0/q"};
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            EXPECT_EQ(keyedCompare(a, b), sign(naturalCompare(a, b))) << '"' << a << "\" vs \"" << b << '"';
        }
    }
}

TEST(NaturalSortKey, OrdersLikeTheNaturalComparisonOnRandomTexts) {
    const std::vector<std::string> pieces{"a", "B", "b", "0", "1", "9",    "00",
                                          "/", " ", ".", "é", "É", "\xff", "z"};
    std::mt19937 random(7);
    std::vector<std::string> texts;
    for (int i = 0; i < 400; ++i) {
        std::string text;
        const int length = static_cast<int>(random() % 7);
        for (int j = 0; j < length; ++j) {
            text += pieces[random() % pieces.size()];
        }
        texts.push_back(text);
    }
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            ASSERT_EQ(keyedCompare(a, b), sign(naturalCompare(a, b))) << '"' << a << "\" vs \"" << b << '"';
        }
    }
}

} // namespace
} // namespace keldra
