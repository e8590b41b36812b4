#include "screens/activity/FailureRow.h"

#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

FailureRow::FailureRow(const RunFailure& failure, std::function<void()> reveal, QWidget* parent)
    : OLWidget(parent), reveal_(std::move(reveal)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(2);
    auto* path =
        new OLText(QString::fromStdString(failure.path), OLTextStyle::mono, OLColor::textPrimary, this);
    path->setMaxLines(1);
    path->setElideMode(Qt::ElideMiddle);
    layout->addWidget(path);
    layout->addWidget(
        new OLText(QString::fromStdString(failure.reason), OLTextStyle::caption, OLColor::textError, this));
}

QMenu* FailureRow::makeMenu(QWidget* parent) const {
    auto* menu = new QMenu(parent);
    QObject::connect(menu->addAction(QStringLiteral("Show in Files")), &QAction::triggered, menu,
                     [reveal = reveal_] {
                         if (reveal) {
                             reveal();
                         }
                     });
    return menu;
}

void FailureRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
}

void FailureRow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace keldra
