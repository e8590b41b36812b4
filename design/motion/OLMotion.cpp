#include "design/motion/OLMotion.h"

#include "design/motion/ReduceMotionMonitor.h"

#include <QPointF>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace keldra::OLMotion {
namespace {

// Position of a damped spring released from 0 towards 1 after `t` seconds.
double springPosition(double t, double response, double damping) {
    const double omega = 2 * M_PI / response;
    const double zeta = std::clamp(damping, 0.05, 1.0);
    if (zeta >= 1)
        return 1 - std::exp(-omega * t) * (1 + omega * t);
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * omega * t) *
                   (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
}

QEasingCurve springCurve(const OLAnimationTiming& timing) {
    // Sampled and joined by Catmull-Rom segments: QEasingCurve takes no closure. Qt 6.4 keeps at most ten
    // segments of a spline (more are written past its arrays and corrupt the heap), so ten it is.
    constexpr int samples = 10;
    std::vector<QPointF> points;
    points.reserve(samples + 1);
    for (int i = 0; i <= samples; ++i) {
        const double p = static_cast<double>(i) / samples;
        const double y =
            i == samples ? 1.0 : springPosition(p * timing.duration, timing.response, timing.dampingFraction);
        points.emplace_back(p, y);
    }
    QEasingCurve curve(QEasingCurve::BezierSpline);
    auto at = [&points, samples](int i) {
        return points[static_cast<size_t>(std::clamp(i, 0, samples))];
    };
    for (int i = 0; i < samples; ++i) {
        const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) / 6.0;
        const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) / 6.0;
        curve.addCubicBezierSegment(c1, c2, at(i + 1));
    }
    return curve;
}

} // namespace

bool animationsEnabled() {
    const char* value = std::getenv("KELDRA_ANIMATIONS");
    return value == nullptr || std::strcmp(value, "0") != 0;
}

bool reduceMotion() {
    const ReduceMotionMonitor* monitor = ReduceMotionMonitor::installed();
    return monitor != nullptr && monitor->reduceMotion();
}

bool decorativeMotionAllowed() {
    return animationsEnabled() && !reduceMotion();
}

QEasingCurve easingCurve(const OLAnimationTiming& timing) {
    switch (timing.curve) {
    case OLAnimationTiming::Curve::linear:
        return QEasingCurve(QEasingCurve::Linear);
    case OLAnimationTiming::Curve::easeOut:
        return QEasingCurve(QEasingCurve::OutCubic);
    case OLAnimationTiming::Curve::easeInOut:
        return QEasingCurve(QEasingCurve::InOutCubic);
    case OLAnimationTiming::Curve::spring:
        return springCurve(timing);
    }
    return QEasingCurve(QEasingCurve::Linear);
}

int durationMs(const OLAnimationTiming& timing) {
    return static_cast<int>(std::lround(timing.duration * 1000));
}

} // namespace keldra::OLMotion

namespace keldra {

OLAnimatedValue::OLAnimatedValue(double initial, bool decorative, QObject* parent)
    : QObject(parent), value_(initial), target_(initial), decorative_(decorative) {}

bool OLAnimatedValue::isRunning() const {
    return animation_ && animation_->state() == QAbstractAnimation::Running;
}

void OLAnimatedValue::animateTo(double target, const OLAnimationTiming& timing) {
    target_ = target;
    if (animation_)
        animation_->stop();
    const bool allowed = decorative_ ? OLMotion::decorativeMotionAllowed() : OLMotion::animationsEnabled();
    if (!allowed || timing.duration <= 0 || value_ == target) {
        set(target);
        emit finished();
        return;
    }
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(value_);
    animation->setEndValue(target);
    animation->setDuration(OLMotion::durationMs(timing));
    animation->setEasingCurve(OLMotion::easingCurve(timing));
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { set(v.toDouble()); });
    connect(animation, &QVariantAnimation::finished, this, [this] {
        set(target_);
        emit finished();
    });
    animation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void OLAnimatedValue::setValue(double value) {
    if (animation_)
        animation_->stop();
    target_ = value;
    set(value);
}

void OLAnimatedValue::set(double value) {
    if (value == value_)
        return;
    value_ = value;
    emit valueChanged(value);
}

} // namespace keldra
