#include "core/index/IndexRows.h"
#include "drive/run/DriveErrors.h"
#include "drive/run/LocalBackupEngine.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <locale>

namespace keldra {
namespace {

// English digit grouping built here, so the test does not depend on the machine's locales.
struct EnglishPunctuation : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    char do_decimal_point() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(DriveRunTexts, Summary) {
    struct Case {
        std::int64_t uploaded, bytes, failed, removed;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, 0, "Nothing new to copy"},
        {3, 1500, 1, 2, "3 copied (2 KB) \u00b7 1 couldn't be copied \u00b7 2 old copies removed"},
        {0, 0, 4, 0, "Nothing new to copy \u00b7 4 couldn't be copied"},
        {1234, 2'500'000, 0, 0, "1,234 copied (2.5 MB)"},
    };
    const std::locale saved =
        std::locale::global(std::locale(std::locale::classic(), new EnglishPunctuation));
    for (const Case& c : cases) {
        RunRecord record;
        record.uploaded = c.uploaded;
        record.uploadedBytes = c.bytes;
        record.failed = c.failed;
        record.removed = c.removed;
        EXPECT_EQ(LocalBackupEngine::summaryText(record), c.text);
    }
    std::locale::global(saved);
}

TEST(DriveRunTexts, ShortPathKeepsTheEndOfLongPaths) {
    const std::string eighty(80, 'a');
    EXPECT_EQ(shownPath(eighty), eighty);
    const std::string eightyOne = "b" + eighty;
    EXPECT_EQ(shownPath(eightyOne), "\u2026" + std::string(78, 'a'));
    // Counted in characters: 81 two-byte letters are cut between letters, never inside one.
    std::string accented;
    for (int i = 0; i < 81; ++i) {
        accented += "\u00e9";
    }
    std::string tail;
    for (int i = 0; i < 78; ++i) {
        tail += "\u00e9";
    }
    EXPECT_EQ(shownPath(accented), "\u2026" + tail);
}

TEST(DriveRunTexts, SystemErrorsInTheUsersWords) {
    EXPECT_EQ(driveErrorText(std::error_code(ENOSPC, std::generic_category())),
              "Not enough space on the drive.");
    EXPECT_EQ(driveErrorText(std::error_code(EDQUOT, std::generic_category())),
              "Not enough space on the drive.");
    EXPECT_EQ(driveErrorText(std::error_code(EROFS, std::generic_category())), "The drive is read-only.");
    EXPECT_EQ(driveErrorText(std::error_code(EIO, std::generic_category())), "Input/output error.");
}

} // namespace
} // namespace keldra
