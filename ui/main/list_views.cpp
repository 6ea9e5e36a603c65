#include "list_views.hpp"

#include "flat_list.hpp"
#include "ui/labels.hpp"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace varscope::ui {

ListItemDelegate::ListItemDelegate(bool gridLines, bool reserveIcon, QObject* parent)
    : QStyledItemDelegate(parent), m_gridLines(gridLines), m_reserveIcon(reserveIcon) {}

void ListItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_reserveIcon && index.column() == 0 &&
        !option->features.testFlag(QStyleOptionViewItem::HasDecoration)) {
        // A null icon draws nothing but keeps its room.
        option->features |= QStyleOptionViewItem::HasDecoration;
        if (const auto* view = qobject_cast<const QAbstractItemView*>(option->widget))
            option->decorationSize = view->iconSize();
    }
}

void ListItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (!m_gridLines)
        return;
    QColor line = option.palette.color(QPalette::Mid);
    line.setAlpha(90);
    // Filled one-pixel rectangles: a pen's lines go through the path stroker, row after row.
    const QRect r = option.rect;
    painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), line);
    painter->fillRect(QRect(r.right(), r.top(), 1, r.height() - 1), line);
}

bool ListItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = view->style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    const int needed = item.fontMetrics.horizontalAdvance(item.text) +
                       2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    if (!item.text.isEmpty() && needed > textRect.width()) {
        QToolTip::showText(event->globalPos(), PlainToolTip(item.text), view, option.rect);
        return true;
    }
    QToolTip::hideText();
    return true;
}

void ConfigureListView(QTreeView& view, RowStyle style, bool reserveIcon) {
    view.setRootIsDecorated(false);
    view.setItemsExpandable(false);
    view.setUniformRowHeights(true);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setSelectionBehavior(style == RowStyle::GridFullRow ? QAbstractItemView::SelectRows
                                                             : QAbstractItemView::SelectItems);
    view.setAllColumnsShowFocus(style == RowStyle::GridFullRow);
    view.setTextElideMode(Qt::ElideRight);
    view.setSortingEnabled(false);
    view.header()->setSectionsMovable(false);
    view.header()->setSortIndicatorShown(false);
    view.header()->setStretchLastSection(false);
    const int icon = view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
    view.setIconSize(QSize(icon, icon));
    view.setItemDelegate(new ListItemDelegate(style != RowStyle::Plain, reserveIcon, &view));
}

Qt::ItemFlags VariableSortProxy::flags(const QModelIndex& index) const {
    return sourceModel() == nullptr ? Qt::NoItemFlags : FlatListFlags(index);
}

bool VariableSortProxy::filterAcceptsRow(int, const QModelIndex&) const {
    return true;
}

bool VariableSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int order =
        QString::compare(left.data().toString(), right.data().toString(), Qt::CaseInsensitive);
    if (order != 0)
        return order < 0;
    // A descending sort asks with the two rows swapped.
    return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
}

VariableListView::VariableListView(const core::AppState& state, const IconLibrary& icons,
                                   VariableTableModel::Rows rows, QWidget* parent)
    : QTreeView(parent) {
    m_source = new VariableTableModel(state, icons, rows, this);
    m_proxy = new VariableSortProxy(this);
    // Sorting happens when asked, not on every change of the rows.
    m_proxy->setDynamicSortFilter(false);
    m_proxy->setSourceModel(m_source);
    setModel(m_source);
    ConfigureListView(*this, RowStyle::GridFullRow, true);
    // "File" takes whatever room the window gives beyond the start-up widths.
    header()->setStretchLastSection(true);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void VariableListView::reload() {
    m_source->reload();
}

void VariableListView::showThrough(QAbstractItemModel* shownModel) {
    if (model() == shownModel)
        return;
    const int selectedSource = selectedSourceRow();
    // The header takes on the new model's columns afresh; the widths stay as they were.
    QList<int> widths;
    for (int column = 0; column < header()->count(); ++column)
        widths.append(header()->sectionSize(column));
    QItemSelectionModel* const previous = selectionModel();
    setModel(shownModel);
    // A view keeps every selection model it was given.
    delete previous;
    for (int column = 0; column < widths.size() && column < header()->count(); ++column)
        header()->resizeSection(column, widths[column]);
    if (selectedSource >= 0) {
        selectionModel()->setCurrentIndex(shownModel->index(shownRowOf(selectedSource), 0),
                                          QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    }
}

void VariableListView::sortBy(int column, Qt::SortOrder order) {
    if (!sorted()) {
        showThrough(m_proxy);
    }
    m_proxy->sort(column, order);
    header()->setSortIndicator(column, order);
}

int VariableListView::sortColumn() const {
    return sorted() ? m_proxy->sortColumn() : -1;
}

Qt::SortOrder VariableListView::sortOrder() const {
    return sorted() ? m_proxy->sortOrder() : Qt::AscendingOrder;
}

void VariableListView::showUnsorted() {
    if (sorted()) {
        m_proxy->sort(-1);
        showThrough(m_source);
    }
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

int VariableListView::shownRowOf(int sourceRow) const {
    if (!sorted())
        return sourceRow;
    return m_proxy->mapFromSource(m_source->index(sourceRow, 0)).row();
}

int VariableListView::selectedSourceRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return sorted() ? m_proxy->mapToSource(rows.first()).row() : rows.first().row();
}

const core::ConfigVariable* VariableListView::selectedRecord() const {
    const int sourceRow = selectedSourceRow();
    return sourceRow < 0 ? nullptr : m_source->record(sourceRow);
}

void VariableListView::selectShownRow(int shownRow) {
    const QModelIndex index = model()->index(shownRow, 0);
    if (!index.isValid())
        return;
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    setFocus(Qt::OtherFocusReason);
}

} // namespace varscope::ui
