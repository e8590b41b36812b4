#include "screens/shell/MainShell.h"

#include "app/model/AppModelView.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/root/ScreenHost.h"
#include "screens/shell/ReadingOrder.h"
#include "screens/shell/SectionScreens.h"

#include <QBoxLayout>

namespace keldra {

MainShell::MainShell(AppModelView& app, QWidget* parent) : QWidget(parent), app_(app) {
    const bool glass = isGlass(olTheme(this));
    auto* layout = new QBoxLayout(glass ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    navigation_ = glass ? makeGlassSidebar(app_, this) : makeSignalTopBar(app_, this);
    pages_ = new ScreenHost(this);
    layout->addWidget(navigation_);
    layout->addWidget(pages_, 1);
    pages_->replace(makeSectionScreen(app_.section(), app_, pages_));
    connect(&app_, &AppModelView::sectionChanged, this, [this] { sectionTurn_.schedule(); });
}

bool MainShell::focusNextPrevChild(bool next) {
    return moveFocusInReadingOrder(this, next) || QWidget::focusNextPrevChild(next);
}

QWidget* MainShell::page() const {
    return pages_->screen();
}

void MainShell::showSection() {
    pages_->replace(makeSectionScreen(app_.section(), app_, pages_));
}

} // namespace keldra
