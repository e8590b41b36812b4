#include "design/orb/KeldraOrb.h"

#include "design/motion/OLMotion.h"
#include "design/motion/ReduceMotionMonitor.h"
#include "design/orb/KeldraGlyph.h"
#include "design/orb/OrbHalo.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QVariantAnimation>
#include <cmath>

namespace keldra {

namespace {

// The pulse grows the orb by 4 %: the widget keeps that much room around the orb so nothing is cut off.
constexpr double breathScale = 1.04;

// Ease in and out to the top of the pulse and back, one full breath per loop.
qreal breathCurve(qreal t) {
    static const QEasingCurve inOut(QEasingCurve::InOutSine);
    return t < 0.5 ? inOut.valueForProgress(t * 2) : inOut.valueForProgress(2 - t * 2);
}

} // namespace

KeldraOrb::KeldraOrb(HealthPresentation presentation, std::optional<double> progress, double size,
                     const QString& accessibilityAction, std::function<void()> action, QWidget* parent)
    : OLAbstractButton(parent), presentation_(std::move(presentation)), progress_(progress), size_(size),
      reduceMotion_(OLMotion::reduceMotion()), shownProgress_(new OLAnimatedValue(0, false, this)),
      breathing_(new QVariantAnimation(this)), settle_(new OLAnimatedValue(1, false, this)) {
    setAccessibleName(accessibilityAction);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
    if (progress_ && std::isfinite(*progress_))
        shownProgress_->setValue(*progress_);
    connect(shownProgress_, &OLAnimatedValue::valueChanged, this, [this] { update(); });

    breathing_->setStartValue(0.0);
    breathing_->setEndValue(1.0);
    breathing_->setDuration(2400);
    breathing_->setLoopCount(-1);
    QEasingCurve curve;
    curve.setCustomType(breathCurve);
    breathing_->setEasingCurve(curve);
    connect(breathing_, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(settle_, &OLAnimatedValue::valueChanged, this, [this] { update(); });
    setAction(std::move(action));
    updateGlow();
    if (auto* monitor = ReduceMotionMonitor::installed())
        connect(monitor, &ReduceMotionMonitor::reduceMotionChanged, this, &KeldraOrb::setReduceMotion);
}

KeldraOrb::~KeldraOrb() {
    // The glow lives in the parent, which may outlive the orb.
    delete halo_.data();
}

void KeldraOrb::setPresentation(const HealthPresentation& presentation) {
    const bool wasBackingUp = isBackingUp();
    const Pulse shown = pulse();
    presentation_ = presentation;
    if (wasBackingUp != isBackingUp())
        updateBreathing(shown);
    updateGlow();
    update();
}

void KeldraOrb::setProgress(std::optional<double> progress) {
    const bool had = progress_.has_value();
    progress_ = progress;
    if (!progress_)
        return update();
    const double target = std::isfinite(*progress_) ? *progress_ : 0;
    if (had)
        shownProgress_->animateTo(target, OLAnimationTiming::easeOut(0.25));
    else
        shownProgress_->setValue(target);
    update();
}

void KeldraOrb::setAccessibilityAction(const QString& title) {
    setAccessibleName(title);
}

void KeldraOrb::setReduceMotion(bool reduce) {
    // Drawing reads the choice, so turning it on stops the pulse at once; the pulse itself only restarts
    // when the backing-up state changes.
    reduceMotion_ = reduce;
    update();
}

bool KeldraOrb::isBackingUp() const {
    return presentation_.health.kind() == BackupHealth::Kind::backingUp;
}

bool KeldraOrb::breathingActive() const {
    return isBackingUp() && !reduceMotion_;
}

double KeldraOrb::breathPhase() const {
    return breathing_->currentValue().toDouble();
}

KeldraOrb::Pulse KeldraOrb::pulse() const {
    if (breathingActive()) {
        const double phase = breathPhase();
        return {1 + (breathScale - 1) * phase, 0.6 + 0.4 * phase};
    }
    const double t = settle_->value();
    return {settleFrom_.scale + (1 - settleFrom_.scale) * t,
            settleFrom_.ringOpacity + (1 - settleFrom_.ringOpacity) * t};
}

std::optional<double> KeldraOrb::ringFraction() const {
    if (!isBackingUp() || !progress_)
        return std::nullopt;
    // A run that has just started shows a sliver; a count past the end a full ring; nonsense counts as 0.
    const double shown = shownProgress_->value();
    return std::max(0.01, std::min(std::isfinite(shown) ? shown : 0.0, 1.0));
}

OLRgba KeldraOrb::glyphColor() const {
    switch (presentation_.health.kind()) {
    case BackupHealth::Kind::protected_:
        return accentColor(presentation_.theme);
    case BackupHealth::Kind::backingUp:
    case BackupHealth::Kind::attention:
        return OLColor::toneWarning;
    case BackupHealth::Kind::paused:
    case BackupHealth::Kind::locked:
        return OLColor::textFaint;
    case BackupHealth::Kind::atRisk:
    case BackupHealth::Kind::storageFull:
    case BackupHealth::Kind::blocked:
        return OLColor::textMuted;
    }
    return OLColor::textMuted;
}

QWidget* KeldraOrb::halo() const {
    return halo_ && halo_->isVisible() ? halo_.data() : nullptr;
}

void KeldraOrb::updateBreathing(Pulse shown) {
    if (breathingActive()) {
        settle_->setValue(1);
        if (OLMotion::animationsEnabled()) {
            breathing_->start();
        } else {
            // Without animation the pulse rests at its peak, half a breath in, as its last frame would.
            breathing_->setCurrentTime(breathing_->duration() / 2);
            update();
        }
    } else {
        // From the pulse as it was drawn back to rest; without animation, at once.
        breathing_->stop();
        settleFrom_ = shown;
        const bool atRest = shown.scale == 1 && shown.ringOpacity == 1;
        settle_->setValue(atRest ? 1 : 0);
        settle_->animateTo(1, OLAnimationTiming::easeOut(0.25));
    }
}

void KeldraOrb::updateGlow() {
    const bool glows = presentation_.health.kind() == BackupHealth::Kind::protected_;
    // The glow is made the first time it is wanted with a parent to draw in; from then on it follows the
    // orb by itself.
    if (!halo_ && glows && parentWidget())
        halo_ = new OrbHalo(*this);
    if (halo_)
        halo_->setGlow(size_, accentColor(presentation_.theme).opacity(0.22).qcolor(), glows);
}

void KeldraOrb::setSize(double size) {
    if (size == size_) {
        return;
    }
    size_ = size;
    setFixedSize(sizeHint());
    updateGlow();
    update();
}

double KeldraOrb::breathRoom() const {
    return std::ceil(size_ * (breathScale - 1) / 2);
}

QRectF KeldraOrb::orbRect() const {
    return {breathRoom(), breathRoom(), size_, size_};
}

QSize KeldraOrb::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_ + 2 * breathRoom()));
    return {side, side};
}

bool KeldraOrb::hitButton(const QPoint& pos) const {
    const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - orbRect().center();
    return std::hypot(d.x(), d.y()) <= size_ / 2;
}

bool KeldraOrb::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        updateBreathing(pulse());
        return OLAbstractButton::event(event);
    case QEvent::ParentChange: {
        const bool result = OLAbstractButton::event(event);
        updateGlow();
        return result;
    }
    default:
        return OLAbstractButton::event(event);
    }
}

void KeldraOrb::paintEvent(QPaintEvent*) {
    const double s = size_ / OLSize::orb;
    const QRectF frame = orbRect();
    const QPointF centre = frame.center();
    const OLRgba tone = presentation_.toneColor();
    const Pulse shown = pulse();

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (shown.scale != 1) {
        p.translate(centre);
        p.scale(shown.scale, shown.scale);
        p.translate(-centre);
    }

    // Outer ring, inside the frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(tone.times(shown.ringOpacity).qcolor(), 1.5));
    p.drawEllipse(frame.adjusted(0.75, 0.75, -0.75, -0.75));

    // Progress ring: from the top, clockwise.
    if (const auto fraction = ringFraction()) {
        p.setPen(QPen(tone.qcolor(), 3, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
        const QRectF ring = frame.adjusted(1, 1, -1, -1);
        p.drawArc(ring, 90 * 16, -static_cast<int>(std::round(*fraction * 360 * 16)));
    }

    // The disc, lit from above, with a hairline and a faint highlight over the top.
    const double inset = 24 * s + 1.5;
    const QRectF disc = frame.adjusted(inset, inset, -inset, -inset);
    QRadialGradient light(QPointF(disc.left() + disc.width() * 0.5, disc.top() + disc.height() * 0.3),
                          size_ * 0.42);
    light.setColorAt(0, OLColor::surfaceRaised.qcolor());
    light.setColorAt(1, OLColor::surface.qcolor());
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawEllipse(disc);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(OLColor::hairline.qcolor(), 1));
    p.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(QPen(OLColor::textPrimary.opacity(0.1).qcolor(), 1, Qt::SolidLine, Qt::FlatCap));
    // 0.6 … 0.9 of an outline that starts at the right and runs clockwise: the arc over the top.
    p.drawArc(disc, -216 * 16, -108 * 16);

    paintKeldraGlyph(p, centre, glyphColor().qcolor(), s);
    if (const auto badge = presentation_.badge())
        paintOrbBadge(p, centre + QPointF(27 * s, -26 * s), *badge, s);

    if (showsFocusRing()) {
        p.setPen(QPen(OLColor::focusRing.qcolor(), focusRingWidth));
        p.drawEllipse(frame.adjusted(1, 1, -1, -1));
    }
}

} // namespace keldra
