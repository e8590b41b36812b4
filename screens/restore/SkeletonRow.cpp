#include "screens/restore/SkeletonRow.h"

#include "design/motion/OLMotion.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"

#include <QPainter>
#include <QVariantAnimation>
#include <algorithm>

namespace keldra {

SkeletonRow::SkeletonRow(QWidget* parent) : QWidget(parent), pulse_(new QVariantAnimation(this)) {
    setFixedHeight(30);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pulse_->setStartValue(0.0);
    pulse_->setEndValue(1.0);
    pulse_->setDuration(OLMotion::durationMs(OLAnimationTiming::easeInOut(1.2)));
    pulse_->setEasingCurve(OLMotion::easingCurve(OLAnimationTiming::easeInOut(1.2)));
    connect(pulse_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
    // Back and forth for as long as the row is shown.
    connect(pulse_, &QVariantAnimation::finished, this, [this] {
        pulse_->setDirection(pulse_->direction() == QAbstractAnimation::Forward
                                 ? QAbstractAnimation::Backward
                                 : QAbstractAnimation::Forward);
        pulse_->start();
    });
}

bool SkeletonRow::isPulsing() const {
    return pulse_->state() == QAbstractAnimation::Running;
}

void SkeletonRow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (OLMotion::decorativeMotionAllowed() && !isPulsing()) {
        pulse_->setDirection(QAbstractAnimation::Forward);
        pulse_->start();
    }
}

void SkeletonRow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pulse_->stop();
    phase_ = 0;
}

void SkeletonRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = mixed(OLColor::surface, OLColor::surfaceRaised, phase_).qcolor();
    const double middle = height() / 2.0;
    painter.fillPath(continuousRect(QRectF(0, middle - 8, 16, 16), 4), fill);
    const double sizeLeft = width() - 70.0;
    const double nameWidth = std::clamp(sizeLeft - 12 - 28 - 12, 0.0, 260.0);
    painter.fillPath(continuousRect(QRectF(28, middle - 6, nameWidth, 12), 4), fill);
    painter.fillPath(continuousRect(QRectF(sizeLeft, middle - 6, 70, 12), 4), fill);
}

} // namespace keldra
