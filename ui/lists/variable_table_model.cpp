#include "variable_table_model.hpp"

#include "core/session.hpp"
#include "flat_list.hpp"
#include "icons.hpp"
#include "list_texts.hpp"
#include "ui/text_conversion.hpp"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

#include <limits>

namespace varscope::ui {

namespace {

// Text halfway to the background, in any colour scheme.
QBrush MutedText() {
    const QPalette palette = QGuiApplication::palette();
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    return QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                  (text.blue() + base.blue()) / 2);
}

} // namespace

VariableTableModel::VariableTableModel(const core::AppState& state, const IconLibrary& icons,
                                       Rows rows, QObject* parent)
    : QAbstractTableModel(parent), m_state(state), m_icons(icons), m_rows(rows),
      m_rowCount(currentRowCount()) {}

int VariableTableModel::currentRowCount() const {
    const std::size_t count =
        m_rows == Rows::All ? m_state.report.VariableCount() : m_state.isolate.IsolateCount();
    return int(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

void VariableTableModel::reload() {
    beginResetModel();
    m_rowCount = currentRowCount();
    endResetModel();
}

const core::ConfigVariable* VariableTableModel::record(int row) const {
    if (row < 0 || row >= m_rowCount)
        return nullptr;
    const auto& table = m_state.report.VariableTable();
    std::size_t index = std::size_t(row) + 1;
    if (m_rows == Rows::Isolated) {
        if (std::size_t(row) >= m_state.isolate.IsolateRows.size())
            return nullptr;
        index = m_state.isolate.IsolateRows[std::size_t(row)];
    }
    if (index < 1 || index > table.size())
        return nullptr;
    return &table[index - 1];
}

int VariableTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rowCount;
}

int VariableTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant VariableTableModel::data(const QModelIndex& index, int role) const {
    const core::ConfigVariable* const variable = record(index.row());
    if (variable == nullptr || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NameColumn:
            return ShownText(variable->Name);
        case ValueColumn:
            return ShownText(variable->Value);
        case ExpansionColumn:
            return ShownText(variable->Expansion);
        case FileColumn:
            return ShownText(variable->File);
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() == NameColumn) {
            const QIcon icon =
                m_icons.levelIcon(variable->Level, m_state.report.Winners.marks(variable->Index));
            if (!icon.isNull())
                return icon;
        }
        return {};
    case Qt::ForegroundRole:
        if (drawnMuted(*variable))
            return MutedText();
        return {};
    case MarksRole:
        return int(m_state.report.Winners.marks(variable->Index));
    case RecordIndexRole:
        return qulonglong(variable->Index);
    case LevelRole:
        return int(variable->Level);
    default:
        return {};
    }
}

bool VariableTableModel::drawnMuted(const core::ConfigVariable& record) const {
    return m_rows == Rows::Isolated && m_state.isolate.OneVariable &&
           !m_state.report.Winners.isWinner(record.Index);
}

Qt::ItemFlags VariableTableModel::flags(const QModelIndex& index) const {
    return FlatListFlags(index);
}

QVariant VariableTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return FromBytes(m_rows == Rows::All ? text::kLevelVariableHeader : text::kVariableHeader);
    case ValueColumn:
        return FromBytes(text::kValueHeader);
    case ExpansionColumn:
        return FromBytes(text::kExpansionHeader);
    case FileColumn:
        return FromBytes(text::kFileHeader);
    default:
        return {};
    }
}

} // namespace varscope::ui
