#include "desktop/SingleInstance.h"

#include "desktop/ApplicationAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QProcessEnvironment>
#include <QTimer>

namespace keldra {

namespace {
constexpr int activateTimeoutMs = 5000;
const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
} // namespace

SingleInstance::SingleInstance(QDBusConnection connection, QString name, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), name_(std::move(name)) {
    new ApplicationAdaptor(*this);
}

SingleInstance::~SingleInstance() {
    if (owned_) {
        connection_.unregisterObject(objectPath(name_));
        connection_.interface()->unregisterService(name_);
    }
}

QString SingleInstance::objectPath(const QString& name) {
    QString path = QLatin1Char('/') + name;
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

SingleInstance::Outcome SingleInstance::claim(bool activateOther) {
    if (!connection_.isConnected() || connection_.interface() == nullptr) {
        return Outcome::noBus;
    }
    // The interface is served before the name is taken, so a launch that sees the name can call it at once.
    if (!connection_.registerObject(objectPath(name_), this)) {
        return Outcome::noBus;
    }
    const auto registered = connection_.interface()->registerService(
        name_, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (registered.isValid() && registered.value() == QDBusConnectionInterface::ServiceRegistered) {
        owned_ = true;
        return Outcome::primary;
    }
    connection_.unregisterObject(objectPath(name_));
    if (!registered.isValid()) {
        return Outcome::noBus;
    }
    if (!activateOther) {
        return Outcome::handledByOther;
    }
    return this->activateOther() ? Outcome::handledByOther : Outcome::otherNotAnswering;
}

bool SingleInstance::activateOther() {
    QDBusMessage call = QDBusMessage::createMethodCall(name_, objectPath(name_), applicationInterface,
                                                       QStringLiteral("Activate"));
    // The launcher's focus token passes to the running instance, which is the one that raises a window.
    QVariantMap platformData;
    const auto environment = QProcessEnvironment::systemEnvironment();
    if (const QString token = environment.value(QStringLiteral("XDG_ACTIVATION_TOKEN")); !token.isEmpty()) {
        platformData.insert(QStringLiteral("activation-token"), token);
    }
    if (const QString startup = environment.value(QStringLiteral("DESKTOP_STARTUP_ID")); !startup.isEmpty()) {
        platformData.insert(QStringLiteral("desktop-startup-id"), startup);
    }
    call << platformData;
    // Waited for through a watcher, not a BlockWithGui call: that call checks for the reply before it starts
    // listening for it, so a reply that arrives in between (an error from a fast owner, on a loaded machine)
    // leaves it waiting forever. A watcher made after the reply has arrived still reports it.
    QDBusPendingCallWatcher watcher(connection_.asyncCall(call, activateTimeoutMs));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        // The bus ends the call at its timeout; this is only a backstop should that answer never come.
        QTimer::singleShot(activateTimeoutMs + 1000, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return watcher.isFinished() && watcher.reply().type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::activate(const QVariantMap& platformData) {
    QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (token.isEmpty()) {
        token = platformData.value(QStringLiteral("desktop-startup-id")).toString();
    }
    emit activated(token);
}

} // namespace keldra
