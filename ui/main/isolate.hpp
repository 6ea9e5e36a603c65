#pragma once

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace varscope::ui {

struct Context;
class VariableListView;

// Lists every record of the variable selected in All Variables, in report order. Says
// "No Data Selected" and keeps the Isolate rows when nothing is selected.
bool IsolateVariable(Context& context, const VariableListView& allVariables,
                     VariableListView& isolate);

// Lists every record of the variable `name`, in report order. False, keeping the Isolate
// rows, when the report has none.
bool IsolateVariableNamed(Context& context, const std::string& name, VariableListView& isolate);

// Lists every record of one level, in report order.
void FilterByLevel(Context& context, int level, VariableListView& isolate);

// What the Isolate page lists, as its heading says it: "MS_DEF: 3 records",
// "Level Site: 1,204 records".
QString IsolateHeading(std::string_view variableName, std::size_t count);
QString IsolateHeading(int level, std::size_t count);

} // namespace varscope::ui
