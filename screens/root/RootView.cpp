#include "screens/root/RootView.h"

#include "app/model/AppModelView.h"
#include "design/theme/AppStyle.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/root/PhaseScreens.h"
#include "screens/root/ScreenHost.h"
#include "screens/shell/MainShell.h"
#include "screens/shell/ReadingOrder.h"

#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

OLTheme themeOf(const AppModelView& app) {
    return OLTheme{app.style(), app.accent(), 999};
}

} // namespace

RootView::RootView(AppModelView& app, QWidget* parent)
    : QWidget(parent), app_(app), host_(new ScreenHost(this)), shownPhase_(app.phase()),
      shownStyle_(app.style()) {
    setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(host_);
    olSetTheme(this, themeOf(app_));
    setPalette(olPalette(app_.accent()));
    host_->replace(makePhaseScreen(shownPhase_, app_, host_));
    updateMinimum();
    connectEach(&app_,
                {&AppModelView::phaseChanged, &AppModelView::styleChanged, &AppModelView::accentChanged},
                this, [this] { syncTurn_.schedule(); });
}

QSize RootView::minimumSizeHint() const {
    return QSize(minimumWidth, minimumHeight).expandedTo(layout()->minimumSize());
}

void RootView::updateMinimum() {
    // The window never becomes smaller than its content needs, nor than the floor.
    const QSize least = minimumSizeHint();
    if (minimumSize() != least) {
        setMinimumSize(least);
    }
}

bool RootView::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        const bool handled = QWidget::event(event);
        updateMinimum();
        return handled;
    }
    return QWidget::event(event);
}

QWidget* RootView::screen() const {
    return host_->screen();
}

void RootView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), OLColor::background.qcolor());
}

void RootView::sync() {
    const OLTheme theme = themeOf(app_);
    if (olTheme(this) != theme) {
        olSetTheme(this, theme);
        setPalette(olPalette(theme.accent));
    }
    const AppPhase phase = app_.phase();
    if (phase != shownPhase_) {
        // The curve of the style in force now.
        shownPhase_ = phase;
        shownStyle_ = theme.style;
        host_->replace(makePhaseScreen(phase, app_, host_), phaseAnimation(theme));
    } else if (theme.style != shownStyle_) {
        shownStyle_ = theme.style;
        // Only the shell lays out by style; the other screens redraw with the theme.
        if (phase == AppPhase::ready) {
            host_->replace(makePhaseScreen(phase, app_, host_));
        }
    }
}

bool RootView::focusNextPrevChild(bool next) {
    if (auto* shell = qobject_cast<MainShell*>(screen()); shell && moveFocusInReadingOrder(shell, next))
        return true;
    return QWidget::focusNextPrevChild(next);
}

} // namespace keldra
