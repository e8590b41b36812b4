#include "design/button/OLButton.h"

#include "design/button/OLSpinner.h"
#include "design/icon/OLIcon.h"
#include "design/motion/OLMotion.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <cmath>

namespace keldra {
namespace {

QFont titleFont() {
    return olFont(OLLiteralFont::buttonTitle);
}

bool isActivationKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

OLButton::OLButton(const QString& title, OLButtonKind kind, QWidget* parent)
    : OLAbstractButton(parent), kind_(kind), press_(new OLAnimatedValue(0, false, this)),
      spin_(new QVariantAnimation(this)) {
    setText(title);
    updatePolicy();
    connect(press_, &OLAnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    spin_->setStartValue(0.0);
    spin_->setEndValue(1.0);
    spin_->setDuration(900);
    spin_->setLoopCount(-1);
    connect(spin_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        spinPhase_ = value.toDouble();
        update();
    });
}

void OLButton::setTitle(const QString& title) {
    setText(title);
    updateGeometry();
    update();
}

void OLButton::setIconName(const QString& name) {
    iconName_ = name;
    updateGeometry();
    update();
}

void OLButton::setKind(OLButtonKind kind) {
    kind_ = kind;
    updatePolicy();
    updateGeometry();
    update();
}

void OLButton::setFullWidth(bool fullWidth) {
    fullWidth_ = fullWidth;
    updatePolicy();
    updateGeometry();
}

void OLButton::setLoading(bool loading) {
    if (loading == loading_)
        return;
    loading_ = loading;
    if (loading_ && OLMotion::animationsEnabled())
        spin_->start();
    else
        spin_->stop();
    if (loading_)
        setDown(false);
    updateGeometry();
    update();
}

void OLButton::setControlHeight(bool controlHeight) {
    controlHeight_ = controlHeight;
    updateGeometry();
    update();
}

OLButtonStyle OLButton::buttonStyle() const {
    return {kind_, olTheme(this), fullWidth_, OLSize::controlHeight};
}

void OLButton::updatePolicy() {
    setSizePolicy(fullWidth_ ? QSizePolicy::Expanding : QSizePolicy::Maximum, QSizePolicy::Fixed);
}

double OLButton::padding() const {
    return kind_ == OLButtonKind::text ? 0 : buttonPadding;
}

double OLButton::leadWidth() const {
    if (loading_)
        return spinnerSize;
    return iconName_.isEmpty() ? 0 : buttonIconSize;
}

double OLButton::contentWidth() const {
    const double lead = leadWidth();
    const double title = QFontMetricsF(titleFont(), this).horizontalAdvance(text());
    return lead > 0 ? lead + buttonContentSpacing + title : title;
}

QSize OLButton::sizeHint() const {
    const double width = contentWidth() + 2 * padding();
    double height = OLSize::controlHeight;
    if (kind_ == OLButtonKind::text && !controlHeight_)
        height = std::max(QFontMetricsF(titleFont(), this).height(), leadWidth());
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

QSize OLButton::minimumSizeHint() const {
    const double lead = leadWidth();
    const double ellipsis = QFontMetricsF(titleFont(), this).horizontalAdvance(QStringLiteral("M\u2026"));
    const double width = 2 * padding() + (lead > 0 ? lead + buttonContentSpacing : 0) + ellipsis;
    return {static_cast<int>(std::ceil(std::min<double>(width, sizeHint().width()))), sizeHint().height()};
}

double OLButton::titleTop() const {
    const double height = this->height() > 0 ? this->height() : sizeHint().height();
    return height / 2 - QFontMetricsF(titleFont(), this).height() / 2;
}

double OLButton::firstBaseline() const {
    return titleTop() + QFontMetricsF(titleFont(), this).ascent();
}

bool OLButton::event(QEvent* event) {
    if (loading_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (isActivationKey(static_cast<QKeyEvent*>(event)->key())) {
                event->accept();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return OLAbstractButton::event(event);
}

void OLButton::paintEvent(QPaintEvent*) {
    const OLButtonStyle style = buttonStyle();
    const bool enabled = acceptsClicks();
    const bool down = isDown() && enabled;
    if (press_->target() != (down ? 1.0 : 0.0))
        press_->animateTo(down ? 1.0 : 0.0, OLMotion::pressed);
    const OLButtonColors idle = buttonColors(style, isHovered(), false, enabled);
    const OLButtonColors pressed = buttonColors(style, isHovered(), true, enabled);
    const double amount = press_->value();
    const OLRgba fill = mixed(idle.fill, pressed.fill, amount);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!enabled)
        painter.setOpacity(disabledOpacity);
    const QRectF bounds(rect());
    const double corner = radius(style.theme);
    fillContinuousRect(painter, bounds, corner, fill.qcolor());
    strokeInside(painter, bounds, corner, idle.outline.qcolor());

    // Content: the lead (spinner or icon), then the title, centred; the title is cut to one line.
    const QFont font = titleFont();
    const QFontMetricsF metrics(font, this);
    const double lead = leadWidth();
    const double leadSpace = lead > 0 ? lead + buttonContentSpacing : 0;
    const double room = std::max(0.0, bounds.width() - 2 * padding() - leadSpace);
    const QString shown = metrics.elidedText(text(), Qt::ElideRight, room);
    const double used = leadSpace + metrics.horizontalAdvance(shown);
    double x = std::max(padding(), (bounds.width() - used) / 2);
    const double middle = bounds.height() / 2;
    if (loading_) {
        paintSpinner(painter, QRectF(x, middle - lead / 2, lead, lead), OLColor::textOnFill, spinPhase_);
    } else if (lead > 0) {
        olDrawIcon(painter, QRectF(x, middle - lead / 2, lead, lead), iconName_, idle.foreground.qcolor());
    }
    x += leadSpace;
    painter.setFont(font);
    painter.setPen(idle.foreground.qcolor());
    painter.drawText(QPointF(x, titleTop() + metrics.ascent()), shown);

    if (showsFocusRing()) {
        painter.setOpacity(1);
        if (kind_ == OLButtonKind::text) {
            // A bare word has no shape to outline: the ring becomes a line under it.
            const double under = std::min(bounds.bottom(), titleTop() + metrics.height());
            painter.fillRect(
                QRectF(x, under - focusRingWidth, metrics.horizontalAdvance(shown), focusRingWidth),
                OLColor::focusRing.qcolor());
        } else {
            drawFocusRing(painter, bounds, corner);
        }
    }
}

} // namespace keldra
