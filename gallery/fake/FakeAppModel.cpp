#include "gallery/fake/FakeAppModel.h"

#include "app/model/RestoreModel.h"
#include "core/codec/Uuid.h"

#include <algorithm>
#include <qcoro/qcorosignal.h>
#include <utility>

namespace keldra {

namespace {

std::string actionName(PrimaryAction action) {
    switch (action) {
    case PrimaryAction::backUpNow:
        return "backUpNow";
    case PrimaryAction::pause:
        return "pause";
    case PrimaryAction::resume:
        return "resume";
    case PrimaryAction::review:
        return "review";
    case PrimaryAction::unlock:
        return "unlock";
    case PrimaryAction::signIn:
        return "signIn";
    case PrimaryAction::seePlans:
        return "seePlans";
    case PrimaryAction::contactSupport:
        return "contactSupport";
    case PrimaryAction::retry:
        return "retry";
    }
    return "backUpNow";
}

} // namespace

FakeAppModel::FakeAppModel(QObject* parent) : AppModelView(parent) {}

FakeAppModel::~FakeAppModel() = default;

template <class T> void FakeAppModel::assign(T& field, T value, void (AppModelView::*signal)()) {
    if (field == value) {
        return;
    }
    field = std::move(value);
    announce(signal);
}

void FakeAppModel::record(std::string call) {
    calls_.push_back(std::move(call));
}

void FakeAppModel::releaseOperations() {
    held_ = false;
    emit operationsReleased();
}

QCoro::Task<> FakeAppModel::waitIfHeld() {
    if (held_) {
        co_await qCoro(this, &FakeAppModel::operationsReleased);
    }
}

QCoro::Task<std::optional<std::string>> FakeAppModel::answer(std::string call, bool showsWorking) {
    record(std::move(call));
    if (showsWorking) {
        setIsWorking(true);
    }
    auto waiting = waitIfHeld();
    co_await waiting;
    if (showsWorking) {
        setIsWorking(false);
    }
    // A copy: g++ 12 moves from a member named in co_return.
    std::optional<std::string> result = nextResult_;
    co_return result;
}

void FakeAppModel::setPhase(AppPhase value) {
    assign(phase_, value, &AppModelView::phaseChanged);
}
void FakeAppModel::setSection(AppSection value) {
    ++sectionWrites_;
    assign(section_, value, &AppModelView::sectionChanged);
}
void FakeAppModel::persistStyle(OLStyle value) {
    assign(style_, value, &AppModelView::styleChanged);
}
void FakeAppModel::persistAccent(OLAccent value) {
    assign(accent_, value, &AppModelView::accentChanged);
}
void FakeAppModel::persistPopoverStyle(PopoverStyle value) {
    assign(popoverStyle_, value, &AppModelView::popoverStyleChanged);
}
void FakeAppModel::persistHideDockIcon(bool value) {
    assign(hideDockIcon_, value, &AppModelView::hideDockIconChanged);
}

std::optional<BannerModel> FakeAppModel::currentBanner() {
    for (const auto& banner : banners_) {
        if (!banner.dismissible || !dismissedBanners_.contains(banner.id)) {
            return banner;
        }
    }
    return std::nullopt;
}

void FakeAppModel::setBanners(std::vector<BannerModel> banners) {
    banners_ = std::move(banners);
    scheduleStatus();
}

void FakeAppModel::setDismissedBanners(std::set<std::string> value) {
    assign(dismissedBanners_, std::move(value), &AppModelView::dismissedBannersChanged);
}
void FakeAppModel::setRestoreSearch(std::string value) {
    assign(restoreSearch_, std::move(value), &AppModelView::restoreSearchChanged);
}
void FakeAppModel::setSearchFocusRequest(int value) {
    assign(searchFocusRequest_, value, &AppModelView::searchFocusRequestChanged);
}

void FakeAppModel::setRestoreModel(std::unique_ptr<RestoreModel> value) {
    if (value == restoreModel_) {
        return;
    }
    // The old model goes after the screens heard of the new one.
    auto old = std::move(restoreModel_);
    restoreModel_ = std::move(value);
    announce(&AppModelView::restoreModelChanged);
}

void FakeAppModel::setPendingEmail(std::string value) {
    assign(pendingEmail_, std::move(value), &AppModelView::pendingEmailChanged);
}
void FakeAppModel::setPendingPassword(std::string value) {
    assign(pendingPassword_, std::move(value), &AppModelView::pendingPasswordChanged);
}
void FakeAppModel::setAuthError(std::optional<std::string> value) {
    assign(authError_, std::move(value), &AppModelView::authErrorChanged);
}
void FakeAppModel::setIsWorking(bool value) {
    assign(isWorking_, value, &AppModelView::isWorkingChanged);
}

QCoro::Task<> FakeAppModel::signIn(std::optional<std::string> code) {
    setAuthError(std::nullopt);
    auto running = answer(code ? "signIn " + *code : std::string("signIn"), true);
    std::optional<std::string> error = co_await running;
    if (error) {
        setAuthError(std::move(error));
    }
}

void FakeAppModel::setVerifierState(VerifierState value) {
    assign(verifierState_, std::move(value), &AppModelView::verifierStateChanged);
}

QCoro::Task<> FakeAppModel::checkVerifier() {
    record("checkVerifier");
    auto waiting = waitIfHeld();
    co_await waiting;
}

QCoro::Task<std::optional<std::string>> FakeAppModel::unlock(std::string passphrase, bool remember) {
    auto running = answer("unlock " + passphrase + (remember ? " remember" : ""), true);
    co_return co_await running;
}

QCoro::Task<std::optional<std::string>> FakeAppModel::createPassphrase(std::string passphrase,
                                                                       bool remember) {
    auto running = answer("createPassphrase " + passphrase + (remember ? " remember" : ""), true);
    co_return co_await running;
}

void FakeAppModel::setKeldraKey(std::optional<KeldraKey> value) {
    assign(keldraKey_, std::move(value), &AppModelView::keldraKeyChanged);
}
void FakeAppModel::setKeyringError(std::optional<std::string> value) {
    assign(keyringError_, std::move(value), &AppModelView::keyringErrorChanged);
}

void FakeAppModel::persistUnattended(bool value) {
    record(value ? "persistUnattended true" : "persistUnattended false");
    assign(unattended_, value, &AppModelView::unattendedChanged);
}
void FakeAppModel::lock() {
    record("lock");
    setPhase(AppPhase::unlock);
}

QCoro::Task<> FakeAppModel::signOut() {
    record("signOut");
    auto waiting = waitIfHeld();
    co_await waiting;
    setPhase(AppPhase::signedOut);
}

void FakeAppModel::setSession(std::optional<StoredSession> value) {
    assign(session_, std::move(value), &AppModelView::sessionChanged);
}
void FakeAppModel::setAccount(std::optional<AccountInfo> value) {
    assign(account_, std::move(value), &AppModelView::accountChanged);
}
void FakeAppModel::setKeldraStatus(std::optional<KeldraStatus> value) {
    assign(keldraStatus_, std::move(value), &AppModelView::keldraStatusChanged);
}
void FakeAppModel::setSettings(BackupSettings value) {
    assign(settings_, std::move(value), &AppModelView::settingsChanged);
}

void FakeAppModel::addSources(const std::vector<std::filesystem::path>& urls) {
    auto sources = sources_;
    for (const auto& url : urls) {
        record("addSources " + url.string());
        sources.push_back(BackupSource{makeUuid(), standardizedPath(url).string(), false, {}});
    }
    setSources(std::move(sources));
}
void FakeAppModel::persistSources(std::vector<BackupSource> value) {
    setSources(std::move(value));
}
void FakeAppModel::setSources(std::vector<BackupSource> value) {
    assign(sources_, std::move(value), &AppModelView::sourcesChanged);
}
void FakeAppModel::removeSource(const std::string& id) {
    record("removeSource " + id);
    auto sources = sources_;
    std::erase_if(sources, [&](const BackupSource& each) { return each.id == id; });
    setSources(std::move(sources));
}
void FakeAppModel::setExistingDevices(std::vector<KeldraFolder> value) {
    assign(existingDevices_, std::move(value), &AppModelView::existingDevicesChanged);
}

QCoro::Task<> FakeAppModel::loadDevices() {
    record("loadDevices");
    auto waiting = waitIfHeld();
    co_await waiting;
}

QCoro::Task<std::optional<std::string>> FakeAppModel::chooseDeviceFolder(std::string name,
                                                                         std::optional<KeldraFolder> reuse) {
    auto running = answer("chooseDeviceFolder " + name + (reuse ? " " + reuse->id.raw : std::string()), true);
    co_return co_await running;
}

QCoro::Task<> FakeAppModel::finishSetup(bool launchAtLogin, bool notifications) {
    record(std::string("finishSetup") + (launchAtLogin ? " launchAtLogin" : "") +
           (notifications ? " notifications" : ""));
    auto waiting = waitIfHeld();
    co_await waiting;
    setPhase(AppPhase::ready);
}

void FakeAppModel::openWebKeldra() {
    record("openWebKeldra");
}

void FakeAppModel::openPortalPage(const std::string& url) {
    record("openPortalPage " + url);
}

void FakeAppModel::revealInFiles(const std::filesystem::path& path) {
    record("revealInFiles " + path.string());
}

void FakeAppModel::choosePaths(const FolderChoice& choice, FolderChooser::PathsDone done) {
    record("choosePaths " + choice.message);
    lastChoice_ = choice;
    done(std::exchange(nextPaths_, {}));
}

void FakeAppModel::persistSettings(const BackupSettings& changed) {
    record("persistSettings");
    setSettings(changed);
}

void FakeAppModel::setHealth(BackupHealth value) {
    health_ = std::move(value);
    scheduleStatus();
}
void FakeAppModel::setPrimaryAction(std::optional<PrimaryAction> value) {
    primaryAction_ = value;
    scheduleStatus();
}
void FakeAppModel::perform(PrimaryAction action) {
    record("perform " + actionName(action));
}
void FakeAppModel::setStatusSentence(std::string value) {
    statusSentence_ = std::move(value);
    scheduleStatus();
}
void FakeAppModel::setProgressLine(std::string value) {
    progressLine_ = std::move(value);
    scheduleStatus();
}
void FakeAppModel::setNextRunDate(std::optional<SystemTime> value) {
    nextRunDate_ = value;
    scheduleStatus();
}
void FakeAppModel::setOverdueDrives(std::vector<LocalDestination> value) {
    overdueDrives_ = std::move(value);
    scheduleStatus();
}
void FakeAppModel::setCanBackUpNow(bool value) {
    canBackUpNow_ = value;
    scheduleStatus();
}

OLTheme FakeAppModel::popoverTheme() const {
    OLStyle style = style_;
    if (popoverStyle_ == PopoverStyle::glass) {
        style = OLStyle::glass;
    } else if (popoverStyle_ == PopoverStyle::signal) {
        style = OLStyle::signal;
    }
    return OLTheme{style, accent_, 999};
}

void FakeAppModel::setLastSuccess(std::optional<SystemTime> value) {
    assign(lastSuccess_, value, &AppModelView::lastSuccessChanged);
}
void FakeAppModel::setPaused(bool value) {
    record(value ? "setPaused true" : "setPaused false");
    assign(pausedByUser_, value, &AppModelView::pausedByUserChanged);
}
void FakeAppModel::setIsRunning(bool value) {
    assign(isRunning_, value, &AppModelView::isRunningChanged);
}
void FakeAppModel::setProgress(RunProgress value) {
    assign(progress_, std::move(value), &AppModelView::progressChanged);
}
void FakeAppModel::setCurrentSpeed(double value) {
    assign(currentSpeed_, value, &AppModelView::currentSpeedChanged);
}
void FakeAppModel::setThroughput(std::vector<double> value) {
    assign(throughput_, std::move(value), &AppModelView::throughputChanged);
}
void FakeAppModel::setLog(std::vector<LogLine> value) {
    assign(log_, std::move(value), &AppModelView::logChanged);
}
void FakeAppModel::setRuns(std::vector<RunRecord> value) {
    assign(runs_, std::move(value), &AppModelView::runsChanged);
}
void FakeAppModel::setLastRun(std::optional<RunRecord> value) {
    assign(lastRun_, std::move(value), &AppModelView::lastRunChanged);
}

QCoro::Task<> FakeAppModel::refreshRuns() {
    record("refreshRuns");
    co_return;
}

void FakeAppModel::setIndex(std::shared_ptr<BackupIndex> value) {
    assign(index_, std::move(value), &AppModelView::indexChanged);
}

SourceStats FakeAppModel::sourceStats(const std::string& sourceID) const {
    ++sourceStatsReads_;
    auto found = sourceStats_.find(sourceID);
    return found == sourceStats_.end() ? SourceStats{} : found->second;
}

void FakeAppModel::setIndexFigures(std::int64_t files, std::int64_t bytes,
                                   std::map<std::string, SourceStats> perSource) {
    if (files == backedUpFileCount_ && bytes == backedUpBytes_ && perSource == sourceStats_) {
        return;
    }
    backedUpFileCount_ = files;
    backedUpBytes_ = bytes;
    sourceStats_ = std::move(perSource);
    announce(&AppModelView::indexFiguresChanged);
}

void FakeAppModel::runBackup(const std::string& trigger, bool acceptLocalChanges, bool acceptMissing,
                             bool includeCloud, std::optional<std::vector<std::string>> destinationIDs) {
    std::string call = "runBackup " + trigger;
    call += acceptLocalChanges ? " acceptLocalChanges" : "";
    call += acceptMissing ? " acceptMissing" : "";
    call += includeCloud ? " cloud" : "";
    for (const auto& id : destinationIDs.value_or(std::vector<std::string>{})) {
        call += " " + id;
    }
    record(std::move(call));
}

void FakeAppModel::setUnavailableSources(Availabilities value) {
    assign(unavailableSources_, std::move(value), &AppModelView::unavailableSourcesChanged);
}
void FakeAppModel::setDestinations(std::vector<LocalDestination> value) {
    assign(destinations_, std::move(value), &AppModelView::destinationsChanged);
}
void FakeAppModel::setDriveStates(DriveStates value) {
    assign(driveStates_, std::move(value), &AppModelView::driveStatesChanged);
}

QCoro::Task<std::optional<std::string>> FakeAppModel::addDestination(std::filesystem::path url) {
    auto running = answer("addDestination " + url.string(), false);
    co_return co_await running;
}

QCoro::Task<bool> FakeAppModel::changeLoginItem(std::optional<bool> enabled) {
    if (enabled) {
        loginItem_.setLoginItemEnabled(*enabled);
    }
    co_return loginItem_.isLoginItemEnabled();
}

QCoro::Task<std::filesystem::path> FakeAppModel::driveDialogStart() {
    auto waiting = waitIfHeld();
    co_await waiting;
    // A copy: g++ 12 moves from a member named in co_return.
    std::filesystem::path start = driveDialogStart_;
    co_return start;
}

void FakeAppModel::removeDestination(const std::string& id) {
    record("removeDestination " + id);
    auto destinations = destinations_;
    std::erase_if(destinations, [&](const LocalDestination& each) { return each.id == id; });
    setDestinations(std::move(destinations));
}

void FakeAppModel::setDestinationEnabled(const std::string& id, bool enabled) {
    record("setDestinationEnabled " + id + (enabled ? " true" : " false"));
    auto destinations = destinations_;
    for (auto& each : destinations) {
        if (each.id == id) {
            each.enabled = enabled;
        }
    }
    setDestinations(std::move(destinations));
}

void FakeAppModel::backUpDriveNow(const std::string& id, bool acceptChanges) {
    record("backUpDriveNow " + id + (acceptChanges ? " acceptChanges" : ""));
}

void FakeAppModel::revealDriveFolder(const std::string& id) {
    record("revealDriveFolder " + id);
}

QCoro::Task<std::vector<RunFailure>> FakeAppModel::failures(std::int64_t runID) {
    record("failures " + std::to_string(runID));
    while (failuresHeld_) {
        auto releasing = qCoro(this, &FakeAppModel::failuresReleased);
        const std::int64_t released = co_await releasing;
        if (released == runID) {
            break;
        }
    }
    const auto found = failures_.find(runID);
    co_return found == failures_.end() ? std::vector<RunFailure>{} : found->second;
}

void FakeAppModel::setFailures(std::int64_t runID, std::vector<RunFailure> failures) {
    failures_[runID] = std::move(failures);
}

RestoreContext FakeAppModel::restoreContext() const {
    RestoreContext context;
    context.key = keldraKey_;
    context.destinations = destinations_;
    context.deviceFolderID = settings_.deviceFolderID;
    return context;
}

SystemTime FakeAppModel::now() const {
    return std::chrono::system_clock::now();
}

} // namespace keldra
