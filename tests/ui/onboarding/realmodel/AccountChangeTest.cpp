// A key that arrives after the account changed belongs to nobody: an unlock or a passphrase creation that
// ends after a sign-out, or after a sign-in as someone else, leaves no key in memory nor in the keyring.

#include "tests/ui/onboarding/realmodel/OnboardingFixture.h"

namespace keldra::test {
namespace {

// Follows an operation to its end, noting whether it ended as work whose account had gone.
QCoro::Task<> follow(QCoro::Task<std::optional<std::string>> attempt, bool& dropped, bool& ended) {
    try {
        co_await attempt;
    } catch (const StaleWork&) {
        dropped = true;
    }
    ended = true;
}

class AccountChange : public OnboardingFixture {
protected:
    static constexpr const char* other = "bob@example.com";

    std::optional<Bytes> storedKeyOf(const std::string& address) {
        return secrets.read(keldraKeyAccount(scopeKey(address)));
    }
};

TEST_F(AccountChange, AKeyArrivingLateIsDropped) {
    struct Case {
        const char* what;
        bool create;          // a first passphrase, else an unlock of the one in use
        bool signInAsOther;   // after the sign-out, before the answer
        nlohmann::json fault; // what keeps the answer away
        bool onceArrived;     // the account changes once the slow request is on the portal, else at once
    };
    const nlohmann::json slowCheck{{"endpoint", "verifier-get"}, {"latency_ms", 1500}};
    const nlohmann::json slowStore{{"endpoint", "verifier-post"}, {"latency_ms", 1500}};
    const std::vector<Case> cases{
        {"unlock, signed out during the check", false, false, slowCheck, true},
        {"unlock, another account during the check", false, true, slowCheck, true},
        {"creation, signed out during the derivation", true, false, nullptr, false},
        {"creation, signed out during the store", true, false, slowStore, true},
        {"creation, another account during the store", true, true, slowStore, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        control().reset();
        defaults.reset(); // its last writes land before the file goes
        std::filesystem::remove(temp / "defaults.json");
        defaults = std::make_unique<FileKeyValueStore>(temp / "defaults.json", logger);
        createAccount();
        createAccount(other);
        if (!c.create) {
            storeVerifier(email, passphrase);
            saveSettings(email, readySettings());
        }
        storeSession(signedInSession());
        AppModel& m = start();
        ASSERT_EQ(m.phase(), c.create ? AppPhase::setup : AppPhase::unlock);
        if (!c.fault.is_null()) {
            control().addFault(c.fault);
        }

        bool dropped = false;
        bool ended = false;
        auto following = follow(c.create ? m.createPassphrase(passphrase, true) : m.unlock(passphrase, true),
                                dropped, ended);
        ASSERT_TRUE(m.isWorking());
        if (c.onceArrived) {
            // The portal takes a fault off its list when the request it slows down arrives.
            ASSERT_TRUE(runUntil([&] { return control().get("/_control/faults").at("faults").empty(); }));
        }
        await(m.signOut());
        if (c.signInAsOther) {
            m.setPendingEmail(other);
            m.setPendingPassword(password);
            await(m.signIn());
            ASSERT_EQ(m.phase(), AppPhase::setup);
            ASSERT_EQ(m.session()->email, other);
        }
        ASSERT_TRUE(runUntil([&] { return ended; }));
        EXPECT_TRUE(dropped) << "the result goes nowhere";
        drainEvents();

        EXPECT_FALSE(m.keldraKey().has_value());
        EXPECT_FALSE(m.unattended());
        EXPECT_FALSE(storedKeyOf(email).has_value());
        EXPECT_FALSE(storedKeyOf(other).has_value());
        EXPECT_EQ(m.phase(), c.signInAsOther ? AppPhase::setup : AppPhase::signedOut);
        EXPECT_FALSE(m.isWorking());
        model.reset();
        drainEvents();
        secrets.remove(sessionAccount);
    }
}

} // namespace
} // namespace keldra::test
