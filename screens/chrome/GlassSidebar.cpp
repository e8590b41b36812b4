#include "screens/chrome/GlassSidebar.h"

#include "app/model/AppModelView.h"
#include "design/brand/KeldraWordmark.h"
#include "design/layout/SectionLabel.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "screens/chrome/AccountCard.h"
#include "screens/chrome/SidebarItem.h"
#include "screens/chrome/SidebarSourceRow.h"

#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

GlassSidebar::GlassSidebar(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app), sources_(new QVBoxLayout), account_(new AccountCard(app, this)) {
    setFixedWidth(static_cast<int>(OLSize::sidebarWidth));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 16);
    layout->setSpacing(0);
    // Clear of the window's title-bar buttons.
    layout->addSpacing(static_cast<int>(OLSize::controlHeightXLarge));
    auto* wordmark = new KeldraWordmark(false, this);
    auto* wordmarkBox = new QVBoxLayout;
    wordmarkBox->setContentsMargins(10, 0, 10, 22);
    wordmarkBox->addWidget(wordmark, 0, Qt::AlignLeft);
    layout->addLayout(wordmarkBox);

    auto* items = new QVBoxLayout;
    items->setSpacing(4);
    for (AppSection section : allSections) {
        auto* item = new SidebarItem(app_, section, this);
        items->addWidget(item);
        items_.push_back(item);
    }
    layout->addLayout(items);

    sources_->setContentsMargins(0, 0, 0, 0);
    sources_->setSpacing(2);
    layout->addLayout(sources_);
    layout->addStretch(1);
    layout->addSpacing(16);
    layout->addWidget(account_);

    connect(&app_, &AppModelView::sourcesChanged, this, &GlassSidebar::rebuildSources);
    rebuildSources();
}

void GlassSidebar::rebuildSources() {
    while (auto* entry = sources_->takeAt(0)) {
        if (auto* widget = entry->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete entry;
    }
    heading_ = nullptr;
    sourceRows_.clear();
    const auto& sources = app_.sources();
    if (sources.empty()) {
        return;
    }
    auto* heading = new QWidget(this);
    auto* headingLayout = new QVBoxLayout(heading);
    headingLayout->setContentsMargins(10, 26, 10, 8);
    headingLayout->addWidget(new SectionLabel(QStringLiteral("Backup sets"), heading));
    sources_->addWidget(heading);
    heading_ = heading;
    for (std::size_t i = 0; i < sources.size() && i < maxSourceRows; ++i) {
        auto* row = new SidebarSourceRow(app_, sources[i], this);
        sources_->addWidget(row);
        sourceRows_.push_back(row);
    }
}

void GlassSidebar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), OLColor::chrome.qcolor());
    painter.fillRect(QRect(width() - 1, 0, 1, height()), OLColor::hairline.qcolor());
}

} // namespace keldra
