#pragma once

#include <QThreadPool>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace keldra {

// Runs jobs one at a time, in the order they were posted, on a shared pool's threads: the statements of
// one index keep their order without a thread of their own. Thread-safe.
class SerialLane final : public std::enable_shared_from_this<SerialLane> {
public:
    explicit SerialLane(QThreadPool& pool) : pool_(pool) {}
    SerialLane(const SerialLane&) = delete;
    SerialLane& operator=(const SerialLane&) = delete;

    // The pool must outlive every posted job.
    void post(std::function<void()> job);

private:
    void drain();

    QThreadPool& pool_;
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
    bool draining_ = false;
};

} // namespace keldra
