#include "screens/sources/SourceRow.h"

#include "app/model/AppModelView.h"
#include "core/events/Formatters.h"
#include "design/button/OLIconButton.h"
#include "design/layout/IconTile.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLSpace.h"
#include "design/theme/OLThemeValues.h"
#include "design/update/Refresh.h"
#include "screens/presentation/ScreenFormats.h"
#include "screens/presentation/SourcePresentation.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>
#include <chrono>

namespace keldra {

namespace {

std::optional<BackupSource::Availability> availabilityOf(const AppModelView& app, const std::string& id) {
    const auto& problems = app.unavailableSources();
    if (auto found = problems.find(id); found != problems.end()) {
        return found->second;
    }
    return std::nullopt;
}

SystemTime fromSeconds(double seconds) {
    return SystemTime(
        std::chrono::duration_cast<SystemTime::duration>(std::chrono::duration<double>(seconds)));
}

} // namespace

SourceRow::SourceRow(AppModelView& app, BackupSource source, bool compact, std::function<void()> onRemove,
                     QWidget* parent)
    : OLWidget(parent), app_(app), source_(std::move(source)), compact_(compact),
      onRemove_(std::move(onRemove)) {
    build();
    connectEach(&app_, {&AppModelView::indexFiguresChanged, &AppModelView::unavailableSourcesChanged}, this,
                &SourceRow::refresh);
}

QSize SourceRow::sizeHint() const {
    const QSize content = OLWidget::sizeHint();
    return {content.width(), height()};
}

void SourceRow::build() {
    // The layout differs by style (a tile and padding in glass only): a theme change builds it again.
    for (auto* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->hide();
        child->deleteLater();
    }
    delete layout();
    tile_ = nullptr;
    remove_ = nullptr;
    last_ = nullptr;

    const bool glass = isGlass(theme());
    setFixedHeight(glass ? (compact_ ? 54 : 64) : 44);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(glass ? 12 : 0, 0, glass ? 12 : 0, 0);
    row->setSpacing(12);
    if (glass) {
        tile_ = new IconTile(qtext(sourceIconName(source_)), std::nullopt, compact_ ? 36 : 40, this);
        row->addWidget(tile_, 0, Qt::AlignVCenter);
    }
    name_ = new OLText(qtext(sourceName(source_)), OLTextStyle::bodyStrong, OLColor::textPrimary, this);
    name_->setMaxLines(1);
    status_ = new OLText({}, OLTextStyle::caption, OLColor::textMuted, this);
    status_->setMaxLines(1);
    status_->setElideMode(Qt::ElideMiddle);
    // Both stacks sit at the middle of the fixed-height row.
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch(1);
    texts->addWidget(name_);
    texts->addWidget(status_);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    row->addSpacing(8);

    size_ = new OLText({}, OLTextStyle::mono, OLColor::textSecondary, this);
    size_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto* figures = new QVBoxLayout;
    figures->setSpacing(2);
    figures->addStretch(1);
    figures->addWidget(size_, 0, Qt::AlignRight);
    if (!compact_) {
        last_ = new OLText({}, OLTextStyle::caption, OLColor::textMuted, this);
        last_->setAlignment(Qt::AlignRight | Qt::AlignTop);
        figures->addWidget(last_, 0, Qt::AlignRight);
    }
    figures->addStretch(1);
    row->addLayout(figures);

    if (onRemove_) {
        remove_ = new OLIconButton(QStringLiteral("icon-trash"),
                                   QStringLiteral("Stop backing up ") + name_->text(), 30, this);
        remove_->setAction([this] { onRemove_(); });
        row->addWidget(remove_, 0, Qt::AlignVCenter);
    }
    refresh();
}

void SourceRow::refresh() {
    const SourceStats stats = app_.sourceStats(source_.id);
    const auto availability = availabilityOf(app_, source_.id);
    status_->setText(qtext(sourceStatusLine(source_, availability, stats.count)));
    status_->setColor(availability ? OLColor::toneWarning : OLColor::textMuted);
    if (tile_) {
        tile_->setTint(availability ? std::optional(OLColor::toneWarning) : std::nullopt);
    }
    size_->setText(byteText(stats.bytes));
    if (last_) {
        last_->setVisible(stats.lastBackedUpAt.has_value());
        if (stats.lastBackedUpAt) {
            last_->setText(qtext(formatLogTimestamp(fromSeconds(*stats.lastBackedUpAt), app_.now())));
        }
    }
}

void SourceRow::themeChanged(const OLTheme& theme) {
    const bool glass = isGlass(theme);
    if (glass != (tile_ != nullptr)) {
        // Not while the theme change is still being sent to the children that go.
        QMetaObject::invokeMethod(this, &SourceRow::build, Qt::QueuedConnection);
    }
    OLWidget::themeChanged(theme);
}

QMenu* SourceRow::makeMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Show in Files"), this,
                    [this] { app_.revealInFiles(std::filesystem::path(source_.path)); });
    if (onRemove_) {
        menu->addAction(QStringLiteral("Stop backing up…"), this, [this] { onRemove_(); });
    }
    return menu;
}

void SourceRow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void SourceRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isGlass(theme())) {
        painter.fillPath(continuousRect(QRectF(rect()), 16),
                         OLColor::background.opacity(compact_ ? 0.35 : 0.5).qcolor());
    } else {
        painter.fillRect(QRect(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
    }
}

} // namespace keldra
