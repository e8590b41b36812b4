#include "screens/shell/SectionList.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "screens/shell/SectionNames.h"

#include <QBoxLayout>
#include <QPainter>

namespace keldra {

SectionList::SectionList(AppModelView& app, QWidget* parent) : OLWidget(parent), app_(app) {
    const bool glass = isGlass(theme());
    auto* layout = new QBoxLayout(glass ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    layout->setContentsMargins(16, glass ? 40 : 12, 16, 12);
    layout->setSpacing(glass ? 4 : 8);
    if (glass) {
        setFixedWidth(static_cast<int>(OLSize::sidebarWidth));
    } else {
        setFixedHeight(static_cast<int>(OLSize::topBarHeight));
    }
    for (AppSection section : allSections) {
        auto* button = new OLButton(sectionTitle(section), OLButtonKind::text, this);
        button->setAction([this, section] {
            if (app_.section() != section) {
                app_.setSection(section);
            }
        });
        layout->addWidget(button, 0, glass ? Qt::AlignLeft : Qt::AlignVCenter);
        buttons_.push_back(button);
    }
    layout->addStretch(1);
    connect(&app_, &AppModelView::sectionChanged, this, &SectionList::markCurrent);
    markCurrent();
}

void SectionList::markCurrent() {
    update();
}

QRect SectionList::currentMark() const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (allSections[i] != app_.section()) {
            continue;
        }
        const QRect button = buttons_[i]->geometry();
        // A bar in the accent colour at the sidebar's edge, or under the current name in the top bar.
        return isGlass(theme()) ? QRect(0, button.top(), 3, button.height())
                                : QRect(button.left(), height() - 3, button.width(), 3);
    }
    return {};
}

void SectionList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), OLColor::chrome.qcolor());
    // A hairline between the navigation and the page.
    painter.setPen(OLColor::hairline.qcolor());
    if (isGlass(theme())) {
        painter.drawLine(width() - 1, 0, width() - 1, height());
    } else {
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
    painter.fillRect(currentMark(), accentColor(theme()).qcolor());
}

} // namespace keldra
