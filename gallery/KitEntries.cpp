#include "gallery/KitEntries.h"

#include "design/text/OLText.h"
#include "design/theme/OLColor.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLayout>
#include <QVBoxLayout>

namespace keldra::gallery {

std::vector<GalleryEntry> kitEntries() {
    std::vector<GalleryEntry> entries;
    for (auto family : {kitStatusEntries, kitInputEntries, kitLayoutEntries, kitOrbEntries, kitDataEntries}) {
        auto more = family();
        entries.insert(entries.end(), std::make_move_iterator(more.begin()),
                       std::make_move_iterator(more.end()));
    }
    return entries;
}

namespace {

QWidget* stack(QBoxLayout* layout, std::initializer_list<QWidget*> widgets, int spacing) {
    auto* root = new QWidget;
    root->setLayout(layout);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch(1);
    return root;
}

} // namespace

QWidget* kitColumn(std::initializer_list<QWidget*> widgets, int spacing) {
    return stack(new QVBoxLayout, widgets, spacing);
}

QWidget* kitRow(std::initializer_list<QWidget*> widgets, int spacing) {
    auto* row = stack(new QHBoxLayout, widgets, spacing);
    for (QWidget* widget : widgets)
        static_cast<QBoxLayout*>(row->layout())->setAlignment(widget, Qt::AlignVCenter);
    return row;
}

QWidget* kitCaption(const QString& text) {
    return new OLText(text, OLTextStyle::mono, OLColor::textFaint);
}

QWidget* kitLabelled(const QString& caption, QWidget* widget) {
    return kitColumn({kitCaption(caption), widget}, 6);
}

QWidget* kitAtWidth(QWidget* widget, int width) {
    widget->setFixedWidth(width);
    widget->ensurePolished();
    if (widget->layout())
        widget->layout()->activate();
    if (widget->hasHeightForWidth())
        widget->setFixedHeight(widget->heightForWidth(width));
    return widget;
}

void kitShowFocused(QWidget* widget) {
    QWidget* target = widget->focusProxy() ? widget->focusProxy() : widget;
    QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(target, &focus);
}

} // namespace keldra::gallery
