#include "design/data/ThroughputChart.h"

#include "design/data/ThroughputScale.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace keldra {

namespace {

constexpr double labelColumn = 36;
constexpr double labelGap = 8;
constexpr OLTextStyle labelStyle{10,    OLFontWeight::regular,        1.2, 0, true,
                                 false, OLRelativeTextStyle::caption2};

} // namespace

ThroughputChart::ThroughputChart(std::vector<double> samples, int window, bool showAxis, double height,
                                 QWidget* parent)
    : OLWidget(parent), samples_(std::move(samples)), window_(std::max(window, 0)), showAxis_(showAxis),
      height_(height) {
    setFixedHeight(static_cast<int>(std::ceil(height_)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ThroughputChart::setSamples(std::vector<double> samples) {
    samples_ = std::move(samples);
    update();
    olAccessibleUpdate(this);
}

QSize ThroughputChart::sizeHint() const {
    return {320, static_cast<int>(std::ceil(height_))};
}

QSize ThroughputChart::minimumSizeHint() const {
    return {showAxis_ ? static_cast<int>(labelColumn) + 20 : 20, static_cast<int>(std::ceil(height_))};
}

OLAccessibleDescription ThroughputChart::accessibleDescription() const {
    return {QAccessible::Chart,
            QString::fromStdString(chartAccessibleText(visibleSamples(samples_, window_))),
            {}};
}

void ThroughputChart::paintEvent(QPaintEvent*) {
    const double W = width();
    const double H = height();
    const auto visible = visibleSamples(samples_, window_);
    const double top = chartTop(visible);
    const double plot = showAxis_ ? W - labelColumn : W;

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (showAxis_) {
        const QFont font = olFont(labelStyle);
        const QFontMetricsF metrics(font);
        p.setFont(font);
        for (int k = 0; k < 4; ++k) {
            const double y = gridLineY(k, H);
            p.setPen(QPen(OLColor::chartGrid.qcolor(), 1));
            p.drawLine(QPointF(0, y), QPointF(plot, y));
            p.setPen(OLColor::textMuted.qcolor());
            const QString label = QString::fromStdString(axisLabel(top * k / 3));
            // Leading middle point at (plot + 8, y), kept whole inside the chart at the top and bottom lines.
            const double half = (metrics.ascent() + metrics.descent()) / 2;
            const double middle = std::clamp(y, half, H - half);
            p.drawText(QPointF(plot + labelGap, middle + (metrics.ascent() - metrics.descent()) / 2), label);
        }
    } else {
        p.setPen(QPen(OLColor::border.qcolor(), 1));
        p.drawLine(QPointF(0, H - 1), QPointF(W, H - 1));
    }

    const auto points = chartLine(visible, window_, plot, H, top);
    if (points.empty())
        return;
    QPainterPath line;
    line.moveTo(points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i)
        line.lineTo(points[i].x, points[i].y);
    p.setPen(QPen(accentColor(theme()).qcolor(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
}

} // namespace keldra
