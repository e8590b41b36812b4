#include "screens/activity/ActivityView.h"

#include "app/async/Workers.h"
#include "app/model/AppModelView.h"
#include "core/events/Formatters.h"
#include "core/settings/BackupSource.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/data/DataList.h"
#include "design/data/RunLogList.h"
#include "design/layout/OLCard.h"
#include "design/layout/SectionLabel.h"
#include "design/layout/WrapRow.h"
#include "design/shape/ContinuousRect.h"
#include "design/status/StatusChip.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/activity/FailureRow.h"
#include "screens/activity/RunRow.h"
#include "screens/activity/RunTexts.h"
#include "screens/common/TransparentScroll.h"
#include "screens/presentation/RunPresentation.h"
#include "screens/shell/BannerSlot.h"
#include "screens/shell/PageHeader.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>
#include <map>

namespace keldra {

namespace {

// The side column's width where the run list keeps room for every cell, else a narrower one; where even
// that leaves the list too little, the side column goes below the list.
constexpr int sideWidth = 420;
constexpr int narrowSideWidth = 300;
constexpr int bodySpacing = 24;
constexpr int logLimit = 40;

// The run list's frame: a rounded card in glass (content clipped to it), nothing in signal.
class RunListPanel final : public OLWidget {
public:
    explicit RunListPanel(QWidget* parent) : OLWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const OLTheme current = theme();
        if (!isGlass(current)) {
            clearMask();
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = continuousRect(QRectF(rect()), radiusLarge(current));
        painter.fillPath(shape, OLColor::surface.qcolor());
        painter.setPen(QPen(OLColor::hairline.qcolor(), 1));
        painter.drawPath(continuousRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radiusLarge(current)));
    }
};

} // namespace

ActivityView::ActivityView(AppModelView& app, QWidget* parent) : OLWidget(parent), app_(app) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    auto* action = new QWidget(this);
    auto* actionLayout = new QHBoxLayout(action);
    actionLayout->setContentsMargins(0, 0, 0, 0);
    pause_ = new OLButton(QStringLiteral("Pause"), OLButtonKind::secondary, action);
    pause_->setIconName(QStringLiteral("icon-pause"));
    backUp_ = new OLButton(QStringLiteral("Back up now"), OLButtonKind::primary, action);
    backUp_->setIconName(QStringLiteral("icon-upload"));
    actionLayout->addWidget(pause_);
    actionLayout->addWidget(backUp_);
    connect(pause_, &OLButton::clicked, this, [this] {
        // The model's pause cancels the run it has going.
        app_.setPaused(true);
    });
    connect(backUp_, &OLButton::clicked, this, [this] {
        if (app_.pausedByUser()) {
            app_.setPaused(false);
        }
        app_.runBackup("Manual", false, false, true, std::nullopt);
    });
    page->addWidget(new PageHeader(QStringLiteral("Activity"), action, this));

    body_ = new QBoxLayout(QBoxLayout::LeftToRight);
    body_->setContentsMargins(32, 0, 32, 32);
    body_->setSpacing(bodySpacing);
    page->addLayout(body_, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(16);
    left->addWidget(new BannerSlot(app_, this));
    auto* panel = new RunListPanel(this);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    panelLayout->addWidget(new RunColumnHeader(panel));
    emptyHolder_ = new QWidget(panel);
    auto* emptyLayout = new QVBoxLayout(emptyHolder_);
    emptyLayout->setContentsMargins(16, 16, 16, 16);
    empty_ =
        new OLText(QStringLiteral("No backups yet."), OLTextStyle::callout, OLColor::textMuted, emptyHolder_);
    emptyLayout->addWidget(empty_);
    panelLayout->addWidget(emptyHolder_);
    rowsHost_ = new QWidget(this);
    rowsLayout_ = new QVBoxLayout(rowsHost_);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    rowsLayout_->addStretch(1);
    rowsScroll_ = new TransparentScroll(rowsHost_, panel);
    panelLayout->addWidget(rowsScroll_, 1);
    panelLayout->addStretch(0);
    left->addWidget(panel, 1);
    body_->addLayout(left, 1);

    auto* side = new QWidget(this);
    sideLayout_ = new QVBoxLayout(side);
    sideLayout_->setContentsMargins(0, 0, 0, 0);
    sideLayout_->setSpacing(20);

    auto* liveContent = new QWidget(this);
    auto* liveLayout = new QVBoxLayout(liveContent);
    liveLayout->setContentsMargins(0, 0, 0, 0);
    liveLayout->setSpacing(12);
    auto* liveTop = new QHBoxLayout;
    liveTop->addWidget(new SectionLabel(QStringLiteral("Running now"), liveContent));
    liveTop->addStretch(1);
    percent_ = new OLText(QStringLiteral("0%"), OLTextStyle::mono, OLColor::toneWarning, liveContent);
    liveTop->addWidget(percent_);
    liveLayout->addLayout(liveTop);
    bar_ = new OLProgressBar(0, OLColor::toneWarning, 4, QStringLiteral("Progress"), liveContent);
    liveLayout->addWidget(bar_);
    liveLine_ = new OLText(QString(), OLTextStyle::mono, OLColor::textMuted, liveContent);
    liveLine_->setMaxLines(1);
    liveLine_->setElideMode(Qt::ElideMiddle);
    liveLayout->addWidget(liveLine_);
    liveContent->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    live_ = new OLCard(20, false, liveContent, side);
    sideLayout_->addWidget(live_);

    auto* logSection = new QWidget(side);
    auto* logLayout = new QVBoxLayout(logSection);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->setSpacing(10);
    logLayout->addWidget(new SectionLabel(QStringLiteral("Log \u00B7 this session"), logSection));
    log_ = new RunLogList(app_.log(), logLimit, logSection);
    logLayout->addWidget(log_);
    sideLayout_->addWidget(logSection);
    sideLayout_->addStretch(1);
    sideScroll_ = new TransparentScroll(side, this);
    sideScroll_->setFixedWidth(sideWidth);
    body_->addWidget(sideScroll_, 0);

    connect(&app_, &AppModelView::isRunningChanged, this, [this] {
        updateHeaderAction();
        updateLiveCard();
    });
    connect(&app_, &AppModelView::statusChanged, this, &ActivityView::updateHeaderAction);
    connect(&app_, &AppModelView::progressChanged, this, &ActivityView::updateLiveCard);
    connect(&app_, &AppModelView::logChanged, this, [this] { log_->setLines(app_.log()); });
    connect(&app_, &AppModelView::runsChanged, this, &ActivityView::onRunsChanged);

    updateHeaderAction();
    updateLiveCard();
    rebuildRows();
    // On appear: the newest run is selected, then the history is read again.
    firstID_ = app_.runs().empty() ? std::nullopt : std::optional<std::int64_t>(app_.runs().front().id);
    select(firstID_);
    detachTask(app_.refreshRuns());
}

int ActivityView::listMinimumWidth() const {
    // Every cell at full width: the widest start time or trigger, and the three fixed columns.
    int started = 0;
    for (const RunRow* row : rows_) {
        started = std::max(started, row->startedMinimumWidth());
    }
    const int cells = 2 * 16 + 3 * 12 + runResultWidth + runUploadedWidth + runTookWidth;
    return cells + started + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void ActivityView::arrange() {
    const QMargins margins = body_->contentsMargins();
    const int inside = width() - margins.left() - margins.right();
    const int list = listMinimumWidth();
    int side = 0;
    if (inside - bodySpacing - sideWidth >= list) {
        side = sideWidth;
    } else if (inside - bodySpacing - narrowSideWidth >= list) {
        side = narrowSideWidth;
    }
    if (side > 0) {
        body_->setDirection(QBoxLayout::LeftToRight);
        body_->setStretchFactor(sideScroll_, 0);
        sideScroll_->setFixedWidth(side);
    } else {
        // Below the list, as wide as the page; list and side column share the height.
        body_->setDirection(QBoxLayout::TopToBottom);
        body_->setStretchFactor(sideScroll_, 1);
        sideScroll_->setMinimumWidth(0);
        sideScroll_->setMaximumWidth(QWIDGETSIZE_MAX);
    }
}

bool ActivityView::isSideBelow() const {
    return body_->direction() == QBoxLayout::TopToBottom;
}

void ActivityView::resizeEvent(QResizeEvent* event) {
    OLWidget::resizeEvent(event);
    arrange();
}

QWidget* ActivityView::liveCard() const {
    return live_;
}

void ActivityView::updateHeaderAction() {
    const bool running = app_.isRunning();
    pause_->setVisible(running);
    backUp_->setVisible(!running && app_.canBackUpNow());
}

void ActivityView::updateLiveCard() {
    const bool running = app_.isRunning();
    live_->setVisible(running);
    if (!running) {
        return;
    }
    const RunProgress& progress = app_.progress();
    const double fraction = runFraction(progress);
    percent_->setText(QString::number(runPercent(progress)) + QStringLiteral("%"));
    bar_->setFraction(fraction);
    liveLine_->setText(progress.currentPath ? QString::fromStdString(*progress.currentPath)
                                            : runPhaseLabel(progress.phase));
}

void ActivityView::rebuildRows() {
    // Rows are kept by run id: a history of hundreds of runs where one run changed updates that one row
    // and leaves the others as they are.
    std::map<std::int64_t, RunRow*> kept;
    for (RunRow* row : rows_) {
        kept.emplace(row->run().id, row);
    }
    const std::vector<RunRecord>& runs = app_.runs();
    const SystemTime now = app_.now();
    std::vector<RunRow*> next;
    next.reserve(runs.size());
    int at = 0;
    for (const RunRecord& run : runs) {
        const std::int64_t id = run.id;
        RunRow* row = nullptr;
        if (const auto found = kept.find(id); found != kept.end()) {
            row = found->second;
            kept.erase(found);
            row->setRun(run, now);
            row->setSelected(selectedID_ == id);
        } else {
            row = new RunRow(
                run, selectedID_ == id, now, [this, id] { select(id); }, rowsHost_);
        }
        if (rowsLayout_->indexOf(row) != at) {
            rowsLayout_->removeWidget(row);
            rowsLayout_->insertWidget(at, row);
        }
        ++at;
        next.push_back(row);
    }
    for (const auto& [id, row] : kept) {
        rowsLayout_->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    rows_ = std::move(next);
    emptyHolder_->setVisible(runs.empty());
    rowsScroll_->setVisible(!runs.empty());
    arrange();
}

void ActivityView::onRunsChanged() {
    rebuildRows();
    const std::optional<std::int64_t> first =
        app_.runs().empty() ? std::nullopt : std::optional<std::int64_t>(app_.runs().front().id);
    if (first != firstID_) {
        firstID_ = first;
        // A run going on keeps the user's selection where it is; otherwise the newest run is shown.
        if (!(selectedID_ && app_.isRunning())) {
            select(first);
            return;
        }
    }
    rebuildDetail();
}

void ActivityView::select(std::optional<std::int64_t> runID) {
    selectedID_ = runID;
    failures_.clear();
    const std::uint64_t serial = ++loadSerial_;
    for (RunRow* row : rows_) {
        row->setSelected(row->run().id == runID);
    }
    rebuildDetail();
    if (runID) {
        detachTask(loadFailures(QPointer<ActivityView>(this), &app_, *runID, serial));
    }
}

QCoro::Task<> ActivityView::loadFailures(QPointer<ActivityView> view, AppModelView* app, std::int64_t runID,
                                         std::uint64_t serial) {
    auto loading = app->failures(runID);
    std::vector<RunFailure> loaded = co_await loading;
    // A newer selection owns the card now; this answer is dropped.
    if (!view || view->loadSerial_ != serial) {
        co_return;
    }
    view->failures_ = std::move(loaded);
    view->rebuildDetail();
}

void ActivityView::rebuildDetail() {
    if (detail_) {
        detail_->hide();
        detail_->deleteLater();
    }
    detail_ = nullptr;
    failuresLabel_ = nullptr;
    failureRows_ = 0;
    const std::vector<RunRecord>& runs = app_.runs();
    const auto found = std::find_if(runs.begin(), runs.end(), [&](const RunRecord& run) {
        return selectedID_ && run.id == *selectedID_;
    });
    if (found == runs.end()) {
        return;
    }
    const RunRecord& run = *found;

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    // The status goes under the start time where the card is too narrow for both on one line.
    auto* top = new WrapRow(12, 8, true, content);
    top->addWidget(new OLText(QString::fromStdString(formatLogTimestamp(run.startedAt, app_.now())),
                              OLTextStyle::headline, OLColor::textPrimary));
    top->addWidget(new StatusChip(runStatusTitle(run.status), runStatusTone(run.status), true, false));
    layout->addWidget(top);
    if (run.message) {
        layout->addWidget(new OLText(QString::fromStdString(*run.message), OLTextStyle::callout,
                                     OLColor::textSecondary, content));
    }
    layout->addWidget(new DataList(runDetailRows(run), 38, content));
    if (!failures_.empty()) {
        failuresLabel_ = new SectionLabel(failuresHeading(failures_.size()), content);
        layout->addSpacing(6);
        layout->addWidget(failuresLabel_);
        auto* list = new QVBoxLayout;
        list->setSpacing(0);
        const std::size_t shown = std::min(failures_.size(), failureRowsShown);
        for (std::size_t i = 0; i < shown; ++i) {
            const std::string path = failures_[i].path;
            list->addWidget(new FailureRow(
                failures_[i], [this, path] { app_.revealInFiles(BackupSource::expandPath(path)); }, content));
        }
        failureRows_ = static_cast<int>(shown);
        layout->addLayout(list);
    }
    content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* card = new OLCard(20, false, content);
    // Between the live card and the log section.
    sideLayout_->insertWidget(1, card);
    detail_ = card;
}

} // namespace keldra
