#include "screens/restore/RestoreRowsModel.h"

#include "screens/restore/RestoreTexts.h"

#include <iterator>

namespace keldra {

RestoreRowsModel::RestoreRowsModel(std::function<SystemTime()> now, QObject* parent)
    : QAbstractListModel(parent), now_(std::move(now)) {}

int RestoreRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant RestoreRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return texts(index.row()).name;
    case Qt::AccessibleTextRole:
        return texts(index.row()).accessible;
    default:
        return {};
    }
}

void RestoreRowsModel::flatten(const std::vector<RestoreNodePtr>& nodes, int depth,
                               std::vector<Row>& out) const {
    for (const RestoreNodePtr& node : nodes) {
        const bool open = node->isFolder() && expanded_.count(node->id) > 0;
        out.push_back(Row{node, depth, open, nullptr});
        if (open) {
            flatten(*node->children, depth + 1, out);
        }
    }
}

void RestoreRowsModel::showTree(const std::vector<RestoreNodePtr>& tree) {
    beginResetModel();
    rows_.clear();
    search_ = false;
    flatten(tree, 0, rows_);
    endResetModel();
}

void RestoreRowsModel::showSearch(const std::vector<RestoreNodePtr>& results) {
    beginResetModel();
    rows_.clear();
    rows_.reserve(results.size());
    search_ = true;
    for (const RestoreNodePtr& node : results) {
        rows_.push_back(Row{node, 0, false, nullptr});
    }
    endResetModel();
}

void RestoreRowsModel::clear() {
    beginResetModel();
    rows_.clear();
    search_ = false;
    endResetModel();
}

void RestoreRowsModel::toggle(int index) {
    if (search_ || index < 0 || index >= rowCount()) {
        return;
    }
    Row& row = rows_[static_cast<std::size_t>(index)];
    if (!row.node->isFolder()) {
        return;
    }
    const int depth = row.depth;
    if (row.expanded) {
        expanded_.erase(row.node->id);
        row.expanded = false;
        int end = index + 1;
        while (end < rowCount() && rows_[static_cast<std::size_t>(end)].depth > depth) {
            ++end;
        }
        if (end > index + 1) {
            beginRemoveRows({}, index + 1, end - 1);
            rows_.erase(rows_.begin() + index + 1, rows_.begin() + end);
            endRemoveRows();
        }
    } else {
        expanded_.insert(row.node->id);
        row.expanded = true;
        std::vector<Row> below;
        flatten(*row.node->children, depth + 1, below);
        if (!below.empty()) {
            beginInsertRows({}, index + 1, index + static_cast<int>(below.size()));
            rows_.insert(rows_.begin() + index + 1, std::make_move_iterator(below.begin()),
                         std::make_move_iterator(below.end()));
            endInsertRows();
        }
    }
    emit dataChanged(this->index(index), this->index(index));
}

void RestoreRowsModel::setSelectedId(std::optional<std::string> id) {
    if (id == selectedId_) {
        return;
    }
    const std::optional<std::string> previous = std::move(selectedId_);
    selectedId_ = std::move(id);
    refreshRowOf(previous);
    refreshRowOf(selectedId_);
}

void RestoreRowsModel::refreshRowOf(const std::optional<std::string>& id) {
    if (!id) {
        return;
    }
    for (int i = 0; i < rowCount(); ++i) {
        if (rows_[static_cast<std::size_t>(i)].node->id == *id) {
            emit dataChanged(index(i), index(i));
        }
    }
}

bool RestoreRowsModel::isSelected(int index) const {
    return selectedId_ && row(index).node->id == *selectedId_;
}

int RestoreRowsModel::rowOf(const std::string& id) const {
    for (int i = 0; i < rowCount(); ++i) {
        if (rows_[static_cast<std::size_t>(i)].node->id == id) {
            return i;
        }
    }
    return -1;
}

const RestoreRowsModel::RowTexts& RestoreRowsModel::texts(int index) const {
    const Row& row = this->row(index);
    if (!row.texts) {
        const RestoreNode& node = *row.node;
        auto texts = std::make_unique<RowTexts>();
        texts->name = shownName(node.name);
        if (search_) {
            texts->path = shownName(node.id);
        }
        if (node.isFolder()) {
            texts->size = countText(node.fileCount) + QStringLiteral(" files");
        } else {
            texts->size = byteText(node.totalBytes);
            if (node.versions.size() >= 2) {
                texts->versions = QString::number(node.versions.size()) + QStringLiteral(" versions");
            }
        }
        if (!node.versions.empty()) {
            texts->date = versionDateText(node.versions.front(), now_()).value_or(QString());
        }
        texts->accessible = nodeAccessibleText(node);
        row.texts = std::move(texts);
    }
    return *row.texts;
}

} // namespace keldra
