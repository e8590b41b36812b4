#pragma once
// A ruled list of label and value rows. Each row offers "Copy <Label>" in its context menu, which puts the
// row's stored value (not the dash shown for an empty one) on the clipboard as plain text.

#include "design/data/DataRowModel.h"
#include "design/data/RuledList.h"

#include <vector>

class QMenu;

namespace keldra {

// "last backup" → "Last Backup": every word's first letter upper-cased, the rest lower-cased.
QString capitalizedWords(const QString& text);

class DataList : public RuledList {
    Q_OBJECT
public:
    DataList(std::vector<DataRowModel> rows, double rowHeight, QWidget* parent = nullptr);

    void setRows(std::vector<DataRowModel> rows);
    const std::vector<DataRowModel>& rows() const { return rows_; }
    // The context menu of row `index`; the caller owns it.
    QMenu* makeRowMenu(int index, QWidget* parent) const;

private:
    void rebuild();

    std::vector<DataRowModel> rows_;
    double rowHeight_;
};

} // namespace keldra
