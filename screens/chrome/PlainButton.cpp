#include "screens/chrome/PlainButton.h"

#include <QChildEvent>

namespace keldra {

PlainButton::PlainButton(QWidget* parent) : OLAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusRingOver(true);
}

void PlainButton::adoptChildren() {
    for (auto* child : findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void PlainButton::childEvent(QChildEvent* event) {
    OLAbstractButton::childEvent(event);
    if (event->added() && event->child()->isWidgetType()) {
        static_cast<QWidget*>(event->child())->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void PlainButton::paintEvent(QPaintEvent*) {}

} // namespace keldra
