#include "list_views.hpp"

#include "core/rows/list_rows.hpp"
#include "core/strings.hpp"
#include "flat_list.hpp"
#include "ui/labels.hpp"
#include "ui/text_conversion.hpp"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QToolTip>

#include <cmath>
#include <optional>
#include <utility>

namespace varscope::ui {

namespace {

// A tool tip wider than the screen is drawn as a sliver: long lines are broken.
constexpr qsizetype kToolTipLineLength = 120;
// The most of a text a column is widened to show.
constexpr qsizetype kFittedLength = 400;

QString InLines(const QString& text) {
    if (text.size() <= kToolTipLineLength)
        return text;
    QString out;
    out.reserve(text.size() + text.size() / kToolTipLineLength);
    qsizetype column = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            column = 0;
        } else if (column == kToolTipLineLength) {
            out.append(QLatin1Char('\n'));
            column = 0;
        }
        out.append(c);
        if (c != QLatin1Char('\n'))
            ++column;
    }
    return out;
}

// Where a context menu opened from the keyboard appears: at the current row, or in the
// middle of the list when it has none.
QPoint KeyboardMenuPosition(const QAbstractItemView& view) {
    const QRect row = view.visualRect(view.currentIndex());
    const QWidget* viewport = view.viewport();
    const QPoint local = row.isValid() && viewport->rect().intersects(row)
                             ? QPoint(row.left() + row.height(), row.center().y())
                             : viewport->rect().center();
    return viewport->mapToGlobal(local);
}

// The filter's text compared on each field's bytes in the encoding the list shows that
// field in, so what is found is what the user sees.
class ShownTextFilter {
public:
    explicit ShownTextFilter(const ShownBytes& bytes) : m_utf8(bytes.utf8) {
        if (bytes.windows1252 && *bytes.windows1252 != bytes.utf8)
            m_windows1252.emplace(*bytes.windows1252);
        m_oneForm = bytes.windows1252 && *bytes.windows1252 == bytes.utf8;
    }

    bool matches(const core::ConfigVariable& record) const {
        if (m_oneForm)
            return m_utf8.matches(record);
        for (const std::string_view field :
             {record.Name, record.Value, record.Expansion, record.File}) {
            // The encoding is checked only on a hit: most fields hold neither form.
            if (m_utf8.contains(field) && ShownAsUtf8(field))
                return true;
            if (m_windows1252 && m_windows1252->contains(field) && !ShownAsUtf8(field))
                return true;
        }
        return false;
    }

private:
    core::RecordFilter m_utf8;
    std::optional<core::RecordFilter> m_windows1252;
    bool m_oneForm = false;
};

// Whether every field `wider` matches also matches `narrower`: each form of `narrower`
// holds the same form of `wider`.
bool Narrows(const ShownBytes& narrower, const ShownBytes& wider) {
    if (core::FindIgnoreCase(narrower.utf8, wider.utf8) == std::string::npos)
        return false;
    if (!wider.windows1252)
        return !narrower.windows1252;
    return narrower.windows1252 &&
           core::FindIgnoreCase(*narrower.windows1252, *wider.windows1252) != std::string::npos;
}

} // namespace

ListView::ListView(QWidget* parent) : QTreeView(parent) {}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Anywhere in the list, on a row or not: the owner acts on the selected row.
    if (event->button() == Qt::LeftButton)
        emit rowActivated();
    QTreeView::mouseDoubleClickEvent(event);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // The menu acts on the row under the pointer, so that row is selected first.
        const QModelIndex under = indexAt(event->position().toPoint());
        m_menuOnRow = under.isValid();
        if (under.isValid())
            setCurrentIndex(under);
        emit menuRequested(event->globalPosition().toPoint());
        return;
    }
    QTreeView::mousePressEvent(event);
}

void ListView::contextMenuEvent(QContextMenuEvent* event) {
    // A mouse request follows the button press that opened the menu already.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        m_menuOnRow = currentIndex().isValid();
        emit menuRequested(KeyboardMenuPosition(*this));
    }
    event->accept();
}

ListItemDelegate::ListItemDelegate(bool gridLines, bool reserveIcon, QObject* parent)
    : QStyledItemDelegate(parent), m_gridLines(gridLines), m_reserveIcon(reserveIcon) {}

void ListItemDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == m_middleElideColumn)
        option->textElideMode = Qt::ElideMiddle;
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
    paintGridLines(painter, option);
}

void ListItemDelegate::paintGridLines(QPainter* painter, const QStyleOptionViewItem& option) const {
    if (!m_gridLines)
        return;
    QColor line = option.palette.color(QPalette::Mid);
    line.setAlpha(90);
    // Filled one-pixel rectangles: a pen's lines go through the path stroker, row after row.
    const QRect r = option.rect;
    painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), line);
    painter->fillRect(QRect(r.right(), r.top(), 1, r.height() - 1), line);
}

QSize ListItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    if (item.text.size() > kFittedLength)
        item.text.truncate(kFittedLength);
    const QStyle* style = item.widget != nullptr ? item.widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), item.widget);
}

bool ListItemDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // Below the last row there is no cell to explain.
    if (!index.isValid() || !option.rect.contains(event->pos())) {
        QToolTip::hideText();
        return true;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = view->style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view);
    const int needed = item.fontMetrics.horizontalAdvance(item.text) +
                       2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    if (!item.text.isEmpty() && needed > textRect.width()) {
        QToolTip::showText(event->globalPos(), PlainToolTip(InLines(item.text)), view, option.rect);
        return true;
    }
    QToolTip::hideText();
    return true;
}

ListItemDelegate* ConfigureListView(QTreeView& view, RowStyle style, bool reserveIcon) {
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
    auto* delegate = new ListItemDelegate(style != RowStyle::Plain, reserveIcon, &view);
    view.setItemDelegate(delegate);
    return delegate;
}

RowOrderProxy::RowOrderProxy(RowSource rows, QObject* parent)
    : QAbstractProxyModel(parent), m_rowSource(std::move(rows)) {}

void RowOrderProxy::setSourceModel(QAbstractItemModel* source) {
    beginResetModel();
    if (sourceModel() != nullptr)
        disconnect(sourceModel(), nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(source);
    if (source != nullptr) {
        // The variable models change only by a reset.
        connect(source, &QAbstractItemModel::modelAboutToBeReset, this,
                &RowOrderProxy::beginResetModel);
        connect(source, &QAbstractItemModel::modelReset, this, [this] {
            m_rows = m_rowSource();
            indexRows();
            endResetModel();
        });
        m_rows = m_rowSource();
    } else {
        m_rows.clear();
    }
    indexRows();
    endResetModel();
}

void RowOrderProxy::indexRows() {
    const int sourceRows = sourceModel() == nullptr ? 0 : sourceModel()->rowCount();
    m_shownOf.assign(std::size_t(sourceRows), -1);
    for (std::size_t shown = 0; shown < m_rows.size(); ++shown) {
        const int row = m_rows[shown];
        if (row >= 0 && row < sourceRows)
            m_shownOf[std::size_t(row)] = int(shown);
    }
}

void RowOrderProxy::setRows(std::vector<int> rows) {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QList<int> sourceRows;
    sourceRows.reserve(before.size());
    for (const QModelIndex& index : before)
        sourceRows.append(index.row() < int(m_rows.size()) ? m_rows[std::size_t(index.row())] : -1);
    m_rows = std::move(rows);
    indexRows();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int shown = shownRowOf(sourceRows[i]);
        after.append(shown < 0 ? QModelIndex() : createIndex(shown, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int RowOrderProxy::shownRowOf(int sourceRow) const {
    if (sourceRow < 0 || std::size_t(sourceRow) >= m_shownOf.size())
        return -1;
    return m_shownOf[std::size_t(sourceRow)];
}

QModelIndex RowOrderProxy::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || sourceModel() == nullptr || proxyIndex.row() >= rowCount())
        return {};
    return sourceModel()->index(m_rows[std::size_t(proxyIndex.row())], proxyIndex.column());
}

QModelIndex RowOrderProxy::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid())
        return {};
    const int shown = shownRowOf(sourceIndex.row());
    return shown < 0 ? QModelIndex() : createIndex(shown, sourceIndex.column());
}

QModelIndex RowOrderProxy::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex RowOrderProxy::parent(const QModelIndex&) const {
    return {};
}

QModelIndex RowOrderProxy::sibling(int row, int column, const QModelIndex& index) const {
    return index.isValid() ? this->index(row, column) : QModelIndex();
}

bool RowOrderProxy::hasChildren(const QModelIndex& parent) const {
    return !parent.isValid() && rowCount() > 0;
}

int RowOrderProxy::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RowOrderProxy::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || sourceModel() == nullptr ? 0 : sourceModel()->columnCount();
}

Qt::ItemFlags RowOrderProxy::flags(const QModelIndex& index) const {
    return sourceModel() == nullptr ? Qt::NoItemFlags : FlatListFlags(index);
}

QVariant RowOrderProxy::headerData(int section, Qt::Orientation orientation, int role) const {
    return sourceModel() == nullptr ? QVariant()
                                    : sourceModel()->headerData(section, orientation, role);
}

VariableListView::VariableListView(const core::AppState& state, const IconLibrary& icons,
                                   VariableTableModel::Rows rows, QWidget* parent)
    : ListView(parent) {
    m_source = new VariableTableModel(state, icons, rows, this);
    m_proxy = new RowOrderProxy([this] { return chosenRows(); }, this);
    // A new set of rows keeps the filter typed and the order chosen.
    connect(m_source, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_sorted.clear();
        m_matches.clear();
    });
    m_proxy->setSourceModel(m_source);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &VariableListView::shownRowsChanged);
    setModel(m_proxy);
    ListItemDelegate* delegate = ConfigureListView(*this, RowStyle::GridFullRow, true);
    delegate->setMiddleElideColumn(VariableTableModel::FileColumn);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void VariableListView::reload() {
    m_source->reload();
}

std::vector<int> VariableListView::chosenRows() {
    const int count = m_source->rowCount();
    if (!m_filterText.isEmpty() && m_matches.size() != std::size_t(count))
        matchRows(false);
    if (m_sortColumn >= 0 && m_sorted.size() != std::size_t(count)) {
        std::vector<std::string_view> texts(static_cast<std::size_t>(count));
        const auto column = core::RecordColumn(m_sortColumn);
        for (int row = 0; row < count; ++row) {
            if (const core::ConfigVariable* record = m_source->record(row))
                texts[std::size_t(row)] = core::ColumnText(*record, column);
        }
        const std::vector<std::size_t> order = core::SortedOrder(
            texts, m_sortOrder == Qt::AscendingOrder ? core::SortDirection::Ascending
                                                     : core::SortDirection::Descending);
        m_sorted.assign(order.begin(), order.end());
    }
    std::vector<int> rows;
    rows.reserve(std::size_t(count));
    const bool filtered = !m_filterText.isEmpty();
    for (int i = 0; i < count; ++i) {
        const int row = m_sortColumn >= 0 ? m_sorted[std::size_t(i)] : i;
        if (!filtered || m_matches[std::size_t(row)])
            rows.push_back(row);
    }
    return rows;
}

void VariableListView::matchRows(bool narrowing) {
    const int count = m_source->rowCount();
    if (!narrowing || m_matches.size() != std::size_t(count))
        m_matches.assign(std::size_t(count), 1);
    const ShownTextFilter filter(m_filterBytes);
    for (int row = 0; row < count; ++row) {
        char& match = m_matches[std::size_t(row)];
        if (match) {
            const core::ConfigVariable* record = m_source->record(row);
            match = record != nullptr && filter.matches(*record);
        }
    }
}

void VariableListView::applyRows() {
    m_proxy->setRows(chosenRows());
    emit shownRowsChanged();
}

void VariableListView::sortBy(int column, Qt::SortOrder order) {
    if (column < 0 || column >= VariableTableModel::ColumnCount) {
        showUnsorted();
        return;
    }
    m_sortColumn = column;
    m_sortOrder = order;
    m_sorted.clear();
    applyRows();
    header()->setSortIndicator(column, order);
}

int VariableListView::sortColumn() const {
    return m_sortColumn;
}

Qt::SortOrder VariableListView::sortOrder() const {
    return m_sortColumn >= 0 ? m_sortOrder : Qt::AscendingOrder;
}

void VariableListView::showUnsorted() {
    if (m_sortColumn >= 0) {
        m_sortColumn = -1;
        m_sorted.clear();
        applyRows();
    }
    header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void VariableListView::setFilterText(const QString& text) {
    if (text == m_filterText)
        return;
    ShownBytes bytes = BytesShownAs(text);
    // Typing on narrows the rows already kept; anything else looks at every row again.
    const bool narrowing = !m_filterText.isEmpty() && Narrows(bytes, m_filterBytes);
    m_filterText = text;
    m_filterBytes = std::move(bytes);
    if (m_filterText.isEmpty())
        m_matches.clear();
    else
        matchRows(narrowing);
    applyRows();
}

int VariableListView::shownRowOf(int sourceRow) const {
    return m_proxy->shownRowOf(sourceRow);
}

const core::ConfigVariable* VariableListView::selectedRecord() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return m_source->record(m_proxy->mapToSource(rows.first()).row());
}

const core::ConfigVariable* VariableListView::shownRecord(int shownRow) const {
    return m_source->record(m_proxy->mapToSource(m_proxy->index(shownRow, 0)).row());
}

std::vector<const core::ConfigVariable*> VariableListView::shownRecords() const {
    const std::vector<int>& rows = m_proxy->shownSourceRows();
    std::vector<const core::ConfigVariable*> records;
    records.reserve(rows.size());
    for (const int row : rows) {
        if (const core::ConfigVariable* record = m_source->record(row))
            records.push_back(record);
    }
    return records;
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

int VariableListView::sharedWidth(int viewWidth) const {
    return viewWidth - 2 * frameWidth() -
           style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void VariableListView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    const int before = sharedWidth(event->oldSize().width());
    const int after = sharedWidth(event->size().width());
    if (event->oldSize().width() <= 0 || before <= 0 || after <= 0 || before == after)
        return;
    // The room gained or lost is shared by the columns in proportion to their widths;
    // rounding leftovers go to the last one, so columns that fitted still fit.
    QHeaderView* const columns = header();
    const int count = columns->count();
    double total = 0;
    for (int column = 0; column < count; ++column)
        total += columns->sectionSize(column);
    if (total <= 0)
        return;
    const int change = after - before;
    int given = 0;
    for (int column = 0; column < count; ++column) {
        const int width = columns->sectionSize(column);
        const int share =
            column + 1 < count ? int(std::lround(change * (width / total))) : change - given;
        columns->resizeSection(column, std::max(width + share, 1));
        given += share;
    }
}

} // namespace varscope::ui
