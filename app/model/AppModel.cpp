#include "app/model/AppModel.h"

#include "app/model/EngineFactory.h"
#include "core/fs/NearestExisting.h"
#include "core/secrets/ScopeKey.h"

#include <QMetaObject>
#include <algorithm>
#include <cctype>
#include <fmt/format.h>

namespace keldra {

namespace {

constexpr const char* styleKey = "ol.style";
constexpr const char* accentKey = "ol.accent";
constexpr const char* popoverStyleKey = "ol.popoverStyle";
constexpr const char* hideDockIconKey = "hideDockIcon";
// Whether the app posts desktop notifications at all: "Notify me about problems" at the end of set-up.
constexpr const char* notificationsKey = "notifications";

std::optional<std::string> stringValue(const KeyValueStore& store, const std::string& key) {
    auto value = store.value(key);
    if (value && value->is_string()) {
        return value->get<std::string>();
    }
    return std::nullopt;
}

std::string upperAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

AppModel::AppModel(AppServices services, QObject* parent)
    : AppModelView(parent), services_(std::move(services)), workers_(services_.workerThreads) {
    lifetime_ = workers_.cancelSource();
    driveIndexLane_ = workers_.newLane();
    sourceCheckLane_ = workers_.newLane();
    loginItemLane_ = workers_.newLane();
    keyringLane_ = std::make_unique<ThreadLane>("keldra-keyring");
    restoreEngine_ = makeRestoreEngine(services_);
    restore_ = newRestoreModel();

    // Appearance preferences, read once.
    style_ = stringValue(services_.defaults, styleKey) == std::optional<std::string>("signal")
                 ? OLStyle::signal
                 : OLStyle::glass;
    accent_ =
        accentFromRaw(stringValue(services_.defaults, accentKey).value_or("")).value_or(OLAccent::frost);
    popoverStyle_ = popoverStyleFromRaw(stringValue(services_.defaults, popoverStyleKey).value_or(""))
                        .value_or(PopoverStyle::match);
    if (auto hide = services_.defaults.value(hideDockIconKey); hide && hide->is_boolean()) {
        hideDockIcon_ = hide->get<bool>();
    }
    if (auto allowed = services_.defaults.value(notificationsKey); allowed && allowed->is_boolean()) {
        notificationsAllowed_ = allowed->get<bool>();
    }

    // The monitor calls back on this thread; a callback that finds the model gone does nothing.
    QPointer<AppModel> self(this);
    services_.network.setOnChange([self](bool online) {
        if (self) {
            self->onNetworkChange(online);
        }
    });
    services_.network.setOnPathChange([self] {
        if (self) {
            self->onNetworkPathChange();
        }
    });
    setIsOnline(services_.network.isOnline());
    // The index's figures follow the index, the sources and the end of every run.
    connect(this, &AppModel::indexChanged, this, [this] { startDetached(refreshIndexFigures()); });
    connect(this, &AppModel::sourcesChanged, this, [this] { startDetached(refreshIndexFigures()); });
    connect(this, &AppModel::isRunningChanged, this, [this] {
        if (!isRunning_) {
            startDetached(refreshIndexFigures());
        }
    });

    // What an announcement showed, for the scheduler's ticks to compare with.
    connect(this, &AppModelView::statusChanged, this, [this] { lastShownStatus_ = shownStatus(); });

    startDetached([](AppModel* model) -> QCoro::Task<> {
        co_await model->startup();
    }(this));
}

AppModel::~AppModel() {
    services_.network.setOnChange({});
    services_.network.setOnPathChange({});
    // Every job ends before the state it was given goes away.
    workers_.cancelAll();
    keyringLane_.reset();
    workers_.shutdown();
}

// ---- observation

void AppModel::announce(void (AppModel::*signal)()) {
    (this->*signal)();
    scheduleStatus();
}

template <class T, class Signal> void AppModel::assign(T& field, T value, Signal signal) {
    if (field == value) {
        return;
    }
    field = std::move(value);
    announce(signal);
}

template <class T, class Signal> void AppModel::assignAlways(T& field, T value, Signal signal) {
    field = std::move(value);
    announce(signal);
}

void AppModel::setStyle(OLStyle value) {
    assign(style_, value, &AppModel::styleChanged);
}
void AppModel::setAccent(OLAccent value) {
    assign(accent_, value, &AppModel::accentChanged);
}
void AppModel::setPopoverStyle(PopoverStyle value) {
    assign(popoverStyle_, value, &AppModel::popoverStyleChanged);
}
void AppModel::setHideDockIcon(bool value) {
    assign(hideDockIcon_, value, &AppModel::hideDockIconChanged);
}
void AppModel::setPhase(AppPhase value) {
    assign(phase_, value, &AppModel::phaseChanged);
}
void AppModel::setSection(AppSection value) {
    assign(section_, value, &AppModel::sectionChanged);
}
void AppModel::setRestoreSearch(std::string value) {
    assign(restoreSearch_, std::move(value), &AppModel::restoreSearchChanged);
}
void AppModel::setSession(std::optional<StoredSession> value) {
    assign(session_, std::move(value), &AppModel::sessionChanged);
}
void AppModel::setAccount(std::optional<AccountInfo> value) {
    assign(account_, std::move(value), &AppModel::accountChanged);
}
void AppModel::setKeldraStatus(std::optional<KeldraStatus> value) {
    assign(keldraStatus_, std::move(value), &AppModel::keldraStatusChanged);
}
// Keys are not compared: every assignment is announced.
void AppModel::setKeldraKey(std::optional<KeldraKey> value) {
    assignAlways(keldraKey_, std::move(value), &AppModel::keldraKeyChanged);
}
void AppModel::setUnattended(bool value) {
    assign(unattended_, value, &AppModel::unattendedChanged);
}
void AppModel::setKeyringError(std::optional<std::string> value) {
    assign(keyringError_, std::move(value), &AppModel::keyringErrorChanged);
}
void AppModel::setSettings(BackupSettings value) {
    assign(settings_, std::move(value), &AppModel::settingsChanged);
}
void AppModel::setSources(std::vector<BackupSource> value) {
    assign(sources_, std::move(value), &AppModel::sourcesChanged);
}
void AppModel::setDestinations(std::vector<LocalDestination> value) {
    assign(destinations_, std::move(value), &AppModel::destinationsChanged);
}
void AppModel::setDriveStates(DriveStates value) {
    assign(driveStates_, std::move(value), &AppModel::driveStatesChanged);
}
void AppModel::editDriveState(const std::string& id, const std::function<void(DriveState&)>& edit) {
    edit(driveStates_[id]);
    announce(&AppModel::driveStatesChanged);
}
void AppModel::setLocalIndexes(IndexMap value) {
    assign(localIndexes_, std::move(value), &AppModel::localIndexesChanged);
}
void AppModel::setLocalEngine(std::shared_ptr<LocalBackupEngine> value) {
    assign(localEngine_, std::move(value), &AppModel::localEngineChanged);
}
void AppModel::setVerifierState(VerifierState value) {
    assign(verifierState_, std::move(value), &AppModel::verifierStateChanged);
}
void AppModel::setExistingDevices(std::vector<KeldraFolder> value) {
    assign(existingDevices_, std::move(value), &AppModel::existingDevicesChanged);
}
// An index is not compared either.
void AppModel::setIndex(std::shared_ptr<BackupIndex> value) {
    if (value != index_) {
        indexLane_ = value ? workers_.newLane() : nullptr;
    }
    assignAlways(index_, std::move(value), &AppModel::indexChanged);
}
void AppModel::setAuthError(std::optional<std::string> value) {
    assign(authError_, std::move(value), &AppModel::authErrorChanged);
}
void AppModel::setIsWorking(bool value) {
    assign(isWorking_, value, &AppModel::isWorkingChanged);
}
void AppModel::setPendingEmail(std::string value) {
    assign(pendingEmail_, std::move(value), &AppModel::pendingEmailChanged);
}
void AppModel::setPendingPassword(std::string value) {
    assign(pendingPassword_, std::move(value), &AppModel::pendingPasswordChanged);
}
void AppModel::setIsRunning(bool value) {
    assign(isRunning_, value, &AppModel::isRunningChanged);
}
void AppModel::setProgress(RunProgress value) {
    assign(progress_, std::move(value), &AppModel::progressChanged);
}
void AppModel::setLastRun(std::optional<RunRecord> value) {
    assign(lastRun_, std::move(value), &AppModel::lastRunChanged);
}
void AppModel::setRuns(std::vector<RunRecord> value) {
    assign(runs_, std::move(value), &AppModel::runsChanged);
}
void AppModel::setLastSuccess(std::optional<SystemTime> value) {
    assign(lastSuccess_, value, &AppModel::lastSuccessChanged);
}
void AppModel::setLastAttempt(std::optional<SystemTime> value) {
    assign(lastAttempt_, value, &AppModel::lastAttemptChanged);
}
void AppModel::setLastAttemptFailed(bool value) {
    assign(lastAttemptFailed_, value, &AppModel::lastAttemptFailedChanged);
}
void AppModel::setPausedByUser(bool value) {
    assign(pausedByUser_, value, &AppModel::pausedByUserChanged);
}
void AppModel::setReview(std::optional<MassChangeReview> value) {
    assign(review_, std::move(value), &AppModel::reviewChanged);
}
void AppModel::setBlock(std::optional<BlockReason> value) {
    assign(block_, std::move(value), &AppModel::blockChanged);
}
void AppModel::setStorageFull(bool value) {
    assign(storageFull_, value, &AppModel::storageFullChanged);
}
void AppModel::setUnavailableSources(Availabilities value) {
    assign(unavailableSources_, std::move(value), &AppModel::unavailableSourcesChanged);
}
void AppModel::setLog(std::vector<LogLine> value) {
    assign(log_, std::move(value), &AppModel::logChanged);
}
void AppModel::setThroughput(std::vector<double> value) {
    assign(throughput_, std::move(value), &AppModel::throughputChanged);
}
void AppModel::setCurrentSpeed(double value) {
    assign(currentSpeed_, value, &AppModel::currentSpeedChanged);
}
void AppModel::setTrayFrame(bool value) {
    assign(trayFrame_, value, &AppModel::trayFrameChanged);
}
void AppModel::setSearchFocusRequest(int value) {
    assign(searchFocusRequest_, value, &AppModel::searchFocusRequestChanged);
}
void AppModel::setIsOnline(bool value) {
    assign(isOnline_, value, &AppModel::isOnlineChanged);
}
void AppModel::setDismissedBanners(std::set<std::string> value) {
    assign(dismissedBanners_, std::move(value), &AppModel::dismissedBannersChanged);
}
void AppModel::setEngine(std::shared_ptr<BackupEngine> value) {
    assign(engine_, std::move(value), &AppModel::engineChanged);
}
void AppModel::setRestore(std::unique_ptr<RestoreModel> value) {
    if (value.get() == restore_.get()) {
        return;
    }
    // Views still holding the old model hear of the new one before it goes.
    std::unique_ptr<RestoreModel> old = std::move(restore_);
    restore_ = std::move(value);
    announce(&AppModel::restoreModelChanged);
    old.reset();
}
void AppModel::setLockedNoticePosted(bool value) {
    assign(lockedNoticePosted_, value, &AppModel::lockedNoticePostedChanged);
}
void AppModel::setVerifierAbsentStreak(int value) {
    assign(verifierAbsentStreak_, value, &AppModel::verifierAbsentStreakChanged);
}
void AppModel::setRestartAfterRun(bool value) {
    assign(restartAfterRun_, value, &AppModel::restartAfterRunChanged);
}
void AppModel::setKeyMismatchNotified(std::set<std::string> value) {
    assign(keyMismatchNotified_, std::move(value), &AppModel::keyMismatchNotifiedChanged);
}
void AppModel::setLastStaleNotice(std::optional<SystemTime> value) {
    assign(lastStaleNotice_, value, &AppModel::lastStaleNoticeChanged);
}
void AppModel::setGeoRule(GeoGuard::Rule value) {
    assign(geoRule_, std::move(value), &AppModel::geoRuleChanged);
}

// ---- preferences

void AppModel::persistStyle(OLStyle value) {
    setStyle(value);
    services_.defaults.setValue(styleKey, std::string(rawValue(value)));
}

void AppModel::persistAccent(OLAccent value) {
    setAccent(value);
    services_.defaults.setValue(accentKey, std::string(rawValue(value)));
}

void AppModel::persistPopoverStyle(PopoverStyle value) {
    setPopoverStyle(value);
    services_.defaults.setValue(popoverStyleKey, std::string(rawValue(value)));
}

void AppModel::persistNotificationsAllowed(bool value) {
    notificationsAllowed_ = value;
    services_.defaults.setValue(notificationsKey, value);
}

QCoro::Task<bool> AppModel::changeLoginItem(std::optional<bool> enabled) {
    auto changing = keldra::onLane(*loginItemLane_, ownerGuard(), [&item = services_.loginItem, enabled] {
        if (enabled) {
            item.setLoginItemEnabled(*enabled);
        }
        return item.isLoginItemEnabled();
    });
    co_return co_await changing;
}

void AppModel::persistHideDockIcon(bool value) {
    setHideDockIcon(value);
    services_.defaults.setValue(hideDockIconKey, value);
    // The desktop has no per-application dock icon to hide: the preference is only kept.
}

// ---- derived values

bool AppModel::canBackUpNow() const {
    if (phase_ != AppPhase::ready || isRunning_ || !keldraKey_ || sources_.empty()) {
        return false;
    }
    // The cloud part can run only with its device folder and its engine.
    if (settings_.deviceFolderID && engine_) {
        return true;
    }
    // Whether a drive is mounted is the drive states' answer, refreshed by loads, runs and mount events.
    return std::any_of(destinations_.begin(), destinations_.end(), [this](const LocalDestination& d) {
        const auto state = driveStates_.find(d.id);
        return d.enabled && state != driveStates_.end() && state->second.connected;
    });
}

OLTheme AppModel::popoverTheme() const {
    OLTheme theme;
    switch (popoverStyle_) {
    case PopoverStyle::match:
        theme.style = style_;
        break;
    case PopoverStyle::glass:
        theme.style = OLStyle::glass;
        break;
    case PopoverStyle::signal:
        theme.style = OLStyle::signal;
        break;
    }
    theme.accent = accent_;
    theme.radiusPill = 999;
    return theme;
}

// ---- country rule

void AppModel::loadGeoRule(const std::string& scopeKey) {
    std::set<std::string> codes;
    if (auto stored = services_.defaults.value("geoRule.codes." + scopeKey); stored && stored->is_array()) {
        for (const auto& code : *stored) {
            if (code.is_string()) {
                codes.insert(upperAscii(code.get<std::string>()));
            }
        }
    }
    const auto kind = stringValue(services_.defaults, "geoRule.kind." + scopeKey);
    GeoGuard::Rule rule;
    if (kind == std::optional<std::string>("block") && !codes.empty()) {
        rule = GeoGuard::Rule::block(std::move(codes));
    } else if (kind == std::optional<std::string>("allowOnly") && !codes.empty()) {
        rule = GeoGuard::Rule::allowOnly(std::move(codes));
    }
    setGeoRule(rule);
    // The client checks the country again before its next request.
    services_.api->setGeo(rule);
    services_.api->clearLastCountry();
}

void AppModel::applyGeoRule(const GeoGuard::Rule& rule) {
    if (rule == geoRule_) {
        return;
    }
    setGeoRule(rule);
    const auto scope = sessionScopeKey();
    if (!scope) {
        return;
    }
    const std::string kindKey = "geoRule.kind." + *scope;
    const std::string codesKey = "geoRule.codes." + *scope;
    if (rule.kind == GeoGuard::Rule::Kind::off) {
        services_.defaults.remove(kindKey);
        services_.defaults.setValue(codesKey, nlohmann::json::array());
        return;
    }
    services_.defaults.setValue(kindKey, rule.kind == GeoGuard::Rule::Kind::block ? "block" : "allowOnly");
    // A std::set is already in ascending order.
    services_.defaults.setValue(
        codesKey, nlohmann::json(std::vector<std::string>(rule.codes.begin(), rule.codes.end())));
}

std::optional<std::string> AppModel::sessionScopeKey() const {
    if (!session_) {
        return std::nullopt;
    }
    return scopeKey(session_->email);
}

// ---- run history

QCoro::Task<> AppModel::refreshRuns() {
    auto readingRuns = onIndex([](BackupIndex& index) { return index.recentRuns(runsShown); });
    auto runs = co_await readingRuns;
    setRuns(runs.value_or(std::vector<RunRecord>{}));
    if (!lastRun_) {
        setLastRun(runs_.empty() ? std::nullopt : std::optional<RunRecord>(runs_.front()));
    }
}

QCoro::Task<std::vector<RunFailure>> AppModel::failures(std::int64_t runID) {
    auto reading = onIndex([runID](BackupIndex& index) { return index.failures(runID); });
    auto read = co_await reading;
    co_return read.value_or(std::vector<RunFailure>{});
}

void AppModel::revealInFiles(const std::filesystem::path& path) {
    startDetached([](AppModel* model, std::filesystem::path wanted) -> QCoro::Task<> {
        auto finding = model->onWorker(model->ownerGuard(), [wanted] { return nearestExistingPath(wanted); });
        const std::filesystem::path shown = co_await finding;
        model->services_.fileRevealer.reveal(shown);
    }(this, path));
}

// ---- holds, reminders and the log

void AppModel::handleBlock(const BlockReason& reason) {
    setBlock(reason);
    const std::string body = reason.message();
    if (reason.is<BlockReason::GeoBlocked>()) {
        post("geo-blocked", reason.title(), body);
    } else if (reason.is<BlockReason::GeoRisk>()) {
        post("geo-risk", "Backups held for safety", body);
    } else if (reason.is<BlockReason::Suspended>()) {
        post("suspended", "Keldra suspended", body);
    } else if (reason.is<BlockReason::SignedOut>()) {
        post("signed-out", "Sign in to keep backing up", body);
    }
}

void AppModel::postLockedNotice() {
    if (lockedNoticePosted_ || !settings_.setupComplete || settings_.schedule.kind == ScheduleKind::manual) {
        return;
    }
    setLockedNoticePosted(true);
    post("locked", "Keldra is locked", "Enter your passphrase to resume scheduled backups.");
}

void AppModel::appendLog(LogLine line) {
    std::vector<LogLine> lines = log_;
    lines.push_back(std::move(line));
    setLog(lines);
    if (lines.size() > logLimit) {
        lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(logLimit));
        setLog(std::move(lines));
    }
}

void AppModel::appendLog(std::string text, LogLine::Tone tone) {
    appendLog(LogLine::make(std::move(text), tone, services_.clock.now()));
}

// ---- the Restore screen

std::unique_ptr<RestoreModel> AppModel::newRestoreModel() {
    return std::make_unique<RestoreModel>(workers_, services_.folderChooser, services_.fileRevealer);
}

RestoreContext AppModel::restoreContext() const {
    RestoreContext context;
    context.key = keldraKey_;
    context.api = services_.api;
    context.engine = restoreEngine_;
    context.destinations = destinations_;
    context.deviceFolderID = settings_.deviceFolderID;
    context.volumes = &services_.volumes;
    context.clock = &services_.clock;
    return context;
}

// ---- tasks nobody awaits

void AppModel::startDetached(QCoro::Task<> task) {
    QPointer<AppModel> self(this);
    detachTask(std::move(task), [self](const std::exception& error) {
        if (self) {
            self->services_.logger.log(fmt::format("Background task failed: {}", error.what()));
        }
    });
}

} // namespace keldra
