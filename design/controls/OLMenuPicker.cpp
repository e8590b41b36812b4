#include "design/controls/OLMenuPicker.h"

#include "design/focus/FocusRing.h"
#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace keldra {

namespace {

constexpr double sidePadding = 12;
constexpr double chevronSize = 12;
constexpr double spacing = 10;

OLTextStyle labelStyle(bool mono) {
    return mono ? OLTextStyle::mono : OLLiteralFont::field;
}

} // namespace

OLMenuPicker::OLMenuPicker(QStringList labels, bool mono, QWidget* parent)
    : OLWidget(parent), labels_(std::move(labels)), mono_(mono), menu_(new QMenu(this)) {
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int i = 0; i < labels_.size(); ++i) {
        // Labels are data: an ampersand is shown, never taken as a mnemonic.
        QString title = labels_[i];
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = menu_->addAction(title);
        connect(action, &QAction::triggered, this, [this, i] { emit picked(i); });
    }
}

void OLMenuPicker::setCurrentIndex(int index) {
    current_ = index >= 0 && index < labels_.size() ? index : -1;
    updateGeometry();
    update();
    olAccessibleUpdate(this);
}

QString OLMenuPicker::shownLabel() const {
    return current_ >= 0 ? labels_[current_] : QStringLiteral("\u2014");
}

void OLMenuPicker::openMenu() {
    menu_->popup(mapToGlobal(QPoint(0, height())));
}

QSize OLMenuPicker::sizeHint() const {
    const double text = QFontMetricsF(olFont(labelStyle(mono_))).horizontalAdvance(shownLabel());
    return {static_cast<int>(std::ceil(sidePadding + text + spacing + chevronSize + sidePadding)),
            static_cast<int>(OLSize::controlHeight)};
}

OLAccessibleDescription OLMenuPicker::accessibleDescription() const {
    return {QAccessible::ComboBox, accessibleName(), shownLabel()};
}

void OLMenuPicker::mousePressEvent(QMouseEvent* event) {
    OLWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        openMenu();
}

void OLMenuPicker::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        openMenu();
        return;
    default:
        OLWidget::keyPressEvent(event);
    }
}

void OLMenuPicker::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = rect();
    fillContinuousRect(p, frame, radiusSmall(theme), OLColor::background.opacity(0.6).qcolor());
    strokeInside(p, frame, radiusSmall(theme), OLColor::border.qcolor(), 1);
    if (showsFocusRing())
        drawFocusRing(p, frame, radiusSmall(theme));

    const auto style = labelStyle(mono_);
    p.setFont(olFont(style));
    p.setPen(OLColor::textPrimary.qcolor());
    const QRectF text(sidePadding, 0, frame.width() - 2 * sidePadding - spacing - chevronSize,
                      frame.height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, shownLabel());
    const QRectF chevron(text.right() + spacing, (frame.height() - chevronSize) / 2, chevronSize,
                         chevronSize);
    olDrawIcon(p, chevron, QStringLiteral("icon-chevron-down"), OLColor::textMuted.qcolor());
}

double OLMenuPicker::firstBaseline() const {
    const QFontMetricsF metrics(olFont(labelStyle(mono_)));
    return centredBaseline(OLSize::controlHeight, metrics.ascent(), metrics.descent());
}

} // namespace keldra
