#pragma once

#include <QAbstractProxyModel>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "ui/text_conversion.hpp"
#include "variable_table_model.hpp"

#include <functional>
#include <string>
#include <vector>

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
// names line up, and shows a cell's text as a tool tip only when it is cut off (in lines of
// a readable length: a report line can be thousands of characters long).
class ListItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ListItemDelegate(bool gridLines, bool reserveIcon, QObject* parent = nullptr);

    // A column of paths: cut in the middle, so the file name stays in sight.
    void setMiddleElideColumn(int column) { m_middleElideColumn = column; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Measures at most the first few hundred characters: fitting a column to its texts
    // (a double-click on a header divider) asks for a thousand rows at a time.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // The cell's borders, in the grid styles.
    void paintGridLines(QPainter* painter, const QStyleOptionViewItem& option) const;

private:
    const bool m_gridLines;
    const bool m_reserveIcon;
    int m_middleElideColumn = -1;
};

// A flat, read-only report list: one line per row, equal row heights (so 100,000 rows
// scroll as fast as ten), no editing, single selection, sorting only from code. Returns the
// delegate it gave the view.
ListItemDelegate* ConfigureListView(QTreeView& view, RowStyle style, bool reserveIcon);

// A report list or tree that tells its owner what the user asks of it: a row activated (a
// double-click with the left button anywhere in the list, which acts on the selected row)
// and the context menu (the right button, which first selects the row under the pointer, or
// the menu key at the current row). Whether a
// double-click also opens and closes tree nodes is the view's own business.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Whether the last menu request was made on a row (the pointer on one, or the menu key
    // with a current row), rather than on the empty part of the list.
    bool menuOnRow() const { return m_menuOnRow; }

signals:
    void rowActivated();
    void menuRequested(const QPoint& globalPos);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool m_menuOnRow = false;
};

// Shows a variable list's rows as the list chose them: which source rows, in which order.
// The rows are worked out in the core on the bytes and applied at once; the model itself
// compares nothing.
class RowOrderProxy final : public QAbstractProxyModel {
    Q_OBJECT
public:
    // Gives the rows to show after the source model was reset.
    using RowSource = std::function<std::vector<int>()>;

    explicit RowOrderProxy(RowSource rows, QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    // Shows the source rows `rows`, in that order. Selection and current row follow their
    // records; a row no longer shown loses them.
    void setRows(std::vector<int> rows);
    // Where the source row is shown, or -1 when it is not.
    int shownRowOf(int sourceRow) const;
    // The source rows, in the order shown.
    const std::vector<int>& shownSourceRows() const { return m_rows; }

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Straight from the source: an empty list keeps its headings.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void indexRows();

    RowSource m_rowSource;
    std::vector<int> m_rows;    // shown row -> source row
    std::vector<int> m_shownOf; // source row -> shown row, or -1
};

// All Variables or Isolate: a view over the shared table, its rows sorted by a column and
// filtered by a text on the bytes. Its column headers are clickable; what a click does is
// the main window's business. When the view widens or narrows, every column takes its share.
class VariableListView final : public ListView {
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
    // Shows only the rows whose name, value, expansion or file contains `text` as the list
    // shows it, ignoring ASCII letter case; every row for an empty text.
    void setFilterText(const QString& text);
    const QString& filterText() const { return m_filterText; }
    // Where the record at `sourceRow` of the table is shown, or -1 when filtered out.
    int shownRowOf(int sourceRow) const;
    // The record of the selected row, or null when no row is selected.
    const core::ConfigVariable* selectedRecord() const;
    // The record shown at `shownRow`, or null.
    const core::ConfigVariable* shownRecord(int shownRow) const;
    // The records in the order shown.
    std::vector<const core::ConfigVariable*> shownRecords() const;
    // Selects the row shown at `shownRow`, scrolls it into view and takes the focus.
    void selectShownRow(int shownRow);

signals:
    // The filter or the rows changed, and with them the number of rows shown.
    void shownRowsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The source rows to show, filtered and sorted as chosen.
    std::vector<int> chosenRows();
    // Marks the source rows the filter keeps; `narrowing` checks only those kept before.
    void matchRows(bool narrowing);
    void applyRows();
    // The width the columns share: the list's inside, less room for the vertical scroll bar.
    int sharedWidth(int viewWidth) const;

    VariableTableModel* m_source = nullptr;
    RowOrderProxy* m_proxy = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // Source rows in sort order, all of them; empty in report order.
    std::vector<int> m_sorted;
    QString m_filterText;
    ShownBytes m_filterBytes;
    std::vector<char> m_matches; // per source row, while a filter is set
};

} // namespace varscope::ui
