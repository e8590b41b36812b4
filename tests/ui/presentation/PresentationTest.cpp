#include "app/model/NumberLocale.h"
#include "app/model/StatusTexts.h"
#include "core/events/Formatters.h"
#include "design/health/HealthPresentation.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/presentation/ActionPresentation.h"
#include "screens/presentation/ChipPresentation.h"
#include "screens/presentation/RunPresentation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/SourcePresentation.h"
#include "screens/presentation/StoragePresentation.h"

#include <QDir>
#include <chrono>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using namespace std::chrono_literals;

RunProgress progress(std::int64_t filesDone, std::int64_t filesTotal, std::int64_t bytesDone,
                     std::int64_t bytesTotal) {
    RunProgress value;
    value.filesDone = filesDone;
    value.filesTotal = filesTotal;
    value.bytesDone = bytesDone;
    value.bytesTotal = bytesTotal;
    return value;
}

KeldraStatus storage(std::int64_t used, std::int64_t quota) {
    KeldraStatus status;
    status.usedBytes = FlexInt(used);
    status.quotaBytes = FlexInt(quota);
    return status;
}

TEST(PresentationTest, ActionTitlesAndGlassIcons) {
    struct Case {
        PrimaryAction action;
        const char* title;
        std::optional<std::string> icon;
    };
    const Case cases[] = {
        {PrimaryAction::backUpNow, "Back up now", "icon-upload"},
        {PrimaryAction::pause, "Pause", "icon-pause"},
        {PrimaryAction::resume, "Resume backups", "icon-play"},
        {PrimaryAction::review, "Review changes", std::nullopt},
        {PrimaryAction::unlock, "Unlock", std::nullopt},
        {PrimaryAction::signIn, "Sign in", std::nullopt},
        {PrimaryAction::seePlans, "See plans", std::nullopt},
        {PrimaryAction::contactSupport, "Contact support", std::nullopt},
        {PrimaryAction::retry, "Try again", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(primaryActionTitle(c.action), c.title);
        EXPECT_EQ(primaryActionGlassIcon(c.action), c.icon) << c.title;
        EXPECT_EQ(actionOrHealthTitle(c.action, BackupHealth::atRisk()), c.title);
    }
    EXPECT_EQ(actionOrHealthTitle(std::nullopt, BackupHealth::atRisk()), healthTitle(BackupHealth::atRisk()));
}

TEST(PresentationTest, RunFractionPrefersBytesThenFilesAndNeverPassesOne) {
    struct Case {
        RunProgress progress;
        double fraction;
        int percent;
    };
    const Case cases[] = {
        {progress(3, 12, 0, 0), 0.25, 25},         // no bytes to send: files decide
        {progress(1, 100, 5, 10), 0.5, 50},        // bytes decide whatever the files say
        {progress(0, 0, 0, 0), 0, 0},              // nothing to measure
        {progress(3, 2, 0, 0), 1, 100},            // files overshoot
        {progress(0, 0, 15, 10), 1, 100},          // bytes overshoot
        {progress(0, 0, 999, 1000), 0.999, 99},    // truncated, never rounded up
        {progress(0, 10, 0, 1'000'000'000), 0, 0}, // bytes known, none sent yet
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(runFraction(c.progress), c.fraction) << c.percent;
        EXPECT_EQ(runPercent(c.progress), c.percent);
    }
}

TEST(PresentationTest, ChipTextAndTone) {
    const SystemTime last = std::chrono::system_clock::now() - 2h;
    const std::string dot = " \u00b7 ";
    struct Case {
        const char* name;
        BackupHealth health;
        bool running;
        RunProgress progress;
        std::optional<SystemTime> lastSuccess;
        std::string text;
        StatusTone tone;
    };
    const Case cases[] = {
        {"files decide", BackupHealth::backingUp(), true, progress(3, 12, 0, 0), last,
         "BACKING UP" + dot + "25%", StatusTone::warning},
        {"bytes decide",
         BackupHealth::backingUp(),
         true,
         progress(1, 10, 5, 10),
         {},
         "BACKING UP" + dot + "50%",
         StatusTone::warning},
        {"overshoot",
         BackupHealth::backingUp(),
         true,
         progress(0, 0, 20, 10),
         {},
         "BACKING UP" + dot + "100%",
         StatusTone::warning},
        {"truncated",
         BackupHealth::backingUp(),
         true,
         progress(0, 0, 999, 1000),
         {},
         "BACKING UP" + dot + "99%",
         StatusTone::warning},
        {"protected, time",
         BackupHealth::protectedState(),
         false,
         {},
         last,
         "PROTECTED" + dot + formatClockTime(last),
         StatusTone::secure},
        {"protected alone", BackupHealth::protectedState(), false, {}, {}, "PROTECTED", StatusTone::secure},
        {"idle never shows a time", BackupHealth::atRisk(), false, {}, last, "AT RISK", StatusTone::danger},
        {"offline",
         BackupHealth::blocked(BlockReason::offline()),
         false,
         {},
         last,
         "OFFLINE",
         StatusTone::warning},
        {"no plan",
         BackupHealth::blocked(BlockReason::noPlan()),
         false,
         {},
         {},
         "NO PLAN",
         StatusTone::danger},
        {"paused", BackupHealth::paused(), false, {}, {}, "PAUSED", StatusTone::warning},
        {"locked", BackupHealth::locked(), false, {}, {}, "LOCKED", StatusTone::warning},
        {"full", BackupHealth::storageFull(), false, {}, {}, "FULL", StatusTone::danger},
        {"signed out",
         BackupHealth::blocked(BlockReason::signedOut()),
         false,
         {},
         {},
         "SIGNED OUT",
         StatusTone::danger},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(chipText(c.health, c.running, c.progress, c.lastSuccess), c.text) << c.name;
        EXPECT_EQ(chipTone(c.health), c.tone) << c.name;
    }
}

TEST(PresentationTest, ChipLabelDropsOnlyAFullStop) {
    // Every short status ends in a full stop; the label is the same words without it, whatever the health.
    const BackupHealth healths[] = {BackupHealth::protectedState(),
                                    BackupHealth::backingUp(),
                                    BackupHealth::paused(),
                                    BackupHealth::attention(),
                                    BackupHealth::atRisk(),
                                    BackupHealth::storageFull(),
                                    BackupHealth::locked(),
                                    BackupHealth::blocked(BlockReason::geoBlocked(true)),
                                    BackupHealth::blocked(BlockReason::accountDisabled())};
    for (const auto& health : healths) {
        const std::string words = HealthPresentation{health, {}}.shortStatus();
        ASSERT_EQ(words.back(), '.');
        EXPECT_EQ(chipLabel(health),
                  QString::fromStdString(words.substr(0, words.size() - 1)).toUpper().toStdString());
    }
}

TEST(PresentationTest, StorageFractionTintAndPercent) {
    const OLTheme teal{OLStyle::glass, OLAccent::teal};
    struct Case {
        std::optional<KeldraStatus> status;
        std::optional<double> fraction;
        bool nearlyFull;
        const char* percent;
    };
    const Case cases[] = {
        {storage(89, 100), 0.89, false, "89%"},
        {storage(90, 100), 0.9, true, "90%"},
        {storage(9'500'000'000, 10'000'000'000), 0.95, true, "95%"},
        {storage(120, 100), 1.0, true, "100%"},
        {storage(5, 0), std::nullopt, false, "0%"},
        {std::nullopt, std::nullopt, false, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(storageFraction(c.status), c.fraction);
        EXPECT_EQ(storageNearlyFull(c.status), c.nearlyFull);
        EXPECT_EQ(storageTint(c.status, teal),
                  c.nearlyFull ? OLColor::toneWarning : accentColor(OLAccent::teal));
        if (c.percent) {
            EXPECT_EQ(storagePercent(*c.status), c.percent);
        }
    }
}

TEST(PresentationTest, SourceNamesIconsAndStatusLines) {
    const std::locale previous = installNumberFormat(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::string home = QDir::homePath().toStdString();
    const BackupSource folder{"a", home + "/Documents", false, {}};
    const BackupSource file{"b", "/srv/notes.txt", true, {}};
    const BackupSource onDrive{"c", "/media/sam/Photos/2024", false, {}};
    using Availability = BackupSource::Availability;
    struct Case {
        BackupSource source;
        std::optional<Availability> availability;
        std::int64_t count;
        const char* name;
        const char* icon;
        std::string line;
    };
    const Case cases[] = {
        {folder, std::nullopt, 12'345, "Documents", "icon-folder", "~/Documents · 12,345 files"},
        {folder, Availability::available(), 0, "Documents", "icon-folder", "~/Documents · 0 files"},
        {file, Availability::missing(), 3, "notes.txt", "icon-file", "Not found · backups kept"},
        {file, Availability::noPermission(), 3, "notes.txt", "icon-file", "Access blocked by your system"},
        {onDrive, Availability::driveDisconnected("Photos"), 3, "2024", "icon-drive",
         "Photos not connected · backups kept"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sourceName(c.source), c.name);
        EXPECT_EQ(sourceIconName(c.source), c.icon);
        EXPECT_EQ(sourceStatusLine(c.source, c.availability, c.count), c.line);
    }
    // A path stored with a trailing slash is named by its last folder; the root by itself.
    EXPECT_EQ(sourceName(BackupSource{"d", "/home/ada/Music/", false, {}}), "Music");
    EXPECT_EQ(sourceName(BackupSource{"e", "/", false, {}}), "/");
    std::locale::global(previous);
}

TEST(PresentationTest, DriveSecondLine) {
    const SystemTime now = std::chrono::system_clock::now();
    const SystemTime copied = now - 1min;
    const std::string when = lowerCased(formatLogTimestamp(copied, now));
    ASSERT_NE(when, formatLogTimestamp(copied, now)) << "the time text has capitals to lower";

    DriveState connected;
    connected.connected = true;
    connected.lastSuccess = copied;
    DriveState unplugged = connected;
    unplugged.connected = false;
    DriveState troubled = unplugged;
    troubled.problem = "The drive is full.";

    EXPECT_EQ(driveSecondLine(connected, now), (DriveLine{"Last copy " + when, false}));
    EXPECT_EQ(driveSecondLine(unplugged, now), (DriveLine{"Last copy " + when + " · not connected", false}));
    EXPECT_EQ(driveSecondLine(DriveState{}, now), (DriveLine{"Not copied yet · not connected", false}));
    EXPECT_EQ(driveSecondLine(troubled, now), (DriveLine{"The drive is full.", true}));
}

} // namespace
} // namespace keldra
