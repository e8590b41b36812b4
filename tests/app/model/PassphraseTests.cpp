#include "platform/secrets/GlibHandles.h"
#include "tests/app/model/RunFixture.h"
#include "tests/support/AppModelTestAccess.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LockDefaultKeyring.h"

#include <fstream>
#include <libsecret/secret.h>
#include <sstream>
#include <sys/wait.h>

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

    // Read on a lane of its own, as the model does: keyring calls leave work on their thread's GLib context.
    bool keyItemStored() {
        auto future = Workers::submit(
            *keyringReads_, [this] { return secrets.read(keldraKeyAccount(scopeKey(email))).has_value(); });
        future.waitForFinished();
        return future.result().take();
    }
    void storeOtherKey() {
        auto future = Workers::submit(*keyringReads_, [this] { storeKey(email, otherKey()); });
        future.waitForFinished();
        future.result().take();
    }
    bool keyItemBecomes(bool stored) {
        return runUntil([&] { return keyItemStored() == stored; });
    }

    std::unique_ptr<ThreadLane> keyringReads_ = std::make_unique<ThreadLane>("test-keyring");

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
    EXPECT_TRUE(keyItemBecomes(true));
    EXPECT_TRUE(runUntil([&] { return m.unattended(); }));
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
    AppModelTestAccess::setSettings(m, manual);
    EXPECT_EQ(await(m.unlock(passphrase, false)), std::nullopt);
    m.lock();
    m.postLockedNotice();
    EXPECT_EQ(notifier.count("locked"), 2u) << "never with backups only by hand";
}

TEST_F(AppModelPassphrase, TheUnattendedKeyFollowsTheSwitchAndTheLock) {
    AppModel& m = locked();
    EXPECT_EQ(await(m.createPassphrase(passphrase, true)), std::nullopt);
    ASSERT_TRUE(keyItemBecomes(true));
    EXPECT_TRUE(runUntil([&] { return m.unattended(); })) << "once the keyring has the key";

    m.persistUnattended(false);
    EXPECT_TRUE(keyItemBecomes(false));
    EXPECT_TRUE(runUntil([&] { return !m.unattended(); }));
    m.persistUnattended(true);
    EXPECT_TRUE(keyItemBecomes(true));
    EXPECT_TRUE(runUntil([&] { return m.unattended(); }));

    // Locking while unattended forgets the key there too.
    m.lock();
    EXPECT_TRUE(keyItemBecomes(false));
    EXPECT_TRUE(runUntil([&] { return !m.unattended(); }));

    // While locked there is no key to keep: the item goes, the switch stays off.
    storeOtherKey();
    m.persistUnattended(true);
    EXPECT_TRUE(keyItemBecomes(false));
    drainEvents();
    EXPECT_FALSE(m.unattended());
    EXPECT_FALSE(m.keyringError());

    // A lock with unattended off leaves an item alone.
    EXPECT_EQ(await(m.unlock(passphrase, false)), std::nullopt);
    storeOtherKey();
    m.lock();
    drainEvents();
    EXPECT_TRUE(keyItemStored());
}

namespace {

constexpr const char* notStored =
    "The keyring didn't store the key, so unattended backups are off. Check that "
    "the keyring is unlocked, then try again.";
constexpr const char* notRemoved =
    "The keyring didn't remove the stored key, so unattended backups are still "
    "on. Check that the keyring is unlocked, then try again.";
constexpr const char* keptAfterLock =
    "Keldra is locked, but the keyring didn't remove the stored key, so the app will open unlocked after a "
    "restart. Remove the item \"Orlivane Keldra key (unattended backups)\" with your keyring app.";

// Runs one of the DISABLED_ tests below in a child of this program, inside `launcher` (which ends with the
// program's arguments); what the child printed on failure.
void expectChildPasses(const std::string& name, std::vector<std::string> launcher,
                       const std::filesystem::path& output) {
    launcher.push_back(std::filesystem::read_symlink("/proc/self/exe").string());
    launcher.push_back("--gtest_also_run_disabled_tests");
    launcher.push_back("--gtest_filter=AppModelPassphrase." + name);
    const int status = waitForChild(startProgram(launcher, output));
    std::stringstream text;
    text << std::ifstream(output).rdbuf();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text.str();
    EXPECT_NE(text.str().find("[  PASSED  ] 1 test"), std::string::npos) << text.str();
}

} // namespace

// A keyring that refuses is never shown as success: the switch stays where the keyring really is, the pane
// gets the reason, and a lock whose removal was refused says the key is still there. Each case runs in a
// child with a keyring of its own (GLib keeps one session bus per process, and a locked keyring stays so).
TEST_F(AppModelPassphrase, AKeyringThatRefusesIsNeverShownAsSuccess) {
    const std::string lockedSession = R"(
exec 2>&1
printf keldra-locked | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
keyring=$!
for _ in $(seq 1 100); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.secrets 2>/dev/null | grep -q "boolean true" && break
  sleep 0.05
done
status=0
"$@" || status=$?
kill $keyring
exit $status
)";
    std::filesystem::create_directories(temp / "keyring-data");
    std::filesystem::create_directories(temp / "keyring-runtime");
    const struct {
        const char* child;
        std::vector<std::string> launcher;
    } cases[] = {
        {"DISABLED_LockedKeyringKeepsTheKey",
         {"/usr/bin/env", "XDG_DATA_HOME=" + (temp / "keyring-data").string(),
          "XDG_RUNTIME_DIR=" + (temp / "keyring-runtime").string(), "dbus-run-session", "--", "sh", "-c",
          lockedSession, "sh"}},
        {"DISABLED_NoKeyringStoresNothing",
         {"/usr/bin/env", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (temp / "no-bus").string()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.child);
        expectChildPasses(c.child, c.launcher, temp / (std::string(c.child) + ".txt"));
    }
}

// Children of the test above; skipped in a normal run.

TEST_F(AppModelPassphrase, DISABLED_LockedKeyringKeepsTheKey) {
    AppModel& m = locked();
    EXPECT_EQ(await(m.createPassphrase(passphrase, true)), std::nullopt);
    ASSERT_TRUE(keyItemBecomes(true));
    ASSERT_TRUE(runUntil([&] { return m.unattended(); }));
    auto locking = Workers::submit(*keyringReads_, [] { test::lockDefaultKeyring(); });
    locking.waitForFinished();

    // Switching off: the keyring keeps the key, so the switch stays on and the pane says why.
    m.persistUnattended(false);
    ASSERT_TRUE(runUntil([&] { return m.keyringError().has_value(); }));
    EXPECT_EQ(m.keyringError(), notRemoved);
    EXPECT_TRUE(m.unattended());

    // Locking: the key leaves memory, but the keyring's copy stays, and the user is told.
    m.lock();
    ASSERT_TRUE(runUntil([&] { return notifier.count("keyring-key-kept") == 1; }));
    EXPECT_EQ(
        notifier.posted().back(),
        (RecordingNotifier::Posted{"keyring-key-kept", "The key is still in the keyring", keptAfterLock}));
    EXPECT_EQ(m.keyringError(), keptAfterLock);
    EXPECT_EQ(m.phase(), AppPhase::unlock);
    EXPECT_FALSE(m.keldraKey());
    EXPECT_TRUE(m.unattended()) << "the next start opens with the kept key";
}

TEST_F(AppModelPassphrase, DISABLED_NoKeyringStoresNothing) {
    createAccount();
    saveSettings(email, readySettings());
    AppModel& m = start();
    ASSERT_EQ(m.phase(), AppPhase::signedOut);
    m.setPendingEmail(email);
    m.setPendingPassword(password);
    await(m.signIn());
    ASSERT_EQ(m.phase(), AppPhase::unlock);

    EXPECT_EQ(await(m.createPassphrase(passphrase, true)), std::nullopt);
    ASSERT_TRUE(runUntil([&] { return m.keyringError().has_value(); }));
    EXPECT_EQ(m.keyringError(), notStored);
    EXPECT_FALSE(m.unattended()) << "nothing was stored";
}
