#include "app/async/Delay.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <coroutine>
#include <memory>

namespace keldra {

namespace {

class DelayAwaiter {
public:
    DelayAwaiter(Timers& timers, Seconds duration, QObject* owner)
        : timers_(timers), duration_(duration), owner_(owner) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        state_->handle = handle;
        std::weak_ptr<State> weak = state_;
        state_->timer = timers_.singleShot(duration_, [weak] {
            // Holds the state until the callback ends: resuming may destroy the awaiter.
            std::shared_ptr<State> state = weak.lock();
            if (!state || state->done) {
                return;
            }
            state->done = true;
            QObject::disconnect(state->ownerGone);
            state->handle.resume();
        });
        if (owner_ != nullptr) {
            state_->ownerGone = QObject::connect(owner_, &QObject::destroyed, [weak] {
                std::shared_ptr<State> state = weak.lock();
                if (!state || state->done || QCoreApplication::instance() == nullptr) {
                    return;
                }
                state->done = true;
                // Not inside the owner's destructor: the coroutine unwinds on the next turn.
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [handle = state->handle] { handle.resume(); },
                    Qt::QueuedConnection);
            });
        }
    }

    void await_resume() const noexcept {}

private:
    struct State {
        std::unique_ptr<TimerHandle> timer;
        QMetaObject::Connection ownerGone;
        std::coroutine_handle<> handle;
        bool done = false;
    };

    Timers& timers_;
    Seconds duration_;
    QObject* owner_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace

QCoro::Task<> delay(Timers& timers, Seconds duration, WorkGuard guard) {
    guard.check();
    co_await DelayAwaiter(timers, duration, guard.owner());
    guard.check();
}

} // namespace keldra
