#pragma once

#include <QString>
#include <QThread>
#include <QVariantMap>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace keldra::test {

// An org.freedesktop.Notifications server on the session bus (the private one of ./test) that records what
// it is sent. It numbers each new notification from 41 and keeps the number of a replaced one, like a
// desktop. It serves on its own connection and thread, so a test's own thread may wait; it is reached by its
// unique bus name (service()), so tests running side by side never share one; or, for a test that runs the
// whole application, as the desktop's own server under org.freedesktop.Notifications.
class NotificationRecorder {
public:
    // The name it is reached by: its own unique name, or the desktop's well-known one (which one test at a
    // time may hold; it is released at destruction).
    enum class Name { unique, desktop };

    struct Notification {
        QString appName;
        uint replacesId = 0;
        QString summary;
        QString body;
        QVariantMap hints;
        // The number it answered with.
        uint id = 0;
    };

    // Each answer is sent `answerDelay` after the call arrives (without holding later calls up).
    explicit NotificationRecorder(std::chrono::milliseconds answerDelay = std::chrono::milliseconds(0),
                                  Name name = Name::unique);
    ~NotificationRecorder();
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;

    // False when no session bus could be reached, or the desktop's name was asked for and is taken.
    bool serving() const;
    // The unique bus name to send notifications to.
    QString service() const;

    // Every notification received, in arrival order.
    std::vector<Notification> received() const;
    // How many calls have been answered so far.
    std::size_t answered() const;

private:
    class Server;
    friend class Server;

    std::chrono::milliseconds answerDelay_;
    Name name_;
    mutable std::mutex mutex_;
    std::condition_variable started_;
    bool ready_ = false;
    bool serving_ = false;
    QString service_;
    std::vector<Notification> received_;
    std::size_t answered_ = 0;
    QThread* thread_ = nullptr;
};

} // namespace keldra::test
