#include "app/model/EngineFactory.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/support/AppModelTestAccess.h"

#include <QObject>

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelState : public AppModelFixture {};

KeldraKey keyOf(std::uint8_t fill) {
    SymmetricKey bytes{};
    bytes.fill(fill);
    return KeldraKey(bytes);
}

} // namespace

TEST_F(AppModelState, EachRealChangeIsAnnouncedOnceAndEqualValuesNever) {
    AppModel& m = start();
    struct Case {
        const char* name;
        void (AppModel::*signal)();
        std::function<void()> setA;
        std::function<void()> setB;
        bool alwaysAnnounced = false;
    };
    RunRecord run;
    run.id = 7;
    const std::vector<Case> cases{
        {"phase", &AppModel::phaseChanged, [&] { m.setPhase(AppPhase::setup); },
         [&] {
             m.setPhase(AppPhase::ready);
         }},
        {"section", &AppModel::sectionChanged, [&] { m.setSection(AppSection::restore); },
         [&] {
             m.setSection(AppSection::activity);
         }},
        {"isWorking", &AppModel::isWorkingChanged, [&] { AppModelTestAccess::setIsWorking(m, true); },
         [&] {
             AppModelTestAccess::setIsWorking(m, false);
         }},
        {"pendingEmail", &AppModel::pendingEmailChanged, [&] { m.setPendingEmail("a@b.c"); },
         [&] {
             m.setPendingEmail("d@e.f");
         }},
        {"session", &AppModel::sessionChanged,
         [&] {
             AppModelTestAccess::setSession(m, StoredSession{"t", std::nullopt, "a@b.c"});
         },
         [&] {
             AppModelTestAccess::setSession(m, StoredSession{"t", fromUnixSeconds(5), "a@b.c"});
         }},
        {"block", &AppModel::blockChanged,
         [&] { AppModelTestAccess::setBlock(m, BlockReason::geoRisk("RU")); },
         [&] {
             AppModelTestAccess::setBlock(m, BlockReason::geoRisk("BY"));
         }},
        {"lastRun", &AppModel::lastRunChanged, [&] { AppModelTestAccess::setLastRun(m, run); },
         [&] {
             AppModelTestAccess::setLastRun(m, std::nullopt);
         }},
        {"geoRule", &AppModel::geoRuleChanged,
         [&] { AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::block({"RU"})); },
         [&] {
             AppModelTestAccess::setGeoRule(m, GeoGuard::Rule::allowOnly({"RU"}));
         }},
        {"driveStates", &AppModel::driveStatesChanged,
         [&] {
             DriveState d;
             d.connected = true;
             AppModelTestAccess::setDriveStates(m, {{"D", d}});
         },
         [&] {
             DriveState d;
             d.connected = true;
             d.files = 1;
             AppModelTestAccess::setDriveStates(m, {{"D", d}});
         }},
        {"verifierState", &AppModel::verifierStateChanged,
         [&] { AppModelTestAccess::setVerifierState(m, VerifierState::unavailable("offline")); },
         [&] {
             AppModelTestAccess::setVerifierState(m, VerifierState::unavailable("timeout"));
         }},
        {"review", &AppModel::reviewChanged,
         [&] {
             AppModelTestAccess::setReview(m,
                                           MassChangeReview{MassChangeReview::Kind::localChanges, 1, 2, 3});
         },
         [&] {
             AppModelTestAccess::setReview(
                 m, MassChangeReview{MassChangeReview::Kind::missingFromKeldra, 1, 2, 3});
         }},
        {"keldraKey", &AppModel::keldraKeyChanged, [&] { AppModelTestAccess::setKeldraKey(m, keyOf(1)); },
         [&] { AppModelTestAccess::setKeldraKey(m, keyOf(2)); }, true},
        {"index", &AppModel::indexChanged, [&] { AppModelTestAccess::setIndex(m, nullptr); },
         [&] { AppModelTestAccess::setIndex(m, nullptr); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int count = 0;
        auto connection = QObject::connect(&m, c.signal, [&] { ++count; });
        c.setA();
        c.setA();
        c.setB();
        QObject::disconnect(connection);
        EXPECT_EQ(count, c.alwaysAnnounced ? 3 : 2);
    }
}

TEST_F(AppModelState, DerivedValuesHearOfManyChangesOnceATurn) {
    AppModel& m = start();
    drainEvents();
    int status = 0;
    QObject::connect(&m, &AppModel::statusChanged, [&] { ++status; });
    AppModelTestAccess::setIsRunning(m, true);
    AppModelTestAccess::setStorageFull(m, true);
    AppModelTestAccess::setPausedByUser(m, true);
    EXPECT_EQ(status, 0);
    drainEvents();
    EXPECT_EQ(status, 1);
    AppModelTestAccess::setIsRunning(m, true); // no change, no notice
    drainEvents();
    EXPECT_EQ(status, 1);
}

TEST_F(AppModelState, AppearancePreferencesReadStrictlyAndPersistEveryTime) {
    struct Case {
        nlohmann::json style, accent, popover;
        OLStyle expectStyle;
        OLAccent expectAccent;
        PopoverStyle expectPopover;
    };
    const std::vector<Case> cases{
        {"signal", "teal", "glass", OLStyle::signal, OLAccent::teal, PopoverStyle::glass},
        {"Signal", "TEAL", "Glass", OLStyle::glass, OLAccent::frost, PopoverStyle::match},
        {nullptr, "ember", 3, OLStyle::glass, OLAccent::frost, PopoverStyle::match},
        {"glass", "snow", "signal", OLStyle::glass, OLAccent::snow, PopoverStyle::signal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style.dump() + c.accent.dump() + c.popover.dump());
        for (auto [key, value] :
             {std::pair{"ol.style", c.style}, {"ol.accent", c.accent}, {"ol.popoverStyle", c.popover}}) {
            value.is_null() ? defaults->remove(key) : defaults->setValue(key, value);
        }
        AppModel& m = start();
        EXPECT_EQ(m.style(), c.expectStyle);
        EXPECT_EQ(m.accent(), c.expectAccent);
        EXPECT_EQ(m.popoverStyle(), c.expectPopover);
        model.reset();
    }

    AppModel& m = start();
    AppModelTestAccess::setStyle(m, OLStyle::signal); // the plain setter writes nothing
    EXPECT_EQ(defaults->value("ol.style"), nlohmann::json("glass"));
    m.persistStyle(OLStyle::signal);
    m.persistAccent(OLAccent::teal);
    m.persistPopoverStyle(PopoverStyle::signal);
    m.persistHideDockIcon(true);
    EXPECT_EQ(defaults->value("ol.style"), nlohmann::json("signal"));
    EXPECT_EQ(defaults->value("ol.accent"), nlohmann::json("teal"));
    EXPECT_EQ(defaults->value("ol.popoverStyle"), nlohmann::json("signal"));
    EXPECT_EQ(defaults->value("hideDockIcon"), nlohmann::json(true));
    // Unchanged values are written anyway (the file is the user's record).
    defaults->remove("ol.accent");
    m.persistAccent(OLAccent::teal);
    EXPECT_EQ(defaults->value("ol.accent"), nlohmann::json("teal"));
}

TEST_F(AppModelState, PopoverThemeFollowsTheWindowOnlyWhenMatching) {
    AppModel& m = start();
    AppModelTestAccess::setStyle(m, OLStyle::signal);
    AppModelTestAccess::setAccent(m, OLAccent::snow);
    EXPECT_EQ(m.popoverTheme(), (OLTheme{OLStyle::signal, OLAccent::snow, 999}));
    AppModelTestAccess::setPopoverStyle(m, PopoverStyle::glass);
    EXPECT_EQ(m.popoverTheme().style, OLStyle::glass);
    AppModelTestAccess::setStyle(m, OLStyle::glass);
    AppModelTestAccess::setPopoverStyle(m, PopoverStyle::signal);
    EXPECT_EQ(m.popoverTheme().style, OLStyle::signal);
}

TEST_F(AppModelState, CountryRulesLoadAndPersistPerAccount) {
    AppModel& m = start();
    const std::string scope = scopeKey(email);
    struct Load {
        nlohmann::json kind, codes;
        GeoGuard::Rule expected;
    };
    const std::vector<Load> loads{
        {"block", nlohmann::json::array(), GeoGuard::Rule::off()},
        {"block", {"ru", "By"}, GeoGuard::Rule::block({"RU", "BY"})},
        {"allowOnly", {"de"}, GeoGuard::Rule::allowOnly({"DE"})},
        {"destroy", {"DE"}, GeoGuard::Rule::off()},
        {nullptr, {"DE"}, GeoGuard::Rule::off()},
    };
    for (const Load& l : loads) {
        SCOPED_TRACE(l.kind.dump() + l.codes.dump());
        l.kind.is_null() ? defaults->remove("geoRule.kind." + scope)
                         : defaults->setValue("geoRule.kind." + scope, l.kind);
        defaults->setValue("geoRule.codes." + scope, l.codes);
        m.loadGeoRule(scope);
        EXPECT_EQ(m.geoRule(), l.expected);
        EXPECT_EQ(api->geo(), l.expected); // handed to the client too
    }

    // Without a session a reported rule is kept but written nowhere.
    defaults->remove("geoRule.kind." + scope);
    defaults->remove("geoRule.codes." + scope);
    m.applyGeoRule(GeoGuard::Rule::block({"RU"}));
    EXPECT_EQ(m.geoRule(), GeoGuard::Rule::block({"RU"}));
    EXPECT_FALSE(defaults->value("geoRule.kind." + scope));

    AppModelTestAccess::setSession(m, StoredSession{"t", std::nullopt, email});
    m.applyGeoRule(GeoGuard::Rule::block({"RU", "BY"}));
    EXPECT_EQ(defaults->value("geoRule.kind." + scope), nlohmann::json("block"));
    EXPECT_EQ(defaults->value("geoRule.codes." + scope), nlohmann::json({"BY", "RU"}));
    // The rule in force again writes nothing.
    defaults->remove("geoRule.kind." + scope);
    m.applyGeoRule(GeoGuard::Rule::block({"BY", "RU"}));
    EXPECT_FALSE(defaults->value("geoRule.kind." + scope));
    m.applyGeoRule(GeoGuard::Rule::off());
    EXPECT_FALSE(defaults->value("geoRule.kind." + scope));
    EXPECT_EQ(defaults->value("geoRule.codes." + scope), nlohmann::json::array());
}

TEST_F(AppModelState, BackUpNowNeedsAReadyUnlockedModelAndSomewhereToWrite) {
    const std::filesystem::path driveRoot = temp / "drive";
    std::filesystem::create_directories(driveRoot);
    AppModel& m = start();
    BackupSource source{"S1", "/home/ada/Documents", false, clock.now()};
    LocalDestination drive;
    drive.id = "D1";
    drive.name = "Backup";
    drive.volumeUUID = "UUID-1";
    drive.volumePathAtAdd = driveRoot.string();
    volumes.mount(MountedVolume{driveRoot, "UUID-1", "Backup", false});

    m.setPhase(AppPhase::ready);
    AppModelTestAccess::setKeldraKey(m, keyOf(3));
    m.persistSources({source});
    EXPECT_FALSE(m.canBackUpNow()); // nowhere to back up to

    BackupSettings withFolder = m.settings();
    withFolder.deviceFolderID = "42";
    AppModelTestAccess::setSettings(m, withFolder);
    EXPECT_FALSE(m.canBackUpNow()) << "a device folder without a cloud engine cannot back up";

    drive.enabled = false;
    AppModelTestAccess::setDestinations(m, {drive});
    await(m.refreshDriveStatesNow());
    EXPECT_FALSE(m.canBackUpNow()) << "the only mounted drive is disabled";
    drive.enabled = true;
    AppModelTestAccess::setDestinations(m, {drive});
    EXPECT_TRUE(m.canBackUpNow());
    AppModelTestAccess::setIsRunning(m, true);
    EXPECT_FALSE(m.canBackUpNow());
    AppModelTestAccess::setIsRunning(m, false);

    // With its engine the cloud part alone is enough.
    AppModelTestAccess::setDestinations(m, {});
    AppModelTestAccess::setEngine(
        m, makeCloudEngine(m.services(), std::make_shared<BackupIndex>(temp / "idx", logger), m.meter()));
    EXPECT_TRUE(m.canBackUpNow());
    AppModelTestAccess::setKeldraKey(m, std::nullopt);
    EXPECT_FALSE(m.canBackUpNow());
}

TEST(AppModelValues, SectionsAndPopoverStylesReadOnlyTheirExactTexts) {
    for (auto section : allSections) {
        EXPECT_EQ(sectionFromRaw(rawValue(section)), section);
    }
    for (auto style : allPopoverStyles) {
        EXPECT_EQ(popoverStyleFromRaw(rawValue(style)), style);
    }
    for (const char* other : {"", "Overview", "overview ", "history"}) {
        EXPECT_FALSE(sectionFromRaw(other)) << other;
        EXPECT_FALSE(popoverStyleFromRaw(other)) << other;
    }
}

TEST_F(AppModelState, TheLogKeepsTheLast400LinesAndHoldsPostTheirNotices) {
    AppModel& m = start();
    int changes = 0;
    QObject::connect(&m, &AppModel::logChanged, [&] { ++changes; });
    for (int i = 0; i < 400; ++i) {
        m.appendLog("line " + std::to_string(i), LogLine::Tone::info);
    }
    EXPECT_EQ(changes, 400);
    m.appendLog("line 400", LogLine::Tone::ok);
    EXPECT_EQ(changes, 402); // the append, then the trim
    ASSERT_EQ(m.log().size(), 400u);
    EXPECT_EQ(m.log().front().text, "line 1");
    EXPECT_EQ(m.log().back().text, "line 400");

    struct Hold {
        BlockReason reason;
        const char* identifier; // empty: no notice
        std::string title;
    };
    const std::vector<Hold> holds{
        {BlockReason::geoBlocked(true), "geo-blocked", "Keldra wiped"},
        {BlockReason::geoBlocked(false), "geo-blocked", "Blocked by country rule"},
        {BlockReason::geoRisk("RU"), "geo-risk", "Backups held for safety"},
        {BlockReason::suspended(), "suspended", "Keldra suspended"},
        {BlockReason::signedOut(), "signed-out", "Sign in to keep backing up"},
        {BlockReason::noPlan(), "", ""},
        {BlockReason::offline(), "", ""},
        {BlockReason::accountDisabled(), "", ""},
    };
    for (const Hold& h : holds) {
        SCOPED_TRACE(h.reason.title());
        const auto before = notifier.posted().size();
        m.handleBlock(h.reason);
        EXPECT_EQ(m.block(), h.reason);
        const auto posted = notifier.posted();
        if (std::string(h.identifier).empty()) {
            EXPECT_EQ(posted.size(), before);
        } else {
            ASSERT_EQ(posted.size(), before + 1);
            EXPECT_EQ(posted.back(), (RecordingNotifier::Posted{h.identifier, h.title, h.reason.message()}));
        }
    }
}

TEST_F(AppModelState, RunHistoryComesFromTheIndexAndKeepsAnEarlierLastRun) {
    AppModel& m = start();
    RunRecord earlier;
    earlier.id = 99;
    AppModelTestAccess::setLastRun(m, earlier);
    await(m.refreshRuns()); // no index
    EXPECT_TRUE(m.runs().empty());
    EXPECT_EQ(m.lastRun(), earlier);

    auto index = std::make_shared<BackupIndex>(temp / "idx", logger);
    index->startRun("Manual", clock.now());
    index->startRun("Scheduled", clock.now() + 1s);
    AppModelTestAccess::setIndex(m, index);
    await(m.refreshRuns());
    ASSERT_EQ(m.runs().size(), 2u);
    EXPECT_EQ(m.runs().front().trigger, "Scheduled");
    EXPECT_EQ(m.lastRun(), earlier);
    AppModelTestAccess::setLastRun(m, std::nullopt);
    await(m.refreshRuns());
    EXPECT_EQ(m.lastRun(), m.runs().front());
}
