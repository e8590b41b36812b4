#include "screens/overview/GlassOverview.h"

#include "app/model/AppModelView.h"
#include "core/events/Formatters.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/controls/OLSearchField.h"
#include "design/data/StatTile.h"
#include "design/health/HealthPresentation.h"
#include "design/layout/OLCard.h"
#include "design/motion/CrossFade.h"
#include "design/orb/KeldraOrb.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/update/Refresh.h"
#include "screens/chrome/Navigation.h"
#include "screens/chrome/PlainButton.h"
#include "screens/overview/OverviewTiles.h"
#include "screens/presentation/ActionPresentation.h"
#include "screens/presentation/RunPresentation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/StoragePresentation.h"
#include "screens/shell/BannerSlot.h"
#include "screens/shell/PageHeader.h"
#include "screens/sources/SourcesColumn.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace keldra {

namespace {

constexpr int mainMinWidth = 440;
constexpr int sourcesWidth = 380;
constexpr int columnSpacing = 24;
constexpr int pagePadding = 32;
// The orb's full diameter, the least it shrinks to on a short page, and how its widget grows with it (the
// room kept for its pulse).
constexpr double orbFull = 228;
constexpr double orbFloor = 112;
constexpr double orbBreathScale = 1.04;
// The hero card's padding under the buttons.
constexpr int heroBottomRoom = 28;

HealthPresentation presentationOf(const AppModelView& app) {
    // The model's own style and accent, whatever theme the page is drawn in.
    return HealthPresentation{app.health(), OLTheme{app.style(), app.accent(), 999}};
}

std::optional<double> orbProgress(const AppModelView& app) {
    return app.isRunning() ? std::optional(runFraction(app.progress())) : std::nullopt;
}

} // namespace

GlassOverview::GlassOverview(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app),
      search_(new OLSearchField(QStringLiteral("Search backed-up files"), {}, {},
                                // The submit selects Restore, which replaces this page: the box is
                                // emptied first.
                                [this] { submitRestoreSearch(app_, *search_); })) {
    search_->setFixedWidth(300);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(new PageHeader(QStringLiteral("Overview"), search_, this));

    scroll_ = new QScrollArea(this);
    auto* scroll = scroll_;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget;
    body->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(pagePadding, 0, pagePadding, pagePadding);

    main_ = new QWidget(body);
    auto* mainLayout = new QVBoxLayout(main_);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(16);
    mainLayout->addWidget(new BannerSlot(app_, main_));
    hero_ = buildHero();
    auto* heroCard = new OLCard(28, true, hero_, main_);
    mainLayout->addWidget(heroCard);
    tiles_ = new QHBoxLayout;
    tiles_->setSpacing(16);
    mainLayout->addLayout(tiles_);

    sources_ = new SourcesColumn(app_, body);
    columns_ = new QBoxLayout(QBoxLayout::LeftToRight);
    columns_->addWidget(main_, 1, Qt::AlignTop);
    columns_->addWidget(sources_, 0, Qt::AlignTop);
    bodyLayout->addLayout(columns_);
    bodyLayout->addStretch(1);
    scroll->setWidget(body);
    page->addWidget(scroll, 1);

    connectEach(&app_, {&AppModelView::statusChanged, &AppModelView::unattendedChanged}, this,
                &GlassOverview::refreshHero);
    connect(&app_, &AppModelView::isRunningChanged, this, &GlassOverview::rebuildTiles);
    connectEach(&app_, {&AppModelView::progressChanged, &AppModelView::isRunningChanged}, this,
                &GlassOverview::refreshRun);
    connect(&app_, &AppModelView::currentSpeedChanged, this, &GlassOverview::refreshSpeed);
    connectEach(&app_,
                {&AppModelView::keldraStatusChanged, &AppModelView::indexFiguresChanged,
                 &AppModelView::lastRunChanged, &AppModelView::lastSuccessChanged},
                this, &GlassOverview::rebuildTiles);
    restore_->installEventFilter(this);
    heroCard->installEventFilter(this);
    scroll_->viewport()->installEventFilter(this);
    refreshHero();
    refreshRun();
    rebuildTiles();
    arrange();
}

QWidget* GlassOverview::buildHero() {
    auto* hero = new QWidget;
    hero->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* stack = new QVBoxLayout(hero);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(18);

    orb_ = new KeldraOrb(presentationOf(app_), orbProgress(app_), orbFull, {}, [this] {
        // The action at the moment of the click; none, nothing.
        if (const auto action = app_.primaryAction()) {
            app_.perform(*action);
        }
    });
    stack->addSpacing(8);
    stack->addWidget(orb_, 0, Qt::AlignHCenter);

    auto* headline = new QVBoxLayout;
    headline->setSpacing(10);
    title_ = new OLText({}, OLTextStyle::display, OLColor::textPrimary);
    title_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    title_->setHeading(true);
    progressLine_ = new OLText({}, OLTextStyle::mono.withSize(14), OLColor::textSecondary);
    progressLine_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    sentence_ = new OLText({}, OLTextStyle::callout, OLColor::textSecondary);
    sentence_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    sentence_->setMaximumWidth(440);
    headline->addWidget(title_);
    headline->addWidget(progressLine_);
    headline->addWidget(sentence_, 0, Qt::AlignHCenter);
    stack->addLayout(headline);

    runBar_ = new OLProgressBar(0, OLColor::toneWarning, 4, QStringLiteral("Progress"));
    runBar_->setMaximumWidth(360);
    // Centred, and as wide as its maximum where the card allows: the bar takes the width first, the two
    // empty sides share what is left.
    auto* barRow = new QHBoxLayout;
    barRow->setContentsMargins(0, 0, 0, 0);
    barRow->addStretch(0);
    barRow->addWidget(runBar_, 1);
    barRow->addStretch(0);
    stack->addLayout(barRow);

    auto* chips = new QHBoxLayout;
    chips->setSpacing(8);
    chips->addStretch(1);
    chips->addWidget(new StatusChip(QStringLiteral("AES-256"), StatusTone::secure, false, true));
    chips->addWidget(new StatusChip(QStringLiteral("Zero-knowledge"), StatusTone::secure, false, true));
    keyChip_ = new StatusChip({}, StatusTone::info, false, true);
    chips->addWidget(keyChip_);
    chips->addStretch(1);
    stack->addLayout(chips);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->setContentsMargins(0, 0, 0, 4);
    buttons->addStretch(1);
    primary_ = new OLButton({}, OLButtonKind::primary);
    restore_ = new OLButton(QStringLiteral("Restore files"), OLButtonKind::secondary);
    restore_->setIconName(QStringLiteral("icon-restore"));
    restore_->setAction([this] { goToSection(app_, AppSection::restore); });
    buttons->addWidget(primary_);
    buttons->addWidget(restore_);
    buttons->addStretch(1);
    stack->addLayout(buttons);
    return hero;
}

void GlassOverview::refreshHero() {
    const HealthPresentation presentation = presentationOf(app_);
    if (shownHealth_ && *shownHealth_ != presentation.health) {
        // The hero's words and orb of the old health fade into the new ones along the style's curve.
        crossFadeFrom(hero_, phaseAnimation(theme()), true);
    }
    shownHealth_ = presentation.health;
    const auto action = app_.primaryAction();
    orb_->setPresentation(presentation);
    orb_->setAccessibilityAction(qtext(actionOrHealthTitle(action, presentation.health)));
    title_->setText(qtext(presentation.title()));
    progressLine_->setText(qtext(app_.progressLine()));
    const auto kind = presentation.health.kind();
    const bool quiet = kind == BackupHealth::Kind::protected_ || kind == BackupHealth::Kind::backingUp;
    sentence_->setVisible(!quiet);
    sentence_->setText(qtext(app_.statusSentence()));
    sentence_->setColor(kind == BackupHealth::Kind::atRisk || kind == BackupHealth::Kind::storageFull
                            ? OLColor::textError
                            : OLColor::textSecondary);
    keyChip_->setLabel(app_.unattended() ? QStringLiteral("Unattended")
                                         : QStringLiteral("Runs while unlocked"));
    keyChip_->setTone(app_.unattended() ? StatusTone::info : StatusTone::warning);
    primary_->setVisible(action.has_value());
    if (action) {
        primary_->setTitle(qtext(primaryActionTitle(*action)));
        primary_->setIconName(qtext(primaryActionGlassIcon(*action).value_or("")));
        // The action as it was when the row was drawn.
        primary_->setAction([this, performed = *action] { app_.perform(performed); });
    }
}

void GlassOverview::refreshRun() {
    const auto progress = orbProgress(app_);
    orb_->setProgress(progress);
    runBar_->setVisible(progress.has_value());
    runBar_->setFraction(progress.value_or(0));
    progressLine_->setText(qtext(app_.progressLine()));
}

void GlassOverview::rebuildTiles() {
    for (QWidget* old : {static_cast<QWidget*>(storage_), static_cast<QWidget*>(activity_),
                         lastButton_ ? static_cast<QWidget*>(lastButton_) : static_cast<QWidget*>(last_)}) {
        if (old) {
            tiles_->removeWidget(old);
            old->hide();
            old->deleteLater();
        }
    }
    lastButton_ = nullptr;

    const auto& status = app_.keldraStatus();
    if (const auto fraction = storageFraction(status)) {
        auto* bar = new OLProgressBar(*fraction, storageTint(status, theme()), 4, QStringLiteral("Progress"));
        bar->setContentsMargins(0, 2, 0, 0);
        storage_ = new StatTile(QStringLiteral("Keldra storage"), byteText(status->usedBytes.value),
                                QStringLiteral("of ") + byteText(status->quotaBytes.value), std::nullopt,
                                false, bar);
    } else {
        storage_ = new StatTile(QStringLiteral("Keldra storage"), QStringLiteral("—"), std::nullopt,
                                std::nullopt, false);
    }
    if (app_.isRunning()) {
        const ThroughputText speed = formatThroughput(app_.currentSpeed());
        activity_ = new StatTile(QStringLiteral("Upload"), qtext(speed.number), qtext(speed.unit),
                                 std::nullopt, false);
    } else {
        activity_ = new StatTile(QStringLiteral("Files protected"), countText(app_.backedUpFileCount()),
                                 byteText(app_.backedUpBytes()), std::nullopt, false);
    }
    const LastBackupTile last = keldra::lastBackupTile(app_);
    last_ = new StatTile(QStringLiteral("Last backup"), last.value, std::nullopt, last.tone, false);
    tiles_->addWidget(storage_, 1);
    tiles_->addWidget(activity_, 1);
    if (last.opensActivity) {
        lastButton_ = new PlainButton;
        lastButton_->setText(QStringLiteral("Last backup"));
        lastButton_->setAccessibleDescription(QStringLiteral("Opens Activity"));
        auto* holder = new QVBoxLayout(lastButton_);
        holder->setContentsMargins(0, 0, 0, 0);
        holder->addWidget(last_);
        lastButton_->setAction([this] { goToSection(app_, AppSection::activity); });
        tiles_->addWidget(lastButton_, 1);
    } else {
        tiles_->addWidget(last_, 1);
    }
}

void GlassOverview::refreshSpeed() {
    if (!app_.isRunning() || !activity_ || !activity_->unitText()) {
        return;
    }
    const ThroughputText speed = formatThroughput(app_.currentSpeed());
    activity_->setValue(qtext(speed.number));
    activity_->unitText()->setText(qtext(speed.unit));
}

int GlassOverview::wideWidth() const {
    // The main column's ideal width: the tiles side by side at their natural widths, the hero card's content.
    return std::max(mainMinWidth, main_->sizeHint().width()) + columnSpacing + sourcesWidth;
}

bool GlassOverview::isWide() const {
    return columns_->direction() == QBoxLayout::LeftToRight;
}

void GlassOverview::arrange() {
    const int inside = width() - 2 * pagePadding;
    const bool wide = inside >= wideWidth();
    columns_->setDirection(wide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    columns_->setSpacing(wide ? columnSpacing : 16);
    main_->setMinimumWidth(wide ? mainMinWidth : 0);
    if (wide) {
        sources_->setFixedWidth(sourcesWidth);
    } else {
        sources_->setMinimumWidth(0);
        sources_->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    columns_->setAlignment(sources_, wide ? Qt::AlignTop : Qt::Alignment());
    columns_->setAlignment(main_, wide ? Qt::AlignTop : Qt::Alignment());
}

void GlassOverview::resizeEvent(QResizeEvent* event) {
    OLWidget::resizeEvent(event);
    arrange();
}

void GlassOverview::showEvent(QShowEvent* event) {
    OLWidget::showEvent(event);
    fitTurn_.schedule();
}

bool GlassOverview::eventFilter(QObject* watched, QEvent* event) {
    // The buttons moved or the visible height changed: once the layout has settled, the orb fits again.
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        fitTurn_.schedule();
    }
    return OLWidget::eventFilter(watched, event);
}

void GlassOverview::fitOrb() {
    // The main buttons show without scrolling at every window size: on a short page the orb gives way,
    // down to a floor, and grows back to its full size where there is room. Each change moves the buttons,
    // which fits again until nothing is left to gain.
    if (!isVisible()) {
        return;
    }
    const int bottom = restore_->mapTo(scroll_->widget(), QPoint(0, restore_->height())).y() + heroBottomRoom;
    const int spare = scroll_->viewport()->height() - bottom;
    const double size = orb_->orbSize();
    if ((spare < 0 && size > orbFloor) || (spare > 1 && size < orbFull)) {
        orb_->setSize(std::floor(std::clamp(size + spare / orbBreathScale, orbFloor, orbFull)));
    }
}

} // namespace keldra
