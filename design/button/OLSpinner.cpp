#include "design/button/OLSpinner.h"

#include "design/motion/OLMotion.h"

#include <QPainter>
#include <QVariantAnimation>
#include <cmath>
#include <numbers>

namespace keldra {
namespace {
constexpr int spokes = 8;
constexpr int turnMs = 900;
} // namespace

void paintSpinner(QPainter& painter, const QRectF& rect, const OLRgba& color, double phase) {
    const double side = std::min(rect.width(), rect.height());
    const QPointF centre = rect.center();
    const double outer = side / 2;
    const double inner = outer * 0.5;
    const int lead = static_cast<int>(std::floor(phase * spokes)) % spokes;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < spokes; ++i) {
        // The leading spoke is opaque; those behind it fade.
        const int behind = (lead - i + spokes) % spokes;
        QColor c = color.qcolor();
        c.setAlphaF(static_cast<float>(color.alpha * (1.0 - 0.8 * behind / (spokes - 1))));
        QPen pen(c, std::max(1.5, side * 0.11));
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        const double angle = 2 * std::numbers::pi * i / spokes - std::numbers::pi / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(centre + direction * inner, centre + direction * outer * 0.9);
    }
    painter.restore();
}

OLSpinner::OLSpinner(const OLRgba& color, QWidget* parent)
    : QWidget(parent), color_(color), turn_(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(sizeHint());
    turn_->setStartValue(0.0);
    turn_->setEndValue(1.0);
    turn_->setDuration(turnMs);
    turn_->setLoopCount(-1);
    connect(turn_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
}

void OLSpinner::setColor(const OLRgba& color) {
    color_ = color;
    update();
}

QSize OLSpinner::sizeHint() const {
    const int side = static_cast<int>(spinnerSize);
    return {side, side};
}

void OLSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSpinner(painter, QRectF(rect()), color_, phase_);
}

void OLSpinner::showEvent(QShowEvent* event) {
    if (OLMotion::animationsEnabled())
        turn_->start();
    QWidget::showEvent(event);
}

void OLSpinner::hideEvent(QHideEvent* event) {
    turn_->stop();
    QWidget::hideEvent(event);
}

} // namespace keldra
