#include "screens/run/RunPanelText.h"

#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "gallery/fake/FakeAppModel.h"

#include <QLocale>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;

const SystemTime now = std::chrono::system_clock::now();
const SystemTime lastSuccess = now - 3h;
const SystemTime nextRun = now + 26h;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QString stamp(SystemTime date) {
    return q(formatLogTimestamp(date, now));
}

QString bytes(std::int64_t count) {
    return q(formatByteCount(count));
}

KeldraStatus storage(std::int64_t used, std::int64_t quota) {
    KeldraStatus status;
    status.usedBytes = FlexInt(used);
    status.quotaBytes = FlexInt(quota);
    return status;
}

// An account that backed up, with a next run, no storage status, the key in memory.
void base(FakeAppModel& model) {
    model.setLastSuccess(lastSuccess);
    model.setNextRunDate(nextRun);
    model.setIndexFigures(12'345, 3'500'000'000);
}

struct Row {
    QString label;
    QString value;
    std::optional<StatusTone> tone;
    friend bool operator==(const Row&, const Row&) = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.label.toStdString() << " = " << row.value.toStdString() << " tone "
         << (row.tone ? static_cast<int>(*row.tone) : -1);
}

std::vector<Row> rowsOf(const FakeAppModel& model) {
    std::vector<Row> rows;
    for (const auto& row : runPanelRows(model, now)) {
        EXPECT_FALSE(row.copyable) << row.label.toStdString();
        rows.push_back({row.label, row.value, row.tone});
    }
    return rows;
}

const Row encryption{"Encryption", "AES-256-GCM · on device", StatusTone::secure};
const Row memoryKey{"Key", "Memory · while unlocked", std::nullopt};
const Row versions{"Versions", "30 days", std::nullopt};

class RunPanelText : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

TEST_F(RunPanelText, RowsFollowTheModel) {
    const Row last{"Last backup", stamp(lastSuccess), std::nullopt};
    const Row next{"Next run", stamp(nextRun), std::nullopt};
    const Row files{"Files", "12,345", std::nullopt};
    const Row protectedRow{"Protected", bytes(3'500'000'000), std::nullopt};
    const struct {
        const char* name;
        std::function<void(FakeAppModel&)> setUp;
        std::vector<Row> rows;
    } cases[] = {
        {"backed up, key in memory",
         [](FakeAppModel&) {},
         {last, next, files, protectedRow, encryption, memoryKey, versions}},
        {"never backed up, no index",
         [](FakeAppModel& model) {
             model.setLastSuccess(std::nullopt);
             model.setIndexFigures(0, 0);
         },
         {{"Last backup", "Never", StatusTone::warning},
          next,
          {"Files", "0", std::nullopt},
          {"Protected", bytes(0), std::nullopt},
          encryption,
          memoryKey,
          versions}},
        {"paused without a next run",
         [](FakeAppModel& model) {
             model.setPaused(true);
             model.setNextRunDate(std::nullopt);
         },
         {last, {"Next run", "Paused", std::nullopt}, files, protectedRow, encryption, memoryKey, versions}},
        {"paused with a next run still shows the date",
         [](FakeAppModel& model) { model.setPaused(true); },
         {last, next, files, protectedRow, encryption, memoryKey, versions}},
        {"no next run, not paused",
         [](FakeAppModel& model) { model.setNextRunDate(std::nullopt); },
         {last, {"Next run", "Manual", std::nullopt}, files, protectedRow, encryption, memoryKey, versions}},
        {"running: stage and progress",
         [](FakeAppModel& model) {
             model.setIsRunning(true);
             RunProgress progress;
             progress.phase = RunPhase::scanning;
             progress.filesDone = 1'200;
             progress.filesTotal = 34'567;
             model.setProgress(progress);
         },
         {last,
          next,
          {"Stage", "Looking for changes", std::nullopt},
          {"Progress", "1,200 / 34,567", std::nullopt},
          files,
          protectedRow,
          encryption,
          memoryKey,
          versions}},
        {"89 % used has no tone",
         [](FakeAppModel& model) { model.setKeldraStatus(storage(89, 100)); },
         {last,
          next,
          files,
          protectedRow,
          {"Keldra used", bytes(89) + " · 89%", std::nullopt},
          encryption,
          memoryKey,
          versions}},
        {"90 % used warns",
         [](FakeAppModel& model) { model.setKeldraStatus(storage(90'000'000'000, 100'000'000'000)); },
         {last,
          next,
          files,
          protectedRow,
          {"Keldra used", bytes(90'000'000'000) + " · 90%", StatusTone::warning},
          encryption,
          memoryKey,
          versions}},
        {"over the quota reads 100 %",
         [](FakeAppModel& model) { model.setKeldraStatus(storage(150, 100)); },
         {last,
          next,
          files,
          protectedRow,
          {"Keldra used", bytes(150) + " · 100%", StatusTone::warning},
          encryption,
          memoryKey,
          versions}},
        {"a quota of 0 has no usage row",
         [](FakeAppModel& model) { model.setKeldraStatus(storage(5, 0)); },
         {last, next, files, protectedRow, encryption, memoryKey, versions}},
        {"unattended key, longer retention, one failed file",
         [](FakeAppModel& model) {
             model.persistUnattended(true);
             BackupSettings settings;
             settings.versionRetentionDays = 1'095;
             model.setSettings(settings);
             RunRecord run;
             run.failed = 1;
             model.setLastRun(run);
         },
         {last,
          next,
          files,
          protectedRow,
          encryption,
          {"Key", "Keyring · unattended", StatusTone::secure},
          {"Versions", "1095 days", std::nullopt},
          {"Failed", "1 files", StatusTone::warning}}},
        {"a last run without failures has no failed row",
         [](FakeAppModel& model) { model.setLastRun(RunRecord{}); },
         {last, next, files, protectedRow, encryption, memoryKey, versions}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppModel model;
        base(model);
        c.setUp(model);
        EXPECT_EQ(rowsOf(model), c.rows);
    }
}

TEST_F(RunPanelText, StageLabels) {
    const std::pair<RunPhase, const char*> cases[] = {
        {RunPhase::preparing, "Preparing"},          {RunPhase::checking, "Checking your Keldra"},
        {RunPhase::scanning, "Looking for changes"}, {RunPhase::uploading, "Uploading"},
        {RunPhase::copying, "Copying to drive"},     {RunPhase::cleaning, "Tidying old versions"},
    };
    for (const auto& [phase, label] : cases) {
        FakeAppModel model;
        model.setIsRunning(true);
        RunProgress progress;
        progress.phase = phase;
        model.setProgress(progress);
        EXPECT_EQ(runPanelRows(model, now)[2].value, QString::fromUtf8(label));
    }
}

TEST_F(RunPanelText, NextRunLine) {
    BackupSettings manual;
    manual.schedule.kind = ScheduleKind::manual;
    const struct {
        const char* name;
        bool paused;
        std::optional<SystemTime> next;
        bool manual;
        QString line;
    } cases[] = {
        {"paused wins over a date", true, nextRun, false, "Paused"},
        {"a date, lower-cased", false, nextRun, false, "Next run " + stamp(nextRun).toLower()},
        {"today lower-cased", false, now, false, "Next run " + stamp(now).toLower()},
        {"manual schedule", false, std::nullopt, true, "Runs when you click Back up now"},
        {"no date on another schedule", false, std::nullopt, false, QStringLiteral("—")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeAppModel model;
        model.setPaused(c.paused);
        model.setNextRunDate(c.next);
        if (c.manual) {
            model.setSettings(manual);
        }
        EXPECT_EQ(nextRunLine(model, now), c.line);
    }
    FakeAppModel today;
    today.setNextRunDate(now);
    EXPECT_TRUE(nextRunLine(today, now).startsWith(QStringLiteral("Next run today ")))
        << nextRunLine(today, now).toStdString();
}

} // namespace
} // namespace keldra
