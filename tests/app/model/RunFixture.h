#pragma once

#include "core/codec/Base64.h"
#include "tests/app/model/AppModelFixture.h"
#include "tests/support/AppModelTestAccess.h"
#include "tests/support/FailingScanFileSystem.h"

#include <cstdlib>
#include <fstream>

namespace keldra::test {

// A signed-in account ready to back up with the real engines: a home folder of its own (HOME points there)
// as the source, a device folder on the local portal, the passphrase created through the model (real key
// derivation) and, on request, a backup drive in a temporary folder.
class RunFixture : public AppModelFixture {
protected:
    static constexpr const char* passphrase = "orbit lantern velvet";

    void SetUp() override {
        AppModelFixture::SetUp();
        if (const char* existing = std::getenv("HOME")) {
            savedHome_ = existing;
        }
        std::filesystem::create_directories(home());
        setenv("HOME", home().c_str(), 1);
    }

    void TearDown() override {
        AppModelFixture::TearDown();
        if (savedHome_) {
            setenv("HOME", savedHome_->c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }

    std::filesystem::path home() const { return temp.path() / "home"; }

    std::filesystem::path writeHomeFile(const std::string& relative, const std::string& contents) {
        const auto path = home() / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    // Settings of a finished set-up whose device folder exists on the portal; backups only by hand, so
    // nothing else notifies.
    BackupSettings portalSettings() {
        const auto root = control().createFolder(email, "Backups");
        const auto device = control().createFolder(email, "Computer", root.at("id").get<std::int64_t>());
        BackupSettings settings = readySettings();
        settings.schedule.kind = ScheduleKind::manual;
        settings.backupsFolderID = std::to_string(root.at("id").get<std::int64_t>());
        settings.deviceFolderID = std::to_string(device.at("id").get<std::int64_t>());
        settings.deviceName = "Computer";
        return settings;
    }

    // Signed in, unlocked with a passphrase created through the model, the home folder as the one source.
    AppModel& ready(const AppServices& withServices) {
        createAccount();
        saveSettings(email, portalSettings());
        BackupSource::saveAll(*defaults, scopeKey(email),
                              {BackupSource{"S1", home().string(), false, clock.now()}});
        storeSession(signedInSession());
        model = std::make_unique<AppModel>(withServices);
        AppModel& m = *model;
        EXPECT_TRUE(runUntil([&] { return m.phase() == AppPhase::unlock; }));
        EXPECT_EQ(await(m.createPassphrase(passphrase, false)), std::nullopt);
        EXPECT_EQ(m.phase(), AppPhase::ready);
        return m;
    }
    AppModel& ready() { return ready(services()); }

    // A drive in a temporary folder, mounted and chosen as a destination.
    LocalDestination addDrive(AppModel& m, const std::string& id = "D1",
                              const std::string& name = "Studio Disk") {
        const std::filesystem::path root = temp.path() / ("volume-" + id);
        std::filesystem::create_directories(root);
        volumes.mount(MountedVolume{root, "UUID-" + id, name, false});
        LocalDestination drive;
        drive.id = id;
        drive.name = name;
        drive.volumeUUID = "UUID-" + id;
        drive.volumePathAtAdd = root.string();
        drive.enabled = true;
        drive.addedAt = clock.now();
        std::vector<LocalDestination> all = m.destinations();
        all.push_back(drive);
        AppModelTestAccess::setDestinations(m, all);
        // Plugged in, as the app knows of a drive it adds (a run chooses the connected ones).
        AppModelTestAccess::editDriveState(m, drive.id, [](DriveState& state) { state.connected = true; });
        return drive;
    }

    // Starts a run and waits until the model is idle again.
    void runAndWait(AppModel& m, const std::string& trigger = "Manual", bool acceptLocal = false,
                    bool acceptMissing = false, bool cloud = true,
                    std::optional<std::vector<std::string>> ids = std::nullopt) {
        m.runBackup(trigger, acceptLocal, acceptMissing, cloud, std::move(ids));
        EXPECT_TRUE(runUntil([&] { return !m.isRunning() && !m.hasRunTask(); }));
        drainEvents();
    }

    std::optional<std::string> meta(AppModel& m, const std::string& key) {
        drainEvents();
        return m.index() ? m.index()->meta(key) : std::nullopt;
    }

    // Waits until the account index holds `value` under `key`.
    bool metaBecomes(AppModel& m, const std::string& key, const std::optional<std::string>& value) {
        return runUntil([&] { return m.index() && m.index()->meta(key) == value; });
    }

    std::vector<std::string> logTexts(const AppModel& m) const {
        std::vector<std::string> texts;
        for (const LogLine& line : m.log()) {
            texts.push_back(line.text);
        }
        return texts;
    }

    // The stored body of a portal file, opened with the model's key.
    std::string openBody(const AppModel& m, const nlohmann::json& file) {
        const std::string body = control().object(file.at("s3_key").get<std::string>());
        const auto iv = base64Decode(file.at("encryption_iv").get<std::string>());
        const Bytes opened = m.keldraKey()->open(Bytes(body.begin(), body.end()), *iv);
        return std::string(opened.begin(), opened.end());
    }

    // A key other than the passphrase's, as after the passphrase was changed on another computer.
    static KeldraKey otherKey() {
        SymmetricKey raw{};
        raw.fill(9);
        return KeldraKey(raw);
    }

private:
    std::optional<std::string> savedHome_;
};

} // namespace keldra::test
