#pragma once

#include "core/compare/compare.hpp"
#include "ui/lists/icons.hpp"

#include <QAbstractTableModel>
#include <QMetaType>

#include <optional>
#include <vector>

namespace varscope::ui {

// Where a changed value's shown text differs from the other side's, in characters of the
// text: [start, end); start == end marks where the other side has more.
struct ShownSpan {
    int start = 0;
    int end = 0;
};

// A comparison of two reports as a table: a row per variable (only those that differ, or
// all), then a row per configuration file only one report processed. Columns: the name with
// the status's icon and colour, then each side's expansion (with its level icon) and file.
class CompareModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        OldValueColumn,
        OldFileColumn,
        NewValueColumn,
        NewFileColumn,
        ColumnCount
    };
    enum class Side { Old, New };
    // A changed variable's value cells give their ShownSpan in this role.
    static constexpr int DifferenceRole = Qt::UserRole + 1;

    CompareModel(core::ReportComparison comparison, const IconLibrary& icons,
                 QObject* parent = nullptr);

    const core::ReportComparison& comparison() const { return m_comparison; }
    // Whether the variables that are the same are listed too.
    bool showsAll() const { return m_all; }
    void setShowsAll(bool all);

    // The variable at `row`, or null on a file row or outside the table.
    const core::ComparedVariable* variable(int row) const;
    // What the row shows on `side`: a variable's winning record, or a configuration file as
    // a record with only File set; null when that side has nothing.
    const core::ConfigVariable* record(int row, Side side) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        enum class Kind { Variable, RemovedFile, AddedFile } kind;
        std::size_t index;
    };
    void buildRows();
    // The status the row stands for: a file row is one only its side processed.
    core::Difference status(const Row& row) const;

    core::ReportComparison m_comparison;
    const IconLibrary m_icons; // a copy: the main window's goes before its child windows
    bool m_all = false;
    std::vector<Row> m_rows;
    std::vector<core::ConfigVariable> m_fileRecords; // removed files, then added files
    // Where each changed variable's values part, by its index in the comparison.
    std::vector<std::optional<core::DifferingSpan>> m_spans;
};

} // namespace varscope::ui

Q_DECLARE_METATYPE(varscope::ui::ShownSpan)
