#pragma once
// The desktop's "reduce motion" choice, read from the desktop portal's Settings interface:
// "org.freedesktop.appearance" "reduced-motion" (1 = reduce) where the portal offers it, else
// "org.gnome.desktop.interface" "enable-animations" (false = reduce). Follows live changes. Without a
// portal the answer is false. All D-Bus calls are asynchronous: the GUI thread never waits.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>
#include <functional>
#include <optional>

namespace keldra {

class ReduceMotionMonitor : public QObject {
    Q_OBJECT
public:
    // `service` names the portal on the bus; tests serve a fake under a name of their own.
    explicit ReduceMotionMonitor(QDBusConnection connection = QDBusConnection::sessionBus(),
                                 QString service = QStringLiteral("org.freedesktop.portal.Desktop"),
                                 QObject* parent = nullptr);

    // Creates a monitor owned by the application object, which OLMotion::reduceMotion reads.
    static ReduceMotionMonitor* install(QObject* application,
                                        QDBusConnection connection = QDBusConnection::sessionBus(),
                                        QString service = QStringLiteral("org.freedesktop.portal.Desktop"));
    // The monitor installed on the application object, if any.
    static ReduceMotionMonitor* installed();

    bool reduceMotion() const { return reduceMotion_; }
    // True once the first read has answered or failed.
    bool isSettled() const { return settled_; }

signals:
    void reduceMotionChanged(bool reduce);
    void settled();

private slots:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value,
                          const QDBusMessage& message);

private:
    enum class Source { none, appearance, gnome };

    // Reads one setting; `answered` gets the value, or nothing when the portal has no such key.
    void read(const QString& group, const QString& key,
              std::function<void(std::optional<QVariant>)> answered);
    void readAppearance();
    void readGnome();
    void apply(Source source, bool reduce);
    void settle();
    void notePortal(const QDBusMessage& reply);

    QDBusConnection connection_;
    QString service_;
    QString portalOwner_; // the portal's unique bus name, learnt from its replies
    Source source_ = Source::none;
    bool reduceMotion_ = false;
    bool settled_ = false;
};

} // namespace keldra
