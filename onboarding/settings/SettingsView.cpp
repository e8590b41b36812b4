#include "onboarding/settings/SettingsView.h"

#include "design/controls/OLSegmented.h"
#include "design/theme/OLThemeValues.h"
#include "onboarding/settings/AccountSettings.h"
#include "onboarding/settings/AppearanceSettings.h"
#include "onboarding/settings/BackupSettingsPane.h"
#include "onboarding/settings/EncryptionSettings.h"
#include "onboarding/settings/GeneralSettings.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr int sidePadding = 32;
constexpr int bottomPadding = 32;
constexpr int paneSpacing = 20;

OptionList<SettingsTab> tabOptions() {
    OptionList<SettingsTab> options;
    for (SettingsTab tab : allSettingsTabs) {
        options.emplace_back(settingsTabTitle(tab), tab);
    }
    return options;
}

} // namespace

SettingsView::SettingsView(AppModelView& app, HeaderFactory makeHeader, QWidget* parent)
    : OLWidget(parent), app_(app), makeHeader_(std::move(makeHeader)), layout_(new QVBoxLayout(this)),
      scroll_(new QScrollArea(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);

    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setWidgetResizable(true);
    // Only a pane wider than the narrowest window (the style picker beside the glass sidebar) scrolls
    // sideways.
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* canvas = new QWidget;
    column_ = new QVBoxLayout(canvas);
    column_->setContentsMargins(sidePadding, 0, sidePadding, bottomPadding);
    column_->setSpacing(paneSpacing);
    column_->addStretch(1);
    scroll_->setWidget(canvas);
    // setWidget turns the canvas opaque; the page's background must show through.
    canvas->setAutoFillBackground(false);

    buildHeader();
    layout_->addWidget(scroll_, 1);
    setTab(tab_);
}

void SettingsView::buildHeader() {
    const bool mono = !isGlass(theme());
    if (header_ && mono == stripMono_) {
        return;
    }
    stripMono_ = mono;
    strip_ = new OLSegmentedOf<SettingsTab>(
        tabOptions(), tab_, [this](const SettingsTab& tab) { setTab(tab); }, mono, 34);
    QWidget* header = makeHeader_(QStringLiteral("Settings"), strip_);
    if (header_) {
        delete layout_->replaceWidget(header_, header);
        header_->deleteLater();
    } else {
        layout_->insertWidget(0, header);
    }
    header_ = header;
}

void SettingsView::themeChanged(const OLTheme& theme) {
    buildHeader();
    OLWidget::themeChanged(theme);
}

void SettingsView::setTab(SettingsTab tab) {
    const bool same = pane_ && tab == tab_;
    tab_ = tab;
    strip_->setValue(tab);
    if (same) {
        return;
    }
    if (pane_) {
        column_->removeWidget(pane_);
        pane_->hide();
        pane_->deleteLater();
    }
    pane_ = makePane(tab);
    column_->insertWidget(0, pane_);
}

QWidget* SettingsView::makePane(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::general:
        return new GeneralSettings(app_);
    case SettingsTab::backup:
        return new BackupSettingsPane(app_);
    case SettingsTab::encryption:
        return new EncryptionSettings(app_);
    case SettingsTab::appearance:
        return new AppearanceSettings(app_);
    case SettingsTab::account:
        return new AccountSettings(app_);
    }
    return new BackupSettingsPane(app_);
}

} // namespace keldra
