#pragma once

#include <QString>

#include <optional>

class QAbstractItemModel;

namespace varscope::ui {

struct Context;
class VariableListView;

// The first row, in the order `shown` lists them, whose name (column 0) begins with
// `prefix`, ignoring letter case.
std::optional<int> FindFirstRowByPrefix(const QAbstractItemModel& shown, const QString& prefix);

// "&Find . . .": asks for the beginning of a name and selects the first variable shown that
// has it. Returns true when a row was selected.
bool FindVariable(Context& context, VariableListView& allVariables);

// Lists every record of the variable selected in All Variables, in report order. Says
// "No Data Selected" and keeps the Isolate rows when nothing is selected.
bool IsolateVariable(Context& context, const VariableListView& allVariables,
                     VariableListView& isolate);

// Lists every record of one level, in report order.
void FilterByLevel(Context& context, int level, VariableListView& isolate);

} // namespace varscope::ui
