#include "onboarding/settings/SettingsForm.h"

#include "design/controls/OLCheckbox.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"

#include <QBoxLayout>
#include <QCoreApplication>

namespace keldra {

OLCard* makeFormCard(std::initializer_list<FormRow*> rows, QWidget* parent) {
    auto* content = new QWidget;
    // The rows take the card's whole width.
    content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    for (FormRow* row : rows) {
        stack->addWidget(row);
    }
    return new OLCard(24, false, content, parent);
}

namespace {

// A stack of controls. Its children's baselines are known only once they are laid out, so each time the
// stack is, the form row holding it lines its label up again.
class ControlStack final : public QWidget {
protected:
    bool event(QEvent* event) override {
        const bool result = QWidget::event(event);
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
            for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
                if (qobject_cast<FormRow*>(up)) {
                    QCoreApplication::postEvent(up, new QEvent(QEvent::LayoutRequest));
                    break;
                }
            }
        }
        return result;
    }
};

} // namespace

QWidget* makeStack(Qt::Orientation orientation, int spacing, std::initializer_list<QWidget*> children) {
    auto* holder = new ControlStack;
    auto* stack = new QBoxLayout(
        orientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, holder);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(spacing);
    for (QWidget* child : children) {
        stack->addWidget(child, 0, orientation == Qt::Vertical ? Qt::AlignLeft : Qt::AlignVCenter);
    }
    stack->addStretch(1);
    return holder;
}

OLCheckbox* makeBoundCheckbox(AppModelView& app, const QString& title, const QString& subtitle,
                              SettingsPath<bool> path) {
    auto* box = new OLCheckbox(title, SettingsBinding::getBool(app, path), subtitle);
    QSizePolicy policy = box->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Expanding);
    box->setSizePolicy(policy);
    QObject::connect(box, &QAbstractButton::clicked, box,
                     [&app, path](bool on) { SettingsBinding::setBool(on, app, path); });
    return box;
}

} // namespace keldra
