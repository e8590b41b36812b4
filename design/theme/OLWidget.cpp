#include "design/theme/OLWidget.h"

#include "design/theme/ThemeScope.h"

#include <QFocusEvent>
#include <QMouseEvent>

namespace keldra {

OLWidget::OLWidget(QWidget* parent) : QWidget(parent) {}

OLTheme OLWidget::theme() const {
    return olTheme(this);
}

void OLWidget::themeChanged(const OLTheme&) {
    updateGeometry();
    update();
}

void OLWidget::applyTheme(const OLTheme&) {}

bool OLWidget::event(QEvent* event) {
    if (event->type() == OLThemeChangeEvent::eventType()) {
        const OLTheme changed = static_cast<OLThemeChangeEvent*>(event)->theme();
        applyTheme(changed);
        themeChanged(changed);
        return true;
    }
    // Moved under another scope: its theme may differ.
    if (event->type() == QEvent::ParentChange) {
        const OLTheme current = theme();
        applyTheme(current);
        themeChanged(current);
    }
    if (event->type() == QEvent::Polish || event->type() == QEvent::Show)
        applyTheme(theme());
    return QWidget::event(event);
}

void OLWidget::focusInEvent(QFocusEvent* event) {
    keyboardFocus_.focusIn(*event);
    update();
    QWidget::focusInEvent(event);
}

void OLWidget::focusOutEvent(QFocusEvent* event) {
    keyboardFocus_.focusOut();
    update();
    QWidget::focusOutEvent(event);
}

void OLWidget::mousePressEvent(QMouseEvent* event) {
    keyboardFocus_.pointerPressed();
    update();
    QWidget::mousePressEvent(event);
}

} // namespace keldra
