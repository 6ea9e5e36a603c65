#include "category_tree_model.hpp"

#include "ui/lists/icons.hpp"
#include "ui/text_conversion.hpp"

#include <utility>

namespace varscope::ui {

CategoryTreeModel::CategoryTreeModel(const IconLibrary& icons, QObject* parent)
    : QAbstractItemModel(parent), m_icons(icons) {}

void CategoryTreeModel::setTree(core::CategoryTree tree) {
    beginResetModel();
    m_tree = std::move(tree);
    endResetModel();
}

std::size_t CategoryTreeModel::Position(const QModelIndex& index) {
    return index.isValid() ? std::size_t(index.internalId()) : 0;
}

const std::vector<std::size_t>* CategoryTreeModel::childrenOf(const QModelIndex& parent) const {
    if (!parent.isValid())
        return &m_tree.roots;
    if (parent.column() != 0 || parent.model() != this)
        return nullptr;
    return &m_tree.node(Position(parent)).children;
}

QModelIndex CategoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const std::vector<std::size_t>* children = childrenOf(parent);
    if (children == nullptr || column != 0 || row < 0 || std::size_t(row) >= children->size())
        return {};
    return createIndex(row, column, quintptr((*children)[std::size_t(row)]));
}

QModelIndex CategoryTreeModel::parent(const QModelIndex& child) const {
    const std::size_t position = Position(child);
    if (position == 0)
        return {};
    const std::size_t parent = m_tree.node(position).parent;
    if (parent == 0)
        return {};
    return createIndex(int(m_tree.node(parent).row), 0, quintptr(parent));
}

int CategoryTreeModel::rowCount(const QModelIndex& parent) const {
    const std::vector<std::size_t>* children = childrenOf(parent);
    return children == nullptr ? 0 : int(children->size());
}

int CategoryTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant CategoryTreeModel::data(const QModelIndex& index, int role) const {
    const std::size_t position = Position(index);
    if (position == 0)
        return {};
    const core::CategoryNode& node = m_tree.node(position);
    switch (role) {
    case Qt::DisplayRole:
        return ShownText(m_tree.text(node));
    case Qt::DecorationRole:
        return m_icons.image(node.image);
    default:
        return {};
    }
}

Qt::ItemFlags CategoryTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_tree.node(Position(index)).children.empty())
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

} // namespace varscope::ui
