// A drive or its backup folder that goes away during a run: an object leaves the reservation list only once
// it is known to be gone from the drive itself, so the next run with the drive back finds and removes every
// object nothing names; and no copy is recorded once the folder it was written into is no longer the drive's.

#include "DriveRunFixture.h"
#include "tests/support/ChildProcess.h"

#include <gmock/gmock.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keldra::test {
namespace {

using ::testing::IsEmpty;

constexpr const char* disconnectedMessage =
    "The drive was disconnected. The next copy picks up where this one stopped.";

// A small ext4 file system in an image file, mounted through a loop device where the machine allows it.
class LoopDrive {
public:
    LoopDrive(const fs::path& image, const fs::path& at) : image_(image), at_(at) {
        const fs::path mkfs = firstExisting({"/usr/sbin/mkfs.ext4", "/sbin/mkfs.ext4"});
        if (mkfs.empty() || firstExisting({"/usr/bin/mount", "/bin/mount"}).empty()) {
            problem_ = "mkfs.ext4 or mount is missing";
            return;
        }
        { std::ofstream(image_).close(); }
        fs::resize_file(image_, 32 * 1024 * 1024);
        if (waitForChild(startProgram({mkfs.string(), "-q", "-F", image_.string()}, "/dev/null")) != 0) {
            problem_ = "mkfs.ext4 failed";
            return;
        }
        mountAgain();
    }
    ~LoopDrive() {
        if (mounted_) {
            ::umount2(at_.c_str(), MNT_DETACH);
        }
    }

    bool mountAgain() {
        const fs::path mount = firstExisting({"/usr/bin/mount", "/bin/mount"});
        mounted_ = waitForChild(startProgram({mount.string(), "-o", "loop", image_.string(), at_.string()},
                                             "/dev/null")) == 0;
        if (!mounted_) {
            problem_ = "mount -o loop failed";
        }
        return mounted_;
    }
    // As the system does when a drive is pulled out: the mount point is emptied at once, while the file
    // system stays reachable to descriptors already open on it.
    void detach() {
        ::umount2(at_.c_str(), MNT_DETACH);
        mounted_ = false;
    }
    bool mounted() const { return mounted_; }
    const std::string& problem() const { return problem_; }

private:
    static fs::path firstExisting(std::initializer_list<const char*> paths) {
        for (const char* path : paths) {
            if (::access(path, X_OK) == 0) {
                return path;
            }
        }
        return {};
    }

    fs::path image_;
    fs::path at_;
    bool mounted_ = false;
    std::string problem_;
};

class LeavingDriveTest : public DriveRunTest {
public:
    // Objects on the drive that neither a row nor the reservation list names: no run would ever remove them.
    std::set<std::string> unnamedObjects() {
        std::set<std::string> named = namedObjects(*driveIndex);
        if (const auto listed = driveIndex->meta(metakey::unrecordedObjects)) {
            std::istringstream words(*listed);
            for (std::string id; words >> id;) {
                named.insert(id);
            }
        }
        std::set<std::string> unnamed;
        for (const std::string& id : objects()) {
            if (!named.contains(id)) {
                unnamed.insert(id);
            }
        }
        return unnamed;
    }

    // The drive goes with every byte it holds and leaves its mount point behind, empty.
    void unplug() {
        fs::rename(driveMount, away);
        fs::create_directory(driveMount);
    }
    void plugBackIn() {
        fs::remove(driveMount);
        fs::rename(away, driveMount);
    }

    void putFiles(int count) {
        for (int i = 0; i < count; ++i) {
            put("f" + std::to_string(i) + ".txt", "content " + std::to_string(i));
        }
    }

    // A run with the drive back removes what the cut-off run left and copies every file again.
    void expectNextRunCopiesAllAndLeavesOnlyNamedObjects(std::int64_t files) {
        const RunOutput next = run();
        EXPECT_EQ(next.result.outcome, LocalOutcome::completed());
        EXPECT_EQ(next.result.record->uploaded, files);
        EXPECT_EQ(objects(), namedObjects(*driveIndex));
        EXPECT_EQ(objects().size(), static_cast<std::size_t>(files));
        EXPECT_FALSE(driveIndex->meta(metakey::unrecordedObjects));
    }

    fs::path away = temp / "unplugged";
};

TEST_F(LeavingDriveTest, AnObjectLeavesTheReservationListOnlyOnceItIsGoneFromTheDrive) {
    struct Moment {
        const char* name;
        std::function<void(LeavingDriveTest&)> arrange;
    };
    const std::vector<Moment> moments = {
        {"while the third file is written",
         [](LeavingDriveTest& t) {
             t.files.beforeWrite = [&t](int call, const fs::path&) {
                 if (call == 3) {
                     t.unplug();
                 }
             };
         }},
        {"as the second copy reaches its name",
         [](LeavingDriveTest& t) {
             t.files.afterMove = [&t](int call) {
                 if (call == 2) {
                     t.unplug();
                     throw systemError(EIO);
                 }
             };
         }},
        {"before the group is flushed",
         [](LeavingDriveTest& t) {
             t.files.beforeFlush = [&t](int, const std::vector<fs::path>&) {
                 t.unplug();
             };
         }},
    };
    struct Removal {
        const char* name;
        int fault;
    };
    // The drive may still answer through the folder the run holds (a lazy unmount), or answer nothing.
    const std::vector<Removal> removals = {{"removed through the held folder", 0},
                                           {"the drive answers nothing", EIO}};
    for (const Moment& moment : moments) {
        for (const Removal& removal : removals) {
            SCOPED_TRACE(std::string(moment.name) + ", " + removal.name);
            startAfresh();
            putFiles(6);
            moment.arrange(*this);
            files.removeAtFault = [&](const fs::path&) {
                return removal.fault != 0 ? std::error_code(removal.fault, std::generic_category())
                                          : std::error_code{};
            };
            files.writes = 0;
            files.moves = 0;
            const RunOutput output = run();
            files.beforeWrite = nullptr;
            files.afterMove = nullptr;
            files.beforeFlush = nullptr;
            files.removeAtFault = nullptr;
            plugBackIn();

            EXPECT_EQ(output.result.outcome, LocalOutcome::notConnected());
            EXPECT_EQ(output.result.record->message, disconnectedMessage);
            EXPECT_EQ(output.result.record->uploaded, 0);
            EXPECT_THAT(unnamedObjects(), IsEmpty());
            if (removal.fault == 0) {
                EXPECT_THAT(objects(), IsEmpty());
            }
            expectNextRunCopiesAllAndLeavesOnlyNamedObjects(6);
        }
    }
}

TEST_F(LeavingDriveTest, ALazilyUnmountedDriveKeepsNoObjectThatNothingNames) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a file system image needs root";
    }
    LoopDrive drive(temp / "drive.img", driveMount);
    if (!drive.mounted()) {
        GTEST_SKIP() << "cannot mount a loop device here: " << drive.problem();
    }
    putFiles(6);
    files.beforeWrite = [&](int call, const fs::path&) {
        if (call == 3) {
            drive.detach();
        }
    };
    const RunOutput output = run();
    files.beforeWrite = nullptr;
    EXPECT_EQ(output.result.outcome, LocalOutcome::notConnected());
    EXPECT_EQ(output.result.record->uploaded, 0);

    ASSERT_TRUE(drive.mountAgain()) << drive.problem();
    EXPECT_THAT(unnamedObjects(), IsEmpty());
    expectNextRunCopiesAllAndLeavesOnlyNamedObjects(6);
}

TEST_F(LeavingDriveTest, ABackupFolderDeletedMidRunRecordsNothingOfTheGroupAndEndsAsTheDriveGone) {
    struct Case {
        const char* name;
        bool madeAnew;
    };
    const std::vector<Case> cases = {{"deleted", false}, {"deleted and made anew at its path", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        putFiles(3);
        files.flushes = 0;
        // Once the group is flushed, just before it would be recorded.
        files.afterFlush = [&](int call) {
            if (call == 1) {
                fs::remove_all(root());
                if (c.madeAnew) {
                    fs::create_directories(deviceFolder() / "objects");
                }
            }
        };
        const RunOutput output = run();
        files.afterFlush = nullptr;

        ASSERT_TRUE(output.result.record);
        EXPECT_EQ(output.result.outcome, LocalOutcome::notConnected());
        EXPECT_EQ(output.result.record->status, RunStatus::cancelled);
        EXPECT_EQ(output.result.record->message, disconnectedMessage);
        EXPECT_EQ(output.result.record->uploaded, 0);
        EXPECT_THAT(namedObjects(*driveIndex), IsEmpty());
        EXPECT_FALSE(driveIndex->meta(metakey::lastSuccess));
    }
}

} // namespace
} // namespace keldra::test
