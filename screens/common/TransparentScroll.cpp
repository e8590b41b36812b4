#include "screens/common/TransparentScroll.h"

namespace keldra {

TransparentScroll::TransparentScroll(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setWidget(content);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
}

} // namespace keldra
