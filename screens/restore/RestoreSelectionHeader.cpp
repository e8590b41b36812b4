#include "screens/restore/RestoreSelectionHeader.h"

#include "design/layout/IconTile.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "screens/restore/RestoreTexts.h"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QLabel>

namespace keldra {

namespace {

// The stored path on at most two lines, cut in the middle when longer.
QString twoLinePath(const QString& path, const QFont& font, double width) {
    const QFontMetricsF metrics(font);
    const QString cut = metrics.elidedText(path, Qt::ElideMiddle, width * 2 - metrics.averageCharWidth() * 2);
    QString first;
    int i = 0;
    while (i < cut.size() && metrics.horizontalAdvance(first + cut[i]) <= width) {
        first += cut[i++];
    }
    return i >= cut.size() ? first : first + QLatin1Char('\n') + cut.mid(i);
}

} // namespace

bool fillSelectionHeader(QVBoxLayout* stack, const RestoreDetailSource& source, double cardWidth) {
    if (!source.model || !source.model->selection()) {
        return false;
    }
    const RestoreNode& node = *source.model->selection();
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(
        new IconTile(node.isFolder() ? QStringLiteral("icon-folder") : QStringLiteral("icon-file"),
                     std::nullopt, 40),
        0, Qt::AlignTop);
    QWidget* texts = detailColumn(3);
    auto* name =
        detailText(shownName(node.name), OLTextStyle::headline, OLColor::textPrimary, "selectionName");
    name->setMaxLines(2);
    name->setElideMode(Qt::ElideMiddle);
    detailStack(texts)->addWidget(name);

    // Selectable, so the path can be copied.
    auto* path = new QLabel;
    path->setObjectName(QStringLiteral("selectionPath"));
    path->setTextFormat(Qt::PlainText);
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QFont mono = olFont(OLTextStyle::mono);
    path->setFont(mono);
    QPalette palette = path->palette();
    palette.setColor(QPalette::WindowText, OLColor::textMuted.qcolor());
    path->setPalette(palette);
    path->setText(twoLinePath(shownName(node.id), mono, std::max(60.0, cardWidth - 40 - 12)));
    path->setToolTip(shownName(node.id));
    detailStack(texts)->addWidget(path);

    const QString size = node.isFolder() ? countText(node.fileCount) + QStringLiteral(" files \u00B7 ") +
                                               byteText(node.totalBytes)
                                         : byteText(node.totalBytes);
    detailStack(texts)->addWidget(detailText(size, OLTextStyle::caption, OLColor::textSecondary, "sizeLine"));
    layout->addWidget(texts, 1);
    stack->addWidget(row);
    return true;
}

} // namespace keldra
