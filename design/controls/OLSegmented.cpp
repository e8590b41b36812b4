#include "design/controls/OLSegmented.h"

#include "design/focus/FocusRing.h"
#include "design/motion/OLMotion.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr double trackPadding = 4;
constexpr double segmentGap = 4;
constexpr double segmentPadding = 14;

OLTextStyle segmentStyle(bool mono, bool selected) {
    if (mono)
        return OLTextStyle::eyebrow;
    const OLTextStyle plain{12.5, OLFontWeight::regular, 1.2, 0, false, false, OLRelativeTextStyle::callout};
    return selected ? plain.withWeight(OLFontWeight::semibold) : plain;
}

QRectF lerp(const QRectF& a, const QRectF& b, double t) {
    return {a.x() + (b.x() - a.x()) * t, a.y() + (b.y() - a.y()) * t, a.width() + (b.width() - a.width()) * t,
            a.height() + (b.height() - a.height()) * t};
}

} // namespace

OLSegmented::OLSegmented(QStringList labels, bool mono, double height, QWidget* parent)
    : OLWidget(parent), labels_(std::move(labels)), mono_(mono), height_(height),
      selected_(static_cast<size_t>(labels_.size()), false), slide_(new OLAnimatedValue(1, false, this)) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(slide_, &OLAnimatedValue::valueChanged, this, [this] { update(); });
}

void OLSegmented::setSelected(std::vector<bool> selected) {
    selected.resize(static_cast<size_t>(labels_.size()), false);
    slide_->setValue(1);
    selected_ = std::move(selected);
    updateGeometry();
    update();
    olAccessibleUpdate(this);
}

void OLSegmented::moveSelection(std::vector<bool> selected) {
    selected.resize(static_cast<size_t>(labels_.size()), false);
    const QRectF from = pillRect();
    selected_ = std::move(selected);
    updateGeometry();
    const QRectF to = pillRect();
    if (from.isValid() && to.isValid() && from != to) {
        slideFrom_ = from;
        slideTo_ = to;
        slide_->setValue(0);
        slide_->animateTo(1, phaseAnimation(theme()));
    }
    update();
    olAccessibleUpdate(this);
}

double OLSegmented::segmentWidth(int index) const {
    const auto style = segmentStyle(mono_, selected_[static_cast<size_t>(index)]);
    const QString text = olShownText(style, labels_[index]);
    return std::ceil(QFontMetricsF(olFont(style)).horizontalAdvance(text)) + 2 * segmentPadding;
}

QRectF OLSegmented::segmentRect(int index) const {
    double x = trackPadding;
    for (int i = 0; i < index; ++i)
        x += segmentWidth(i) + segmentGap;
    return {x, trackPadding, segmentWidth(index), height_ - 2 * trackPadding};
}

// The one pill that may slide: only a single chosen segment has a place to slide from or to.
QRectF OLSegmented::pillRect() const {
    int chosen = -1;
    for (size_t i = 0; i < selected_.size(); ++i) {
        if (selected_[i]) {
            if (chosen >= 0)
                return {};
            chosen = static_cast<int>(i);
        }
    }
    return chosen >= 0 ? segmentRect(chosen) : QRectF();
}

QSize OLSegmented::sizeHint() const {
    double width = 2 * trackPadding;
    for (int i = 0; i < labels_.size(); ++i)
        width += segmentWidth(i) + (i > 0 ? segmentGap : 0);
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height_))};
}

OLAccessibleDescription OLSegmented::accessibleDescription() const {
    QStringList chosen;
    for (int i = 0; i < labels_.size(); ++i) {
        if (selected_[static_cast<size_t>(i)])
            chosen << labels_[i];
    }
    return {QAccessible::PageTabList, accessibleName(), chosen.join(QStringLiteral(", "))};
}

// Each segment: a button carrying the selected trait when chosen.
OLAccessibleDescription OLSegmented::accessibleItem(int index) const {
    const bool chosen = index >= 0 && index < labels_.size() && selected_[static_cast<size_t>(index)];
    return {QAccessible::Button, labels_.value(index), {}, false, false, chosen};
}

int OLSegmented::segmentAt(QPointF point) const {
    for (int i = 0; i < labels_.size(); ++i) {
        if (segmentRect(i).contains(point))
            return i;
    }
    return -1;
}

void OLSegmented::activate(int index) {
    if (index < 0 || index >= labels_.size())
        return;
    focusIndex_ = index;
    emit activated(index);
}

void OLSegmented::mousePressEvent(QMouseEvent* event) {
    OLWidget::mousePressEvent(event);
    pressedIndex_ = event->button() == Qt::LeftButton ? segmentAt(event->position()) : -1;
}

void OLSegmented::mouseReleaseEvent(QMouseEvent* event) {
    const int index = segmentAt(event->position());
    if (event->button() == Qt::LeftButton && index >= 0 && index == pressedIndex_)
        activate(index);
    pressedIndex_ = -1;
}

void OLSegmented::keyPressEvent(QKeyEvent* event) {
    const int count = static_cast<int>(labels_.size());
    switch (event->key()) {
    case Qt::Key_Left:
        focusIndex_ = std::max(0, focusIndex_ - 1);
        update();
        return;
    case Qt::Key_Right:
        focusIndex_ = std::min(count - 1, focusIndex_ + 1);
        update();
        return;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        activate(focusIndex_);
        return;
    default:
        OLWidget::keyPressEvent(event);
    }
}

void OLSegmented::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0, 0, sizeHint().width(), height_);
    fillContinuousRect(p, track, radius(theme), OLColor::surface.qcolor());
    strokeInside(p, track, radius(theme), (isGlass(theme) ? OLColor::hairline : OLColor::border).qcolor(), 1);

    const QColor pill = OLColor::buttonPrimary.qcolor();
    if (slide_->isRunning()) {
        fillContinuousRect(p, lerp(slideFrom_, slideTo_, slide_->value()), radiusSmall(theme), pill);
    } else {
        for (int i = 0; i < labels_.size(); ++i) {
            if (selected_[static_cast<size_t>(i)])
                fillContinuousRect(p, segmentRect(i), radiusSmall(theme), pill);
        }
    }

    for (int i = 0; i < labels_.size(); ++i) {
        const bool chosen = selected_[static_cast<size_t>(i)];
        const auto style = segmentStyle(mono_, chosen);
        p.setFont(olFont(style));
        p.setPen((chosen ? OLColor::textOnFill : OLColor::textMuted).qcolor());
        p.drawText(segmentRect(i), Qt::AlignCenter, olShownText(style, labels_[i]));
    }

    if (showsFocusRing() && focusIndex_ < labels_.size())
        drawFocusRing(p, segmentRect(focusIndex_), radiusSmall(theme));
}

double OLSegmented::firstBaseline() const {
    const QFontMetricsF metrics(olFont(segmentStyle(mono_, false)));
    return trackPadding + centredBaseline(height_ - 2 * trackPadding, metrics.ascent(), metrics.descent());
}

} // namespace keldra
