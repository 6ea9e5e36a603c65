#pragma once

#include <QAbstractTableModel>

#include <cstddef>

namespace varscope::core {
struct AppState;
struct ConfigVariable;
} // namespace varscope::core

namespace varscope::ui {

class IconLibrary;

// The variable records as a table, straight over the shared table: no copy and no item per
// row, so a report of any size shows at once. Columns: name (with the level icon), value,
// expansion, file. Row order is report order; sorting is a proxy's business.
class VariableTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // Every record (All Variables), or the records listed in state.isolate.IsolateRows.
    enum class Rows { All, Isolated };
    enum Column { NameColumn, ValueColumn, ExpansionColumn, FileColumn, ColumnCount };
    enum Role {
        RecordIndexRole = Qt::UserRole + 1, // 1-based index into the variable table
        LevelRole,                          // the record's level code
        MarksRole, // the record's core::RecordMark bits: it won, its variable is locked
    };

    VariableTableModel(const core::AppState& state, const IconLibrary& icons, Rows rows,
                       QObject* parent = nullptr);

    // Call after the shared state changed the rows this model shows.
    void reload();

    // The record shown at `row`, or null.
    const core::ConfigVariable* record(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int currentRowCount() const;
    // Isolate of one variable tells its story: the records that did not win are muted.
    bool drawnMuted(const core::ConfigVariable& record) const;

    const core::AppState& m_state;
    const IconLibrary& m_icons;
    const Rows m_rows;
    int m_rowCount = 0;
};

} // namespace varscope::ui
