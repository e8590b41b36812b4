#include "screens/overview/SignalOverview.h"

#include "app/model/AppModelView.h"
#include "core/events/Formatters.h"
#include "design/button/HoldButton.h"
#include "design/button/OLButton.h"
#include "design/data/DataList.h"
#include "design/data/RunLogList.h"
#include "design/data/StatusHeadline.h"
#include "design/data/ThroughputChart.h"
#include "design/health/HealthPresentation.h"
#include "design/layout/OLRule.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/update/Refresh.h"
#include "screens/chrome/Navigation.h"
#include "screens/chrome/PlainButton.h"
#include "screens/presentation/ActionPresentation.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/SourcePresentation.h"
#include "screens/run/RunPanelText.h"
#include "screens/shell/BannerSlot.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace keldra {

namespace {

HealthPresentation presentationOf(const AppModelView& app) {
    return HealthPresentation{app.health(), OLTheme{app.style(), app.accent(), 999}};
}

// A column in its own vertical scroll area. Its scroll bar is a short rounded thumb held off the column's
// edges, so it never reads as one of the hairlines between the columns.
class Column : public QScrollArea {
public:
    Column(int padding, int spacing, QWidget* parent) : QScrollArea(parent) {
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setStyleSheet(
            QStringLiteral("QScrollBar:vertical { width: 10px; margin: 12px 2px 12px 4px; }"
                           "QScrollBar::handle:vertical { border-radius: 3px; min-height: 32px; }"));
        viewport()->setAutoFillBackground(false);
        auto* content = new QWidget;
        layout_ = new QVBoxLayout(content);
        layout_->setContentsMargins(padding, padding, padding, padding);
        layout_->setSpacing(spacing);
        setWidget(content);
        // The scroll area fills its content with the window colour; the page's own background shows.
        content->setAutoFillBackground(false);
    }
    QVBoxLayout* stack() const { return layout_; }

private:
    QVBoxLayout* layout_;
};

// The hairline between two columns: a widget of its own, so no column's content paints over it.
class ColumnRule final : public QWidget {
public:
    explicit ColumnRule(QWidget* parent) : QWidget(parent) { setFixedWidth(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), OLColor::hairline.qcolor()); }
};

// The upload card's rounded surface.
class Card : public OLWidget {
public:
    explicit Card(QWidget* parent) : OLWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(continuousRect(QRectF(rect()), radiusLarge(theme())), OLColor::surface.qcolor());
    }
};

// A 44 px line with a 26 px state word, a name and figures, ruled below.
class TerseLine : public QWidget {
public:
    TerseLine(OLText* state, const QString& name, const QString& figures, const OLRgba& figuresColor,
              QWidget* parent)
        : QWidget(parent) {
        setFixedHeight(44);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        state->setParent(this);
        state->setFixedWidth(26);
        // Each text at the middle of the line's height.
        row->addWidget(state, 0, Qt::AlignVCenter);
        auto* nameText = new OLText(name, OLTextStyle::mono, OLColor::textPrimary, this);
        nameText->setMaxLines(1);
        row->addWidget(nameText, 1, Qt::AlignVCenter);
        row->addSpacing(4);
        auto* figuresText = new OLText(figures, OLTextStyle::mono, figuresColor, this);
        figuresText->setMaxLines(1);
        row->addWidget(figuresText, 0, Qt::AlignVCenter);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
    }
};

// "BACKUP SETS" … "FILES · SIZE", then a border-coloured rule.
QWidget* header(const QString& title, const QString& right, int above, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, above, 0, 0);
    stack->setSpacing(12);
    auto* row = new QHBoxLayout;
    row->addWidget(new OLText(title, OLTextStyle::eyebrow, OLColor::textMuted, box));
    row->addStretch(1);
    row->addWidget(new OLText(right, OLTextStyle::eyebrow, OLColor::textMuted, box));
    stack->addLayout(row);
    stack->addWidget(new OLRule(box));
    return box;
}

PlainButton* link(const QString& title, const OLRgba& color, std::function<void()> action, QWidget* parent) {
    auto* button = new PlainButton(parent);
    button->setText(title);
    auto* row = new QHBoxLayout(button);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new OLText(title, OLTextStyle::eyebrow, color, button));
    row->addStretch(1);
    button->setAction(std::move(action));
    return button;
}

} // namespace

SignalOverview::SignalOverview(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app),
      headline_(new StatusHeadline(presentationOf(app), OLTextStyle::hero, qtext(app.statusSentence()), 296)),
      facts_(new DataList(runPanelRows(app, app.now()), 38)),
      speed_(new OLText({}, OLTextStyle::mono, OLColor::textMuted)),
      chart_(new ThroughputChart(app.throughput(), 300, true, 220)),
      path_(new OLText({}, OLTextStyle::mono, OLColor::textMuted)), log_(new RunLogList(app.log(), 14)),
      lists_(new QVBoxLayout) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* left = new Column(24, 28, this);
    left->setFixedWidth(359);
    left_ = left->stack();
    left_->addWidget(headline_);
    left_->addWidget(facts_);
    left_->addStretch(1);

    auto* middle = new Column(32, 28, this);
    auto* mid = middle->stack();
    mid->addWidget(new BannerSlot(app_, middle->widget()));
    auto* card = new Card(middle->widget());
    auto* cardStack = new QVBoxLayout(card);
    cardStack->setContentsMargins(18, 18, 18, 18);
    cardStack->setSpacing(14);
    auto* cardHeader = new QHBoxLayout;
    cardHeader->addWidget(
        new OLText(QStringLiteral("UPLOAD · LAST 5 MIN"), OLTextStyle::eyebrow, OLColor::textMuted, card));
    cardHeader->addStretch(1);
    // The speed is one figure and never breaks; on a narrow column the title takes two lines instead.
    speed_->setMaxLines(1);
    speed_->setElideMode(Qt::ElideNone);
    cardHeader->addWidget(speed_, 0, Qt::AlignTop);
    cardStack->addLayout(cardHeader);
    cardStack->addWidget(chart_);
    path_->setMaxLines(1);
    path_->setElideMode(Qt::ElideMiddle);
    cardStack->addWidget(path_);
    mid->addWidget(card);
    auto* logBox = new QVBoxLayout;
    logBox->setSpacing(10);
    logBox->addWidget(
        new OLText(QStringLiteral("RUN LOG"), OLTextStyle::eyebrow, OLColor::textMuted, middle->widget()));
    logBox->addWidget(log_);
    mid->addLayout(logBox);
    mid->addStretch(1);

    auto* right = new Column(24, 0, this);
    right->setFixedWidth(299);
    auto* rightStack = right->stack();
    lists_->setContentsMargins(0, 0, 0, 0);
    lists_->setSpacing(0);
    rightStack->addLayout(lists_);
    rightStack->addSpacing(18);
    manage_ = link(
        QStringLiteral("MANAGE BACKUP SETS →"), accentColor(theme()),
        [this] { goToSection(app_, AppSection::backups); }, right->widget());
    rightStack->addWidget(manage_);
    rightStack->addSpacing(12);
    restore_ = link(
        QStringLiteral("RESTORE FILES →"), accentColor(theme()),
        [this] { goToSection(app_, AppSection::restore); }, right->widget());
    rightStack->addWidget(restore_);
    rightStack->addStretch(1);

    row->addWidget(left);
    row->addWidget(new ColumnRule(this));
    row->addWidget(middle, 1);
    row->addWidget(new ColumnRule(this));
    row->addWidget(right);

    connect(&app_, &AppModelView::statusChanged, this, &SignalOverview::refreshStatus);
    connectEach(&app_,
                {&AppModelView::progressChanged, &AppModelView::isRunningChanged,
                 &AppModelView::lastSuccessChanged, &AppModelView::indexFiguresChanged,
                 &AppModelView::keldraStatusChanged, &AppModelView::unattendedChanged,
                 &AppModelView::settingsChanged, &AppModelView::lastRunChanged,
                 &AppModelView::pausedByUserChanged},
                this, &SignalOverview::refreshFacts);
    connectEach(
        &app_,
        {&AppModelView::currentSpeedChanged, &AppModelView::isRunningChanged, &AppModelView::progressChanged},
        this, &SignalOverview::refreshSpeed);
    connect(&app_, &AppModelView::throughputChanged, this, [this] { chart_->setSamples(app_.throughput()); });
    connect(&app_, &AppModelView::logChanged, this, [this] { log_->setLines(app_.log()); });
    connectEach(&app_,
                {&AppModelView::sourcesChanged, &AppModelView::destinationsChanged,
                 &AppModelView::driveStatesChanged, &AppModelView::indexFiguresChanged,
                 &AppModelView::unavailableSourcesChanged},
                this, &SignalOverview::rebuildLists);
    refreshAction();
    refreshSpeed();
    rebuildLists();
}

void SignalOverview::refreshStatus() {
    headline_->setPresentation(presentationOf(app_));
    headline_->setSentence(qtext(app_.statusSentence()));
    refreshFacts();
    refreshAction();
}

void SignalOverview::refreshFacts() {
    facts_->setRows(runPanelRows(app_, app_.now()));
}

void SignalOverview::refreshAction() {
    const auto action = app_.primaryAction();
    // Rebuilt only when the action changes, so a hold in progress is never cut short by a refresh.
    const QString wanted = action ? qtext(primaryActionTitle(*action)) : QString();
    if (action_ && action_->property("action").toString() == wanted) {
        return;
    }
    if (action_) {
        left_->removeWidget(action_);
        action_->hide();
        action_->deleteLater();
        action_ = nullptr;
    }
    if (!action) {
        return;
    }
    if (*action == PrimaryAction::pause) {
        action_ = new HoldButton(QStringLiteral("Hold to pause"), QStringLiteral("Pause backup"),
                                 [this] { app_.perform(PrimaryAction::pause); });
    } else {
        auto* button = new OLButton(wanted, OLButtonKind::primary);
        button->setFullWidth(true);
        button->setAction([this, performed = *action] { app_.perform(performed); });
        action_ = button;
    }
    action_->setProperty("action", wanted);
    // After the facts, before the closing stretch.
    left_->insertWidget(2, action_);
}

void SignalOverview::refreshSpeed() {
    if (app_.isRunning()) {
        const ThroughputText speed = formatThroughput(app_.currentSpeed());
        speed_->setText(qtext(speed.number) + QStringLiteral(" ↑ ") + qtext(speed.unit));
        speed_->setColor(accentColor(theme()));
    } else {
        speed_->setText(QStringLiteral("— ↑"));
        speed_->setColor(OLColor::textMuted);
    }
    const auto& current = app_.progress().currentPath;
    path_->setVisible(app_.isRunning() && current.has_value());
    path_->setText(current ? shownName(*current) : QString());
}

void SignalOverview::rebuildLists() {
    while (auto* entry = lists_->takeAt(0)) {
        if (auto* widget = entry->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete entry;
    }
    sourceStates_.clear();
    QWidget* host = lists_->parentWidget();
    lists_->addWidget(header(QStringLiteral("BACKUP SETS"), QStringLiteral("FILES · SIZE"), 0, host));
    for (const auto& source : app_.sources()) {
        const bool off = app_.unavailableSources().contains(source.id);
        auto* state = new OLText(off ? QStringLiteral("OFF") : QStringLiteral("ON"), OLTextStyle::mono,
                                 off ? OLColor::toneWarning : accentColor(theme()));
        const SourceStats stats = app_.sourceStats(source.id);
        lists_->addWidget(
            new TerseLine(state, shownName(sourceName(source)),
                          countText(stats.count) + QStringLiteral(" · ") + byteText(stats.bytes),
                          OLColor::textSecondary, host));
        sourceStates_.push_back(state);
    }
    if (app_.destinations().empty()) {
        return;
    }
    lists_->addWidget(header(QStringLiteral("DRIVES"), QStringLiteral("LAST COPY"), 22, host));
    const auto now = app_.now();
    for (const auto& destination : app_.destinations()) {
        const auto found = app_.driveStates().find(destination.id);
        const DriveState drive = found != app_.driveStates().end() ? found->second : DriveState{};
        auto* state =
            new OLText(drive.connected ? QStringLiteral("ON") : QStringLiteral("OFF"), OLTextStyle::mono,
                       drive.connected ? accentColor(theme()) : OLColor::textMuted);
        const QString when =
            drive.lastSuccess ? qtext(formatLogTimestamp(*drive.lastSuccess, now)) : QStringLiteral("—");
        lists_->addWidget(new TerseLine(state, shownName(destination.name), when,
                                        drive.problem ? OLColor::toneWarning : OLColor::textSecondary, host));
    }
}

} // namespace keldra
