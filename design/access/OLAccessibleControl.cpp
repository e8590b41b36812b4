#include "design/access/OLAccessibleControl.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <mutex>
#include <vector>

namespace keldra {

namespace {

// One drawn item of a control (a segment), read as an element of its own.
class OLAccessibleItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    OLAccessibleItem(QAccessibleInterface* parent, QWidget* widget, OLAccessibleControl* control, int index)
        : parent_(parent), widget_(widget), control_(control), index_(index) {}

    bool isValid() const override { return !widget_.isNull() && index_ < control_->accessibleItemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent_->window(); }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return parent_; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override {
        if (!isValid())
            return {};
        const auto item = control_->accessibleItem(index_);
        return kind == QAccessible::Name ? item.name : kind == QAccessible::Value ? item.value : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect local = control_->accessibleItemRect(index_);
        return QRect(widget_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return control_->accessibleItem(index_).role; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid())
            return state;
        const auto item = control_->accessibleItem(index_);
        state.selectable = true;
        state.selected = item.selected;
        state.checkable = item.checkable;
        state.checked = item.checked;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid())
            control_->accessibleItemPress(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QAccessibleInterface* parent_;
    QPointer<QWidget> widget_;
    OLAccessibleControl* control_;
    int index_;
};

class OLAccessibleInterface : public QAccessibleWidget {
public:
    OLAccessibleInterface(QWidget* widget, OLAccessibleControl* control)
        : QAccessibleWidget(widget, control->accessibleDescription().role), control_(control) {}

    ~OLAccessibleInterface() override {
        for (QAccessible::Id id : items_)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return control_->accessibleItemCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= control_->accessibleItemCount())
            return nullptr;
        // Item interfaces are made once, registered, and deleted with this one.
        while (static_cast<int>(items_.size()) <= index) {
            auto* item = new OLAccessibleItem(const_cast<OLAccessibleInterface*>(this), widget(), control_,
                                              static_cast<int>(items_.size()));
            items_.push_back(QAccessible::registerAccessibleInterface(item));
        }
        return QAccessible::accessibleInterface(items_[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (size_t i = 0; i < items_.size(); ++i) {
            if (QAccessible::accessibleInterface(items_[i]) == child)
                return static_cast<int>(i);
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < control_->accessibleItemCount(); ++i) {
            if (control_->accessibleItemRect(i).contains(local))
                return child(i);
        }
        return nullptr;
    }

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
    mutable std::vector<QAccessible::Id> items_;
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
