#include "screens/restore/RestoreChoiceRows.h"

#include "design/status/StatusChip.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace keldra {

namespace {

constexpr double ringSide = 16;

QFont calloutFont() {
    return olFont(OLTextStyle::callout);
}

} // namespace

void drawSelectionRing(QPainter& painter, const QRectF& rect, bool selected, const QColor& accent) {
    const double width = selected ? 5 : 1.5;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(selected ? accent : OLColor::borderStrong.qcolor(), width));
    // A stroke centred on a circle inset by half its width lies inside the edge.
    painter.drawEllipse(rect.adjusted(width / 2, width / 2, -width / 2, -width / 2));
    painter.restore();
}

VersionRow::VersionRow(QString date, QString size, bool latest, bool selected, QWidget* parent)
    : OLAbstractButton(parent), date_(std::move(date)), size_(std::move(size)) {
    setCheckable(true);
    setChecked(selected);
    setText(date_);
    setCursor(Qt::PointingHandCursor);
    setFocusRingOver(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(36);
    if (latest) {
        chip_ = new StatusChip(QStringLiteral("Latest"), StatusTone::secure, true, false, this);
    }
    // The row is chosen by its action; a click never unchecks it.
    connect(this, &QAbstractButton::clicked, this, [this] { setChecked(true); });
}

QSize VersionRow::sizeHint() const {
    return {300, 36};
}

void VersionRow::resizeEvent(QResizeEvent* event) {
    OLAbstractButton::resizeEvent(event);
    if (chip_) {
        const QSize chipSize = chip_->sizeHint();
        const double dateWidth = QFontMetricsF(calloutFont()).horizontalAdvance(date_);
        chip_->setGeometry(static_cast<int>(ringSide + 10 + dateWidth + 10),
                           (height() - chipSize.height()) / 2, chipSize.width(), chipSize.height());
    }
}

void VersionRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const OLTheme theme = olTheme(this);
    const double middle = height() / 2.0;
    drawSelectionRing(painter, QRectF(0, middle - ringSide / 2, ringSide, ringSide), isChecked(),
                      accentColor(theme).qcolor());
    const QFont mono = olFont(OLTextStyle::mono);
    const double sizeWidth = QFontMetricsF(mono).horizontalAdvance(size_);
    painter.setFont(calloutFont());
    painter.setPen(OLColor::textPrimary.qcolor());
    const double dateLeft = ringSide + 10;
    painter.drawText(QRectF(dateLeft, 0, std::max(0.0, width() - dateLeft - sizeWidth - 10), height()),
                     Qt::AlignLeft | Qt::AlignVCenter, date_);
    painter.setFont(mono);
    painter.setPen(OLColor::textMuted.qcolor());
    painter.drawText(QRectF(width() - sizeWidth, 0, sizeWidth, height()), Qt::AlignRight | Qt::AlignVCenter,
                     size_);
    painter.fillRect(QRectF(0, height() - 1, width(), 1), OLColor::hairline.qcolor());
}

DestinationOption::DestinationOption(QString title, QString subtitle, bool selected, QWidget* parent)
    : OLAbstractButton(parent), title_(std::move(title)), subtitle_(std::move(subtitle)) {
    setCheckable(true);
    setChecked(selected);
    setText(title_);
    setCursor(Qt::PointingHandCursor);
    setFocusRingOver(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Choosing is the action's business: the option shows what the model says.
    connect(this, &QAbstractButton::toggled, this, [this, selected](bool) { setChecked(selected); });
}

QSize DestinationOption::sizeHint() const {
    const double title = OLTextStyle::callout.size * OLTextStyle::callout.lineHeight;
    const double subtitle = OLTextStyle::caption.size * OLTextStyle::caption.lineHeight;
    return {300, static_cast<int>(std::ceil(title + 1 + subtitle))};
}

void DestinationOption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const OLTheme theme = olTheme(this);
    const double middle = height() / 2.0;
    drawSelectionRing(painter, QRectF(0, middle - ringSide / 2, ringSide, ringSide), isChecked(),
                      accentColor(theme).qcolor());
    const double left = ringSide + 10;
    const double textWidth = std::max(0.0, width() - left);
    const double titleHeight = OLTextStyle::callout.size * OLTextStyle::callout.lineHeight;
    const double subtitleHeight = OLTextStyle::caption.size * OLTextStyle::caption.lineHeight;
    painter.setFont(calloutFont());
    painter.setPen(OLColor::textPrimary.qcolor());
    painter.drawText(QRectF(left, 0, textWidth, titleHeight), Qt::AlignLeft | Qt::AlignVCenter, title_);
    const QFont caption = olFont(OLTextStyle::caption);
    painter.setFont(caption);
    painter.setPen(OLColor::textMuted.qcolor());
    painter.drawText(QRectF(left, titleHeight + 1, textWidth, subtitleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetricsF(caption).elidedText(subtitle_, Qt::ElideMiddle, textWidth));
}

} // namespace keldra
