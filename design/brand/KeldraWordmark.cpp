#include "design/brand/KeldraWordmark.h"

#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace keldra {
namespace {

constexpr double spacing = 8;
const QString logoText = QStringLiteral("ORLIVANE");
const QString productText = QStringLiteral("Keldra");

struct Parts {
    QFont logo;
    QFont product;
    double logoWidth;
    double productWidth;
    double height;
};

Parts partsFor(bool compact, const QPaintDevice* device) {
    Parts parts{olFont(compact ? OLLiteralFont::wordmarkLogoCompact : OLLiteralFont::wordmarkLogo),
                olFont(compact ? OLLiteralFont::wordmarkProductCompact : OLLiteralFont::wordmarkProduct), 0,
                0, 0};
    const QFontMetricsF logo(parts.logo, device);
    const QFontMetricsF product(parts.product, device);
    parts.logoWidth = logo.horizontalAdvance(logoText);
    parts.productWidth = product.horizontalAdvance(productText);
    parts.height = std::max(logo.height(), product.height());
    return parts;
}

} // namespace

KeldraWordmark::KeldraWordmark(bool compact, QWidget* parent) : QWidget(parent), compact_(compact) {
    setAccessibleName(QStringLiteral("Orlivane Keldra"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void KeldraWordmark::setCompact(bool compact) {
    if (compact == compact_)
        return;
    compact_ = compact;
    updateGeometry();
    update();
}

QSize KeldraWordmark::sizeHint() const {
    const Parts parts = partsFor(compact_, this);
    return {static_cast<int>(std::ceil(parts.logoWidth + spacing + parts.productWidth)),
            static_cast<int>(std::ceil(parts.height))};
}

void KeldraWordmark::paintEvent(QPaintEvent*) {
    const Parts parts = partsFor(compact_, this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Each word's line box is centred on the widget's vertical middle.
    auto baselineFor = [this](const QFont& font) {
        const QFontMetricsF metrics(font, this);
        return (height() - metrics.height()) / 2 + metrics.ascent();
    };
    painter.setFont(parts.logo);
    painter.setPen(OLColor::textPrimary.qcolor());
    painter.drawText(QPointF(0, baselineFor(parts.logo)), logoText);
    painter.setFont(parts.product);
    painter.setPen(OLColor::success.qcolor());
    painter.drawText(QPointF(parts.logoWidth + spacing, baselineFor(parts.product)), productText);
}

} // namespace keldra
