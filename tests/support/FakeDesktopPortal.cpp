#include "tests/support/FakeDesktopPortal.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/QtApp.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <csignal>

namespace keldra::test {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString portalConnection = QStringLiteral("keldra-test-desktop-portal");
const QString clientConnection = QStringLiteral("keldra-test-desktop-client");

// A session bus that only listens on one socket and lets everyone talk and own any name.
std::string busConfiguration(const std::filesystem::path& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path=" +
           socket.string() +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

} // namespace

// Read answers with the value (or "not found"); SettingChanged is sent by change().
class FakeDesktopPortal::Service final : public QDBusVirtualObject {
public:
    Service(Settings settings, QDBusConnection connection)
        : settings_(std::move(settings)), connection_(std::move(connection)) {}

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != settingsInterface || message.member() != QStringLiteral("Read") ||
            message.arguments().size() != 2) {
            return false;
        }
        const auto found =
            settings_.find({message.arguments()[0].toString(), message.arguments()[1].toString()});
        connection.send(
            found == settings_.end()
                ? message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                           QStringLiteral("Requested setting not found"))
                : message.createReply(QVariant::fromValue(QDBusVariant(found->second))));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    void change(const QString& group, const QString& key, const QVariant& value) {
        settings_[{group, key}] = value;
        QDBusMessage signal =
            QDBusMessage::createSignal(portalPath, settingsInterface, QStringLiteral("SettingChanged"));
        signal << group << key << QVariant::fromValue(QDBusVariant(value));
        connection_.send(signal);
    }

private:
    Settings settings_;
    QDBusConnection connection_;
};

FakeDesktopPortal::FakeDesktopPortal(Settings settings) {
    qtApp();
    const std::filesystem::path socket = folder_ / "bus";
    writeFile(folder_ / "bus.conf", busConfiguration(socket));
    daemon_ = startProgram({"/usr/bin/dbus-daemon", "--nofork", "--nopidfile",
                            "--config-file=" + (folder_ / "bus.conf").string()},
                           "/dev/null");
    address_ = QStringLiteral("unix:path=") + QString::fromStdString(socket.string());
    if (!runUntil([&] { return std::filesystem::exists(socket); }, std::chrono::seconds(10))) {
        return;
    }
    // The socket file appears when the daemon binds it, a moment before it listens: on a loaded machine the
    // first connection can be refused, so try again until the daemon answers.
    QDBusConnection connection = QDBusConnection::connectToBus(address_, portalConnection);
    const bool connected = runUntil(
        [&] {
            if (!connection.isConnected()) {
                QDBusConnection::disconnectFromBus(portalConnection);
                connection = QDBusConnection::connectToBus(address_, portalConnection);
            }
            return connection.isConnected();
        },
        std::chrono::seconds(10));
    if (!connected) {
        return;
    }
    service_ = std::make_unique<Service>(std::move(settings), connection);
    serving_ = connection.registerVirtualObject(portalPath, service_.get()) &&
               connection.registerService(portalService);
}

FakeDesktopPortal::~FakeDesktopPortal() {
    QDBusConnection::disconnectFromBus(clientConnection);
    QDBusConnection::disconnectFromBus(portalConnection);
    service_.reset();
    if (daemon_ > 0) {
        kill(daemon_, SIGTERM);
        waitForChild(daemon_);
    }
}

QDBusConnection FakeDesktopPortal::bus() const {
    return QDBusConnection::connectToBus(address_, clientConnection);
}

void FakeDesktopPortal::change(const QString& group, const QString& key, const QVariant& value) {
    if (service_) {
        service_->change(group, key, value);
    }
}

} // namespace keldra::test
