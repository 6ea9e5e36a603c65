#pragma once

#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "variable_table_model.hpp"

namespace varscope::core {
struct AppState;
struct ConfigVariable;
} // namespace varscope::core

namespace varscope::ui {

class IconLibrary;

// How a list draws its rows: grid lines and whole-row selection, grid lines only, or
// neither.
enum class RowStyle { GridFullRow, GridOnly, Plain };

// Draws cell borders for the grid styles, keeps the icon's room in rows without an icon so
// names line up, and shows a cell's whole text as a tool tip only when it is cut off.
class ListItemDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    ListItemDelegate(bool gridLines, bool reserveIcon, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const bool m_gridLines;
    const bool m_reserveIcon;
};

// A flat, read-only report list: one line per row, equal row heights (so 100,000 rows
// scroll as fast as ten), no editing, single selection, sorting only from code.
void ConfigureListView(QTreeView& view, RowStyle style, bool reserveIcon);

// Sorts a variable list; never filters. Rows of a flat list all have the same flags, so
// they are answered without mapping each row to the source: the view asks for every row.
class VariableSortProxy final : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    // The texts as the system's list control sorts them: letter case ignored, character
    // codes otherwise, no locale rules. Equal texts keep report order, whichever the
    // direction and whatever order the list was in before.
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// All Variables or Isolate: a view over the shared table. It shows the table itself in
// report order and goes through a sort proxy only once it is sorted: a proxy maps every row
// of a 100,000-row report, which is start-up time spent on an order nobody asked for yet.
// Its column headers are clickable; what a click does is the main window's business.
class VariableListView final : public QTreeView {
    Q_OBJECT
public:
    VariableListView(const core::AppState& state, const IconLibrary& icons,
                     VariableTableModel::Rows rows, QWidget* parent = nullptr);

    VariableTableModel& source() { return *m_source; }
    const VariableTableModel& source() const { return *m_source; }
    // The rows in the order shown.
    const QAbstractItemModel& shown() const { return *model(); }

    // Re-reads the rows from the shared state.
    void reload();
    // Sorts the rows by a column's texts and shows the sort indicator; a selected row stays
    // selected.
    void sortBy(int column, Qt::SortOrder order);
    // The column sorted by, or -1 in report order, and the direction.
    int sortColumn() const;
    Qt::SortOrder sortOrder() const;
    // Back to report order, with no sort indicator.
    void showUnsorted();
    // Where the record at `sourceRow` of the table is shown.
    int shownRowOf(int sourceRow) const;
    // The record of the selected row, or null when no row is selected.
    const core::ConfigVariable* selectedRecord() const;
    // Selects the row shown at `shownRow`, scrolls it into view and takes the focus.
    void selectShownRow(int shownRow);

private:
    bool sorted() const { return model() == m_proxy; }
    int selectedSourceRow() const;
    // Shows `model`, keeping the record selected before.
    void showThrough(QAbstractItemModel* model);

    VariableTableModel* m_source = nullptr;
    VariableSortProxy* m_proxy = nullptr;
};

} // namespace varscope::ui
