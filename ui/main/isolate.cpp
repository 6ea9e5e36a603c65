#include "isolate.hpp"

#include "core/report/report.hpp"
#include "core/session.hpp"
#include "core/system/prompter.hpp"
#include "core/texts.hpp"
#include "main_texts.hpp"
#include "ui/context.hpp"
#include "ui/lists/list_views.hpp"
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

bool IsolateVariableNamed(Context& context, const std::string& name, VariableListView& isolate) {
    core::AppState& state = context.state;
    std::vector<std::size_t> rows = core::IsolateByName(state.report.Contents, name);
    if (rows.empty())
        return false;
    state.isolate.SelectedVariableName = name;
    state.isolate.OneVariable = true;
    ReplaceIsolateRows(state, std::move(rows), isolate);
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
