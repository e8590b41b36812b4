#include "app/async/Workers.h"

#include <QThread>
#include <algorithm>

namespace keldra {

Workers::Workers(int maxThreads) {
    pool_.setMaxThreadCount(maxThreads > 0 ? maxThreads : std::max(2, QThread::idealThreadCount()));
}

Workers::~Workers() {
    shutdown();
}

CancelSource Workers::cancelSource() {
    CancelSource source;
    std::lock_guard lock(mutex_);
    if (shutDown_) {
        source.request_stop();
        return source;
    }
    // Forget sources that are already cancelled, so the list does not grow with every operation.
    std::erase_if(sources_, [](const CancelSource& s) { return s.stop_requested(); });
    sources_.push_back(source);
    return source;
}

void Workers::cancelAll() {
    std::vector<CancelSource> sources;
    {
        std::lock_guard lock(mutex_);
        sources.swap(sources_);
    }
    for (CancelSource& source : sources) {
        source.request_stop();
    }
}

void Workers::shutdown() {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
    }
    cancelAll();
    pool_.waitForDone();
}

QCoro::Task<> detachTask(QCoro::Task<> task, std::function<void(const std::exception&)> onError) {
    try {
        co_await std::move(task);
    } catch (const StaleWork&) {
    } catch (const std::exception& error) {
        if (onError) {
            onError(error);
        }
    }
}

} // namespace keldra
