#include "design/controls/OLSwitch.h"

#include "design/motion/OLMotion.h"
#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr double trackWidth = 52;
constexpr double trackHeight = 32;
constexpr double knobSize = 26;
constexpr double knobInset = 3;

} // namespace

OLSwitch::OLSwitch(bool isOn, QString label, double scale, QWidget* parent)
    : OLAbstractButton(parent), scale_(scale), knob_(new OLAnimatedValue(isOn ? 1 : 0, false, this)) {
    setCheckable(true);
    setChecked(isOn);
    setAccessibleName(label);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(knob_, &OLAnimatedValue::valueChanged, this, [this] { update(); });
    connect(this, &QAbstractButton::toggled, this, [this] { olAccessibleUpdate(this); });
}

double OLSwitch::knobPosition() const {
    return knob_->value();
}

void OLSwitch::setOn(bool on) {
    knob_->setValue(on ? 1 : 0);
    setChecked(on);
    update();
}

void OLSwitch::nextCheckState() {
    QAbstractButton::nextCheckState();
    const OLAnimationTiming timing =
        isGlass(olTheme(this)) ? OLAnimationTiming::spring(0.3, 0.7) : OLAnimationTiming::easeOut(0.15);
    knob_->animateTo(isChecked() ? 1 : 0, timing);
}

QSize OLSwitch::sizeHint() const {
    return {static_cast<int>(std::ceil(trackWidth * scale_)),
            static_cast<int>(std::ceil(trackHeight * scale_))};
}

OLAccessibleDescription OLSwitch::accessibleDescription() const {
    return {QAccessible::CheckBox, accessibleName(), isChecked() ? tr("On") : tr("Off"), true, isChecked()};
}

void OLSwitch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale_, scale_);
    const QRectF track(0, 0, trackWidth, trackHeight);
    // The spring may overshoot; colours stay between their ends.
    const double t = std::clamp(knob_->value(), 0.0, 1.0);
    fillContinuousRect(p, track, trackHeight / 2,
                       mixed(OLColor::switchTrackOff, OLColor::toneSecure, t).qcolor());
    if (showsFocusRing())
        drawFocusRing(p, track, trackHeight / 2);
    const double travel = trackWidth - knobSize - 2 * knobInset;
    const QRectF knob(knobInset + travel * knob_->value(), knobInset, knobSize, knobSize);
    p.setPen(Qt::NoPen);
    p.setBrush(mixed(OLColor::textSecondary, OLColor::background, t).qcolor());
    p.drawEllipse(knob);
}

} // namespace keldra
