#include "shown_view.hpp"

#include "core/export/export.hpp"
#include "core/session.hpp"

namespace varscope::ui {

namespace {

// Rows made between two reports of progress: often enough to keep the window alive,
// seldom enough to cost nothing next to the lines.
constexpr std::size_t kRowsPerStep = 8192;

std::optional<std::string> VariableRows(const std::vector<const core::ConfigVariable*>& records,
                                        const core::ExportChoices& choices,
                                        const RowProgress& progress) {
    const std::size_t rows = records.size();
    std::string out;
    for (std::size_t row = 0; row < rows; ++row) {
        if (row % kRowsPerStep == 0 && !progress(row, rows))
            return std::nullopt;
        core::AppendVariableLine(out, *records[row], choices.ExportColumns,
                                 choices.ExportDelimiter);
    }
    if (!progress(rows, rows))
        return std::nullopt;
    return out;
}

} // namespace

std::optional<std::string> ShownViewText(const PageRows& rows, const core::ExportChoices& choices,
                                         const RowProgress& progress) {
    std::string out;
    switch (rows.kind) {
    case PageRows::Kind::Records:
        return VariableRows(rows.records, choices, progress);
    case PageRows::Kind::Lines:
        for (const std::string_view line : rows.lines)
            core::AppendTextLine(out, line);
        break;
    case PageRows::Kind::Text:
        core::AppendTextLine(out, rows.text);
        break;
    }
    return out;
}

} // namespace varscope::ui
