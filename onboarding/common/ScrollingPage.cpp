#include "onboarding/common/ScrollingPage.h"

#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace keldra {

ScrollingPage::ScrollingPage(PageFrame frame, QWidget* parent)
    : OLWidget(parent), frame_(frame), scroll_(new QScrollArea(this)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);

    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);

    auto* canvas = new QWidget;
    canvas->setAutoFillBackground(false);
    auto* centring = new QHBoxLayout(canvas);
    centring->setContentsMargins(0, static_cast<int>(frame_.topPadding), 0,
                                 static_cast<int>(frame_.bottomPadding));
    auto* holder = new QWidget(canvas);
    holder->setFixedWidth(static_cast<int>(frame_.columnWidth));
    column_ = new QVBoxLayout(holder);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    centring->addStretch(1);
    centring->addWidget(holder, 0, Qt::AlignTop);
    centring->addStretch(1);
    scroll_->setWidget(canvas);
    // setWidget turns the canvas opaque; the backdrop behind it must show through.
    canvas->setAutoFillBackground(false);
}

bool ScrollingPage::showsGradient() const {
    return isGlass(theme());
}

void ScrollingPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), OLColor::background.qcolor());
    if (!showsGradient()) {
        return;
    }
    QLinearGradient band(0, 0, 0, frame_.gradientHeight);
    band.setColorAt(0, OLColor::gradientTop.opacity(frame_.gradientOpacity).qcolor());
    band.setColorAt(1, OLColor::background.qcolor());
    painter.fillRect(QRectF(0, 0, width(), frame_.gradientHeight), band);
}

} // namespace keldra
