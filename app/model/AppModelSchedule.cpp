// The scheduler: the step that starts due runs, the next cloud run, the drives' due test, the stale
// reminder, the repeating timers and the throughput sample.

#include "app/model/AppModel.h"
#include "core/events/Formatters.h"

#include <QScopeGuard>
#include <algorithm>
#include <fmt/format.h>

namespace keldra {

namespace {

constexpr Seconds tickerPeriod{30};
constexpr Seconds samplerPeriod{1};
constexpr Seconds tickAfterWake{20};
// A failed attempt is not repeated sooner than this, cloud and drives alike.
constexpr Seconds retryFloor{900};
constexpr double secondsPerDay = 86'400;

} // namespace

void AppModel::startTimers() {
    stopTimers();
    QPointer<AppModel> self(this);
    ticker_ = services_.timers.repeating(tickerPeriod, [self] {
        if (self) {
            self->tick(false);
        }
    });
    sampler_ = services_.timers.repeating(samplerPeriod, [self] {
        if (self) {
            self->sample();
        }
    });
    if (!watchingWake_) {
        services_.sleepWatcher.setOnWake([self] {
            if (self) {
                self->onWake();
            }
        });
        watchingWake_ = true;
    }
    tick(false);
}

void AppModel::stopTimers() {
    ticker_.reset();
    sampler_.reset();
}

void AppModel::onWake() {
    startDetached(tickAfter(tickAfterWake));
}

void AppModel::tick(bool force) {
    announceIfTimeChangedStatus();
    if (phase_ != AppPhase::ready && phase_ != AppPhase::unlock) {
        return;
    }
    postStaleNotice();
    if (phase_ == AppPhase::ready && !isRunning_ && !pausedByUser_ && !keldraKey_) {
        postLockedNotice();
        return;
    }
    SchedulerStep step = planTick(force);
    if (step.recheckCountry && !countryRecheckInFlight_) {
        // One re-check at a time: a slow portal must not collect one per tick.
        countryRecheckInFlight_ = true;
        startDetached(recheckCountry());
    }
    if (step.cloud) {
        runBackup("Scheduled", false, false, true, std::nullopt);
    } else if (!step.drives.empty()) {
        runBackup("Scheduled", false, false, false, std::move(step.drives));
    }
}

AppModel::ShownStatus AppModel::shownStatus() {
    ShownStatus shown{.health = health(),
                      .action = primaryAction(),
                      .sentence = statusSentence(),
                      .detail = attentionDetail(),
                      .progressLine = progressLine(),
                      .bannerID = std::nullopt,
                      .bannerTone = std::nullopt,
                      .bannerTitle = {},
                      .bannerMessage = {}};
    if (const std::optional<BannerModel> banner = currentBanner()) {
        shown.bannerID = banner->id;
        shown.bannerTone = banner->tone;
        shown.bannerTitle = banner->title;
        shown.bannerMessage = banner->message;
    }
    return shown;
}

void AppModel::announceIfTimeChangedStatus() {
    // Ages, "at risk", overdue drives and relative times move with the clock while no property changes.
    ShownStatus now = shownStatus();
    if (lastShownStatus_ && *lastShownStatus_ != now) {
        scheduleStatus();
    }
    lastShownStatus_ = std::move(now);
}

SchedulerStep AppModel::planTick(bool force) const {
    SchedulerStep step;
    if (phase_ != AppPhase::ready || isRunning_ || pausedByUser_ || !keldraKey_) {
        return step;
    }
    if (settings_.onlyOnPower && !force && services_.power.isOnBatteryPower()) {
        return step;
    }

    bool cloudDue = false;
    if (!review_) {
        if (const auto next = nextRunDate()) {
            cloudDue = force || *next <= services_.clock.now();
        }
    }
    if (block_) {
        if (block_->is<BlockReason::GeoRisk>()) {
            step.recheckCountry = true;
            cloudDue = false;
        } else if (block_->is<BlockReason::Offline>()) {
            cloudDue = cloudDue && isOnline_;
        } else {
            cloudDue = false;
        }
    }
    if (settings_.deviceFolderID && cloudDue) {
        step.cloud = true;
        return step;
    }

    // Review and holds keep only the cloud back: drives are copied whenever they are due. Whether a
    // drive is mounted is the drive states' answer, refreshed on every mount and unmount.
    for (const LocalDestination& destination : destinations_) {
        const auto state = driveStates_.find(destination.id);
        const bool connected = state != driveStates_.end() && state->second.connected;
        if (destination.enabled && connected && isDriveDue(destination)) {
            step.drives.push_back(destination.id);
        }
    }
    return step;
}

std::optional<SystemTime> AppModel::nextRunDate() const {
    if (pausedByUser_ || review_) {
        return std::nullopt;
    }
    const auto next = settings_.schedule.nextRun(lastSuccess_, services_.clock.now(), services_.defaults);
    if (!next) {
        return std::nullopt;
    }
    if (lastAttemptFailed_ && lastAttempt_) {
        return std::max(*next, *lastAttempt_ + std::chrono::duration_cast<SystemTime::duration>(retryFloor));
    }
    return next;
}

bool AppModel::isDriveDue(const LocalDestination& destination) const {
    const auto found = driveStates_.find(destination.id);
    const DriveState state = found != driveStates_.end() ? found->second : DriveState{};
    const SystemTime now = services_.clock.now();
    if (state.needsReview) {
        return false;
    }
    if (state.lastFailed && state.lastAttempt && now - *state.lastAttempt < retryFloor) {
        return false;
    }
    const auto next = settings_.schedule.nextRun(state.lastSuccess, now, services_.defaults);
    return next && *next <= now;
}

void AppModel::postStaleNotice() {
    const std::int64_t days = settings_.notifyStaleDays;
    if (days < 1 || !lastSuccess_) {
        return;
    }
    const SystemTime now = services_.clock.now();
    const double age = toUnixSeconds(now) - toUnixSeconds(*lastSuccess_);
    if (static_cast<double>(days) * secondsPerDay >= age) {
        return;
    }
    if (lastStaleNotice_ && toUnixSeconds(now) - toUnixSeconds(*lastStaleNotice_) < secondsPerDay) {
        return;
    }
    setLastStaleNotice(now);
    post(
        "stale", fmt::format("No backup for {}+ days", days),
        fmt::format("This computer's last successful backup was {}.", formatRelativeAge(*lastSuccess_, now)));
}

void AppModel::sample() {
    const auto bytes = static_cast<double>(meter_->takePending());
    std::vector<double> window = throughput_;
    if (!window.empty()) {
        window.erase(window.begin());
    }
    window.push_back(bytes);
    setThroughput(std::move(window));
    setCurrentSpeed(isRunning_ ? 0.4 * bytes + 0.6 * currentSpeed_ : 0.0);
}

QCoro::Task<> AppModel::recheckCountry() {
    QPointer<AppModel> self(this);
    // However the re-check ends (lifted, still held, failed, or the account gone), the next tick may
    // start another one.
    auto done = qScopeGuard([self] {
        if (self) {
            self->countryRecheckInFlight_ = false;
        }
    });
    co_await refreshAccount();
}

} // namespace keldra
