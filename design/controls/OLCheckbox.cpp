#include "design/controls/OLCheckbox.h"

#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/ThemeScope.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr double boxSize = 18;
constexpr double boxRadius = 5;
constexpr double spacing = 10;
constexpr double lineGap = 2;
constexpr double checkSize = 13;
constexpr double unboundedWidth = 10000;

} // namespace

OLCheckbox::OLCheckbox(QString title, bool isOn, QString subtitle, QWidget* parent)
    : OLAbstractButton(parent), subtitle_(std::move(subtitle)) {
    setText(title);
    setCheckable(true);
    setChecked(isOn);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::toggled, this, [this] {
        update();
        olAccessibleUpdate(this);
    });
}

void OLCheckbox::setSubtitle(const QString& subtitle) {
    subtitle_ = subtitle;
    updateGeometry();
    update();
}

double OLCheckbox::textWidth(int width) const {
    return std::max(1.0, width - boxSize - spacing);
}

double OLCheckbox::subtitleHeight(double available) const {
    if (subtitle_.isEmpty())
        return 0;
    const QFontMetricsF metrics(olFont(OLTextStyle::caption));
    return metrics.boundingRect(QRectF(0, 0, available, 100000), Qt::TextWordWrap, subtitle_).height();
}

int OLCheckbox::heightForWidth(int width) const {
    const double title = QFontMetricsF(olFont(OLTextStyle::callout)).height();
    double height = std::max(title, boxSize);
    if (!subtitle_.isEmpty())
        height = std::max(title + lineGap + subtitleHeight(textWidth(width)), boxSize + 1);
    return static_cast<int>(std::ceil(height));
}

QSize OLCheckbox::sizeHint() const {
    const double title = QFontMetricsF(olFont(OLTextStyle::callout)).horizontalAdvance(text());
    const double subtitle =
        subtitle_.isEmpty() ? 0 : QFontMetricsF(olFont(OLTextStyle::caption)).horizontalAdvance(subtitle_);
    const int width =
        static_cast<int>(std::ceil(boxSize + spacing + std::min(std::max(title, subtitle), 420.0)));
    return {width, heightForWidth(width)};
}

QSize OLCheckbox::minimumSizeHint() const {
    return {static_cast<int>(boxSize + spacing + 40), heightForWidth(static_cast<int>(unboundedWidth))};
}

OLAccessibleDescription OLCheckbox::accessibleDescription() const {
    return {QAccessible::CheckBox, text(), isChecked() ? tr("On") : tr("Off"), true, isChecked()};
}

void OLCheckbox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF titleMetrics(olFont(OLTextStyle::callout));
    const bool hasSubtitle = !subtitle_.isEmpty();
    const double contentHeight = hasSubtitle ? height() : titleMetrics.height();
    const double top = hasSubtitle ? 0 : (height() - contentHeight) / 2;

    // With a subtitle the box lines up with the title's first line (1 px down); without, it is centred.
    const double boxTop = hasSubtitle ? 1 : (height() - boxSize) / 2;
    const QRectF box(0, boxTop, boxSize, boxSize);
    fillContinuousRect(p, box, boxRadius,
                       (isChecked() ? OLColor::buttonPrimary : OLColor::textPrimary.opacity(0.95)).qcolor());
    if (isChecked()) {
        const QRectF check(box.center().x() - checkSize / 2, box.center().y() - checkSize / 2, checkSize,
                           checkSize);
        olDrawIcon(p, check, QStringLiteral("icon-check"), OLColor::textOnFill.qcolor());
    }
    if (showsFocusRing())
        drawFocusRing(p, box, boxRadius);

    const double x = boxSize + spacing;
    const double available = textWidth(width());
    p.setFont(olFont(OLTextStyle::callout));
    p.setPen(OLColor::textPrimary.qcolor());
    const QRectF titleBox(x, top, available, titleMetrics.height());
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
               titleMetrics.elidedText(text(), Qt::ElideRight, available));
    if (hasSubtitle) {
        p.setFont(olFont(OLTextStyle::caption));
        p.setPen(OLColor::textMuted.qcolor());
        p.drawText(QRectF(x, titleBox.bottom() + lineGap, available, subtitleHeight(available)),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, subtitle_);
    }
}

double OLCheckbox::firstBaseline() const {
    const QFontMetricsF metrics(olFont(OLTextStyle::callout));
    if (!subtitle_.isEmpty())
        return metrics.ascent();
    return centredBaseline(height() > 0 ? height() : sizeHint().height(), metrics.ascent(),
                           metrics.descent());
}

} // namespace keldra
