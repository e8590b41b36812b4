#include "screens/shell/ReadingOrder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLayout>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>
#include <set>

namespace keldra {

namespace {

bool takesTabFocus(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy() && widget->isEnabled();
}

class Walk {
public:
    explicit Walk(std::vector<QWidget*>& out) : out_(out) {}

    void widget(QWidget* widget) {
        if (!widget->isVisible() || widget->isWindow() || !seen_.insert(widget).second)
            return;
        if (takesTabFocus(widget))
            out_.push_back(widget);
        // A list is one stop; its rows are its own business.
        if (qobject_cast<QAbstractItemView*>(widget))
            return;
        if (auto* area = qobject_cast<QScrollArea*>(widget); area && area->widget())
            this->widget(area->widget());
        if (const QLayout* layout = widget->layout())
            items(layout);
        // Anything placed by hand comes after what the layout placed.
        for (QObject* child : widget->children()) {
            if (child->isWidgetType())
                this->widget(static_cast<QWidget*>(child));
        }
    }

private:
    void items(const QLayout* layout) {
        for (int i = 0; i < layout->count(); ++i) {
            QLayoutItem* item = layout->itemAt(i);
            if (QWidget* child = item->widget())
                widget(child);
            else if (const QLayout* nested = item->layout())
                items(nested);
        }
    }

    std::vector<QWidget*>& out_;
    std::set<QWidget*> seen_;
};

} // namespace

std::vector<QWidget*> readingOrder(QWidget* root) {
    std::vector<QWidget*> out;
    Walk walk(out);
    walk.widget(root);
    return out;
}

bool moveFocusInReadingOrder(QWidget* root, bool next) {
    const std::vector<QWidget*> order = readingOrder(root);
    if (order.empty())
        return false;
    const auto count = static_cast<std::ptrdiff_t>(order.size());
    const auto found = std::find(order.begin(), order.end(), QApplication::focusWidget());
    std::ptrdiff_t at = found == order.end() ? (next ? -1 : count) : found - order.begin();
    at = ((at + (next ? 1 : -1)) % count + count) % count;
    QWidget* target = order[static_cast<size_t>(at)];
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    for (QWidget* up = target->parentWidget(); up && up != root; up = up->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(up);
            area && area->widget() && area->widget()->isAncestorOf(target))
            area->ensureWidgetVisible(target);
    }
    return true;
}

} // namespace keldra
