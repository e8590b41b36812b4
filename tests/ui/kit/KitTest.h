#pragma once
// Small helpers shared by the kit's widget tests.

#include "design/motion/ReduceMotionMonitor.h"
#include "tests/support/FakeDesktopPortal.h"
#include "tests/support/QtApp.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstdlib>

namespace keldra::test {

// A shown, active top-level window, so focus and key events behave as for a user.
inline void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
}

inline QString accessibleText(QWidget* widget, QAccessible::Text kind) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(kind) : QStringLiteral("<no interface>");
}

inline QAccessible::State accessibleState(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->state() : QAccessible::State();
}

// Turns animations on for one test (the test environment turns them off).
class AnimationsOn {
public:
    AnimationsOn() { qputenv("KELDRA_ANIMATIONS", "1"); }
    ~AnimationsOn() { qputenv("KELDRA_ANIMATIONS", "0"); }
};

// The desktop's reduce-motion choice for one test, as the program reads it: a desktop of the test's own
// whose portal answers it, read by the monitor installed on the application.
class DesktopMotion {
public:
    explicit DesktopMotion(bool reduce)
        : desktop_({{{QStringLiteral("org.freedesktop.appearance"), QStringLiteral("reduced-motion")},
                     QVariant::fromValue(reduce ? 1u : 0u)}}) {
        if (!desktop_.serving())
            return;
        monitor_ = ReduceMotionMonitor::install(QCoreApplication::instance(), desktop_.bus());
        ready_ = runUntil([this] { return monitor_->isSettled(); }, std::chrono::seconds(10)) &&
                 monitor_->reduceMotion() == reduce;
    }
    ~DesktopMotion() { delete monitor_; }
    DesktopMotion(const DesktopMotion&) = delete;
    DesktopMotion& operator=(const DesktopMotion&) = delete;

    // Whether the application has the desktop's answer.
    bool ready() const { return ready_; }

private:
    FakeDesktopPortal desktop_;
    ReduceMotionMonitor* monitor_ = nullptr;
    bool ready_ = false;
};

} // namespace keldra::test
