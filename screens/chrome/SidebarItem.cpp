#include "screens/chrome/SidebarItem.h"

#include "app/model/AppModelView.h"
#include "design/icon/OLIcon.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/chrome/Navigation.h"
#include "screens/shell/SectionNames.h"

#include <QHBoxLayout>
#include <QPainter>

namespace keldra {

SidebarItem::SidebarItem(AppModelView& app, AppSection section, QWidget* parent)
    : PlainButton(parent), app_(app), section_(section),
      icon_(new OLIcon(sectionIconName(section), 16, this)),
      title_(
          new OLText(sectionTitle(section), OLTextStyle::body.withSize(13.5), OLColor::textSecondary, this)) {
    setText(sectionTitle(section));
    setFixedHeight(static_cast<int>(OLSize::controlHeight));
    title_->setMaxLines(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(12);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);
    layout->addWidget(title_, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    setAction([this] { goToSection(app_, section_); });
    connect(&app_, &AppModelView::sectionChanged, this, &SidebarItem::restyle);
    restyle();
}

bool SidebarItem::isSelected() const {
    return app_.section() == section_;
}

void SidebarItem::restyle() {
    const bool selected = isSelected();
    icon_->setColor(selected ? accentColor(olTheme(this)) : OLColor::textSecondary);
    title_->setStyle(OLTextStyle::body.withSize(13.5).withWeight(selected ? OLFontWeight::semibold
                                                                          : OLFontWeight::regular));
    title_->setColor(selected ? OLColor::textPrimary : OLColor::textSecondary);
    // Read out as "<title>, selected" for the page shown.
    setAccessibleDescription(selected ? QStringLiteral("selected") : QString());
    update();
}

bool SidebarItem::event(QEvent* event) {
    if (event->type() == OLThemeChangeEvent::eventType()) {
        restyle();
    }
    return PlainButton::event(event);
}

void SidebarItem::paintEvent(QPaintEvent*) {
    const bool selected = isSelected();
    if (!selected && !isHovered()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(continuousRect(QRectF(rect()), 8),
                     (selected ? OLColor::surface : OLColor::surface.opacity(0.5)).qcolor());
}

} // namespace keldra
