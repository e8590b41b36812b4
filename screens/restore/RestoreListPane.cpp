#include "screens/restore/RestoreListPane.h"

#include "design/shape/ContinuousRect.h"
#include "design/status/StateBanner.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "screens/restore/NodeRowDelegate.h"
#include "screens/restore/RestoreRowsModel.h"
#include "screens/restore/RestoreTexts.h"
#include "screens/restore/SkeletonRow.h"

#include <QBoxLayout>
#include <QListView>
#include <QPainter>
#include <QScrollBar>

namespace keldra {

namespace {

constexpr OLTextStyle glassHeaderStyle{12,    OLFontWeight::regular,       1.35, 0, false,
                                       false, OLRelativeTextStyle::caption};
constexpr OLTextStyle noticeStyle{12,    OLFontWeight::regular,       1.35, 0, false,
                                  false, OLRelativeTextStyle::caption};

// "Name", "Size", "Backed up" over the rows' columns, with a rule below.
class ColumnHeader final : public OLWidget {
public:
    // Lines up with the rows of `list`, whose scroll bar takes width from them.
    explicit ColumnHeader(QListView* list) : list_(list) { setFixedHeight(38); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const OLTheme current = theme();
        const bool glass = isGlass(current);
        const OLTextStyle style = glass ? glassHeaderStyle : OLTextStyle::eyebrow;
        painter.setFont(olFont(style));
        painter.setPen(OLColor::textMuted.qcolor());
        const auto label = [&](const char* text) {
            return olShownText(style, QString::fromLatin1(text));
        };
        const QScrollBar* bar = list_->verticalScrollBar();
        const double right = width() - 16 - (bar->isVisible() ? bar->width() : 0);
        painter.drawText(QRectF(16, 0, right - 16, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         label("Name"));
        double sizeRight = right;
        if (NodeRowDelegate::showsDate(list_->viewport()->width())) {
            painter.drawText(
                QRectF(right - NodeRowDelegate::dateColumn, 0, NodeRowDelegate::dateColumn, height()),
                Qt::AlignRight | Qt::AlignVCenter, label("Backed up"));
            sizeRight -= NodeRowDelegate::dateColumn + 8;
        }
        painter.drawText(
            QRectF(sizeRight - NodeRowDelegate::sizeColumn, 0, NodeRowDelegate::sizeColumn, height()),
            Qt::AlignRight | Qt::AlignVCenter, label("Size"));
        painter.fillRect(QRectF(0, height() - 1, width(), 1),
                         OLColor::hairline.opacity(glass ? 0.08 : 0.14).qcolor());
    }

private:
    QListView* list_;
};

// `inner` inside a box with the given margins (the kit's text widget draws from its own edge).
QWidget* padded(QWidget* inner, int left, int top, int right, int bottom) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(left, top, right, bottom);
    layout->addWidget(inner);
    return box;
}

QVBoxLayout* stack(QWidget* widget, int spacing, int margin) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

RestoreListPane::RestoreListPane(RestoreRowsModel* rows, QWidget* parent)
    : OLWidget(parent), loading_(new QWidget(this)), failureBox_(new QWidget(this)),
      listing_(new QWidget(this)), list_(new QListView(listing_)), empty_(new QWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QVBoxLayout* loading = stack(loading_, 8, 16);
    for (int i = 0; i < 8; ++i) {
        loading->addWidget(new SkeletonRow);
    }
    auto* decrypting =
        new OLText(QStringLiteral("Decrypting file names\u2026"), OLTextStyle::caption, OLColor::textMuted);
    decrypting->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    loading->addWidget(padded(decrypting, 0, 6, 0, 0));
    loading->addStretch(1);

    stack(failureBox_, 0, 16)->addStretch(1);

    QVBoxLayout* listing = stack(listing_, 0, 0);
    listing->addWidget(new ColumnHeader(list_));
    list_->setModel(rows);
    list_->setItemDelegate(new NodeRowDelegate(list_));
    list_->setUniformItemSizes(true);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setMouseTracking(true);
    list_->viewport()->setAttribute(Qt::WA_Hover);
    list_->viewport()->setAutoFillBackground(false);
    list_->setAutoFillBackground(false);
    list_->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    listing->addWidget(list_, 1);
    listing->addSpacing(8);
    noMatch_ = new OLText(QString(), OLTextStyle::callout, OLColor::textMuted);
    // In the list's place when nothing matches, taking its room.
    listing->addWidget(padded(noMatch_, 16, 16, 16, 16), 1);
    unreadable_ = new OLText(QString(), noticeStyle, OLColor::toneWarning);
    listing->addWidget(padded(unreadable_, 16, 10, 16, 10));

    auto* emptyLayout = stack(empty_, 8, 20);
    emptyLayout->addWidget(
        new OLText(QStringLiteral("Nothing backed up yet"), OLTextStyle::headline, OLColor::textPrimary));
    emptyLayout->addWidget(new OLText(QStringLiteral("Files appear here once the first backup finishes."),
                                      OLTextStyle::callout, OLColor::textSecondary));
    emptyLayout->addStretch(1);

    for (QWidget* page : {loading_, failureBox_, listing_, empty_}) {
        layout->addWidget(page);
    }
    setState(State::empty);
    RestoreListPane::applyTheme(theme());
}

void RestoreListPane::setState(State state) {
    state_ = state;
    loading_->setVisible(state == State::loading);
    failureBox_->setVisible(state == State::failed);
    listing_->setVisible(state == State::listing);
    empty_->setVisible(state == State::empty);
}

void RestoreListPane::showLoading() {
    setState(State::loading);
}

void RestoreListPane::showFailure(const QString& message, std::function<void()> retry) {
    const bool same = failure_ && failure_->messageText() && failure_->messageText()->text() == message;
    if (!same) {
        delete failure_;
        failure_ = new StateBanner(StatusTone::danger, QStringLiteral("Couldn't load your Keldra"), message,
                                   QStringLiteral("Try again"), std::move(retry));
        static_cast<QVBoxLayout*>(failureBox_->layout())->insertWidget(0, failure_);
    }
    setState(State::failed);
}

void RestoreListPane::showListing(std::optional<QString> noMatch, std::int64_t unreadable) {
    list_->setVisible(!noMatch);
    noMatch_->parentWidget()->setVisible(noMatch.has_value());
    noMatch_->setText(noMatch.value_or(QString()));
    unreadable_->parentWidget()->setVisible(unreadable > 0);
    unreadable_->setText(unreadable > 0 ? unreadableNotice(unreadable) : QString());
    setState(State::listing);
}

void RestoreListPane::showEmpty() {
    setState(State::empty);
}

void RestoreListPane::applyTheme(const OLTheme& theme) {
    // The failure banner sits padded on the glass surface, flush in signal.
    const int margin = isGlass(theme) ? 16 : 0;
    failureBox_->layout()->setContentsMargins(margin, margin, margin, margin);
}

void RestoreListPane::paintEvent(QPaintEvent*) {
    if (!isGlass(theme())) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = continuousRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 24);
    painter.fillPath(shape, OLColor::surface.qcolor());
    painter.setPen(QPen(OLColor::hairline.qcolor(), 1));
    painter.drawPath(shape);
}

} // namespace keldra
