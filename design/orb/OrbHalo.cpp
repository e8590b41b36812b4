#include "design/orb/OrbHalo.h"

#include "design/orb/HaloImage.h"
#include "design/theme/OLSpace.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr double haloScale = 1.15;
constexpr double haloBlur = 45;

} // namespace

OrbHalo::OrbHalo(QWidget& orb) : QWidget(orb.parentWidget()), orb_(&orb) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    orb.installEventFilter(this);
}

void OrbHalo::setGlow(double orbSize, const QColor& color, bool glows) {
    if (orbSize != orbSize_ || color != color_) {
        orbSize_ = orbSize;
        color_ = color;
        image_ = QImage();
        update();
    }
    glows_ = glows;
    follow();
}

double OrbHalo::reach() const {
    return orbSize_ * (haloScale - 1) / 2 + haloReach(blur());
}

double OrbHalo::blur() const {
    return haloBlur * orbSize_ / OLSize::orb;
}

bool OrbHalo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == orb_) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Hide:
        case QEvent::ParentChange:
        case QEvent::ZOrderChange:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OrbHalo::follow() {
    if (!orb_ || !glows_ || !orb_->parentWidget() || !orb_->isVisible()) {
        hide();
        return;
    }
    if (parentWidget() != orb_->parentWidget()) {
        setParent(orb_->parentWidget());
    }
    const int margin = static_cast<int>(std::ceil(reach()));
    setGeometry(orb_->geometry().adjusted(-margin, -margin, margin, margin));
    stackUnder(orb_);
    show();
}

void OrbHalo::paintEvent(QPaintEvent*) {
    const double dpr = devicePixelRatioF();
    if (image_.isNull() || image_.devicePixelRatio() != dpr) {
        image_ = haloImage(orbSize_ * haloScale, blur(), color_, dpr);
    }
    QPainter p(this);
    const QSizeF logical = QSizeF(image_.size()) / dpr;
    p.drawImage(QPointF((width() - logical.width()) / 2, (height() - logical.height()) / 2), image_);
}

} // namespace keldra
