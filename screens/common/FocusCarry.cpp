#include "screens/common/FocusCarry.h"

#include "design/button/OLAbstractButton.h"

#include <QApplication>
#include <QWidget>

namespace keldra {

namespace {

QString nameOf(const QWidget* widget) {
    if (!widget->accessibleName().isEmpty())
        return widget->accessibleName();
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    return button ? button->text() : QString();
}

} // namespace

FocusCarry::FocusCarry(QWidget* leaving) {
    QWidget* focused = QApplication::focusWidget();
    if (!leaving || !focused || !leaving->isAncestorOf(focused))
        return;
    held_ = true;
    kind_ = QString::fromUtf8(focused->metaObject()->className());
    name_ = nameOf(focused);
    const auto* button = qobject_cast<const OLAbstractButton*>(focused);
    ring_ = button && button->showsFocusRing();
    focused->clearFocus();
}

void FocusCarry::restoreIn(QWidget* arriving) const {
    if (!held_ || !arriving)
        return;
    arriving->show();
    for (QWidget* candidate : arriving->findChildren<QWidget*>()) {
        if (QString::fromUtf8(candidate->metaObject()->className()) != kind_ || nameOf(candidate) != name_)
            continue;
        if (candidate->isEnabled() && candidate->focusPolicy() != Qt::NoFocus)
            candidate->setFocus(ring_ ? Qt::TabFocusReason : Qt::OtherFocusReason);
        return;
    }
}

} // namespace keldra
