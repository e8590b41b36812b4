#include "design/layout/FirstBaseline.h"

#include "design/text/OLText.h"

#include <QLayout>
#include <QLineEdit>
#include <optional>

namespace keldra {

namespace {

double shownHeight(const QWidget* widget) {
    return widget->height() > 0 ? widget->height() : widget->sizeHint().height();
}

std::optional<double> layoutBaseline(const QLayout* layout, const QFontMetricsF& line);

// The first visible widget of `item`, nested layouts included, in the coordinates of the layout's widget.
std::optional<double> itemBaseline(QLayoutItem* item, const QFontMetricsF& line) {
    if (const QWidget* child = item->widget()) {
        if (child->isHidden())
            return std::nullopt;
        return child->y() + firstBaseline(child, line);
    }
    if (const QLayout* nested = item->layout())
        return layoutBaseline(nested, line);
    return std::nullopt;
}

std::optional<double> layoutBaseline(const QLayout* layout, const QFontMetricsF& line) {
    for (int i = 0; i < layout->count(); ++i) {
        if (auto found = itemBaseline(layout->itemAt(i), line))
            return found;
    }
    return std::nullopt;
}

} // namespace

double centredBaseline(double height, double ascent, double descent) {
    return (height + ascent - descent) / 2;
}

double firstBaseline(const QWidget* widget, const QFontMetricsF& line) {
    if (const auto* text = qobject_cast<const OLText*>(widget))
        return text->baseline();
    if (const auto* provider = dynamic_cast<const OLBaselineProvider*>(widget))
        return provider->firstBaseline();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        const QFontMetricsF metrics(edit->font());
        return centredBaseline(shownHeight(edit), metrics.ascent(), metrics.descent());
    }
    if (const QLayout* layout = widget->layout()) {
        if (auto found = layoutBaseline(layout, line))
            return *found;
    }
    return centredBaseline(shownHeight(widget), line.ascent(), line.descent());
}

} // namespace keldra
