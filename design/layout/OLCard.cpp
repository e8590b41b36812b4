#include "design/layout/OLCard.h"

#include "design/shape/ContinuousRect.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace keldra {

OLCard::OLCard(double padding, bool hero, QWidget* content, QWidget* parent)
    : OLWidget(parent), padding_(padding), hero_(hero), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(content_, 0, Qt::AlignLeft | Qt::AlignTop);
    // The content fills the card's width when it wants to, else sits at the leading edge.
    if (content_->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag)
        layout->setAlignment(content_, Qt::AlignTop);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    OLCard::applyTheme(theme());
}

void OLCard::applyTheme(const OLTheme& theme) {
    if (isGlass(theme)) {
        const int margin = static_cast<int>(std::round(padding_));
        layout()->setContentsMargins(margin, margin, margin, margin);
    } else {
        const int margin = static_cast<int>(std::round(padding_ * 0.6));
        layout()->setContentsMargins(0, margin, 0, margin);
    }
    update();
}

void OLCard::paintEvent(QPaintEvent*) {
    const auto theme = olTheme(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = rect();
    if (!isGlass(theme)) {
        p.fillRect(QRectF(0, 0, frame.width(), 1), OLColor::border.qcolor());
        return;
    }
    const double r = radiusLarge(theme);
    if (hero_) {
        QLinearGradient gradient(frame.topLeft(), frame.bottomLeft());
        gradient.setColorAt(0, OLColor::surfaceHero.qcolor());
        gradient.setColorAt(1, OLColor::gradientTop.qcolor());
        p.fillPath(continuousRect(frame, r), gradient);
    } else {
        fillContinuousRect(p, frame, r, OLColor::surface.qcolor());
    }
    strokeInside(p, frame, r, OLColor::hairline.qcolor(), 1);
}

} // namespace keldra
