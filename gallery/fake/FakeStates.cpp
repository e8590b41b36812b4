#include "gallery/fake/FakeStates.h"

#include <chrono>

namespace keldra {

namespace {

using namespace std::chrono_literals;

constexpr std::int64_t gigabyte = 1'000'000'000;

SystemTime now() {
    return std::chrono::system_clock::now();
}

KeldraKey sampleKey() {
    const std::vector<std::uint8_t> bytes(32, 0x5A);
    return *KeldraKey::fromBytes(bytes.data(), bytes.size());
}

KeldraStatus storage(std::int64_t used, std::int64_t quota) {
    KeldraStatus status;
    status.usedBytes = FlexInt(used);
    status.quotaBytes = FlexInt(quota);
    return status;
}

BackupSource source(const char* id, const char* path) {
    return BackupSource{id, path, false, now() - 24h * 30};
}

void signedIn(FakeAppModel& model) {
    model.setSession(StoredSession{"token", now() + 24h * 60, "ada@example.com"});
    model.setPendingEmail("ada@example.com");
}

void setupStep(FakeAppModel& model, bool key, bool device, bool sources) {
    signedIn(model);
    model.setPhase(AppPhase::setup);
    if (key) {
        model.setKeldraKey(sampleKey());
    }
    BackupSettings settings;
    if (device) {
        settings.deviceFolderID = "device-1";
    }
    model.setSettings(settings);
    if (sources) {
        model.setSources({source("S1", "/home/ada/Documents")});
    }
}

// The ready window of an account that backs up two folders daily and last succeeded two hours ago.
void ready(FakeAppModel& model) {
    signedIn(model);
    model.setPhase(AppPhase::ready);
    model.setKeldraKey(sampleKey());
    model.persistUnattended(true);
    model.clearCalls();
    BackupSettings settings;
    settings.deviceFolderID = "device-1";
    model.setSettings(settings);
    model.setSources({source("S1", "/home/ada/Documents"), source("S2", "/home/ada/Pictures")});
    model.setLastSuccess(now() - 2h);
    model.setNextRunDate(now() + 22h);
    model.setIndexFigures(12'345, 48 * gigabyte + 200'000'000,
                          {{"S1", SourceStats{9'000, 8 * gigabyte, std::nullopt}},
                           {"S2", SourceStats{3'345, 40 * gigabyte + 200'000'000, std::nullopt}}});
    model.setKeldraStatus(storage(120 * gigabyte, 500 * gigabyte));
    RunRecord last;
    last.id = 41;
    last.startedAt = now() - 2h - 5min;
    last.finishedAt = now() - 2h;
    last.status = RunStatus::succeeded;
    last.trigger = "Scheduled";
    model.setLastRun(last);
    model.setRuns({last});
    model.setHealth(BackupHealth::protectedState());
    model.setPrimaryAction(PrimaryAction::backUpNow);
    model.setCanBackUpNow(true);
    model.setStatusSentence("Last backup today. Files are encrypted on this computer before they leave it.");
    model.setProgressLine("Last 10:12 · 12,345 files · next 08:12");
}

// A drive copied three hours ago (with its figures when `figures`) and one that is full.
void twoDrives(FakeAppModel& model, std::string troubledName, bool figures) {
    LocalDestination good;
    good.id = "D1";
    good.name = "Backup Disk";
    LocalDestination troubled;
    troubled.id = "D2";
    troubled.name = std::move(troubledName);
    model.setDestinations({good, troubled});
    DriveState copied;
    copied.connected = true;
    copied.lastSuccess = now() - 3h;
    if (figures) {
        copied.freeBytes = 812 * gigabyte;
        copied.files = 12'345;
        copied.bytes = 48 * gigabyte;
    }
    DriveState problem;
    problem.lastSuccess = now() - 24h * 3;
    problem.problem = "The drive is full. Free some space or choose another drive.";
    model.setDriveStates({{"D1", copied}, {"D2", problem}});
}

// The pages as full as a user's get: seven sources with long names, two drives (one in trouble), a history
// whose newest run left failures behind, a long log and a banner with two actions.
void full(FakeAppModel& model) {
    ready(model);
    model.setSources({source("S1", "/home/ada/Documents"),
                      source("S2", "/home/ada/Pictures/Family archive scanned from the old albums 1987-2004"),
                      source("S3", "/home/ada/Desktop"), source("S4", "/home/ada/Music"),
                      source("S5", "/home/ada/Projects/keldra-website-redesign-with-the-new-brand"),
                      source("S6", "/home/ada/Mail"), source("S7", "/home/ada/Notes")});
    twoDrives(model, "Travel SSD with the long name", true);
    std::vector<RunRecord> runs;
    const RunStatus statuses[] = {RunStatus::partial,   RunStatus::succeeded, RunStatus::failed,
                                  RunStatus::cancelled, RunStatus::paused,    RunStatus::blocked};
    for (int i = 0; i < 14; ++i) {
        RunRecord run;
        run.id = 60 - i;
        run.startedAt = now() - 40min - 26h * i;
        run.finishedAt = run.startedAt + 1h + 3min + 12s;
        run.status = statuses[i % 6];
        run.trigger = i % 2 ? "Scheduled" : "Manual (reviewed)";
        run.scanned = 1'234'567;
        run.uploaded = 12'345;
        run.uploadedBytes = 987 * gigabyte;
        run.skipped = 1'222'222;
        run.failed = run.status == RunStatus::partial ? 1'234 : 0;
        run.removed = 4'321;
        if (run.status == RunStatus::partial) {
            run.message = "1,234 files could not be read.";
        }
        runs.push_back(run);
    }
    model.setLastRun(runs.front());
    model.setRuns(runs);
    std::vector<RunFailure> failures;
    for (int i = 0; i < 6; ++i) {
        failures.push_back(
            {i + 1,
             "~/Documents/Projects/Quarterly report draft for the board " + std::to_string(i + 1) + ".odt",
             i % 2 ? "Permission denied"
                   : "The file changed while it was being read, so it will be tried again "
                     "on the next run."});
    }
    model.setFailures(runs.front().id, failures);
    std::vector<LogLine> log;
    for (int i = 0; i < 12; ++i) {
        log.push_back(
            LogLine::make(i % 3 ? "Uploaded ~/Pictures/2024/Lisbon/IMG_20" + std::to_string(40 + i) + ".heic"
                                : "Upload link: retrying in 16s (Could not resolve the Keldra's "
                                  "address; the network may be down)",
                          i % 3 ? LogLine::Tone::info : LogLine::Tone::warning, now() - 1min * i));
    }
    model.setLog(log);
}

// A backup uploading `path`, its speed sampled from `firstSample` on.
void running(FakeAppModel& model, const std::string& path, std::size_t firstSample) {
    model.setIsRunning(true);
    RunProgress progress;
    progress.phase = RunPhase::uploading;
    progress.filesTotal = 1'250;
    progress.filesDone = 500;
    progress.bytesTotal = 5 * gigabyte;
    progress.bytesDone = 2 * gigabyte;
    progress.currentPath = path;
    model.setProgress(progress);
    model.setCurrentSpeed(12'500'000);
    std::vector<double> samples(300, 0.0);
    for (std::size_t i = firstSample; i < samples.size(); ++i) {
        samples[i] = 9'000'000 + 4'000'000 * static_cast<double>((i * 37) % 11) / 10;
    }
    model.setThroughput(samples);
    model.setHealth(BackupHealth::backingUp());
    model.setPrimaryAction(PrimaryAction::pause);
    model.setCanBackUpNow(false);
    model.setStatusSentence("Uploading 500 of 1,250 changed files. Each one is encrypted here first.");
    model.setProgressLine("500/1,250 · 12.5 MB/s");
}

BannerModel banner(std::string id, StatusTone tone, std::string title, std::string message,
                   std::optional<std::string> actionTitle, std::optional<std::string> secondaryTitle,
                   bool dismissible, FakeAppModel& model) {
    BannerModel result;
    result.id = id;
    result.tone = tone;
    result.title = std::move(title);
    result.message = std::move(message);
    if (actionTitle) {
        result.actionTitle = actionTitle;
        result.action = [&model, id] {
            model.bannerAction(id);
        };
    }
    if (secondaryTitle) {
        result.secondaryTitle = secondaryTitle;
        result.secondary = [&model, id] {
            model.bannerAction(id + " secondary");
        };
    }
    result.dismissible = dismissible;
    return result;
}

FakeState bannerState(std::string name, std::function<BannerModel(FakeAppModel&)> make,
                      std::function<void(FakeAppModel&)> extra = {}) {
    return FakeState{"banner-" + name,
                     [make = std::move(make), extra = std::move(extra)](FakeAppModel& model) {
                         ready(model);
                         if (extra) {
                             extra(model);
                         }
                         model.setBanners({make(model)});
                     }};
}

std::vector<FakeState> bannerStates() {
    std::vector<FakeState> states;
    states.push_back(bannerState("geo-destroy", [](FakeAppModel& model) {
        return banner(
            "geo-destroy", StatusTone::danger, "Country rule set to Destroy",
            "Opening your Keldra from Russia, Belarus wipes it, including through a VPN server there. "
            "Before every Keldra call this app checks where your connection appears to be, and holds "
            "backups rather than connect from those countries.",
            "Review rule on the web", std::nullopt, true, model);
    }));
    states.push_back(bannerState("dms", [](FakeAppModel& model) {
        return banner("dms", StatusTone::danger, "Dead man's switch is on",
                      "If you don't visit the web Keldra in the next 5 days, it shares every file with your "
                      "emergency contact, including these backups. Automatic backups don't count as a visit.",
                      "Open web Keldra", std::nullopt, true, model);
    }));
    states.push_back(bannerState("review-missing", [](FakeAppModel& model) {
        return banner(
            "review", StatusTone::warning, "Backups are missing from your Keldra",
            "1,204 of 12,345 backed-up files aren't in the Keldra listing. If you deleted them on the "
            "web, upload them again. If not, contact support before continuing.",
            "Upload them again", "Open web Keldra", false, model);
    }));
    states.push_back(bannerState(
        "review-changes",
        [](FakeAppModel& model) {
            return banner(
                "review", StatusTone::warning, "Backup paused for review",
                "4,210 of 12,345 protected files changed and 312 disappeared at once. That can mean a "
                "sync problem or ransomware. Check a few files before continuing.",
                "Back up anyway", "Show recent activity", false, model);
        },
        [](FakeAppModel& model) {
            model.setHealth(BackupHealth::attention());
            model.setPrimaryAction(PrimaryAction::review);
        }));
    states.push_back(bannerState(
        "offline",
        [](FakeAppModel& model) {
            return banner("offline", StatusTone::warning, "Waiting for network",
                          "Backups resume automatically when your computer is back online.", std::nullopt,
                          std::nullopt, false, model);
        },
        [](FakeAppModel& model) { model.setHealth(BackupHealth::attention()); }));
    states.push_back(bannerState(
        "full",
        [](FakeAppModel& model) {
            return banner(
                "full", StatusTone::danger, "Keldra storage is full",
                "Some files weren't backed up. Free up space in the web Keldra or choose a larger plan.",
                "See plans", std::nullopt, false, model);
        },
        [](FakeAppModel& model) {
            model.setKeldraStatus(storage(500 * gigabyte, 500 * gigabyte));
            model.setHealth(BackupHealth::storageFull());
            model.setPrimaryAction(PrimaryAction::seePlans);
        }));
    states.push_back(bannerState(
        "nearly-full",
        [](FakeAppModel& model) {
            return banner("nearly-full", StatusTone::warning, "Keldra is 95% full",
                          "25 GB left. Old versions count towards your storage.", "See plans", std::nullopt,
                          true, model);
        },
        [](FakeAppModel& model) { model.setKeldraStatus(storage(475 * gigabyte, 500 * gigabyte)); }));
    states.push_back(bannerState("drive", [](FakeAppModel& model) {
        return banner(
            "drive-S2", StatusTone::warning, "Photos SSD isn't connected",
            "It was skipped. Its backups stay in the Keldra and nothing is removed while it's unplugged.",
            std::nullopt, std::nullopt, true, model);
    }));
    states.push_back(bannerState("drive-overdue", [](FakeAppModel& model) {
        return banner("drive-overdue-D1", StatusTone::warning, "Travel Drive hasn't been backed up recently",
                      "Its last copy was 12 days ago. Connect it and the copy starts on its own.",
                      std::nullopt, std::nullopt, true, model);
    }));
    states.push_back(bannerState(
        "unattended",
        [](FakeAppModel& model) {
            return banner(
                "unattended", StatusTone::info, "Scheduled backups run while the Keldra is unlocked",
                "After a restart, they wait for your passphrase. Turn on unattended backups in Settings › "
                "Encryption to keep the key in this computer's keyring.",
                "Open settings", std::nullopt, true, model);
        },
        [](FakeAppModel& model) { model.persistUnattended(false); }));
    return states;
}

} // namespace

std::vector<FakeState> fakeStates() {
    std::vector<FakeState> states{
        {"launching",
         [](FakeAppModel& model) {
             model.setPhase(AppPhase::launching);
         }},
        {"signed-out",
         [](FakeAppModel& model) {
             model.setPhase(AppPhase::signedOut);
         }},
        {"two-factor",
         [](FakeAppModel& model) {
             model.setPendingEmail("ada@example.com");
             model.setPendingPassword("correct horse");
             model.setPhase(AppPhase::twoFactor);
         }},
        {"setup-passphrase",
         [](FakeAppModel& model) {
             setupStep(model, false, false, false);
         }},
        {"setup-device",
         [](FakeAppModel& model) {
             setupStep(model, true, false, false);
         }},
        {"setup-folders",
         [](FakeAppModel& model) {
             setupStep(model, true, true, false);
         }},
        {"setup-schedule",
         [](FakeAppModel& model) {
             setupStep(model, true, true, true);
         }},
        {"unlock",
         [](FakeAppModel& model) {
             signedIn(model);
             model.setPhase(AppPhase::unlock);
             model.setHealth(BackupHealth::locked());
             model.setPrimaryAction(PrimaryAction::unlock);
         }},
        {"ready-never",
         [](FakeAppModel& model) {
             ready(model);
             model.setLastSuccess(std::nullopt);
             model.setLastRun(std::nullopt);
             model.setRuns({});
             model.setIndexFigures(0, 0);
             model.setKeldraStatus(storage(0, 500 * gigabyte));
             model.setHealth(BackupHealth::atRisk());
             model.setStatusSentence("This computer hasn't been backed up yet.");
             model.setProgressLine("0 files · next 08:12");
         }},
        {"ready-protected",
         [](FakeAppModel& model) {
             ready(model);
         }},
        {"ready-running",
         [](FakeAppModel& model) {
             ready(model);
             running(model, "~/Pictures/2024/Lisbon/IMG_2041.heic", 180);
         }},
        {"ready-paused",
         [](FakeAppModel& model) {
             ready(model);
             model.setPaused(true);
             model.clearCalls();
             model.setNextRunDate(std::nullopt);
             model.setHealth(BackupHealth::paused());
             model.setPrimaryAction(PrimaryAction::resume);
             model.setStatusSentence("Backups are paused. Nothing new is protected until you resume.");
         }},
        {"ready-storage-95",
         [](FakeAppModel& model) {
             ready(model);
             model.setKeldraStatus(storage(475 * gigabyte, 500 * gigabyte));
         }},
        {"ready-partial",
         [](FakeAppModel& model) {
             ready(model);
             RunRecord last = *model.lastRun();
             last.status = RunStatus::partial;
             last.failed = 1'234;
             model.setLastRun(last);
             model.setRuns({last});
             model.setHealth(BackupHealth::attention());
             model.setStatusSentence("1,234 files couldn't be backed up in the last run.");
         }},
        {"ready-no-sources",
         [](FakeAppModel& model) {
             ready(model);
             model.setSources({});
             model.setIndexFigures(0, 0);
             model.setPrimaryAction(std::nullopt);
             model.setHealth(BackupHealth::atRisk());
             model.setStatusSentence("Nothing is selected for backup yet.");
         }},
        {"ready-seven-sources",
         [](FakeAppModel& model) {
             ready(model);
             model.setSources({source("S1", "/home/ada/Documents"), source("S2", "/home/ada/Pictures"),
                               source("S3", "/home/ada/Desktop"), source("S4", "/home/ada/Music"),
                               source("S5", "/home/ada/Projects"), source("S6", "/home/ada/Mail"),
                               source("S7", "/home/ada/Notes")});
         }},
        {"ready-unplugged-source",
         [](FakeAppModel& model) {
             ready(model);
             model.setSources(
                 {source("S1", "/home/ada/Documents"), source("S2", "/media/ada/Archive/Photos")});
             model.setUnavailableSources({{"S2", BackupSource::Availability::driveDisconnected("Archive")}});
             model.setHealth(BackupHealth::attention());
             model.setStatusSentence("Photos is on a drive that isn't connected.");
         }},
        {"ready-drive-problem",
         [](FakeAppModel& model) {
             ready(model);
             twoDrives(model, "Travel SSD", false);
         }},
        {"ready-offline",
         [](FakeAppModel& model) {
             ready(model);
             model.setHealth(BackupHealth::blocked(BlockReason::offline()));
             model.setPrimaryAction(std::nullopt);
             model.setStatusSentence("This computer is offline. Backups resume when it's back online.");
         }},
        {"ready-blocked-no-plan",
         [](FakeAppModel& model) {
             ready(model);
             model.setHealth(BackupHealth::blocked(BlockReason::noPlan()));
             model.setPrimaryAction(PrimaryAction::seePlans);
             model.setStatusSentence("Choose a plan to start backing up.");
         }},
        {"full-running",
         [](FakeAppModel& model) {
             full(model);
             running(model,
                     "~/Pictures/Family archive scanned from the old albums 1987-2004/Lisbon/IMG_2041.heic",
                     120);
         }},
        {"full-review",
         [](FakeAppModel& model) {
             full(model);
             model.setBanners({banner(
                 "review", StatusTone::warning, "Backup paused for review",
                 "4,210 of 12,345 protected files changed and 312 disappeared at once. That can mean a "
                 "sync problem or ransomware. Check a few files before continuing.",
                 "Back up anyway", "Show recent activity", false, model)});
         }},
    };
    for (auto& state : bannerStates()) {
        states.push_back(std::move(state));
    }
    return states;
}

std::vector<FakeState> fakeStates(const std::string& prefix) {
    std::vector<FakeState> chosen;
    for (auto& state : fakeStates()) {
        if (state.name.starts_with(prefix)) {
            chosen.push_back(std::move(state));
        }
    }
    return chosen;
}

bool applyFakeState(FakeAppModel& model, const std::string& name) {
    for (const auto& state : fakeStates()) {
        if (state.name == name) {
            state.apply(model);
            return true;
        }
    }
    return false;
}

} // namespace keldra
