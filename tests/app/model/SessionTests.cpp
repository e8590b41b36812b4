#include "service/types/ServerDate.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/support/AppModelTestAccess.h"

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelSession : public AppModelFixture {
protected:
    std::optional<StoredSession> keyringSession() {
        auto data = secrets.read(sessionAccount);
        return data ? decodeStoredSession(*data) : std::nullopt;
    }

    static nlohmann::json statusBody(std::int64_t used, std::int64_t quota) {
        return {
            {"data", {{"used_bytes", used}, {"quota_bytes", quota}, {"file_count", 0}, {"folder_count", 0}}}};
    }
};

} // namespace

TEST_F(AppModelSession, SignInFailuresShowTheirOwnWords) {
    createAccount();
    createAccount("two@example.com", {{"two_factor_code", "123456"}});
    createAccount("off@example.com", {{"disabled", true}});
    AppModel& m = start();
    struct Case {
        const char* name;
        std::string address;
        std::string password;
        std::optional<std::string> code;
        bool rateLimited;
        std::optional<std::string> error;
        AppPhase phase;
    };
    const std::vector<Case> cases{
        {"wrong password", email, "nope", std::nullopt, false, "Email or password is incorrect.",
         AppPhase::signedOut},
        {"code asked", "two@example.com", password, std::nullopt, false, std::nullopt, AppPhase::twoFactor},
        {"asked again", "two@example.com", password, std::nullopt, false, std::nullopt, AppPhase::twoFactor},
        {"bad code", "two@example.com", password, "000000", false,
         "That code didn't work. Check your authenticator app and try again.", AppPhase::twoFactor},
        {"too many attempts", email, password, std::nullopt, true,
         "Too many sign-in attempts. Wait a minute and try again.", AppPhase::twoFactor},
        {"disabled account", "off@example.com", password, std::nullopt, false,
         "This account has been disabled. Please contact support.", AppPhase::twoFactor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.rateLimited) {
            control().addFault({{"endpoint", "auth-token"}, {"status", 429}, {"retry_after", "60"}});
        }
        m.setPendingEmail(c.address);
        m.setPendingPassword(c.password);
        await(m.signIn(c.code));
        EXPECT_EQ(m.authError(), c.error);
        EXPECT_EQ(m.phase(), c.phase);
        EXPECT_FALSE(m.isWorking());
        EXPECT_FALSE(m.session());
        EXPECT_FALSE(keyringSession());
    }
}

TEST_F(AppModelSession, ASuccessfulSignInKeepsTheSessionInTheKeyringAndLoadsTheAccount) {
    createAccount("two@example.com", {{"two_factor_code", "123456"}});
    AppModel& m = start();
    m.setPendingEmail("two@example.com");
    m.setPendingPassword(password);
    await(m.signIn());
    ASSERT_EQ(m.phase(), AppPhase::twoFactor);
    await(m.signIn("123456"));
    ASSERT_TRUE(m.session());
    EXPECT_EQ(m.session()->email, "two@example.com");
    EXPECT_TRUE(m.session()->expiresAt);
    EXPECT_EQ(keyringSession(), m.session());
    EXPECT_EQ(api->token(), std::optional<std::string>(m.session()->token));
    EXPECT_EQ(m.pendingPassword(), "");
    EXPECT_EQ(m.pendingEmail(), "two@example.com");
    EXPECT_FALSE(m.isWorking());
    EXPECT_FALSE(m.authError());
    EXPECT_EQ(m.phase(), AppPhase::setup); // a new account has no set-up yet
    EXPECT_TRUE(m.index());
    EXPECT_EQ(m.index()->databasePath(), accountFolder("two@example.com") / "index.sqlite");
}

TEST_F(AppModelSession, TheSessionIsRenewedOnlyWithinFourteenDaysOfItsEnd) {
    createAccount();
    AppModel& m = signedIn();
    const StoredSession current = *m.session();
    struct Case {
        const char* name;
        Seconds left;
        std::optional<nlohmann::json> answer; // a fault's body, or the portal's own answer
        bool refreshed;
    };
    const std::vector<Case> cases{
        {"exactly fourteen days", Seconds(1'209'600), std::nullopt, false},
        {"one second less", Seconds(1'209'599), std::nullopt, true},
        {"no expiry in the answer", Seconds(60), nlohmann::json{{"token", "renewed-token"}}, true},
        {"no token in the answer", Seconds(60), nlohmann::json{{"expires_at", "2031-01-02T03:04:05Z"}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoredSession session = current;
        session.token = control().issueToken(email);
        session.expiresAt = clock.now() + std::chrono::duration_cast<SystemTime::duration>(c.left);
        AppModelTestAccess::setSession(m, session);
        api->setToken(session.token);
        storeSession(session);
        control().resetStats();
        if (c.answer) {
            control().addFault({{"endpoint", "auth-refresh"}, {"status", 200}, {"body", *c.answer}});
        }
        await(m.refreshSessionIfNeeded());
        EXPECT_EQ(control().requestCount("auth-refresh"), c.refreshed ? 1 : 0);
        ASSERT_TRUE(m.session());
        EXPECT_EQ(keyringSession(), m.session());
        EXPECT_EQ(api->token(), std::optional<std::string>(m.session()->token));
        if (!c.refreshed) {
            EXPECT_EQ(*m.session(), session);
        } else if (!c.answer) {
            EXPECT_NE(m.session()->token, session.token);
            EXPECT_NE(m.session()->expiresAt, session.expiresAt);
        } else if (c.answer->contains("token")) {
            EXPECT_EQ(m.session()->token, "renewed-token");
            EXPECT_EQ(m.session()->expiresAt, clock.now() + std::chrono::duration_cast<SystemTime::duration>(
                                                                Seconds(AppModel::renewedSessionLifetime)));
        } else {
            EXPECT_EQ(m.session()->token, session.token); // the old token stays, the expiry moves
            EXPECT_EQ(m.session()->expiresAt, parseServerDate(std::string("2031-01-02T03:04:05Z")));
        }
    }
    // A session without an expiry is never renewed.
    StoredSession endless = current;
    endless.expiresAt.reset();
    AppModelTestAccess::setSession(m, endless);
    control().resetStats();
    await(m.refreshSessionIfNeeded());
    EXPECT_EQ(control().requestCount("auth-refresh"), 0);
}

TEST_F(AppModelSession, TheStatusDecidesStorageFullAndWhichHoldsToLift) {
    createAccount();
    AppModel& m = signedIn();
    struct Usage {
        std::int64_t used, quota;
        bool fullAfter; // starting from full
    };
    for (const Usage& u :
         {Usage{979, 1000, false}, Usage{980, 1000, true}, Usage{5000, 1000, true}, Usage{7, 0, false}}) {
        SCOPED_TRACE(std::to_string(u.used) + "/" + std::to_string(u.quota));
        AppModelTestAccess::setStorageFull(m, true);
        control().addFault({{"endpoint", "status"}, {"status", 200}, {"body", statusBody(u.used, u.quota)}});
        await(m.refreshStatus());
        EXPECT_EQ(m.storageFull(), u.fullAfter);
        ASSERT_TRUE(m.keldraStatus());
        EXPECT_EQ(m.keldraStatus()->usedBytes.value, u.used);
    }

    struct Hold {
        BlockReason reason;
        bool lifted;
    };
    const std::vector<Hold> holds{
        {BlockReason::geoRisk("RU"), true},        {BlockReason::geoBlocked(false), true},
        {BlockReason::geoBlocked(true), false},    {BlockReason::noPlan(), true},
        {BlockReason::suspended(), true},          {BlockReason::accessDenied("no"), false},
        {BlockReason::serverNotReady("x"), false}, {BlockReason::signedOut(), false},
        {BlockReason::accountDisabled(), false},   {BlockReason::offline(), false},
    };
    for (const Hold& h : holds) {
        SCOPED_TRACE(h.reason.title());
        AppModelTestAccess::setBlock(m, h.reason);
        await(m.refreshStatus());
        EXPECT_EQ(m.block().has_value(), !h.lifted);
    }

    // A suspended Keldra becomes the hold, with its notice.
    AppModelTestAccess::setBlock(m, std::nullopt);
    control().updateAccount({{"email", email}, {"suspended", true}});
    await(m.refreshStatus());
    EXPECT_EQ(m.block(), BlockReason::suspended());
    EXPECT_EQ(notifier.count("suspended"), 1u);
}

TEST_F(AppModelSession, TheCountryRecheckLiftsTheHoldOnlyWhereTheRuleAllows) {
    createAccount();
    AppModel& m = signedIn();
    // The rule is off: lifted without asking for the country.
    AppModelTestAccess::setBlock(m, BlockReason::geoRisk("RU"));
    control().resetStats();
    await(m.refreshAccount());
    EXPECT_FALSE(m.block());
    EXPECT_EQ(control().requestCount("trace"), 0);

    control().updateAccount(
        {{"email", email},
         {"geo_rule_reported", true},
         {"geo_rule", {{"enabled", true}, {"action", "destroy"}, {"countries", {"RU"}}}}});
    struct Case {
        const char* country;
        bool lifted;
    };
    for (const Case& c : {Case{"RU", false}, Case{"DE", true}}) {
        SCOPED_TRACE(c.country);
        control().setCountry(std::string(c.country));
        AppModelTestAccess::setBlock(m, BlockReason::geoRisk("RU"));
        await(m.refreshAccount());
        EXPECT_EQ(m.geoRule(), GeoGuard::Rule::block({"RU"}));
        EXPECT_EQ(m.block().has_value(), !c.lifted);
    }
    EXPECT_EQ(defaults->value("geoRule.kind." + scopeKey(email)), nlohmann::json("block"));
}

TEST_F(AppModelSession, SignOutRevokesForgetsTheItemsAndResetsTheAccountState) {
    createAccount();
    AppModel& m = signedIn();
    m.setPendingEmail(email);
    AppModelTestAccess::setLastSuccess(m, clock.now());
    AppModelTestAccess::setLastAttempt(m, clock.now());
    AppModelTestAccess::setLastAttemptFailed(m, true);
    AppModelTestAccess::setPausedByUser(m, true);
    AppModelTestAccess::setStorageFull(m, true);
    AppModelTestAccess::setLockedNoticePosted(m, true);
    AppModelTestAccess::setVerifierAbsentStreak(m, 2);
    AppModelTestAccess::setKeyMismatchNotified(m, {"D1"});
    AppModelTestAccess::setLastStaleNotice(m, clock.now());
    m.setSection(AppSection::activity);
    m.appendLog("before", LogLine::Tone::info);
    RestoreModel* oldRestore = m.restoreModel();
    const BackupSettings settings = m.settings();
    control().resetStats();

    await(m.signOut());
    EXPECT_EQ(control().requestCount("auth-revoke"), 1);
    EXPECT_FALSE(secrets.read(sessionAccount));
    EXPECT_FALSE(secrets.read(keldraKeyAccount(scopeKey(email))));
    EXPECT_FALSE(api->token());
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
    EXPECT_EQ(m.section(), AppSection::overview);
    EXPECT_FALSE(m.session());
    EXPECT_FALSE(m.account());
    EXPECT_FALSE(m.keldraKey());
    EXPECT_FALSE(m.unattended());
    EXPECT_FALSE(m.index());
    EXPECT_FALSE(m.engine());
    EXPECT_FALSE(m.localEngine());
    EXPECT_TRUE(m.log().empty());
    EXPECT_TRUE(m.runs().empty());
    EXPECT_FALSE(m.lastRun());
    EXPECT_FALSE(m.lastSuccess());
    EXPECT_FALSE(m.lastAttempt());
    EXPECT_FALSE(m.lastAttemptFailed());
    EXPECT_FALSE(m.pausedByUser());
    EXPECT_FALSE(m.storageFull());
    EXPECT_FALSE(m.lockedNoticePosted());
    EXPECT_EQ(m.verifierAbsentStreak(), 0);
    EXPECT_TRUE(m.keyMismatchNotified().empty());
    EXPECT_FALSE(m.lastStaleNotice());
    EXPECT_NE(m.restoreModel(), oldRestore);
    // What the user typed and chose stays.
    EXPECT_EQ(m.pendingEmail(), email);
    EXPECT_EQ(m.settings(), settings);
}

TEST_F(AppModelSession, AnotherAccountAfterAnExpiredSessionStartsClean) {
    createAccount();
    createAccount("bob@example.com");
    AppModel& m = signedIn();
    const auto adaIndex = m.index();
    m.appendLog("ada's line", LogLine::Tone::info);
    AppModelTestAccess::setLastSuccess(m, clock.now());

    // The same account signing in again keeps what was loaded.
    m.sessionExpired();
    ASSERT_TRUE(runUntil([&] { return !secrets.read(sessionAccount); }));
    EXPECT_EQ(m.phase(), AppPhase::signedOut);
    EXPECT_EQ(m.pendingEmail(), email);
    EXPECT_TRUE(m.keldraKey()); // kept
    m.setPendingPassword(password);
    await(m.signIn());
    EXPECT_EQ(m.phase(), AppPhase::ready);
    EXPECT_TRUE(m.keldraKey());
    EXPECT_EQ(m.log().front().text, "ada's line");

    // Another account gets nothing of the first.
    m.sessionExpired();
    ASSERT_TRUE(runUntil([&] { return !m.session(); }));
    m.setPendingEmail("bob@example.com");
    m.setPendingPassword(password);
    await(m.signIn());
    ASSERT_TRUE(m.session());
    EXPECT_EQ(m.session()->email, "bob@example.com");
    EXPECT_FALSE(m.keldraKey());
    EXPECT_FALSE(m.lastSuccess());
    EXPECT_TRUE(m.runs().empty());
    EXPECT_TRUE(std::none_of(m.log().begin(), m.log().end(),
                             [](const LogLine& l) { return l.text == "ada's line"; }));
    ASSERT_TRUE(m.index());
    EXPECT_NE(m.index(), adaIndex);
    EXPECT_EQ(m.index()->databasePath(), accountFolder("bob@example.com") / "index.sqlite");
    EXPECT_EQ(m.phase(), AppPhase::setup);
    // Ada's unattended key is still hers.
    EXPECT_TRUE(secrets.read(keldraKeyAccount(scopeKey(email))));
    // Three loads in one process watch the volumes once.
    EXPECT_EQ(volumeWatcher.registrations(), 1);
}

TEST_F(AppModelSession, ASignInAnsweredAfterAnotherOneChangedTheAccountWritesNothing) {
    createAccount();
    createAccount("bob@example.com");
    AppModel& m = start();
    control().addFault({{"endpoint", "auth-token"}, {"latency_ms", 2500}}); // the first sign-in only
    m.setPendingEmail(email);
    m.setPendingPassword(password);
    bool slowDone = false;
    auto slow = [&]() -> QCoro::Task<> {
        auto signingIn = m.signIn();
        co_await signingIn;
        slowDone = true;
    };
    auto running = slow();
    // Let the first request reach the portal (it is counted only when answered).
    QElapsedTimer sent;
    sent.start();
    runUntil([&] { return sent.elapsed() > 500; });
    m.setPendingEmail("bob@example.com");
    await(m.signIn());
    ASSERT_TRUE(m.session());
    const StoredSession bob = *m.session();
    ASSERT_TRUE(runUntil([&] { return slowDone; }));
    drainEvents();
    EXPECT_EQ(m.session(), bob);
    EXPECT_EQ(keyringSession(), bob);
    EXPECT_EQ(api->token(), std::optional<std::string>(bob.token));
    EXPECT_FALSE(m.isWorking());
}

TEST_F(AppModelSession, ASlowRefreshThatEndsDuringOrAfterSignOutLeavesNoSessionAnywhere) {
    createAccount();
    struct Case {
        const char* name;
        int refreshMs;
        int revokeMs;
    };
    for (const Case& c :
         {Case{"answer after the sign-out", 1500, 0}, Case{"answer while revoking", 300, 1500}}) {
        SCOPED_TRACE(c.name);
        control().clearFaults();
        control().resetStats();
        AppModel& m = signedIn();
        StoredSession ending = *m.session();
        ending.expiresAt = clock.now() + 60s;
        AppModelTestAccess::setSession(m, ending);
        control().addFault({{"endpoint", "auth-refresh"}, {"latency_ms", c.refreshMs}});
        if (c.revokeMs > 0) {
            control().addFault({{"endpoint", "auth-revoke"}, {"latency_ms", c.revokeMs}});
        }
        bool refreshDone = false;
        auto refresh = [&]() -> QCoro::Task<> {
            try {
                auto refreshing = m.refreshSessionIfNeeded();
                co_await refreshing;
            } catch (const StaleWork&) {
            }
            refreshDone = true;
        };
        auto running = refresh();
        ASSERT_TRUE(runUntil([&] { return control().requestCount("auth-refresh") == 1; }));
        await(m.signOut());
        ASSERT_TRUE(runUntil([&] { return refreshDone; }));
        drainEvents();
        EXPECT_FALSE(m.session());
        EXPECT_FALSE(secrets.read(sessionAccount));
        EXPECT_FALSE(api->token());
        EXPECT_EQ(m.phase(), AppPhase::signedOut);
        model.reset();
        drainEvents();
    }
}
