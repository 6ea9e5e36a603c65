#include "find_isolate.hpp"

#include "core/prompter.hpp"
#include "core/session.hpp"
#include "core/texts.hpp"
#include "list_views.hpp"
#include "main_texts.hpp"
#include "ui/context.hpp"
#include "ui/text_conversion.hpp"

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
    const int rows = shown.rowCount();
    for (int row = 0; row < rows; ++row) {
        const QString name = shown.data(shown.index(row, 0)).toString();
        if (name.startsWith(prefix, Qt::CaseInsensitive))
            return row;
    }
    return std::nullopt;
}

bool FindVariable(Context& context, VariableListView& allVariables) {
    const std::optional<std::string> answer =
        context.prompter.input(text::kSearchPrompt, text::kSearchTitle, {});
    if (!answer || answer->empty())
        return false;
    const std::optional<int> row = FindFirstRowByPrefix(allVariables.shown(), FromBytes(*answer));
    if (!row) {
        context.prompter.message(text::kNoMatchFound, core::MessageIcon::None,
                                 core::text::kProgramTitle);
        return false;
    }
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

} // namespace varscope::ui
