// The texts a run shows: its summary, shortened paths, read failures, and the saturating sums behind them.

#include "core/SaturatingMath.h"
#include "core/events/ByteCount.h"
#include "core/fs/RegularFile.h"
#include "core/text/ShownPath.h"
#include "engine/BackupEngine.h"
#include "engine/FileBackup.h"
#include "engine/RunEnding.h"
#include "engine/SentCounter.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <limits>

namespace keldra {
namespace {

RunRecord recordWith(std::int64_t uploaded, std::int64_t bytes, std::int64_t failed, std::int64_t removed) {
    RunRecord record;
    record.uploaded = uploaded;
    record.uploadedBytes = bytes;
    record.failed = failed;
    record.removed = removed;
    return record;
}

TEST(RunSummary, JoinsThePartsThatApply) {
    struct Case {
        RunRecord record;
        std::string expected;
    };
    const std::string twoMB = formatByteCount(2'000'000);
    const std::vector<Case> cases = {
        {recordWith(0, 0, 0, 0), "Nothing new to upload"},
        {recordWith(3, 2'000'000, 2, 4),
         "3 uploaded (" + twoMB + ") \u00b7 2 couldn't be backed up \u00b7 4 old copies removed"},
        {recordWith(0, 0, 1, 0), "Nothing new to upload \u00b7 1 couldn't be backed up"},
        {recordWith(0, 0, 0, 7), "Nothing new to upload \u00b7 7 old copies removed"},
        {recordWith(1, 2'000'000, 0, 0), "1 uploaded (" + twoMB + ")"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BackupEngine::summaryText(c.record), c.expected);
    }
}

TEST(RunSummary, CompletionStatusFollowsFailures) {
    const RunEnding clean = RunEnding::completed(recordWith(1, 10, 0, 0));
    EXPECT_EQ(clean.status, RunStatus::succeeded);
    EXPECT_EQ(clean.outcome, RunOutcome::completed());
    EXPECT_EQ(clean.tone, LogLine::Tone::ok);

    const RunEnding partial = RunEnding::completed(recordWith(3, 10, 2, 4));
    EXPECT_EQ(partial.status, RunStatus::partial);
    EXPECT_EQ(partial.outcome, RunOutcome::completedWithFailures(2));
    EXPECT_EQ(partial.tone, LogLine::Tone::warning);
}

TEST(ShownPath, ControlsAndDirectionMarksAreShownNotObeyed) {
    const struct {
        std::string path;
        std::string shown;
    } cases[] = {
        {"~/a\n[Keldra] 12:00 All files backed up", "~/a\\x0A[Keldra] 12:00 All files backed up"},
        {"~/\x1b[31mred\x1b[0m", "~/\\x1B[31mred\\x1B[0m"},
        {"~/tab\there\x7f", "~/tab\\x09here\\x7F"},
        {"~/c1\u0085end", "~/c1\\u{0085}end"},
        {"~/invoice\u202Etxt.exe", "~/invoice\\u{202E}txt.exe"},
        {"~/\u2066iso\u2069 \u200Fmark \u061C", "~/\\u{2066}iso\\u{2069} \\u{200F}mark \\u{061C}"},
        {"~/caf\u00e9 \u65e5\u672c \U0001F600 ok", "~/caf\u00e9 \u65e5\u672c \U0001F600 ok"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shownPath(c.path), c.shown);
    }
    // Shortening counts the name's own characters; the escape of a kept control is shown whole.
    const std::string longName = "~/" + std::string(100, 'a') + "\n" + std::string(10, 'b');
    EXPECT_EQ(shownPath(longName), "\u2026" + std::string(67, 'a') + "\\x0A" + std::string(10, 'b'));
}

TEST(ShownPath, KeepsEightyCharactersAndShortensLongerOnes) {
    const std::string eighty(80, 'a');
    EXPECT_EQ(shownPath(eighty), eighty);
    const std::string eightyOne = "b" + std::string(80, 'a');
    EXPECT_EQ(shownPath(eightyOne), "\u2026" + std::string(78, 'a'));
    // Counted in characters, and never cut inside one.
    std::string accented;
    for (int i = 0; i < 81; ++i) {
        accented += "\u00e9";
    }
    const std::string shown = shownPath(accented);
    EXPECT_EQ(shown.size(), std::string("\u2026").size() + 78 * 2);
    EXPECT_EQ(shown.substr(3, 2), "\u00e9");
}

TEST(ReadFailureText, NamesPermissionDeletionOrTheSystemsReason) {
    EXPECT_EQ(readFailureText(EACCES),
              "Permission denied. Allow Orlivane Keldra in the folder's permissions.");
    EXPECT_EQ(readFailureText(EPERM), readFailureText(EACCES));
    EXPECT_EQ(readFailureText(ENOENT), "Deleted before it could be backed up.");
    EXPECT_EQ(readFailureText(EIO), "Couldn't read the file (Input/output error).");
}

TEST(SaturatingSums, StopAtTheLimitsInsteadOfWrapping) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(saturatingAdd(max, 16), max);
    EXPECT_EQ(saturatingAdd(min, -1), min);
    EXPECT_EQ(saturatingAdd(std::int64_t{40}, 2), 42);
    EXPECT_EQ(saturatingMul(max / 2, 3), max);
    EXPECT_EQ(saturatingSub(min, 1), min);
    EXPECT_EQ(saturatingSub(std::int64_t{5}, max), 5 - max);
}

TEST(SentCounter, AddsOnlyGrowthAndStartsAgainAfterReset) {
    ThroughputMeter meter;
    SentCounter counter(meter);
    counter.record(100);
    counter.record(250);
    counter.record(200); // backwards: nothing
    EXPECT_EQ(meter.takePending(), 250);
    counter.reset(); // a retried PUT counts from zero again
    counter.record(50);
    EXPECT_EQ(meter.takePending(), 50);
}

} // namespace
} // namespace keldra
