#include "design/button/HoldButton.h"

#include "design/button/OLButtonStyle.h"
#include "design/motion/OLMotion.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineF>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cmath>

namespace keldra {

HoldButton::HoldButton(const QString& title, const QString& confirmTitle, std::function<void()> action,
                       QWidget* parent)
    : OLAbstractButton(parent), confirmTitle_(confirmTitle), guarded_(std::move(action)),
      band_(new OLAnimatedValue(0, false, this)), holdTimer_(new QTimer(this)) {
    setText(title);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    holdTimer_->setSingleShot(true);
    holdTimer_->setInterval(holdMs);
    connect(holdTimer_, &QTimer::timeout, this, &HoldButton::completeHold);
    connect(band_, &OLAnimatedValue::valueChanged, this, qOverload<>(&QWidget::update));
    // Mouse presses never click this button; a click comes only from assistive technology's press action.
    connect(this, &QAbstractButton::clicked, this, &HoldButton::openConfirmation);
    // Deactivation reaches only the window itself, so follow the application's focus window instead.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] {
        if (!isActiveWindow())
            cancelHold();
    });
}

double HoldButton::bandProgress() const {
    return band_->value();
}

void HoldButton::setBandProgress(double progress) {
    band_->setValue(std::clamp(progress, 0.0, 1.0));
}

QSize HoldButton::sizeHint() const {
    const double title = QFontMetricsF(olFont(OLLiteralFont::buttonTitle), this).horizontalAdvance(text());
    return {static_cast<int>(std::ceil(title + 2 * buttonPadding)), static_cast<int>(OLSize::controlHeight)};
}

QSize HoldButton::minimumSizeHint() const {
    return {static_cast<int>(2 * buttonPadding + 24), static_cast<int>(OLSize::controlHeight)};
}

void HoldButton::openConfirmation() {
    if (!acceptsClicks() || confirmation_)
        return;
    cancelHold();
    auto* box = new QMessageBox(window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(confirmTitle_);
    box->setTextFormat(Qt::PlainText);
    box->setText(confirmTitle_);
    box->setIcon(QMessageBox::NoIcon);
    QPushButton* confirm = box->addButton(confirmTitle_, QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, confirm] {
        if (box->clickedButton() == confirm && guarded_)
            guarded_();
    });
    confirmation_ = box;
    box->open();
}

void HoldButton::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier;
    if (event->key() == Qt::Key_Space && plain) {
        if (!event->isAutoRepeat())
            openConfirmation();
        event->accept();
        return;
    }
    OLAbstractButton::keyPressEvent(event);
}

void HoldButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    OLAbstractButton::keyReleaseEvent(event);
}

void HoldButton::mousePressEvent(QMouseEvent* event) {
    notePointerPress();
    if (event->button() != Qt::LeftButton || !acceptsClicks()) {
        event->ignore();
        return;
    }
    event->accept();
    holding_ = true;
    pressOrigin_ = event->position();
    band_->animateTo(1, OLMotion::holdFill);
    holdTimer_->start();
}

void HoldButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (holding_ && QLineF(pressOrigin_, event->position()).length() > maxMovement)
        cancelHold();
}

void HoldButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        cancelHold();
}

void HoldButton::hideEvent(QHideEvent* event) {
    cancelHold();
    OLAbstractButton::hideEvent(event);
}

void HoldButton::changeEvent(QEvent* event) {
    // A hold ends with the button usable and in the active window: a release that never arrives must not
    // run the action later.
    if ((event->type() == QEvent::EnabledChange && !isEnabled()) ||
        (event->type() == QEvent::ActivationChange && !isActiveWindow()))
        cancelHold();
    OLAbstractButton::changeEvent(event);
}

void HoldButton::cancelHold() {
    if (!holding_)
        return;
    holding_ = false;
    holdTimer_->stop();
    band_->animateTo(0, OLMotion::holdRelease);
}

void HoldButton::completeHold() {
    if (!holding_)
        return;
    holding_ = false;
    band_->setValue(0);
    if (acceptsClicks() && guarded_)
        guarded_();
}

void HoldButton::paintEvent(QPaintEvent*) {
    const OLTheme theme = olTheme(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    const QRectF bounds(rect());
    const double corner = radius(theme);
    const QPainterPath shape = continuousRect(bounds, corner);
    painter.fillPath(shape, OLColor::buttonPrimary.qcolor());
    const double progress = band_->value();
    if (progress > 0) {
        painter.save();
        painter.setClipPath(shape);
        painter.fillRect(QRectF(0, 0, bounds.width() * progress, bounds.height()),
                         OLColor::textOnFill.opacity(0.2).qcolor());
        painter.restore();
    }
    const QFont font = olFont(OLLiteralFont::buttonTitle);
    const QFontMetricsF metrics(font, this);
    const QString shown =
        metrics.elidedText(text(), Qt::ElideRight, std::max(0.0, bounds.width() - 2 * buttonPadding));
    painter.setFont(font);
    painter.setPen(OLColor::textOnFill.qcolor());
    const double x = (bounds.width() - metrics.horizontalAdvance(shown)) / 2;
    painter.drawText(QPointF(x, (bounds.height() - metrics.height()) / 2 + metrics.ascent()), shown);
    if (showsFocusRing()) {
        painter.setOpacity(1);
        drawFocusRing(painter, bounds, corner);
    }
}

} // namespace keldra
