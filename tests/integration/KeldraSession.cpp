#include "tests/integration/KeldraSession.h"

#include "app/model/AppModel.h"
#include "core/secrets/KeychainItems.h"
#include "core/secrets/ScopeKey.h"
#include "platform/secrets/LibsecretStore.h"
#include "tests/integration/DisplayApplication.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/RecordingLogger.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <qcoro/qcorotask.h>
#include <sys/wait.h>

namespace keldra::test {

namespace {

// The application's keyring items for the test account: none may carry over between tests.
void forgetKeyringItems(std::string_view email) {
    RecordingLogger logger;
    LibsecretStore keyring(logger);
    keyring.remove(sessionAccount);
    keyring.remove(keldraKeyAccount(scopeKey(email)));
}

} // namespace

void KeldraSession::SetUp() {
    if (!DisplayApplication::available()) {
        GTEST_SKIP() << "needs a display: run under scripts/with-session-services --display";
    }
    for (const char* folder : {"home", "config", "data", "cache", "state"}) {
        std::filesystem::create_directories(root_.path() / folder);
    }
    portal_ = std::make_unique<LocalPortal>();
    control().createAccount({{"email", email}, {"password", password}});
    const std::pair<const char*, std::string> environment[] = {
        {"HOME", home().string()},
        {"XDG_CONFIG_HOME", configHome().string()},
        {"XDG_DATA_HOME", dataHome().string()},
        {"XDG_CACHE_HOME", (root_.path() / "cache").string()},
        {"XDG_STATE_HOME", (root_.path() / "state").string()},
        {"KELDRA_PORTAL_URL", portal_->baseUrl()},
    };
    for (const auto& [name, value] : environment) {
        const char* before = std::getenv(name);
        savedEnvironment_.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
        setenv(name, value.c_str(), 1);
    }
    forgetKeyringItems(email);
}

void KeldraSession::TearDown() {
    for (const pid_t pid : programs_) {
        if (kill(pid, 0) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    if (instance_) {
        quit();
    }
    if (!savedEnvironment_.empty()) {
        forgetKeyringItems(email);
    }
    for (const auto& [name, value] : savedEnvironment_) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    portal_.reset();
}

std::filesystem::path KeldraSession::accountFolder() const {
    return dataHome() / "orlivane-keldra" / scopeKey(email);
}

KeldraInstance& KeldraSession::launch(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{KELDRA_PROGRAM};
    all.insert(all.end(), arguments.begin(), arguments.end());
    instance_ = std::make_unique<KeldraInstance>(all);
    drainEvents();
    return *instance_;
}

void KeldraSession::quit() {
    instance_.reset();
    drainEvents();
}

void KeldraSession::setUpAccount(const std::filesystem::path& folder, bool finish) {
    AppModel& model = instance_->model();
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::signedOut; }));
    model.setPendingEmail(email);
    model.setPendingPassword(password);
    QCoro::waitFor(model.signIn());
    ASSERT_EQ(model.authError(), std::nullopt);
    ASSERT_TRUE(runUntil([&] { return model.phase() == AppPhase::setup; }));
    ASSERT_EQ(QCoro::waitFor(model.createPassphrase(passphrase, true)), std::nullopt);
    ASSERT_EQ(QCoro::waitFor(model.chooseDeviceFolder("Workstation")), std::nullopt);
    QCoro::waitFor(model.addPickedSources({folder}));
    if (finish) {
        // No autostart entry; notifications on, as the set-up step offers them.
        QCoro::waitFor(model.finishSetup(false, true));
    } else {
        // Set up, but no run yet: the next start finds a first backup due.
        BackupSettings settings = model.settings();
        settings.setupComplete = true;
        model.persistSettings(settings);
    }
    drainEvents();
}

pid_t KeldraSession::startProgram(const std::vector<std::string>& arguments) {
    std::vector<std::string> all{KELDRA_PROGRAM};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const pid_t pid = keldra::test::startProgram(
        all, root_.path() / ("keldra-" + std::to_string(programs_.size()) + ".out"));
    programs_.push_back(pid);
    return pid;
}

std::optional<int> KeldraSession::waitForProgram(pid_t pid) {
    int status = 0;
    const bool ended = runUntil(
        [&] {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            return done == pid || (done < 0 && errno == ECHILD);
        },
        std::chrono::seconds(60));
    if (!ended) {
        return std::nullopt;
    }
    std::erase(programs_, pid);
    return status;
}

} // namespace keldra::test
