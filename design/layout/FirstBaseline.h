#pragma once
// Where a widget's first line of text sits, so rows can line their texts up on it. Styled text and line
// edits know it; painted controls with text say it through OLBaselineProvider; a container gives its first
// laid-out child's; a widget without text (a switch, a swatch, a card of pictures) has none of its own, and
// the text beside it is centred on it instead.

#include <QFontMetricsF>

class QWidget;

namespace keldra {

class OLBaselineProvider {
public:
    virtual ~OLBaselineProvider() = default;
    // Distance from the widget's top to its first text baseline.
    virtual double firstBaseline() const = 0;
};

// The baseline that a line of text in `line` metrics beside `widget` takes to line up with it.
double firstBaseline(const QWidget* widget, const QFontMetricsF& line);

// The baseline of text in `font`-sized metrics centred vertically in a box `height` tall.
double centredBaseline(double height, double ascent, double descent);

} // namespace keldra
