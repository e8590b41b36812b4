#include "core/settings/BackupSchedule.h"
#include "tests/support/MemoryKeyValueStore.h"

#include <cstdlib>
#include <ctime>
#include <date/date.h>
#include <gtest/gtest.h>
#include <limits>
#include <set>

namespace keldra {
namespace {

using namespace std::chrono_literals;
using test::MemoryKeyValueStore;

// A UTC instant, written out so expectations do not lean on the code's own local-time handling.
SystemTime utc(int year, unsigned month, unsigned day, int hour, int minute) {
    return SystemTime(date::sys_days(date::year(year) / date::month(month) / date::day(day)) +
                      std::chrono::hours(hour) + std::chrono::minutes(minute));
}

// Berlin has both clock changes: 2026-03-29 02:00 -> 03:00 and 2026-10-25 03:00 -> 02:00.
class ScheduleInBerlin : public ::testing::Test {
protected:
    void SetUp() override {
        const char* previous = std::getenv("TZ");
        hadTZ_ = previous != nullptr;
        savedTZ_ = hadTZ_ ? previous : "";
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
        store.setValue(scheduleSpreadKey, 7);
    }
    void TearDown() override {
        if (hadTZ_) {
            ::setenv("TZ", savedTZ_.c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    static BackupSchedule schedule(ScheduleKind kind, std::int64_t hour = 12, std::int64_t minute = 30,
                                   std::int64_t weekday = 2, std::int64_t everyHours = 4) {
        return BackupSchedule{kind, hour, minute, weekday, everyHours};
    }

    MemoryKeyValueStore store;

private:
    bool hadTZ_ = false;
    std::string savedTZ_;
};

TEST_F(ScheduleInBerlin, IntervalKindsAndManual) {
    const auto last = utc(2026, 3, 10, 9, 0); // 10:00 in Berlin
    const auto now = utc(2026, 3, 12, 0, 0);
    struct Case {
        const char* name;
        BackupSchedule schedule;
        std::optional<SystemTime> last;
        std::optional<SystemTime> expected;
    };
    const std::vector<Case> cases = {
        {"hourly after a run", schedule(ScheduleKind::hourly), last, utc(2026, 3, 10, 10, 0)},
        {"hourly first run", schedule(ScheduleKind::hourly), std::nullopt, now},
        {"every 0 hours counts as 1", schedule(ScheduleKind::custom, 12, 30, 2, 0), last, last + 1h},
        {"every -3 hours counts as 1", schedule(ScheduleKind::custom, 12, 30, 2, -3), last, last + 1h},
        {"every hour", schedule(ScheduleKind::custom, 12, 30, 2, 1), last, last + 1h},
        {"every 6 hours", schedule(ScheduleKind::custom, 12, 30, 2, 6), last, last + 6h},
        {"custom first run", schedule(ScheduleKind::custom), std::nullopt, now},
        {"huge interval saturates",
         schedule(ScheduleKind::custom, 0, 0, 1, std::numeric_limits<std::int64_t>::max()), last,
         SystemTime::max()},
        {"manual", schedule(ScheduleKind::manual), last, std::nullopt},
        {"manual first run", schedule(ScheduleKind::manual), std::nullopt, std::nullopt},
    };
    MemoryKeyValueStore fresh;
    for (const auto& c : cases) {
        EXPECT_EQ(c.schedule.nextRun(c.last, now, fresh), c.expected) << c.name;
    }
    // No spread applies to these kinds, so none is drawn.
    EXPECT_EQ(fresh.value(scheduleSpreadKey), std::nullopt);
}

TEST_F(ScheduleInBerlin, DailyAndWeeklyCalendarSearch) {
    struct Case {
        const char* name;
        BackupSchedule schedule;
        SystemTime last;
        SystemTime expected;
    };
    const std::vector<Case> cases = {
        // Last run yesterday 12:31 local: today 12:30 plus the 7-minute spread.
        {"daily", schedule(ScheduleKind::daily), utc(2026, 3, 9, 11, 31), utc(2026, 3, 10, 11, 37)},
        // Last run on Wednesday 09:10: the following Monday 09:00 plus the spread.
        {"weekly", schedule(ScheduleKind::weekly, 9, 0, 2), utc(2026, 3, 11, 8, 10), utc(2026, 3, 16, 8, 7)},
        {"weekly same weekday later", schedule(ScheduleKind::weekly, 9, 0, 4), utc(2026, 3, 11, 7, 0),
         utc(2026, 3, 11, 8, 7)},
        // 02:30 does not exist on 2026-03-29: the first moment after the gap is 03:00 CEST (01:00 UTC).
        {"skipped local time", schedule(ScheduleKind::daily, 2, 30), utc(2026, 3, 28, 2, 0),
         utc(2026, 3, 29, 1, 7)},
        {"skipped local time, weekly", schedule(ScheduleKind::weekly, 2, 30, 1), utc(2026, 3, 22, 1, 37),
         utc(2026, 3, 29, 1, 7)},
        // 02:30 happens twice on 2026-10-25: the first time (CEST, 00:30 UTC) counts ...
        {"repeated local time", schedule(ScheduleKind::daily, 2, 30), utc(2026, 10, 24, 1, 0),
         utc(2026, 10, 25, 0, 37)},
        // ... and after running then, the repeat an hour later does not count again.
        {"repeated local time, after the first", schedule(ScheduleKind::daily, 2, 30),
         utc(2026, 10, 25, 0, 37), utc(2026, 10, 26, 1, 37)},
        // Stored values out of range are held to the nearest valid one.
        {"hour and minute above range", schedule(ScheduleKind::daily, 25, 99), utc(2026, 3, 9, 23, 0),
         utc(2026, 3, 10, 23, 6)},
        {"hour and minute below range", schedule(ScheduleKind::daily, -4, -1), utc(2026, 3, 9, 23, 0),
         utc(2026, 3, 10, 23, 7)},
        {"weekday 0 is Sunday", schedule(ScheduleKind::weekly, 9, 0, 0), utc(2026, 3, 10, 8, 0),
         utc(2026, 3, 15, 8, 7)},
        {"weekday 9 is Saturday", schedule(ScheduleKind::weekly, 9, 0, 9), utc(2026, 3, 10, 8, 0),
         utc(2026, 3, 14, 8, 7)},
    };
    const auto now = utc(2027, 1, 1, 0, 0);
    for (const auto& c : cases) {
        EXPECT_EQ(c.schedule.nextRun(c.last, now, store), c.expected) << c.name;
    }
}

TEST_F(ScheduleInBerlin, OverdueAndFirstRuns) {
    const auto daily = schedule(ScheduleKind::daily);
    // A run long overdue stays in the past, so it is due at once.
    EXPECT_EQ(daily.nextRun(utc(2026, 1, 1, 11, 31), utc(2026, 3, 10, 15, 0), store),
              utc(2026, 1, 2, 11, 37));

    // Without a last run the time is never later than now.
    for (auto now : {utc(2026, 3, 10, 9, 0), utc(2026, 3, 10, 11, 35), utc(2026, 3, 10, 11, 45)}) {
        for (auto kind : {ScheduleKind::daily, ScheduleKind::weekly}) {
            auto next = schedule(kind).nextRun(std::nullopt, now, store);
            ASSERT_TRUE(next);
            EXPECT_LE(*next, now);
        }
    }
    // A last run at the end of representable time finds no later date: now plus the spread, no overflow.
    const auto now = utc(2026, 3, 10, 15, 0);
    EXPECT_EQ(daily.nextRun(SystemTime::max() - 1h, now, store), now + 7min);

    // 09:00 local is before today's 12:30: yesterday's time plus the spread.
    EXPECT_EQ(daily.nextRun(std::nullopt, utc(2026, 3, 10, 8, 0), store), utc(2026, 3, 9, 11, 37));
}

TEST(ScheduleSpread, DrawnOnceStoredAndSharedByEverySchedule) {
    MemoryKeyValueStore store;
    const double first = BackupSchedule::spreadSeconds(store);
    auto stored = store.value(scheduleSpreadKey);
    ASSERT_TRUE(stored);
    ASSERT_TRUE(stored->is_number_integer());
    EXPECT_GE(stored->get<int>(), 0);
    EXPECT_LE(stored->get<int>(), 29);
    EXPECT_EQ(first, stored->get<int>() * 60.0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(BackupSchedule::spreadSeconds(store), first);
    }

    // Every value of the range turns up, and nothing outside it.
    std::set<int> seen;
    for (int i = 0; i < 600; ++i) {
        MemoryKeyValueStore fresh;
        double seconds = BackupSchedule::spreadSeconds(fresh);
        ASSERT_GE(seconds, 0);
        ASSERT_LE(seconds, 29 * 60);
        seen.insert(static_cast<int>(seconds / 60));
    }
    EXPECT_EQ(seen.size(), 30u);
}

TEST(ScheduleSpread, StoredValuesThatAreNotAMinuteOfTheRange) {
    const std::vector<std::pair<nlohmann::json, double>> cases = {
        {"twelve", 0}, {nlohmann::json::array(), 0},
        {true, 0},     {12, 720},
        {7.9, 420},    {500, 29 * 60},
        {-3, 0},       {1e300, 29 * 60},
    };
    for (const auto& [value, expected] : cases) {
        MemoryKeyValueStore store;
        store.setValue(scheduleSpreadKey, value);
        EXPECT_EQ(BackupSchedule::spreadSeconds(store), expected) << value.dump();
        // A stored value is never redrawn.
        EXPECT_EQ(store.value(scheduleSpreadKey), value);
    }
}

TEST(ScheduleSummary, Texts) {
    const std::vector<std::pair<BackupSchedule, std::string>> cases = {
        {{ScheduleKind::hourly, 12, 30, 2, 4}, "Every hour"},
        {{ScheduleKind::daily, 9, 5, 2, 4}, "Every day around 09:05"},
        {{ScheduleKind::weekly, 0, 0, 2, 4}, "Every Monday around 00:00"},
        {{ScheduleKind::weekly, 23, 59, 1, 4}, "Every Sunday around 23:59"},
        {{ScheduleKind::weekly, 7, 0, 7, 4}, "Every Saturday around 07:00"},
        {{ScheduleKind::weekly, 7, 0, 0, 4}, "Every Sunday around 07:00"},
        {{ScheduleKind::weekly, 7, 0, 12, 4}, "Every Saturday around 07:00"},
        {{ScheduleKind::custom, 12, 30, 2, 6}, "Every 6 hours"},
        {{ScheduleKind::custom, 12, 30, 2, 0}, "Every 0 hours"},
        {{ScheduleKind::manual, 12, 30, 2, 4}, "Only when you click Back up now"},
    };
    for (const auto& [schedule, text] : cases) {
        EXPECT_EQ(schedule.summary(), text);
    }
}

} // namespace
} // namespace keldra
