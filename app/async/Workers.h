#pragma once

#include "app/async/SerialLane.h"
#include "app/async/WorkGuard.h"
#include "core/seams/CancelToken.h"

#include <QFuture>
#include <QPromise>
#include <QThreadPool>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace keldra {

// What a job left behind: its value or what it threw, carried back to the waiting thread.
template <class R> struct JobOutcome {
    std::optional<R> value;
    std::exception_ptr error;

    R take() {
        if (error) {
            std::rethrow_exception(error);
        }
        return std::move(*value);
    }
};

template <class Fn> using JobResult = std::invoke_result_t<Fn&>;
template <class Fn>
using JobValue = std::conditional_t<std::is_void_v<JobResult<Fn>>, std::monostate, JobResult<Fn>>;

// The threads that carry the owner's blocking work (portal, keyring, key derivation, index, files) and the
// cancellation of everything it started. Destroying it cancels every source it handed out and waits for
// every job, so no job outlives the services it was given.
class Workers {
public:
    // 0 threads: one per core.
    explicit Workers(int maxThreads = 0);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    QThreadPool& pool() { return pool_; }

    // A new source, cancelled at the latest when the workers shut down.
    CancelSource cancelSource();
    // Cancels every source handed out so far.
    void cancelAll();
    // Cancels everything and waits for the running and queued jobs. Idempotent.
    void shutdown();

    // A new lane whose jobs run in order on this pool.
    std::shared_ptr<SerialLane> newLane() { return std::make_shared<SerialLane>(pool_); }

    // Starts `fn` on the pool; the future's one result is its outcome.
    template <class Fn> QFuture<JobOutcome<JobValue<Fn>>> submit(Fn fn) {
        return post([this](std::function<void()> job) { pool_.start(std::move(job)); }, std::move(fn));
    }
    // Starts `fn` on `lane` (a SerialLane or a ThreadLane), after everything posted to it before.
    template <class Lane, class Fn> static QFuture<JobOutcome<JobValue<Fn>>> submit(Lane& lane, Fn fn) {
        return post([&lane](std::function<void()> job) { lane.post(std::move(job)); }, std::move(fn));
    }

private:
    template <class Poster, class Fn> static QFuture<JobOutcome<JobValue<Fn>>> post(Poster&& poster, Fn fn) {
        using Value = JobValue<Fn>;
        auto promise = std::make_shared<QPromise<JobOutcome<Value>>>();
        QFuture<JobOutcome<Value>> future = promise->future();
        promise->start();
        poster([promise, fn = std::move(fn)]() mutable {
            JobOutcome<Value> outcome;
            try {
                if constexpr (std::is_void_v<JobResult<Fn>>) {
                    fn();
                    outcome.value.emplace();
                } else {
                    outcome.value.emplace(fn());
                }
            } catch (...) {
                outcome.error = std::current_exception();
            }
            promise->addResult(std::move(outcome));
            promise->finish();
        });
        return future;
    }

    QThreadPool pool_;
    std::mutex mutex_;
    std::vector<CancelSource> sources_;
    bool shutDown_ = false;
};

namespace detail {
template <class Fn>
QCoro::Task<JobResult<Fn>> awaitJob(QFuture<JobOutcome<JobValue<Fn>>> future, WorkGuard guard) {
    JobOutcome<JobValue<Fn>> outcome = co_await future;
    guard.check();
    if constexpr (std::is_void_v<JobResult<Fn>>) {
        outcome.take();
    } else {
        co_return outcome.take();
    }
}
} // namespace detail

// Callers keep the task in a named variable and await that (`auto reading = onWorker(...); co_await
// reading;`): g++ 12 may destroy the temporaries of a full expression that holds a co_await twice.
//
// Runs blocking work on the pool and resumes the calling coroutine on its own thread with the result;
// what the job threw is thrown here. Throws StaleWork instead when the guard's owner or account went away
// meanwhile. The job must hold (or share ownership of) everything it uses: it may finish after its caller.
template <class Fn> QCoro::Task<JobResult<Fn>> onWorker(Workers& workers, WorkGuard guard, Fn fn) {
    return detail::awaitJob<Fn>(workers.submit(std::move(fn)), std::move(guard));
}

// The same on a serial lane: the job runs after every job posted to the lane before it.
template <class Lane, class Fn> QCoro::Task<JobResult<Fn>> onLane(Lane& lane, WorkGuard guard, Fn fn) {
    return detail::awaitJob<Fn>(Workers::submit(lane, std::move(fn)), std::move(guard));
}

// Runs a task that nobody awaits: a StaleWork ending is the normal end of work whose owner went away, and
// any other escaping error is handed to `onError` (when the owner still wants to hear of it).
QCoro::Task<> detachTask(QCoro::Task<> task, std::function<void(const std::exception&)> onError = {});

} // namespace keldra
