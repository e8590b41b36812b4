// The Activity page, the Backups page with its drives, banners and confirmations, and the tray popover, on
// the fake model in the states a user meets.

#include "app/async/Workers.h"
#include "design/theme/ThemeScope.h"
#include "gallery/GalleryEntry.h"
#include "gallery/ModelFrame.h"
#include "screens/activity/ActivityView.h"
#include "screens/backups/BackupsView.h"
#include "screens/backups/DestinationsSection.h"
#include "screens/popover/TrayPopover.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>

namespace keldra::gallery {
namespace {

using namespace std::chrono_literals;
constexpr std::int64_t gigabyte = 1'000'000'000;

SystemTime now() {
    return std::chrono::system_clock::now();
}

RunRecord record(std::int64_t id, RunStatus status, std::chrono::minutes ago, std::string trigger) {
    RunRecord run;
    run.id = id;
    run.startedAt = now() - ago;
    run.finishedAt = run.startedAt + 3min + 12s;
    run.status = status;
    run.trigger = std::move(trigger);
    run.scanned = 12'345;
    run.uploaded = 42;
    run.uploadedBytes = 180'000'000;
    run.skipped = 12'290;
    return run;
}

std::vector<RunRecord> history() {
    RunRecord partial = record(46, RunStatus::partial, 40min, "Manual");
    partial.failed = 3;
    partial.message = "3 files could not be read.";
    RunRecord nothing = record(45, RunStatus::succeeded, 26h, "Scheduled");
    nothing.uploaded = 0;
    nothing.uploadedBytes = 0;
    RunRecord failed = record(44, RunStatus::failed, 50h, "Scheduled");
    failed.message = "The Keldra could not be reached.";
    failed.uploaded = 0;
    RunRecord stopped = record(43, RunStatus::cancelled, 74h, "Manual \u00B7 Travel");
    stopped.finishedAt.reset();
    return {partial,
            nothing,
            failed,
            stopped,
            record(42, RunStatus::succeeded, 98h, "Scheduled"),
            record(41, RunStatus::paused, 122h, "Scheduled")};
}

std::vector<RunFailure> someFailures(int count) {
    std::vector<RunFailure> list;
    for (int i = 0; i < count; ++i) {
        list.push_back({i + 1,
                        "~/Documents/Projects/Quarterly report draft " + std::to_string(i + 1) + ".odt",
                        i % 2 ? "Permission denied" : "The file changed while it was being read."});
    }
    return list;
}

LocalDestination drive(const char* id, const char* name, const char* folder = "") {
    LocalDestination destination;
    destination.id = id;
    destination.name = name;
    destination.folderInVolume = folder;
    destination.volumeUUID = std::string(id) + "-UUID";
    return destination;
}

DriveState pluggedIn() {
    DriveState state;
    state.connected = true;
    state.lastSuccess = now() - 3h;
    state.freeBytes = 812 * gigabyte;
    state.files = 12'345;
    state.bytes = 48 * gigabyte;
    return state;
}

void base(FakeAppModel& model, const char* state) {
    applyFakeState(model, state);
    BackupSettings settings = model.settings();
    settings.deviceName = "Ada's laptop";
    model.setSettings(settings);
    model.clearCalls();
}

const std::vector<FakeState>& activityStates() {
    static const std::vector<FakeState> states{
        {"no-runs",
         [](FakeAppModel& m) {
             base(m, "ready-never");
         }},
        {"selection",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             m.setRuns(history());
             m.setFailures(46, someFailures(3));
         }},
        {"live",
         [](FakeAppModel& m) {
             base(m, "ready-running");
             RunRecord running = record(47, RunStatus::running, 2min, "Manual");
             running.finishedAt.reset();
             auto runs = history();
             runs.insert(runs.begin(), running);
             m.setRuns(runs);
             RunProgress progress = m.progress();
             progress.currentPath = "/home/ada/Pictures/2026/Holiday/IMG_4821.jpg";
             m.setProgress(progress);
         }},
        {"failures-250",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             m.setRuns(history());
             m.setFailures(46, someFailures(250));
         }},
    };
    return states;
}

const std::vector<FakeState>& backupsStates() {
    static const std::vector<FakeState> states{
        {"no-sources",
         [](FakeAppModel& m) {
             base(m, "ready-never");
             m.setSources({});
         }},
        {"suggestions",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             m.setSources({BackupSource{"S1", "/home/ada/Projects", false, now() - 24h}});
         }},
        {"availability",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             m.setSources({BackupSource{"S1", "/home/ada/Documents", false, now()},
                           BackupSource{"S2", "/media/ada/Travel/Photos", false, now()},
                           BackupSource{"S3", "/home/ada/Old notes", false, now()},
                           BackupSource{"S4", "/srv/shared/ledger.ods", true, now()}});
             m.setUnavailableSources({{"S2", BackupSource::Availability::driveDisconnected("Travel")},
                                      {"S3", BackupSource::Availability::missing()},
                                      {"S4", BackupSource::Availability::noPermission()}});
         }},
        {"drives",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             LocalDestination boot = drive("D5", "This computer", "srv/copies");
             boot.isBootVolume = true;
             LocalDestination off = drive("D2", "Archive");
             off.enabled = false;
             m.setDestinations({drive("D1", "Travel", "Backups"), off, drive("D3", "Photos SSD"),
                                drive("D4", "Office disk"), boot});
             DriveState problem = pluggedIn();
             problem.problem = "The drive is full. Free up space or choose another drive.";
             DriveState review = pluggedIn();
             review.needsReview = true;
             review.problem = "Many files changed at once: 4,210 would be removed from the drive.";
             DriveState unplugged;
             unplugged.lastSuccess = now() - 24h * 9;
             unplugged.files = 8'000;
             unplugged.bytes = 20 * gigabyte;
             m.setDriveStates({{"D1", pluggedIn()},
                               {"D2", unplugged},
                               {"D3", problem},
                               {"D4", review},
                               {"D5", pluggedIn()}});
         }},
        {"banners",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             m.setNextResult("That drive is already in the list.");
         }},
    };
    return states;
}

const std::vector<FakeState>& popoverStates() {
    static const std::vector<FakeState> states{
        {"ready",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
         }},
        {"backing-up",
         [](FakeAppModel& m) {
             base(m, "ready-running");
             std::vector<double> samples(300, 0.0);
             for (std::size_t i = 240; i < samples.size(); ++i) {
                 samples[i] = 8'000'000 + double((i * 7919) % 9) * 1'000'000;
             }
             m.setThroughput(samples);
         }},
        {"unlock",
         [](FakeAppModel& m) {
             base(m, "unlock");
         }},
        {"signed-out",
         [](FakeAppModel& m) {
             base(m, "signed-out");
         }},
        {"no-action",
         [](FakeAppModel& m) {
             base(m, "ready-protected");
             m.setSources({});
             m.setPrimaryAction(std::nullopt);
         }},
    };
    return states;
}

// A frame in the theme, so the views made inside it read their style from the start, as in the window.
ModelFrame* themedFrame(const FakeState& state, const OLTheme& theme) {
    auto* frame = new ModelFrame(modelIn(state, theme));
    olSetTheme(frame, theme);
    return frame;
}

QWidget* page(const FakeState& state, const OLTheme& theme, bool activity) {
    auto* frame = themedFrame(state, theme);
    if (activity) {
        frame->setView(new ActivityView(frame->model(), frame));
        frame->setFixedSize(1200, 760);
        return frame;
    }
    auto* view = new BackupsView(frame->model(), frame);
    frame->setView(view);
    frame->setFixedSize(1200, state.name == "drives" ? 1100 : 900);
    if (state.name == "banners") {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/home/ada/Music")),
                      QUrl(QStringLiteral("https://example.com/report.pdf"))});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(view)->event(&drop);
        detachTask(view->destinations()->addDrive("/media/ada/Travel"));
        QCoreApplication::processEvents();
    }
    return frame;
}

// A confirmation as its own window shows it, drawn in place of the page that opened it.
QWidget* confirmation(const OLTheme& theme, bool drive) {
    FakeState state{"drives", backupsStates()[3].apply};
    auto* frame = themedFrame(state, theme);
    auto* holder = new QWidget;
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new BackupsView(frame->model(), holder);
    view->hide();
    QMessageBox* box = nullptr;
    if (drive) {
        view->destinations()->confirmRemoval("D1");
        box = view->destinations()->removeDialog();
    } else {
        view->confirmStop("S1");
        box = view->stopDialog();
    }
    box->hide();
    box->setParent(holder, Qt::Widget);
    box->show();
    layout->addWidget(box);
    frame->setView(holder);
    return frame;
}

QWidget* popover(const FakeState& state, const OLTheme& theme) {
    auto* frame = themedFrame(state, theme);
    auto* popover = new TrayPopover(
        frame->model(), [] {}, [] {}, frame);
    frame->setView(popover);
    QCoreApplication::processEvents();
    return frame;
}

} // namespace

std::vector<GalleryEntry> activityEntries() {
    std::vector<GalleryEntry> entries;
    for (const auto& state : activityStates()) {
        entries.push_back(
            {QStringLiteral("activity"), QString::fromStdString(state.name), [state](const OLTheme& theme) {
                 return page(state, theme, true);
             }});
    }
    for (const auto& state : backupsStates()) {
        entries.push_back(
            {QStringLiteral("backups"), QString::fromStdString(state.name), [state](const OLTheme& theme) {
                 return page(state, theme, false);
             }});
    }
    entries.push_back({QStringLiteral("confirm"), QStringLiteral("stop-source"), [](const OLTheme& theme) {
                           return confirmation(theme, false);
                       }});
    entries.push_back({QStringLiteral("confirm"), QStringLiteral("stop-drive"), [](const OLTheme& theme) {
                           return confirmation(theme, true);
                       }});
    for (const auto& state : popoverStates()) {
        entries.push_back({QStringLiteral("popover"), QString::fromStdString(state.name),
                           [state](const OLTheme& theme) { return popover(state, theme); }, 360});
    }
    return entries;
}

} // namespace keldra::gallery
