#pragma once
// The rows the Restore list shows: the tree flattened in pre-order through the open folders, or the flat
// search results. Opening or closing a folder inserts or removes only that folder's rows, so a list of
// hundreds of thousands of files never resets for a click. Each row's texts are worked out once, the first
// time the row is drawn.

#include "core/seams/Clock.h"
#include "restore/tree/RestoreNode.h"

#include <QAbstractListModel>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keldra {

class RestoreRowsModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // What a row shows, already escaped and formatted.
    struct RowTexts {
        QString name;
        QString path;     // search rows only
        QString versions; // "3 versions" for a file with two or more, else empty
        QString size;
        QString date;
        QString accessible;
    };

    struct Row {
        RestoreNodePtr node;
        int depth = 0;
        bool expanded = false;
        mutable std::unique_ptr<RowTexts> texts;
    };

    // `now` dates the rows ("Today 10:04").
    explicit RestoreRowsModel(std::function<SystemTime()> now, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Shows `tree` through the open folders; ids of folders no longer there simply stay unmatched.
    void showTree(const std::vector<RestoreNodePtr>& tree);
    // Shows flat search results, each with its path.
    void showSearch(const std::vector<RestoreNodePtr>& results);
    // Shows nothing (no model, another state).
    void clear();
    bool isSearch() const { return search_; }

    // Opens or closes the folder at `row` (files and search rows: nothing).
    void toggle(int row);
    const std::set<std::string>& expanded() const { return expanded_; }

    // The id of the selected node, drawn as selected wherever it shows.
    void setSelectedId(std::optional<std::string> id);
    bool isSelected(int row) const;

    const Row& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    const RowTexts& texts(int index) const;
    // The first row showing the node with this id, or -1.
    int rowOf(const std::string& id) const;

private:
    void flatten(const std::vector<RestoreNodePtr>& nodes, int depth, std::vector<Row>& out) const;
    void refreshRowOf(const std::optional<std::string>& id);

    std::function<SystemTime()> now_;
    std::vector<Row> rows_;
    std::set<std::string> expanded_;
    std::optional<std::string> selectedId_;
    bool search_ = false;
};

} // namespace keldra
