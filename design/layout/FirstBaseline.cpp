#include "design/layout/FirstBaseline.h"

#include "design/text/OLText.h"

#include <QFontMetricsF>
#include <QLayout>
#include <QLineEdit>

namespace keldra {

double centredBaseline(double height, double ascent, double descent) {
    return (height + ascent - descent) / 2;
}

double firstBaseline(const QWidget* widget) {
    if (const auto* text = qobject_cast<const OLText*>(widget))
        return text->baseline();
    if (const auto* provider = dynamic_cast<const OLBaselineProvider*>(widget))
        return provider->firstBaseline();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        const QFontMetricsF metrics(edit->font());
        return centredBaseline(edit->height() > 0 ? edit->height() : edit->sizeHint().height(),
                               metrics.ascent(), metrics.descent());
    }
    if (const QLayout* layout = widget->layout()) {
        for (int i = 0; i < layout->count(); ++i) {
            const QWidget* child = layout->itemAt(i)->widget();
            if (child && !child->isHidden())
                return child->y() + firstBaseline(child);
        }
    }
    return widget->height() > 0 ? widget->height() : widget->sizeHint().height();
}

} // namespace keldra
