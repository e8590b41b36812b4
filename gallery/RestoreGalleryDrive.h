#pragma once
// The Restore screen's pictures are drawn from a real RestoreModel listing a real drive: a backup folder in
// a temporary place, written in the drive format with a fixed key, whose volume the gallery plugs in. The
// clock stands still, so the pictures do not change from run to run except for the local time zone.

#include "app/async/Workers.h"
#include "core/crypto/KeldraKey.h"
#include "core/platform/FileRevealer.h"
#include "core/platform/FolderChooser.h"
#include "core/seams/Clock.h"
#include "drive/destination/LocalDestination.h"
#include "drive/destination/VolumeProvider.h"
#include "restore/model/RestoreContext.h"

#include <QTemporaryDir>
#include <filesystem>

namespace keldra {
class FakeAppModel;
}

class QWidget;

namespace keldra::gallery {

// Gives the application model a restore model listing the scripted drive's device with many files.
void listScriptedDrive(FakeAppModel& app);
// Opens the folders down to one file in the Restore screen shown in `window` and selects it, as a user
// looking at a file's versions does.
void openScriptedFile(QWidget* window);

class RestoreGalleryDrive {
public:
    // The one scripted drive, written on first use.
    static RestoreGalleryDrive& instance();

    RestoreContext context() const;
    Workers& workers() { return workers_; }
    FolderChooser& chooser() { return chooser_; }
    FileRevealer& revealer() { return revealer_; }
    const Clock& clock() const { return clock_; }
    // The device with many files and the one with a single file.
    static constexpr const char* studioDevice = "studio-mac";
    static constexpr const char* miniDevice = "mac-mini";
    static constexpr const char* destinationID = "DEST-GALLERY";

private:
    RestoreGalleryDrive();

    class FixedClock final : public Clock {
    public:
        SystemTime now() const override { return at; }
        SystemTime at;
    };
    class Volumes final : public VolumeProvider {
    public:
        std::vector<MountedVolume> mountedVolumes() const override { return {volume}; }
        std::optional<MountedVolume> volumeFor(const std::filesystem::path&) const override { return volume; }
        std::optional<std::int64_t> availableCapacity(const std::filesystem::path&) const override {
            return std::nullopt;
        }
        MountedVolume volume;
    };
    class NoFolder final : public FolderChooser {
    public:
        void chooseFolder(const std::string&, const std::string&, Done done) override { done(std::nullopt); }
        void choosePaths(const FolderChoice&, PathsDone done) override { done({}); }
    };
    class NoReveal final : public FileRevealer {
    public:
        void reveal(const std::filesystem::path&) override {}
    };

    void write();

    QTemporaryDir temp_;
    KeldraKey key_;
    FixedClock clock_;
    Volumes volumes_;
    LocalDestination destination_;
    NoFolder chooser_;
    NoReveal revealer_;
    Workers workers_{2};
};

} // namespace keldra::gallery
