#pragma once

#include "tests/support/TempDir.h"

#include <QDBusConnection>
#include <QString>
#include <QVariant>
#include <map>
#include <memory>
#include <sys/types.h>
#include <utility>

namespace keldra::test {

// A desktop of the test's own: a private D-Bus bus (a dbus-daemon child with a minimal configuration, so
// nothing is activated and no other test sees it) on which the desktop portal's Settings interface is
// served under its real name, org.freedesktop.portal.Desktop, with the settings the test gives it. The code
// under test is handed bus(), as it would be handed the session bus.
class FakeDesktopPortal {
public:
    using Settings = std::map<std::pair<QString, QString>, QVariant>; // (group, key) → value

    explicit FakeDesktopPortal(Settings settings);
    ~FakeDesktopPortal();
    FakeDesktopPortal(const FakeDesktopPortal&) = delete;
    FakeDesktopPortal& operator=(const FakeDesktopPortal&) = delete;

    // False when the bus could not be started or the portal not served.
    bool serving() const { return serving_; }
    // A connection to the bus for the code under test.
    QDBusConnection bus() const;
    // Changes a setting and announces it (SettingChanged), as the desktop does when the user changes it.
    void change(const QString& group, const QString& key, const QVariant& value);

private:
    class Service;

    TempDir folder_;
    pid_t daemon_ = -1;
    QString address_;
    std::unique_ptr<Service> service_;
    bool serving_ = false;
};

} // namespace keldra::test
