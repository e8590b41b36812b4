#include "app/async/ThreadLane.h"

#include <QMetaObject>

namespace keldra {

ThreadLane::ThreadLane(const char* name) : context_(std::make_unique<QObject>()) {
    thread_.setObjectName(name);
    context_->moveToThread(&thread_);
    thread_.start();
}

ThreadLane::~ThreadLane() {
    // Queued after every job posted so far, so they all run first.
    QMetaObject::invokeMethod(
        context_.get(), [this] { thread_.quit(); }, Qt::QueuedConnection);
    thread_.wait();
}

void ThreadLane::post(std::function<void()> job) {
    QMetaObject::invokeMethod(context_.get(), std::move(job), Qt::QueuedConnection);
}

} // namespace keldra
