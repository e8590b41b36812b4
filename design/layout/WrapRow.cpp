#include "design/layout/WrapRow.h"

#include <QEvent>
#include <algorithm>

namespace keldra {

WrapRow::WrapRow(int spacing, int lineSpacing, bool trailingLast, QWidget* parent)
    : QWidget(parent), spacing_(spacing), lineSpacing_(lineSpacing), trailingLast_(trailingLast) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrapRow::addWidget(QWidget* widget) {
    widget->setParent(this);
    widgets_.push_back(widget);
    if (isVisible()) {
        widget->show();
    }
    updateGeometry();
    place();
}

std::vector<QWidget*> WrapRow::shown() const {
    std::vector<QWidget*> result;
    for (QWidget* widget : widgets_) {
        if (!widget->isHidden()) {
            result.push_back(widget);
        }
    }
    return result;
}

QSize WrapRow::sizeHint() const {
    int width = 0;
    int height = 0;
    const auto widgets = shown();
    for (QWidget* widget : widgets) {
        width += widget->sizeHint().width();
        height = std::max(height, widget->sizeHint().height());
    }
    width += spacing_ * std::max(0, static_cast<int>(widgets.size()) - 1);
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

QSize WrapRow::minimumSizeHint() const {
    int width = 0;
    for (QWidget* widget : shown()) {
        width = std::max(width, widget->sizeHint().width());
    }
    width += contentsMargins().left() + contentsMargins().right();
    return {width, heightForWidth(width)};
}

bool WrapRow::fits(int width) const {
    return sizeHint().width() <= width;
}

int WrapRow::heightForWidth(int width) const {
    if (fits(width)) {
        return sizeHint().height();
    }
    int height = contentsMargins().top() + contentsMargins().bottom();
    const auto widgets = shown();
    for (QWidget* widget : widgets) {
        height += widget->sizeHint().height();
    }
    return height + lineSpacing_ * std::max(0, static_cast<int>(widgets.size()) - 1);
}

bool WrapRow::event(QEvent* event) {
    // A child's size hint changed (a new text): the row may need another line count.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}

void WrapRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

void WrapRow::place() {
    const auto widgets = shown();
    const QRect area = contentsRect();
    if (fits(width())) {
        const QMargins margins = contentsMargins();
        const int line = sizeHint().height() - margins.top() - margins.bottom();
        int x = area.left();
        for (std::size_t i = 0; i < widgets.size(); ++i) {
            const QSize hint = widgets[i]->sizeHint();
            if (trailingLast_ && i + 1 == widgets.size() && i > 0) {
                x = area.right() + 1 - hint.width();
            }
            widgets[i]->setGeometry(x, area.top() + (line - hint.height()) / 2, hint.width(), hint.height());
            x += hint.width() + spacing_;
        }
        return;
    }
    int y = area.top();
    for (QWidget* widget : widgets) {
        const QSize hint = widget->sizeHint();
        widget->setGeometry(area.left(), y, std::min(hint.width(), area.width()), hint.height());
        y += hint.height() + lineSpacing_;
    }
}

} // namespace keldra
