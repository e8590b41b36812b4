#include "core/events/Formatters.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace keldra {
namespace {

TEST(Formatters, DurationRoundsHalfAwayFromZeroAndDropsSecondsAfterAnHour) {
    const std::vector<std::pair<double, std::string>> cases{
        {0, "0s"},         {42, "42s"},       {59.4, "59s"},   {59.5, "1m 0s"}, {303, "5m 3s"},
        {3599, "59m 59s"}, {3599.5, "1h 0m"}, {3600, "1h 0m"}, {3900, "1h 5m"}, {7384, "2h 3m"},
        {90061, "25h 1m"}, {0.49, "0s"},      {60, "1m 0s"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(formatDuration(seconds), text) << seconds;
    }
}

TEST(Formatters, ThroughputPicksUnitAndPrecisionByDecimalMegabytes) {
    const std::vector<std::pair<double, ThroughputText>> cases{
        {250'000'000, {"250", "MB/s"}}, {99'960'000, {"100.0", "MB/s"}},
        {100'000'000, {"100", "MB/s"}}, {1'000'000, {"1.0", "MB/s"}},
        {12'340'000, {"12.3", "MB/s"}}, {999'999, {"1000", "KB/s"}},
        {1'499, {"1", "KB/s"}},         {0, {"0", "KB/s"}},
        {512, {"1", "KB/s"}},
    };
    for (const auto& [speed, text] : cases) {
        EXPECT_EQ(formatThroughput(speed), text) << speed;
    }
}

TEST(Formatters, ThroughputIgnoresTheProcessNumericLocale) {
    // A process that took a comma locale from its environment must still show "1.5".
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no German locale installed";
    }
    EXPECT_EQ(formatThroughput(1'500'000).number, "1.5");
    std::setlocale(LC_NUMERIC, "C");
}

TEST(Formatters, RelativeAgeCountsWholeUnitsAndTreatsTheFutureAsNow) {
    const SystemTime now = fromUnixSeconds(1'700'000'000);
    const std::vector<std::pair<double, std::string>> cases{
        {0, "just now"},         {59, "just now"},     {59.9, "just now"},     {60, "1 min ago"},
        {3599, "59 min ago"},    {3600, "1 hour ago"}, {7199, "1 hour ago"},   {7200, "2 hours ago"},
        {86399, "23 hours ago"}, {86400, "1 day ago"}, {172800, "2 days ago"}, {-500, "just now"},
    };
    for (const auto& [age, text] : cases) {
        EXPECT_EQ(
            formatRelativeAge(now - std::chrono::duration_cast<SystemTime::duration>(Seconds(age)), now),
            text)
            << age;
    }
}

class LogTimestamp : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz != nullptr ? std::optional<std::string>(tz) : std::nullopt;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (savedTz_) {
            ::setenv("TZ", savedTz_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> savedTz_;
};

TEST_F(LogTimestamp, NamesTodayAndYesterdayElseTheWeekdayAndDate) {
    // 2023-11-14 22:13:20 UTC, a Tuesday; the C locale writes 24-hour times and the month before the day.
    const SystemTime now = fromUnixSeconds(1'700'000'000);
    const auto at = [](double unix) {
        return fromUnixSeconds(unix);
    };
    EXPECT_EQ(formatLogTimestamp(at(1'700'000'000 - 22 * 3600 - 13 * 60), now), "Today 00:00");
    EXPECT_EQ(formatLogTimestamp(at(1'700'000'000 - 3600), now), "Today 21:13");
    EXPECT_EQ(formatLogTimestamp(at(1'700'000'000 - (22 * 3600 + 13 * 60 + 20) - 1), now), "Yesterday 23:59");
    EXPECT_EQ(formatLogTimestamp(at(1'700'000'000 - 2 * 86400 + 60), now), "Sun, Nov 12, 22:14");
    // Across a month and a year boundary: 2024-01-01 09:05 gives "yesterday" for 2023-12-31.
    const SystemTime newYear = fromUnixSeconds(1'704'099'900);
    EXPECT_EQ(formatLogTimestamp(fromUnixSeconds(1'704'099'900 - 86'400), newYear), "Yesterday 09:05");
    EXPECT_EQ(formatLogTimestamp(fromUnixSeconds(1'704'099'900 - 2 * 86'400), newYear), "Sat, Dec 30, 09:05");
}

} // namespace
} // namespace keldra
