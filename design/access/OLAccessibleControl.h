#pragma once
// How a painted kit control reads to a screen reader: one element with a role, a name, a value where it
// has one, its checked or selected state, and a press action. A control inherits this and describes itself;
// the accessibility factory builds the interface from that description.

#include <QAccessible>
#include <QRect>
#include <QString>

class QWidget;

namespace keldra {

struct OLAccessibleDescription {
    QAccessible::Role role = QAccessible::Button;
    QString name;
    QString value;
    bool checkable = false;
    bool checked = false;
    bool selected = false;
};

class OLAccessibleControl {
public:
    OLAccessibleControl();
    virtual ~OLAccessibleControl() = default;

    virtual OLAccessibleDescription accessibleDescription() const = 0;
    // The press action (a screen reader's "activate"); controls without an action keep the default.
    virtual void accessiblePress() {}
    virtual bool hasAccessiblePress() const { return false; }

    // Items drawn inside the control that read as elements of their own (the segments of a segmented
    // control), each with a description, a rectangle in the control and a press action.
    virtual int accessibleItemCount() const { return 0; }
    virtual OLAccessibleDescription accessibleItem(int) const { return {}; }
    virtual QRect accessibleItemRect(int) const { return {}; }
    virtual void accessibleItemPress(int) {}
};

// Tells a screen reader that a kit control's name, value or state changed.
void olAccessibleUpdate(QWidget* control);

} // namespace keldra
