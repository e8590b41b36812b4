// Backup drives in the model: adding, removing, enabling and copying one now, the per-drive states and the
// reaction to volumes being mounted and unmounted.

#include "app/async/Delay.h"
#include "app/model/AppModel.h"
#include "app/model/MetaDate.h"
#include "core/fs/NearestExisting.h"
#include "core/platform/DriveDialogStart.h"
#include "core/secrets/ScopeKey.h"

#include <algorithm>

namespace keldra {

namespace {

constexpr Seconds tickAfterMount{5};

// What a refresh reads of one drive; the problem and the review flag are the model's own and carried over.
DriveState readDriveState(const LocalDestination& destination, BackupIndex* index,
                          const VolumeProvider& volumes) {
    DriveState state;
    state.connected = destination.isConnected(volumes);
    if (index) {
        state.lastSuccess = metaDate(index->meta(metakey::lastSuccess));
        state.lastAttempt = metaDate(index->meta(metakey::lastAttempt));
        state.lastFailed = index->meta(metakey::lastAttemptFailed) == std::optional<std::string>("1");
        state.files = index->backedUpFileCount();
        state.bytes = index->backedUpBytes();
    }
    if (state.connected) {
        if (const auto folder = destination.backupFolderPath(volumes)) {
            state.freeBytes =
                LocalDestination::availableCapacity(std::filesystem::path(*folder).parent_path(), volumes);
        }
    }
    return state;
}

// What adding a folder found out, off the UI thread.
struct PickedDestination {
    std::optional<LocalDestination> destination;
    // The volume has no label of its own (its name is a stand-in).
    bool volumeNameless = false;
    // Its volume is mounted now.
    bool connected = false;
};

} // namespace

QCoro::Task<std::optional<std::string>> AppModel::addDestination(std::filesystem::path folder) {
    const WorkGuard guard = ownerGuard();
    auto picking = onWorker(guard, [folder, &volumes = services_.volumes, &clock = services_.clock] {
        PickedDestination picked;
        picked.destination = LocalDestination::fromFolder(folder, volumes, clock);
        if (picked.destination) {
            std::error_code ignored;
            const auto volume = volumes.volumeFor(std::filesystem::canonical(folder, ignored));
            picked.volumeNameless = !volume || !volume->name || volume->name->empty();
            picked.connected = picked.destination->isConnected(volumes);
        }
        return picked;
    });
    PickedDestination picked = co_await picking;
    if (!picked.destination) {
        co_return std::string("That location can't be used for backups.");
    }
    LocalDestination added = std::move(*picked.destination);
    for (const LocalDestination& existing : destinations_) {
        if (existing.volumeUUID && added.volumeUUID && *existing.volumeUUID == *added.volumeUUID &&
            existing.folderInVolume == added.folderInVolume) {
            co_return std::string("That drive is already in the list.");
        }
    }

    // A folder on this computer's own disk whose volume has no label of its own is named as this
    // computer: the stand-in name of the system disk is "/".
    if (added.isBootVolume && (added.name.empty() || picked.volumeNameless)) {
        added.name = thisComputerDriveName;
    }

    const std::string addedID = added.id;
    std::vector<LocalDestination> list = destinations_;
    list.push_back(std::move(added));
    setDestinations(std::move(list));
    // Whether it is plugged in is known at once (the screen copies to a new drive that is); the refresh
    // fills in the rest.
    editDriveState(addedID,
                   [connected = picked.connected](DriveState& state) { state.connected = connected; });
    saveDestinations();
    refreshDriveStates();
    co_return std::nullopt;
}

void AppModel::removeDestination(const std::string& id) {
    std::vector<LocalDestination> list = destinations_;
    std::erase_if(list, [&](const LocalDestination& d) { return d.id == id; });
    setDestinations(std::move(list));
    // The index closes once no job holds it; its files stay on disk.
    IndexMap indexes = localIndexes_;
    indexes.erase(id);
    setLocalIndexes(std::move(indexes));
    DriveStates states = driveStates_;
    states.erase(id);
    setDriveStates(std::move(states));
    saveDestinations();
}

void AppModel::setDestinationEnabled(const std::string& id, bool enabled) {
    std::vector<LocalDestination> list = destinations_;
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const LocalDestination& d) { return d.id == id; });
    if (found == list.end()) {
        return;
    }
    found->enabled = enabled;
    setDestinations(std::move(list));
    saveDestinations();
}

void AppModel::saveDestinations() {
    if (const auto scope = sessionScopeKey()) {
        LocalDestination::saveAll(services_.defaults, *scope, destinations_);
    }
}

void AppModel::backUpDriveNow(const std::string& id, bool acceptChanges) {
    const auto found = driveStates_.find(id);
    if (found != driveStates_.end() && found->second.needsReview && !acceptChanges) {
        return;
    }
    const bool wasRunning = isRunning_;
    runBackup("Manual", acceptChanges, false, false, std::vector<std::string>{id});
    // The review and the problem are settled only by a copy that really starts: a refused one (another run
    // going, the drive unplugged) leaves them for the user to see.
    if (!wasRunning && isRunning_ && driveStates_.contains(id)) {
        editDriveState(id, [](DriveState& state) {
            state.needsReview = false;
            state.problem.reset();
        });
    }
}

void AppModel::revealDriveFolder(const std::string& id) {
    const auto found = std::find_if(destinations_.begin(), destinations_.end(),
                                    [&](const LocalDestination& d) { return d.id == id; });
    if (found != destinations_.end()) {
        startDetached(revealDriveFolderNow(*found));
    }
}

QCoro::Task<> AppModel::revealDriveFolderNow(LocalDestination destination) {
    auto finding = onWorker(ownerGuard(), [destination, &volumes = services_.volumes] {
        const std::optional<std::string> folder = destination.backupFolderPath(volumes);
        return folder ? std::optional<std::filesystem::path>(nearestExistingPath(*folder)) : std::nullopt;
    });
    const std::optional<std::filesystem::path> shown = co_await finding;
    if (shown) {
        services_.fileRevealer.reveal(*shown);
    }
}

QCoro::Task<std::filesystem::path> AppModel::driveDialogStart() {
    auto finding = onWorker(ownerGuard(), [] { return keldra::driveDialogStart(); });
    co_return co_await finding;
}

void AppModel::refreshDriveStates() {
    startDetached(refreshDriveStatesNow());
}

QCoro::Task<> AppModel::refreshDriveStatesNow() {
    const std::uint64_t refresh = ++driveRefreshCount_;
    const WorkGuard guard = accountGuard();
    const std::vector<LocalDestination> list = destinations_;
    std::vector<std::shared_ptr<BackupIndex>> indexes;
    for (const LocalDestination& destination : list) {
        auto opening = localIndex(destination);
        std::shared_ptr<BackupIndex> opened = co_await opening;
        indexes.push_back(std::move(opened));
    }
    // After every drive meta write asked for before this refresh: they share the drives' lane.
    std::shared_ptr<SerialLane> lane = driveIndexLane_;
    auto reading = keldra::onLane(*lane, guard, [list, indexes, &volumes = services_.volumes] {
        DriveStates states;
        for (std::size_t i = 0; i < list.size(); ++i) {
            states[list[i].id] = readDriveState(list[i], indexes[i].get(), volumes);
        }
        return states;
    });
    DriveStates fresh = co_await reading;
    if (refresh != driveRefreshCount_) {
        // A newer refresh started meanwhile: its answer is the one to keep.
        co_return;
    }
    DriveStates states;
    for (const LocalDestination& destination : destinations_) {
        const auto read = fresh.find(destination.id);
        if (read == fresh.end()) {
            continue;
        }
        DriveState state = read->second;
        if (const auto current = driveStates_.find(destination.id); current != driveStates_.end()) {
            state.problem = current->second.problem;
            state.needsReview = current->second.needsReview;
        }
        states.emplace(destination.id, std::move(state));
    }
    setDriveStates(std::move(states));
}

void AppModel::handleVolumeChange(const VolumeChange& change) {
    startDetached(afterVolumeChange(change.kind == VolumeChange::Kind::mounted));
}

QCoro::Task<> AppModel::afterVolumeChange(bool isMount) {
    if (!isMount) {
        // Any unplugged drive may come back with another key: every mismatch is worth telling again.
        setKeyMismatchNotified({});
    }
    co_await refreshDriveStatesNow();
    if (isMount) {
        auto waiting = delay(services_.timers, tickAfterMount, ownerGuard());
        co_await waiting;
        tick(false);
    }
}

namespace {

struct IndexFigures {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    std::map<std::string, SourceStats> perSource;
};

} // namespace

QCoro::Task<> AppModel::refreshIndexFigures() {
    std::vector<std::string> ids;
    for (const BackupSource& source : sources_) {
        ids.push_back(source.id);
    }
    auto reading = onIndex([ids = std::move(ids)](BackupIndex& index) {
        IndexFigures figures{index.backedUpFileCount(), index.backedUpBytes(), {}};
        for (const std::string& id : ids) {
            figures.perSource.emplace(id, index.sourceStats(id));
        }
        return figures;
    });
    const IndexFigures figures = (co_await reading).value_or(IndexFigures{});
    if (figures.files == backedUpFileCount_ && figures.bytes == backedUpBytes_ &&
        figures.perSource == sourceStats_) {
        co_return;
    }
    backedUpFileCount_ = figures.files;
    backedUpBytes_ = figures.bytes;
    sourceStats_ = figures.perSource;
    announce(&AppModel::indexFiguresChanged);
}

SourceStats AppModel::sourceStats(const std::string& sourceID) const {
    auto found = sourceStats_.find(sourceID);
    return found == sourceStats_.end() ? SourceStats{} : found->second;
}

} // namespace keldra
