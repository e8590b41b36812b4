#include "app/async/QtTimers.h"

#include <QTimer>
#include <chrono>
#include <cmath>

namespace keldra {

namespace {

class QtTimerHandle final : public TimerHandle {
public:
    QtTimerHandle(Seconds interval, bool repeat, std::function<void()> fire) : timer_(new QTimer) {
        const double ms = std::max(0.0, std::ceil(interval.count() * 1000.0));
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setSingleShot(!repeat);
        timer_->setInterval(std::chrono::milliseconds(static_cast<long long>(ms)));
        QObject::connect(timer_, &QTimer::timeout, timer_, [firing = firing_, fire = std::move(fire)] {
            // `firing` outlives the handle, which the callback may destroy.
            *firing = true;
            fire();
            *firing = false;
        });
        timer_->start();
    }

    ~QtTimerHandle() override {
        timer_->stop();
        if (*firing_) {
            // A timer must not be deleted inside its own signal; the event loop deletes it afterwards.
            timer_->deleteLater();
        } else {
            delete timer_;
        }
    }

private:
    std::shared_ptr<bool> firing_ = std::make_shared<bool>(false);
    QTimer* timer_;
};

} // namespace

std::unique_ptr<TimerHandle> QtTimers::singleShot(Seconds delay, std::function<void()> fire) {
    return std::make_unique<QtTimerHandle>(delay, false, std::move(fire));
}

std::unique_ptr<TimerHandle> QtTimers::repeating(Seconds interval, std::function<void()> fire) {
    return std::make_unique<QtTimerHandle>(interval, true, std::move(fire));
}

} // namespace keldra
