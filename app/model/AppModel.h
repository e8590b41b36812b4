#pragma once

#include "app/async/ThreadLane.h"
#include "app/async/Workers.h"
#include "app/model/AppModelView.h"
#include "app/model/AppPhase.h"
#include "app/model/AppServices.h"
#include "app/model/BackupHealth.h"
#include "app/model/ModelValues.h"
#include "app/model/PlannedDrive.h"
#include "app/model/RestoreModel.h"
#include "app/model/SchedulerStep.h"
#include "app/model/StatusValues.h"
#include "app/model/ThemeValues.h"
#include "core/crypto/KeldraKey.h"
#include "core/events/BlockReason.h"
#include "core/events/EngineEvent.h"
#include "core/events/LogLine.h"
#include "core/events/RunProgress.h"
#include "core/events/ThroughputMeter.h"
#include "core/index/BackupIndex.h"
#include "core/secrets/StoredSession.h"
#include "core/settings/BackupSettings.h"
#include "core/settings/BackupSource.h"
#include "drive/destination/LocalDestination.h"
#include "drive/run/LocalBackupEngine.h"
#include "engine/BackupEngine.h"
#include "restore/engine/RestoreEngine.h"
#include "service/api/GeoGuard.h"
#include "service/types/AccountInfo.h"
#include "service/types/KeldraFolder.h"
#include "service/types/KeldraStatus.h"

#include <QObject>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace keldra {

// The one application model: every piece of state the windows, the tray and the scheduler show, and the
// long-lived services behind it. Lives on the UI thread; blocking work (portal, keyring, index, files) runs
// on its workers and every coroutine goes on only while the model lives and, for per-account work, while
// the account it started for is still loaded.
//
// Each observed property has one change signal, emitted only when the value really changes (the key and
// the index announce every assignment). statusChanged() is emitted once per event-loop turn after any of
// them, for the values derived from several properties.
class AppModel final : public AppModelView {
    Q_OBJECT

public:
    using DriveState = keldra::DriveState;
    using IndexMap = std::map<std::string, std::shared_ptr<BackupIndex>>;

    static constexpr std::size_t logLimit = 400;
    static constexpr std::size_t throughputSamples = 300;
    static constexpr std::int64_t runsShown = 200;
    static constexpr std::int64_t runsKept = 500;
    // A session is renewed when it ends within this many seconds (14 days)...
    static constexpr double sessionRefreshWindow = 1'209'600;
    // ...and a renewal without a readable expiry lasts this long (90 days).
    static constexpr double renewedSessionLifetime = 7'776'000;

    explicit AppModel(AppServices services, QObject* parent = nullptr);
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // Observed state.
    OLStyle style() const override { return style_; }
    OLAccent accent() const override { return accent_; }
    PopoverStyle popoverStyle() const override { return popoverStyle_; }
    bool hideDockIcon() const override { return hideDockIcon_; }
    AppPhase phase() const override { return phase_; }
    AppSection section() const override { return section_; }
    const std::string& restoreSearch() const override { return restoreSearch_; }
    const std::optional<StoredSession>& session() const override { return session_; }
    const std::optional<AccountInfo>& account() const override { return account_; }
    const std::optional<KeldraStatus>& keldraStatus() const override { return keldraStatus_; }
    const std::optional<KeldraKey>& keldraKey() const override { return keldraKey_; }
    bool unattended() const override { return unattended_; }
    const std::optional<std::string>& keyringError() const override { return keyringError_; }
    const BackupSettings& settings() const override { return settings_; }
    const std::vector<BackupSource>& sources() const override { return sources_; }
    const std::vector<LocalDestination>& destinations() const override { return destinations_; }
    const DriveStates& driveStates() const override { return driveStates_; }
    const IndexMap& localIndexes() const { return localIndexes_; }
    const std::shared_ptr<LocalBackupEngine>& localEngine() const { return localEngine_; }
    // Whether the volume watcher is installed (once per process).
    bool watchingVolumes() const { return watchingVolumes_; }
    const VerifierState& verifierState() const override { return verifierState_; }
    const std::vector<KeldraFolder>& existingDevices() const override { return existingDevices_; }
    const std::shared_ptr<BackupIndex>& index() const override { return index_; }
    const std::optional<std::string>& authError() const override { return authError_; }
    bool isWorking() const override { return isWorking_; }
    const std::string& pendingEmail() const override { return pendingEmail_; }
    const std::string& pendingPassword() const override { return pendingPassword_; }
    bool isRunning() const override { return isRunning_; }
    const RunProgress& progress() const override { return progress_; }
    const std::optional<RunRecord>& lastRun() const override { return lastRun_; }
    const std::vector<RunRecord>& runs() const override { return runs_; }
    const std::optional<SystemTime>& lastSuccess() const override { return lastSuccess_; }
    const std::optional<SystemTime>& lastAttempt() const { return lastAttempt_; }
    bool lastAttemptFailed() const { return lastAttemptFailed_; }
    bool pausedByUser() const override { return pausedByUser_; }
    const std::optional<MassChangeReview>& review() const { return review_; }
    const std::optional<BlockReason>& block() const { return block_; }
    bool storageFull() const { return storageFull_; }
    const Availabilities& unavailableSources() const override { return unavailableSources_; }
    const std::vector<LogLine>& log() const override { return log_; }
    const std::vector<double>& throughput() const override { return throughput_; }
    double currentSpeed() const override { return currentSpeed_; }
    bool trayFrame() const { return trayFrame_; }
    int searchFocusRequest() const override { return searchFocusRequest_; }
    bool isOnline() const { return isOnline_; }
    const std::set<std::string>& dismissedBanners() const override { return dismissedBanners_; }
    const std::shared_ptr<BackupEngine>& engine() const { return engine_; }
    RestoreModel* restoreModel() const override { return restore_.get(); }
    bool lockedNoticePosted() const { return lockedNoticePosted_; }
    int verifierAbsentStreak() const { return verifierAbsentStreak_; }
    bool restartAfterRun() const { return restartAfterRun_; }
    const std::set<std::string>& keyMismatchNotified() const { return keyMismatchNotified_; }
    const std::optional<SystemTime>& lastStaleNotice() const { return lastStaleNotice_; }
    const GeoGuard::Rule& geoRule() const { return geoRule_; }

    // Services.
    KeldraAPI& api() const { return *services_.api; }
    const std::shared_ptr<ThroughputMeter>& meter() const { return meter_; }
    RestoreEngine& restoreEngine() const { return *restoreEngine_; }
    // What the Restore screen's loads, restores and deletes read of the account, taken when each starts.
    RestoreContext restoreContext() const override;
    SystemTime now() const override { return services_.clock.now(); }
    const AppServices& services() const { return services_; }
    Workers& workers() { return workers_; }

    // Plain setters: they announce a real change and write nothing else.
    void setPhase(AppPhase value) override;
    void setSection(AppSection value) override;
    void setRestoreSearch(std::string value) override;
    void setAuthError(std::optional<std::string> value) override;
    void setPendingEmail(std::string value) override;
    void setPendingPassword(std::string value) override;
    void setSearchFocusRequest(int value) override;
    void setDismissedBanners(std::set<std::string> value) override;

    // Preference setters: assign, then write the user default every time.
    void persistStyle(OLStyle value) override;
    void persistAccent(OLAccent value) override;
    void persistPopoverStyle(PopoverStyle value) override;
    void persistHideDockIcon(bool value) override;
    // "Notify me about problems" from set-up: off, the app posts no desktop notification at all (what a
    // refused notification permission means elsewhere). Kept in the user defaults; on until set.
    bool notificationsAllowed() const { return notificationsAllowed_; }
    void persistNotificationsAllowed(bool value);

    // Derived values.
    bool canBackUpNow() const override;
    OLTheme popoverTheme() const override;

    // The account's country rule from the user defaults, handed to the portal client too.
    void loadGeoRule(const std::string& scopeKey);
    // A rule the portal reported: kept and, with a session, stored for the account.
    void applyGeoRule(const GeoGuard::Rule& rule);
    // The 200 newest runs of the index (none without one); the newest also becomes lastRun while it has
    // none.
    QCoro::Task<> refreshRuns() override;
    QCoro::Task<std::vector<RunFailure>> failures(std::int64_t runID) override;

    // Start-up and the per-account load.
    QCoro::Task<> startup();
    QCoro::Task<> loadSignedIn();
    std::filesystem::path accountDirectory(const std::string& scopeKey) const;
    void loadDestinations(const std::string& scopeKey);
    QCoro::Task<> reconcileDeviceIdentity();
    void onNetworkChange(bool online);
    void onNetworkPathChange();

    // Account and session.
    QCoro::Task<> signIn(std::optional<std::string> code = std::nullopt) override;
    QCoro::Task<> refreshSessionIfNeeded();
    QCoro::Task<> refreshStatus();
    QCoro::Task<> refreshAccount();
    QCoro::Task<> signOut() override;
    void sessionExpired();

    // Holds, reminders and the run log.
    void handleBlock(const BlockReason& reason);
    void postLockedNotice();
    void appendLog(LogLine line);
    void appendLog(std::string text, LogLine::Tone tone);

    // Passphrase, unlock and lock. unlock and createPassphrase give the message to show, none on success.
    QCoro::Task<> checkVerifier() override;
    QCoro::Task<std::optional<std::string>> unlock(std::string passphrase, bool remember) override;
    QCoro::Task<std::optional<std::string>> createPassphrase(std::string passphrase, bool remember) override;
    // Keeps the key in the keyring for unattended backups, or forgets it there.
    void persistUnattended(bool on) override;
    // Assigns settings that differ and saves them for the signed-in account (nothing without a session).
    void persistSettings(const BackupSettings& changed) override;
    void lock() override;
    void useKey(KeldraKey key, bool remember);
    // The passphrase's key, derived on a worker.
    QCoro::Task<KeldraKey> deriveKey(std::string passphrase);

    // Device folder and sources.
    QCoro::Task<> loadDevices() override;
    // Reuses `reuse`, or creates a folder named after `name` below "Backups"; the message to show on
    // failure, none on success.
    QCoro::Task<std::optional<std::string>>
    chooseDeviceFolder(std::string name, std::optional<KeldraFolder> reuse = {}) override;
    QCoro::Task<> finishSetup(bool launchAtLogin, bool notifications) override;
    void addSources(const std::vector<std::filesystem::path>& urls) override;
    // The same, finished once the picks' kinds were read (on a worker) and the sources changed.
    QCoro::Task<> addPickedSources(std::vector<std::filesystem::path> urls);
    // Replaces the sources (kept in sourceOrder) and saves them for the account.
    void persistSources(std::vector<BackupSource> sources) override;
    void removeSource(const std::string& id) override;
    // Stores the user's pause; pausing also cancels the running task.
    void setPaused(bool paused) override;
    // The first sources offered: (label, folder) for Documents, Desktop and Pictures in the home folder.
    std::vector<std::pair<std::string, std::filesystem::path>> suggestedFolders() const override;
    // Asks the user for several folders and files (the sources picker) through the folder chooser.
    void choosePaths(const FolderChoice& choice, FolderChooser::PathsDone done) override;
    // Opens a portal page (PortalLinks) in the default browser.
    void openPortalPage(const std::string& url) override;
    void revealInFiles(const std::filesystem::path& path) override;
    static bool sourceOrder(const BackupSource& a, const BackupSource& b);

    // Running a backup. runBackup starts the one run task, or does nothing when its guards refuse;
    // destinationIDs none means every eligible drive.
    void runBackup(const std::string& trigger, bool acceptLocalChanges = false, bool acceptMissing = false,
                   bool includeCloud = true,
                   std::optional<std::vector<std::string>> destinationIDs = std::nullopt) override;
    void approveReview();
    // The drive's own index, opened on a worker the first time and kept in localIndexes; none without a
    // session or when it cannot be opened.
    QCoro::Task<std::shared_ptr<BackupIndex>> localIndex(LocalDestination destination);
    // Whether the run task exists, and cancelling it (pause, lock, sign-out): the running engine stops in
    // its own way and no further drive starts.
    bool hasRunTask() const { return runCancel_.has_value(); }
    void cancelRunTask();
    void finishRunState();
    void stopTrayTimer();

    // Run outcomes, applied on this thread after every event of their run.
    void applyCloudResult(const RunResult& result);
    void applyDriveResult(const LocalRunResult& result);
    // Re-creates a device folder the portal lost, then backs up again.
    QCoro::Task<> deviceFolderTask();
    // The "retry" action: the status again, then a forced scheduler step.
    QCoro::Task<> refreshStatusTask();

    // The scheduler: one step whenever a run may have become due, the date of the next cloud run, the
    // drives' due test, the stale reminder and the once-a-second throughput sample.
    void startTimers();
    void stopTimers();
    void tick(bool force = false);
    // What a step would start now, its notices aside.
    SchedulerStep planTick(bool force) const;
    std::optional<SystemTime> nextRunDate() const override;
    bool isDriveDue(const LocalDestination& destination) const;
    void postStaleNotice();
    // Announces statusChanged() when time alone changed what the screens and the tray show (health, the
    // main button, the status lines, the banner) since the last announcement.
    void announceIfTimeChangedStatus();
    void sample();
    void onWake();

    // Backup drives: the list operations (an add answers with a message to show, none on success), their
    // states rebuilt off the UI thread, and the reaction to volumes coming and going.
    QCoro::Task<std::optional<std::string>> addDestination(std::filesystem::path folder) override;
    void removeDestination(const std::string& id) override;
    void setDestinationEnabled(const std::string& id, bool enabled) override;
    void backUpDriveNow(const std::string& id, bool acceptChanges) override;
    void revealDriveFolder(const std::string& id) override;
    QCoro::Task<std::filesystem::path> driveDialogStart() override;
    QCoro::Task<> revealDriveFolderNow(LocalDestination destination);
    void refreshDriveStates();
    QCoro::Task<> refreshDriveStatesNow();
    void saveDestinations();
    void handleVolumeChange(const VolumeChange& change);
    // Figures of the open index, read off the UI thread when the index opens, the sources change and a run
    // ends.
    std::int64_t backedUpFileCount() const override { return backedUpFileCount_; }
    std::int64_t backedUpBytes() const override { return backedUpBytes_; }
    SourceStats sourceStats(const std::string& sourceID) const override;
    QCoro::Task<> refreshIndexFigures();

    // What every screen shows: health, the main button and what it does, the status lines and the banner.
    BackupHealth health() const override;
    std::vector<LocalDestination> overdueDrives() const override;
    std::optional<PrimaryAction> primaryAction() const override;
    void perform(PrimaryAction action) override;
    std::string statusSentence() const override;
    std::string attentionDetail() const;
    std::string progressLine() const override;
    std::optional<BannerModel> currentBanner() override;
    void dismissBanner(const std::string& id);
    // Banner and menu actions.
    void showActivity();
    void approveReviewAction();
    void openSettings();
    void openWebKeldra() override;
    LoginItem& loginItem() override { return services_.loginItem; }
    QCoro::Task<bool> changeLoginItem(std::optional<bool> enabled) override;
    void openPlans();
    // Go › Search backed-up files: the Restore screen, its search field focused.
    void requestSearchFocus();

    // Runs `fn(BackupIndex&)` on the open index's lane, after every statement queued before it. Throws
    // StaleWork when the account changes meanwhile. No value without an index; work without a result gives
    // true.
    template <class Fn> using IndexResult = std::invoke_result_t<Fn&, BackupIndex&>;
    template <class Fn>
    using IndexValue = std::conditional_t<std::is_void_v<IndexResult<Fn>>, bool, IndexResult<Fn>>;
    template <class Fn> QCoro::Task<std::optional<IndexValue<Fn>>> onIndex(Fn fn);

signals:
    void localIndexesChanged();
    void localEngineChanged();
    void watchingVolumesChanged();
    void lastAttemptChanged();
    void lastAttemptFailedChanged();
    void reviewChanged();
    void blockChanged();
    void storageFullChanged();
    void trayFrameChanged();
    void isOnlineChanged();
    void engineChanged();
    void lockedNoticePostedChanged();
    void verifierAbsentStreakChanged();
    void restartAfterRunChanged();
    void keyMismatchNotifiedChanged();
    void lastStaleNoticeChanged();
    void geoRuleChanged();

private:
    // Tests set state the model otherwise only sets itself through this one seam (defined in tests/).
    friend struct AppModelTestAccess;

    // Plain setters of what only the model changes (its wiring, the account's state, its run and its
    // reminders): they announce a real change and write nothing else.
    void setHideDockIcon(bool value);
    void setAccount(std::optional<AccountInfo> value);
    void setKeyringError(std::optional<std::string> value);
    void setLocalIndexes(IndexMap value);
    void setLocalEngine(std::shared_ptr<LocalBackupEngine> value);
    void setVerifierState(VerifierState value);
    void setExistingDevices(std::vector<KeldraFolder> value);
    void setIndex(std::shared_ptr<BackupIndex> value);
    void setIsWorking(bool value);
    void setProgress(RunProgress value);
    void setRuns(std::vector<RunRecord> value);
    void setLog(std::vector<LogLine> value);
    void setThroughput(std::vector<double> value);
    void setCurrentSpeed(double value);
    void setTrayFrame(bool value);
    void setIsOnline(bool value);
    void setEngine(std::shared_ptr<BackupEngine> value);
    // Replaces the Restore screen's model (announced when it is another object).
    void setRestore(std::unique_ptr<RestoreModel> value);
    void setLockedNoticePosted(bool value);
    void setVerifierAbsentStreak(int value);
    void setRestartAfterRun(bool value);
    void setKeyMismatchNotified(std::set<std::string> value);
    void setLastStaleNotice(std::optional<SystemTime> value);
    void setStyle(OLStyle value);
    void setAccent(OLAccent value);
    void setPopoverStyle(PopoverStyle value);
    void setSession(std::optional<StoredSession> value);
    void setKeldraStatus(std::optional<KeldraStatus> value);
    void setKeldraKey(std::optional<KeldraKey> value);
    // The public persist* counterparts are the user's operations: they also write the keyring or the user
    // defaults.
    void setUnattended(bool value);
    void setSettings(BackupSettings value);
    void setSources(std::vector<BackupSource> value);
    void setDestinations(std::vector<LocalDestination> value);
    void setDriveStates(DriveStates value);
    // Changes one drive's entry in place; always announced.
    void editDriveState(const std::string& id, const std::function<void(DriveState&)>& edit);
    void setIsRunning(bool value);
    void setLastRun(std::optional<RunRecord> value);
    void setLastSuccess(std::optional<SystemTime> value);
    void setLastAttempt(std::optional<SystemTime> value);
    void setLastAttemptFailed(bool value);
    void setPausedByUser(bool value);
    void setReview(std::optional<MassChangeReview> value);
    void setBlock(std::optional<BlockReason> value);
    void setStorageFull(bool value);
    void setUnavailableSources(Availabilities value);
    void setGeoRule(GeoGuard::Rule value);

    // What the derived values showed when statusChanged() was last announced.
    struct ShownStatus {
        BackupHealth health;
        std::optional<PrimaryAction> action;
        std::string sentence;
        std::string detail;
        std::string progressLine;
        std::optional<std::string> bannerID;
        std::optional<StatusTone> bannerTone;
        std::string bannerTitle;
        std::string bannerMessage;
        friend bool operator==(const ShownStatus&, const ShownStatus&) = default;
    };
    ShownStatus shownStatus();
    // The banners, one case each, in the order they win.
    struct BannerTable;

    template <class T, class Signal> void assign(T& field, T value, Signal signal);
    template <class T, class Signal> void assignAlways(T& field, T value, Signal signal);
    // Emits `signal` (the model's own or the view's) and schedules statusChanged().
    void announce(void (AppModel::*signal)());

    WorkGuard ownerGuard() { return WorkGuard::forOwner(this); }
    WorkGuard accountGuard() { return WorkGuard::forAccount(this, generation_); }
    // Runs blocking work for this model on its workers.
    template <class Fn> auto onWorker(WorkGuard guard, Fn fn) {
        return keldra::onWorker(workers_, std::move(guard), std::move(fn));
    }
    // Keyring work keeps its order (a write never lands after a later removal).
    template <class Fn> auto onKeyring(WorkGuard guard, Fn fn) {
        return keldra::onLane(*keyringLane_, std::move(guard), std::move(fn));
    }

    // A fresh Restore screen model for the signed-in account (or none).
    std::unique_ptr<RestoreModel> newRestoreModel();
    // The state a sign-out drops; also applied when another account signs in over an expired session.
    void resetAccountState();
    // Writes the session to the keyring (skipped when it cannot be encoded).
    QCoro::Task<> storeSession(StoredSession session, WorkGuard guard);
    void startDetached(QCoro::Task<> task);
    QCoro::Task<> tickAfter(Seconds delay);
    // One country re-check while backups are held for the country rule.
    QCoro::Task<> recheckCountry();
    // After a mount or unmount: the drive states, and for a mount a step of the scheduler a little later.
    QCoro::Task<> afterVolumeChange(bool isMount);
    // The scope key of the session's e-mail, if any.
    std::optional<std::string> sessionScopeKey() const;
    // Why the unattended key is written or removed: a lock whose removal fails is told as well.
    enum class KeyringChange { keep, lock };
    // Writes or removes the account's unattended key item on the keyring lane; `unattended` and
    // keyringError follow the keyring's answer.
    void storeUnattendedKey(const std::optional<KeldraKey>& key, KeyringChange change);
    QCoro::Task<> changeUnattendedKey(std::string account, std::optional<Bytes> raw, KeyringChange change);
    // The portal's top-level "Backups" folder (no parent), if there is one.
    QCoro::Task<std::optional<KeldraFolder>> findRootFolder(WorkGuard guard);
    QCoro::Task<> executeRun(std::optional<RunRequest> cloud, std::vector<PlannedDrive> drives,
                             std::vector<LocalDestination> allDrives, CancelToken cancel);
    void applyEvent(const EngineEvent& event);
    // Index writes that nobody waits for, in order on the index's lane.
    void writeMeta(const std::string& key, std::optional<std::string> value);
    void writeIndex(std::function<void(BackupIndex&)> write);
    void writeDriveMeta(std::shared_ptr<BackupIndex> index, const std::string& key,
                        std::optional<std::string> value);
    void post(const std::string& identifier, const std::string& title, const std::string& body);

    AppServices services_;
    AccountGeneration generation_;
    // The account whose state is loaded (the scope key), if any.
    std::optional<std::string> loadedScopeKey_;
    // Counts sign-in attempts: an attempt that a newer one overtook writes nothing more.
    std::uint64_t signInAttempt_ = 0;

    OLStyle style_ = OLStyle::glass;
    OLAccent accent_ = OLAccent::frost;
    PopoverStyle popoverStyle_ = PopoverStyle::match;
    bool hideDockIcon_ = false;
    bool notificationsAllowed_ = true;
    AppPhase phase_ = AppPhase::launching;
    AppSection section_ = AppSection::overview;
    std::string restoreSearch_;
    std::optional<StoredSession> session_;
    std::optional<AccountInfo> account_;
    std::optional<KeldraStatus> keldraStatus_;
    std::optional<KeldraKey> keldraKey_;
    bool unattended_ = false;
    std::optional<std::string> keyringError_;
    BackupSettings settings_;
    std::vector<BackupSource> sources_;
    std::vector<LocalDestination> destinations_;
    DriveStates driveStates_;
    IndexMap localIndexes_;
    std::shared_ptr<LocalBackupEngine> localEngine_;
    bool watchingVolumes_ = false;
    VerifierState verifierState_;
    std::vector<KeldraFolder> existingDevices_;
    std::shared_ptr<BackupIndex> index_;
    std::shared_ptr<SerialLane> indexLane_;
    // Drive indexes open one at a time: two connections creating one new index at once collide, and the
    // loser would silently leave its drive out of a run. The drives' meta writes and state reads share it,
    // so a refresh reads every write asked for before it.
    std::shared_ptr<SerialLane> driveIndexLane_;
    // Reads the kinds of picked sources, in the order they were picked.
    std::shared_ptr<SerialLane> sourceCheckLane_;
    // Changes and reads of the autostart entry, in order.
    std::shared_ptr<SerialLane> loginItemLane_;
    std::optional<std::string> authError_;
    bool isWorking_ = false;
    std::string pendingEmail_;
    std::string pendingPassword_;
    bool isRunning_ = false;
    RunProgress progress_;
    std::optional<RunRecord> lastRun_;
    std::vector<RunRecord> runs_;
    std::optional<SystemTime> lastSuccess_;
    std::optional<SystemTime> lastAttempt_;
    bool lastAttemptFailed_ = false;
    bool pausedByUser_ = false;
    std::optional<MassChangeReview> review_;
    std::optional<BlockReason> block_;
    bool storageFull_ = false;
    Availabilities unavailableSources_;
    std::vector<LogLine> log_;
    std::vector<double> throughput_ = std::vector<double>(throughputSamples, 0.0);
    double currentSpeed_ = 0;
    bool trayFrame_ = false;
    int searchFocusRequest_ = 0;
    bool isOnline_ = true;
    std::set<std::string> dismissedBanners_;
    std::shared_ptr<ThroughputMeter> meter_ = std::make_shared<ThroughputMeter>();
    std::shared_ptr<BackupEngine> engine_;
    std::shared_ptr<RestoreEngine> restoreEngine_;
    std::unique_ptr<RestoreModel> restore_;
    bool lockedNoticePosted_ = false;
    int verifierAbsentStreak_ = 0;
    bool restartAfterRun_ = false;
    std::set<std::string> keyMismatchNotified_;
    std::optional<SystemTime> lastStaleNotice_;
    GeoGuard::Rule geoRule_;
    std::int64_t backedUpFileCount_ = 0;
    std::int64_t backedUpBytes_ = 0;
    std::map<std::string, SourceStats> sourceStats_;
    // The scheduler's timers; the wake watch is set once for the model's life.
    std::unique_ptr<TimerHandle> ticker_;
    std::unique_ptr<TimerHandle> sampler_;
    bool watchingWake_ = false;
    // At most one country re-check at a time, however many ticks meet the hold.
    bool countryRecheckInFlight_ = false;
    std::optional<ShownStatus> lastShownStatus_;
    // Only the newest drive-state refresh is stored.
    std::uint64_t driveRefreshCount_ = 0;
    // The run task's cancellation, while it exists.
    std::optional<CancelSource> runCancel_;
    std::unique_ptr<TimerHandle> trayTimer_;

    RealDriveFileSystem realDriveFiles_;
    CancelSource lifetime_;
    std::unique_ptr<ThreadLane> keyringLane_;
    // Last member: destroyed (and so waited for) first.
    Workers workers_;
};

template <class Fn> QCoro::Task<std::optional<AppModel::IndexValue<Fn>>> AppModel::onIndex(Fn fn) {
    std::optional<IndexValue<Fn>> result;
    if (!index_ || !indexLane_) {
        co_return result;
    }
    std::shared_ptr<SerialLane> lane = indexLane_;
    auto job = [index = index_, fn = std::move(fn)]() mutable -> IndexValue<Fn> {
        if constexpr (std::is_void_v<IndexResult<Fn>>) {
            fn(*index);
            return true;
        } else {
            return fn(*index);
        }
    };
    auto running = keldra::onLane(*lane, accountGuard(), std::move(job));
    IndexValue<Fn> value = co_await running;
    result.emplace(std::move(value));
    co_return result;
}

} // namespace keldra
