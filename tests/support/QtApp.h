#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <chrono>
#include <functional>

namespace keldra::test {

// The one QCoreApplication of a test program, made on first use on the main thread and kept to the end.
inline QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "keldra-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}

// Runs the event loop until `done` holds or `timeout` passes (a guard against hangs, not a measurement).
inline bool runUntil(const std::function<bool()>& done,
                     std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    qtApp();
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeout.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

// Lets queued resumptions and deferred deletions run.
inline void drainEvents() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace keldra::test
