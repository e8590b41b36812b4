#pragma once

#include "core/platform/SleepWatcher.h"
#include "core/seams/Clock.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace keldra {

// Tells when the computer woke from sleep. With logind on the bus, its PrepareForSleep(false) signal is the
// wake. Without it, a 30-second timer stands in: timers do not run while the computer sleeps but the wall
// clock does, so a fire that comes more than 90 s of wall-clock time after the one before it counts as a
// wake. Runs on the thread that made it.
class LogindSleepWatcher final : public QObject, public SleepWatcher {
    Q_OBJECT

public:
    static constexpr const char* logindService = "org.freedesktop.login1";

    // `bus` and `service` are where logind is looked for; tests give their private bus and a stand-in's name.
    explicit LogindSleepWatcher(const Clock& clock, QDBusConnection bus = QDBusConnection::systemBus(),
                                QString service = QString::fromLatin1(logindService));

    void setOnWake(std::function<void()> onWake) override;

    // Starts watching; true when logind is followed, false when the timer stands in.
    bool start();

    // One fire of the stand-in timer: a wake when the wall clock moved more than 90 s since the last fire.
    void tickerFired();

private slots:
    void prepareForSleep(bool starting);

private:
    void woke();

    const Clock& clock_;
    QDBusConnection bus_;
    QString service_;
    QTimer ticker_;
    std::optional<SystemTime> lastFire_;
    std::function<void()> onWake_;
};

} // namespace keldra
