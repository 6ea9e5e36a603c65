#include "find_isolate.hpp"

#include "core/report/report.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "list_views.hpp"
#include "main_texts.hpp"
#include "ui/context.hpp"
#include "ui/text_conversion.hpp"

#include <QLocale>

#include <utility>

namespace varscope::ui {

namespace {

// The Isolate view always shows state.isolate.IsolateRows; a refill of a list that held rows
// also drops its sort, so the new rows come in report order.
void ReplaceIsolateRows(core::AppState& state, std::vector<std::size_t> rows,
                        VariableListView& isolate) {
    if (state.isolate.IsolateCount() >= 1)
        isolate.showUnsorted();
    state.isolate.IsolateRows = std::move(rows);
    isolate.reload();
}

} // namespace

std::optional<int> FindFirstRowByPrefix(const QAbstractItemModel& shown, const QString& prefix) {
    return FindNextRowByPrefix(shown, prefix, 0);
}

std::optional<int> FindNextRowByPrefix(const QAbstractItemModel& shown, const QString& prefix,
                                       int from) {
    const int rows = shown.rowCount();
    if (rows == 0)
        return std::nullopt;
    from = from < 0 || from >= rows ? 0 : from;
    for (int step = 0; step < rows; ++step) {
        const int row = (from + step) % rows;
        const QString name = shown.data(shown.index(row, 0)).toString();
        if (name.startsWith(prefix, Qt::CaseInsensitive))
            return row;
    }
    return std::nullopt;
}

bool FindVariable(Context& context, VariableListView& allVariables, FindRound& round) {
    const std::optional<std::string> answer =
        context.prompter.input(text::kSearchPrompt, text::kSearchTitle, {});
    if (!answer || answer->empty())
        return false;
    round = FindRound{FromBytes(*answer)};
    const std::optional<int> row = FindFirstRowByPrefix(allVariables.shown(), round.prefix);
    if (!row) {
        context.prompter.message(text::kNoMatchFound, core::MessageIcon::None,
                                 core::text::kProgramTitle);
        return false;
    }
    allVariables.selectShownRow(*row);
    round.startRecord = allVariables.selectedRecord()->Index;
    return true;
}

bool FindNextVariable(VariableListView& allVariables, FindRound& round) {
    const QAbstractItemModel& shown = allVariables.shown();
    const QModelIndexList selected = allVariables.selectionModel()->selectedRows();
    const int from = selected.isEmpty() ? 0 : selected.first().row() + 1;
    const std::optional<int> row = FindNextRowByPrefix(shown, round.prefix, from);
    if (!row)
        return false;
    const auto record =
        shown.index(*row, 0).data(VariableTableModel::RecordIndexRole).value<qulonglong>();
    if (record == round.startRecord && !round.ended) {
        round.ended = true;
        return false;
    }
    round.ended = false;
    if (round.startRecord == 0)
        round.startRecord = record;
    allVariables.selectShownRow(*row);
    return true;
}

bool IsolateVariable(Context& context, const VariableListView& allVariables,
                     VariableListView& isolate) {
    core::AppState& state = context.state;
    const core::ConfigVariable* const selected = allVariables.selectedRecord();
    state.isolate.SelectedVariableName =
        selected != nullptr ? std::string(selected->Name) : std::string();
    if (state.isolate.SelectedVariableName.empty()) {
        context.prompter.message(text::kNoDataSelected, core::MessageIcon::None,
                                 core::text::kProgramTitle);
        return false;
    }
    state.isolate.OneVariable = true;
    ReplaceIsolateRows(
        state, core::IsolateByName(state.report.Contents, state.isolate.SelectedVariableName),
        isolate);
    return true;
}

void FilterByLevel(Context& context, int level, VariableListView& isolate) {
    context.state.isolate.OneVariable = false;
    ReplaceIsolateRows(context.state, core::FilterByLevel(context.state.report.Contents, level),
                       isolate);
}

namespace {

QString RecordCount(std::size_t count) {
    // Thousands always with commas, whatever the user's locale.
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(qulonglong(count)) +
           (count == 1 ? QStringLiteral(" record") : QStringLiteral(" records"));
}

} // namespace

QString IsolateHeading(std::string_view variableName, std::size_t count) {
    return FromBytes(variableName) + QStringLiteral(": ") + RecordCount(count);
}

QString IsolateHeading(int level, std::size_t count) {
    return QStringLiteral("Level ") + FromBytes(core::LevelName(level)) + QStringLiteral(": ") +
           RecordCount(count);
}

} // namespace varscope::ui
