#include "app/model/StatusTexts.h"
#include "core/events/Formatters.h"
#include "core/events/RegionNames.h"
#include "service/types/PortalLinks.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cctype>
#include <locale>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

KeldraKey keyOf(std::uint8_t fill) {
    SymmetricKey bytes{};
    bytes.fill(fill);
    return KeldraKey(bytes);
}

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// English digit grouping without depending on the locales the machine has installed.
struct EnglishPunctuation final : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

class AppModelStatus : public AppModelFixture {
protected:
    void SetUp() override {
        AppModelFixture::SetUp();
        previousLocale_ = std::locale::global(std::locale(std::locale::classic(), new EnglishPunctuation));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override {
        AppModelFixture::TearDown();
        std::locale::global(previousLocale_);
        QLocale::setDefault(QLocale::c());
    }

    // A ready, unlocked model on an hourly schedule that backed up an hour ago: protected.
    AppModel& protectedModel() {
        AppModel& m = start();
        BackupSettings settings = readySettings();
        settings.schedule.kind = ScheduleKind::hourly;
        AppModelTestAccess::setSettings(m, settings);
        AppModelTestAccess::setSources(m, {BackupSource{"S1", "/home/ada/Documents", false, clock.now()},
                                           BackupSource{"S2", "/media/ada/Travel/Photos", false, clock.now()},
                                           BackupSource{"S3", "/media/ada/Other/Music", false, clock.now()}});
        AppModelTestAccess::setLastSuccess(m, clock.now() - 1h);
        AppModelTestAccess::setKeldraKey(m, keyOf(1));
        AppModelTestAccess::setUnattended(m, true);
        m.setPhase(AppPhase::ready);
        return m;
    }
    void editSettings(AppModel& m, const std::function<void(BackupSettings&)>& edit) {
        BackupSettings settings = m.settings();
        edit(settings);
        AppModelTestAccess::setSettings(m, settings);
    }
    static KeldraStatus status(std::int64_t used, std::int64_t quota) {
        KeldraStatus s;
        s.usedBytes = FlexInt(used);
        s.quotaBytes = FlexInt(quota);
        return s;
    }
    static RunRecord run(RunStatus status, std::int64_t failed, std::optional<std::string> message) {
        RunRecord r;
        r.id = 1;
        r.status = status;
        r.failed = failed;
        r.message = std::move(message);
        return r;
    }

private:
    std::locale previousLocale_;
};

} // namespace

TEST_F(AppModelStatus, HealthActionAndSentenceFollowTheState) {
    using Kind = BackupHealth::Kind;
    const MassChangeReview missing{MassChangeReview::Kind::missingFromKeldra, 0, 1200, 5000};
    const MassChangeReview changes{MassChangeReview::Kind::localChanges, 500, 20, 1000};
    struct Case {
        const char* name;
        std::function<void(AppModel&)> arrange;
        Kind health;
        std::optional<PrimaryAction> action;
        // Empty: not checked here (the protected sentence carries dates, checked below).
        std::string sentence;
    };
    const std::vector<Case> cases{
        {"protected", [](AppModel&) {}, Kind::protected_, PrimaryAction::backUpNow, ""},
        {"running beats a hold, a review and a full Keldra",
         [&](AppModel& m) {
             AppModelTestAccess::setBlock(m, BlockReason::suspended());
             AppModelTestAccess::setReview(m, changes);
             AppModelTestAccess::setStorageFull(m, true);
             AppModelTestAccess::setIsRunning(m, true);
         },
         Kind::backingUp, PrimaryAction::pause, "Preparing. Only new and changed files are uploaded."},
        {"locked while the key is still held", [](AppModel& m) { m.setPhase(AppPhase::unlock); },
         Kind::locked, PrimaryAction::unlock,
         "Enter your passphrase to unlock. Scheduled backups wait until you do."},
        {"no key", [](AppModel& m) { AppModelTestAccess::setKeldraKey(m, std::nullopt); }, Kind::locked,
         PrimaryAction::unlock, "Enter your passphrase to unlock. Scheduled backups wait until you do."},
        {"995 of 1000 used", [](AppModel& m) { AppModelTestAccess::setKeldraStatus(m, status(995, 1000)); },
         Kind::storageFull, PrimaryAction::seePlans,
         "Your Keldra is full (1 KB of 1 KB). New and changed files aren't being backed up."},
        {"994 of 1000 used", [](AppModel& m) { AppModelTestAccess::setKeldraStatus(m, status(994, 1000)); },
         Kind::protected_, PrimaryAction::backUpNow, ""},
        {"full without a known status", [](AppModel& m) { AppModelTestAccess::setStorageFull(m, true); },
         Kind::storageFull, PrimaryAction::seePlans,
         "Your Keldra is full. New and changed files aren't being backed up."},
        {"quota 0 never fills", [](AppModel& m) { AppModelTestAccess::setKeldraStatus(m, status(5000, 0)); },
         Kind::protected_, PrimaryAction::backUpNow, ""},
        {"files missing from the Keldra", [&](AppModel& m) { AppModelTestAccess::setReview(m, missing); },
         Kind::attention, PrimaryAction::review,
         "1,200 backed-up files aren't in your Keldra any more. Backups are paused until you check."},
        {"mass change", [&](AppModel& m) { AppModelTestAccess::setReview(m, changes); }, Kind::attention,
         PrimaryAction::review,
         "500 files changed and 20 disappeared since the last backup. Backups are paused until you check."},
        {"paused", [](AppModel& m) { AppModelTestAccess::setPausedByUser(m, true); }, Kind::paused,
         PrimaryAction::resume, "Backups are paused. Nothing new is protected until you resume."},
        {"nothing selected", [](AppModel& m) { AppModelTestAccess::setSources(m, {}); }, Kind::atRisk,
         std::nullopt, "Nothing is selected. Choose the folders you want to protect."},
        {"never backed up", [](AppModel& m) { AppModelTestAccess::setLastSuccess(m, std::nullopt); },
         Kind::atRisk, PrimaryAction::backUpNow, "This computer hasn't been backed up yet."},
        {"hourly, 6 hours ago", [&](AppModel& m) { AppModelTestAccess::setLastSuccess(m, clock.now() - 6h); },
         Kind::protected_, PrimaryAction::backUpNow, ""},
        {"hourly, 6 hours and a second ago",
         [&](AppModel& m) { AppModelTestAccess::setLastSuccess(m, clock.now() - 6h - 1s); }, Kind::atRisk,
         PrimaryAction::backUpNow,
         "The last successful backup was 6 hours ago. Back up now to protect recent changes."},
        {"every 0 hours counts as 1: 3 hours and a second",
         [&](AppModel& m) {
             editSettings(m, [](BackupSettings& s) {
                 s.schedule.kind = ScheduleKind::custom;
                 s.schedule.everyHours = 0;
             });
             AppModelTestAccess::setLastSuccess(m, clock.now() - 3h - 1s);
         },
         Kind::atRisk, PrimaryAction::backUpNow,
         "The last successful backup was 3 hours ago. Back up now to protect recent changes."},
        {"offline", [](AppModel& m) { AppModelTestAccess::setBlock(m, BlockReason::offline()); },
         Kind::attention, PrimaryAction::backUpNow,
         "Backups resume automatically when your computer is back online."},
        {"partial last run",
         [&](AppModel& m) { AppModelTestAccess::setLastRun(m, run(RunStatus::partial, 1234, std::nullopt)); },
         Kind::attention, PrimaryAction::backUpNow,
         "1,234 files couldn't be backed up in the last run. Everything else is protected."},
        {"failed last run with its message",
         [&](AppModel& m) {
             AppModelTestAccess::setLastRun(m,
                                            run(RunStatus::failed, 0, "The Keldra service is unavailable."));
         },
         Kind::attention, PrimaryAction::backUpNow, "The Keldra service is unavailable."},
        {"failed last run without one",
         [&](AppModel& m) { AppModelTestAccess::setLastRun(m, run(RunStatus::failed, 0, std::nullopt)); },
         Kind::attention, PrimaryAction::backUpNow, "The last backup didn't finish."},
        {"a folder the system refuses",
         [](AppModel& m) {
             AppModelTestAccess::setUnavailableSources(m,
                                                       {{"S1", BackupSource::Availability::noPermission()}});
         },
         Kind::attention, PrimaryAction::backUpNow,
         "Your system is blocking access to a folder. Allow Orlivane Keldra in the folder's permissions."},
        {"a missing folder",
         [](AppModel& m) {
             AppModelTestAccess::setUnavailableSources(m, {{"S1", BackupSource::Availability::missing()}});
         },
         Kind::attention, PrimaryAction::backUpNow,
         "A backed-up folder wasn't found. Its copies in the Keldra are kept."},
        {"an unplugged drive source is not a problem",
         [](AppModel& m) {
             AppModelTestAccess::setUnavailableSources(
                 m, {{"S2", BackupSource::Availability::driveDisconnected("Travel")}});
         },
         Kind::protected_, PrimaryAction::backUpNow, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppModel& m = protectedModel();
        c.arrange(m);
        EXPECT_EQ(m.health().kind(), c.health);
        EXPECT_EQ(m.primaryAction(), c.action);
        if (!c.sentence.empty()) {
            EXPECT_EQ(m.statusSentence(), c.sentence);
        }
        model.reset();
    }
}

TEST_F(AppModelStatus, EachHoldHasItsActionAndItsOwnExplanation) {
    struct Case {
        BlockReason reason;
        PrimaryAction action;
    };
    const std::vector<Case> cases{
        {BlockReason::serverNotReady("versions"), PrimaryAction::retry},
        {BlockReason::accessDenied(""), PrimaryAction::retry},
        {BlockReason::geoBlocked(false), PrimaryAction::retry},
        {BlockReason::geoRisk("RU"), PrimaryAction::retry},
        {BlockReason::signedOut(), PrimaryAction::signIn},
        {BlockReason::suspended(), PrimaryAction::contactSupport},
        {BlockReason::accountDisabled(), PrimaryAction::contactSupport},
        {BlockReason::noPlan(), PrimaryAction::seePlans},
    };
    AppModel& m = protectedModel();
    m.setPhase(AppPhase::unlock); // a hold outranks the lock
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason.message());
        AppModelTestAccess::setBlock(m, c.reason);
        EXPECT_EQ(m.health(), BackupHealth::blocked(c.reason));
        EXPECT_EQ(m.primaryAction(), c.action);
        EXPECT_EQ(m.statusSentence(), c.reason.message());
    }
}

TEST_F(AppModelStatus, RunningSentencesAndTheProgressLineFollowThePhase) {
    AppModel& m = protectedModel();
    AppModelTestAccess::setIsRunning(m, true);
    struct Case {
        RunProgress progress;
        const char* sentence;
        const char* line;
    };
    const auto progress = [](RunPhase phase, std::int64_t done, std::int64_t total,
                             std::optional<std::string> destination) {
        RunProgress p;
        p.phase = phase;
        p.filesDone = done;
        p.filesTotal = total;
        p.destination = std::move(destination);
        return p;
    };
    AppModelTestAccess::setCurrentSpeed(m, 2'500'000);
    const std::vector<Case> cases{
        {progress(RunPhase::copying, 0, 0, "Travel"), "Checking Travel for changes.", "Copying to drive"},
        {progress(RunPhase::copying, 3, 1234, "Travel"),
         "Copying 3 of 1,234 changed files to Travel, encrypted.", "3/1,234 \u00b7 2.5 MB/s \u2192 Travel"},
        {progress(RunPhase::scanning, 0, 0, "Travel"), "Looking for changes on Travel.",
         "Looking for changes"},
        {progress(RunPhase::uploading, 5, 10, std::nullopt),
         "Uploading 5 of 10 changed files. Each one is encrypted here first.", "5/10 \u00b7 2.5 MB/s"},
        {progress(RunPhase::uploading, 0, 0, std::nullopt),
         "Uploading. Only new and changed files are uploaded.", "Uploading"},
        {progress(RunPhase::checking, 0, 0, std::nullopt),
         "Checking your Keldra. Only new and changed files are uploaded.", "Checking your Keldra"},
        {progress(RunPhase::cleaning, 0, 0, std::nullopt),
         "Tidying old versions. Only new and changed files are uploaded.", "Tidying old versions"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        AppModelTestAccess::setProgress(m, c.progress);
        EXPECT_EQ(m.statusSentence(), c.sentence);
        EXPECT_EQ(m.progressLine(), c.line);
    }
}

TEST_F(AppModelStatus, IdleLinesNameTheLastAndTheNextRun) {
    AppModel& m = protectedModel();
    const SystemTime last = clock.now() - 1h;
    const SystemTime next = last + 1h;
    ASSERT_EQ(m.nextRunDate(), next);
    EXPECT_EQ(m.statusSentence(),
              "Last backup " + lower(formatLogTimestamp(last, clock.now())) +
                  ". Files are encrypted on this computer before they leave it. Next run " +
                  lower(formatLogTimestamp(next, clock.now())) + ".");
    EXPECT_EQ(m.progressLine(),
              "Last " + formatClockTime(last) + " \u00b7 0 files \u00b7 next " + formatClockTime(next));
    EXPECT_NE(formatClockTime(last).find("M"), std::string::npos)
        << "English short time: " << formatClockTime(last);

    AppModelTestAccess::setPausedByUser(m, true);
    EXPECT_EQ(m.progressLine(), "Last " + formatClockTime(last) + " \u00b7 0 files");
    AppModelTestAccess::setPausedByUser(m, false);
    AppModelTestAccess::setLastSuccess(m, std::nullopt);
    AppModelTestAccess::setSources(m, {});
    EXPECT_EQ(m.progressLine(), "0 files \u00b7 next " + formatClockTime(clock.now()));
}

TEST_F(AppModelStatus, ANextRunOnAnotherDayIsShownWithItsDay) {
    AppModel& m = protectedModel();
    BackupSettings settings = m.settings();
    settings.schedule.kind = ScheduleKind::custom;
    settings.schedule.everyHours = 48;
    AppModelTestAccess::setSettings(m, settings);
    const SystemTime last = clock.now() - 1h;
    const SystemTime next = last + 48h;
    ASSERT_EQ(m.nextRunDate(), next);
    EXPECT_EQ(m.progressLine(), "Last " + formatClockTime(last) + " \u00b7 0 files \u00b7 next " +
                                    formatLogTimestamp(next, clock.now()));
    EXPECT_EQ(formatLogTimestamp(next, clock.now()).find("Today"), std::string::npos);
}

static SystemTime localMoment(int day, int hour, int minute, int second) {
    const QDateTime moment(QDate(2026, 12, day), QTime(hour, minute, second));
    return SystemTime(std::chrono::milliseconds(moment.toMSecsSinceEpoch()));
}

TEST(StatusTexts, ClockTimesHaveNoSecondsInAnyLocale) {
    const SystemTime moment = localMoment(11, 14, 5, 7);
    const struct {
        QLocale locale;
        const char* starts;
    } cases[] = {{QLocale::c(), "14:05"},
                 {QLocale(QLocale::English, QLocale::UnitedStates), "2:05"},
                 {QLocale(QLocale::German, QLocale::Germany), "14:05"}};
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        const std::string text = formatClockTime(moment);
        SCOPED_TRACE(c.locale.name().toStdString() + " " + text);
        EXPECT_EQ(text.rfind(c.starts, 0), 0u);
        EXPECT_EQ(text.find("07"), std::string::npos);
        EXPECT_FALSE(
            QString::fromStdString(text).contains(QRegularExpression(QStringLiteral("\\d:\\d\\d:"))));
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(formatClockTime(moment), "14:05");
}

TEST(StatusTexts, AnUpcomingTimeNamesItsDayUnlessItIsToday) {
    QLocale::setDefault(QLocale::c());
    const SystemTime now = localMoment(11, 9, 0, 0);
    const struct {
        SystemTime date;
        bool today;
    } cases[] = {{localMoment(11, 9, 30, 0), true},
                 {localMoment(11, 23, 59, 0), true},
                 {localMoment(12, 0, 1, 0), false},
                 {localMoment(14, 12, 58, 0), false}};
    for (const auto& c : cases) {
        const std::string text = formatUpcomingTime(c.date, now);
        SCOPED_TRACE(text);
        EXPECT_EQ(text, c.today ? formatClockTime(c.date) : formatLogTimestamp(c.date, now));
        EXPECT_EQ(text == formatClockTime(c.date), c.today) << "a bare clock time only for today";
    }
}

TEST_F(AppModelStatus, TheFileCountOfTheIndexIsReadOffTheWindowThreadAndKept) {
    AppModel& m = protectedModel();
    auto index = std::make_shared<BackupIndex>(temp / "figures", logger);
    index->execute("INSERT INTO files (path, source_id, size, mtime, keldra_file_id) VALUES "
                   "('~/a', 'S1', 1, 1, 'r1'), ('~/b', 'S1', 2, 1, 'r2'), ('~/c', 'S1', 3, 1, NULL)");
    const std::int64_t expected = 2;
    ASSERT_EQ(index->backedUpFileCount(), expected);
    AppModelTestAccess::setIndex(m, index);
    ASSERT_TRUE(runUntil([&] { return m.backedUpFileCount() == expected; }));
    EXPECT_NE(m.progressLine().find(std::to_string(expected) + " files"), std::string::npos);
}

TEST_F(AppModelStatus, BannersComeInTheirOrderAndDismissedOnesMakeWayForTheNext) {
    AppModel& m = protectedModel();
    AppModelTestAccess::setUnattended(m, false);
    const auto bannerId = [&] {
        const auto banner = m.currentBanner();
        return banner ? banner->id : std::string("none");
    };
    // The lowest one first, then each higher one covers it.
    EXPECT_EQ(bannerId(), "unattended");
    LocalDestination drive;
    drive.id = "D1";
    drive.name = "Travel";
    drive.addedAt = clock.now() - 8 * 24h;
    AppModelTestAccess::setDestinations(m, {drive});
    EXPECT_EQ(bannerId(), "drive-overdue-D1");
    AppModelTestAccess::setUnavailableSources(
        m, {{"S3", BackupSource::Availability::driveDisconnected("Other")},
            {"S2", BackupSource::Availability::driveDisconnected("Travel")}});
    EXPECT_EQ(bannerId(), "drive-S2") << "the first in the sources' order";
    AppModelTestAccess::setKeldraStatus(m, status(950, 1000));
    EXPECT_EQ(bannerId(), "nearly-full");
    AppModelTestAccess::setStorageFull(m, true);
    EXPECT_EQ(bannerId(), "full");
    AppModelTestAccess::setBlock(m, BlockReason::offline());
    EXPECT_EQ(bannerId(), "offline");
    AppModelTestAccess::setReview(m, MassChangeReview{MassChangeReview::Kind::localChanges, 5, 6, 700});
    EXPECT_EQ(bannerId(), "review");
    KeldraStatus withSwitch = status(950, 1000);
    withSwitch.deadManSwitch = DeadManSwitchInfo{FlexBool{true}, "destroy", FlexInt(30), FlexInt(8)};
    AppModelTestAccess::setKeldraStatus(m, withSwitch);
    EXPECT_EQ(bannerId(), "dms");
    AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::block({"RU"}));
    EXPECT_EQ(bannerId(), "geo-destroy");

    // Dismissing walks back down, past the banners that cannot be closed only by changing the state.
    m.dismissBanner("geo-destroy");
    EXPECT_EQ(bannerId(), "dms");
    m.dismissBanner("dms");
    EXPECT_EQ(bannerId(), "review");
    m.dismissBanner("review");
    EXPECT_EQ(bannerId(), "review") << "a review banner cannot be closed";
    AppModelTestAccess::setReview(m, std::nullopt);
    AppModelTestAccess::setBlock(m, std::nullopt);
    AppModelTestAccess::setStorageFull(m, false);
    m.dismissBanner("nearly-full");
    m.dismissBanner("drive-S2");
    EXPECT_EQ(bannerId(), "drive-overdue-D1") << "not the next disconnected source";
    m.dismissBanner("drive-overdue-D1");
    EXPECT_EQ(bannerId(), "unattended");
    m.dismissBanner("unattended");
    EXPECT_EQ(bannerId(), "none");
}

TEST_F(AppModelStatus, BannerTextsAndTones) {
    AppModel& m = protectedModel();
    struct Case {
        const char* name;
        std::function<void()> arrange;
        StatusTone tone;
        std::string title;
        std::string message;
        std::optional<std::string> actionTitle;
    };
    const std::set<std::string> eight{"DE", "FR", "RU", "BY", "CN", "IR", "KP", "SY"};
    const auto dms = [&](std::optional<FlexBool> enabled, std::optional<std::string> action,
                         std::optional<FlexInt> days, std::optional<FlexInt> remaining) {
        KeldraStatus s = status(1, 1000);
        s.deadManSwitch = DeadManSwitchInfo{enabled, std::move(action), days, remaining};
        AppModelTestAccess::setKeldraStatus(m, s);
    };
    const std::string geoTail =
        ", including through a VPN server there. Before every Keldra call this app checks "
        "where your connection appears to be, and holds backups rather than connect from "
        "those countries.";
    const std::string dmsTail = ", including these backups. Automatic backups don't count as a visit.";
    const std::vector<Case> cases{
        {"eight countries", [&] { AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::block(eight)); },
         StatusTone::danger, "Country rule set to Destroy",
         "Opening your Keldra from " + regionName("BY") + ", " + regionName("CN") + ", " + regionName("DE") +
             ", " + regionName("FR") + ", " + regionName("IR") + ", " + regionName("KP") +
             " and 2 more wipes it" + geoTail,
         "Review rule on the web"},
        {"allowed only",
         [&] {
             AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::allowOnly({"CH", "AT"}));
         },
         StatusTone::danger, "Country rule set to Destroy",
         "Opening your Keldra from anywhere except " + regionName("AT") + ", " + regionName("CH") +
             " wipes it" + geoTail,
         "Review rule on the web"},
        {"switch, 8 days left", [&] { dms(FlexBool{true}, "DESTROY", FlexInt(30), FlexInt(8)); },
         StatusTone::warning, "Dead man's switch is on",
         "If you don't visit the web Keldra in the next 8 days, it deletes every file" + dmsTail,
         "Open web Keldra"},
        {"switch, 7 days left", [&] { dms(FlexBool{true}, "share", FlexInt(30), FlexInt(7)); },
         StatusTone::danger, "Dead man's switch is on",
         "If you don't visit the web Keldra in the next 7 days, it shares every file with your emergency "
         "contact" +
             dmsTail,
         "Open web Keldra"},
        {"switch, 1 day left", [&] { dms(FlexBool{true}, std::nullopt, std::nullopt, FlexInt(1)); },
         StatusTone::danger, "Dead man's switch is on",
         "If you don't visit the web Keldra in the next 1 day, it shares every file with your emergency "
         "contact" +
             dmsTail,
         "Open web Keldra"},
        {"switch without days", [&] { dms(FlexBool{true}, std::nullopt, std::nullopt, std::nullopt); },
         StatusTone::warning, "Dead man's switch is on",
         "If you don't visit the web Keldra for 0 days, it shares every file with your emergency contact" +
             dmsTail,
         "Open web Keldra"},
        {"missing files",
         [&] {
             AppModelTestAccess::setReview(
                 m, MassChangeReview{MassChangeReview::Kind::missingFromKeldra, 0, 1500, 20000});
         },
         StatusTone::warning, "Backups are missing from your Keldra",
         "1,500 of 20,000 backed-up files aren't in the Keldra listing. If you deleted them on the web, "
         "upload them "
         "again. If not, contact support before continuing.",
         "Upload them again"},
        {"mass change",
         [&] {
             AppModelTestAccess::setReview(
                 m, MassChangeReview{MassChangeReview::Kind::localChanges, 4000, 12, 20000});
         },
         StatusTone::warning, "Backup paused for review",
         "4,000 of 20,000 protected files changed and 12 disappeared at once. That can mean a sync problem "
         "or "
         "ransomware. Check a few files before continuing.",
         "Back up anyway"},
        {"nearly full", [&] { AppModelTestAccess::setKeldraStatus(m, status(994, 1000)); },
         StatusTone::warning, "Keldra is 99% full", "1 KB left. Old versions count towards your storage.",
         "See plans"},
        {"exactly 90 %",
         [&] { AppModelTestAccess::setKeldraStatus(m, status(9'000'000'000, 10'000'000'000)); },
         StatusTone::warning, "Keldra is 90% full", "1 GB left. Old versions count towards your storage.",
         "See plans"},
        {"disconnected drive",
         [&] {
             AppModelTestAccess::setUnavailableSources(
                 m, {{"S2", BackupSource::Availability::driveDisconnected("Travel")}});
         },
         StatusTone::warning, "Travel isn't connected",
         "It was skipped. Its backups stay in the Keldra and nothing is removed while it's unplugged.",
         std::nullopt},
        {"unattended off", [&] { AppModelTestAccess::setUnattended(m, false); }, StatusTone::info,
         "Scheduled backups run while the Keldra is unlocked",
         "After a restart, they wait for your passphrase. Turn on unattended backups in Settings \u203a "
         "Encryption "
         "to keep the key in this computer's keyring.",
         "Open settings"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::off());
        AppModelTestAccess::setKeldraStatus(m, std::nullopt);
        AppModelTestAccess::setReview(m, std::nullopt);
        AppModelTestAccess::setUnavailableSources(m, {});
        AppModelTestAccess::setUnattended(m, true);
        c.arrange();
        const auto banner = m.currentBanner();
        ASSERT_TRUE(banner);
        EXPECT_EQ(banner->tone, c.tone);
        EXPECT_EQ(banner->title, c.title);
        EXPECT_EQ(banner->message, c.message);
        EXPECT_EQ(banner->actionTitle, c.actionTitle);
        EXPECT_EQ(static_cast<bool>(banner->action), c.actionTitle.has_value());
    }
}

TEST_F(AppModelStatus, DrivesAreOverdueAfterTheReminderPeriod) {
    AppModel& m = protectedModel();
    LocalDestination copied;
    copied.id = "A";
    copied.name = "Copied";
    copied.addedAt = clock.now() - 100 * 24h;
    LocalDestination fresh = copied;
    fresh.id = "B";
    fresh.name = "Never copied, added 6 days ago";
    fresh.addedAt = clock.now() - 6 * 24h;
    LocalDestination old = copied;
    old.id = "C";
    old.name = "Never copied, added 8 days ago";
    old.addedAt = clock.now() - 8 * 24h;
    LocalDestination disabled = old;
    disabled.id = "D";
    disabled.enabled = false;
    AppModelTestAccess::setDestinations(m, {copied, fresh, old, disabled});
    DriveState state;
    state.lastSuccess = clock.now() - 7 * 24h - 1s;
    AppModelTestAccess::setDriveStates(m, {{"A", state}});

    const auto ids = [&] {
        std::vector<std::string> result;
        for (const auto& d : m.overdueDrives()) {
            result.push_back(d.id);
        }
        return result;
    };
    EXPECT_EQ(ids(), (std::vector<std::string>{"A", "C"})) << "absent reminder: 7 days";
    const auto banner = m.currentBanner();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->message, "Its last copy was 7 days ago. Connect it and the copy starts on its own.");
    EXPECT_EQ(banner->title, "Copied hasn't been backed up recently");
    m.dismissBanner("drive-overdue-A");
    EXPECT_FALSE(m.currentBanner()) << "only the first overdue drive is considered";

    for (const std::int64_t days : {0, -3}) {
        editSettings(m, [days](BackupSettings& s) { s.driveReminderDays = days; });
        EXPECT_TRUE(ids().empty());
    }
    editSettings(m, [](BackupSettings& s) { s.driveReminderDays = 5; });
    EXPECT_EQ(ids(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(AppModelStatus, ActionsReachTheirPagesAndScreens) {
    AppModel& m = protectedModel();
    m.perform(PrimaryAction::seePlans);
    m.perform(PrimaryAction::contactSupport);
    AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::block({"RU"}));
    m.currentBanner()->action();
    EXPECT_EQ(urlOpener.opened,
              (std::vector<std::string>{portalServicesURL(), supportURL(), portalKeldraURL()}));

    m.perform(PrimaryAction::review);
    EXPECT_EQ(m.section(), AppSection::activity);
    AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::off());
    AppModelTestAccess::setUnattended(m, false);
    m.currentBanner()->action();
    EXPECT_EQ(m.section(), AppSection::settings);

    m.requestSearchFocus();
    m.requestSearchFocus();
    EXPECT_EQ(m.section(), AppSection::restore);
    EXPECT_EQ(m.searchFocusRequest(), 2);

    // Unlock shows the unlock screen only when there is no key and it is not shown already.
    m.perform(PrimaryAction::unlock);
    EXPECT_EQ(m.phase(), AppPhase::ready);
    AppModelTestAccess::setKeldraKey(m, std::nullopt);
    m.perform(PrimaryAction::unlock);
    EXPECT_EQ(m.phase(), AppPhase::unlock);

    AppModelTestAccess::setBlock(m, BlockReason::accessDenied(""));
    m.perform(PrimaryAction::retry);
    EXPECT_FALSE(m.block());

    // A banner's action on a model that is gone does nothing.
    const auto banner = m.currentBanner();
    ASSERT_TRUE(banner && banner->action);
    model.reset();
    banner->action();
}
