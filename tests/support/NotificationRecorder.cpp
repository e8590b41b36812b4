#include "tests/support/NotificationRecorder.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>
#include <atomic>

namespace keldra::test {

namespace {
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString desktopName = QStringLiteral("org.freedesktop.Notifications");
} // namespace

class NotificationRecorder::Server final : public QThread {
public:
    explicit Server(NotificationRecorder& owner) : owner_(owner) {}

    void run() override {
        static std::atomic<int> counter{0};
        const QString connectionName = QStringLiteral("keldra-notification-recorder-%1").arg(++counter);
        {
            Service service(owner_);
            auto connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
            const bool desktop = owner_.name_ == Name::desktop;
            const bool ok = connection.isConnected() &&
                            connection.registerVirtualObject(objectPath, &service) &&
                            (!desktop || connection.registerService(desktopName));
            {
                std::lock_guard guard(owner_.mutex_);
                owner_.serving_ = ok;
                owner_.service_ = connection.baseService();
                owner_.ready_ = true;
            }
            owner_.started_.notify_all();
            if (ok) {
                exec();
                if (desktop) {
                    connection.unregisterService(desktopName);
                }
                connection.unregisterObject(objectPath);
            }
        }
        QDBusConnection::disconnectFromBus(connectionName);
    }

private:
    class Service final : public QDBusVirtualObject {
    public:
        explicit Service(NotificationRecorder& owner) : owner_(owner) {}

        bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
            if (message.member() != QStringLiteral("Notify") || message.arguments().size() != 8) {
                return false;
            }
            const auto arguments = message.arguments();
            Notification received{arguments[0].toString(),
                                  arguments[1].toUInt(),
                                  arguments[3].toString(),
                                  arguments[4].toString(),
                                  qdbus_cast<QVariantMap>(arguments[6]),
                                  0};
            received.id = received.replacesId != 0 ? received.replacesId : ++lastId_;
            {
                std::lock_guard guard(owner_.mutex_);
                owner_.received_.push_back(received);
            }
            const QDBusMessage reply = message.createReply(QVariant::fromValue(received.id));
            NotificationRecorder& owner = owner_;
            QTimer::singleShot(owner_.answerDelay_, this, [connection, reply, &owner]() mutable {
                connection.send(reply);
                std::lock_guard guard(owner.mutex_);
                ++owner.answered_;
            });
            return true;
        }
        QString introspect(const QString&) const override { return {}; }

    private:
        NotificationRecorder& owner_;
        uint lastId_ = 40;
    };

    NotificationRecorder& owner_;
};

NotificationRecorder::NotificationRecorder(std::chrono::milliseconds answerDelay, Name name)
    : answerDelay_(answerDelay), name_(name) {
    thread_ = new Server(*this);
    thread_->start();
    std::unique_lock guard(mutex_);
    started_.wait(guard, [&] { return ready_; });
}

NotificationRecorder::~NotificationRecorder() {
    thread_->quit();
    thread_->wait();
    delete thread_;
}

bool NotificationRecorder::serving() const {
    std::lock_guard guard(mutex_);
    return serving_;
}

QString NotificationRecorder::service() const {
    std::lock_guard guard(mutex_);
    return service_;
}

std::vector<NotificationRecorder::Notification> NotificationRecorder::received() const {
    std::lock_guard guard(mutex_);
    return received_;
}

std::size_t NotificationRecorder::answered() const {
    std::lock_guard guard(mutex_);
    return answered_;
}

} // namespace keldra::test
