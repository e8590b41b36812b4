#pragma once
// Small helpers shared by the kit's widget tests.

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

} // namespace keldra::test
