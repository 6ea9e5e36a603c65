#pragma once

#include "core/category/category_tree.hpp"

#include <QAbstractItemModel>

#include <cstddef>

namespace varscope::ui {

class IconLibrary;

// The Category page's tree, read in place from the last build: categories, their members,
// and under each member the records it names. An index's internal id is the node's
// position, as TreeNode counts it.
class CategoryTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CategoryTreeModel(const IconLibrary& icons, QObject* parent = nullptr);

    // Shows `tree` in place of the one shown; every node starts collapsed.
    void setTree(core::CategoryTree tree);
    const core::CategoryTree& tree() const { return m_tree; }

    // The node's position; 0 for an invalid index.
    static std::size_t Position(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // The positions below `parent`: the categories for the invisible root.
    const std::vector<std::size_t>* childrenOf(const QModelIndex& parent) const;

    const IconLibrary& m_icons;
    core::CategoryTree m_tree;
};

} // namespace varscope::ui
