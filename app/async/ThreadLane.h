#pragma once

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

namespace keldra {

// Runs jobs one at a time, in order, on a thread of its own that runs an event loop between them. For
// libraries that leave callbacks on the calling thread's GLib main context (the keyring's D-Bus proxies):
// the loop lets them finish instead of piling up on a pool thread. Destroying the lane runs what was
// posted, then stops the thread.
class ThreadLane {
public:
    explicit ThreadLane(const char* name);
    ~ThreadLane();
    ThreadLane(const ThreadLane&) = delete;
    ThreadLane& operator=(const ThreadLane&) = delete;

    void post(std::function<void()> job);

private:
    QThread thread_;
    std::unique_ptr<QObject> context_;
};

} // namespace keldra
