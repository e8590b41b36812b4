// A whole drive run: availability, the header and key check, reconcile, seeding and the guards.

#include "DriveRunFixture.h"
#include "core/events/ByteCount.h"
#include "core/scan/SourceScanner.h"

#include <gmock/gmock.h>
#include <thread>

namespace keldra::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(DriveRunTest, UnusableDrivesEndBeforeAnyRunRow) {
    struct Case {
        const char* name;
        std::function<void(DriveRunTest&)> arrange;
        LocalOutcome outcome;
        std::vector<std::string> logs;
    };
    const std::vector<Case> cases = {
        {"not mounted", [](DriveRunTest& t) { t.volumes.unmountAll(); }, LocalOutcome::notConnected(), {}},
        {"chosen folder gone",
         [](DriveRunTest& t) { t.destination.folderInVolume = "Backups/Keldra"; },
         LocalOutcome::unavailable("The chosen folder isn't on the drive."),
         {"Backup: The backup folder on this drive wasn't found. Skipped."}},
        {"backup root is a file",
         [](DriveRunTest& t) { writeFile(t.root(), "not a folder"); },
         LocalOutcome::unavailable("The drive can't be written to."),
         {"Backup: The drive is read-only or full. Skipped."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriveRunTest& t = *this;
        fs::remove_all(root());
        destination.folderInVolume = "";
        volumes.unmountAll();
        volumes.mount(MountedVolume{driveMount, "UUID-1", "Backup", false});
        c.arrange(t);
        put("a.txt", "a");
        const RunOutput output = run();
        EXPECT_EQ(output.result.outcome, c.outcome);
        EXPECT_FALSE(output.result.record);
        EXPECT_FALSE(output.result.freeBytes);
        EXPECT_EQ(output.texts(), c.logs);
        EXPECT_THAT(history.recentRuns(10), IsEmpty());
    }
}

TEST_F(DriveRunTest, FirstRunWritesTheFormatAndRecordsEveryCopy) {
    put("notes.txt", "hello drive");
    put("empty.bin", "");
    put("deep/folder/photo.jpg", std::string(5000, 'x'));
    volumes.setFreeSpace(std::int64_t{900'000'000'000});

    const RunOutput output = run();

    ASSERT_EQ(output.result.outcome, LocalOutcome::completed());
    ASSERT_TRUE(output.result.record);
    const RunRecord& record = *output.result.record;
    EXPECT_EQ(record.status, RunStatus::succeeded);
    EXPECT_EQ(record.scanned, 3);
    EXPECT_EQ(record.uploaded, 3);
    EXPECT_EQ(record.failed, 0);
    // Each object is the 4108-byte head plus one 28-byte record around the content.
    EXPECT_EQ(record.uploadedBytes, 3 * (4108 + 28) + 11 + 5000);
    EXPECT_EQ(record.message, "3 copied (" + formatByteCount(record.uploadedBytes) + ")");
    EXPECT_EQ(output.result.freeBytes, 900'000'000'000);
    EXPECT_FALSE(output.result.driveFull);
    EXPECT_EQ(output.logs.back().text, "Backup: " + *record.message);
    EXPECT_EQ(output.logs.back().tone, LogLine::Tone::ok);
    for (const LogLine& line : output.logs) {
        EXPECT_EQ(line.text.rfind("Backup: ", 0), 0u) << line.text;
    }
    EXPECT_EQ(history.recentRuns(10).front(), record);
    EXPECT_EQ(meter.takePending(), 11 + 5000);

    // The published layout.
    EXPECT_TRUE(LocalFormat::readHeaderFile(root()));
    EXPECT_EQ(readFile(root() / "README.txt"), LocalFormat::readmeText());
    EXPECT_EQ(readFile(deviceFolder() / "device.json"), R"({"name":"Test Computer"})");
    ASSERT_EQ(objects().size(), 3u);

    // Every row names an object that opens to the file's own path and content.
    for (const std::string relative : {"notes.txt", "empty.bin", "deep/folder/photo.jpg"}) {
        SCOPED_TRACE(relative);
        const auto row = driveIndex->file(stored(relative));
        ASSERT_TRUE(row && row->keldraFileID);
        const fs::path object = LocalFormat::objectPath(deviceFolder(), *row->keldraFileID);
        EXPECT_EQ(LocalFormat::readMetadata(object, driveRunKey()).path, stored(relative));
        LocalFormat::restoreObject(object, temp / "restored", driveRunKey());
        EXPECT_EQ(readFile(temp / "restored"), readFile(sourceDir / relative));
        const auto versions = driveIndex->versions(stored(relative));
        ASSERT_EQ(versions.size(), 1u);
        EXPECT_EQ(versions[0].keldraFileID, *row->keldraFileID);
        EXPECT_EQ(versions[0].format, 2);
        EXPECT_FALSE(versions[0].supersededAt);
    }
    EXPECT_EQ(driveIndex->meta("lastSuccess"), metaTimeText(toUnixSeconds(record.startedAt)));
    // Drive runs keep no files of their own in the account index.
    EXPECT_THAT(history.files(), IsEmpty());

    // Progress walks the phases in order and ends with every file done.
    std::vector<RunPhase> phases;
    for (const RunProgress& progress : output.progress) {
        EXPECT_EQ(progress.destination, "Backup");
        if (phases.empty() || phases.back() != progress.phase) {
            phases.push_back(progress.phase);
        }
    }
    EXPECT_THAT(phases, ElementsAre(RunPhase::preparing, RunPhase::checking, RunPhase::scanning,
                                    RunPhase::copying, RunPhase::cleaning));
    const RunProgress& lastCopy = output.progress[output.progress.size() - 2];
    EXPECT_EQ(lastCopy.filesDone, 3);
    EXPECT_EQ(lastCopy.bytesDone, 5011);
}

TEST_F(DriveRunTest, UnchangedRerunCopiesNothingAndStillFinishes) {
    put("a.txt", "one");
    put("b.txt", "two");
    ASSERT_EQ(run().result.outcome, LocalOutcome::completed());
    const auto before = objects();

    clock.advance(Seconds(60));
    const RunOutput second = run();
    EXPECT_EQ(second.result.outcome, LocalOutcome::completed());
    EXPECT_TRUE(second.hasLog("Backup: No changes since the last copy."));
    EXPECT_EQ(second.result.record->message, "Nothing new to copy");
    EXPECT_EQ(second.result.record->scanned, 2);
    EXPECT_EQ(second.result.record->uploaded, 0);
    EXPECT_EQ(objects(), before);
    EXPECT_EQ(driveIndex->meta("lastSuccess"), metaTimeText(toUnixSeconds(second.result.record->startedAt)));
}

TEST_F(DriveRunTest, OverlappingSourcesCountEachFileOnce) {
    put("inner/a.txt", "a");
    put("b.txt", "b");
    LocalRunRequest overlapping = request();
    BackupSource inner{"S2", (sourceDir / "inner").string(), false, clock.now()};
    overlapping.sources.push_back(inner);

    const RunOutput output = run(overlapping);
    EXPECT_EQ(output.result.record->scanned, 2);
    EXPECT_EQ(output.result.record->uploaded, 2);
    EXPECT_EQ(objects().size(), 2u);
}

TEST_F(DriveRunTest, TheBackupFolderItselfIsNeverScanned) {
    // The drive folder lies inside the source: its objects must not be backed up into themselves.
    destination.volumePathAtAdd = (sourceDir / "usb").string();
    volumes.unmountAll();
    destination.volumeUUID.reset();
    fs::create_directories(sourceDir / "usb");
    volumes.mount(MountedVolume{sourceDir / "usb", std::nullopt, std::nullopt, false});
    put("a.txt", "a");
    ASSERT_EQ(run().result.record->uploaded, 1);
    clock.advance(Seconds(60));
    const RunOutput second = run();
    EXPECT_EQ(second.result.record->scanned, 1);
    EXPECT_EQ(second.result.record->uploaded, 0);
}

TEST_F(DriveRunTest, AFileTheScanCannotHandOnIsReportedNotSilentlySkipped) {
    put("good.txt", "g");
    put("bad\xff.txt", "b");
    const RunOutput output = run();
    EXPECT_EQ(output.result.outcome, LocalOutcome::completedWithFailures(1));
    EXPECT_EQ(output.result.record->uploaded, 1);
    const auto failures = history.failures(output.result.record->id);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].reason, std::string("Backup: ") + SourceScanner::invalidFileNameReason);
}

TEST_F(DriveRunTest, AnotherPassphraseOrADamagedHeaderTouchesNothing) {
    put("a.txt", "secret");
    for (const bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged header" : "other passphrase");
        fs::remove_all(driveMount);
        fs::create_directories(root());
        if (damaged) {
            writeFile(root() / "backup.json", "{\"format\": \"orlivane-keldra-local\"");
        } else {
            ASSERT_FALSE(LocalFormat::writeHeaderFile(root(), LocalFormat::makeHeader(driveRunKey(9))));
        }
        const auto before = tree(driveMount);

        const RunOutput output = run();
        EXPECT_EQ(output.result.outcome, LocalOutcome::keyMismatch());
        ASSERT_TRUE(output.result.record);
        EXPECT_EQ(output.result.record->status, RunStatus::blocked);
        const std::string message =
            "This drive's backup was made with a different Keldra passphrase. Nothing was changed on it.";
        EXPECT_EQ(output.result.record->message, message);
        EXPECT_EQ(output.logs.back().text, "Backup: " + message);
        EXPECT_EQ(output.logs.back().tone, LogLine::Tone::error);
        EXPECT_EQ(tree(driveMount), before);
        EXPECT_THAT(driveIndex->files(), IsEmpty());
    }
}

// Sets up `recorded` copies from a first run, then deletes `missing` of their objects.
struct MissingCase {
    const char* name;
    int recorded;
    int missing;
    bool headerKept;
    bool override;
    bool pauses;
};

TEST_F(DriveRunTest, MissingCopiesGuardPausesOnlyADriveThatHeldTheBackup) {
    const std::vector<MissingCase> cases = {
        {"20 recorded, 10 missing", 20, 10, true, false, true},
        {"20 recorded, 9 missing", 20, 9, true, false, false},
        {"19 recorded, all missing", 19, 19, true, false, false},
        {"overridden", 20, 10, true, true, false},
        {"header made in this run", 20, 20, false, false, false},
    };
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        for (int i = 0; i < c.recorded; ++i) {
            put("f" + std::to_string(i), "content " + std::to_string(i));
        }
        ASSERT_EQ(run().result.record->uploaded, c.recorded);
        int removed = 0;
        for (const std::string& id : objects()) {
            if (removed++ < c.missing) {
                fs::remove(LocalFormat::objectPath(deviceFolder(), id));
            }
        }
        if (!c.headerKept) {
            fs::remove(root() / "backup.json");
        }
        LocalRunRequest next = request();
        next.overrideMassChangeGuard = c.override;
        clock.advance(Seconds(60));
        const RunOutput output = run(next);
        if (c.pauses) {
            EXPECT_EQ(output.result.outcome, LocalOutcome::massChangeReview(0, c.missing, c.recorded));
            EXPECT_EQ(output.result.record->status, RunStatus::paused);
            EXPECT_EQ(output.result.record->message,
                      std::to_string(c.missing) + " of " + std::to_string(c.recorded) +
                          " copies are missing from the drive. Paused for review.");
            // Nothing was cleared: the user decides.
            EXPECT_EQ(driveIndex->files().size(), static_cast<std::size_t>(c.recorded));
            for (const IndexedFile& row : driveIndex->files()) {
                EXPECT_TRUE(row.keldraFileID);
            }
        } else {
            EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
            if (c.missing > 0) {
                EXPECT_TRUE(output.hasLog("Backup: " + std::to_string(c.missing) +
                                          " files are no longer on the drive. They'll be copied again."));
            }
            EXPECT_EQ(output.result.record->uploaded, c.missing);
            EXPECT_EQ(objects().size(), static_cast<std::size_t>(c.recorded));
        }
    }
}

TEST_F(DriveRunTest, LostIndexIsSeededFromTheDriveAndUnchangedFilesAreLinked) {
    put("a.txt", "first");
    put("b.txt", "bravo");
    ASSERT_EQ(run().result.record->uploaded, 2);
    clock.advance(Seconds(100));
    put("a.txt", "second");
    ASSERT_EQ(run().result.record->uploaded, 1);
    const auto before = objects();
    ASSERT_EQ(before.size(), 3u);
    const auto oldVersions = driveIndex->versions(stored("a.txt"));

    // The computer lost the drive's index (new installation, deleted support folder).
    driveIndex = std::make_unique<BackupIndex>(temp / "fresh-index", logger);
    clock.advance(Seconds(100));
    const RunOutput output = run();

    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_EQ(output.result.record->uploaded, 0);
    EXPECT_EQ(output.result.record->skipped, 2);
    EXPECT_EQ(objects(), before);
    // Versions come back as the drive holds them: newest current, the older superseded when it was made.
    const auto versions = driveIndex->versions(stored("a.txt"));
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_FALSE(versions[0].supersededAt);
    EXPECT_EQ(versions[1].supersededAt, versions[0].createdAt);
    EXPECT_EQ(versions[0].keldraFileID, oldVersions[0].keldraFileID);
    const auto row = driveIndex->file(stored("a.txt"));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->keldraFileID, versions[0].keldraFileID);
    EXPECT_EQ(row->backedUpAt, versions[0].createdAt);
    // Linked files leave no scratch behind.
    for (const auto& entry : fs::recursive_directory_iterator(deviceFolder())) {
        EXPECT_NE(entry.path().filename().string().rfind(".tmp-", 0), 0u) << entry.path();
    }
}

// Source files with rows and (empty) objects, as if copied by an earlier run: the guards only read rows.
void seedBackedUp(DriveRunTest& t, BackupIndex& index, const fs::path& sourceDir,
                  const fs::path& deviceFolder, int count) {
    for (int i = 0; i < count; ++i) {
        const fs::path file = sourceDir / ("f" + std::to_string(i));
        writeFile(file, "x");
        struct stat status {};
        ASSERT_EQ(::stat(file.c_str(), &status), 0);
        char id[33];
        std::snprintf(id, sizeof id, "%032x", i + 1);
        writeFile(LocalFormat::objectPath(deviceFolder, id), "");
        const double mtime = static_cast<double>(status.st_mtim.tv_sec) + status.st_mtim.tv_nsec / 1e9;
        index.upsertFile(
            IndexedFile{BackupSource::abbreviatePath(file), "S1", 1, mtime, "hash", id, 1.0, std::nullopt});
        index.addVersion(IndexedVersion{id, BackupSource::abbreviatePath(file), 1, 1.0, std::nullopt, 2});
    }
    (void)t;
}

TEST_F(DriveRunTest, MassChangeGuardTripsAtFortyPercentOfAtLeastTwoHundred) {
    struct Case {
        const char* name;
        int protectedCount;
        int changed;
        int removed;
        bool guardOn;
        bool override;
        bool pauses;
    };
    const std::vector<Case> cases = {
        {"80 of 200", 200, 40, 40, true, false, true},   {"79 of 200", 200, 40, 39, true, false, false},
        {"all of 199", 199, 0, 199, true, false, false}, {"guard off", 200, 0, 100, false, false, false},
        {"overridden", 200, 100, 0, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(sourceDir);
        fs::remove_all(driveMount);
        fs::create_directories(root());
        driveIndex->clearFilesAndVersions();
        ASSERT_FALSE(LocalFormat::writeHeaderFile(root(), LocalFormat::makeHeader(driveRunKey())));
        seedBackedUp(*this, *driveIndex, sourceDir, deviceFolder(), c.protectedCount);
        // A new file keeps the source from looking empty when every backed-up file is removed.
        put("new.txt", "new");
        for (int i = 0; i < c.changed; ++i) {
            writeFile(sourceDir / ("f" + std::to_string(i)), "changed");
        }
        for (int i = c.changed; i < c.changed + c.removed; ++i) {
            fs::remove(sourceDir / ("f" + std::to_string(i)));
        }
        LocalRunRequest next = request();
        next.settings.massChangeGuard = c.guardOn;
        next.overrideMassChangeGuard = c.override;
        const RunOutput output = run(next);
        if (c.pauses) {
            EXPECT_EQ(output.result.outcome,
                      LocalOutcome::massChangeReview(c.changed, c.removed, c.protectedCount));
            EXPECT_EQ(output.result.record->message, std::to_string(c.changed) + " files changed and " +
                                                         std::to_string(c.removed) +
                                                         " removed since the last copy. Paused for review.");
            EXPECT_EQ(output.logs.back().tone, LogLine::Tone::warning);
            for (const IndexedFile& row : driveIndex->files()) {
                EXPECT_FALSE(row.missingSince);
            }
        } else {
            EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
            EXPECT_EQ(output.result.record->uploaded, c.changed + 1);
            int missing = 0;
            for (const IndexedFile& row : driveIndex->files()) {
                missing += row.missingSince ? 1 : 0;
            }
            EXPECT_EQ(missing, c.removed);
        }
    }
}

TEST_F(DriveRunTest, AnEmptiedSourceNeverMakesItsCopiesLookDeleted) {
    put("a.txt", "a");
    put("b.txt", "b");
    ASSERT_EQ(run().result.record->uploaded, 2);
    // The folder is still there but empty, like a mount point whose drive was unmounted.
    fs::remove(sourceDir / "a.txt");
    fs::remove(sourceDir / "b.txt");

    LocalRunRequest next = request();
    next.settings.deletedGraceDays = 1;
    const RunOutput output = run(next);
    EXPECT_EQ(output.result.outcome, LocalOutcome::completed());
    EXPECT_TRUE(output.hasLog("Backup: " + BackupSource::abbreviatePath(sourceDir) +
                              " looks empty. Skipped; nothing on the drive is removed."));
    for (const IndexedFile& row : driveIndex->files()) {
        EXPECT_FALSE(row.missingSince) << row.path;
    }
    clock.advance(Seconds(3 * 86400));
    const RunOutput later = run(next);
    EXPECT_EQ(later.result.record->removed, 0);
    EXPECT_EQ(objects().size(), 2u);

    // One file left is an ordinary deletion of the other.
    put("a.txt", "a");
    run(next);
    const auto row = driveIndex->file(stored("b.txt"));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->missingSince);
}

TEST_F(DriveRunTest, DeletedFilesArePurgedAfterTheGracePeriodOnlyFromScannedSources) {
    put("keep.txt", "k");
    put("gone.txt", "g");
    put("back.txt", "b");
    LocalRunRequest next = request();
    next.settings.deletedGraceDays = 7;
    ASSERT_EQ(run(next).result.record->uploaded, 3);
    fs::remove(sourceDir / "gone.txt");
    fs::remove(sourceDir / "back.txt");
    clock.advance(Seconds(60));
    run(next);
    ASSERT_TRUE(driveIndex->file(stored("gone.txt"))->missingSince);

    // Past the grace period but the source was not scanned (its folder is unavailable): nothing goes.
    clock.advance(Seconds(8 * 86400));
    put("back.txt", "b");
    LocalRunRequest unscanned = next;
    unscanned.sources[0].path = (temp / "not-there").string();
    EXPECT_EQ(run(unscanned).result.record->removed, 0);
    EXPECT_EQ(objects().size(), 3u);

    // Scanned: the deleted file's copies go, the one that came back is kept and no longer missing.
    const auto goneID = *driveIndex->file(stored("gone.txt"))->keldraFileID;
    const RunOutput output = run(next);
    EXPECT_EQ(output.result.record->removed, 1);
    EXPECT_THAT(*output.result.record->message, ::testing::HasSubstr(" · 1 old copies removed"));
    EXPECT_FALSE(driveIndex->file(stored("gone.txt")));
    EXPECT_FALSE(fs::exists(LocalFormat::objectPath(deviceFolder(), goneID)));
    EXPECT_FALSE(driveIndex->file(stored("back.txt"))->missingSince);
    EXPECT_TRUE(driveIndex->file(stored("keep.txt")));
}

TEST_F(DriveRunTest, OldVersionsArePrunedAfterTheRetentionPeriod) {
    put("a.txt", "v1");
    run();
    const auto firstID = *driveIndex->file(stored("a.txt"))->keldraFileID;
    clock.advance(Seconds(60));
    put("a.txt", "v2 longer");
    const RunOutput second = run();
    EXPECT_EQ(second.result.record->uploaded, 1);
    EXPECT_TRUE(fs::exists(LocalFormat::objectPath(deviceFolder(), firstID)));
    const auto versions = driveIndex->versions(stored("a.txt"));
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_TRUE(versions[1].supersededAt);

    LocalRunRequest next = request();
    next.settings.versionRetentionDays = 0; // behaves as one day
    clock.advance(Seconds(86400 - 120));
    EXPECT_EQ(run(next).result.record->removed, 0);
    clock.advance(Seconds(180));
    const RunOutput pruned = run(next);
    EXPECT_EQ(pruned.result.record->removed, 1);
    EXPECT_EQ(pruned.result.record->message, "Nothing new to copy · 1 old copies removed");
    EXPECT_FALSE(fs::exists(LocalFormat::objectPath(deviceFolder(), firstID)));
    EXPECT_EQ(driveIndex->versions(stored("a.txt")).size(), 1u);
}

TEST_F(DriveRunTest, RunsOnOneEngineTakeTurns) {
    put("a.txt", "a");
    std::vector<RunOutput> outputs(2);
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] { outputs[i] = run(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto runs = history.recentRuns(10);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].status, RunStatus::succeeded);
    EXPECT_EQ(runs[1].status, RunStatus::succeeded);
    EXPECT_EQ(outputs[0].result.record->uploaded + outputs[1].result.record->uploaded, 1);
    EXPECT_EQ(objects().size(), 1u);
}

TEST_F(DriveRunTest, AListenerThatThrowsNeitherStopsTheRunNorLeavesItUnrecorded) {
    put("a.txt", "alpha");
    const LocalRunResult result =
        engine.run(request(), *driveIndex, [](const EngineEvent&) { throw std::runtime_error("listener"); });

    ASSERT_TRUE(result.record);
    EXPECT_EQ(result.outcome, LocalOutcome::completed());
    EXPECT_EQ(result.record->uploaded, 1);
    EXPECT_EQ(history.recentRuns(1).at(0).status, RunStatus::succeeded);
}

} // namespace
} // namespace keldra::test
