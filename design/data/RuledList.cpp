#include "design/data/RuledList.h"

#include "design/theme/OLColor.h"

#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

RuledList::RuledList(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    // The first row starts under the rule.
    layout_->setContentsMargins(0, 1, 0, 0);
    layout_->setSpacing(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QList<QWidget*> RuledList::rowWidgets() const {
    QList<QWidget*> out;
    for (int i = 0; i < layout_->count(); ++i)
        out << layout_->itemAt(i)->widget();
    return out;
}

void RuledList::clearRows() {
    while (auto* item = layout_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

void RuledList::addRow(QWidget* row) {
    layout_->addWidget(row);
}

void RuledList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(QRectF(0, 0, width(), 1), OLColor::border.qcolor());
}

} // namespace keldra
