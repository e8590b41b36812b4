#pragma once

#include "desktop/KeldraEntry.h"
#include "tests/support/LocalPortal.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace keldra::test {

// A user's computer for one test: a temporary home with its own XDG folders (settings, index, autostart),
// its own local portal with one account, and the session's keyring emptied of the application's items
// before and after. Keldra runs in this process through the program's own entry (launch()), or as the
// keldra program on the same folders (startProgram()).
class KeldraSession : public ::testing::Test {
protected:
    static constexpr const char* email = "ada@example.com";
    static constexpr const char* password = "correct horse";
    static constexpr const char* passphrase = "orbit lantern velvet";

    void SetUp() override;
    void TearDown() override;

    std::filesystem::path home() const { return root_.path() / "home"; }
    std::filesystem::path configHome() const { return root_.path() / "config"; }
    std::filesystem::path dataHome() const { return root_.path() / "data"; }
    // The account's own folder, where its index lives.
    std::filesystem::path accountFolder() const;
    LocalPortal& portal() { return *portal_; }
    LocalPortalControl& control() { return portal_->control(); }

    // Keldra in this process, as `keldra ARGUMENTS` starts it.
    KeldraInstance& launch(const std::vector<std::string>& arguments = {});
    // Quits it as Quit does: the run and a restore are stopped and the engines waited for.
    void quit();
    KeldraInstance& keldra() { return *instance_; }

    // Signs in, creates the passphrase (remembered), names the computer and chooses `folder`, through the
    // model the screens drive; set-up is left unfinished when `finish` is false.
    void setUpAccount(const std::filesystem::path& folder, bool finish);

    // The keldra program on these folders; its output goes to a file in the test's folder.
    pid_t startProgram(const std::vector<std::string>& arguments);
    // Waits for a started program while this process keeps serving its events; its wait status, or nullopt
    // when it did not end in time.
    std::optional<int> waitForProgram(pid_t pid);

private:
    TempDir root_;
    std::unique_ptr<LocalPortal> portal_;
    std::unique_ptr<KeldraInstance> instance_;
    std::vector<pid_t> programs_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnvironment_;
};

} // namespace keldra::test
