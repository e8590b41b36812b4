#include "screens/chrome/SignalTopBar.h"

#include "app/model/AppModelView.h"
#include "design/brand/KeldraWordmark.h"
#include "design/button/OLButton.h"
#include "design/controls/OLSearchField.h"
#include "design/status/StatusChip.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "design/update/Refresh.h"
#include "screens/chrome/Navigation.h"
#include "screens/chrome/PlainButton.h"
#include "screens/presentation/ActionPresentation.h"
#include "screens/presentation/ChipPresentation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/shell/SectionNames.h"

#include <QHBoxLayout>
#include <QPainter>

namespace keldra {

namespace {

constexpr int searchMinWidth = 200;
constexpr int searchMaxWidth = 320;
constexpr int spacing = 16;

// A page tab: the upper-cased title in the eyebrow style, the whole bar's height its hit area, an accent
// line along the bar's lower border under the current page.
class SectionTab : public PlainButton {
public:
    SectionTab(AppModelView& app, AppSection section, QWidget* parent)
        : PlainButton(parent), app_(app), section_(section) {
        setText(sectionTitle(section).toUpper());
        setAction([this] { goToSection(app_, section_); });
        connect(&app_, &AppModelView::sectionChanged, this, [this] {
            setAccessibleDescription(selected() ? QStringLiteral("selected") : QString());
            update();
        });
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(olFont(OLTextStyle::eyebrow));
        return {static_cast<int>(std::ceil(metrics.horizontalAdvance(text()) +
                                           OLTextStyle::eyebrow.tracking() * text().size())),
                static_cast<int>(OLSize::topBarHeight)};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(olFont(OLTextStyle::eyebrow));
        painter.setPen((selected() ? OLColor::textPrimary : OLColor::textMuted).qcolor());
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (selected()) {
            painter.fillRect(QRect(0, height() - 2, width(), 2), accentColor(olTheme(this)).qcolor());
        }
    }

private:
    bool selected() const { return app_.section() == section_; }

    AppModelView& app_;
    AppSection section_;
};

} // namespace

SignalTopBar::SignalTopBar(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app),
      // The submit may select Restore and so delete this bar: the field is emptied before anything is
      // written.
      search_(new OLSearchField(
          QStringLiteral("Jump to a backed-up file…"), {}, {},
          [this] { submitRestoreSearch(app_, *search_); }, this)),
      chip_(new StatusChip({}, StatusTone::secure, true, false, this)),
      primary_(new OLButton({}, OLButtonKind::primary, this)) {
    setFixedHeight(static_cast<int>(OLSize::topBarHeight));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 18, 0);
    layout->setSpacing(spacing);
    // Clear of the window's title-bar buttons.
    layout->addSpacing(62);
    layout->addWidget(new KeldraWordmark(true, this), 0, Qt::AlignVCenter);
    auto* tabs = new QHBoxLayout;
    tabs->setSpacing(18);
    for (AppSection section : allSections) {
        auto* tab = new SectionTab(app_, section, this);
        tabs->addWidget(tab);
        tabs_.push_back(tab);
    }
    layout->addLayout(tabs);
    search_->setMinimumWidth(searchMinWidth);
    search_->setMaximumWidth(searchMaxWidth);
    search_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(search_, 1, Qt::AlignVCenter);
    layout->addStretch(0);
    layout->addWidget(chip_, 0, Qt::AlignVCenter);
    layout->addWidget(primary_, 0, Qt::AlignVCenter);

    primary_->setAction([this] {
        if (const auto action = app_.primaryAction()) {
            app_.perform(*action);
        }
    });
    connectEach(&app_,
                {&AppModelView::statusChanged, &AppModelView::isRunningChanged,
                 &AppModelView::progressChanged, &AppModelView::lastSuccessChanged},
                this, &SignalTopBar::refreshStatus);
    refreshStatus();
}

void SignalTopBar::refreshStatus() {
    const BackupHealth health = app_.health();
    chip_->setLabel(qtext(chipText(health, app_.isRunning(), app_.progress(), app_.lastSuccess())));
    chip_->setTone(chipTone(health));
    const auto action = app_.primaryAction();
    if (action) {
        primary_->setTitle(qtext(primaryActionTitle(*action)));
    }
    primary_->setVisible(action.has_value());
    fitSearch();
}

void SignalTopBar::fitSearch() {
    // What the other items take; the search box shows only when at least its minimum width is left.
    auto* box = static_cast<QHBoxLayout*>(layout());
    int taken = box->contentsMargins().left() + box->contentsMargins().right();
    int items = 0;
    for (int i = 0; i < box->count(); ++i) {
        auto* item = box->itemAt(i);
        if (item->widget() == search_ || (item->widget() && item->widget()->isHidden())) {
            continue;
        }
        taken += item->spacerItem() ? item->sizeHint().width() : item->minimumSize().width();
        ++items;
    }
    taken += spacing * items;
    const bool fits = width() - taken >= searchMinWidth;
    if (fits == search_->isHidden()) {
        search_->setVisible(fits);
    }
}

void SignalTopBar::resizeEvent(QResizeEvent* event) {
    OLWidget::resizeEvent(event);
    fitSearch();
}

void SignalTopBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), OLColor::chrome.qcolor());
    painter.fillRect(QRect(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
}

} // namespace keldra
