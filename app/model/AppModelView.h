#pragma once

#include "app/async/NextTurn.h"
#include "app/model/AppPhase.h"
#include "app/model/BackupHealth.h"
#include "app/model/ModelValues.h"
#include "app/model/StatusValues.h"
#include "app/model/ThemeValues.h"
#include "core/crypto/KeldraKey.h"
#include "core/events/LogLine.h"
#include "core/events/RunProgress.h"
#include "core/index/IndexRows.h"
#include "core/platform/FolderChooser.h"
#include "core/platform/LoginItem.h"
#include "core/secrets/StoredSession.h"
#include "core/settings/BackupSettings.h"
#include "core/settings/BackupSource.h"
#include "drive/destination/LocalDestination.h"
#include "restore/model/RestoreContext.h"
#include "service/types/AccountInfo.h"
#include "service/types/KeldraFolder.h"
#include "service/types/KeldraStatus.h"

#include <QObject>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace keldra {

class BackupIndex;
class RestoreModel;

// All a screen knows of the application model: its observed state, the values derived from it and the
// operations the screens call. The real AppModel and the gallery's FakeAppModel implement it, so every
// screen runs unchanged on either.
//
// Each property has one change signal, emitted only on a real change. The derived values (health, primary
// action, status lines, next run, banner, popover theme) share statusChanged(), emitted at most once per
// event-loop turn after any of their inputs changed. Waiting operations are coroutines that run
// synchronously up to their first wait, so isWorking() is already true when the call returns.
class AppModelView : public QObject {
    Q_OBJECT

public:
    using DriveStates = std::map<std::string, DriveState>;
    using Availabilities = std::map<std::string, BackupSource::Availability>;
    using SuggestedFolders = std::vector<std::pair<std::string, std::filesystem::path>>;

    explicit AppModelView(QObject* parent = nullptr);
    ~AppModelView() override;

    // Window and navigation.
    virtual AppPhase phase() const = 0;
    virtual void setPhase(AppPhase value) = 0;
    virtual AppSection section() const = 0;
    virtual void setSection(AppSection value) = 0;
    virtual OLStyle style() const = 0;
    virtual OLAccent accent() const = 0;
    virtual PopoverStyle popoverStyle() const = 0;
    virtual bool hideDockIcon() const = 0;
    // The user's appearance choices: stored, then always written to the user defaults.
    virtual void persistStyle(OLStyle value) = 0;
    virtual void persistAccent(OLAccent value) = 0;
    virtual void persistPopoverStyle(PopoverStyle value) = 0;
    virtual void persistHideDockIcon(bool value) = 0;
    virtual std::optional<BannerModel> currentBanner() = 0;
    virtual const std::set<std::string>& dismissedBanners() const = 0;
    virtual void setDismissedBanners(std::set<std::string> value) = 0;
    virtual const std::string& restoreSearch() const = 0;
    virtual void setRestoreSearch(std::string value) = 0;
    virtual int searchFocusRequest() const = 0;
    virtual void setSearchFocusRequest(int value) = 0;
    // The Restore screen's model; a sign-out replaces it (restoreModelChanged), so screens never keep it.
    virtual RestoreModel* restoreModel() const = 0;
    // What the Restore screen's loads, restores and deletes read of the account, taken when each starts.
    virtual RestoreContext restoreContext() const = 0;
    // The model's clock.
    virtual SystemTime now() const = 0;

    // Sign-in, unlock and sign-out.
    virtual const std::string& pendingEmail() const = 0;
    virtual void setPendingEmail(std::string value) = 0;
    virtual const std::string& pendingPassword() const = 0;
    virtual void setPendingPassword(std::string value) = 0;
    virtual const std::optional<std::string>& authError() const = 0;
    virtual void setAuthError(std::optional<std::string> value) = 0;
    virtual bool isWorking() const = 0;
    virtual QCoro::Task<> signIn(std::optional<std::string> code = std::nullopt) = 0;
    virtual const VerifierState& verifierState() const = 0;
    virtual QCoro::Task<> checkVerifier() = 0;
    // No value on success, else the message to show.
    virtual QCoro::Task<std::optional<std::string>> unlock(std::string passphrase, bool remember) = 0;
    virtual QCoro::Task<std::optional<std::string>> createPassphrase(std::string passphrase,
                                                                     bool remember) = 0;
    virtual const std::optional<KeldraKey>& keldraKey() const = 0;
    virtual bool unattended() const = 0;
    // Keeps the held key in the keyring for unattended backups (true), or removes it (false). `unattended`
    // follows once the keyring has answered; a refusal leaves it as it was and sets keyringError.
    virtual void persistUnattended(bool value) = 0;
    // Why the last change of the unattended key did not happen; none once one did.
    virtual const std::optional<std::string>& keyringError() const = 0;
    virtual void lock() = 0;
    virtual QCoro::Task<> signOut() = 0;
    virtual const std::optional<StoredSession>& session() const = 0;
    virtual const std::optional<AccountInfo>& account() const = 0;
    virtual const std::optional<KeldraStatus>& keldraStatus() const = 0;

    // Setup.
    virtual const BackupSettings& settings() const = 0;
    // Assigns settings that differ and saves them for the signed-in account (nothing without a session).
    virtual void persistSettings(const BackupSettings& changed) = 0;
    virtual const std::vector<BackupSource>& sources() const = 0;
    // Documents, Desktop and Pictures in the home folder, in this order.
    virtual SuggestedFolders suggestedFolders() const;
    virtual void addSources(const std::vector<std::filesystem::path>& urls) = 0;
    // Replaces the sources and saves them for the signed-in account.
    virtual void persistSources(std::vector<BackupSource> value) = 0;
    virtual void removeSource(const std::string& id) = 0;
    virtual const std::vector<KeldraFolder>& existingDevices() const = 0;
    virtual QCoro::Task<> loadDevices() = 0;
    virtual QCoro::Task<std::optional<std::string>>
    chooseDeviceFolder(std::string name, std::optional<KeldraFolder> reuse = {}) = 0;
    virtual QCoro::Task<> finishSetup(bool launchAtLogin, bool notifications) = 0;
    virtual void openWebKeldra() = 0;
    // The application's one autostart entry ("Open at login"); its calls do file work, so off the UI thread.
    virtual LoginItem& loginItem() = 0;
    // Writes or removes the autostart entry when `enabled` is given, then reads whether it is there: off the
    // UI thread, one change after another, outliving the screen that asked.
    virtual QCoro::Task<bool> changeLoginItem(std::optional<bool> enabled) = 0;
    // Opens a portal page (service/types/PortalLinks) in the default browser.
    virtual void openPortalPage(const std::string& url) = 0;
    // Shows the file or folder selected in the desktop's file manager (else opens its parent folder); one
    // that no longer exists shows its nearest existing folder, looked for off the UI thread.
    virtual void revealInFiles(const std::filesystem::path& path) = 0;
    // Asks the user for several folders and files through the folder chooser; `done` gets them, none when
    // the user cancels.
    virtual void choosePaths(const FolderChoice& choice, FolderChooser::PathsDone done) = 0;

    // Backups and status.
    virtual BackupHealth health() const = 0;
    virtual std::optional<PrimaryAction> primaryAction() const = 0;
    virtual void perform(PrimaryAction action) = 0;
    virtual std::string statusSentence() const = 0;
    virtual std::string progressLine() const = 0;
    virtual std::optional<SystemTime> nextRunDate() const = 0;
    virtual std::vector<LocalDestination> overdueDrives() const = 0;
    virtual bool canBackUpNow() const = 0;
    virtual OLTheme popoverTheme() const = 0;
    virtual const std::optional<SystemTime>& lastSuccess() const = 0;
    virtual bool pausedByUser() const = 0;
    // The one pausing action: stores the pause and, when pausing, stops the run in progress.
    virtual void setPaused(bool value) = 0;
    virtual bool isRunning() const = 0;
    virtual const RunProgress& progress() const = 0;
    virtual double currentSpeed() const = 0;
    virtual const std::vector<double>& throughput() const = 0;
    virtual const std::vector<LogLine>& log() const = 0;
    virtual const std::vector<RunRecord>& runs() const = 0;
    virtual const std::optional<RunRecord>& lastRun() const = 0;
    virtual QCoro::Task<> refreshRuns() = 0;
    // The failures recorded for a run, by failure id, read from the index on a worker; none without an index.
    virtual QCoro::Task<std::vector<RunFailure>> failures(std::int64_t runID) = 0;
    // The open index: screens test only its presence and read its figures below, never its statements.
    virtual const std::shared_ptr<BackupIndex>& index() const = 0;
    // Figures of the open index, cached by the model (refreshed on a worker when the index opens, the
    // sources change and a run ends; zero without an index).
    virtual std::int64_t backedUpFileCount() const = 0;
    virtual std::int64_t backedUpBytes() const = 0;
    virtual SourceStats sourceStats(const std::string& sourceID) const = 0;
    // destinationIDs none means every eligible drive.
    virtual void runBackup(const std::string& trigger, bool acceptLocalChanges = false,
                           bool acceptMissing = false, bool includeCloud = true,
                           std::optional<std::vector<std::string>> destinationIDs = std::nullopt) = 0;

    // Sources' availability and the drives.
    virtual const Availabilities& unavailableSources() const = 0;
    virtual const std::vector<LocalDestination>& destinations() const = 0;
    virtual const DriveStates& driveStates() const = 0;
    // No value when the drive was added, else the message to show.
    virtual QCoro::Task<std::optional<std::string>> addDestination(std::filesystem::path url) = 0;
    // Drives are named by their destination id.
    virtual void removeDestination(const std::string& id) = 0;
    virtual void setDestinationEnabled(const std::string& id, bool enabled) = 0;
    virtual void backUpDriveNow(const std::string& id, bool acceptChanges) = 0;
    // Shows the drive's backup folder in the file manager while its volume is mounted (nothing otherwise).
    virtual void revealDriveFolder(const std::string& id) = 0;
    // Where the drive dialog opens (the first existing mount folder, else home), looked for on a worker.
    virtual QCoro::Task<std::filesystem::path> driveDialogStart() = 0;

signals:
    void phaseChanged();
    void sectionChanged();
    void styleChanged();
    void accentChanged();
    void popoverStyleChanged();
    void hideDockIconChanged();
    void dismissedBannersChanged();
    void restoreSearchChanged();
    void searchFocusRequestChanged();
    void restoreModelChanged();
    void pendingEmailChanged();
    void pendingPasswordChanged();
    void authErrorChanged();
    void isWorkingChanged();
    void verifierStateChanged();
    void keldraKeyChanged();
    void unattendedChanged();
    void keyringErrorChanged();
    void sessionChanged();
    void accountChanged();
    void keldraStatusChanged();
    void settingsChanged();
    void sourcesChanged();
    void existingDevicesChanged();
    void lastSuccessChanged();
    void pausedByUserChanged();
    void isRunningChanged();
    void progressChanged();
    void currentSpeedChanged();
    void throughputChanged();
    void logChanged();
    void runsChanged();
    void lastRunChanged();
    void indexChanged();
    void indexFiguresChanged();
    void unavailableSourcesChanged();
    void destinationsChanged();
    void driveStatesChanged();
    // Once per event-loop turn after any change: for the derived values.
    void statusChanged();

protected:
    // Emits `signal` and schedules statusChanged() for the end of this event-loop turn.
    void announce(void (AppModelView::*signal)());
    // Schedules statusChanged() alone (a change without its own signal).
    void scheduleStatus();

private:
    NextTurn statusTurn_{this, [this] {
                             emit statusChanged();
                         }};
};

} // namespace keldra
