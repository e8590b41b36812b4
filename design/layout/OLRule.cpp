#include "design/layout/OLRule.h"

#include <QPainter>

namespace keldra {

OLRule::OLRule(QWidget* parent, const OLRgba& color) : QWidget(parent), color_(color) {
    setFixedHeight(1);
}

void OLRule::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color_.qcolor());
}

} // namespace keldra
