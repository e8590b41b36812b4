#include "design/motion/ReduceMotionMonitor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace keldra {
namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString appearanceKey = QStringLiteral("reduced-motion");
const QString gnomeGroup = QStringLiteral("org.gnome.desktop.interface");
const QString gnomeKey = QStringLiteral("enable-animations");
constexpr const char* monitorName = "keldra-reduce-motion";

// Older portals wrap the value of Read in a second variant.
QVariant unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

bool reducedFromAppearance(const QVariant& value) {
    return unwrap(value).toUInt() == 1;
}
bool reducedFromGnome(const QVariant& value) {
    return !unwrap(value).toBool();
}

} // namespace

ReduceMotionMonitor::ReduceMotionMonitor(QDBusConnection connection, QString service, QObject* parent)
    : QObject(parent), connection_(std::move(connection)), service_(std::move(service)) {
    if (!connection_.isConnected()) {
        settle();
        return;
    }
    // Matched on path and interface here and on the sender in the slot: the bus's own filter by well-known
    // name misses the signals of a portal that shares this process, as the tests' fake does. The slot's
    // argument types are looked up by name: make sure the variant type is known by then.
    qRegisterMetaType<QDBusVariant>();
    connection_.connect(QString(), portalPath, settingsInterface, QStringLiteral("SettingChanged"), this,
                        SLOT(onSettingChanged(QString, QString, QDBusVariant, QDBusMessage)));
    readAppearance();
}

ReduceMotionMonitor* ReduceMotionMonitor::install(QObject* application, QDBusConnection connection,
                                                  QString service) {
    if (auto* existing = application->findChild<ReduceMotionMonitor*>(QString::fromLatin1(monitorName),
                                                                      Qt::FindDirectChildrenOnly))
        return existing;
    auto* monitor = new ReduceMotionMonitor(std::move(connection), std::move(service), application);
    monitor->setObjectName(QString::fromLatin1(monitorName));
    return monitor;
}

ReduceMotionMonitor* ReduceMotionMonitor::installed() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return nullptr;
    return app->findChild<ReduceMotionMonitor*>(QString::fromLatin1(monitorName), Qt::FindDirectChildrenOnly);
}

void ReduceMotionMonitor::read(const QString& group, const QString& key,
                               std::function<void(std::optional<QVariant>)> answered) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service_, portalPath, settingsInterface, QStringLiteral("Read"));
    call << group << key;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered)](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *done;
                notePortal(reply.reply());
                answered(reply.isError() ? std::nullopt : std::optional<QVariant>(reply.value().variant()));
            });
}

void ReduceMotionMonitor::readAppearance() {
    read(appearanceGroup, appearanceKey, [this](std::optional<QVariant> value) {
        if (!value) {
            readGnome();
            return;
        }
        apply(Source::appearance, reducedFromAppearance(*value));
        settle();
    });
}

void ReduceMotionMonitor::readGnome() {
    read(gnomeGroup, gnomeKey, [this](std::optional<QVariant> value) {
        if (value && source_ != Source::appearance)
            apply(Source::gnome, reducedFromGnome(*value));
        settle();
    });
}

void ReduceMotionMonitor::notePortal(const QDBusMessage& reply) {
    // Errors such as "no such service" come from the bus itself, not from a portal.
    const QString sender = reply.service();
    if (sender.startsWith(QLatin1Char(':')))
        portalOwner_ = sender;
}

void ReduceMotionMonitor::onSettingChanged(const QString& group, const QString& key,
                                           const QDBusVariant& value, const QDBusMessage& message) {
    if (portalOwner_.isEmpty() || message.service() != portalOwner_)
        return;
    if (group == appearanceGroup && key == appearanceKey)
        apply(Source::appearance, reducedFromAppearance(value.variant()));
    else if (group == gnomeGroup && key == gnomeKey && source_ != Source::appearance)
        apply(Source::gnome, reducedFromGnome(value.variant()));
}

void ReduceMotionMonitor::apply(Source source, bool reduce) {
    source_ = source;
    if (reduce == reduceMotion_)
        return;
    reduceMotion_ = reduce;
    emit reduceMotionChanged(reduce);
}

void ReduceMotionMonitor::settle() {
    if (settled_)
        return;
    settled_ = true;
    emit settled();
}

} // namespace keldra
