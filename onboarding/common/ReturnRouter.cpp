#include "onboarding/common/ReturnRouter.h"

#include "design/button/OLAbstractButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace keldra {

ReturnRouter::ReturnRouter(QWidget* root) : QObject(root), root_(root) {
    root->installEventFilter(this);
}

void ReturnRouter::setDefaultButton(OLAbstractButton* button) {
    defaultButton_ = button;
}

void ReturnRouter::addField(QWidget* field, std::function<void()> submit) {
    removeField(field);
    fields_.push_back({field, std::move(submit)});
}

void ReturnRouter::removeField(QWidget* field) {
    // Fields already destroyed go as well.
    std::erase_if(fields_, [field](const Field& entry) { return !entry.widget || entry.widget == field; });
}

void ReturnRouter::route() {
    const QWidget* focus = QApplication::focusWidget();
    for (const Field& field : fields_) {
        if (field.widget && focus && (focus == field.widget || field.widget->isAncestorOf(focus))) {
            if (field.submit) {
                field.submit();
            }
            return;
        }
    }
    if (defaultButton_ && defaultButton_->isVisible() && defaultButton_->acceptsClicks()) {
        defaultButton_->click();
    }
}

bool ReturnRouter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == root_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && plain) {
            route();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace keldra
