#include "find.hpp"

#include "core/report/report.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "list_texts.hpp"
#include "list_views.hpp"
#include "ui/context.hpp"
#include "ui/text_conversion.hpp"

namespace varscope::ui {

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
    const core::ConfigVariable* const found = allVariables.shownRecord(*row);
    if (found == nullptr)
        return false;
    const std::size_t record = found->Index;
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

} // namespace varscope::ui
