#include "shown_view.hpp"

#include "core/category/category_tree.hpp"
#include "core/export/export.hpp"
#include "core/session.hpp"
#include "ui/category/category_tree_model.hpp"
#include "ui/category/category_tree_page.hpp"
#include "ui/main/list_views.hpp"
#include "ui/main/main_window.hpp"

#include <QAbstractItemModel>

#include <string_view>
#include <vector>

namespace varscope::ui {

namespace {

// Rows made between two reports of progress: often enough to keep the window alive,
// seldom enough to cost nothing next to the lines.
constexpr int kRowsPerStep = 8192;

std::optional<std::string> VariableRows(const VariableListView& view,
                                        const core::ExportChoices& choices,
                                        const std::vector<core::ConfigVariable>& table,
                                        const RowProgress& progress) {
    // The shown model is the sort proxy once the user has sorted, so its rows come in the
    // order on screen.
    const QAbstractItemModel& shown = view.shown();
    const int rows = shown.rowCount();
    std::string out;
    for (int row = 0; row < rows; ++row) {
        if (row % kRowsPerStep == 0 && !progress(std::size_t(row), std::size_t(rows)))
            return std::nullopt;
        const std::size_t index =
            shown.index(row, 0).data(VariableTableModel::RecordIndexRole).toULongLong();
        if (index < 1 || index > table.size())
            continue;
        core::AppendVariableLine(out, table[index - 1], choices.ExportColumns,
                                 choices.ExportDelimiter);
    }
    if (!progress(std::size_t(rows), std::size_t(rows)))
        return std::nullopt;
    return out;
}

std::string TextRows(const std::vector<std::string_view>& lines) {
    std::string out;
    for (const std::string_view line : lines)
        core::AppendTextLine(out, line);
    return out;
}

} // namespace

std::optional<std::string> ShownViewText(MainWindow& window, const core::ExportChoices& choices,
                                         const RowProgress& progress) {
    const core::ReportData& report = window.context().state.report.Contents;
    switch (window.currentPage()) {
    case MainWindow::AllVariablesPage:
        return VariableRows(*window.allVariablesView(), choices, report.Variables, progress);
    case MainWindow::IsolatePage:
        return VariableRows(*window.isolateView(), choices, report.Variables, progress);
    case MainWindow::SummaryPage:
        return TextRows(report.SummaryLines);
    case MainWindow::FileOrderPage:
        return TextRows(report.ConfigFilesUsed);
    case MainWindow::CategoryPage: {
        // The tree as the page shows it, built when the page came to the front.
        std::string out;
        core::AppendTextLine(out, core::CategoryExportText(window.categoryTree().model().tree()));
        return out;
    }
    default:
        return std::string();
    }
}

} // namespace varscope::ui
