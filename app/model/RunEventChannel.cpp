#include "app/model/RunEventChannel.h"

#include <QMetaObject>

namespace keldra {

std::shared_ptr<RunEventChannel> RunEventChannel::make(QObject* context, Apply apply) {
    return std::shared_ptr<RunEventChannel>(new RunEventChannel(context, std::move(apply)));
}

EngineEventHandler RunEventChannel::handler() {
    std::weak_ptr<RunEventChannel> weak = weak_from_this();
    return [weak](const EngineEvent& event) {
        if (auto channel = weak.lock()) {
            channel->push(event);
        }
    };
}

void RunEventChannel::push(const EngineEvent& event) {
    bool queue = false;
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(event);
        queue = !drainQueued_;
        drainQueued_ = true;
    }
    if (queue && context_) {
        std::weak_ptr<RunEventChannel> weak = weak_from_this();
        QMetaObject::invokeMethod(
            context_.data(),
            [weak] {
                if (auto channel = weak.lock()) {
                    channel->drain();
                }
            },
            Qt::QueuedConnection);
    }
}

void RunEventChannel::drain() {
    for (;;) {
        std::deque<EngineEvent> events;
        {
            std::lock_guard lock(mutex_);
            events.swap(pending_);
            if (events.empty()) {
                drainQueued_ = false;
                return;
            }
        }
        for (const EngineEvent& event : events) {
            apply_(event);
        }
    }
}

} // namespace keldra
