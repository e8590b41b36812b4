#pragma once
// Motion: the curves the views animate with, whether animations run at all (KELDRA_ANIMATIONS=0 turns
// them off: values jump to their end, as tests and the gallery need) and the desktop's reduce-motion
// choice, which stops only decorative motion (breathing, spinning), never feedback like a hold's band.

#include "design/motion/OLAnimationTiming.h"

#include <QEasingCurve>
#include <QObject>
#include <QPointer>

class QVariantAnimation;

namespace keldra::OLMotion {

// A pressed change of a button: ease-out 0.15 s.
inline constexpr OLAnimationTiming pressed = OLAnimationTiming::easeOut(0.15);
// A hold button's band filling: linear over the hold time.
inline constexpr OLAnimationTiming holdFill = OLAnimationTiming::linear(0.8);
// The band shrinking back after an early release.
inline constexpr OLAnimationTiming holdRelease = OLAnimationTiming::easeOut(0.15);

// False when the environment sets KELDRA_ANIMATIONS=0.
bool animationsEnabled();
// The desktop's reduce-motion choice (ReduceMotionMonitor installed on the application), else false.
bool reduceMotion();
// Whether decorative motion may run now.
bool decorativeMotionAllowed();

QEasingCurve easingCurve(const OLAnimationTiming& timing);
int durationMs(const OLAnimationTiming& timing);

} // namespace keldra::OLMotion

namespace keldra {

// A number that moves to its targets along a curve, or jumps when animations are off (and, for
// decorative motion, when the desktop asks to reduce motion).
class OLAnimatedValue : public QObject {
    Q_OBJECT
public:
    explicit OLAnimatedValue(double initial = 0, bool decorative = false, QObject* parent = nullptr);

    double value() const { return value_; }
    double target() const { return target_; }
    bool isRunning() const;

    void animateTo(double target, const OLAnimationTiming& timing);
    // Jumps at once, stopping any running animation.
    void setValue(double value);

signals:
    void valueChanged(double value);
    void finished();

private:
    void set(double value);

    double value_;
    double target_;
    bool decorative_;
    QPointer<QVariantAnimation> animation_;
};

} // namespace keldra
