#include "screens/common/TransparentScroll.h"

namespace keldra {

TransparentScroll::TransparentScroll(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setWidget(content);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // The area is no stop of its own: Tab goes to the controls in it, which it scrolls into view.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
}

} // namespace keldra
