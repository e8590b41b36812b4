#pragma once

#include "core/events/EngineEvent.h"

#include <QObject>
#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace keldra {

// Carries one engine run's events from the engine's worker thread to the UI thread, in order. The engine's
// handler only appends and, when nothing is scheduled yet, queues one drain to the UI thread. Whoever takes
// the run's result on the UI thread drains the channel first, so every event of a run is applied before
// its result, whatever order the event loop delivers things in.
class RunEventChannel : public std::enable_shared_from_this<RunEventChannel> {
public:
    using Apply = std::function<void(const EngineEvent&)>;

    // `context` lives on the UI thread and outlives every worker job that holds the channel.
    static std::shared_ptr<RunEventChannel> make(QObject* context, Apply apply);

    // The engine's event handler (any thread).
    EngineEventHandler handler();
    // Applies every event received so far (UI thread).
    void drain();

private:
    RunEventChannel(QObject* context, Apply apply) : context_(context), apply_(std::move(apply)) {}
    void push(const EngineEvent& event);

    QPointer<QObject> context_;
    Apply apply_;
    std::mutex mutex_;
    std::deque<EngineEvent> pending_;
    bool drainQueued_ = false;
};

} // namespace keldra
