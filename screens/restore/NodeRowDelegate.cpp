#include "screens/restore/NodeRowDelegate.h"

#include "design/icon/OLIcon.h"
#include "design/text/OLFont.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/theme/ThemeScope.h"
#include "screens/restore/RestoreRowsModel.h"

#include <QFontMetricsF>
#include <QPainter>

namespace keldra {

namespace {

const RestoreRowsModel* rowsOf(const QModelIndex& index) {
    return qobject_cast<const RestoreRowsModel*>(index.model());
}

} // namespace

NodeRowDelegate::NodeRowDelegate(QObject* parent)
    : QStyledItemDelegate(parent), nameFont_(olFont(OLTextStyle::callout)),
      captionFont_(olFont(OLTextStyle::caption)), monoFont_(olFont(OLTextStyle::mono)) {}

QSize NodeRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const RestoreRowsModel* rows = rowsOf(index);
    return QSize(200, rows && rows->isSearch() ? rowHeightWithPath : rowHeight);
}

void NodeRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const RestoreRowsModel* rows = rowsOf(index);
    if (!rows) {
        return;
    }
    const RestoreRowsModel::Row& row = rows->row(index.row());
    const RestoreRowsModel::RowTexts& texts = rows->texts(index.row());
    const OLTheme theme = olTheme(option.widget);
    const bool folder = row.node->isFolder();
    const bool selected = rows->isSelected(index.row());
    const QRectF rect = option.rect;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        painter->fillRect(rect, selectionFill(theme).qcolor());
        if (!isGlass(theme)) {
            painter->fillRect(QRectF(rect.left(), rect.top(), 2, rect.height()), accentColor(theme).qcolor());
        }
    } else if (option.state & QStyle::State_MouseOver) {
        painter->fillRect(rect, OLColor::surfaceRaised.opacity(0.4).qcolor());
    }

    const double middle = rect.center().y();
    double x = rect.left() + indent(row.depth);
    if (folder) {
        olDrawIcon(*painter, QRectF(x, middle - 6, 12, 12),
                   row.expanded ? QStringLiteral("icon-chevron-down") : QStringLiteral("icon-chevron-right"),
                   OLColor::textMuted.qcolor());
    }
    x += 12 + 8;
    olDrawIcon(*painter, QRectF(x, middle - 7.5, 15, 15),
               folder ? QStringLiteral("icon-folder") : QStringLiteral("icon-file"),
               (folder ? accentColor(theme) : OLColor::textSecondary).qcolor());
    x += 15 + 8;

    // The columns from the trailing edge inwards.
    double right = rect.right() + 1 - 16;
    painter->setFont(monoFont_);
    if (showsDate(static_cast<int>(rect.width()))) {
        painter->setPen(OLColor::textMuted.qcolor());
        painter->drawText(QRectF(right - dateColumn, rect.top(), dateColumn, rect.height()),
                          Qt::AlignRight | Qt::AlignVCenter, texts.date);
        right -= dateColumn + 8;
    }
    const QRectF sizeRect(right - sizeColumn, rect.top(), sizeColumn, rect.height());
    right -= sizeColumn;
    painter->setPen(OLColor::textSecondary.qcolor());
    painter->drawText(sizeRect, Qt::AlignRight | Qt::AlignVCenter, texts.size);
    const double versionsWidth =
        texts.versions.isEmpty() ? 0 : QFontMetricsF(captionFont_).horizontalAdvance(texts.versions);
    if (versionsWidth > 0 && right - 8 - versionsWidth - 8 - x >= minimumNameWidth) {
        painter->setFont(captionFont_);
        painter->setPen(OLColor::textMuted.qcolor());
        const double width = versionsWidth;
        right -= 8 + width;
        painter->drawText(QRectF(right, rect.top(), width, rect.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          texts.versions);
    }

    // Name (and path), cut in the middle so an extension stays in sight.
    const double textWidth = std::max(0.0, right - 8 - x);
    const QFontMetricsF nameMetrics(nameFont_);
    const double nameHeight = OLTextStyle::callout.size * OLTextStyle::callout.lineHeight;
    const double pathHeight = OLTextStyle::caption.size * OLTextStyle::caption.lineHeight;
    const bool withPath = !texts.path.isEmpty();
    const double blockTop = withPath ? middle - (nameHeight + 1 + pathHeight) / 2 : middle - nameHeight / 2;
    painter->setFont(nameFont_);
    painter->setPen(OLColor::textPrimary.qcolor());
    painter->drawText(QRectF(x, blockTop, textWidth, nameHeight), Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(texts.name, Qt::ElideMiddle, textWidth));
    if (withPath) {
        painter->setFont(captionFont_);
        painter->setPen(OLColor::textMuted.qcolor());
        painter->drawText(QRectF(x, blockTop + nameHeight + 1, textWidth, pathHeight),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetricsF(captionFont_).elidedText(texts.path, Qt::ElideMiddle, textWidth));
    }
    painter->restore();
}

} // namespace keldra
