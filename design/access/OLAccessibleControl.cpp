#include "design/access/OLAccessibleControl.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <mutex>

namespace keldra {

namespace {

class OLAccessibleInterface : public QAccessibleWidget {
public:
    OLAccessibleInterface(QWidget* widget, OLAccessibleControl* control)
        : QAccessibleWidget(widget, control->accessibleDescription().role), control_(control) {}

    QAccessible::Role role() const override { return control_->accessibleDescription().role; }

    QString text(QAccessible::Text kind) const override {
        const auto description = control_->accessibleDescription();
        switch (kind) {
        case QAccessible::Name:
            return description.name;
        case QAccessible::Value:
            return description.value;
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const auto description = control_->accessibleDescription();
        state.checkable = description.checkable;
        state.checked = description.checked;
        state.selectable = state.selectable || description.selected;
        state.selected = description.selected;
        return state;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (control_->hasAccessiblePress())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction() && control_->hasAccessiblePress())
            control_->accessiblePress();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    OLAccessibleControl* control_;
};

QAccessibleInterface* kitFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    if (auto* control = dynamic_cast<OLAccessibleControl*>(widget))
        return new OLAccessibleInterface(widget, control);
    return nullptr;
}

} // namespace

OLAccessibleControl::OLAccessibleControl() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(kitFactory); });
}

void olAccessibleUpdate(QWidget* widget) {
    if (!QAccessible::isActive())
        return;
    auto* control = dynamic_cast<OLAccessibleControl*>(widget);
    if (!control)
        return;
    const auto description = control->accessibleDescription();
    QAccessibleEvent nameChanged(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleValueChangeEvent valueChanged(widget, description.value);
    QAccessible::updateAccessibility(&valueChanged);
    QAccessible::State changed;
    changed.checked = true;
    changed.selected = true;
    QAccessibleStateChangeEvent stateChanged(widget, changed);
    QAccessible::updateAccessibility(&stateChanged);
}

} // namespace keldra
