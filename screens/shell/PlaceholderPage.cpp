#include "screens/shell/PlaceholderPage.h"

#include "screens/shell/BannerSlot.h"
#include "screens/shell/PageHeader.h"

#include <QVBoxLayout>

namespace keldra {

PlaceholderPage::PlaceholderPage(AppModelView& app, const QString& title, bool withBanner, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (withBanner) {
        auto* banner = new BannerSlot(app, this);
        banner->setContentsMargins(32, 24, 32, 0);
        layout->addWidget(banner);
    }
    layout->addWidget(new PageHeader(title, nullptr, this));
    layout->addStretch(1);
}

} // namespace keldra
