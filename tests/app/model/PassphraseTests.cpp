#include "tests/app/model/RunFixture.h"

using namespace keldra;
using namespace keldra::test;
using namespace std::chrono_literals;

namespace {

class AppModelPassphrase : public RunFixture {
protected:
    // Signed in after a finished set-up (daily schedule), without a stored key: the model starts locked.
    AppModel& locked(BackupSettings settings = readySettings()) {
        createAccount();
        saveSettings(email, settings);
        storeSession(signedInSession());
        AppModel& m = start();
        EXPECT_EQ(m.phase(), AppPhase::unlock);
        return m;
    }

    bool keyItemStored() { return secrets.read(keldraKeyAccount(scopeKey(email))).has_value(); }
    bool keyItemBecomes(bool stored) {
        return runUntil([&] { return keyItemStored() == stored; });
    }

    static constexpr const char* noPassphrase = "This Keldra has no passphrase yet. Create one in setup.";
    static constexpr const char* mismatch =
        "That passphrase doesn't match this Keldra. Check it and try again.";
    static constexpr const char* alreadyOne = "This Keldra already has a passphrase. Enter that one instead.";
};

} // namespace

TEST_F(AppModelPassphrase, UnlockAndCreationAnswerWithTheirOwnWords) {
    AppModel& m = locked();
    struct Case {
        const char* name;
        nlohmann::json fault; // null: none
        bool create;
        std::string typed;
        std::optional<std::string> answer;
        VerifierState state;
        bool unlocked;
    };
    const std::vector<Case> cases{
        {"unlock without a verifier", nullptr, false, passphrase, noPassphrase, VerifierState::absent(),
         false},
        {"a store refused because another device stored one meanwhile, which is not ours",
         {{"endpoint", "verifier-post"}, {"status", 409}, {"body", {{"message", "Verifier already set."}}}},
         true,
         passphrase,
         alreadyOne,
         VerifierState::exists(),
         false},
        {"the endpoint is missing on creation",
         {{"endpoint", "verifier-get"}, {"status", 404}, {"route_404", "json"}},
         true,
         passphrase,
         "The Keldra service needs an update before a passphrase can be set.",
         VerifierState::exists(),
         false},
        {"the endpoint is missing on unlock",
         {{"endpoint", "verifier-get"}, {"status", 404}, {"route_404", "json"}},
         false,
         passphrase,
         "The Keldra service needs an update before the app can check passphrases.",
         VerifierState::exists(),
         false},
        {"creation stores the verifier and unlocks", nullptr, true, passphrase, std::nullopt,
         VerifierState::exists(), true},
        {"a wrong passphrase", nullptr, false, "not it", mismatch, VerifierState::exists(), false},
        {"creating another one when one exists", nullptr, true, "not it", alreadyOne, VerifierState::exists(),
         false},
        {"creating the same one again unlocks", nullptr, true, passphrase, std::nullopt,
         VerifierState::exists(), true},
        {"the right passphrase", nullptr, false, passphrase, std::nullopt, VerifierState::exists(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control().clearFaults();
        if (!c.fault.is_null()) {
            control().addFault(c.fault);
        }
        m.lock();
        ASSERT_EQ(m.phase(), AppPhase::unlock);
        auto result = c.create ? await(m.createPassphrase(c.typed, false)) : await(m.unlock(c.typed, false));
        EXPECT_EQ(result, c.answer);
        EXPECT_EQ(m.verifierState(), c.state);
        EXPECT_EQ(m.keldraKey().has_value(), c.unlocked);
        EXPECT_EQ(m.phase(), c.unlocked ? AppPhase::ready : AppPhase::unlock);
        EXPECT_FALSE(m.isWorking());
    }
}

TEST_F(AppModelPassphrase, AConflictWithTheSamePassphraseUnlocks) {
    AppModel& m = locked();
    // Another computer stored the same passphrase's verifier just before ours arrived.
    control().addFault({{"endpoint", "verifier-post"},
                        {"status", 409},
                        {"after_handler", true},
                        {"body", {{"message", "Verifier already set."}}}});
    EXPECT_EQ(await(m.createPassphrase(passphrase, true)), std::nullopt);
    EXPECT_EQ(m.verifierState(), VerifierState::exists());
    EXPECT_EQ(m.phase(), AppPhase::ready);
    EXPECT_TRUE(m.unattended());
    EXPECT_TRUE(keyItemBecomes(true));
}

TEST_F(AppModelPassphrase, TheVerifierCheckNamesWhatWentWrongWithThePortalsDetails) {
    AppModel& m = locked();
    await(m.checkVerifier());
    EXPECT_EQ(m.verifierState(), VerifierState::absent());

    control().addFault({{"endpoint", "verifier-get"},
                        {"status", 200},
                        {"body", "<html>maintenance</html>"},
                        {"content_type", "text/html"}});
    await(m.checkVerifier());
    ASSERT_EQ(m.verifierState().kind, VerifierState::Kind::unavailable);
    const std::string decoding =
        "The Keldra service answered the passphrase check in an unexpected format, so the "
        "app stopped rather than risk creating a second key.";
    ASSERT_TRUE(api->lastDiagnostic());
    EXPECT_EQ(m.verifierState().message, decoding + "\n\nDetails: " + *api->lastDiagnostic());

    control().addFault({{"endpoint", "verifier-get"}, {"status", 404}, {"route_404", "json"}});
    await(m.checkVerifier());
    ASSERT_TRUE(api->lastDiagnostic());
    EXPECT_EQ(
        m.verifierState().message,
        "The Keldra service can't check passphrases for the app yet (GET /api/keldra/verifier). Your files "
        "are safe.\n\nDetails: " +
            *api->lastDiagnostic());

    // A hold is applied and told.
    control().updateAccount({{"email", email}, {"suspended", true}});
    await(m.checkVerifier());
    ASSERT_TRUE(m.block());
    EXPECT_TRUE(m.block()->is<BlockReason::Suspended>());
    EXPECT_EQ(notifier.count("suspended"), 1u);
    EXPECT_TRUE(m.verifierState().message.starts_with(m.block()->message()));
}

TEST_F(AppModelPassphrase, TheLockedReminderComesOncePerLockedPeriod) {
    AppModel& m = locked();
    EXPECT_EQ(notifier.count("locked"), 1u) << "the load landed locked";
    ASSERT_FALSE(notifier.posted().empty());
    EXPECT_EQ(notifier.posted().back(),
              (RecordingNotifier::Posted{"locked", "Keldra is locked",
                                         "Enter your passphrase to resume scheduled "
                                         "backups."}));
    m.postLockedNotice();
    EXPECT_EQ(notifier.count("locked"), 1u);

    EXPECT_EQ(await(m.createPassphrase(passphrase, false)), std::nullopt);
    m.lock();
    m.postLockedNotice();
    EXPECT_EQ(notifier.count("locked"), 2u) << "a new locked period";

    BackupSettings manual = m.settings();
    manual.schedule.kind = ScheduleKind::manual;
    m.setSettings(manual);
    EXPECT_EQ(await(m.unlock(passphrase, false)), std::nullopt);
    m.lock();
    m.postLockedNotice();
    EXPECT_EQ(notifier.count("locked"), 2u) << "never with backups only by hand";
}

TEST_F(AppModelPassphrase, TheUnattendedKeyFollowsTheSwitchAndTheLock) {
    AppModel& m = locked();
    EXPECT_EQ(await(m.createPassphrase(passphrase, true)), std::nullopt);
    EXPECT_TRUE(m.unattended());
    ASSERT_TRUE(keyItemBecomes(true));

    m.setUnattended(false);
    EXPECT_FALSE(m.unattended());
    EXPECT_TRUE(keyItemBecomes(false));
    m.setUnattended(true);
    EXPECT_TRUE(m.unattended());
    EXPECT_TRUE(keyItemBecomes(true));

    // Locking while unattended forgets the key there too.
    m.lock();
    EXPECT_FALSE(m.unattended());
    EXPECT_TRUE(keyItemBecomes(false));

    // While locked there is no key to keep: the item goes, the switch stays off.
    storeKey(email, otherKey());
    m.setUnattended(true);
    EXPECT_FALSE(m.unattended());
    EXPECT_TRUE(keyItemBecomes(false));

    // A lock with unattended off leaves an item alone.
    EXPECT_EQ(await(m.unlock(passphrase, false)), std::nullopt);
    storeKey(email, otherKey());
    m.lock();
    drainEvents();
    EXPECT_TRUE(keyItemStored());
}
