#include "screens/overview/OverviewView.h"

#include "design/theme/ThemeScope.h"
#include "screens/overview/GlassOverview.h"
#include "screens/overview/SignalOverview.h"

#include <QVBoxLayout>

namespace keldra {

OverviewView::OverviewView(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app), style_(theme().style) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    build(style_);
}

void OverviewView::build(OLStyle style) {
    style_ = style;
    if (content_) {
        layout()->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    content_ = style == OLStyle::glass ? static_cast<QWidget*>(new GlassOverview(app_, this))
                                       : static_cast<QWidget*>(new SignalOverview(app_, this));
    layout()->addWidget(content_);
}

void OverviewView::themeChanged(const OLTheme& theme) {
    OLWidget::themeChanged(theme);
    if (theme.style != style_) {
        // Not while the theme change is still being sent to the page that goes.
        QMetaObject::invokeMethod(
            this, [this] { build(olTheme(this).style); }, Qt::QueuedConnection);
    }
}

} // namespace keldra
