// What every screen shows of the model: the health, the main button and what it does, the status sentence,
// the attention detail, the progress line, overdue drives and the one banner with its actions.

#include "app/model/AppModel.h"
#include "app/model/StatusTexts.h"
#include "core/events/ByteCount.h"
#include "core/events/Formatters.h"
#include "core/events/NumberFormat.h"
#include "core/text/AsciiCase.h"
#include "service/types/PortalLinks.h"

#include <algorithm>
#include <fmt/format.h>

namespace keldra {

namespace {

constexpr double fullRatio = 0.995;
constexpr double nearlyFullRatio = 0.9;
constexpr double secondsPerDay = 86'400;
constexpr std::int64_t defaultDriveReminderDays = 7;

double ageSeconds(SystemTime since, SystemTime now) {
    return toUnixSeconds(now) - toUnixSeconds(since);
}

// How old the last success may be before the computer counts as at risk, by schedule.
double atRiskLimit(const BackupSchedule& schedule) {
    switch (schedule.kind) {
    case ScheduleKind::hourly:
        return 21'600;
    case ScheduleKind::daily:
        return 259'200;
    case ScheduleKind::weekly:
        return 1'296'000;
    case ScheduleKind::custom:
        return 3.0 * static_cast<double>(std::max<std::int64_t>(schedule.everyHours, 1)) * 3600.0;
    case ScheduleKind::manual:
        return 2'592'000;
    }
    return 259'200;
}

// used / quota when the status is known and has a quota.
std::optional<double> usedRatio(const std::optional<KeldraStatus>& status) {
    if (!status || status->quotaBytes.value < 1) {
        return std::nullopt;
    }
    return static_cast<double>(status->usedBytes.value) / static_cast<double>(status->quotaBytes.value);
}

bool isRetryable(const BlockReason& reason) {
    return reason.is<BlockReason::ServerNotReady>() || reason.is<BlockReason::AccessDenied>() ||
           reason.is<BlockReason::GeoBlocked>() || reason.is<BlockReason::GeoRisk>();
}

} // namespace

BackupHealth AppModel::health() const {
    if (isRunning_) {
        return BackupHealth::backingUp();
    }
    if (block_ && !block_->is<BlockReason::Offline>()) {
        return BackupHealth::blocked(*block_);
    }
    if (phase_ == AppPhase::unlock || !keldraKey_) {
        return BackupHealth::locked();
    }
    if (storageFull_) {
        return BackupHealth::storageFull();
    }
    if (const auto ratio = usedRatio(keldraStatus_); ratio && *ratio >= fullRatio) {
        return BackupHealth::storageFull();
    }
    if (review_) {
        return BackupHealth::attention();
    }
    if (pausedByUser_) {
        return BackupHealth::paused();
    }
    if (sources_.empty() || !lastSuccess_) {
        return BackupHealth::atRisk();
    }
    if (ageSeconds(*lastSuccess_, services_.clock.now()) > atRiskLimit(settings_.schedule)) {
        return BackupHealth::atRisk();
    }
    if (block_) { // offline
        return BackupHealth::attention();
    }
    if (lastRun_ && (lastRun_->status == RunStatus::partial || lastRun_->status == RunStatus::failed)) {
        return BackupHealth::attention();
    }
    for (const auto& [id, availability] : unavailableSources_) {
        if (availability.kind == BackupSource::Availability::Kind::missing ||
            availability.kind == BackupSource::Availability::Kind::noPermission) {
            return BackupHealth::attention();
        }
    }
    return BackupHealth::protectedState();
}

std::vector<LocalDestination> AppModel::overdueDrives() const {
    const std::int64_t days = settings_.driveReminderDays.value_or(defaultDriveReminderDays);
    std::vector<LocalDestination> overdue;
    if (days < 1) {
        return overdue;
    }
    const SystemTime now = services_.clock.now();
    for (const LocalDestination& destination : destinations_) {
        if (!destination.enabled) {
            continue;
        }
        SystemTime reference = destination.addedAt;
        if (const auto state = driveStates_.find(destination.id);
            state != driveStates_.end() && state->second.lastSuccess) {
            reference = *state->second.lastSuccess;
        }
        if (ageSeconds(reference, now) > static_cast<double>(days) * secondsPerDay) {
            overdue.push_back(destination);
        }
    }
    return overdue;
}

std::optional<PrimaryAction> AppModel::primaryAction() const {
    const BackupHealth current = health();
    switch (current.kind()) {
    case BackupHealth::Kind::protected_:
    case BackupHealth::Kind::atRisk:
        return sources_.empty() ? std::nullopt : std::optional(PrimaryAction::backUpNow);
    case BackupHealth::Kind::backingUp:
        return PrimaryAction::pause;
    case BackupHealth::Kind::paused:
        return PrimaryAction::resume;
    case BackupHealth::Kind::attention:
        return review_ ? PrimaryAction::review : PrimaryAction::backUpNow;
    case BackupHealth::Kind::storageFull:
        return PrimaryAction::seePlans;
    case BackupHealth::Kind::locked:
        return PrimaryAction::unlock;
    case BackupHealth::Kind::blocked:
        break;
    }
    const BlockReason& reason = *current.reason();
    if (isRetryable(reason)) {
        return PrimaryAction::retry;
    }
    if (reason.is<BlockReason::SignedOut>()) {
        return PrimaryAction::signIn;
    }
    if (reason.is<BlockReason::Suspended>() || reason.is<BlockReason::AccountDisabled>()) {
        return PrimaryAction::contactSupport;
    }
    return PrimaryAction::seePlans;
}

void AppModel::perform(PrimaryAction action) {
    switch (action) {
    case PrimaryAction::backUpNow:
        if (pausedByUser_) {
            setPaused(false);
        }
        runBackup("Manual", false, false, true, std::nullopt);
        return;
    case PrimaryAction::pause:
        setPaused(true);
        return;
    case PrimaryAction::resume:
        setPaused(false);
        tick(true);
        return;
    case PrimaryAction::review:
        showActivity();
        return;
    case PrimaryAction::unlock:
        if (!keldraKey_ && phase_ != AppPhase::unlock) {
            setPhase(AppPhase::unlock);
        }
        return;
    case PrimaryAction::signIn:
        sessionExpired();
        return;
    case PrimaryAction::seePlans:
        openPlans();
        return;
    case PrimaryAction::contactSupport:
        services_.urlOpener.openUrl(supportURL());
        return;
    case PrimaryAction::retry:
        setBlock(std::nullopt);
        startDetached(refreshStatusTask());
        return;
    }
}

std::string AppModel::statusSentence() const {
    const BackupHealth current = health();
    const SystemTime now = services_.clock.now();
    switch (current.kind()) {
    case BackupHealth::Kind::backingUp: {
        const RunProgress& p = progress_;
        if (p.phase == RunPhase::copying && p.destination) {
            if (p.filesTotal < 1) {
                return fmt::format("Checking {} for changes.", *p.destination);
            }
            return fmt::format("Copying {} of {} changed files to {}, encrypted.", formatCount(p.filesDone),
                               formatCount(p.filesTotal), *p.destination);
        }
        if (p.destination) {
            return fmt::format("{} on {}.", phaseLabel(p.phase), *p.destination);
        }
        if (p.phase == RunPhase::uploading && p.filesTotal >= 1) {
            return fmt::format("Uploading {} of {} changed files. Each one is encrypted here first.",
                               formatCount(p.filesDone), formatCount(p.filesTotal));
        }
        return phaseLabel(p.phase) + ". Only new and changed files are uploaded.";
    }
    case BackupHealth::Kind::protected_: {
        const std::string last = lastSuccess_ ? lowerAscii(formatLogTimestamp(*lastSuccess_, now)) : "\u2014";
        std::string sentence =
            fmt::format("Last backup {}. Files are encrypted on this computer before they leave it.", last);
        if (const auto next = nextRunDate()) {
            sentence += fmt::format(" Next run {}.", lowerAscii(formatLogTimestamp(*next, now)));
        }
        return sentence;
    }
    case BackupHealth::Kind::paused:
        return "Backups are paused. Nothing new is protected until you resume.";
    case BackupHealth::Kind::attention:
        return attentionDetail();
    case BackupHealth::Kind::locked:
        return "Enter your passphrase to unlock. Scheduled backups wait until you do.";
    case BackupHealth::Kind::storageFull:
        if (keldraStatus_) {
            return fmt::format(
                "Your Keldra is full ({} of {}). New and changed files aren't being backed up.",
                formatByteCount(keldraStatus_->usedBytes.value),
                formatByteCount(keldraStatus_->quotaBytes.value));
        }
        return "Your Keldra is full. New and changed files aren't being backed up.";
    case BackupHealth::Kind::atRisk:
        if (sources_.empty()) {
            return "Nothing is selected. Choose the folders you want to protect.";
        }
        if (!lastSuccess_) {
            return "This computer hasn't been backed up yet.";
        }
        return fmt::format("The last successful backup was {}. Back up now to protect recent changes.",
                           formatRelativeAge(*lastSuccess_, now));
    case BackupHealth::Kind::blocked:
        break;
    }
    return current.reason()->message();
}

std::string AppModel::attentionDetail() const {
    if (review_ && review_->kind == MassChangeReview::Kind::missingFromKeldra) {
        return fmt::format(
            "{} backed-up files aren't in your Keldra any more. Backups are paused until you check.",
            formatCount(review_->removed));
    }
    if (review_) {
        return fmt::format(
            "{} files changed and {} disappeared since the last backup. Backups are paused until you check.",
            formatCount(review_->changed), formatCount(review_->removed));
    }
    if (block_ && block_->is<BlockReason::Offline>()) {
        return "Backups resume automatically when your computer is back online.";
    }
    if (lastRun_ && lastRun_->status == RunStatus::partial) {
        return fmt::format("{} files couldn't be backed up in the last run. Everything else is protected.",
                           formatCount(lastRun_->failed));
    }
    if (lastRun_ && lastRun_->status == RunStatus::failed) {
        return lastRun_->message && !lastRun_->message->empty() ? *lastRun_->message
                                                                : "The last backup didn't finish.";
    }
    const auto anyUnavailable = [this](BackupSource::Availability::Kind kind) {
        return std::any_of(unavailableSources_.begin(), unavailableSources_.end(),
                           [kind](const auto& entry) { return entry.second.kind == kind; });
    };
    if (anyUnavailable(BackupSource::Availability::Kind::noPermission)) {
        return "Your system is blocking access to a folder. Allow Orlivane Keldra in the folder's "
               "permissions.";
    }
    if (anyUnavailable(BackupSource::Availability::Kind::missing)) {
        return "A backed-up folder wasn't found. Its copies in the Keldra are kept.";
    }
    return "Something needs your attention.";
}

std::string AppModel::progressLine() const {
    if (isRunning_) {
        const RunProgress& p = progress_;
        if ((p.phase == RunPhase::uploading || p.phase == RunPhase::copying) && p.filesTotal >= 1) {
            const ThroughputText speed = formatThroughput(currentSpeed_);
            std::string line = fmt::format("{}/{} \u00b7 {} {}", formatCount(p.filesDone),
                                           formatCount(p.filesTotal), speed.number, speed.unit);
            if (p.destination) {
                line += " \u2192 " + *p.destination;
            }
            return line;
        }
        return phaseLabel(p.phase);
    }
    std::vector<std::string> parts;
    if (lastSuccess_) {
        parts.push_back("Last " + formatClockTime(*lastSuccess_));
    }
    parts.push_back(formatCount(backedUpFileCount_) + " files");
    if (const auto next = nextRunDate()) {
        parts.push_back("next " + formatUpcomingTime(*next, services_.clock.now()));
    }
    return fmt::format("{}", fmt::join(parts, " \u00b7 "));
}

// The banner table: each case shows its banner when it applies and is not dismissed. The first case that
// shows one wins, in the order of `cases`.
struct AppModel::BannerTable {
    using Banner = std::optional<BannerModel>;

    AppModel& model;

    static BannerModel make(std::string id, StatusTone tone, std::string title, std::string message,
                            bool dismissible) {
        BannerModel banner;
        banner.id = std::move(id);
        banner.tone = tone;
        banner.title = std::move(title);
        banner.message = std::move(message);
        banner.dismissible = dismissible;
        return banner;
    }
    // A banner action that does nothing once the model is gone.
    std::function<void()> onModel(void (AppModel::*action)()) const {
        return [self = QPointer<AppModel>(&model), action] {
            if (self) {
                (self.data()->*action)();
            }
        };
    }
    bool dismissed(const std::string& id) const { return model.dismissedBanners_.contains(id); }

    // A country rule that wipes the Keldra.
    Banner countryRule() const {
        if (model.geoRule_.kind == GeoGuard::Rule::Kind::off || dismissed("geo-destroy")) {
            return std::nullopt;
        }
        BannerModel banner = make(
            "geo-destroy", StatusTone::danger, "Country rule set to Destroy",
            fmt::format("Opening your Keldra from {} wipes it, including through a VPN server there. Before "
                        "every Keldra call this app checks where your connection appears to be, and holds "
                        "backups rather than connect from those countries.",
                        countryRulePlaces(model.geoRule_)),
            true);
        banner.actionTitle = "Review rule on the web";
        banner.action = onModel(&AppModel::openWebKeldra);
        return banner;
    }

    // The dead man's switch.
    Banner deadManSwitch() const {
        const std::optional<KeldraStatus>& status = model.keldraStatus_;
        if (!status || !status->deadManSwitch || !status->deadManSwitch->enabled ||
            !status->deadManSwitch->enabled->value || dismissed("dms")) {
            return std::nullopt;
        }
        const DeadManSwitchInfo& dms = *status->deadManSwitch;
        std::string when;
        bool urgent = false;
        if (dms.daysRemaining) {
            const std::int64_t d = dms.daysRemaining->value;
            when = fmt::format("in the next {} day{}", d, d == 1 ? "" : "s");
            urgent = d <= 7;
        } else {
            when = fmt::format("for {} days", dms.days ? dms.days->value : 0);
        }
        const std::string does = dms.action && lowerAscii(*dms.action) == "destroy"
                                     ? "deletes every file"
                                     : "shares every file with your emergency contact";
        BannerModel banner = make(
            "dms", urgent ? StatusTone::danger : StatusTone::warning, "Dead man's switch is on",
            fmt::format("If you don't visit the web Keldra {}, it {}, including these backups. Automatic "
                        "backups don't count as a visit.",
                        when, does),
            true);
        banner.actionTitle = "Open web Keldra";
        banner.action = onModel(&AppModel::openWebKeldra);
        return banner;
    }

    // A run paused because backed-up files are missing from the Keldra listing.
    Banner missingFromKeldra() const {
        const std::optional<MassChangeReview>& review = model.review_;
        if (!review || review->kind != MassChangeReview::Kind::missingFromKeldra) {
            return std::nullopt;
        }
        BannerModel banner =
            make("review", StatusTone::warning, "Backups are missing from your Keldra",
                 fmt::format(
                     "{} of {} backed-up files aren't in the Keldra listing. If you deleted them on the web, "
                     "upload them again. If not, contact support before continuing.",
                     formatCount(review->removed), formatCount(review->protectedCount)),
                 false);
        banner.actionTitle = "Upload them again";
        banner.action = onModel(&AppModel::approveReviewAction);
        banner.secondaryTitle = "Open web Keldra";
        banner.secondary = onModel(&AppModel::openWebKeldra);
        return banner;
    }

    // A run paused for a mass change.
    Banner massChange() const {
        const std::optional<MassChangeReview>& review = model.review_;
        if (!review) {
            return std::nullopt;
        }
        BannerModel banner = make(
            "review", StatusTone::warning, "Backup paused for review",
            fmt::format("{} of {} protected files changed and {} disappeared at once. That can mean a sync "
                        "problem or ransomware. Check a few files before continuing.",
                        formatCount(review->changed), formatCount(review->protectedCount),
                        formatCount(review->removed)),
            false);
        banner.actionTitle = "Back up anyway";
        banner.action = onModel(&AppModel::approveReviewAction);
        banner.secondaryTitle = "Show recent activity";
        banner.secondary = onModel(&AppModel::showActivity);
        return banner;
    }

    Banner offline() const {
        if (!model.block_ || !model.block_->is<BlockReason::Offline>()) {
            return std::nullopt;
        }
        return make("offline", StatusTone::warning, "Waiting for network",
                    "Backups resume automatically when your computer is back online.", false);
    }

    Banner storageFull() const {
        if (!model.storageFull_) {
            return std::nullopt;
        }
        BannerModel banner = make(
            "full", StatusTone::danger, "Keldra storage is full",
            "Some files weren't backed up. Free up space in the web Keldra or choose a larger plan.", false);
        banner.actionTitle = "See plans";
        banner.action = onModel(&AppModel::openPlans);
        return banner;
    }

    Banner storageNearlyFull() const {
        const std::optional<KeldraStatus>& status = model.keldraStatus_;
        const auto ratio = usedRatio(status);
        if (!ratio || *ratio < nearlyFullRatio || dismissed("nearly-full")) {
            return std::nullopt;
        }
        const int percent = *ratio >= 1.0 ? 100 : static_cast<int>(*ratio * 100.0);
        BannerModel banner =
            make("nearly-full", StatusTone::warning, fmt::format("Keldra is {}% full", percent),
                 fmt::format("{} left. Old versions count towards your storage.",
                             formatByteCount(status->quotaBytes.value - status->usedBytes.value)),
                 true);
        banner.actionTitle = "See plans";
        banner.action = onModel(&AppModel::openPlans);
        return banner;
    }

    // The first source on a drive that is not plugged in, in the sources' order.
    Banner sourceDriveDisconnected() const {
        for (const BackupSource& source : model.sources_) {
            const auto found = model.unavailableSources_.find(source.id);
            if (found == model.unavailableSources_.end() ||
                found->second.kind != BackupSource::Availability::Kind::driveDisconnected) {
                continue;
            }
            if (dismissed("drive-" + source.id)) {
                return std::nullopt;
            }
            return make("drive-" + source.id, StatusTone::warning,
                        fmt::format("{} isn't connected", found->second.volumeName),
                        "It was skipped. Its backups stay in the Keldra and nothing is removed while it's "
                        "unplugged.",
                        true);
        }
        return std::nullopt;
    }

    // The first drive not copied to for too long.
    Banner driveOverdue() const {
        const auto overdue = model.overdueDrives();
        if (overdue.empty()) {
            return std::nullopt;
        }
        const LocalDestination& drive = overdue.front();
        const std::string id = "drive-overdue-" + drive.id;
        if (dismissed(id)) {
            return std::nullopt;
        }
        const auto state = model.driveStates_.find(drive.id);
        const bool copied = state != model.driveStates_.end() && state->second.lastSuccess;
        return make(id, StatusTone::warning, fmt::format("{} hasn't been backed up recently", drive.name),
                    copied ? fmt::format("Its last copy was {}. Connect it and the copy starts on its own.",
                                         formatRelativeAge(*state->second.lastSuccess, model.now()))
                           : "It hasn't been copied to yet. Connect it and the copy starts on its own.",
                    true);
    }

    // Scheduled backups that wait for the passphrase after a restart.
    Banner keyNotKept() const {
        if (model.unattended_ || model.settings_.schedule.kind == ScheduleKind::manual ||
            dismissed("unattended")) {
            return std::nullopt;
        }
        BannerModel banner =
            make("unattended", StatusTone::info, "Scheduled backups run while the Keldra is unlocked",
                 "After a restart, they wait for your passphrase. Turn on unattended backups in Settings › "
                 "Encryption to keep the key in this computer's keyring.",
                 true);
        banner.actionTitle = "Open settings";
        banner.action = onModel(&AppModel::openSettings);
        return banner;
    }

    static constexpr Banner (BannerTable::*cases[])() const = {
        &BannerTable::countryRule,       &BannerTable::deadManSwitch,
        &BannerTable::missingFromKeldra, &BannerTable::massChange,
        &BannerTable::offline,           &BannerTable::storageFull,
        &BannerTable::storageNearlyFull, &BannerTable::sourceDriveDisconnected,
        &BannerTable::driveOverdue,      &BannerTable::keyNotKept,
    };
};

std::optional<BannerModel> AppModel::currentBanner() {
    const BannerTable table{*this};
    for (const auto bannerCase : BannerTable::cases) {
        if (auto banner = (table.*bannerCase)()) {
            return banner;
        }
    }
    return std::nullopt;
}

void AppModel::dismissBanner(const std::string& id) {
    std::set<std::string> ids = dismissedBanners_;
    ids.insert(id);
    setDismissedBanners(std::move(ids));
}

void AppModel::showActivity() {
    setSection(AppSection::activity);
}

void AppModel::approveReviewAction() {
    approveReview();
}

void AppModel::openSettings() {
    setSection(AppSection::settings);
}

void AppModel::openWebKeldra() {
    services_.urlOpener.openUrl(portalKeldraURL());
}

void AppModel::openPlans() {
    services_.urlOpener.openUrl(portalServicesURL());
}

void AppModel::requestSearchFocus() {
    setSection(AppSection::restore);
    setSearchFocusRequest(searchFocusRequest_ + 1);
}

} // namespace keldra
