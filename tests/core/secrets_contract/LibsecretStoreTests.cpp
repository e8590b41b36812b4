// What only the libsecret store has: the item's attributes, label and content type as other keyring tools
// see them, and the behaviour without a usable Secret Service (no bus, no service on the bus, a locked
// keyring). Those cases run in child processes, since GLib keeps one session bus per process.
#include "core/secrets/KeychainItems.h"
#include "platform/secrets/GlibHandles.h"
#include "platform/secrets/LibsecretStore.h"
#include "tests/support/LockDefaultKeyring.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <libsecret/secret.h>
#include <map>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace keldra;

namespace {

bool inPrivateSession() {
    return std::getenv("KELDRA_SESSION_INNER") != nullptr;
}

std::string uniqueAccount(std::string_view name) {
    return std::string(name) + "-" + std::to_string(::getpid());
}

struct ChildResult {
    int exitCode = -1;
    std::string output;
};

// Runs argv with the environment changed as given (an empty value removes the variable); output to a file.
ChildResult runChild(const std::vector<std::string>& argv,
                     const std::map<std::string, std::string>& envChanges, const std::string& outputPath) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (envChanges.count(name) == 0) {
            env.push_back(entry);
        }
    }
    for (const auto& [name, value] : envChanges) {
        if (!value.empty()) {
            env.push_back(name + "=" + value);
        }
    }
    std::vector<char*> argvPtrs;
    for (const auto& a : argv) {
        argvPtrs.push_back(const_cast<char*>(a.c_str()));
    }
    argvPtrs.push_back(nullptr);
    std::vector<char*> envPtrs;
    for (const auto& e : env) {
        envPtrs.push_back(const_cast<char*>(e.c_str()));
    }
    envPtrs.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    ChildResult result;
    const int spawned = posix_spawnp(&pid, argvPtrs[0], &actions, nullptr, argvPtrs.data(), envPtrs.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.output = "spawn failed: " + std::to_string(spawned);
        return result;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream in(outputPath);
    std::stringstream text;
    text << in.rdbuf();
    result.output = text.str();
    return result;
}

// Runs one of the DISABLED_ tests below in a child of this test program.
std::vector<std::string> childTest(const std::string& name) {
    return {std::filesystem::read_symlink("/proc/self/exe").string(), "--gtest_also_run_disabled_tests",
            "--gtest_filter=LibsecretStoreChild." + name};
}

void expectChildPassed(const ChildResult& child) {
    EXPECT_EQ(child.exitCode, 0) << child.output;
    EXPECT_NE(child.output.find("[  PASSED  ] 1 test"), std::string::npos) << child.output;
}

// The unusable store: nothing reads, nothing is written, nothing is kept elsewhere, one line per call.
void expectUnusable(const std::string& reason) {
    test::RecordingLogger logger;
    LibsecretStore store(logger);
    const std::string account = uniqueAccount("unusable");

    EXPECT_FALSE(store.read(account));
    EXPECT_EQ(logger.lines().size(), 1u);
    EXPECT_FALSE(store.write(toBytes("secret"), account, sessionLabel));
    EXPECT_EQ(logger.lines().size(), 2u);
    EXPECT_FALSE(store.read(account));
    EXPECT_EQ(logger.lines().size(), 3u);
    EXPECT_FALSE(store.remove(account)) << "a removal that could not be made is not a success";
    EXPECT_EQ(logger.lines().size(), 4u);
    for (const auto& line : logger.lines()) {
        EXPECT_EQ(line.rfind("keyring ", 0), 0u) << line;
        EXPECT_NE(line.find(reason), std::string::npos) << line;
        EXPECT_EQ(line.find("[Keldra]"), std::string::npos) << "the logger adds the prefix: " << line;
    }
}

std::string attribute(GHashTable* attributes, const char* name) {
    const auto* value = static_cast<const char*>(g_hash_table_lookup(attributes, name));
    return value == nullptr ? std::string("<none>") : std::string(value);
}

} // namespace

TEST(LibsecretStore, ItemCarriesServiceAccountAndLabel) {
    ASSERT_TRUE(inPrivateSession()) << "run through scripts/with-session-services (private bus and keyring)";
    test::RecordingLogger logger;
    LibsecretStore store(logger);
    const std::string account = uniqueAccount("portal-session");
    ASSERT_TRUE(store.write(toBytes("one"), account, "Orlivane Keldra sign-in"));
    ASSERT_TRUE(store.write(toBytes("two"), account, "Orlivane Keldra key (unattended backups)"));

    // Look the item up the way any keyring tool would: by its attributes, without our schema.
    glib::HashTable query(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(query.get(), const_cast<char*>("account"), const_cast<char*>(account.c_str()));
    GError* raw = nullptr;
    const glib::ObjectList items(secret_service_search_sync(
        nullptr, nullptr, query.get(),
        static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), nullptr, &raw));
    const glib::Error error(raw);
    ASSERT_FALSE(error) << error->message;
    ASSERT_EQ(g_list_length(items.get()), 1u) << "a second write updates the item in place";

    auto* item = SECRET_ITEM(items.get()->data);
    const glib::String label(secret_item_get_label(item));
    EXPECT_STREQ(label.get(), "Orlivane Keldra key (unattended backups)");
    const glib::HashTable attributes(secret_item_get_attributes(item));
    EXPECT_EQ(attribute(attributes.get(), "service"), "org.orlivane.keldra");
    EXPECT_EQ(attribute(attributes.get(), "account"), account);
    EXPECT_EQ(attribute(attributes.get(), "xdg:schema"), "org.orlivane.keldra");
    // (gnome-keyring does not keep the content type, so only the bytes are checked.)
    const glib::Value value(secret_item_get_secret(item));
    ASSERT_TRUE(value);
    gsize length = 0;
    const gchar* data = secret_value_get(value.get(), &length);
    EXPECT_EQ(std::string(data, length), "two");

    store.remove(account);
    EXPECT_FALSE(store.read(account));
    EXPECT_TRUE(logger.lines().empty());
}

TEST(LibsecretStore, NoSessionBusReadsAsNoItemAndFailsWritesAndRemovals) {
    const test::TempDir dir;
    const auto child =
        runChild(childTest("DISABLED_NoBus"),
                 {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir.path() / "no-bus").string()}},
                 (dir.path() / "out.txt").string());
    expectChildPassed(child);
}

TEST(LibsecretStore, BusWithoutSecretServiceReadsAsNoItemAndFailsWritesAndRemovals) {
    const test::TempDir dir;
    // A session bus that cannot start services, so no Secret Service appears on it.
    std::ofstream(dir.path() / "bus.conf") << R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=)" << dir.path().string()
                                           << R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
    std::vector<std::string> argv{"dbus-run-session", "--config-file=" + (dir.path() / "bus.conf").string(),
                                  "--"};
    for (const auto& a : childTest("DISABLED_NoSecretService")) {
        argv.push_back(a);
    }
    const auto child = runChild(argv, {}, (dir.path() / "out.txt").string());
    expectChildPassed(child);
}

TEST(LibsecretStore, LockedKeyringReadsAsNoItemAndFailsWritesAndRemovalsWithoutPrompting) {
    const test::TempDir dir;
    // A bus and keyring of its own, since the child locks the keyring and nothing can unlock it again
    // without a prompt. A login keyring needs a non-empty password to be created.
    const std::string script = R"(
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
    std::filesystem::create_directories(dir.path() / "data");
    std::filesystem::create_directories(dir.path() / "runtime");
    std::vector<std::string> argv{"dbus-run-session", "--", "sh", "-c", script, "sh"};
    for (const auto& a : childTest("DISABLED_LockedKeyring")) {
        argv.push_back(a);
    }
    const auto child = runChild(argv,
                                {{"XDG_DATA_HOME", (dir.path() / "data").string()},
                                 {"XDG_RUNTIME_DIR", (dir.path() / "runtime").string()}},
                                (dir.path() / "out.txt").string());
    expectChildPassed(child);
}

// Children of the tests above; skipped in a normal run.

TEST(LibsecretStoreChild, DISABLED_NoBus) {
    expectUnusable("unavailable");
}

TEST(LibsecretStoreChild, DISABLED_NoSecretService) {
    expectUnusable("unavailable");
}

TEST(LibsecretStoreChild, DISABLED_LockedKeyring) {
    test::RecordingLogger logger;
    LibsecretStore store(logger);
    const std::string account = uniqueAccount("locked");
    ASSERT_TRUE(store.write(toBytes("before"), account, keldraKeyLabel));
    ASSERT_EQ(store.read(account), toBytes("before"));

    ASSERT_NO_FATAL_FAILURE(test::lockDefaultKeyring());

    EXPECT_FALSE(store.read(account));                                    // existing item, locked
    EXPECT_FALSE(store.write(toBytes("after"), account, keldraKeyLabel)); // update refused
    EXPECT_FALSE(store.write(toBytes("new"), uniqueAccount("fresh"), keldraKeyLabel)); // add refused
    EXPECT_FALSE(store.remove(account)); // the locked item stays
    ASSERT_EQ(logger.lines().size(), 4u);
    for (const auto& line : logger.lines()) {
        EXPECT_EQ(line.rfind("keyring locked: ", 0), 0u) << line;
    }
}
