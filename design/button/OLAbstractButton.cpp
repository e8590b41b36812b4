#include "design/button/OLAbstractButton.h"

#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QKeyEvent>
#include <QPainter>

namespace keldra {

OLAbstractButton::OLAbstractButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, &OLAbstractButton::runAction);
}

void OLAbstractButton::setAction(std::function<void()> action) {
    action_ = std::move(action);
}

void OLAbstractButton::runAction() {
    if (acceptsClicks() && action_)
        action_();
}

void OLAbstractButton::setHovered(bool hovered) {
    if (hovered == hovered_)
        return;
    hovered_ = hovered;
    update();
}

void OLAbstractButton::setPreviewFocus(bool focused) {
    previewFocus_ = focused;
    update();
}

void OLAbstractButton::setFocusRingOver(bool over) {
    focusRingOver_ = over;
    update();
}

void OLAbstractButton::activateFromKeyboard() {
    click();
}

bool OLAbstractButton::event(QEvent* event) {
    if (event->type() == OLThemeChangeEvent::eventType()) {
        updateGeometry();
        update();
        return true;
    }
    if (event->type() == QEvent::ParentChange)
        update();
    if (event->type() == QEvent::Paint && focusRingOver_) {
        const bool handled = QAbstractButton::event(event);
        if (showsFocusRing()) {
            QPainter painter(this);
            painter.setRenderHint(QPainter::Antialiasing);
            drawFocusRing(painter, QRectF(rect()), radiusSmall(olTheme(this)));
        }
        return handled;
    }
    return QAbstractButton::event(event);
}

void OLAbstractButton::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        if (acceptsClicks())
            activateFromKeyboard();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void OLAbstractButton::focusInEvent(QFocusEvent* event) {
    keyboardFocus_.focusIn(*event);
    QAbstractButton::focusInEvent(event);
    update();
}

void OLAbstractButton::focusOutEvent(QFocusEvent* event) {
    keyboardFocus_.focusOut();
    QAbstractButton::focusOutEvent(event);
    update();
}

void OLAbstractButton::notePointerPress() {
    keyboardFocus_.pointerPressed();
    update();
}

void OLAbstractButton::mousePressEvent(QMouseEvent* event) {
    notePointerPress();
    QAbstractButton::mousePressEvent(event);
}

void OLAbstractButton::enterEvent(QEnterEvent* event) {
    setHovered(true);
    QAbstractButton::enterEvent(event);
}

void OLAbstractButton::leaveEvent(QEvent* event) {
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

} // namespace keldra
