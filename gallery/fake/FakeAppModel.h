#pragma once

#include "app/model/AppModelView.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keldra {

// A model for screens without a portal, keyring or index: every value is settable, the derived values are
// set directly, operations are recorded (calls()) and answer with the scripted result. Operations may be
// held at their first wait (holdOperations) so a test can look at a screen while one is under way and
// finish it later (releaseOperations). The gallery and the widget tests draw and drive screens with it.
class FakeAppModel final : public AppModelView {
    Q_OBJECT

public:
    explicit FakeAppModel(QObject* parent = nullptr);
    ~FakeAppModel() override;

    // What the operations did, oldest first: "signIn", "signIn 123456", "perform backUpNow", ...
    const std::vector<std::string>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    // The message that unlock, createPassphrase, chooseDeviceFolder and addDestination return next.
    void setNextResult(std::optional<std::string> message) { nextResult_ = std::move(message); }
    void holdOperations(bool held) { held_ = held; }
    void releaseOperations();
    // What the fake banners' buttons do: recorded as "banner <id>".
    void bannerAction(const std::string& id) { record("banner " + id); }

    // Window and navigation.
    AppPhase phase() const override { return phase_; }
    void setPhase(AppPhase value) override;
    AppSection section() const override { return section_; }
    void setSection(AppSection value) override;
    OLStyle style() const override { return style_; }
    OLAccent accent() const override { return accent_; }
    PopoverStyle popoverStyle() const override { return popoverStyle_; }
    bool hideDockIcon() const override { return hideDockIcon_; }
    void persistStyle(OLStyle value) override;
    void persistAccent(OLAccent value) override;
    void persistPopoverStyle(PopoverStyle value) override;
    void persistHideDockIcon(bool value) override;
    // The first of the set banners that is not dismissible or not dismissed.
    std::optional<BannerModel> currentBanner() override;
    void setBanners(std::vector<BannerModel> banners);
    const std::set<std::string>& dismissedBanners() const override { return dismissedBanners_; }
    void setDismissedBanners(std::set<std::string> value) override;
    const std::string& restoreSearch() const override { return restoreSearch_; }
    void setRestoreSearch(std::string value) override;
    int searchFocusRequest() const override { return searchFocusRequest_; }
    void setSearchFocusRequest(int value) override;
    RestoreModel* restoreModel() const override { return restoreModel_.get(); }
    // The key and the drives; no portal, so nothing is loaded from it.
    RestoreContext restoreContext() const override;
    SystemTime now() const override;
    void setRestoreModel(std::unique_ptr<RestoreModel> value);

    // Sign-in, unlock and sign-out.
    const std::string& pendingEmail() const override { return pendingEmail_; }
    void setPendingEmail(std::string value) override;
    const std::string& pendingPassword() const override { return pendingPassword_; }
    void setPendingPassword(std::string value) override;
    const std::optional<std::string>& authError() const override { return authError_; }
    void setAuthError(std::optional<std::string> value) override;
    bool isWorking() const override { return isWorking_; }
    void setIsWorking(bool value);
    QCoro::Task<> signIn(std::optional<std::string> code = std::nullopt) override;
    const VerifierState& verifierState() const override { return verifierState_; }
    void setVerifierState(VerifierState value);
    QCoro::Task<> checkVerifier() override;
    QCoro::Task<std::optional<std::string>> unlock(std::string passphrase, bool remember) override;
    QCoro::Task<std::optional<std::string>> createPassphrase(std::string passphrase, bool remember) override;
    const std::optional<KeldraKey>& keldraKey() const override { return keldraKey_; }
    void setKeldraKey(std::optional<KeldraKey> value);
    bool unattended() const override { return unattended_; }
    void persistUnattended(bool value) override;
    const std::optional<std::string>& keyringError() const override { return keyringError_; }
    void setKeyringError(std::optional<std::string> value);
    void lock() override;
    QCoro::Task<> signOut() override;
    const std::optional<StoredSession>& session() const override { return session_; }
    void setSession(std::optional<StoredSession> value);
    const std::optional<AccountInfo>& account() const override { return account_; }
    void setAccount(std::optional<AccountInfo> value);
    const std::optional<KeldraStatus>& keldraStatus() const override { return keldraStatus_; }
    void setKeldraStatus(std::optional<KeldraStatus> value);

    // Setup.
    const BackupSettings& settings() const override { return settings_; }
    void setSettings(BackupSettings value);
    void persistSettings(const BackupSettings& changed) override;
    const std::vector<BackupSource>& sources() const override { return sources_; }
    void addSources(const std::vector<std::filesystem::path>& urls) override;
    void persistSources(std::vector<BackupSource> value) override;
    void setSources(std::vector<BackupSource> value);
    void removeSource(const std::string& id) override;
    const std::vector<KeldraFolder>& existingDevices() const override { return existingDevices_; }
    void setExistingDevices(std::vector<KeldraFolder> value);
    QCoro::Task<> loadDevices() override;
    QCoro::Task<std::optional<std::string>>
    chooseDeviceFolder(std::string name, std::optional<KeldraFolder> reuse = {}) override;
    QCoro::Task<> finishSetup(bool launchAtLogin, bool notifications) override;
    void openWebKeldra() override;
    LoginItem& loginItem() override { return loginItem_; }
    QCoro::Task<bool> changeLoginItem(std::optional<bool> enabled) override;
    void openPortalPage(const std::string& url) override;
    void revealInFiles(const std::filesystem::path& path) override;
    // Answers with the places set by setNextPaths (then none), at once.
    void choosePaths(const FolderChoice& choice, FolderChooser::PathsDone done) override;
    void setNextPaths(std::vector<std::filesystem::path> paths) { nextPaths_ = std::move(paths); }
    // What the last choosePaths asked for.
    const FolderChoice& lastChoice() const { return lastChoice_; }

    // Backups and status: the derived values are set as they should read.
    BackupHealth health() const override { return health_; }
    void setHealth(BackupHealth value);
    std::optional<PrimaryAction> primaryAction() const override { return primaryAction_; }
    void setPrimaryAction(std::optional<PrimaryAction> value);
    void perform(PrimaryAction action) override;
    std::string statusSentence() const override { return statusSentence_; }
    void setStatusSentence(std::string value);
    std::string progressLine() const override { return progressLine_; }
    void setProgressLine(std::string value);
    std::optional<SystemTime> nextRunDate() const override { return nextRunDate_; }
    void setNextRunDate(std::optional<SystemTime> value);
    std::vector<LocalDestination> overdueDrives() const override { return overdueDrives_; }
    void setOverdueDrives(std::vector<LocalDestination> value);
    bool canBackUpNow() const override { return canBackUpNow_; }
    void setCanBackUpNow(bool value);
    OLTheme popoverTheme() const override;
    const std::optional<SystemTime>& lastSuccess() const override { return lastSuccess_; }
    void setLastSuccess(std::optional<SystemTime> value);
    bool pausedByUser() const override { return pausedByUser_; }
    void setPaused(bool value) override;
    bool isRunning() const override { return isRunning_; }
    void setIsRunning(bool value);
    const RunProgress& progress() const override { return progress_; }
    void setProgress(RunProgress value);
    double currentSpeed() const override { return currentSpeed_; }
    void setCurrentSpeed(double value);
    const std::vector<double>& throughput() const override { return throughput_; }
    void setThroughput(std::vector<double> value);
    const std::vector<LogLine>& log() const override { return log_; }
    void setLog(std::vector<LogLine> value);
    const std::vector<RunRecord>& runs() const override { return runs_; }
    void setRuns(std::vector<RunRecord> value);
    const std::optional<RunRecord>& lastRun() const override { return lastRun_; }
    void setLastRun(std::optional<RunRecord> value);
    QCoro::Task<> refreshRuns() override;
    // Answers with the failures set for the run (none by default). While failure loads are held, each load
    // waits until releaseFailures names its run, so a test can finish an older load after a newer one.
    QCoro::Task<std::vector<RunFailure>> failures(std::int64_t runID) override;
    void setFailures(std::int64_t runID, std::vector<RunFailure> failures);
    void holdFailures(bool held) { failuresHeld_ = held; }
    void releaseFailures(std::int64_t runID) { emit failuresReleased(runID); }
    const std::shared_ptr<BackupIndex>& index() const override { return index_; }
    void setIndex(std::shared_ptr<BackupIndex> value);
    std::int64_t backedUpFileCount() const override { return backedUpFileCount_; }
    std::int64_t backedUpBytes() const override { return backedUpBytes_; }
    SourceStats sourceStats(const std::string& sourceID) const override;
    // How often the screens read the per-source figures.
    int sourceStatsReads() const { return sourceStatsReads_; }
    // How often anything wrote the section, changed or not: views write it only when it differs.
    int sectionWrites() const { return sectionWrites_; }
    void setIndexFigures(std::int64_t files, std::int64_t bytes,
                         std::map<std::string, SourceStats> perSource = {});
    void runBackup(const std::string& trigger, bool acceptLocalChanges = false, bool acceptMissing = false,
                   bool includeCloud = true,
                   std::optional<std::vector<std::string>> destinationIDs = std::nullopt) override;

    // Sources' availability and the drives.
    const Availabilities& unavailableSources() const override { return unavailableSources_; }
    void setUnavailableSources(Availabilities value);
    const std::vector<LocalDestination>& destinations() const override { return destinations_; }
    void setDestinations(std::vector<LocalDestination> value);
    const DriveStates& driveStates() const override { return driveStates_; }
    void setDriveStates(DriveStates value);
    QCoro::Task<std::optional<std::string>> addDestination(std::filesystem::path url) override;
    void removeDestination(const std::string& id) override;
    void setDestinationEnabled(const std::string& id, bool enabled) override;
    void backUpDriveNow(const std::string& id, bool acceptChanges) override;
    void revealDriveFolder(const std::string& id) override;
    // The folder set by setDriveDialogStart, at once unless operations are held.
    QCoro::Task<std::filesystem::path> driveDialogStart() override;
    void setDriveDialogStart(std::filesystem::path value) { driveDialogStart_ = std::move(value); }

signals:
    void operationsReleased();
    void failuresReleased(std::int64_t runID);

private:
    template <class T> void assign(T& field, T value, void (AppModelView::*signal)());
    void record(std::string call);
    // Waits for releaseOperations() while operations are held; the fake's one wait.
    QCoro::Task<> waitIfHeld();
    // Records `call`, waits while held and answers with the scripted result; the sign-in, unlock and setup
    // requests show isWorking meanwhile.
    QCoro::Task<std::optional<std::string>> answer(std::string call, bool showsWorking);

    // "Open at login" in memory; the settings page changes it from its own thread.
    class MemoryLoginItem final : public LoginItem {
    public:
        bool setLoginItemEnabled(bool enabled) override {
            enabled_ = enabled;
            return true;
        }
        bool isLoginItemEnabled() const override { return enabled_; }

    private:
        std::atomic<bool> enabled_ = false;
    };

    std::vector<std::string> calls_;
    MemoryLoginItem loginItem_;
    FolderChoice lastChoice_;
    std::filesystem::path driveDialogStart_ = "/media";
    mutable int sourceStatsReads_ = 0;
    int sectionWrites_ = 0;
    std::optional<std::string> nextResult_;
    bool held_ = false;

    AppPhase phase_ = AppPhase::launching;
    AppSection section_ = AppSection::overview;
    OLStyle style_ = OLStyle::glass;
    OLAccent accent_ = OLAccent::frost;
    PopoverStyle popoverStyle_ = PopoverStyle::match;
    bool hideDockIcon_ = false;
    std::vector<BannerModel> banners_;
    std::set<std::string> dismissedBanners_;
    std::string restoreSearch_;
    int searchFocusRequest_ = 0;
    std::unique_ptr<RestoreModel> restoreModel_;
    std::string pendingEmail_;
    std::string pendingPassword_;
    std::optional<std::string> authError_;
    bool isWorking_ = false;
    VerifierState verifierState_;
    std::optional<KeldraKey> keldraKey_;
    bool unattended_ = false;
    std::optional<std::string> keyringError_;
    std::optional<StoredSession> session_;
    std::optional<AccountInfo> account_;
    std::optional<KeldraStatus> keldraStatus_;
    BackupSettings settings_;
    std::vector<BackupSource> sources_;
    std::vector<KeldraFolder> existingDevices_;
    BackupHealth health_ = BackupHealth::protectedState();
    std::optional<PrimaryAction> primaryAction_;
    std::string statusSentence_;
    std::string progressLine_;
    std::optional<SystemTime> nextRunDate_;
    std::vector<LocalDestination> overdueDrives_;
    bool canBackUpNow_ = false;
    std::optional<SystemTime> lastSuccess_;
    bool pausedByUser_ = false;
    bool isRunning_ = false;
    RunProgress progress_;
    double currentSpeed_ = 0;
    std::vector<double> throughput_ = std::vector<double>(300, 0.0);
    std::vector<LogLine> log_;
    std::vector<RunRecord> runs_;
    std::optional<RunRecord> lastRun_;
    std::shared_ptr<BackupIndex> index_;
    std::int64_t backedUpFileCount_ = 0;
    std::int64_t backedUpBytes_ = 0;
    std::map<std::string, SourceStats> sourceStats_;
    Availabilities unavailableSources_;
    std::vector<LocalDestination> destinations_;
    DriveStates driveStates_;
    std::vector<std::filesystem::path> nextPaths_;
    std::map<std::int64_t, std::vector<RunFailure>> failures_;
    bool failuresHeld_ = false;
};

} // namespace keldra
