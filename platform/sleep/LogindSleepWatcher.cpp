#include "platform/sleep/LogindSleepWatcher.h"

#include <QDBusConnectionInterface>
#include <chrono>

namespace keldra {

namespace {
constexpr std::chrono::seconds tickerPeriod{30};
// Three missed fires: more than a busy moment, less than any real sleep.
constexpr std::chrono::seconds wakeGap{90};
} // namespace

LogindSleepWatcher::LogindSleepWatcher(const Clock& clock, QDBusConnection bus, QString service)
    : clock_(clock), bus_(std::move(bus)), service_(std::move(service)) {
    ticker_.setInterval(tickerPeriod);
    ticker_.setTimerType(Qt::VeryCoarseTimer);
    connect(&ticker_, &QTimer::timeout, this, &LogindSleepWatcher::tickerFired);
}

void LogindSleepWatcher::setOnWake(std::function<void()> onWake) {
    onWake_ = std::move(onWake);
}

bool LogindSleepWatcher::start() {
    const bool logind = bus_.isConnected() && bus_.interface() != nullptr &&
                        bus_.interface()->isServiceRegistered(service_).value() &&
                        bus_.connect(service_, QStringLiteral("/org/freedesktop/login1"),
                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                     QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    if (logind) {
        return true;
    }
    lastFire_ = clock_.now();
    ticker_.start();
    return false;
}

void LogindSleepWatcher::prepareForSleep(bool starting) {
    if (!starting) {
        woke();
    }
}

void LogindSleepWatcher::tickerFired() {
    const SystemTime now = clock_.now();
    const bool gap = lastFire_ && now - *lastFire_ > wakeGap;
    lastFire_ = now;
    if (gap) {
        woke();
    }
}

void LogindSleepWatcher::woke() {
    if (onWake_) {
        onWake_();
    }
}

} // namespace keldra
