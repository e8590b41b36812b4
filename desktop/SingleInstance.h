#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace keldra {

class ApplicationAdaptor;

// One running Orlivane Keldra per session. The first launch owns the application's name on the session bus
// and serves org.freedesktop.Application there; a later launch finds the name taken, asks the running one to
// come forward (Activate) and leaves it at that.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    static constexpr const char* applicationId = "org.orlivane.keldra";

    enum class Outcome {
        // This process owns the name and serves the interface: it is the instance.
        primary,
        // Another instance runs and was asked to come forward (or, when not asked, runs on as it is).
        handledByOther,
        // Another instance owns the name but did not answer.
        otherNotAnswering,
        // No session bus: instances cannot find each other.
        noBus,
    };

    // `name` is the bus name (its object path follows from it); tests give a name of their own.
    explicit SingleInstance(QDBusConnection connection = QDBusConnection::sessionBus(),
                            QString name = QString::fromLatin1(applicationId), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Claims the name; when another instance holds it, asks it to activate when `activateOther` is true (a
    // start at login only leaves). Called once at start-up, before any window: the call to another instance
    // waits for its answer, running this thread's events meanwhile.
    Outcome claim(bool activateOther = true);

    // The object path of the interface for a bus name ("org.orlivane.keldra" → "/org/orlivane/keldra").
    static QString objectPath(const QString& name);

signals:
    // Another launch asked this instance to come forward. `activationToken` lets the window be raised on
    // desktops that guard focus (empty when the launcher gave none).
    void activated(const QString& activationToken);

private:
    friend class ApplicationAdaptor;
    void activate(const QVariantMap& platformData);
    bool activateOther();

    QDBusConnection connection_;
    QString name_;
    bool owned_ = false;
};

} // namespace keldra
