#pragma once
// Draws one Restore list row with a painter: chevron, icon, name (and the path for search results), the
// version count, size and date columns, the selection tint (and the signal style's bar) or the hover tint.
// Rows are 36 px, 48 with the path, indented 16 + 18 per level. Every text is drawn as plain text.

#include <QFont>
#include <QStyledItemDelegate>

namespace keldra {

class NodeRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 36;
    static constexpr int rowHeightWithPath = 48;
    static constexpr int sizeColumn = 90;
    static constexpr int dateColumn = 130;

    explicit NodeRowDelegate(QObject* parent = nullptr);

    // Where the chevron starts, from the row's left edge.
    static int indent(int depth) { return 16 + 18 * depth; }
    // Below this list width (the glass sidebar beside the detail card at the window's smallest size) the
    // date column is left out, rows and column header alike, so the names keep room to be read. Measured on
    // the list's viewport, which is what a row spans.
    static constexpr int narrowListWidth = 420;
    static bool showsDate(int listWidth) { return listWidth >= narrowListWidth; }
    // The version count goes before a name would be cut to less than this.
    static constexpr int minimumNameWidth = 96;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QFont nameFont_;
    QFont captionFont_;
    QFont monoFont_;
};

} // namespace keldra
